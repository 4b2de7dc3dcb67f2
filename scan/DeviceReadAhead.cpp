#include "scan/DeviceReadAhead.h"

#include "platform/FdIo.h"
#include "platform/UniqueFd.h"

#include <fcntl.h>
#include <mutex>
#include <sys/sysmacros.h>
#include <utility>
#include <vector>

namespace {

// read_ahead_kb of the queue behind `base` (an entry of /sys/dev/block), in
// bytes, or 0.
quint64 readKilobytes(const QByteArray& base)
{
    // A whole disk has its own queue; a partition is read through its disk's.
    for (const char* tail : {"/queue/read_ahead_kb", "/../queue/read_ahead_kb"}) {
        const QByteArray path = base + tail;
        UniqueFd fd(FdIo::retry([&] { return ::open(path.constData(), O_RDONLY | O_CLOEXEC); }));
        QByteArray text;
        if (!fd.isValid() || !FdIo::readAll(fd.get(), &text, 32)) {
            continue;
        }
        bool ok = false;
        const quint64 kilobytes = text.trimmed().toULongLong(&ok);
        if (ok) {
            return kilobytes * 1024;
        }
    }
    return 0;
}

} // namespace

quint64 DeviceReadAhead::bytes(quint64 device)
{
    static std::mutex lock;
    static std::vector<std::pair<quint64, quint64>> known;
    std::lock_guard held(lock);
    for (const auto& [dev, value] : known) {
        if (dev == device) {
            return value;
        }
    }
    const dev_t dev = static_cast<dev_t>(device);
    const quint64 value = major(dev) == 0 ? 0
                                          : readKilobytes("/sys/dev/block/" + QByteArray::number(major(dev)) +
                                                          ':' + QByteArray::number(minor(dev)));
    known.emplace_back(device, value);
    return value;
}
