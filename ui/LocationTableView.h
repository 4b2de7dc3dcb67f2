#pragma once

#include <QTableView>

// The location table. A drop that proposes a move is taken as a copy when
// the source allows one: the page only lists paths, and accepting a move
// would tell the file manager to delete its files.
class LocationTableView : public QTableView
{
    Q_OBJECT
public:
    using QTableView::QTableView;

protected:
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dropEvent(QDropEvent* event) override;
};
