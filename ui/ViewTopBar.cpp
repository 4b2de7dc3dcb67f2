#include "ui/ViewTopBar.h"

#include <QPaintEvent>
#include <QPainter>

ViewTopBar::ViewTopBar(QWidget* parent) : QWidget(parent), m_fillColor(QColor(31, 100, 134))
{
    setAttribute(Qt::WA_OpaquePaintEvent);
}

QColor ViewTopBar::fillColor() const
{
    return m_fillColor;
}

void ViewTopBar::paintEvent(QPaintEvent* event)
{
    QPainter(this).fillRect(event->rect(), m_fillColor);
}
