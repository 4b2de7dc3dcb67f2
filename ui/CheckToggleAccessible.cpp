#include "ui/CheckToggleAccessible.h"

#include "ui/CheckCellAccessible.h"

#include <QAbstractItemView>
#include <QTreeView>

namespace {

const char ColumnProperty[] = "accessibleCheckColumn";
bool creatingInner = false;

QAccessibleInterface* factory(const QString&, QObject* object)
{
    auto* view = qobject_cast<QAbstractItemView*>(object);
    if (creatingInner || !view || !view->property(ColumnProperty).isValid()) {
        return nullptr;
    }
    // Qt's own face of the view, made by Qt's factories while ours stands
    // aside; ours then takes its place for the view in Qt's cache (Qt keeps
    // the one it made alive, and ours forwards to it).
    creatingInner = true;
    QAccessibleInterface* inner = QAccessible::queryAccessibleInterface(view);
    creatingInner = false;
    if (!inner || !inner->tableInterface()) {
        return nullptr;
    }
    return new CheckToggleAccessible(view, inner, view->property(ColumnProperty).toInt());
}

} // namespace

void CheckToggleAccessible::install(QAbstractItemView* view, int column)
{
    static const bool installed = [] {
        QAccessible::installFactory(factory);
        return true;
    }();
    Q_UNUSED(installed);
    view->setProperty(ColumnProperty, column);
}

CheckToggleAccessible::CheckToggleAccessible(QAbstractItemView* view, QAccessibleInterface* inner, int column)
    : m_view(view), m_inner(inner), m_column(column)
{
}

CheckToggleAccessible::~CheckToggleAccessible()
{
    for (CheckCellAccessible* cell : std::as_const(m_cells)) {
        QAccessible::deleteAccessibleInterface(QAccessible::uniqueId(cell));
    }
}

QModelIndex CheckToggleAccessible::indexAt(int row, int column) const
{
    if (!m_view || !m_view->model() || row < 0) {
        return {};
    }
    QAbstractItemModel* model = m_view->model();
    if (auto* tree = qobject_cast<QTreeView*>(m_view.data())) {
        // A tree counts its rows as shown: walk down to the row-th one.
        QModelIndex index = model->index(0, 0, tree->rootIndex());
        for (int i = 0; i < row && index.isValid(); ++i) {
            index = tree->indexBelow(index);
        }
        return index.isValid() ? index.siblingAtColumn(column) : QModelIndex();
    }
    return model->index(row, column, m_view->rootIndex());
}

QAccessibleInterface* CheckToggleAccessible::innerCell(int row, int column) const
{
    return m_view && innerTable() ? innerTable()->cellAt(row, column) : nullptr;
}

QAccessibleInterface* CheckToggleAccessible::wrap(QAccessibleInterface* cell) const
{
    QAccessibleTableCellInterface* place = cell ? cell->tableCellInterface() : nullptr;
    if (!place || place->columnIndex() != m_column || place->rowIndex() < 0) {
        return cell;
    }
    const quint64 key = (quint64(place->rowIndex()) << 32) | quint64(place->columnIndex());
    CheckCellAccessible*& wrapped = m_cells[key];
    if (!wrapped) {
        wrapped = new CheckCellAccessible(this, place->rowIndex(), place->columnIndex());
        QAccessible::registerAccessibleInterface(wrapped);
    }
    return wrapped;
}

bool CheckToggleAccessible::isValid() const
{
    return m_view && m_inner->isValid();
}

QObject* CheckToggleAccessible::object() const
{
    return m_view;
}

QWindow* CheckToggleAccessible::window() const
{
    return m_inner->window();
}

QAccessibleInterface* CheckToggleAccessible::focusChild() const
{
    return wrap(m_inner->focusChild());
}

QAccessibleInterface* CheckToggleAccessible::childAt(int x, int y) const
{
    return wrap(m_inner->childAt(x, y));
}

QAccessibleInterface* CheckToggleAccessible::parent() const
{
    return m_inner->parent();
}

QAccessibleInterface* CheckToggleAccessible::child(int index) const
{
    return wrap(m_inner->child(index));
}

int CheckToggleAccessible::childCount() const
{
    return m_inner->childCount();
}

int CheckToggleAccessible::indexOfChild(const QAccessibleInterface* child) const
{
    if (const auto* cell = dynamic_cast<const CheckCellAccessible*>(child)) {
        return m_inner->indexOfChild(innerCell(cell->rowIndex(), cell->columnIndex()));
    }
    return m_inner->indexOfChild(child);
}

QString CheckToggleAccessible::text(QAccessible::Text t) const
{
    return m_inner->text(t);
}

void CheckToggleAccessible::setText(QAccessible::Text t, const QString& text)
{
    m_inner->setText(t, text);
}

QRect CheckToggleAccessible::rect() const
{
    return m_inner->rect();
}

QAccessible::Role CheckToggleAccessible::role() const
{
    return m_inner->role();
}

QAccessible::State CheckToggleAccessible::state() const
{
    return m_inner->state();
}

void* CheckToggleAccessible::interface_cast(QAccessible::InterfaceType type)
{
    if (type == QAccessible::TableInterface) {
        return static_cast<QAccessibleTableInterface*>(this);
    }
    return m_inner->interface_cast(type);
}

QAccessibleInterface* CheckToggleAccessible::caption() const
{
    return innerTable()->caption();
}

QAccessibleInterface* CheckToggleAccessible::summary() const
{
    return innerTable()->summary();
}

QString CheckToggleAccessible::columnDescription(int column) const
{
    return innerTable()->columnDescription(column);
}

QString CheckToggleAccessible::rowDescription(int row) const
{
    return innerTable()->rowDescription(row);
}

int CheckToggleAccessible::columnCount() const
{
    return innerTable()->columnCount();
}

int CheckToggleAccessible::rowCount() const
{
    return innerTable()->rowCount();
}

int CheckToggleAccessible::selectedCellCount() const
{
    return innerTable()->selectedCellCount();
}

int CheckToggleAccessible::selectedColumnCount() const
{
    return innerTable()->selectedColumnCount();
}

int CheckToggleAccessible::selectedRowCount() const
{
    return innerTable()->selectedRowCount();
}

QAccessibleInterface* CheckToggleAccessible::cellAt(int row, int column) const
{
    return wrap(innerTable()->cellAt(row, column));
}

QList<QAccessibleInterface*> CheckToggleAccessible::selectedCells() const
{
    QList<QAccessibleInterface*> cells = innerTable()->selectedCells();
    for (QAccessibleInterface*& cell : cells) {
        cell = wrap(cell);
    }
    return cells;
}

QList<int> CheckToggleAccessible::selectedColumns() const
{
    return innerTable()->selectedColumns();
}

QList<int> CheckToggleAccessible::selectedRows() const
{
    return innerTable()->selectedRows();
}

bool CheckToggleAccessible::isColumnSelected(int column) const
{
    return innerTable()->isColumnSelected(column);
}

bool CheckToggleAccessible::isRowSelected(int row) const
{
    return innerTable()->isRowSelected(row);
}

bool CheckToggleAccessible::selectRow(int row)
{
    return innerTable()->selectRow(row);
}

bool CheckToggleAccessible::selectColumn(int column)
{
    return innerTable()->selectColumn(column);
}

bool CheckToggleAccessible::unselectRow(int row)
{
    return innerTable()->unselectRow(row);
}

bool CheckToggleAccessible::unselectColumn(int column)
{
    return innerTable()->unselectColumn(column);
}

void CheckToggleAccessible::modelChange(QAccessibleTableModelChangeEvent* event)
{
    innerTable()->modelChange(event);
}
