#include "ui/CheckCellAccessible.h"

#include "ui/CheckCellHost.h"

#include <QAbstractItemView>

CheckCellAccessible::CheckCellAccessible(const CheckCellHost* table, int row, int column)
    : m_table(table), m_row(row), m_column(column)
{
}

QAccessibleInterface* CheckCellAccessible::inner() const
{
    return m_table->innerCell(m_row, m_column);
}

bool CheckCellAccessible::isValid() const
{
    const QAccessibleInterface* cell = inner();
    return cell && cell->isValid();
}

QObject* CheckCellAccessible::object() const
{
    return nullptr;
}

QAccessibleInterface* CheckCellAccessible::parent() const
{
    return m_table->hostInterface();
}

QString CheckCellAccessible::text(QAccessible::Text t) const
{
    const QAccessibleInterface* cell = inner();
    QString text = cell ? cell->text(t) : QString();
    if (t == QAccessible::Name && text.isEmpty()) {
        text = m_table->indexAt(m_row, m_column).data(Qt::AccessibleTextRole).toString();
    }
    return text;
}

QRect CheckCellAccessible::rect() const
{
    const QAccessibleInterface* cell = inner();
    return cell ? cell->rect() : QRect();
}

QAccessible::Role CheckCellAccessible::role() const
{
    return QAccessible::CheckBox;
}

QAccessible::State CheckCellAccessible::state() const
{
    const QAccessibleInterface* cell = inner();
    QAccessible::State state = cell ? cell->state() : QAccessible::State();
    const QModelIndex index = m_table->indexAt(m_row, m_column);
    state.checkable = (index.flags() & Qt::ItemIsUserCheckable) != 0;
    state.checked = index.data(Qt::CheckStateRole).value<Qt::CheckState>() == Qt::Checked;
    state.disabled = !(index.flags() & Qt::ItemIsEnabled);
    return state;
}

void* CheckCellAccessible::interface_cast(QAccessible::InterfaceType type)
{
    if (type == QAccessible::TableCellInterface) {
        return static_cast<QAccessibleTableCellInterface*>(this);
    }
    if (type == QAccessible::ActionInterface) {
        return static_cast<QAccessibleActionInterface*>(this);
    }
    return nullptr;
}

bool CheckCellAccessible::isSelected() const
{
    const QAccessibleInterface* cell = inner();
    return cell && cell->state().selected;
}

QList<QAccessibleInterface*> CheckCellAccessible::columnHeaderCells() const
{
    QAccessibleInterface* cell = inner();
    return cell && cell->tableCellInterface() ? cell->tableCellInterface()->columnHeaderCells()
                                              : QList<QAccessibleInterface*>();
}

QList<QAccessibleInterface*> CheckCellAccessible::rowHeaderCells() const
{
    QAccessibleInterface* cell = inner();
    return cell && cell->tableCellInterface() ? cell->tableCellInterface()->rowHeaderCells()
                                              : QList<QAccessibleInterface*>();
}

QAccessibleInterface* CheckCellAccessible::table() const
{
    return m_table->hostInterface();
}

QStringList CheckCellAccessible::actionNames() const
{
    return {toggleAction()};
}

void CheckCellAccessible::doAction(const QString& actionName)
{
    if (actionName != toggleAction()) {
        return;
    }
    const QModelIndex index = m_table->indexAt(m_row, m_column);
    QAbstractItemView* view = m_table->view();
    if (!view || !index.isValid() || !(index.flags() & Qt::ItemIsUserCheckable) ||
        !(index.flags() & Qt::ItemIsEnabled)) {
        return;
    }
    // The model decides, as it does for a click or the space bar.
    const bool on = index.data(Qt::CheckStateRole).value<Qt::CheckState>() == Qt::Checked;
    view->model()->setData(index, on ? Qt::Unchecked : Qt::Checked, Qt::CheckStateRole);
}

QStringList CheckCellAccessible::keyBindingsForAction(const QString& actionName) const
{
    return actionName == toggleAction() ? QStringList{QStringLiteral("Space")} : QStringList();
}
