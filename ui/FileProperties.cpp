#include "ui/FileProperties.h"

#include "platform/BytePathFile.h"
#include "platform/PathText.h"
#include "scan/Formatting.h"

#include <QDateTime>
#include <QFile>
#include <QImage>
#include <QImageReader>
#include <QLocale>
#include <cmath>
#include <fcntl.h>
#include <sys/stat.h>

namespace {

struct Attributes
{
    quint64 size = 0;
    QString created = QStringLiteral("(null)");
    QString modified = QStringLiteral("(null)");
};

QString dateText(const statx_timestamp& ts)
{
    const qint64 ms = ts.tv_sec * 1000 + ts.tv_nsec / 1000000;
    return Formatting::dateToString(QDateTime::fromMSecsSinceEpoch(ms));
}

Attributes attributesOf(const QByteArray& path)
{
    Attributes a;
    struct statx stx
    {
    };
    const unsigned mask = STATX_SIZE | STATX_MTIME | STATX_BTIME;
    if (::statx(AT_FDCWD, path.constData(), AT_SYMLINK_NOFOLLOW, mask, &stx) != 0) {
        return a;
    }
    a.size = stx.stx_size;
    // A file system that keeps no birth time may still answer with zero:
    // that is a missing date, not 1 January 1970.
    if ((stx.stx_mask & STATX_BTIME) && (stx.stx_btime.tv_sec != 0 || stx.stx_btime.tv_nsec != 0)) {
        a.created = dateText(stx.stx_btime);
    }
    if (stx.stx_mask & STATX_MTIME) {
        a.modified = dateText(stx.stx_mtime);
    }
    return a;
}

QString nameOf(const QByteArray& path)
{
    return PathText::display(path.mid(path.lastIndexOf('/') + 1));
}

} // namespace

QString FileProperties::numberText(double value)
{
    if (std::isfinite(value) && value == std::floor(value) && std::fabs(value) < 1e15) {
        return QString::number(static_cast<qint64>(value));
    }
    return QString::number(value, 'g', QLocale::FloatingPointShortest);
}

QSizeF FileProperties::imageSizeInPoints(const QByteArray& path)
{
    QFile file;
    if (!BytePathFile::openForReading(file, path)) {
        return {0, 0};
    }
    QImageReader reader(&file);
    const QImage image = reader.read();
    if (image.isNull()) {
        return {0, 0};
    }
    // Qt gives an image without a recorded resolution its own default; such
    // an image is taken at 72 dots per inch, so points equal pixels.
    const int defaultDpm = QImage(1, 1, QImage::Format_ARGB32).dotsPerMeterX();
    auto points = [](int pixels, int dpm) {
        const double dpi = dpm * 0.0254;
        return dpm > 0 ? pixels * 72.0 / dpi : double(pixels);
    };
    const int dpmX = image.dotsPerMeterX() == defaultDpm ? 0 : image.dotsPerMeterX();
    const int dpmY = image.dotsPerMeterY() == defaultDpm ? 0 : image.dotsPerMeterY();
    return {points(image.width(), dpmX), points(image.height(), dpmY)};
}

QString FileProperties::getImageProperties(const QByteArray& path)
{
    const Attributes a = attributesOf(path);
    const QSizeF points = imageSizeInPoints(path);
    // Points are rounded to 1/100 so a 300 dpi picture does not print 17 digits.
    auto dimension = [](double v) { return numberText(std::round(v * 100.0) / 100.0); };
    return QStringLiteral(" %1\nSize                          : %2\nImage Dimensions   : %3x%4\nCreated Date"
                          "           : %5\nModified Date         : %6")
        .arg(nameOf(path), Formatting::getFormattedStringForSize(a.size), dimension(points.width()),
             dimension(points.height()), a.created, a.modified);
}

QString FileProperties::getAllProperties(const QByteArray& path)
{
    const Attributes a = attributesOf(path);
    return QStringLiteral(
               " %1\nSize                       : %2\nCreated Date        : %3\nModified Date       : %4")
        .arg(nameOf(path), Formatting::getFormattedStringForSize(a.size), a.created, a.modified);
}
