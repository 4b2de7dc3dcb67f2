#include "ui/WIndowsLikeButton.h"

#include <QPainter>

WIndowsLikeButton::WIndowsLikeButton(QWidget* parent) : HoverButton(parent) {}

QColor WIndowsLikeButton::fillColor()
{
    return QColor(0, 155, 178);
}

QColor WIndowsLikeButton::paintedBackground() const
{
    return fillColor();
}

void WIndowsLikeButton::paintFrame(QPainter& painter, const QRectF& bounds) const
{
    // The border lies inside the bounds, as a layer border does.
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(Qt::white, 2.0));
    painter.setBrush(Qt::NoBrush);
    const double radius = qMax(0.0, cornerRadius() - 1.0);
    painter.drawRoundedRect(bounds.adjusted(1, 1, -1, -1), radius, radius);
    painter.restore();
}

bool WIndowsLikeButton::dimsIconWhenDisabled() const
{
    return true;
}
