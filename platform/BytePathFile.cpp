#include "platform/BytePathFile.h"

#include <QFile>
#include <fcntl.h>
#include <unistd.h>

bool BytePathFile::openForReading(QFile& file, const QByteArray& path)
{
    // Non-blocking open so a FIFO in the path's place cannot hang the caller.
    const int fd = ::open(path.constData(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) {
        return false;
    }
    if (!file.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
        ::close(fd);
        return false;
    }
    return true;
}
