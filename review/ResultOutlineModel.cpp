#include "review/ResultOutlineModel.h"

#include "platform/PathText.h"
#include "review/ResultStore.h"

// A set row's internal id is its group's row + 1; group rows carry 0. No
// pointers into the tree are kept, so a reset tree leaves nothing dangling.

namespace {
Qt::CheckState checkStateOf(MarkState state)
{
    if (state == MarkState::Marked) {
        return Qt::Checked;
    }
    return state == MarkState::Mixed ? Qt::PartiallyChecked : Qt::Unchecked;
}
} // namespace

ResultOutlineModel::ResultOutlineModel(ResultStore* store, QObject* parent)
    : QAbstractItemModel(parent), m_store(store)
{
    connect(store, &ResultStore::aboutToReset, this, &ResultOutlineModel::beginResetModel);
    connect(store, &ResultStore::reset, this, &ResultOutlineModel::endResetModel);
    connect(store, &ResultStore::groupChanged, this, [this](int group) {
        if (const QModelIndex row = index(group, Name); row.isValid()) {
            Q_EMIT dataChanged(row, row.siblingAtColumn(Check));
        }
    });
    connect(store, &ResultStore::setsChanged, this, &ResultOutlineModel::onSetsChanged);
    // Removal changes a set's name, which the sets' row change covers.
}

const ModalPtr& ResultOutlineModel::tree() const
{
    return m_store->tree();
}

void ResultOutlineModel::onSetsChanged(int group, int first, int last)
{
    const QModelIndex parent = index(group, Name);
    if (parent.isValid() && first <= last) {
        Q_EMIT dataChanged(index(first, Name, parent), index(last, Check, parent));
    }
}

QModelIndex ResultOutlineModel::setIndex(int group, int set, int column) const
{
    return index(set, column, index(group, Name));
}

ExtensionsPtr ResultOutlineModel::extensionAt(const QModelIndex& index) const
{
    if (!index.isValid() || index.model() != this) {
        return {};
    }
    const qsizetype groupRow = index.internalId() == 0 ? index.row() : qsizetype(index.internalId() - 1);
    const QList<ExtensionsPtr>& groups = m_store->tree()->extensions();
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
    if (!parent.isValid()) {
        return int(m_store->tree()->extensions().size());
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
    if (role != Qt::CheckStateRole || index.column() != Check || !extensionAt(index)) {
        return false;
    }
    if (isSetRow(index)) {
        if (!setAt(index)) {
            return false;
        }
        const int group = int(index.internalId() - 1);
        if (m_references.isEmpty()) {
            m_store->changeStateOfSet(group, index.row());
        } else {
            m_store->referenceSetBox(group, index.row(), m_references);
        }
    } else if (m_references.isEmpty()) {
        m_store->changeStateOfGroup(index.row());
    } else {
        m_store->referenceGroupBox(index.row(), m_references);
    }
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
