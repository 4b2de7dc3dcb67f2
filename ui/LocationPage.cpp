#include "ui/LocationPage.h"

#include "locations/LocationTableModel.h"
#include "ui/AnchorLayout.h"
#include "ui/ButtonStyling.h"
#include "ui/CheckBoxDelegate.h"
#include "ui/CheckColumnKeys.h"
#include "ui/CheckToggleAccessible.h"
#include "ui/LocationCellDelegate.h"
#include "ui/Opacity.h"
#include "ui_LocationPage.h"

#include <QHeaderView>

LocationPage::LocationPage(QWidget* parent) : QWidget(parent), m_ui(new Ui::LocationPage)
{
    m_ui->setupUi(this);
    auto* layout = new AnchorLayout(this, size());
    layout->addAnchored(m_ui->locationButtonBar, 0, 1, 1, 1);
    layout->addAnchored(m_ui->locationButtonRule, 0, 1, 1, 1);
    for (QWidget* w :
         {static_cast<QWidget*>(m_ui->buttonHomePage), static_cast<QWidget*>(m_ui->backFolderButton),
          static_cast<QWidget*>(m_ui->nextFolderButton)}) {
        layout->addAnchored(w, 0, 0, 0, 0);
    }
    layout->addAnchored(m_ui->locationTitle, 0, 0, 1, 0);
    layout->addAnchored(m_ui->tableExact, 0, 0, 1, 1);
    for (QWidget* w : {m_ui->addFolders, m_ui->addPhotos, m_ui->markAllExactBtn, m_ui->unmarkAllExactBtn,
                       m_ui->removeFromListExactBtn}) {
        layout->addAnchored(w, 0, 1, 0, 1);
    }
    layout->addAnchored(m_ui->findDuplicateExact, 1, 1, 1, 1);

    const QColor ink(29, 59, 68);
    for (QAbstractButton* arrow : {static_cast<QAbstractButton*>(m_ui->backFolderButton),
                                   static_cast<QAbstractButton*>(m_ui->nextFolderButton)}) {
        ButtonStyling::setButtonAtrribute(arrow, 4, Qt::white,
                                          {{QStringLiteral("Title"), arrow->text()},
                                           {QStringLiteral("TitleColor"), ink},
                                           {QStringLiteral("Font"), 20}});
    }
    m_ui->backFolderButton->setAccessibleName(tr("Back"));
    m_ui->nextFolderButton->setAccessibleName(tr("Forward"));

    connect(m_ui->buttonHomePage, &QAbstractButton::clicked, this, &LocationPage::homeClicked);
    connect(m_ui->backFolderButton, &QAbstractButton::clicked, this, &LocationPage::backClicked);
    connect(m_ui->nextFolderButton, &QAbstractButton::clicked, this, &LocationPage::forwardClicked);
    connect(m_ui->addFolders, &QAbstractButton::clicked, this, &LocationPage::addFoldersClicked);
    connect(m_ui->addPhotos, &QAbstractButton::clicked, this, &LocationPage::addPhotosClicked);
    connect(m_ui->markAllExactBtn, &QAbstractButton::clicked, this, &LocationPage::markAllClicked);
    connect(m_ui->unmarkAllExactBtn, &QAbstractButton::clicked, this, &LocationPage::unmarkAllClicked);
    connect(m_ui->removeFromListExactBtn, &QAbstractButton::clicked, this, &LocationPage::removeClicked);
    connect(m_ui->findDuplicateExact, &QAbstractButton::clicked, this, &LocationPage::scanClicked);
}

LocationPage::~LocationPage()
{
    delete m_ui;
}

void LocationPage::setModel(LocationTableModel* model)
{
    QTableView* table = m_ui->tableExact;
    m_cells = new LocationCellDelegate(this);
    table->setModel(model);
    table->setItemDelegateForColumn(LocationTableModel::MainCell, m_cells);
    CheckColumnKeys::install(table, LocationTableModel::ButtonCell);
    CheckToggleAccessible::install(table, LocationTableModel::ButtonCell);
    connect(m_cells, &LocationCellDelegate::pictureReady, table->viewport(), qOverload<>(&QWidget::update));
    table->setItemDelegateForColumn(LocationTableModel::ButtonCell, new CheckBoxDelegate(this));
    table->verticalHeader()->hide();
    // The page title above the table already names the mode.
    table->horizontalHeader()->hide();
    table->verticalHeader()->setDefaultSectionSize(LocationCellDelegate::RowHeight);
    table->horizontalHeader()->setSectionResizeMode(LocationTableModel::MainCell, QHeaderView::Stretch);
    table->horizontalHeader()->setSectionResizeMode(LocationTableModel::ButtonCell, QHeaderView::Fixed);
    table->horizontalHeader()->resizeSection(LocationTableModel::ButtonCell, 56);
    table->horizontalHeader()->setHighlightSections(false);
    table->setSelectionBehavior(QAbstractItemView::SelectRows);
    table->setSelectionMode(QAbstractItemView::SingleSelection);
    table->setShowGrid(false);
    table->setAcceptDrops(true);
    table->setDragDropMode(QAbstractItemView::DropOnly);
    table->setDefaultDropAction(Qt::CopyAction);
    table->setDropIndicatorShown(true);
    table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table->setContextMenuPolicy(Qt::CustomContextMenu);

    connect(table, &QWidget::customContextMenuRequested, this, [this, table](const QPoint& at) {
        const QModelIndex index = table->indexAt(at);
        Q_EMIT contextMenuRequested(index.isValid() ? index.row() : -1, table->viewport()->mapToGlobal(at));
    });
    connect(table, &QAbstractItemView::doubleClicked, this, [this](const QModelIndex& index) {
        // A double click on the check box is two toggles, not a way in.
        if (index.column() != LocationTableModel::ButtonCell) {
            Q_EMIT rowActivated(index.row());
        }
    });
}

QTableView* LocationPage::table() const
{
    return m_ui->tableExact;
}

ButtonHoverSimple* LocationPage::homeButton() const
{
    return m_ui->buttonHomePage;
}

void LocationPage::setTitle(const QString& title)
{
    m_ui->locationTitle->setText(title);
}

void LocationPage::setListCommandsEnabled(bool markAll, bool unmarkAll, bool remove)
{
    m_ui->markAllExactBtn->setEnabled(markAll);
    m_ui->unmarkAllExactBtn->setEnabled(unmarkAll);
    m_ui->removeFromListExactBtn->setEnabled(remove);
}

bool LocationPage::markAllEnabled() const
{
    return m_ui->markAllExactBtn->isEnabled();
}

bool LocationPage::unmarkAllEnabled() const
{
    return m_ui->unmarkAllExactBtn->isEnabled();
}

void LocationPage::setScanEnabled(bool enabled)
{
    m_ui->findDuplicateExact->setEnabled(enabled);
    Opacity::set(m_ui->findDuplicateExact, enabled ? 1.0 : 0.6);
    if (!enabled) {
        m_ui->findDuplicateExact->setText(QStringLiteral("Scan"));
    }
}

void LocationPage::setHistoryEnabled(bool back, bool forward)
{
    m_ui->backFolderButton->setEnabled(back);
    m_ui->nextFolderButton->setEnabled(forward);
}

void LocationPage::selectRow(int row)
{
    m_ui->tableExact->selectRow(row);
}

QPoint LocationPage::noticeTopLeft() const
{
    // Over the table, where the first-size window has it; a larger window
    // keeps it centred the same way.
    return m_ui->tableExact->geometry().topLeft() + QPoint(220, 50);
}
