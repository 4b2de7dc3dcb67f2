#include "ui/PreviewLoader.h"

#include "platform/BytePathFile.h"
#include "ui/FileProperties.h"

#include <QFile>
#include <QImageReader>

PreviewLoader::PreviewLoader(QObject* parent) : QObject(parent) {}

PreviewLoader::~PreviewLoader()
{
    cancel();
    m_pool.wait();
}

void PreviewLoader::cancel()
{
    m_latest.fetch_add(1);
    m_pool.clear();
}

void PreviewLoader::request(const QByteArray& path, bool imageProperties)
{
    const quint64 id = m_latest.fetch_add(1) + 1;
    m_pool.clear();
    m_pool.start([this, id, path, imageProperties] {
        if (m_latest.load() != id) {
            return;
        }
        const QImage thumbnail = resizeImageAtPath(path);
        const QString text = imageProperties ? FileProperties::getImageProperties(path)
                                             : FileProperties::getAllProperties(path);
        deliver(id, path, thumbnail, text);
    });
}

void PreviewLoader::deliver(quint64 request, const QByteArray& path, const QImage& thumbnail,
                            const QString& properties)
{
    // Checked once more on the UI thread, so a late answer for an older
    // request is never shown.
    QMetaObject::invokeMethod(
        this,
        [this, request, path, thumbnail, properties] {
            if (request == m_latest.load()) {
                Q_EMIT previewReady(request, path, thumbnail, properties);
            }
        },
        Qt::QueuedConnection);
}

QImage PreviewLoader::resizeImageAtPath(const QByteArray& path, int maxPixelSize)
{
    QFile file;
    if (!BytePathFile::openForReading(file, path)) {
        return {};
    }
    QImageReader reader(&file);
    reader.setAutoTransform(true);
    const QSize full = reader.size();
    if (full.isValid() && (full.width() > maxPixelSize || full.height() > maxPixelSize)) {
        // Decoders that can (JPEG) then skip most of the work.
        reader.setScaledSize(full.scaled(maxPixelSize, maxPixelSize, Qt::KeepAspectRatio));
    }
    QImage image = reader.read();
    if (image.isNull()) {
        return {};
    }
    if (image.width() > maxPixelSize || image.height() > maxPixelSize) {
        image = image.scaled(maxPixelSize, maxPixelSize, Qt::KeepAspectRatio, Qt::SmoothTransformation);
    }
    return image;
}

QPixmap PreviewLoader::fitPreview(const QImage& thumbnail, const QSize& display, qreal ratio)
{
    if (thumbnail.isNull() || display.isEmpty()) {
        return {};
    }
    // A picture's own size is taken in logical pixels: one image pixel to one
    // point, as the properties text counts them.
    const QSizeF own = thumbnail.size();
    const QSizeF largest = own * MaxEnlargement;
    QSizeF target = own.scaled(QSizeF(display), Qt::KeepAspectRatio);
    if (target.width() > largest.width() || target.height() > largest.height()) {
        target = largest;
    }
    const QSize pixels = (target * ratio).toSize().expandedTo(QSize(1, 1));
    QPixmap pixmap =
        QPixmap::fromImage(thumbnail.scaled(pixels, Qt::KeepAspectRatio, Qt::SmoothTransformation));
    pixmap.setDevicePixelRatio(ratio);
    return pixmap;
}
