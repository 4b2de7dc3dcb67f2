#include "review/SetFilesModel.h"

#include "platform/PathText.h"

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

SetFilesModel::SetFilesModel(QObject* parent) : QAbstractTableModel(parent) {}

void SetFilesModel::setSet(const SetPtr& set, int groupNumber)
{
    beginResetModel();
    m_set = set;
    m_groupNumber = groupNumber;
    sortRows();
    endResetModel();
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
    for (qsizetype i = 0; i < m_rows.size(); ++i) {
        m_rows.at(i)->setIndex(quint64(i));
    }
}

FilePtr SetFilesModel::fileAt(int row) const
{
    return row >= 0 && row < m_rows.size() ? m_rows.at(row) : FilePtr();
}

void SetFilesModel::refresh()
{
    if (!m_rows.isEmpty()) {
        Q_EMIT dataChanged(index(0, 0), index(int(m_rows.size()) - 1, ButtonCell));
    }
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
        return role == Qt::CheckStateRole ? QVariant(file->state() == 1 ? Qt::Checked : Qt::Unchecked)
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
        return QStringLiteral("%1").arg(m_groupNumber);
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
