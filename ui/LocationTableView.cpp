#include "ui/LocationTableView.h"

#include <QDragEnterEvent>
#include <QDragMoveEvent>
#include <QDropEvent>

namespace {

// The same event offering only what is safe; the view judges that one.
template <typename Event> Event withoutMove(const Event* event)
{
    return Event(event->position().toPoint(), event->possibleActions() & ~Qt::MoveAction, event->mimeData(),
                 event->buttons(), event->modifiers());
}

} // namespace

bool LocationTableView::proposesMoveOnly(const QDropEvent* event)
{
    const bool move = event->proposedAction() == Qt::MoveAction || event->dropAction() == Qt::MoveAction;
    return move && (event->possibleActions() & Qt::CopyAction);
}

void LocationTableView::dragEnterEvent(QDragEnterEvent* event)
{
    if (!proposesMoveOnly(event)) {
        QTableView::dragEnterEvent(event);
        return;
    }
    QDragEnterEvent safe = withoutMove(event);
    QTableView::dragEnterEvent(&safe);
    event->setDropAction(Qt::CopyAction);
    event->setAccepted(safe.isAccepted());
}

void LocationTableView::dragMoveEvent(QDragMoveEvent* event)
{
    if (!proposesMoveOnly(event)) {
        QTableView::dragMoveEvent(event);
        return;
    }
    QDragMoveEvent safe = withoutMove(event);
    QTableView::dragMoveEvent(&safe);
    event->setDropAction(Qt::CopyAction);
    event->setAccepted(safe.isAccepted());
}

void LocationTableView::dropEvent(QDropEvent* event)
{
    if (!proposesMoveOnly(event)) {
        QTableView::dropEvent(event);
        return;
    }
    QDropEvent safe = withoutMove(event);
    QTableView::dropEvent(&safe);
    event->setDropAction(Qt::CopyAction);
    event->setAccepted(safe.isAccepted());
}
