#include "platform/BytePathFile.h"

#include "platform/FdIo.h"
#include "platform/UniqueFd.h"

#include <QFile>
#include <fcntl.h>
#include <unistd.h>

bool BytePathFile::openForReading(QFile& file, const QByteArray& path)
{
    // Non-blocking open so a FIFO in the path's place cannot hang the caller.
    UniqueFd fd(FdIo::retry([&] { return ::open(path.constData(), O_RDONLY | O_CLOEXEC | O_NONBLOCK); }));
    if (!fd.isValid() || !file.open(fd.get(), QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
        return false;
    }
    fd.release(); // the file closes it now
    return true;
}
