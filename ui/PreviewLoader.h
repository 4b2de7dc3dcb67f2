#pragma once

#include "platform/BackgroundWork.h"

#include <QByteArray>
#include <QImage>
#include <QObject>
#include <QPixmap>
#include <atomic>

// Makes the preview of one file off the UI thread: the thumbnail (the
// image's orientation applied, its largest side at most 640 pixels) and the
// properties text. Only the newest request is answered; older ones still
// waiting are dropped, so skimming through a set never queues up work.
class PreviewLoader : public QObject
{
    Q_OBJECT
public:
    static constexpr int MaxPixelSize = 640;

    explicit PreviewLoader(QObject* parent = nullptr);
    // Waits for the job in hand (only when the window goes away).
    ~PreviewLoader() override;

    // `imageProperties`: the properties text in its image form.
    void request(const QByteArray& path, bool imageProperties);
    // Forgets pending requests: nothing more is answered for them.
    void cancel();

    // The thumbnail fitted into `display` (logical pixels) at `ratio` device
    // pixels per logical one: shrunk to fit, and never enlarged beyond twice
    // its own size, so a small icon stays a small, sharp icon.
    static QPixmap fitPreview(const QImage& thumbnail, const QSize& display, qreal ratio);
    static constexpr double MaxEnlargement = 2.0;

    // The thumbnail of a file; a null image when it is not a readable image.
    static QImage resizeImageAtPath(const QByteArray& path, int maxPixelSize = MaxPixelSize);

Q_SIGNALS:
    // On the UI thread, for the newest request only.
    void previewReady(quint64 request, const QByteArray& path, const QImage& thumbnail,
                      const QString& properties);

private:
    void deliver(quint64 request, const QByteArray& path, const QImage& thumbnail, const QString& properties);

    BackgroundWork m_pool;
    std::atomic<quint64> m_latest{0};
};
