#include "ui/ViewButtonBar.h"

#include <QPaintEvent>
#include <QPainter>

ViewButtonBar::ViewButtonBar(QWidget* parent) : QWidget(parent), m_fillColor(QColor(Qt::white))
{
    setAttribute(Qt::WA_OpaquePaintEvent);
}

QColor ViewButtonBar::fillColor() const
{
    return m_fillColor;
}

void ViewButtonBar::paintEvent(QPaintEvent* event)
{
    QPainter(this).fillRect(event->rect(), m_fillColor);
}
