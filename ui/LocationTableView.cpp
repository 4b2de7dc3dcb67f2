#include "ui/LocationTableView.h"

#include <QDragEnterEvent>
#include <QDragMoveEvent>
#include <QDropEvent>

namespace {

bool proposesMove(const QDropEvent* event)
{
    const bool move = event->proposedAction() == Qt::MoveAction || event->dropAction() == Qt::MoveAction;
    return move && (event->possibleActions() & Qt::CopyAction);
}

// Lets `handle` judge the same event offering no move, then answers the
// source with a copy.
template <typename Event, typename Handler> void asCopy(Event* event, Handler handle)
{
    if (!proposesMove(event)) {
        handle(event);
        return;
    }
    Event safe(event->position().toPoint(), event->possibleActions() & ~Qt::MoveAction, event->mimeData(),
               event->buttons(), event->modifiers());
    handle(&safe);
    event->setDropAction(Qt::CopyAction);
    event->setAccepted(safe.isAccepted());
}

} // namespace

void LocationTableView::dragEnterEvent(QDragEnterEvent* event)
{
    asCopy(event, [this](QDragEnterEvent* e) { QTableView::dragEnterEvent(e); });
}

void LocationTableView::dragMoveEvent(QDragMoveEvent* event)
{
    asCopy(event, [this](QDragMoveEvent* e) { QTableView::dragMoveEvent(e); });
}

void LocationTableView::dropEvent(QDropEvent* event)
{
    asCopy(event, [this](QDropEvent* e) { QTableView::dropEvent(e); });
}
