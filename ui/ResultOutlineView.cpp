#include "ui/ResultOutlineView.h"

#include <QHeaderView>

ResultOutlineView::ResultOutlineView(QWidget* parent) : QTreeView(parent)
{
    // Every row is one line high: lets the view skip measuring 100,000 rows.
    setUniformRowHeights(true);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setRootIsDecorated(true);
    setItemsExpandable(true);
}

QItemSelectionModel::SelectionFlags ResultOutlineView::selectionCommand(const QModelIndex& index,
                                                                        const QEvent* event) const
{
    if (!index.isValid() || !index.parent().isValid()) {
        return QItemSelectionModel::NoUpdate;
    }
    return QTreeView::selectionCommand(index, event);
}
