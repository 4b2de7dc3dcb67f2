#include "locations/LocationTableModel.h"

#include "locations/LocationList.h"
#include "platform/PathText.h"
#include "platform/UriList.h"

#include <QMimeData>

namespace {
const QString UriListType = QStringLiteral("text/uri-list");
}

LocationTableModel::LocationTableModel(LocationList* list, QObject* parent)
    : QAbstractTableModel(parent), m_list(list)
{
    // The rows follow the list as it announces its changes.
    connect(list, &LocationList::entriesAboutToBeInserted, this,
            [this](int first, int last) { beginInsertRows({}, first, last); });
    connect(list, &LocationList::entriesInserted, this, [this] { endInsertRows(); });
    connect(list, &LocationList::entriesAboutToBeRemoved, this,
            [this](int first, int last) { beginRemoveRows({}, first, last); });
    connect(list, &LocationList::entriesRemoved, this, [this] { endRemoveRows(); });
    connect(list, &LocationList::entriesAboutToBeReset, this, [this] { beginResetModel(); });
    connect(list, &LocationList::entriesReset, this, [this] { endResetModel(); });
    connect(list, &LocationList::entriesChanged, this, [this](int first, int last) {
        Q_EMIT dataChanged(index(first, ButtonCell), index(last, ButtonCell), {Qt::CheckStateRole});
    });
}

int LocationTableModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : static_cast<int>(m_list->entries().size());
}

int LocationTableModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : 2;
}

QVariant LocationTableModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || index.row() >= m_list->entries().size()) {
        return {};
    }
    const LocationEntry& entry = m_list->entries().at(index.row());
    if (index.column() == ButtonCell) {
        if (role == Qt::CheckStateRole) {
            return entry.state ? Qt::Checked : Qt::Unchecked;
        }
        if (role == Qt::AccessibleTextRole) {
            return tr("Scan %1").arg(PathText::display(entry.name));
        }
        return {};
    }
    switch (role) {
    case Qt::DisplayRole:
    case Qt::ToolTipRole:
        return PathText::display(entry.name);
    case Qt::AccessibleTextRole:
        return entry.reference ? tr("%1, reference").arg(PathText::display(entry.name))
                               : PathText::display(entry.name);
    case PathRole:
        return entry.name;
    case LastComponentRole: {
        QByteArray name = entry.name;
        while (name.size() > 1 && name.endsWith('/')) {
            name.chop(1);
        }
        const qsizetype slash = name.lastIndexOf('/');
        return PathText::display(name == "/" ? name : name.mid(slash + 1));
    }
    case SizeTextRole:
        return entry.size;
    case ImageNameRole:
        return entry.image;
    case FolderRole:
        return entry.folder;
    case ReferenceRole:
        return entry.reference;
    default:
        return {};
    }
}

bool LocationTableModel::setData(const QModelIndex& index, const QVariant& value, int role)
{
    if (!index.isValid() || index.column() != ButtonCell || role != Qt::CheckStateRole ||
        index.row() >= m_list->entries().size()) {
        return false;
    }
    const bool on = value.value<Qt::CheckState>() == Qt::Checked;
    m_list->checkButtonExactFirstpage(index.row(), on);
    Q_EMIT rowChecked(index.row());
    Q_EMIT listChanged();
    return true;
}

Qt::ItemFlags LocationTableModel::flags(const QModelIndex& index) const
{
    if (!index.isValid()) {
        return Qt::ItemIsDropEnabled;
    }
    Qt::ItemFlags f = Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsDropEnabled;
    if (index.column() == ButtonCell) {
        f |= Qt::ItemIsUserCheckable;
    }
    return f;
}

QVariant LocationTableModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole) {
        return {};
    }
    return section == MainCell ? m_headerTitle : QString();
}

void LocationTableModel::setHeaderTitle(const QString& title)
{
    m_headerTitle = title;
    Q_EMIT headerDataChanged(Qt::Horizontal, MainCell, MainCell);
}

QStringList LocationTableModel::mimeTypes() const
{
    return {UriListType};
}

Qt::DropActions LocationTableModel::supportedDropActions() const
{
    // Never a move: the files stay where the file manager has them.
    return Qt::CopyAction | Qt::LinkAction;
}

bool LocationTableModel::canDropMimeData(const QMimeData* data, Qt::DropAction, int, int,
                                         const QModelIndex&) const
{
    return data && data->hasFormat(UriListType);
}

bool LocationTableModel::dropMimeData(const QMimeData* data, Qt::DropAction action, int row, int,
                                      const QModelIndex& parent)
{
    if (!data || action == Qt::IgnoreAction || !data->hasFormat(UriListType)) {
        return false;
    }
    // Dropped on a row: insert there; between rows: at that gap; below: at the end.
    int at = row;
    if (at < 0) {
        at = parent.isValid() ? parent.row() : rowCount();
    }
    const QByteArrayList paths = UriList::localPaths(data->data(UriListType));
    LocationList::Notice notice = LocationList::Notice::None;
    const bool added = m_list->acceptDrop(paths, at, &notice);
    if (added) {
        Q_EMIT listChanged();
    } else {
        Q_EMIT dropRefused(LocationList::noticeText(notice));
    }
    return added;
}
