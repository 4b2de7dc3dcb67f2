#include "ui/ViewButtonGrayBar.h"

#include <QPaintEvent>
#include <QPainter>

ViewButtonGrayBar::ViewButtonGrayBar(QWidget* parent) : QWidget(parent), m_fillColor(QColor(193, 193, 193))
{
    setAttribute(Qt::WA_OpaquePaintEvent);
}

QColor ViewButtonGrayBar::fillColor() const
{
    return m_fillColor;
}

void ViewButtonGrayBar::paintEvent(QPaintEvent* event)
{
    QPainter(this).fillRect(event->rect(), m_fillColor);
}
