#include "ui/ViewTransparent.h"

#include <QMouseEvent>
#include <QWheelEvent>

ViewTransparent::ViewTransparent(QWidget* parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("viewTransparent"));
    setGeometry(0, 0, parent->width(), parent->height());
    setAttribute(Qt::WA_NoSystemBackground);
    show();
    raise();
}

void ViewTransparent::removeAll(QWidget* window)
{
    for (ViewTransparent* cover : window->findChildren<ViewTransparent*>(Qt::FindDirectChildrenOnly)) {
        cover->hide();
        cover->deleteLater();
        cover->setParent(nullptr);
    }
}

void ViewTransparent::removeFirst(QWidget* window)
{
    if (auto* cover = window->findChild<ViewTransparent*>(QString(), Qt::FindDirectChildrenOnly)) {
        cover->hide();
        cover->setParent(nullptr);
        cover->deleteLater();
    }
}

void ViewTransparent::mousePressEvent(QMouseEvent* event)
{
    event->accept();
}

void ViewTransparent::mouseReleaseEvent(QMouseEvent* event)
{
    event->accept();
}

void ViewTransparent::mouseDoubleClickEvent(QMouseEvent* event)
{
    event->accept();
}

void ViewTransparent::wheelEvent(QWheelEvent* event)
{
    event->accept();
}
