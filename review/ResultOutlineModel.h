#pragma once

#include "scan/Modal.h"
#include "scan/ReferenceRoots.h"

#include <QAbstractItemModel>

class ResultStore;

// The result outline over the store's tree on show, read in place: top rows
// are the extension groups, their children the sets. Column Name shows the
// group's extension or the set's name, column Check the three-state mark
// box. It follows the store's announcements; a box asks the store.
class ResultOutlineModel : public QAbstractItemModel
{
    Q_OBJECT
public:
    enum Column
    {
        Name = 0,
        Check = 1
    };

    explicit ResultOutlineModel(ResultStore* store, QObject* parent = nullptr);

    const ModalPtr& tree() const;
    // The scan's reference locations: the boxes never mark a file inside one.
    void setReferences(const ReferenceRoots& references) { m_references = references; }

    // Null unless `index` is a group row, or a set row (then its group).
    ExtensionsPtr extensionAt(const QModelIndex& index) const;
    // Null unless `index` is a set row.
    SetPtr setAt(const QModelIndex& index) const;
    bool isSetRow(const QModelIndex& index) const;
    // The row of a set, from its group's row and its place there.
    QModelIndex setIndex(int group, int set, int column = Name) const;

    QModelIndex index(int row, int column, const QModelIndex& parent = {}) const override;
    QModelIndex parent(const QModelIndex& child) const override;
    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    // Check column only; the value is ignored: the tree decides the next state.
    bool setData(const QModelIndex& index, const QVariant& value, int role = Qt::EditRole) override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

Q_SIGNALS:
    // A check box changed marks through the store.
    void marksChanged();

private:
    void onSetsChanged(int group, int first, int last);
    ReferenceRoots m_references;

    ResultStore* m_store;
};
