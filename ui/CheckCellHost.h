#pragma once

#include <QModelIndex>

class QAbstractItemView;
class QAccessibleInterface;

// What a check box cell's accessible face asks of the table face it sits
// in, so the cell needs no knowledge of that table's class.
class CheckCellHost
{
public:
    virtual ~CheckCellHost() = default;

    // The table face itself: the cell's parent.
    virtual QAccessibleInterface* hostInterface() const = 0;
    // The model index of the cell at (row, column) as the accessible table counts them.
    virtual QModelIndex indexAt(int row, int column) const = 0;
    // Qt's own face of that cell.
    virtual QAccessibleInterface* innerCell(int row, int column) const = 0;
    virtual QAbstractItemView* view() const = 0;
};
