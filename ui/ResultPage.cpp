#include "ui/ResultPage.h"

#include "ui/AnchorLayout.h"
#include "ui/Opacity.h"
#include "ui/ViewTransparent.h"
#include "ui_ResultPage.h"

#include <QShortcut>

ResultPage::ResultPage(QWidget* parent) : QWidget(parent), m_ui(new Ui::ResultPage)
{
    m_ui->setupUi(this);
    // The outline takes a quarter of the extra width, the file table and its
    // path 45 %, the preview and properties the rest.
    constexpr double outlineEnd = 0.25;
    constexpr double tableEnd = 0.7;
    auto* layout = new AnchorLayout(this, size());
    layout->addAnchored(m_ui->resultButtonBar, 0, 1, 1, 1);
    layout->addAnchored(m_ui->resultButtonRule, 0, 1, 1, 1);
    layout->addAnchored(m_ui->outlineBackground, 0, 0, outlineEnd, 1);
    layout->addAnchored(m_ui->buttonHomeExactPage, 0, 0, 0, 0);
    for (QAbstractButton* w : categoryButtons()) {
        layout->addAnchored(w, 0, 0, 0, 0);
    }
    layout->addAnchored(m_ui->sortPopupBtn, 1, 0, 1, 0);
    layout->addAnchored(m_ui->asscendingBtn, 1, 0, 1, 0);
    layout->addAnchored(m_ui->OView2, 0, 0, outlineEnd, 1);
    layout->addAnchored(m_ui->resultTable, outlineEnd, 0, tableEnd, 1);
    layout->addAnchored(m_ui->selectedPath, outlineEnd, 1, tableEnd, 1);
    layout->addAnchored(m_ui->imView, tableEnd, 0, 1, 1);
    layout->addAnchored(m_ui->textField, tableEnd, 1, 1, 1);
    layout->addAnchored(m_ui->resultSummary, outlineEnd, 1, 1, 1);
    layout->addAnchored(m_ui->selectedCount, 0, 1, 0, 1);
    layout->addAnchored(m_ui->selectedSize, 0, 1, 0, 1);
    for (QWidget* w : {m_ui->markAll, m_ui->unMarkAll, m_ui->addEceptionBtn, m_ui->finishButton,
                       m_ui->markByRule, m_ui->saveResults}) {
        layout->addAnchored(w, 1, 1, 1, 1);
    }

    connect(m_ui->buttonHomeExactPage, &QAbstractButton::clicked, this, &ResultPage::homeClicked);
    const QList<QAbstractButton*> categories = categoryButtons();
    for (int i = 0; i < categories.size(); ++i) {
        connect(categories[i], &QAbstractButton::clicked, this, [this, i] { Q_EMIT categoryClicked(i); });
    }
    connect(m_ui->markAll, &QAbstractButton::clicked, this, &ResultPage::markAllClicked);
    connect(m_ui->unMarkAll, &QAbstractButton::clicked, this, &ResultPage::unmarkAllClicked);
    connect(m_ui->addEceptionBtn, &QAbstractButton::clicked, this, &ResultPage::addExceptionsClicked);
    connect(m_ui->finishButton, &QAbstractButton::clicked, this, &ResultPage::deleteClicked);

    // Keyboard ways to the page's main commands; each acts only while its button could be clicked.
    auto shortcut = [this](const QKeySequence& keys, QAbstractButton* button) {
        auto* action = new QShortcut(keys, this);
        action->setContext(Qt::WidgetWithChildrenShortcut);
        connect(action, &QShortcut::activated, button, [this, button] {
            // Not while a panel and its cover wait for an answer.
            const bool covered = window()->findChild<ViewTransparent*>(QString(), Qt::FindDirectChildrenOnly);
            if (button->isEnabled() && button->isVisible() && !covered) {
                button->click();
            }
        });
    };
    shortcut(QKeySequence(Qt::CTRL | Qt::Key_A), m_ui->markAll);
    shortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_A), m_ui->unMarkAll);
    shortcut(QKeySequence(Qt::Key_Delete), m_ui->finishButton);
    m_ui->markAll->setToolTip(m_ui->markAll->toolTip() + QStringLiteral(" (Ctrl+A)"));
    m_ui->unMarkAll->setToolTip(m_ui->unMarkAll->toolTip() + QStringLiteral(" (Ctrl+Shift+A)"));
    m_ui->finishButton->setToolTip(m_ui->finishButton->toolTip() + QStringLiteral(" (Delete)"));
    m_ui->imView->setAccessibleName(tr("Preview"));
    m_ui->textField->setAccessibleName(tr("Properties"));
}

ResultPage::~ResultPage()
{
    delete m_ui;
}

ResultOutlineView* ResultPage::outlineView() const
{
    return m_ui->OView2;
}

QTableView* ResultPage::fileTable() const
{
    return m_ui->resultTable;
}

QLabel* ResultPage::preview() const
{
    return m_ui->imView;
}

QLabel* ResultPage::properties() const
{
    return m_ui->textField;
}

QList<QAbstractButton*> ResultPage::categoryButtons() const
{
    return {m_ui->allButton,   m_ui->imageButton,    m_ui->videoButton,
            m_ui->audioButton, m_ui->documentButton, m_ui->otherButton};
}

ButtonHoverSimple* ResultPage::homeButton() const
{
    return m_ui->buttonHomeExactPage;
}

QAbstractButton* ResultPage::markAllButton() const
{
    return m_ui->markAll;
}

QAbstractButton* ResultPage::markByRuleButton() const
{
    return m_ui->markByRule;
}

QAbstractButton* ResultPage::saveResultsButton() const
{
    return m_ui->saveResults;
}

QAbstractButton* ResultPage::unmarkAllButton() const
{
    return m_ui->unMarkAll;
}

QAbstractButton* ResultPage::exceptionButton() const
{
    return m_ui->addEceptionBtn;
}

QAbstractButton* ResultPage::deleteButton() const
{
    return m_ui->finishButton;
}

QComboBox* ResultPage::sortPopup() const
{
    return m_ui->sortPopupBtn;
}

QToolButton* ResultPage::ascendingButton() const
{
    return m_ui->asscendingBtn;
}

void ResultPage::setPathText(const QString& text)
{
    m_ui->selectedPath->setText(text);
}

void ResultPage::setSummaryText(const QString& text)
{
    m_ui->resultSummary->setText(text);
}

void ResultPage::setMarkedTexts(const QString& count, const QString& size)
{
    m_ui->selectedCount->setText(count);
    m_ui->selectedSize->setText(size);
}

void ResultPage::setDeleteEnabled(bool enabled)
{
    m_ui->finishButton->setEnabled(enabled);
    Opacity::set(m_ui->finishButton, enabled ? 1.0 : 0.6);
}

void ResultPage::setDeleting(bool deleting)
{
    m_ui->buttonHomeExactPage->setVisible(!deleting);
    setDeleteEnabled(!deleting);
    m_ui->resultTable->setVisible(!deleting);
    // The cover takes the mouse; this keeps the keyboard off the page too, so
    // no mark can change while the run reads them.
    setEnabled(!deleting);
    if (!deleting) {
        m_ui->OView2->setFocus();
    }
}
