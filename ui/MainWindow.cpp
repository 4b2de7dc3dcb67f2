#include "ui/MainWindow.h"

#include "ui_MainWindow.h"

#include <QCloseEvent>

MainWindow::MainWindow(QWidget* parent) : QWidget(parent), m_ui(new Ui::MainWindow)
{
    m_ui->setupUi(this);
    m_ui->confirmationView->hide();
    m_ui->runningAlert->hide();
    setFixedSize(1016, 531);
    // The painted controls draw themselves; the sheet styles only the
    // standard widgets and the texts around them.
    setStyleSheet(QStringLiteral(R"(
        #titleText { color: white; font-size: 15px; font-weight: bold; }
        #cleanHistory { color: white; font-size: 14px; }
        #locationTitle { font-size: 15px; font-weight: bold; color: #1d3b44; }
        #searchStatus { font-size: 16px; font-weight: bold; color: #1d3b44; }
        #confirmationText, #runningAlertText { color: #1d3b44; font-size: 13px; }
        #imView { border: 1px solid #c8d6da; color: #789; }
        #textField { font-family: monospace; font-size: 10px; color: #1d3b44; }
        #selectedPath { color: #1d3b44; }
        #resultSummary { font-size: 13px; color: #456; }
        #selectedCount, #selectedSize { font-weight: bold; color: #1d3b44; }
        #loadingView { background: rgba(255,255,255,0.6); }
        #deletionStatus { font-size: 16px; font-weight: bold; color: #1d3b44; }
        QProgressBar { border: 1px solid #c8d6da; border-radius: 4px; background: #eef6f8; text-align: center; }
        QProgressBar::chunk { background: #009bb2; border-radius: 3px; }
        QComboBox:focus, QToolButton:focus, QAbstractItemView:focus { outline: 2px solid #f0b429; }
    )"));
}

MainWindow::~MainWindow()
{
    delete m_ui;
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
    overlay->move(x, height() - y - overlay->height());
    overlay->show();
    overlay->raise();
}

void MainWindow::closeEvent(QCloseEvent* event)
{
    if (m_closeGuard && !m_closeGuard()) {
        event->ignore();
        return;
    }
    event->accept();
}
