#include "ui/MainWindow.h"

#include "ui_MainWindow.h"

#include <QCloseEvent>

MainWindow::MainWindow(QWidget* parent) : QWidget(parent), m_ui(new Ui::MainWindow)
{
    m_ui->setupUi(this);
    m_ui->confirmationView->hide();
    m_ui->runningAlert->hide();
    setFixedSize(1016, 531);
    setStyleSheet(QStringLiteral(R"(
        #topBar { background: #0e5f73; }
        #titleText { color: white; font-size: 15px; font-weight: bold; }
        #buttonHelpManual { color: white; background: transparent; border: 1px solid rgba(255,255,255,0.6);
                            border-radius: 4px; }
        #buttonHelpManual:hover { background: rgba(255,255,255,0.15); }
        #buttonHelpManual:disabled { color: rgba(255,255,255,0.4); border-color: rgba(255,255,255,0.25); }
        #buttonScanDrive, #buttonScanFolders, #findDuplicateExact, #addFolders, #addPhotos,
        #markAllExactBtn, #unmarkAllExactBtn, #removeFromListExactBtn,
        #pauseResume, #stopButton, #cancelYes, #cancelNo, #runningAlertOk {
            color: white; background: #158aa2; border: none; border-radius: 4px; font-size: 14px; }
        #buttonScanDrive:hover, #buttonScanFolders:hover, #findDuplicateExact:hover, #addFolders:hover,
        #addPhotos:hover, #markAllExactBtn:hover, #unmarkAllExactBtn:hover, #removeFromListExactBtn:hover,
        #pauseResume:hover, #stopButton:hover, #cancelYes:hover, #cancelNo:hover,
        #runningAlertOk:hover { background: #1a9db8; }
        #buttonScanDrive:disabled, #buttonScanFolders:disabled, #findDuplicateExact:disabled,
        #addFolders:disabled, #addPhotos:disabled, #markAllExactBtn:disabled, #unmarkAllExactBtn:disabled,
        #removeFromListExactBtn:disabled, #pauseResume:disabled, #stopButton:disabled,
        #cancelYes:disabled, #cancelNo:disabled, #runningAlertOk:disabled { background: #a9cdd5; color: #eef6f8; }
        QPushButton:focus { outline: 2px solid #f0b429; }
        #buttonScanDrive, #buttonScanFolders { font-size: 16px; background: rgba(255,255,255,0.18);
            border: 1px solid rgba(255,255,255,0.7); }
        #buttonScanDrive:hover, #buttonScanFolders:hover { background: rgba(255,255,255,0.3); }
        #cleanHistory { color: white; font-size: 14px; }
        #removeExceptionBtn { color: white; background: rgba(255,255,255,0.18); border: 1px solid rgba(255,255,255,0.6);
                              border-radius: 4px; }
        #removeExceptionBtn:hover { background: rgba(255,255,255,0.3); }
        #removeExceptionBtn:disabled { color: rgba(255,255,255,0.45); border-color: rgba(255,255,255,0.25); }
        #addEceptionBtn { color: white; background: #158aa2; border: none; border-radius: 4px; font-size: 13px; }
        #addEceptionBtn:disabled { background: #a9cdd5; color: #eef6f8; }
        #locationTitle { font-size: 15px; font-weight: bold; color: #1d3b44; }
        #searchStatus { font-size: 16px; font-weight: bold; color: #1d3b44; }
        #confirmationView, #runningAlert { background: white; border: 1px solid #9ab; border-radius: 6px; }
        #imView { border: 1px solid #c8d6da; color: #789; }
        #backFolderButton, #nextFolderButton { font-size: 20px; }
        #markAll, #unMarkAll, #finishButton, #pauseResumeBtn, #stopDeleteBtn {
            color: white; background: #158aa2; border: none; border-radius: 4px; font-size: 14px; }
        #markAll:hover, #unMarkAll:hover, #pauseResumeBtn:hover, #stopDeleteBtn:hover { background: #1a9db8; }
        #finishButton { background: #c0392b; }
        #finishButton:hover { background: #d5503f; }
        #markAll:disabled, #unMarkAll:disabled, #finishButton:disabled, #pauseResumeBtn:disabled,
        #stopDeleteBtn:disabled { background: #a9cdd5; color: #eef6f8; }
        #allButton, #imageButton, #videoButton, #audioButton, #documentButton, #otherButton {
            color: #1d3b44; background: white; border: 1px solid #b8cdd3; border-radius: 4px; font-size: 13px; }
        #allButton:hover, #imageButton:hover, #videoButton:hover, #audioButton:hover, #documentButton:hover,
        #otherButton:hover { background: #e6f3f6; }
        QPushButton[current="true"] { color: white; background: #0e5f73; border-color: #0e5f73; }
        #textField { font-family: monospace; font-size: 10px; color: #1d3b44; }
        #selectedPath { color: #1d3b44; }
        #resultSummary { font-size: 13px; font-weight: normal; color: #456; }
        #selectedCount, #selectedSize { font-weight: bold; color: #1d3b44; }
        #loadingView { background: rgba(255,255,255,0.6); }
        #deletionPreview { background: white; border: 1px solid #9ab; border-radius: 6px; }
        #deletionStatus { font-size: 16px; font-weight: bold; color: #1d3b44; }
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
