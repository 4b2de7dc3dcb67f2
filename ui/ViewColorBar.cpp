#include "ui/ViewColorBar.h"

#include <QPaintEvent>
#include <QPainter>

ViewColorBar::ViewColorBar(const QColor& fillColor, QWidget* parent) : QWidget(parent), m_fillColor(fillColor)
{
    setAttribute(Qt::WA_OpaquePaintEvent);
}

QColor ViewColorBar::fillColor() const
{
    return m_fillColor;
}

void ViewColorBar::paintEvent(QPaintEvent* event)
{
    QPainter(this).fillRect(event->rect(), m_fillColor);
}
