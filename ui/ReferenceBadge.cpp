#include "ui/ReferenceBadge.h"

#include <QFont>
#include <QFontMetrics>
#include <QPainter>
#include <QPainterPath>

namespace {

QFont badgeFont(const QFont& rowFont)
{
    QFont font = rowFont;
    font.setBold(true);
    font.setPointSizeF(qMax(7.0, rowFont.pointSizeF() - 1));
    return font;
}

} // namespace

QString ReferenceBadge::text()
{
    return QStringLiteral("Reference");
}

QColor ReferenceBadge::fill()
{
    // Apart from the window's blues (selection, accents), dark enough for
    // white text at small sizes.
    return QColor(168, 78, 10);
}

QSize ReferenceBadge::size(const QFont& rowFont)
{
    const QFontMetrics metrics(badgeFont(rowFont));
    return {metrics.horizontalAdvance(text()) + 14, metrics.height() + 4};
}

QRect ReferenceBadge::paint(QPainter* painter, const QPoint& topRight, const QFont& rowFont)
{
    const QSize box = size(rowFont);
    const QRect rect(QPoint(topRight.x() - box.width() + 1, topRight.y()), box);
    painter->save();
    painter->setRenderHint(QPainter::Antialiasing);
    QPainterPath shape;
    shape.addRoundedRect(QRectF(rect), box.height() / 2.0, box.height() / 2.0);
    painter->fillPath(shape, fill());
    painter->setFont(badgeFont(rowFont));
    painter->setPen(Qt::white);
    painter->drawText(rect, Qt::AlignCenter, text());
    painter->restore();
    return rect;
}
