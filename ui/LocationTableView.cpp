#include "ui/LocationTableView.h"

#include <QDragEnterEvent>
#include <QDragMoveEvent>
#include <QDropEvent>

namespace {

bool proposesMove(const QDropEvent* event)
{
    return event->proposedAction() == Qt::MoveAction || event->dropAction() == Qt::MoveAction;
}

// Lets `handle` judge the same event offering a copy instead of a move,
// then answers the source with a copy. A source that offers nothing but a
// move still gets its paths listed, and hears that nothing was done to its
// files (no action), so it deletes nothing.
template <typename Event, typename Handler> void asCopy(Event* event, Handler handle)
{
    if (!proposesMove(event)) {
        handle(event);
        return;
    }
    const bool copyOffered = event->possibleActions() & Qt::CopyAction;
    Event safe(event->position().toPoint(), (event->possibleActions() & ~Qt::MoveAction) | Qt::CopyAction,
               event->mimeData(), event->buttons(), event->modifiers());
    safe.setDropAction(Qt::CopyAction);
    handle(&safe);
    if (copyOffered) {
        event->setDropAction(Qt::CopyAction);
    } else if (event->type() == QEvent::Drop) {
        event->setDropAction(Qt::IgnoreAction);
    }
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
