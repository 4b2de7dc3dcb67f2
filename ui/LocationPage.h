#pragma once

#include <QWidget>

namespace Ui {
class LocationPage;
}

class ButtonHoverSimple;
class LocationCellDelegate;
class LocationTableModel;
class QTableView;

// Page "2": the scan location table with its history arrows and the
// commands below it.
class LocationPage : public QWidget
{
    Q_OBJECT
public:
    explicit LocationPage(QWidget* parent = nullptr);
    ~LocationPage() override;

    // Shows `model` in the table, with its cells, drops and keys.
    void setModel(LocationTableModel* model);
    QTableView* table() const;
    ButtonHoverSimple* homeButton() const;

    void setTitle(const QString& title);
    void setListCommandsEnabled(bool markAll, bool unmarkAll, bool remove);
    bool markAllEnabled() const;
    bool unmarkAllEnabled() const;
    // Scan is drawn dimmed while it cannot start a scan.
    void setScanEnabled(bool enabled);
    void setHistoryEnabled(bool back, bool forward);
    void selectRow(int row);
    // Where a notice about the list sits, in this page's coordinates.
    QPoint noticeTopLeft() const;

Q_SIGNALS:
    void homeClicked();
    void backClicked();
    void forwardClicked();
    void addFoldersClicked();
    void addPhotosClicked();
    void markAllClicked();
    void unmarkAllClicked();
    void removeClicked();
    void scanClicked();
    // A double click on an entry, not on its check box.
    void rowActivated(int row);
    // A right click (or the menu key) at `row`, -1 below the last row.
    void contextMenuRequested(int row, const QPoint& globalPosition);

private:
    Ui::LocationPage* m_ui;
    LocationCellDelegate* m_cells = nullptr;
};
