#include "ui/MainWindow.h"

#include "ui/AnchorLayout.h"
#include "ui/DeletionPanel.h"
#include "ui/FocusedRowFrame.h"
#include "ui/HomePage.h"
#include "ui/LoadingCover.h"
#include "ui/LocationPage.h"
#include "ui/ResultOutlineView.h"
#include "ui/ResultPage.h"
#include "ui/RunningNotice.h"
#include "ui/ScanPage.h"
#include "ui/StopScanQuestion.h"
#include "ui/Theme.h"
#include "ui/ViewTransparent.h"
#include "ui_MainWindow.h"

#include <QApplication>
#include <QCloseEvent>
#include <QResizeEvent>
#include <QSettings>
#include <QTableView>

namespace {

constexpr char kGeometryKey[] = "MainWindow/geometry";

} // namespace

MainWindow::MainWindow(QWidget* parent) : QWidget(parent), m_ui(new Ui::MainWindow)
{
    Theme::apply(qobject_cast<QApplication*>(QCoreApplication::instance()));
    m_ui->setupUi(this);
    // Created in this order for the stacking and the keyboard's way through them.
    m_home = new HomePage;
    m_locations = new LocationPage;
    m_scan = new ScanPage;
    m_results = new ResultPage;
    for (QWidget* page : {static_cast<QWidget*>(m_home), static_cast<QWidget*>(m_locations),
                          static_cast<QWidget*>(m_scan), static_cast<QWidget*>(m_results)}) {
        m_ui->tabViewMain->addWidget(page);
    }
    m_loading = new LoadingCover(this);
    m_deletion = new DeletionPanel(this);
    m_stopQuestion = new StopScanQuestion(this);
    m_notice = new RunningNotice(this);
    for (QWidget* overlay : {static_cast<QWidget*>(m_loading), static_cast<QWidget*>(m_deletion),
                             static_cast<QWidget*>(m_stopQuestion), static_cast<QWidget*>(m_notice)}) {
        overlay->hide();
    }
    connect(m_ui->tabViewMain, &QStackedWidget::currentChanged, this, &MainWindow::pageChanged);
    setMinimumSize(FirstSize);
    resize(FirstSize);
    layOutWindow();
    for (QAbstractItemView* view : {static_cast<QAbstractItemView*>(m_locations->table()),
                                    static_cast<QAbstractItemView*>(m_results->fileTable()),
                                    static_cast<QAbstractItemView*>(m_results->outlineView())}) {
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

void MainWindow::layOutWindow()
{
    // The bar keeps its height, the pages take the rest; each page lays
    // itself out. The panels over the pages keep their own places.
    auto* window = new AnchorLayout(this, FirstSize);
    window->addAnchored(m_ui->topBar, 0, 0, 1, 0);
    window->addAnchored(m_ui->tabViewMain, 0, 0, 1, 1);

    auto* top = new AnchorLayout(m_ui->topBar, m_ui->topBar->size());
    top->addAnchored(m_ui->titleText, 0, 0, 1, 0);
    top->addAnchored(m_ui->buttonHelpManual, 1, 0, 1, 0);
}

QAbstractButton* MainWindow::helpButton() const
{
    return m_ui->buttonHelpManual;
}

QPoint MainWindow::pageToWindow(const QPoint& point) const
{
    return point + m_ui->tabViewMain->pos();
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
