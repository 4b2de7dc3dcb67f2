#pragma once

#include "ui/CheckCellHost.h"

#include <QAccessibleInterface>
#include <QHash>
#include <QPointer>

class QAbstractItemView;
class CheckCellAccessible;

// The accessible face of an item view whose rows carry a check box column.
// Qt's own face of a view answers the Toggle action of a cell by selecting
// the row, so a screen reader cannot tick a box. This face keeps Qt's for
// everything else and gives the box cells a Toggle that asks the model to
// change the mark, by the same rule as a click.
class CheckToggleAccessible : public QAccessibleInterface,
                              public QAccessibleTableInterface,
                              public CheckCellHost
{
public:
    // `view` gets this face; `column` holds its boxes.
    static void install(QAbstractItemView* view, int column);

    CheckToggleAccessible(QAbstractItemView* view, QAccessibleInterface* inner, int column);
    ~CheckToggleAccessible() override;

    // CheckCellHost
    QAccessibleInterface* hostInterface() const override { return const_cast<CheckToggleAccessible*>(this); }
    QModelIndex indexAt(int row, int column) const override;
    QAccessibleInterface* innerCell(int row, int column) const override;
    QAbstractItemView* view() const override { return m_view; }

    // QAccessibleInterface
    bool isValid() const override;
    QObject* object() const override;
    QWindow* window() const override;
    QAccessibleInterface* focusChild() const override;
    QAccessibleInterface* childAt(int x, int y) const override;
    QAccessibleInterface* parent() const override;
    QAccessibleInterface* child(int index) const override;
    int childCount() const override;
    int indexOfChild(const QAccessibleInterface* child) const override;
    QString text(QAccessible::Text t) const override;
    void setText(QAccessible::Text t, const QString& text) override;
    QRect rect() const override;
    QAccessible::Role role() const override;
    QAccessible::State state() const override;
    void* interface_cast(QAccessible::InterfaceType type) override;

    // QAccessibleTableInterface
    QAccessibleInterface* caption() const override;
    QAccessibleInterface* summary() const override;
    QString columnDescription(int column) const override;
    QString rowDescription(int row) const override;
    int columnCount() const override;
    int rowCount() const override;
    int selectedCellCount() const override;
    int selectedColumnCount() const override;
    int selectedRowCount() const override;
    QAccessibleInterface* cellAt(int row, int column) const override;
    QList<QAccessibleInterface*> selectedCells() const override;
    QList<int> selectedColumns() const override;
    QList<int> selectedRows() const override;
    bool isColumnSelected(int column) const override;
    bool isRowSelected(int row) const override;
    bool selectRow(int row) override;
    bool selectColumn(int column) override;
    bool unselectRow(int row) override;
    bool unselectColumn(int column) override;
    void modelChange(QAccessibleTableModelChangeEvent* event) override;

private:
    QAccessibleTableInterface* innerTable() const { return m_inner->tableInterface(); }
    // A box cell in its own face; any other cell as Qt made it.
    QAccessibleInterface* wrap(QAccessibleInterface* cell) const;

    QPointer<QAbstractItemView> m_view;
    QAccessibleInterface* m_inner;
    int m_column;
    mutable QHash<quint64, CheckCellAccessible*> m_cells; // by row << 32 | column
};
