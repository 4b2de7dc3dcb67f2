#include "ui/ViewTransparent.h"

#include "ui/ViewTransparentCenter.h"

#include <QMouseEvent>
#include <QPainter>
#include <QStyleOption>
#include <QWheelEvent>

ViewTransparent::ViewTransparent(QWidget* parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("viewTransparent"));
    setGeometry(0, 0, parent->width(), parent->height());
    setAttribute(Qt::WA_NoSystemBackground);
    setMouseTracking(true);
    setFocusPolicy(Qt::ClickFocus);
    auto* center = ViewTransparentCenter::instance();
    center->postAdded(this);
    // Connected after our own announcement, and dropped by Qt when we are destroyed.
    connect(center, &ViewTransparentCenter::viewTransparentAdded, this,
            &ViewTransparent::viewTransparentAddedNote);
    connect(center, &ViewTransparentCenter::viewTransparentRemoved, this,
            &ViewTransparent::viewTransparentRemovedNote);
    show();
    raise();
}

void ViewTransparent::take(ViewTransparent* cover)
{
    cover->postRemovedNotification();
    cover->hide();
    cover->setParent(nullptr);
    cover->deleteLater();
}

void ViewTransparent::removeAll(QWidget* window)
{
    for (ViewTransparent* cover : window->findChildren<ViewTransparent*>(Qt::FindDirectChildrenOnly)) {
        take(cover);
    }
}

void ViewTransparent::removeFirst(QWidget* window)
{
    if (auto* cover = window->findChild<ViewTransparent*>(QString(), Qt::FindDirectChildrenOnly)) {
        take(cover);
    }
}

int ViewTransparent::viewsOverlaidCount() const
{
    return m_viewsOverlaidCount;
}

void ViewTransparent::setviewsOverlaidCount(int count)
{
    if (count == m_viewsOverlaidCount) {
        return;
    }
    m_viewsOverlaidCount = count;
    emit viewsOverlaidCountChanged(count);
}

void ViewTransparent::postRemovedNotification()
{
    ViewTransparentCenter::instance()->postRemoved(this);
}

void ViewTransparent::viewTransparentAddedNote(ViewTransparent* overlay)
{
    if (overlay != this) {
        setviewsOverlaidCount(m_viewsOverlaidCount + 1);
    }
}

void ViewTransparent::viewTransparentRemovedNote(ViewTransparent* overlay)
{
    if (overlay != this) {
        setviewsOverlaidCount(m_viewsOverlaidCount - 1);
    }
}

void ViewTransparent::paintEvent(QPaintEvent*)
{
    // Clear unless a style sheet gives it a background, which then shows at half strength.
    QPainter painter(this);
    painter.setOpacity(0.5);
    QStyleOption option;
    option.initFrom(this);
    style()->drawPrimitive(QStyle::PE_Widget, &option, &painter, this);
}

void ViewTransparent::mousePressEvent(QMouseEvent* event)
{
    event->accept();
}

void ViewTransparent::mouseMoveEvent(QMouseEvent* event)
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

void ViewTransparent::enterEvent(QEnterEvent* event)
{
    event->accept();
}

void ViewTransparent::leaveEvent(QEvent* event)
{
    event->accept();
}

void ViewTransparent::wheelEvent(QWheelEvent* event)
{
    event->accept();
}
