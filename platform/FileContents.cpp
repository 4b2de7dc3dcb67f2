#include "platform/FileContents.h"

#include "platform/FdIo.h"
#include "platform/UniqueFd.h"

#include <fcntl.h>

QByteArray FileContents::read(const QByteArray& path, qsizetype limit)
{
    UniqueFd fd(FdIo::retry([&] { return ::open(path.constData(), O_RDONLY | O_CLOEXEC | O_NONBLOCK); }));
    if (!fd.isValid()) {
        return {};
    }
    QByteArray text;
    FdIo::readAll(fd.get(), &text, limit);
    return text;
}
