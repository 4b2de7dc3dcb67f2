#include "ui/MainWindow.h"

#include "ui/AnchorLayout.h"
#include "ui/FocusedRowFrame.h"
#include "ui/Theme.h"
#include "ui/ViewTransparent.h"
#include "ui_MainWindow.h"

#include <QApplication>
#include <QCloseEvent>
#include <QResizeEvent>
#include <QSettings>

namespace {

constexpr char kGeometryKey[] = "MainWindow/geometry";

} // namespace

MainWindow::MainWindow(QWidget* parent) : QWidget(parent), m_ui(new Ui::MainWindow)
{
    Theme::apply(qobject_cast<QApplication*>(QCoreApplication::instance()));
    m_ui->setupUi(this);
    m_ui->confirmationView->hide();
    m_ui->runningAlert->hide();
    m_ui->runningAlert->setDefaultButton(m_ui->runningAlertOk);
    m_ui->runningAlert->setCancelButton(m_ui->runningAlertOk);
    // Stopping a scan is the answer to ask for twice: No is the default.
    m_ui->confirmationView->setDefaultButton(m_ui->cancelNo);
    m_ui->confirmationView->setCancelButton(m_ui->cancelNo);
    setMinimumSize(FirstSize);
    resize(FirstSize);
    layOutPages();
    for (QAbstractItemView* view : {static_cast<QAbstractItemView*>(m_ui->tableExact),
                                    static_cast<QAbstractItemView*>(m_ui->resultTable),
                                    static_cast<QAbstractItemView*>(m_ui->OView2)}) {
        // Tab moves on to the next control; the arrows move within the view.
        view->setTabKeyNavigation(false);
        FocusedRowFrame::install(view);
    }
    // The painted controls draw themselves; the sheet styles only the
    // standard widgets and the texts around them.
    setStyleSheet(QStringLiteral(R"(
        #titleText { color: white; font-size: 15px; font-weight: bold; }
        #cleanHistory { color: white; font-size: 14px; }
        #locationTitle { font-size: 15px; font-weight: bold; color: #1d3b44; }
        #searchStatus { font-size: 16px; font-weight: bold; color: #1d3b44; }
        #progressTypeText, #similarProcessing, #textelapse { color: #1d3b44; }
        #confirmationText, #runningAlertText { color: #1d3b44; font-size: 13px; }
        #imView { border: 1px solid #c8d6da; background: white; color: #56707a; }
        #textField { font-size: 12px; color: #1d3b44; }
        #selectedPath { color: #1d3b44; }
        #resultSummary { font-size: 13px; color: #3d5560; }
        #selectedCount, #selectedSize { font-weight: bold; color: #1d3b44; }
        #loadingView { background: rgba(255,255,255,0.6); }
        #deletionStatus { font-size: 16px; font-weight: bold; color: #1d3b44; }
        QAbstractItemView { border: 1px solid #9fbfc7; padding: 1px; }
        QAbstractItemView:focus { border: 2px solid #102a43; padding: 0; }
    )"));
    QSettings settings;
    const QByteArray geometry = settings.value(QLatin1String(kGeometryKey)).toByteArray();
    if (!geometry.isEmpty()) {
        restoreGeometry(geometry);
    }
}

MainWindow::~MainWindow()
{
    // The overlays die with the window's children, after our members.
    for (auto it = m_overlayPlaces.cbegin(); it != m_overlayPlaces.cend(); ++it) {
        disconnect(it.key(), nullptr, this, nullptr);
    }
    delete m_ui;
}

void MainWindow::layOutPages()
{
    // Shares of the extra room: tables, outline and preview take it; button
    // rows keep to their edges; the scan page stays centred.
    auto* window = new AnchorLayout(this, FirstSize);
    window->addAnchored(m_ui->topBar, 0, 0, 1, 0);
    window->addAnchored(m_ui->tabViewMain, 0, 0, 1, 1);

    auto* top = new AnchorLayout(m_ui->topBar, m_ui->topBar->size());
    top->addAnchored(m_ui->titleText, 0, 0, 1, 0);
    top->addAnchored(m_ui->buttonHelpManual, 1, 0, 1, 0);

    const QSize page = m_ui->tabViewMain->size();
    auto* home = new AnchorLayout(m_ui->page1, page);
    home->addAnchored(m_ui->HomePage, 0, 0, 1, 1);
    home->addAnchored(m_ui->buttonScanDrive, 0.5, 0.5, 0.5, 0.5);
    home->addAnchored(m_ui->buttonScanFolders, 0.5, 0.5, 0.5, 0.5);
    home->addAnchored(m_ui->cleanHistory, 0, 1, 1, 1);
    home->addAnchored(m_ui->removeExceptionBtn, 1, 1, 1, 1);

    auto* locations = new AnchorLayout(m_ui->page2, page);
    locations->addAnchored(m_ui->locationButtonBar, 0, 1, 1, 1);
    locations->addAnchored(m_ui->locationButtonRule, 0, 1, 1, 1);
    for (QWidget* w :
         {static_cast<QWidget*>(m_ui->buttonHomePage), static_cast<QWidget*>(m_ui->backFolderButton),
          static_cast<QWidget*>(m_ui->nextFolderButton)}) {
        locations->addAnchored(w, 0, 0, 0, 0);
    }
    locations->addAnchored(m_ui->locationTitle, 0, 0, 1, 0);
    locations->addAnchored(m_ui->tableExact, 0, 0, 1, 1);
    for (QWidget* w : {m_ui->addFolders, m_ui->addPhotos, m_ui->markAllExactBtn, m_ui->unmarkAllExactBtn,
                       m_ui->removeFromListExactBtn}) {
        locations->addAnchored(w, 0, 1, 0, 1);
    }
    locations->addAnchored(m_ui->findDuplicateExact, 1, 1, 1, 1);

    auto* progress = new AnchorLayout(m_ui->page5, page);
    progress->addAnchored(m_ui->animationImage, 0.5, 0.5, 0.5, 0.5);
    for (QWidget* w :
         {m_ui->searchStatus, m_ui->progressTypeText, m_ui->similarProcessing, m_ui->textelapse}) {
        progress->addAnchored(w, 0, 0.5, 1, 0.5);
    }
    progress->addAnchored(m_ui->similarIndicator, 0.3, 0.5, 0.7, 0.5);
    progress->addAnchored(m_ui->pauseResume, 0.5, 0.5, 0.5, 0.5);
    progress->addAnchored(m_ui->stopButton, 0.5, 0.5, 0.5, 0.5);

    // The result page: outline a quarter of the extra width, the file table
    // and its path 45 %, the preview and properties the rest.
    constexpr double outlineEnd = 0.25;
    constexpr double tableEnd = 0.7;
    auto* results = new AnchorLayout(m_ui->page4, page);
    results->addAnchored(m_ui->resultButtonBar, 0, 1, 1, 1);
    results->addAnchored(m_ui->resultButtonRule, 0, 1, 1, 1);
    results->addAnchored(m_ui->outlineBackground, 0, 0, outlineEnd, 1);
    for (QWidget* w :
         {static_cast<QWidget*>(m_ui->buttonHomeExactPage), static_cast<QWidget*>(m_ui->allButton),
          static_cast<QWidget*>(m_ui->imageButton), static_cast<QWidget*>(m_ui->videoButton),
          static_cast<QWidget*>(m_ui->audioButton), static_cast<QWidget*>(m_ui->documentButton),
          static_cast<QWidget*>(m_ui->otherButton)}) {
        results->addAnchored(w, 0, 0, 0, 0);
    }
    results->addAnchored(m_ui->sortPopupBtn, 1, 0, 1, 0);
    results->addAnchored(m_ui->asscendingBtn, 1, 0, 1, 0);
    results->addAnchored(m_ui->OView2, 0, 0, outlineEnd, 1);
    results->addAnchored(m_ui->resultTable, outlineEnd, 0, tableEnd, 1);
    results->addAnchored(m_ui->selectedPath, outlineEnd, 1, tableEnd, 1);
    results->addAnchored(m_ui->imView, tableEnd, 0, 1, 1);
    results->addAnchored(m_ui->textField, tableEnd, 1, 1, 1);
    results->addAnchored(m_ui->resultSummary, outlineEnd, 1, 1, 1);
    results->addAnchored(m_ui->selectedCount, 0, 1, 0, 1);
    results->addAnchored(m_ui->selectedSize, 0, 1, 0, 1);
    for (QWidget* w : {m_ui->markAll, m_ui->unMarkAll, m_ui->addEceptionBtn, m_ui->finishButton}) {
        results->addAnchored(w, 1, 1, 1, 1);
    }

    // The panels in the deletion window keep their own places; the window
    // itself is an overlay, centred by placeOverlays().
}

void MainWindow::selectTabViewItemWithIdentifier(const QString& identifier)
{
    for (int i = 0; i < m_ui->tabViewMain->count(); ++i) {
        QWidget* page = m_ui->tabViewMain->widget(i);
        if (page->property("identifier").toString() == identifier) {
            m_ui->tabViewMain->setCurrentIndex(i);
            return;
        }
    }
}

QString MainWindow::currentPageIdentifier() const
{
    const QWidget* page = m_ui->tabViewMain->currentWidget();
    return page ? page->property("identifier").toString() : QString();
}

void MainWindow::showOverlayAt(QWidget* overlay, int x, int y)
{
    showOverlayTopLeft(overlay, QPoint(x, FirstSize.height() - y - overlay->height()));
}

void MainWindow::showOverlayTopLeft(QWidget* overlay, const QPoint& designTopLeft)
{
    if (!m_overlayPlaces.contains(overlay)) {
        connect(overlay, &QObject::destroyed, this, [this, overlay] { m_overlayPlaces.remove(overlay); });
    }
    m_overlayPlaces.insert(overlay, designTopLeft);
    placeOverlay(overlay);
    overlay->show();
    overlay->raise();
}

QPoint MainWindow::growth() const
{
    // Half of what the window grew by: a place drawn for the first size
    // stays at the same spot relative to the centre.
    return QPoint((width() - FirstSize.width()) / 2, (height() - FirstSize.height()) / 2);
}

void MainWindow::placeOverlay(QWidget* overlay)
{
    const auto place = m_overlayPlaces.constFind(overlay);
    if (place != m_overlayPlaces.constEnd()) {
        overlay->move(*place + growth());
    } else {
        overlay->move((width() - overlay->width()) / 2, (height() - overlay->height()) / 2);
    }
}

void MainWindow::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    for (QWidget* child : findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
        if (child == m_ui->topBar || child == m_ui->tabViewMain || child->isWindow()) {
            continue;
        }
        if (qobject_cast<ViewTransparent*>(child)) {
            child->setGeometry(rect());
        } else if (child->isVisible()) {
            placeOverlay(child);
        }
    }
}

void MainWindow::closeEvent(QCloseEvent* event)
{
    if (m_closeGuard && !m_closeGuard()) {
        event->ignore();
        return;
    }
    QSettings().setValue(QLatin1String(kGeometryKey), saveGeometry());
    event->accept();
}
