#include "ui/CoverPicture.h"

#include <QPainter>

CoverPicture::CoverPicture(QWidget* parent) : QLabel(parent) {}

QRectF CoverPicture::sourceRect() const
{
    const QPixmap picture = pixmap();
    if (picture.isNull() || width() <= 0 || height() <= 0) {
        return {};
    }
    const QSizeF full = picture.size();
    const QSizeF shown = QSizeF(size()).scaled(full, Qt::KeepAspectRatio);
    return QRectF(QPointF((full.width() - shown.width()) / 2, (full.height() - shown.height()) / 2), shown);
}

void CoverPicture::paintEvent(QPaintEvent* event)
{
    const QPixmap picture = pixmap();
    if (picture.isNull()) {
        QLabel::paintEvent(event);
        return;
    }
    QPainter painter(this);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    painter.drawPixmap(QRectF(rect()), picture, sourceRect());
}
