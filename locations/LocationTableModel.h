#pragma once

#include <QAbstractTableModel>

class LocationList;

// The location table over a LocationList: column "MainCell" shows the entry,
// column "buttonCell" its check box. Accepts drops of text/uri-list.
class LocationTableModel : public QAbstractTableModel
{
    Q_OBJECT
public:
    enum Column
    {
        MainCell = 0,
        ButtonCell = 1
    };
    enum Role
    {
        PathRole = Qt::UserRole + 1, // QByteArray, exact bytes
        LastComponentRole,           // QString for display
        SizeTextRole,                // QString
        ImageNameRole,               // QString, resource name or empty
        FolderRole,                  // bool
        ReferenceRole,               // bool: a reference location (its files are kept)
    };

    // Follows `list`'s announced changes; the list outlives the model.
    explicit LocationTableModel(LocationList* list, QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    bool setData(const QModelIndex& index, const QVariant& value, int role = Qt::EditRole) override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
    void setHeaderTitle(const QString& title);

    QStringList mimeTypes() const override;
    Qt::DropActions supportedDropActions() const override;
    bool canDropMimeData(const QMimeData* data, Qt::DropAction action, int row, int column,
                         const QModelIndex& parent) const override;
    bool dropMimeData(const QMimeData* data, Qt::DropAction action, int row, int column,
                      const QModelIndex& parent) override;

Q_SIGNALS:
    // A check box or drop changed the list: the page re-evaluates its buttons.
    void listChanged();
    // A row's check box was clicked (the page selects that row alone).
    void rowChecked(int row);
    // A drop added nothing; show this notice (may be empty).
    void dropRefused(const QString& notice);

private:
    LocationList* m_list;
    QString m_headerTitle;
};
