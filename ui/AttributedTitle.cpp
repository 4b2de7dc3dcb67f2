#include "ui/AttributedTitle.h"

#include <QFontMetricsF>
#include <QPainter>

AttributedTitle::AttributedTitle() : m_color(Qt::black) {}

AttributedTitle::AttributedTitle(const QString& text, const QColor& color, const QFont& font,
                                 Qt::Alignment alignment)
    : m_text(text), m_color(color), m_font(font), m_alignment(alignment & Qt::AlignHorizontal_Mask)
{
}

QString AttributedTitle::text() const
{
    return m_text;
}

QColor AttributedTitle::color() const
{
    return m_color;
}

QFont AttributedTitle::font() const
{
    return m_font;
}

Qt::Alignment AttributedTitle::alignment() const
{
    return m_alignment;
}

bool AttributedTitle::isEmpty() const
{
    return m_text.isEmpty();
}

void AttributedTitle::paint(QPainter& painter, const QRectF& rect) const
{
    if (m_text.isEmpty()) {
        return;
    }
    painter.save();
    painter.setFont(m_font);
    painter.setPen(m_color);
    const QFontMetricsF metrics(m_font);
    const QString shown = metrics.elidedText(m_text, Qt::ElideRight, rect.width());
    painter.drawText(rect, int(m_alignment | Qt::AlignVCenter) | Qt::TextSingleLine, shown);
    painter.restore();
}
