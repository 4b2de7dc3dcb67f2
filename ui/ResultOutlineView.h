#pragma once

#include <QTreeView>

// The result outline: groups at the top level, their sets beneath. Only a
// set row can become the selection, by mouse or keyboard; a click on a group
// row leaves the selected set as it was.
class ResultOutlineView : public QTreeView
{
    Q_OBJECT
public:
    explicit ResultOutlineView(QWidget* parent = nullptr);

protected:
    QItemSelectionModel::SelectionFlags selectionCommand(const QModelIndex& index,
                                                         const QEvent* event = nullptr) const override;
};
