#pragma once

#include "scan/Set.h"

#include <QAbstractTableModel>

class ResultStore;

// The file table over one set of the store's tree on show. Rows follow the
// chosen sort key and order; the set's stored file order is left alone and
// each file's index() is set to its row, so a click on row i means the file
// whose index() is i. It follows the store's announcements.
class SetFilesModel : public QAbstractTableModel
{
    Q_OBJECT
public:
    enum Column
    {
        NameText = 0,
        FileLocation = 1,
        FileGroup = 2,
        ButtonCell = 3
    };
    enum Role
    {
        FileRole = Qt::UserRole + 1, // File*, valid while the set holds the file
        PathRole,                    // QByteArray, exact bytes
    };
    enum class SortKey
    {
        Size,
        Name,
        CreatedDate,
        ModifiedDate,
        // The files of a set share their bytes, so their size and pixel
        // dimensions agree: both keys leave the stored order.
        Dimension
    };

    explicit SetFilesModel(ResultStore* store, QObject* parent = nullptr);

    // Shows set `set` of group `group` of the tree on show, or none.
    void showSet(int group, int set);
    const SetPtr& set() const { return m_set; }
    int groupRow() const { return m_group; }
    int setRow() const { return m_setRow; }
    // The set's place under its group, from 1.
    int groupNumber() const { return m_setRow + 1; }

    void setSortOrder(SortKey key, bool ascending);
    SortKey sortKey() const { return m_key; }
    bool ascending() const { return m_ascending; }

    FilePtr fileAt(int row) const;

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    // The file's box only asks (checkNotif); the marking rule decides.
    bool setData(const QModelIndex& index, const QVariant& value, int role = Qt::EditRole) override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

Q_SIGNALS:
    // A click on the box of the file shown in row `indexOfButton`.
    void checkNotif(qint64 indexOfButton);

private:
    void sortRows();
    void numberRows(qsizetype from);
    bool showsAnyOf(int group, int first, int last) const;
    void onFilesRemoved(int group, int first, int last);

    ResultStore* m_store;
    SetPtr m_set;
    int m_group = -1;
    int m_setRow = -1;
    SortKey m_key = SortKey::Size;
    bool m_ascending = true;
    // The set's files in display order; rebuilt on every set or sort change.
    QList<FilePtr> m_rows;
};
