#include "review/ResultOutlineModel.h"

#include "platform/PathText.h"
#include "review/ReferenceMarking.h"

// A set row's internal id is its group's row + 1; group rows carry 0. No
// pointers into the tree are kept, so a reset tree leaves nothing dangling.

namespace {
Qt::CheckState checkStateOf(qint64 state)
{
    if (state == 1) {
        return Qt::Checked;
    }
    return state == -1 ? Qt::PartiallyChecked : Qt::Unchecked;
}
} // namespace

ResultOutlineModel::ResultOutlineModel(QObject* parent) : QAbstractItemModel(parent) {}

void ResultOutlineModel::setTree(const ModalPtr& modal)
{
    beginResetModel();
    m_modal = modal;
    endResetModel();
}

ExtensionsPtr ResultOutlineModel::extensionAt(const QModelIndex& index) const
{
    if (!m_modal || !index.isValid() || index.model() != this) {
        return {};
    }
    const qsizetype groupRow = index.internalId() == 0 ? index.row() : qsizetype(index.internalId() - 1);
    const QList<ExtensionsPtr>& groups = m_modal->extensions();
    return groupRow < groups.size() ? groups.at(groupRow) : ExtensionsPtr();
}

SetPtr ResultOutlineModel::setAt(const QModelIndex& index) const
{
    if (!isSetRow(index)) {
        return {};
    }
    const ExtensionsPtr group = extensionAt(index);
    if (!group || index.row() >= group->sets().size()) {
        return {};
    }
    return group->sets().at(index.row());
}

bool ResultOutlineModel::isSetRow(const QModelIndex& index) const
{
    return index.isValid() && index.model() == this && index.internalId() != 0;
}

void ResultOutlineModel::refresh()
{
    if (!m_modal) {
        return;
    }
    for (int g = 0; g < m_modal->extensions().size(); ++g) {
        emitGroupChanged(g);
    }
}

void ResultOutlineModel::emitGroupChanged(int groupRow)
{
    const QModelIndex group = index(groupRow, Name);
    Q_EMIT dataChanged(group, index(groupRow, Check));
    const int sets = rowCount(group);
    if (sets > 0) {
        Q_EMIT dataChanged(index(0, Name, group), index(sets - 1, Check, group));
    }
}

QModelIndex ResultOutlineModel::index(int row, int column, const QModelIndex& parent) const
{
    if (!hasIndex(row, column, parent)) {
        return {};
    }
    if (!parent.isValid()) {
        return createIndex(row, column, quintptr(0));
    }
    return createIndex(row, column, quintptr(parent.row()) + 1);
}

QModelIndex ResultOutlineModel::parent(const QModelIndex& child) const
{
    if (!child.isValid() || child.internalId() == 0) {
        return {};
    }
    return createIndex(int(child.internalId() - 1), Name, quintptr(0));
}

int ResultOutlineModel::rowCount(const QModelIndex& parent) const
{
    if (!m_modal) {
        return 0;
    }
    if (!parent.isValid()) {
        return int(m_modal->extensions().size());
    }
    // Only a group's first column has children; sets have none.
    if (parent.internalId() != 0 || parent.column() != Name) {
        return 0;
    }
    const ExtensionsPtr group = extensionAt(parent);
    return group ? int(group->sets().size()) : 0;
}

int ResultOutlineModel::columnCount(const QModelIndex&) const
{
    return 2;
}

QVariant ResultOutlineModel::data(const QModelIndex& index, int role) const
{
    const ExtensionsPtr group = extensionAt(index);
    if (!group) {
        return {};
    }
    const SetPtr set = setAt(index);
    if (isSetRow(index) && !set) {
        return {};
    }
    if (index.column() == Check) {
        if (role == Qt::CheckStateRole) {
            return checkStateOf(set ? set->setsState() : group->extensionState());
        }
        return {};
    }
    if (role == Qt::DisplayRole || role == Qt::AccessibleTextRole) {
        return set ? set->nameOfSet() : PathText::display(group->name());
    }
    return {};
}

bool ResultOutlineModel::setData(const QModelIndex& index, const QVariant&, int role)
{
    if (role != Qt::CheckStateRole || index.column() != Check) {
        return false;
    }
    const ExtensionsPtr group = extensionAt(index);
    if (!group) {
        return false;
    }
    if (isSetRow(index)) {
        const SetPtr set = setAt(index);
        if (!set) {
            return false;
        }
        if (m_references.isEmpty()) {
            m_modal->changeStateOfExtension(group, set);
        } else {
            ReferenceMarking::setBox(*m_modal, group, set, m_references);
        }
    } else if (m_references.isEmpty()) {
        m_modal->changeStateOfExtension(group);
    } else {
        ReferenceMarking::groupBox(*m_modal, group, m_references);
    }
    emitGroupChanged(isSetRow(index) ? int(index.internalId() - 1) : index.row());
    Q_EMIT marksChanged();
    return true;
}

Qt::ItemFlags ResultOutlineModel::flags(const QModelIndex& index) const
{
    if (!index.isValid()) {
        return Qt::NoItemFlags;
    }
    Qt::ItemFlags f = Qt::ItemIsEnabled | Qt::ItemIsSelectable;
    if (isSetRow(index)) {
        f |= Qt::ItemNeverHasChildren;
    }
    if (index.column() == Check) {
        // Not user-tristate: a click only asks the tree to change; the mixed
        // state is never chosen by the user.
        f |= Qt::ItemIsUserCheckable;
    }
    return f;
}

QVariant ResultOutlineModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole) {
        return {};
    }
    return section == Name ? tr("Name") : QString();
}
