#include "review/SetFilesModel.h"

#include "platform/PathText.h"
#include "review/ResultStore.h"

#include <algorithm>

namespace {
// Strict weak order on one key; ties stay in stored order (stable sort).
bool lessBy(SetFilesModel::SortKey key, const File& a, const File& b)
{
    switch (key) {
    case SetFilesModel::SortKey::Name: {
        const QByteArray la = PathText::toLower(a.fileName());
        const QByteArray lb = PathText::toLower(b.fileName());
        return la != lb ? la < lb : a.fileName() < b.fileName();
    }
    case SetFilesModel::SortKey::CreatedDate:
        return a.creationNs() < b.creationNs();
    case SetFilesModel::SortKey::ModifiedDate:
        return a.modificationNs() < b.modificationNs();
    case SetFilesModel::SortKey::Size:
    case SetFilesModel::SortKey::Dimension:
        break;
    }
    return a.fileSize() < b.fileSize();
}

QByteArray folderOf(const File& file)
{
    // The path without its last component; the root folder stays "/".
    QByteArray folder = file.folder();
    if (folder.size() > 1 && folder.endsWith('/')) {
        folder.chop(1);
    }
    return folder;
}
} // namespace

SetFilesModel::SetFilesModel(ResultStore* store, QObject* parent)
    : QAbstractTableModel(parent), m_store(store)
{
    connect(store, &ResultStore::aboutToReset, this, [this] {
        beginResetModel();
        m_set.reset();
        m_group = m_setRow = -1;
        m_rows.clear();
    });
    connect(store, &ResultStore::reset, this, &SetFilesModel::endResetModel);
    connect(store, &ResultStore::fileMarksChanged, this, [this](int group, int first, int last) {
        if (showsAnyOf(group, first, last) && !m_rows.isEmpty()) {
            Q_EMIT dataChanged(index(0, ButtonCell), index(int(m_rows.size()) - 1, ButtonCell));
        }
    });
    connect(store, &ResultStore::fileMarkChanged, this, [this](int group, int set, const FilePtr& file) {
        if (showsAnyOf(group, set, set)) {
            if (const qsizetype row = m_rows.indexOf(file); row >= 0) {
                Q_EMIT dataChanged(index(int(row), ButtonCell), index(int(row), ButtonCell));
            }
        }
    });
    connect(store, &ResultStore::filesRemoved, this, &SetFilesModel::onFilesRemoved);
}

bool SetFilesModel::showsAnyOf(int group, int first, int last) const
{
    return m_set && group == m_group && m_setRow >= first && m_setRow <= last;
}

void SetFilesModel::showSet(int group, int set)
{
    beginResetModel();
    m_set = m_store->setAt(group, set);
    m_group = m_set ? group : -1;
    m_setRow = m_set ? set : -1;
    sortRows();
    endResetModel();
}

void SetFilesModel::onFilesRemoved(int group, int first, int last)
{
    if (!showsAnyOf(group, first, last)) {
        return;
    }
    const QList<FilePtr>& kept = m_set->files();
    // From the bottom, one run of neighbouring rows at a time.
    qsizetype row = m_rows.size() - 1;
    qsizetype lowest = m_rows.size();
    while (row >= 0) {
        if (kept.contains(m_rows.at(row))) {
            --row;
            continue;
        }
        qsizetype top = row;
        while (top > 0 && !kept.contains(m_rows.at(top - 1))) {
            --top;
        }
        beginRemoveRows({}, int(top), int(row));
        m_rows.remove(top, row - top + 1);
        endRemoveRows();
        lowest = top;
        row = top - 1;
    }
    numberRows(lowest);
}

void SetFilesModel::numberRows(qsizetype from)
{
    for (qsizetype i = from; i < m_rows.size(); ++i) {
        m_rows.at(i)->setIndex(quint64(i));
    }
}

void SetFilesModel::setSortOrder(SortKey key, bool ascending)
{
    beginResetModel();
    m_key = key;
    m_ascending = ascending;
    sortRows();
    endResetModel();
}

void SetFilesModel::sortRows()
{
    m_rows.clear();
    if (!m_set) {
        return;
    }
    m_rows = m_set->files();
    const SortKey key = m_key;
    if (m_ascending) {
        std::stable_sort(m_rows.begin(), m_rows.end(),
                         [key](const FilePtr& a, const FilePtr& b) { return lessBy(key, *a, *b); });
    } else {
        std::stable_sort(m_rows.begin(), m_rows.end(),
                         [key](const FilePtr& a, const FilePtr& b) { return lessBy(key, *b, *a); });
    }
    numberRows(0);
}

FilePtr SetFilesModel::fileAt(int row) const
{
    return row >= 0 && row < m_rows.size() ? m_rows.at(row) : FilePtr();
}

int SetFilesModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : int(m_rows.size());
}

int SetFilesModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : 4;
}

QVariant SetFilesModel::data(const QModelIndex& index, int role) const
{
    const FilePtr file = index.isValid() ? fileAt(index.row()) : FilePtr();
    if (!file) {
        return {};
    }
    if (role == FileRole) {
        return QVariant::fromValue(file.data());
    }
    if (role == PathRole) {
        return file->filePath();
    }
    if (index.column() == ButtonCell) {
        return role == Qt::CheckStateRole
                   ? QVariant(file->state() == MarkState::Marked ? Qt::Checked : Qt::Unchecked)
                   : QVariant();
    }
    if (role != Qt::DisplayRole && role != Qt::ToolTipRole && role != Qt::AccessibleTextRole) {
        return {};
    }
    switch (index.column()) {
    case NameText:
        return PathText::display(file->fileName());
    case FileLocation:
        return PathText::display(folderOf(*file));
    case FileGroup:
        return QStringLiteral("%1").arg(groupNumber());
    default:
        return {};
    }
}

bool SetFilesModel::setData(const QModelIndex& index, const QVariant&, int role)
{
    if (role != Qt::CheckStateRole || index.column() != ButtonCell || !fileAt(index.row())) {
        return false;
    }
    Q_EMIT checkNotif(index.row());
    return true;
}

Qt::ItemFlags SetFilesModel::flags(const QModelIndex& index) const
{
    if (!index.isValid()) {
        return Qt::NoItemFlags;
    }
    Qt::ItemFlags f = Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemNeverHasChildren;
    if (index.column() == ButtonCell) {
        f |= Qt::ItemIsUserCheckable;
    }
    return f;
}

QVariant SetFilesModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole) {
        return {};
    }
    switch (section) {
    case NameText:
        return tr("Name");
    case FileLocation:
        return tr("Location");
    case FileGroup:
        return tr("Set");
    default:
        return QString();
    }
}
