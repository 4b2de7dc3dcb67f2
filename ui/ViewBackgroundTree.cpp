#include "ui/ViewBackgroundTree.h"

#include <QPaintEvent>
#include <QPainter>

ViewBackgroundTree::ViewBackgroundTree(QWidget* parent) : QWidget(parent)
{
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void ViewBackgroundTree::paintEvent(QPaintEvent* event)
{
    QPainter(this).fillRect(event->rect(), QColor(0, 155, 178));
}
