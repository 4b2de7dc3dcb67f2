#include "app/LocationPageController.h"

#include "locations/LocationTableModel.h"
#include "ui/LocationPage.h"
#include "ui/MainWindow.h"
#include "ui/RunningNotice.h"

#include <QAbstractItemView>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QMenu>

namespace {

const QStringList PhotoTypes = {
    QStringLiteral("jpg"),      QStringLiteral("jpeg"), QStringLiteral("psd"),  QStringLiteral("png"),
    QStringLiteral("bmp"),      QStringLiteral("dng"),  QStringLiteral("tiff"), QStringLiteral("gif"),
    QStringLiteral("pspimage"), QStringLiteral("thm"),  QStringLiteral("tif"),  QStringLiteral("yuv"),
    QStringLiteral("ai"),       QStringLiteral("cr2"),  QStringLiteral("crw"),  QStringLiteral("kdc"),
    QStringLiteral("nef"),      QStringLiteral("mrw"),  QStringLiteral("orf"),  QStringLiteral("x3f"),
    QStringLiteral("raw"),      QStringLiteral("raf"),  QStringLiteral("dcx")};

// Paths chosen in a panel, as bytes in the file system's encoding.
QByteArrayList pathsOf(const QStringList& files)
{
    QByteArrayList paths;
    for (const QString& file : files) {
        if (!file.isEmpty()) {
            paths.append(QFile::encodeName(file));
        }
    }
    return paths;
}

} // namespace

LocationPageController::LocationPageController(MainWindow* window, QObject* parent)
    : QObject(parent), m_window(window), m_page(window->locationPage()),
      m_model(new LocationTableModel(&m_list, this)), m_menu(new QMenu(window))
{
    m_page->setModel(m_model);

    m_markMenuTable =
        m_menu->addAction(QStringLiteral("Mark"), this, &LocationPageController::markUnmarkTable);
    m_markMenuTable->setObjectName(QStringLiteral("markMenuTable"));
    m_removeFromListMenu =
        m_menu->addAction(tr("Remove from List"), this, &LocationPageController::removeFromListMenuClicked);
    m_removeFromListMenu->setObjectName(QStringLiteral("removeFromListMenu"));
    m_markAllMenu = m_menu->addAction(tr("Mark All"), this, &LocationPageController::markAllExact);
    m_markAllMenu->setObjectName(QStringLiteral("markAllMenu"));
    m_unMarkAllMenu = m_menu->addAction(tr("Unmark All"), this, &LocationPageController::unmarkAllExact);
    m_unMarkAllMenu->setObjectName(QStringLiteral("unMarkAllMenu"));
    m_menu->addSeparator();
    m_useAsReferenceMenu =
        m_menu->addAction(tr("Use as Reference"), this, &LocationPageController::useAsReferenceClicked);
    m_useAsReferenceMenu->setObjectName(QStringLiteral("useAsReferenceMenu"));
    m_useAsReferenceMenu->setCheckable(true);
    m_useAsReferenceMenu->setToolTip(tr("Keep the copies in this location: its files are never marked"));
    m_menu->setToolTipsVisible(true);

    connect(m_page, &LocationPage::contextMenuRequested, this, [this](int row, const QPoint& at) {
        menuNeedsUpdate(row);
        m_menu->popup(at);
    });
    connect(m_page, &LocationPage::rowActivated, this, &LocationPageController::tableViewDidClickedRow);
    connect(m_model, &LocationTableModel::listChanged, this,
            &LocationPageController::reflectMarkStatusForRemoveButton);
    connect(m_model, &LocationTableModel::rowChecked, m_page, &LocationPage::selectRow);
    connect(m_model, &LocationTableModel::dropRefused, this, &LocationPageController::showNotice);
    connect(m_page, &LocationPage::addFoldersClicked, this, &LocationPageController::addFolders);
    connect(m_page, &LocationPage::addPhotosClicked, this, &LocationPageController::addFiles);
    connect(m_page, &LocationPage::markAllClicked, this, &LocationPageController::markAllExact);
    connect(m_page, &LocationPage::unmarkAllClicked, this, &LocationPageController::unmarkAllExact);
    connect(m_page, &LocationPage::removeClicked, this, &LocationPageController::removeFromListExact);
    connect(m_page, &LocationPage::backClicked, this, &LocationPageController::backFolderClicked);
    connect(m_page, &LocationPage::forwardClicked, this, &LocationPageController::nextFolderClicked);
    updateHistoryButtons();
}

LocationPageController::~LocationPageController() = default;

void LocationPageController::enterPage(bool folderMode, const QString& title)
{
    if (folderMode) {
        m_list.setScanFolderClicked(true);
    }
    m_window->selectTabViewItemWithIdentifier(QStringLiteral("2"));
    m_model->setHeaderTitle(title);
    m_page->setTitle(title);
    m_page->setListCommandsEnabled(false, false, false);
    m_page->setScanEnabled(false);
    m_browser.reset();
    updateHistoryButtons();
    m_list.setInitialState();
}

void LocationPageController::consumed()
{
    m_list.clear();
}

void LocationPageController::clear()
{
    m_list.reset();
    m_list.setScanFolderClicked(false);
    m_browser.clear();
    updateHistoryButtons();
}

void LocationPageController::showNotice(const QString& text)
{
    if (text.isEmpty()) {
        return;
    }
    // After the current event, as a queued notice over the table.
    const QString page = m_window->currentPageIdentifier();
    QMetaObject::invokeMethod(
        this,
        [this, text, page] {
            if (m_window->currentPageIdentifier() != page) {
                return; // the page that raised it is gone
            }
            m_window->runningNotice()->setText(text, page);
            m_window->showOverlayTopLeft(m_window->runningNotice(),
                                         m_window->pageToWindow(m_page->noticeTopLeft()));
        },
        Qt::QueuedConnection);
}

void LocationPageController::addFolders()
{
    auto* dialog = new QFileDialog(m_window, tr("Add Folders"));
    dialog->setObjectName(QStringLiteral("addFoldersPanel"));
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    dialog->setFileMode(QFileDialog::Directory);
    dialog->setOption(QFileDialog::ShowDirsOnly);
    dialog->setDirectory(QDir::homePath()); // not wherever the program was started from
    dialog->setWindowModality(Qt::WindowModal);
    // The accepted selection. filesSelected is the one announcement both
    // Qt's own dialog and a desktop's native one make (urlsSelected comes
    // from native dialogs only).
    connect(dialog, &QFileDialog::filesSelected, this,
            [this](const QStringList& files) { addFolderPaths(pathsOf(files)); });
    dialog->open();
    allowSeveralFolders(dialog);
}

void LocationPageController::allowSeveralFolders(QFileDialog* dialog)
{
    // Qt's own dialog picks one folder in Directory mode; its views take a
    // multiple selection, and accepting reports every selected folder. A
    // native dialog has no such views and offers its own.
    for (QAbstractItemView* view : dialog->findChildren<QAbstractItemView*>()) {
        if (view->objectName() == QLatin1String("listView") ||
            view->objectName() == QLatin1String("treeView")) {
            view->setSelectionMode(QAbstractItemView::ExtendedSelection);
        }
    }
}

void LocationPageController::addFiles()
{
    auto* dialog = new QFileDialog(m_window, tr("Add Photos"));
    dialog->setObjectName(QStringLiteral("addPhotosPanel"));
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    dialog->setFileMode(QFileDialog::ExistingFiles);
    QStringList patterns;
    for (const QString& type : PhotoTypes) {
        patterns << QStringLiteral("*.") + type << QStringLiteral("*.") + type.toUpper();
    }
    dialog->setNameFilter(tr("Photos (%1)").arg(patterns.join(QLatin1Char(' '))));
    dialog->setDirectory(QDir::homePath());
    dialog->setWindowModality(Qt::WindowModal);
    connect(dialog, &QFileDialog::filesSelected, this,
            [this](const QStringList& files) { addFilePaths(pathsOf(files)); });
    dialog->open();
}

void LocationPageController::addFolderPaths(const QByteArrayList& paths)
{
    const qsizetype before = m_list.entries().size();
    const LocationList::Notice notice = m_list.addFolders(paths);
    if (m_list.entries().size() != before) {
        reflectMarkStatusForRemoveButton();
    }
    showNotice(LocationList::noticeText(notice));
}

void LocationPageController::addFilePaths(const QByteArrayList& paths)
{
    const LocationList::Notice notice = m_list.addFiles(paths);
    reflectMarkStatusForRemoveButton();
    showNotice(LocationList::noticeText(notice));
}

void LocationPageController::markAllExact()
{
    m_list.markAllExact();
    reflectMarkStatusForRemoveButton();
}

void LocationPageController::unmarkAllExact()
{
    m_list.unmarkAllExact();
    reflectMarkStatusForRemoveButton();
}

void LocationPageController::removeFromListExact()
{
    m_list.removeFromListExact();
    reflectMarkStatusForRemoveButton();
}

void LocationPageController::reflectMarkStatusForRemoveButton()
{
    const LocationList::ButtonStates states = m_list.reflectMarkStatusForRemoveButton();
    m_page->setListCommandsEnabled(states.markAll, states.unmarkAll, states.remove);
    m_page->setScanEnabled(states.scan);
}

void LocationPageController::menuNeedsUpdate(int row)
{
    m_menuRow = row;
    const bool onRow = row >= 0 && row < m_list.entries().size();
    for (QAction* action : m_menu->actions()) {
        action->setVisible(onRow);
    }
    if (!onRow) {
        return;
    }
    m_markMenuTable->setText(m_list.entries().at(row).state ? QStringLiteral("Unmark")
                                                            : QStringLiteral("Mark"));
    m_useAsReferenceMenu->setChecked(m_list.entries().at(row).reference);
    m_markAllMenu->setVisible(m_page->markAllEnabled());
    m_unMarkAllMenu->setVisible(m_page->unmarkAllEnabled());
}

void LocationPageController::markUnmarkTable()
{
    if (m_menuRow < 0 || m_menuRow >= m_list.entries().size()) {
        return;
    }
    m_list.markUnmarkTable(m_menuRow, m_markMenuTable->text() == QLatin1String("Mark"));
    reflectMarkStatusForRemoveButton();
    m_page->selectRow(m_menuRow);
}

void LocationPageController::useAsReferenceClicked()
{
    if (m_menuRow < 0 || m_menuRow >= m_list.entries().size()) {
        return;
    }
    m_list.setReference(m_menuRow, !m_list.entries().at(m_menuRow).reference);
    reflectMarkStatusForRemoveButton();
    m_page->selectRow(m_menuRow);
}

void LocationPageController::removeFromListMenuClicked()
{
    if (m_menuRow < 0 || m_menuRow >= m_list.entries().size()) {
        return;
    }
    m_list.removeFromListMenuClicked(m_menuRow);
    reflectMarkStatusForRemoveButton();
}

void LocationPageController::tableViewDidClickedRow(int row)
{
    if (row < 0 || row >= m_list.entries().size()) {
        return;
    }
    if (!m_list.scanFolderClicked()) {
        Q_EMIT alertRequested(QStringLiteral("Select the check box and click 'Scan' button to proceed."));
        return;
    }
    const QByteArray path = m_list.entries().at(row).name;
    const bool hasSubfolders = !LocationList::getFoldersAtPath(path).isEmpty();
    const FolderBrowser::Page page = m_browser.didClickFolder(path, hasSubfolders);
    if (page == FolderBrowser::Page::Unchanged) {
        Q_EMIT alertRequested(QStringLiteral("No Folders."));
        return;
    }
    showPageFor(page);
}

void LocationPageController::showPageFor(FolderBrowser::Page page)
{
    if (page == FolderBrowser::Page::Default) {
        m_list.clear();
        m_list.setInitialState();
        updateHistoryButtons();
        return;
    }
    loadFolder();
}

void LocationPageController::backFolderClicked()
{
    showPageFor(m_browser.backFolderClicked());
}

void LocationPageController::nextFolderClicked()
{
    showPageFor(m_browser.nextFolderClicked());
}

void LocationPageController::loadFolder()
{
    const QByteArray folder = m_browser.currentItem();
    if (folder == FolderBrowser::Default) {
        m_list.clear();
        m_list.setInitialState();
        updateHistoryButtons();
        return;
    }
    const QByteArrayList subfolders = LocationList::getFoldersAtPath(folder);
    if (subfolders.isEmpty()) {
        Q_EMIT alertRequested(QStringLiteral("No Folders."));
        return;
    }
    m_list.showFolderPage(folder, subfolders);
    updateHistoryButtons();
}

void LocationPageController::updateHistoryButtons()
{
    m_page->setHistoryEnabled(m_browser.backEnabled(), m_browser.forwardEnabled());
}
