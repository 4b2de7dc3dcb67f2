#pragma once

#include "locations/FolderBrowser.h"
#include "locations/LocationList.h"

#include <QObject>

class LocationPage;
class LocationTableModel;
class MainWindow;
class QAction;
class QFileDialog;
class QMenu;

// The scan location page: the list and its rules, the folder browser, and
// what the page's buttons, panels, drops and menus do with them.
class LocationPageController : public QObject
{
    Q_OBJECT
public:
    LocationPageController(MainWindow* window, QObject* parent = nullptr);
    ~LocationPageController() override;

    LocationList& list() { return m_list; }
    FolderBrowser& browser() { return m_browser; }
    LocationTableModel* model() const { return m_model; }
    QMenu* contextMenu() const { return m_menu; }

    // The two home commands' part: mode, title, history, default entries.
    void enterPage(bool folderMode, const QString& title);
    // What the next scan covers: the entries of the page shown.
    QList<LocationEntry> entries() const { return m_list.entries(); }
    // Collection has read the list: it is emptied.
    void consumed();
    // Home clean-up: list, marked paths, history and mode back to the start.
    void clear();

    void addFolders();
    void addFiles();
    void addFolderPaths(const QByteArrayList& paths);
    void addFilePaths(const QByteArrayList& paths);
    void markAllExact();
    void unmarkAllExact();
    void removeFromListExact();
    void tableViewDidClickedRow(int row);
    void backFolderClicked();
    void nextFolderClicked();
    void loadFolder();
    void reflectMarkStatusForRemoveButton();

    // The context menu for a right click on `row` (-1: below the last row).
    void menuNeedsUpdate(int row);
    void markUnmarkTable();
    void removeFromListMenuClicked();
    // "Use as Reference" on the right-clicked row, a toggle.
    void useAsReferenceClicked();

Q_SIGNALS:
    // A modal alert with this informative text.
    void alertRequested(const QString& text);

private:
    void showNotice(const QString& text);
    static void allowSeveralFolders(QFileDialog* dialog);
    void updateHistoryButtons();
    void showPageFor(FolderBrowser::Page page);

    MainWindow* m_window;
    LocationPage* m_page;
    LocationList m_list;
    FolderBrowser m_browser;
    LocationTableModel* m_model;
    QMenu* m_menu;
    QAction* m_markMenuTable;
    QAction* m_removeFromListMenu;
    QAction* m_markAllMenu;
    QAction* m_unMarkAllMenu;
    QAction* m_useAsReferenceMenu;
    int m_menuRow = -1;
};
