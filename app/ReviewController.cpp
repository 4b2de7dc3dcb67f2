#include "app/ReviewController.h"

#include "platform/PathText.h"
#include "review/ResultOutlineModel.h"
#include "review/ResultStore.h"
#include "review/SetFilesModel.h"
#include "scan/Formatting.h"
#include "ui/BusyIndicator.h"
#include "ui/ButtonStyling.h"
#include "ui/CheckBoxDelegate.h"
#include "ui/CheckColumnKeys.h"
#include "ui/CheckToggleAccessible.h"
#include "ui/FileProperties.h"
#include "ui/HoverButton.h"
#include "ui/InformationWindow.h"
#include "ui/MainWindow.h"
#include "ui/Opacity.h"
#include "ui/PreviewLoader.h"
#include "ui/ResultOutlineView.h"
#include "ui/ViewTransparent.h"
#include "ui_MainWindow.h"

#include <QAction>
#include <QComboBox>
#include <QEvent>
#include <QHeaderView>
#include <QMenu>
#include <QPainter>
#include <QShortcut>
#include <QToolButton>

namespace {

struct SortItem
{
    const char* key;
    const char* title;
    const char* tooltip;
    SetFilesModel::SortKey sortKey;
};

// In pop-up order; each item's data is its tag, 1 to 5.
const SortItem SortItems[] = {
    {"size", "Size", "Sort by size", SetFilesModel::SortKey::Size},
    {"itemTitle", "Name", "Sort by name", SetFilesModel::SortKey::Name},
    {"CreatDate", "Created Date", "Sort by created date", SetFilesModel::SortKey::CreatedDate},
    {"ModDate", "Modified Date", "Sort by modified date", SetFilesModel::SortKey::ModifiedDate},
    {"Dimension", "Dimension", "Sort by dimension", SetFilesModel::SortKey::Dimension},
};

QPixmap placeholderImage(qreal ratio)
{
    QPixmap pixmap(QSize(250, 250) * ratio);
    pixmap.setDevicePixelRatio(ratio);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    QFont font(QStringLiteral("Helvetica"));
    font.setPixelSize(18);
    painter.setFont(font);
    painter.setPen(QColor(0x77, 0x88, 0x99));
    painter.drawText(QPoint(10, 120), QStringLiteral("Double Click On FIle To Open"));
    return pixmap;
}

} // namespace

ReviewController::ReviewController(MainWindow* window, InformationWindow* information,
                                   std::function<bool()> exactMode, QObject* parent)
    : QObject(parent), m_window(window), m_information(information), m_exactMode(std::move(exactMode)),
      m_store(new ResultStore(this)), m_outline(new ResultOutlineModel(m_store, this)),
      m_files(new SetFilesModel(m_store, this)), m_preview(new PreviewLoader(this)), m_menu(new QMenu(window))
{
    auto* ui = m_window->ui();
    ui->loadingView->hide();

    ui->OView2->setModel(m_outline);
    ui->OView2->header()->setStretchLastSection(false);
    ui->OView2->header()->setSectionResizeMode(ResultOutlineModel::Name, QHeaderView::Stretch);
    ui->OView2->header()->setSectionResizeMode(ResultOutlineModel::Check, QHeaderView::Fixed);
    ui->OView2->header()->resizeSection(ResultOutlineModel::Check, 48);
    ui->OView2->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(ui->OView2->selectionModel(), &QItemSelectionModel::selectionChanged, this,
            &ReviewController::outlineViewSelectionDidChange);
    connect(ui->OView2, &QWidget::customContextMenuRequested, this, &ReviewController::showContextMenu);
    connect(m_outline, &ResultOutlineModel::marksChanged, this, &ReviewController::checkBoxClicked);
    CheckColumnKeys::install(ui->OView2, ResultOutlineModel::Check);
    // A click anywhere in the box's cell toggles it, as on the location page.
    ui->OView2->setItemDelegateForColumn(ResultOutlineModel::Check, new CheckBoxDelegate(this));
    CheckToggleAccessible::install(ui->OView2, ResultOutlineModel::Check);

    QTableView* table = ui->resultTable;
    table->setModel(m_files);
    table->setSelectionBehavior(QAbstractItemView::SelectRows);
    table->setSelectionMode(QAbstractItemView::SingleSelection);
    table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table->verticalHeader()->hide();
    table->horizontalHeader()->setSectionResizeMode(SetFilesModel::NameText, QHeaderView::Interactive);
    table->horizontalHeader()->setSectionResizeMode(SetFilesModel::FileLocation, QHeaderView::Stretch);
    table->horizontalHeader()->resizeSection(SetFilesModel::NameText, 150);
    table->horizontalHeader()->resizeSection(SetFilesModel::FileGroup, 40);
    table->horizontalHeader()->resizeSection(SetFilesModel::ButtonCell, 40);
    table->horizontalHeader()->setSectionResizeMode(SetFilesModel::FileGroup, QHeaderView::Fixed);
    table->horizontalHeader()->setSectionResizeMode(SetFilesModel::ButtonCell, QHeaderView::Fixed);
    table->setWordWrap(false);
    table->setTextElideMode(Qt::ElideMiddle);
    connect(table->selectionModel(), &QItemSelectionModel::selectionChanged, this,
            &ReviewController::tableViewSelectionDidChange);
    connect(table, &QAbstractItemView::doubleClicked, this, &ReviewController::doubleClick);
    connect(m_files, &SetFilesModel::checkNotif, this, &ReviewController::collectionViewCheckButtonCLicked);
    CheckColumnKeys::install(table, SetFilesModel::ButtonCell);
    table->setItemDelegateForColumn(SetFilesModel::ButtonCell, new CheckBoxDelegate(this));
    CheckToggleAccessible::install(table, SetFilesModel::ButtonCell);

    ui->imView->installEventFilter(this);
    connect(m_preview, &PreviewLoader::previewReady, this,
            [this](quint64, const QByteArray&, const QImage& thumbnail, const QString& properties) {
                QLabel* view = m_window->ui()->imView;
                if (!thumbnail.isNull()) {
                    m_previewThumbnail = thumbnail;
                    // Scaled in device pixels, so a 2x screen gets a sharp picture.
                    view->setPixmap(PreviewLoader::fitPreview(thumbnail, view->size() - QSize(2, 2),
                                                              view->devicePixelRatioF()));
                }
                m_window->ui()->textField->setText(properties);
            });

    const std::pair<QAbstractButton*, void (ReviewController::*)()> categories[] = {
        {ui->allButton, &ReviewController::allClicked},
        {ui->imageButton, &ReviewController::imageClicked},
        {ui->videoButton, &ReviewController::videoClicked},
        {ui->audioButton, &ReviewController::audioClicked},
        {ui->documentButton, &ReviewController::docsClicked},
        {ui->otherButton, &ReviewController::otherClicked},
    };
    for (const auto& [button, command] : categories) {
        connect(button, &QAbstractButton::clicked, this, command);
        styleCategoryButton(button, false);
    }
    connect(ui->markAll, &QAbstractButton::clicked, this, &ReviewController::markAllClicked);
    connect(ui->unMarkAll, &QAbstractButton::clicked, this, &ReviewController::unMarkAllClicked);
    // Keyboard ways to the page's main commands; each acts only while its button could be clicked.
    auto shortcut = [this](const QKeySequence& keys, QAbstractButton* button) {
        auto* action = new QShortcut(keys, m_window->ui()->page4);
        action->setContext(Qt::WidgetWithChildrenShortcut);
        connect(action, &QShortcut::activated, button, [this, button] {
            // Not while a panel and its cover wait for an answer.
            const bool covered = m_window->findChild<ViewTransparent*>(QString(), Qt::FindDirectChildrenOnly);
            if (button->isEnabled() && button->isVisible() && !covered) {
                button->click();
            }
        });
    };
    shortcut(QKeySequence(Qt::CTRL | Qt::Key_A), ui->markAll);
    shortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_A), ui->unMarkAll);
    shortcut(QKeySequence(Qt::Key_Delete), ui->finishButton);
    ui->markAll->setToolTip(ui->markAll->toolTip() + QStringLiteral(" (Ctrl+A)"));
    ui->unMarkAll->setToolTip(ui->unMarkAll->toolTip() + QStringLiteral(" (Ctrl+Shift+A)"));
    ui->finishButton->setToolTip(ui->finishButton->toolTip() + QStringLiteral(" (Delete)"));
    ui->OView2->setAccessibleName(tr("Duplicate sets by extension"));
    ui->resultTable->setAccessibleName(tr("Files of the selected set"));
    ui->imView->setAccessibleName(tr("Preview"));
    ui->textField->setAccessibleName(tr("Properties"));
    connect(m_information, &InformationWindow::okClicked, this, &ReviewController::okInformationWindow);

    QComboBox* sortPopup = ui->sortPopupBtn;
    for (int tag = 0; tag < 5; ++tag) {
        sortPopup->addItem(QString::fromLatin1(SortItems[tag].title), tag + 1);
        sortPopup->setItemData(tag, QString::fromLatin1(SortItems[tag].tooltip), Qt::ToolTipRole);
    }
    connect(sortPopup, &QComboBox::activated, this, [this](int item) {
        m_sorting = QString::fromLatin1(SortItems[qBound(0, item, 4)].key);
        m_window->ui()->sortPopupBtn->setToolTip(QString::fromLatin1(SortItems[qBound(0, item, 4)].tooltip));
        popupButtonClicked();
    });
    connect(ui->asscendingBtn, &QToolButton::clicked, this, [this](bool on) {
        m_window->ui()->asscendingBtn->setToolTip(on ? QStringLiteral("Ascending")
                                                     : QStringLiteral("Descending"));
        m_window->ui()->asscendingBtn->setText(on ? QStringLiteral("Ascending")
                                                  : QStringLiteral("Descending"));
        asscendingDescendingClicked();
    });
    showPlaceholder();
}

void ReviewController::styleCategoryButton(QAbstractButton* button, bool current)
{
    // The category on screen reads as the selected tab, also while the page is disabled.
    if (auto* tab = qobject_cast<HoverButton*>(button)) {
        tab->setFadesWhenDisabled(false);
    }
    const QColor fill = current ? QColor(14, 95, 115) : QColor(Qt::white);
    const QColor ink = current ? QColor(Qt::white) : QColor(29, 59, 68);
    ButtonStyling::setButtonAtrribute(button, 4, fill,
                                      {{QStringLiteral("Title"), button->text()},
                                       {QStringLiteral("TitleColor"), ink},
                                       {QStringLiteral("Font"), 13}});
}

QAbstractButton* ReviewController::categoryButton(Category category) const
{
    auto* ui = m_window->ui();
    switch (category) {
    case Category::All:
        return ui->allButton;
    case Category::Images:
        return ui->imageButton;
    case Category::Videos:
        return ui->videoButton;
    case Category::Audio:
        return ui->audioButton;
    case Category::Documents:
        return ui->documentButton;
    case Category::Others:
        return ui->otherButton;
    case Category::None:
        break;
    }
    return nullptr;
}

// --- Showing a result --------------------------------------------------------

const ResultReview& ReviewController::review() const
{
    return m_store->review();
}

const ModalPtr& ReviewController::modal() const
{
    return m_store->tree();
}

void ReviewController::showResults(const ScanResults& results)
{
    m_store->setResults(results);
    showDuplicateScanResult(true);
}

void ReviewController::showDuplicateScanResult(bool)
{
    auto* ui = m_window->ui();
    const ModalPtr& tree = modal();
    m_files->showSet(-1, -1);
    setMarkedFilesDetails();
    m_window->selectTabViewItemWithIdentifier(QStringLiteral("4"));
    ui->buttonHelpManual->setEnabled(true);
    showPlaceholder();
    ui->selectedPath->clear();
    ui->textField->clear();
    updateSummary();
    if (tree->extensionCount() != 0) {
        ui->OView2->expandAll();
        // Row 1: the first set of the first group with a set.
        for (int g = 0; g < m_outline->rowCount(); ++g) {
            const QModelIndex group = m_outline->index(g, ResultOutlineModel::Name);
            if (m_outline->rowCount(group) > 0) {
                showLoading();
                ui->OView2->setCurrentIndex(m_outline->index(0, ResultOutlineModel::Name, group));
                break;
            }
        }
    }
    enableNecessaryButton();
    removeLoading();
    showInformationWindowAccordingTab();
    m_window->raise();
    m_window->activateWindow();
}

void ReviewController::homeCleanup()
{
    auto* ui = m_window->ui();
    m_preview->cancel();
    m_store->clear();
    removeLoading();
    showPlaceholder();
    ui->selectedPath->clear();
    ui->textField->clear();
    ui->resultSummary->clear();
    ui->finishButton->setEnabled(true);
    Opacity::set(ui->finishButton, 1.0);
}

// --- Categories and the information window -----------------------------------

void ReviewController::selectCategory(Category category)
{
    for (Category other : {Category::All, Category::Images, Category::Videos, Category::Audio,
                           Category::Documents, Category::Others}) {
        if (other != category) {
            Opacity::set(categoryButton(other), 1.0);
        }
    }
    if (const auto message = m_store->selectCategory(category)) {
        setInformationWindow(*message);
        return;
    }
    unMarkAllClicked();
    showDuplicateScanResult(true);
}

void ReviewController::allClicked()
{
    selectCategory(Category::All);
}

void ReviewController::imageClicked()
{
    selectCategory(Category::Images);
}

void ReviewController::videoClicked()
{
    selectCategory(Category::Videos);
}

void ReviewController::audioClicked()
{
    selectCategory(Category::Audio);
}

void ReviewController::docsClicked()
{
    selectCategory(Category::Documents);
}

void ReviewController::otherClicked()
{
    selectCategory(Category::Others);
}

void ReviewController::showInformationWindowAccordingTab()
{
    if (const auto summary = m_store->showInformationWindowAccordingTab()) {
        setInformationWindow(*summary);
    }
}

void ReviewController::setInformationWindow(const ResultReview::Information& information)
{
    m_information->showInformation(information.header, information.first, information.second,
                                   information.third, information.image, information.buttonTitle);
    Q_EMIT informationShown(information.first);
}

void ReviewController::okInformationWindow()
{
    m_information->dismiss();
    if (m_window->currentPageIdentifier() == QLatin1String("4")) {
        m_window->ui()->OView2->setFocus(); // back to the results, not to whatever came first
    }
    switch (review().routeAfterInformation()) {
    case ResultReview::Route::GoHome:
        Q_EMIT goHomeRequested();
        break;
    case ResultReview::Route::ShowAll:
        allClicked();
        break;
    case ResultReview::Route::Stay:
        break;
    }
}

void ReviewController::showLoading()
{
    QWidget* view = m_window->ui()->loadingView;
    m_window->showOverlayAt(view, 205, 114);
    m_window->ui()->loadingIndicator->setRunning(true);
}

void ReviewController::removeLoading()
{
    m_window->ui()->loadingIndicator->setRunning(false);
    m_window->ui()->loadingView->hide();
}

// --- Outline, table, preview -------------------------------------------------

ExtensionsPtr ReviewController::selectedExtension() const
{
    // The group of the selected set, wherever the outline's current row
    // (a group row after a click on its name or an arrow key) has gone.
    const QModelIndexList rows = m_window->ui()->OView2->selectionModel()->selectedRows();
    if (!rows.isEmpty() && m_outline->isSetRow(rows.first())) {
        return m_outline->extensionAt(rows.first());
    }
    return m_outline->extensionAt(m_window->ui()->OView2->currentIndex());
}

SetPtr ReviewController::selectedSet() const
{
    const QModelIndexList rows = m_window->ui()->OView2->selectionModel()->selectedRows();
    return rows.isEmpty() ? SetPtr() : m_outline->setAt(rows.first());
}

FilePtr ReviewController::selectedFile() const
{
    const QModelIndex current = m_window->ui()->resultTable->currentIndex();
    const FilePtr file = current.isValid() ? m_files->fileAt(current.row()) : FilePtr();
    return file ? file : m_files->fileAt(0);
}

void ReviewController::outlineViewSelectionDidChange()
{
    const QModelIndexList rows = m_window->ui()->OView2->selectionModel()->selectedRows();
    const SetPtr set = rows.isEmpty() ? SetPtr() : m_outline->setAt(rows.first());
    if (!set || set->files().isEmpty()) {
        return;
    }
    m_files->showSet(rows.first().parent().row(), rows.first().row());
    removeLoading();
    m_window->ui()->resultTable->selectRow(0);
    showSelectedFile(m_files->fileAt(0)->filePath());
}

void ReviewController::tableViewSelectionDidChange()
{
    const QModelIndexList rows = m_window->ui()->resultTable->selectionModel()->selectedRows();
    if (rows.isEmpty()) {
        return;
    }
    if (const FilePtr file = m_files->fileAt(rows.first().row())) {
        showSelectedFile(file->filePath());
    }
}

void ReviewController::doubleClick(const QModelIndex& index)
{
    if (const FilePtr file = m_files->fileAt(index.row())) {
        Q_EMIT openRequested(file->filePath());
    }
}

void ReviewController::showSelectedFile(const QByteArray& path)
{
    auto* ui = m_window->ui();
    showPlaceholder();
    ui->selectedPath->setText(QStringLiteral("Path: %1").arg(PathText::display(path)));
    ui->textField->clear();
    m_preview->request(path, review().category() == Category::Images);
}

// --- Marking -----------------------------------------------------------------

void ReviewController::markAllClicked()
{
    m_store->markAll();
    afterMarkChange(false);
}

void ReviewController::unMarkAllClicked()
{
    m_store->unmarkAll();
    afterMarkChange(false);
}

void ReviewController::checkBoxClicked()
{
    // The outline's model has already asked the tree; only the follow-up is left.
    afterMarkChange(true);
}

void ReviewController::collectionViewCheckButtonCLicked(qint64 row)
{
    const FilePtr file = row >= 0 && row <= INT_MAX ? m_files->fileAt(int(row)) : FilePtr();
    int group = -1;
    int set = -1;
    selectedRows(&group, &set);
    const auto click = m_store->changeStateOfFile(group, set, file);
    if (click == MarkingRules::FileClick::Refused) {
        m_information->showInformation(QStringLiteral("Information"),
                                       QString::fromLatin1(MarkingRules::RefusalText), QString(), QString(),
                                       QStringLiteral("common_info"), QStringLiteral("Ok"));
        Q_EMIT informationShown(QString::fromLatin1(MarkingRules::RefusalText));
    }
    afterMarkChange(true);
}

void ReviewController::afterMarkChange(bool)
{
    // The views follow the store; the summary and the buttons are the page's.
    setMarkedFilesDetails();
    enableNecessaryButton();
    Q_EMIT marksChanged();
}

void ReviewController::updateSummary()
{
    const ResultReview::Totals totals = review().totalsOnScreen();
    auto count = [](quint64 n, const char* one, const char* many) {
        return QStringLiteral("%1 %2").arg(n).arg(QLatin1String(n == 1 ? one : many));
    };
    m_window->ui()->resultSummary->setText(QStringLiteral("%1 in %2: %3, %4")
                                               .arg(count(totals.sets, "set", "sets"),
                                                    count(totals.groups, "group", "groups"),
                                                    count(totals.files, "duplicate file", "duplicate files"),
                                                    Formatting::getFormattedStringForSize(totals.bytes)));
}

void ReviewController::reloadAfterRemoval()
{
    updateSummary();
    // The table dropped the rows that left; a selection that went with them
    // moves to the first row.
    QTableView* table = m_window->ui()->resultTable;
    if (m_files->rowCount() > 0 && !table->selectionModel()->hasSelection()) {
        table->selectRow(0);
    }
}

void ReviewController::setMarkedFilesDetails()
{
    const ModalPtr& tree = modal();
    const quint64 count = tree ? tree->totalFilesSelected() : 0;
    const quint64 size = tree ? tree->totalFilesSelectedSize() : 0;
    m_window->ui()->selectedCount->setText(QStringLiteral("Marked Duplicate Files: %1").arg(count));
    m_window->ui()->selectedSize->setText(
        QStringLiteral("Marked File Size: %1").arg(Formatting::getFormattedStringForSize(size)));
}

void ReviewController::enableNecessaryButton()
{
    auto* ui = m_window->ui();
    Opacity::set(ui->buttonHomeExactPage, 1.0);
    if (m_exactMode()) {
        const MarkingRules::ButtonStates states = MarkingRules::enableNecessaryButton(modal().get());
        auto apply = [](QWidget* widget, const std::optional<bool>& enabled) {
            if (enabled) {
                widget->setEnabled(*enabled);
            }
        };
        apply(ui->markAll, states.markAll);
        apply(ui->unMarkAll, states.unMarkAll);
        apply(ui->addEceptionBtn, states.addEceptionBtn);
        apply(ui->sortPopupBtn, states.sortPopupBtn);
        if (!modal() || modal()->extensionCount() == 0) {
            return;
        }
    }
    const Category shown = review().category();
    if (shown == Category::None) {
        return;
    }
    for (Category c : {Category::All, Category::Images, Category::Videos, Category::Audio,
                       Category::Documents, Category::Others}) {
        QAbstractButton* button = categoryButton(c);
        button->setEnabled(c != shown);
        styleCategoryButton(button, c == shown);
    }
}

// --- Sorting -------------------------------------------------------------------

void ReviewController::popupButtonClicked()
{
    showLoading();
    applySortControls();
}

void ReviewController::asscendingDescendingClicked()
{
    showLoading();
    applySortControls();
}

void ReviewController::applySortControls()
{
    SetFilesModel::SortKey key = SetFilesModel::SortKey::Size;
    for (const SortItem& item : SortItems) {
        if (m_sorting == QLatin1String(item.key)) {
            key = item.sortKey;
        }
    }
    const FilePtr shown = selectedFile();
    m_files->setSortOrder(key, m_window->ui()->asscendingBtn->isChecked());
    removeLoading();
    // The file on show keeps the selection in its new row.
    if (shown) {
        m_window->ui()->resultTable->selectRow(int(shown->index()));
    }
}

// --- Context menu ----------------------------------------------------------------

void ReviewController::showContextMenu(const QPoint& position)
{
    ResultOutlineView* view = m_window->ui()->OView2;
    QModelIndex at = view->indexAt(position);
    QPoint where = position;
    if (!m_outline->isSetRow(at) && m_outline->isSetRow(view->currentIndex())) {
        // The menu key: the menu is for the set with the keyboard focus.
        at = view->currentIndex();
        where = view->visualRect(at).center();
    }
    if (!m_outline->isSetRow(at)) {
        return;
    }
    view->setCurrentIndex(at.siblingAtColumn(ResultOutlineModel::Name));
    const SetPtr set = m_outline->setAt(at);
    m_menu->clear();
    auto add = [this](const QString& title, int tag) {
        QAction* action = m_menu->addAction(title);
        action->setData(tag);
        connect(action, &QAction::triggered, this, [this, tag] { righClickMenuItemClicked(tag); });
        return action;
    };
    QAction* mark = add(
        set && set->setsState() == MarkState::Marked ? QStringLiteral("Unmark") : QStringLiteral("Mark"), 0);
    mark->setObjectName(QStringLiteral("markUnmarkSelected"));
    m_menu->addSeparator();
    add(QStringLiteral("Open"), 1);
    add(QStringLiteral("Show in Folder"), 2);
    m_menu->addSeparator();
    add(QStringLiteral("Mark All in Set"), 5);
    add(QStringLiteral("Unmark All in Set"), 6);
    m_menu->addSeparator();
    add(QStringLiteral("Get Info"), 7);
    m_menu->popup(view->viewport()->mapToGlobal(where));
}

void ReviewController::righClickMenuItemClicked(int tag)
{
    switch (tag) {
    case 0: {
        const SetPtr set = selectedSet();
        markUnmarkSelectedOutlineImage(!set || set->setsState() != MarkState::Marked);
        break;
    }
    case 1:
    case 2:
        openSelectedImageOfOutlineView(tag == 2);
        break;
    case 5:
        markAllSelectedSet();
        break;
    case 6:
        unMarkAllSelectedSet();
        break;
    case 7:
        getInfo();
        break;
    default:
        // Nothing trashes a single file outside a deletion run.
        break;
    }
}

void ReviewController::markUnmarkSelectedOutlineImage(bool mark)
{
    if (mark) {
        markAllSelectedSet();
    } else {
        unMarkAllSelectedSet();
    }
}

bool ReviewController::selectedRows(int* group, int* set) const
{
    const QModelIndexList rows = m_window->ui()->OView2->selectionModel()->selectedRows();
    if (rows.isEmpty() || !m_outline->isSetRow(rows.first())) {
        return false;
    }
    *group = rows.first().parent().row();
    *set = rows.first().row();
    return true;
}

void ReviewController::markAllSelectedSet()
{
    int group = -1;
    int set = -1;
    if (!selectedRows(&group, &set)) {
        return;
    }
    m_store->markSet(group, set, true);
    afterMarkChange(false);
}

void ReviewController::unMarkAllSelectedSet()
{
    int group = -1;
    int set = -1;
    if (!selectedRows(&group, &set)) {
        return;
    }
    m_store->markSet(group, set, false);
    afterMarkChange(false);
}

void ReviewController::openSelectedImageOfOutlineView(bool inFolder)
{
    const FilePtr file = selectedFile();
    if (!file) {
        return;
    }
    QByteArray path = inFolder ? file->folder() : file->filePath();
    if (inFolder && path.size() > 1 && path.endsWith('/')) {
        path.chop(1);
    }
    Q_EMIT openRequested(path);
}

void ReviewController::getInfo()
{
    const FilePtr file = selectedFile();
    if (!file) {
        return;
    }
    // The preview's text is this file's, made off the UI thread; reading the
    // disk here again would decode a large picture on the UI thread.
    const QString shown = m_window->ui()->textField->text();
    const QString text = shown.isEmpty() ? FileProperties::getAllProperties(file->filePath()) : shown;
    m_information->showInformation(QStringLiteral("Information"), text.trimmed(), QString(), QString(),
                                   QStringLiteral("common_info"), QStringLiteral("Ok"));
    Q_EMIT informationShown(text.trimmed());
}

void ReviewController::showPlaceholder()
{
    m_previewThumbnail = QImage();
    m_window->ui()->imView->setPixmap(placeholderImage(m_window->devicePixelRatioF()));
}

bool ReviewController::eventFilter(QObject* watched, QEvent* event)
{
    QLabel* view = m_window->ui()->imView;
    if (watched == view && event->type() == QEvent::Resize && !m_previewThumbnail.isNull()) {
        view->setPixmap(PreviewLoader::fitPreview(m_previewThumbnail, view->size() - QSize(2, 2),
                                                  view->devicePixelRatioF()));
    }
    return QObject::eventFilter(watched, event);
}
