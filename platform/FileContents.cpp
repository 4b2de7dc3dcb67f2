#include "platform/FileContents.h"

#include "platform/UniqueFd.h"

#include <cerrno>
#include <fcntl.h>
#include <unistd.h>

QByteArray FileContents::read(const QByteArray& path, qsizetype limit)
{
    UniqueFd fd(::open(path.constData(), O_RDONLY | O_CLOEXEC | O_NONBLOCK));
    if (!fd.isValid()) {
        return {};
    }
    QByteArray text;
    char buffer[16384];
    while (text.size() < limit) {
        const ssize_t n = ::read(fd.get(), buffer, sizeof buffer);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            break;
        }
        text.append(buffer, n);
    }
    return text;
}
