#include "app/ReviewController.h"

#include "platform/PathText.h"
#include "review/ReferenceMarking.h"
#include "review/ResultOutlineModel.h"
#include "review/ResultStore.h"
#include "review/SetFilesModel.h"
#include "scan/Formatting.h"
#include "ui/ButtonHoverSimple.h"
#include "ui/ButtonStyling.h"
#include "ui/CheckBoxDelegate.h"
#include "ui/CheckColumnKeys.h"
#include "ui/CheckToggleAccessible.h"
#include "ui/FileProperties.h"
#include "ui/HoverButton.h"
#include "ui/InformationWindow.h"
#include "ui/LoadingCover.h"
#include "ui/MainWindow.h"
#include "ui/Opacity.h"
#include "ui/PreviewLoader.h"
#include "ui/ResultOutlineView.h"
#include "ui/ResultPage.h"

#include <QAction>
#include <QComboBox>
#include <QEvent>
#include <QHeaderView>
#include <QLabel>
#include <QMenu>
#include <QPainter>
#include <QTableView>
#include <QToolButton>
#include <array>

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
    : QObject(parent), m_window(window), m_page(window->resultPage()), m_information(information),
      m_exactMode(std::move(exactMode)), m_store(new ResultStore(this)),
      m_outline(new ResultOutlineModel(m_store, this)), m_files(new SetFilesModel(m_store, this)),
      m_preview(new PreviewLoader(this)), m_menu(new QMenu(window))
{
    ResultOutlineView* outline = m_page->outlineView();

    outline->setModel(m_outline);
    outline->header()->setStretchLastSection(false);
    outline->header()->setSectionResizeMode(ResultOutlineModel::Name, QHeaderView::Stretch);
    outline->header()->setSectionResizeMode(ResultOutlineModel::Check, QHeaderView::Fixed);
    outline->header()->resizeSection(ResultOutlineModel::Check, 48);
    outline->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(outline->selectionModel(), &QItemSelectionModel::selectionChanged, this,
            &ReviewController::outlineViewSelectionDidChange);
    connect(outline, &QWidget::customContextMenuRequested, this, &ReviewController::showContextMenu);
    // The views follow the store on their own; the page's texts and buttons follow here.
    connect(m_store, &ResultStore::totalsChanged, this, &ReviewController::followTotals);
    connect(m_store, &ResultStore::filesRemoved, this, &ReviewController::followRemoval);
    CheckColumnKeys::install(outline, ResultOutlineModel::Check);
    // A click anywhere in the box's cell toggles it, as on the location page.
    outline->setItemDelegateForColumn(ResultOutlineModel::Check, new CheckBoxDelegate(this));
    CheckToggleAccessible::install(outline, ResultOutlineModel::Check);

    QTableView* table = m_page->fileTable();
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
    // Named only now: naming a view makes Qt build its accessible face, and
    // the faces above must be installed first.
    outline->setAccessibleName(tr("Duplicate sets by extension"));
    table->setAccessibleName(tr("Files of the selected set"));

    m_page->preview()->installEventFilter(this);
    connect(m_preview, &PreviewLoader::previewReady, this,
            [this](quint64, const QByteArray&, const QImage& thumbnail, const QString& properties) {
                QLabel* view = m_page->preview();
                if (!thumbnail.isNull()) {
                    m_previewThumbnail = thumbnail;
                    // Scaled in device pixels, so a 2x screen gets a sharp picture.
                    view->setPixmap(PreviewLoader::fitPreview(thumbnail, view->size() - QSize(2, 2),
                                                              view->devicePixelRatioF()));
                }
                m_page->properties()->setText(properties);
            });

    const std::array<void (ReviewController::*)(), 6> categories = {
        &ReviewController::allClicked,   &ReviewController::imageClicked, &ReviewController::videoClicked,
        &ReviewController::audioClicked, &ReviewController::docsClicked,  &ReviewController::otherClicked,
    };
    connect(m_page, &ResultPage::categoryClicked, this, [this, categories](int category) {
        if (category >= 0 && category < int(categories.size())) {
            (this->*categories[category])();
        }
    });
    for (QAbstractButton* button : m_page->categoryButtons()) {
        styleCategoryButton(button, false);
    }
    connect(m_page, &ResultPage::markAllClicked, this, &ReviewController::markAllClicked);
    connect(m_page, &ResultPage::unmarkAllClicked, this, &ReviewController::unMarkAllClicked);
    connect(m_information, &InformationWindow::okClicked, this, &ReviewController::okInformationWindow);

    QComboBox* sortPopup = m_page->sortPopup();
    for (int tag = 0; tag < 5; ++tag) {
        sortPopup->addItem(QString::fromLatin1(SortItems[tag].title), tag + 1);
        sortPopup->setItemData(tag, QString::fromLatin1(SortItems[tag].tooltip), Qt::ToolTipRole);
    }
    connect(sortPopup, &QComboBox::activated, this, [this](int item) {
        m_sorting = QString::fromLatin1(SortItems[qBound(0, item, 4)].key);
        m_page->sortPopup()->setToolTip(QString::fromLatin1(SortItems[qBound(0, item, 4)].tooltip));
        popupButtonClicked();
    });
    connect(m_page->ascendingButton(), &QToolButton::clicked, this, [this](bool on) {
        m_page->ascendingButton()->setToolTip(on ? QStringLiteral("Ascending")
                                                 : QStringLiteral("Descending"));
        m_page->ascendingButton()->setText(on ? QStringLiteral("Ascending") : QStringLiteral("Descending"));
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
    // The page lists its buttons in the order of the categories.
    const QList<QAbstractButton*> buttons = m_page->categoryButtons();
    switch (category) {
    case Category::All:
        return buttons[0];
    case Category::Images:
        return buttons[1];
    case Category::Videos:
        return buttons[2];
    case Category::Audio:
        return buttons[3];
    case Category::Documents:
        return buttons[4];
    case Category::Others:
        return buttons[5];
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
    const ModalPtr& tree = modal();
    m_files->showSet(-1, -1);
    setMarkedFilesDetails();
    m_window->selectTabViewItemWithIdentifier(QStringLiteral("4"));
    m_window->helpButton()->setEnabled(true);
    showPlaceholder();
    m_page->setPathText(QString());
    m_page->properties()->clear();
    updateSummary();
    if (tree->extensionCount() != 0) {
        m_page->outlineView()->expandAll();
        // Row 1: the first set of the first group with a set.
        for (int g = 0; g < m_outline->rowCount(); ++g) {
            const QModelIndex group = m_outline->index(g, ResultOutlineModel::Name);
            if (m_outline->rowCount(group) > 0) {
                showLoading();
                m_page->outlineView()->setCurrentIndex(m_outline->index(0, ResultOutlineModel::Name, group));
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
    m_preview->cancel();
    m_store->clear();
    removeLoading();
    showPlaceholder();
    m_page->setPathText(QString());
    m_page->properties()->clear();
    m_page->setSummaryText(QString());
    m_page->setDeleteEnabled(true);
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
        m_page->outlineView()->setFocus(); // back to the results, not to whatever came first
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
    m_window->showOverlayAt(m_window->loadingCover(), 205, 114);
    m_window->loadingCover()->setRunning(true);
}

void ReviewController::removeLoading()
{
    m_window->loadingCover()->setRunning(false);
    m_window->loadingCover()->hide();
}

// --- Outline, table, preview -------------------------------------------------

ExtensionsPtr ReviewController::selectedExtension() const
{
    // The group of the selected set, wherever the outline's current row
    // (a group row after a click on its name or an arrow key) has gone.
    const QModelIndexList rows = m_page->outlineView()->selectionModel()->selectedRows();
    if (!rows.isEmpty() && m_outline->isSetRow(rows.first())) {
        return m_outline->extensionAt(rows.first());
    }
    return m_outline->extensionAt(m_page->outlineView()->currentIndex());
}

SetPtr ReviewController::selectedSet() const
{
    const QModelIndexList rows = m_page->outlineView()->selectionModel()->selectedRows();
    return rows.isEmpty() ? SetPtr() : m_outline->setAt(rows.first());
}

FilePtr ReviewController::selectedFile() const
{
    const QModelIndex current = m_page->fileTable()->currentIndex();
    const FilePtr file = current.isValid() ? m_files->fileAt(current.row()) : FilePtr();
    return file ? file : m_files->fileAt(0);
}

void ReviewController::outlineViewSelectionDidChange()
{
    const QModelIndexList rows = m_page->outlineView()->selectionModel()->selectedRows();
    const SetPtr set = rows.isEmpty() ? SetPtr() : m_outline->setAt(rows.first());
    if (!set || set->files().isEmpty()) {
        return;
    }
    m_files->showSet(rows.first().parent().row(), rows.first().row());
    removeLoading();
    m_page->fileTable()->selectRow(0);
    showSelectedFile(m_files->fileAt(0)->filePath());
}

void ReviewController::tableViewSelectionDidChange()
{
    const QModelIndexList rows = m_page->fileTable()->selectionModel()->selectedRows();
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
    showPlaceholder();
    m_page->setPathText(QStringLiteral("Path: %1").arg(PathText::display(path)));
    m_page->properties()->clear();
    m_preview->request(path, review().category() == Category::Images);
}

// --- Marking -----------------------------------------------------------------

void ReviewController::setReferences(const ReferenceRoots& references)
{
    m_references = references;
    m_outline->setReferences(references);
}

void ReviewController::applyRule(const KeepRule& rule, const ExtensionsPtr& group, const SetPtr& set)
{
    const ModalPtr tree = modal();
    if (!tree) {
        return;
    }
    if (!group) {
        m_store->applyKeepRule(rule, m_references);
        return;
    }
    const int groupRow = int(tree->extensions().indexOf(group));
    if (groupRow < 0) {
        return;
    }
    if (!set) {
        m_store->applyKeepRule(rule, m_references, groupRow);
        return;
    }
    const int setRow = int(group->sets().indexOf(set));
    if (setRow >= 0) {
        m_store->applyKeepRule(rule, m_references, groupRow, setRow);
    }
}

bool ReviewController::setFullyMarked(const Set& set) const
{
    return m_references.isEmpty() ? set.setsState() == MarkState::Marked
                                  : ReferenceMarking::setFullyMarked(set, m_references);
}

void ReviewController::markAllClicked()
{
    if (!m_references.isEmpty()) {
        // Every set keeps its reference copies instead of its first file.
        applyRule(KeepRule());
        return;
    }
    m_store->markAll();
}

void ReviewController::unMarkAllClicked()
{
    m_store->unmarkAll();
}

void ReviewController::collectionViewCheckButtonCLicked(qint64 row)
{
    const FilePtr file = row >= 0 && row <= INT_MAX ? m_files->fileAt(int(row)) : FilePtr();
    int group = -1;
    int set = -1;
    selectedRows(&group, &set);
    const char* refusal = nullptr;
    bool unchanged = false;
    if (m_references.isEmpty()) {
        const auto click = m_store->changeStateOfFile(group, set, file);
        refusal = click == MarkingRules::FileClick::Refused ? MarkingRules::RefusalText : nullptr;
        unchanged = click == MarkingRules::FileClick::Refused || click == MarkingRules::FileClick::NoFile;
    } else {
        const auto click = m_store->referenceFileBox(group, set, file, m_references);
        refusal = click == ReferenceMarking::FileClick::RefusedLastCopy    ? MarkingRules::RefusalText
                  : click == ReferenceMarking::FileClick::RefusedReference ? ReferenceMarking::RefusalText
                                                                           : nullptr;
        unchanged = refusal || click == ReferenceMarking::FileClick::NoFile;
    }
    if (refusal) {
        m_information->showInformation(QStringLiteral("Information"), QString::fromLatin1(refusal), QString(),
                                       QString(), QStringLiteral("common_info"), QStringLiteral("Ok"));
        Q_EMIT informationShown(QString::fromLatin1(refusal));
    }
    if (unchanged) {
        followTotals(); // the follow-up runs also when nothing changed
    }
}

void ReviewController::followTotals()
{
    // A move to the exceptions reports once, when it is over.
    if (m_store->exceptionMoveRunning()) {
        return;
    }
    setMarkedFilesDetails();
    enableNecessaryButton();
    updateSummary();
    Q_EMIT marksChanged();
}

void ReviewController::updateSummary()
{
    const ResultReview::Totals totals = review().totalsOnScreen();
    auto count = [](quint64 n, const char* one, const char* many) {
        return QStringLiteral("%1 %2").arg(n).arg(QLatin1String(n == 1 ? one : many));
    };
    m_page->setSummaryText(QStringLiteral("%1 in %2: %3, %4")
                               .arg(count(totals.sets, "set", "sets"),
                                    count(totals.groups, "group", "groups"),
                                    count(totals.files, "duplicate file", "duplicate files"),
                                    Formatting::getFormattedStringForSize(totals.bytes)));
}

void ReviewController::followRemoval()
{
    QTableView* table = m_page->fileTable();
    if (m_files->rowCount() > 0 && !table->selectionModel()->hasSelection()) {
        table->selectRow(0);
    }
}

void ReviewController::setMarkedFilesDetails()
{
    const ModalPtr& tree = modal();
    const quint64 count = tree ? tree->totalFilesSelected() : 0;
    const quint64 size = tree ? tree->totalFilesSelectedSize() : 0;
    m_page->setMarkedTexts(
        QStringLiteral("Marked Duplicate Files: %1").arg(count),
        QStringLiteral("Marked File Size: %1").arg(Formatting::getFormattedStringForSize(size)));
}

void ReviewController::enableNecessaryButton()
{
    Opacity::set(m_page->homeButton(), 1.0);
    if (m_exactMode()) {
        const MarkingRules::ButtonStates states = MarkingRules::enableNecessaryButton(modal().get());
        auto apply = [](QWidget* widget, const std::optional<bool>& enabled) {
            if (enabled) {
                widget->setEnabled(*enabled);
            }
        };
        apply(m_page->markAllButton(), states.markAll);
        apply(m_page->unmarkAllButton(), states.unMarkAll);
        apply(m_page->exceptionButton(), states.addEceptionBtn);
        apply(m_page->sortPopup(), states.sortPopupBtn);
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
    m_files->setSortOrder(key, m_page->ascendingButton()->isChecked());
    removeLoading();
    // The file on show keeps the selection in its new row.
    if (shown) {
        m_page->fileTable()->selectRow(int(shown->index()));
    }
}

// --- Context menu ----------------------------------------------------------------

void ReviewController::showContextMenu(const QPoint& position)
{
    ResultOutlineView* view = m_page->outlineView();
    QModelIndex at = view->indexAt(position);
    QPoint where = position;
    if (!m_outline->isSetRow(at) && m_outline->isSetRow(view->currentIndex())) {
        // The menu key: the menu is for the set with the keyboard focus.
        at = view->currentIndex();
        where = view->visualRect(at).center();
    }
    if (!m_outline->isSetRow(at)) {
        // A group row: only what applies to the whole group.
        const ExtensionsPtr group = m_outline->extensionAt(at);
        if (!group) {
            return;
        }
        m_menu->clear();
        Q_EMIT contextMenuAboutToShow(m_menu, group, {});
        if (!m_menu->isEmpty()) {
            m_menu->popup(view->viewport()->mapToGlobal(where));
        }
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
    QAction* mark = add(set && setFullyMarked(*set) ? QStringLiteral("Unmark") : QStringLiteral("Mark"), 0);
    mark->setObjectName(QStringLiteral("markUnmarkSelected"));
    m_menu->addSeparator();
    add(QStringLiteral("Open"), 1);
    add(QStringLiteral("Show in Folder"), 2);
    m_menu->addSeparator();
    add(QStringLiteral("Mark All in Set"), 5);
    add(QStringLiteral("Unmark All in Set"), 6);
    m_menu->addSeparator();
    add(QStringLiteral("Get Info"), 7);
    m_menu->addSeparator();
    Q_EMIT contextMenuAboutToShow(m_menu, m_outline->extensionAt(at), set);
    m_menu->popup(view->viewport()->mapToGlobal(where));
}

void ReviewController::righClickMenuItemClicked(int tag)
{
    switch (tag) {
    case 0: {
        const SetPtr set = selectedSet();
        markUnmarkSelectedOutlineImage(!set || !setFullyMarked(*set));
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
    const QModelIndexList rows = m_page->outlineView()->selectionModel()->selectedRows();
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
    if (!m_references.isEmpty()) {
        m_store->applyKeepRule(KeepRule(), m_references, group, set);
        return;
    }
    m_store->markSet(group, set, true);
}

void ReviewController::unMarkAllSelectedSet()
{
    int group = -1;
    int set = -1;
    if (!selectedRows(&group, &set)) {
        return;
    }
    if (!m_references.isEmpty()) {
        // The box clears a set filled as far as references allow; fill it first.
        if (!ReferenceMarking::setFullyMarked(*modal()->extensions().at(group)->sets().at(set),
                                              m_references)) {
            m_store->referenceSetBox(group, set, m_references);
        }
        m_store->referenceSetBox(group, set, m_references);
        return;
    }
    m_store->markSet(group, set, false);
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
    const QString shown = m_page->properties()->text();
    const QString text = shown.isEmpty() ? FileProperties::getAllProperties(file->filePath()) : shown;
    m_information->showInformation(QStringLiteral("Information"), text.trimmed(), QString(), QString(),
                                   QStringLiteral("common_info"), QStringLiteral("Ok"));
    Q_EMIT informationShown(text.trimmed());
}

void ReviewController::showPlaceholder()
{
    m_previewThumbnail = QImage();
    m_page->preview()->setPixmap(placeholderImage(m_window->devicePixelRatioF()));
}

bool ReviewController::eventFilter(QObject* watched, QEvent* event)
{
    QLabel* view = m_page->preview();
    if (watched == view && event->type() == QEvent::Resize && !m_previewThumbnail.isNull()) {
        view->setPixmap(PreviewLoader::fitPreview(m_previewThumbnail, view->size() - QSize(2, 2),
                                                  view->devicePixelRatioF()));
    }
    return QObject::eventFilter(watched, event);
}
