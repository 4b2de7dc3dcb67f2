#include "app/AppDelegate.h"

#include "app/AlertBox.h"
#include "app/DeletionController.h"
#include "app/ExceptionController.h"
#include "app/LocationPageController.h"
#include "app/ReviewController.h"
#include "app/UpdateController.h"
#include "platform/ConsoleUser.h"
#include "platform/DefaultApplication.h"
#include "platform/PathText.h"
#include "platform/SingleInstance.h"
#include "platform/SupportPaths.h"
#include "scan/Formatting.h"
#include "scan/ScanSession.h"
#include "ui/AboutPanel.h"
#include "ui/BusyIndicator.h"
#include "ui/ButtonHoverComplex.h"
#include "ui/ButtonHoverSimple.h"
#include "ui/ButtonStyling.h"
#include "ui/HoverButton.h"
#include "ui/InformationWindow.h"
#include "ui/MainWindow.h"
#include "ui/Opacity.h"
#include "ui_MainWindow.h"

#include <QCoreApplication>
#include <QDesktopServices>
#include <QDir>
#include <QFileInfo>
#include <QMenu>
#include <QMessageBox>
#include <QSettings>
#include <QUrl>

namespace {

const QString HomeImageKey = QStringLiteral("HomeImageValue");
const QString BusyNotice = QStringLiteral("A operation is in progress. Please stop the current process.");

} // namespace

AppDelegate::AppDelegate(MainWindow* window, Options options, QObject* parent)
    : QObject(parent), m_window(window), m_options(options), m_scan(new ScanSession(this)),
      m_locations(new LocationPageController(window, this)), m_about(new AboutPanel(window)),
      m_helpMenu(new QMenu(window)), m_information(new InformationWindow(window)),
      m_review(new ReviewController(
          window, m_information, [this] { return m_exact; }, this)),
      m_deletion(new DeletionController(window, m_information, m_store, m_review, this)),
      m_exceptionCommands(new ExceptionController(
          window, m_exceptions, m_review->store(), m_information, [this] { return m_exact; }, this)),
      m_updates(new UpdateController(window, this))
{
    m_helpMenu->setObjectName(QStringLiteral("helpMenu"));
    wireWindow();
    wireScan();
}

AppDelegate::~AppDelegate() = default;

QString AppDelegate::resourcesPath()
{
    // The program sits in <bundle>/Contents/MacOS; its files in Contents/Resources.
    return QDir::cleanPath(QCoreApplication::applicationDirPath() + QStringLiteral("/../Resources"));
}

QString AppDelegate::manualPath() const
{
    return resourcesPath() + QStringLiteral("/index.html");
}

bool AppDelegate::launch()
{
    awakeFromNib();
    return applicationDidFinishLaunching();
}

void AppDelegate::showHomePicture()
{
    QSettings settings;
    const QVariant stored = settings.value(HomeImageKey);
    m_homeImageValue = stored.isValid() ? stored.toString().toInt() : 1;
    const int picture = (m_homeImageValue == 2 || m_homeImageValue == 3) ? m_homeImageValue : 1;
    // Through QIcon, which picks the @2x picture on a 2x screen.
    QLabel* home = m_window->ui()->HomePage;
    home->setPixmap(QIcon(QStringLiteral(":/images/HomePage%1.png").arg(picture))
                        .pixmap(home->size(), m_window->devicePixelRatioF()));
    m_window->ui()->HomePage->setProperty("pictureName", QStringLiteral("HomePage%1.png").arg(picture));
}

void AppDelegate::awakeFromNib()
{
    showHomePicture();
    if (m_awake) {
        return;
    }
    initializeArrays();
    setHomeButtonImages();
    styleControls();
    auto* ui = m_window->ui();
    ui->buttonHelpManual->setText(QStringLiteral("Help"));
    ui->runningAlertOk->setText(QStringLiteral("Ok"));
    ui->cancelNo->setText(QStringLiteral("No"));
    ui->cancelYes->setText(QStringLiteral("Yes"));
    ui->findDuplicateExact->setText(QStringLiteral("Scan"));
    ui->addPhotos->setText(QStringLiteral("Add Photos"));
    ui->addFolders->setText(QStringLiteral("Add Folders"));
    ui->stopButton->setText(QStringLiteral("Stop"));
    ui->pauseResume->setText(QStringLiteral("Pause"));
}

void AppDelegate::initializeArrays()
{
    m_currentLoggedInUser = ConsoleUser::getUserName();
    // The store creates the support folder; the exception list lies beside it.
    const QByteArray support = appSupportPath();
    if (!support.isEmpty()) {
        m_store.loadDataFile(support);
        m_exceptions.load(support);
    }
    m_exceptionCommands->refreshRemoveButton();
    m_window->ui()->similarIndicator->setRange(0, 1);
    m_window->ui()->similarIndicator->setValue(0);
}

bool AppDelegate::applicationDidFinishLaunching()
{
    if (m_options.singleInstance) {
        m_instance = new SingleInstance(InstanceRegistry::defaultFolder(), this);
        if (!m_instance->claim()) {
            return false;
        }
        connect(m_instance, &SingleInstance::raiseRequested, this, [this] {
            m_window->showNormal();
            m_window->raise();
            m_window->activateWindow();
        });
    }
    m_urlDict = m_updates->urlTable();
    if (m_options.checkForUpdates) {
        m_updates->startupCheck();
    }
    m_awake = true;
    m_exact = false;
    m_similar = false;
    m_window->ui()->findDuplicateExact->setEnabled(false);
    Opacity::set(m_window->ui()->findDuplicateExact, 0.6);
    m_about->aboutVersion()->setText(
        QStringLiteral("Version %1").arg(QCoreApplication::applicationVersion()));
    refreshCleanHistory();
    m_window->selectTabViewItemWithIdentifier(QStringLiteral("1"));
    m_window->show();
    m_window->raise();
    m_window->activateWindow();
    m_window->ui()->buttonScanFolders->setFocus(); // the keyboard starts on a way in, not on Help
    return true;
}

QByteArray AppDelegate::appSupportPath() const
{
    return SupportPaths::appSupportPath(m_currentLoggedInUser);
}

void AppDelegate::refreshCleanHistory()
{
    auto* line = m_window->ui()->cleanHistory;
    if (m_store.alreadyDeletedCount() != 0) {
        line->setText(m_store.cleanedSoFarText());
        line->show();
    } else {
        line->hide();
    }
}

void AppDelegate::setHomeButtonImages()
{
    auto image = [](const char* name) {
        return QIcon(QStringLiteral(":/images/%1.png").arg(QLatin1String(name)));
    };
    for (ButtonHoverSimple* button : {m_window->ui()->buttonHomeExactPage, m_window->ui()->buttonHomePage}) {
        button->setImageNormal(image("Home Normal"), image("Home Hover"), image("Home Normal Disabled"),
                               image("Back Onclick"));
        button->setResetImageWhenNotHovering(true);
        button->setToolTip(tr("Home"));
        button->setAccessibleName(tr("Home"));
    }
}

void AppDelegate::styleControls()
{
    auto* ui = m_window->ui();
    auto title = [](const QString& text, const QColor& color, int size) {
        return QVariantMap{{QStringLiteral("Title"), text},
                           {QStringLiteral("TitleColor"), color},
                           {QStringLiteral("Font"), size}};
    };
    const QColor tile(0, 155, 178);
    ui->buttonScanDrive->setImageNormal(QIcon(QStringLiteral(":/images/Scan Drive.png")), QIcon());
    ui->buttonScanFolders->setImageNormal(QIcon(QStringLiteral(":/images/Scan Folders.png")), QIcon());
    ButtonStyling::setButtonAtrribute(ui->buttonScanDrive, 0, tile,
                                      title(ui->buttonScanDrive->text(), Qt::white, 13));
    ButtonStyling::setButtonAtrribute(ui->buttonScanFolders, 0, tile,
                                      title(ui->buttonScanFolders->text(), Qt::white, 13));
    ButtonStyling::setButtonAtrribute(ui->removeExceptionBtn, 4, QColor(255, 255, 255, 46),
                                      title(ui->removeExceptionBtn->text(), Qt::white, 12));
    const QColor ink(29, 59, 68);
    for (QAbstractButton* arrow : {static_cast<QAbstractButton*>(ui->backFolderButton),
                                   static_cast<QAbstractButton*>(ui->nextFolderButton)}) {
        ButtonStyling::setButtonAtrribute(arrow, 4, Qt::white, title(arrow->text(), ink, 20));
    }
    ui->backFolderButton->setAccessibleName(tr("Back"));
    ui->nextFolderButton->setAccessibleName(tr("Forward"));
}

void AppDelegate::wireWindow()
{
    auto* ui = m_window->ui();
    m_window->setCloseGuard([this] { return windowShouldClose(); });
    connect(ui->buttonScanDrive, &QAbstractButton::clicked, this, &AppDelegate::buttonScanDriveClicked);
    connect(ui->buttonScanFolders, &QAbstractButton::clicked, this, &AppDelegate::buttonScanFoldersClicked);
    connect(ui->buttonHomePage, &QAbstractButton::clicked, this, &AppDelegate::buttonHomePageClicked);
    connect(ui->buttonHomeExactPage, &QAbstractButton::clicked, this,
            &AppDelegate::buttonHomeExactPageClicked);
    connect(ui->findDuplicateExact, &QAbstractButton::clicked, this,
            &AppDelegate::buttonFindDuplicatesExactClicked);
    connect(ui->pauseResume, &QAbstractButton::clicked, this, &AppDelegate::pause);
    connect(ui->stopButton, &QAbstractButton::clicked, this, &AppDelegate::stop);
    connect(ui->cancelYes, &QAbstractButton::clicked, this, &AppDelegate::stopYesClicked);
    connect(ui->cancelNo, &QAbstractButton::clicked, this, &AppDelegate::stopNOClicked);
    connect(ui->runningAlertOk, &QAbstractButton::clicked, this, &AppDelegate::runningAlertOK);
    connect(ui->tabViewMain, &QStackedWidget::currentChanged, this, &AppDelegate::pageChanged);
    connect(ui->buttonHelpManual, &QAbstractButton::clicked, this, &AppDelegate::buttonHelpManualClicked);

    QAction* help = m_helpMenu->addAction(tr("Tidemark Help"), this, &AppDelegate::helpMenuClicked);
    help->setObjectName(QStringLiteral("helpMenuItem"));
    QAction* support = m_helpMenu->addAction(tr("Support"), this, &AppDelegate::supportMenuClicked);
    support->setObjectName(QStringLiteral("supportMenuItem"));
    QAction* update =
        m_helpMenu->addAction(tr("Check for Updates..."), this, &AppDelegate::updateMenuClicked);
    update->setObjectName(QStringLiteral("updateMenuItem"));
    m_helpMenu->addSeparator();
    QAction* about = m_helpMenu->addAction(tr("About Tidemark"), this, &AppDelegate::aboutMenuClicked);
    about->setObjectName(QStringLiteral("aboutMenuItem"));
}

void AppDelegate::wireScan()
{
    auto* ui = m_window->ui();
    connect(m_scan, &ScanSession::scanPageRequested, this, [this] {
        m_window->ui()->searchStatus->setText(QStringLiteral("Collecting files..."));
        m_window->ui()->progressTypeText->clear();
        m_window->selectTabViewItemWithIdentifier(QStringLiteral("5"));
    });
    connect(m_scan, &ScanSession::elapsedTextChanged, ui->textelapse, &QLabel::setText);
    connect(m_scan, &ScanSession::progressTextChanged, this, [this](const QString& text) {
        QLabel* label = m_window->ui()->similarProcessing;
        label->setText(label->fontMetrics().elidedText(text, Qt::ElideMiddle, label->width() * 2 - 40));
    });
    connect(m_scan, &ScanSession::progressChanged, this, [this](quint64 value, quint64 maximum, bool busy) {
        QProgressBar* bar = m_window->ui()->similarIndicator;
        if (busy) {
            bar->setRange(0, 0);
            return;
        }
        // The bar counts in int; large scans are shown in proportion.
        const quint64 scale = maximum > 1000000000ULL ? maximum / 1000000 : 1;
        bar->setRange(0, static_cast<int>(qMax<quint64>(1, maximum / scale)));
        bar->setValue(static_cast<int>(qMin(value, maximum) / scale));
    });
    connect(m_scan, &ScanSession::animationRunningChanged, ui->animationImage, &BusyIndicator::setRunning);
    connect(m_scan, &ScanSession::pauseTitleChanged, ui->pauseResume, &QAbstractButton::setText);
    connect(m_scan, &ScanSession::stopEnabledChanged, ui->stopButton, &QAbstractButton::setEnabled);
    connect(m_scan, &ScanSession::pauseResumeEnabledChanged, ui->pauseResume, &QAbstractButton::setEnabled);
    connect(m_scan, &ScanSession::helpEnabledChanged, ui->buttonHelpManual, &QAbstractButton::setEnabled);
    connect(m_scan, &ScanSession::confirmationVisibleChanged, this, [this](bool visible) {
        if (visible) {
            m_window->showOverlayAt(m_window->ui()->confirmationView, 350, 235);
        } else {
            m_window->ui()->confirmationView->hide();
        }
    });
    connect(m_scan, &ScanSession::detectionStarted, this, [this] {
        m_window->ui()->searchStatus->setText(QStringLiteral("Searching for duplicate files..."));
        m_window->ui()->progressTypeText->setText(QStringLiteral("Searching for duplicate files"));
    });
    connect(m_scan, &ScanSession::comparedTextChanged, this, [this](const QString& text) {
        m_window->ui()->progressTypeText->setText(
            QStringLiteral("Searching for duplicate files: %1").arg(text));
    });
    connect(m_scan, &ScanSession::locationsConsumed, m_locations, &LocationPageController::consumed);
    connect(m_locations, &LocationPageController::alertRequested, this,
            [this](const QString& text) { showAlert(text, false); });
    connect(m_scan, &ScanSession::nothingCollected, this,
            [this] { showAlert(QStringLiteral("No duplicates File found"), true); });
    connect(m_scan, &ScanSession::collectionStopped, this, [this] {
        m_window->selectTabViewItemWithIdentifier(QStringLiteral("1"));
        homeCleanup();
    });
    connect(m_scan, &ScanSession::scanFinished, this, [this] { m_review->showResults(m_scan->results()); });
    connect(m_exceptionCommands, &ExceptionController::treeChanged, this, [this] {
        m_review->reloadAfterRemoval();
        m_review->setMarkedFilesDetails();
        m_review->enableNecessaryButton();
    });
    connect(m_updates, &UpdateController::alertShown, this,
            [this](const QString& informativeText) { Q_EMIT alertShown(informativeText); });
    connect(m_review, &ReviewController::goHomeRequested, this, &AppDelegate::buttonHomeExactPageClicked);
    connect(m_review, &ReviewController::openRequested, this, &AppDelegate::openPath);
    connect(m_deletion, &DeletionController::totalsChanged, this,
            [this] { m_window->ui()->cleanHistory->setText(m_store.cleanedSoFarText()); });
}

void AppDelegate::showAlert(const QString& informativeText, bool goHomeAfter)
{
    QMessageBox* box = AlertBox::create(m_window, QStringLiteral("tidemarkAlert"), QStringLiteral("Tidemark"),
                                        informativeText);
    box->addButton(QStringLiteral("Ok"), QMessageBox::AcceptRole);
    if (goHomeAfter) {
        connect(box, &QMessageBox::finished, this, [this] { buttonHomeExactPageClicked(); });
    }
    box->open();
    Q_EMIT alertShown(informativeText);
}

void AppDelegate::showRunningAlert(const QString& text)
{
    m_window->ui()->runningAlertText->setText(text);
    m_window->ui()->runningAlert->setProperty("page", m_window->currentPageIdentifier());
    m_window->showOverlayAt(m_window->ui()->runningAlert, 275, 225);
}

void AppDelegate::pageChanged()
{
    // A notice belongs to the page that raised it and goes with it; a hold
    // it stood for goes too, or nothing would be left to lift it.
    QWidget* alert = m_window->ui()->runningAlert;
    if (alert->isVisible() && alert->property("page").toString() != m_window->currentPageIdentifier()) {
        runningAlertOK();
    }
}

void AppDelegate::homeCleanup()
{
    auto* ui = m_window->ui();
    m_scan->homeCleanup();
    ui->stopButton->setEnabled(true);
    ui->buttonHelpManual->setEnabled(true);
    ui->pauseResume->setText(QStringLiteral("Pause"));
    ui->pauseResume->setEnabled(true);
    ui->animationImage->setRunning(false);
    ui->similarIndicator->setRange(0, 1);
    ui->similarIndicator->setValue(0);
    ui->confirmationView->hide();
    m_locations->clear();
    m_review->homeCleanup();
    // Shown again as it was; its text is rebuilt only after a deletion run.
    ui->cleanHistory->setVisible(m_store.alreadyDeletedCount() != 0);
    Opacity::set(ui->buttonScanDrive, 1.0);
}

void AppDelegate::buttonHomePageClicked()
{
    if (m_about->isVisible()) {
        return;
    }
    m_window->selectTabViewItemWithIdentifier(QStringLiteral("1"));
    homeCleanup();
}

void AppDelegate::buttonHomeExactPageClicked()
{
    if (m_about->isVisible()) {
        return;
    }
    m_window->selectTabViewItemWithIdentifier(QStringLiteral("1"));
    homeCleanup();
    setHomeButtonImages();
}

void AppDelegate::buttonHomeSimilarPageClicked()
{
    m_window->selectTabViewItemWithIdentifier(QStringLiteral("1"));
    homeCleanup();
}

void AppDelegate::buttonScanDriveClicked()
{
    openLocationPage(false, QStringLiteral("Select Drive"));
}

void AppDelegate::buttonScanFoldersClicked()
{
    openLocationPage(true, QStringLiteral("Select Folders (Double click to go deeper)"));
}

void AppDelegate::openLocationPage(bool folderMode, const QString& title)
{
    if (m_about->isVisible()) {
        return;
    }
    m_exact = true;
    m_similar = false;
    m_window->ui()->cleanHistory->hide();
    Opacity::set(m_window->ui()->buttonScanDrive, 1.0);
    Opacity::set(m_window->ui()->buttonScanFolders, 1.0);
    m_locations->enterPage(folderMode, title);
}

void AppDelegate::buttonFindDuplicatesExactClicked()
{
    if (m_similar || m_scan->scanning()) {
        return;
    }
    m_scan->buttonFindDuplicatesExactClicked(m_locations->entries(), m_exceptions.pathSet());
}

void AppDelegate::pause()
{
    m_scan->pause();
}

void AppDelegate::stop()
{
    m_scan->stop();
}

void AppDelegate::stopYesClicked()
{
    m_scan->stopYesClicked();
}

void AppDelegate::stopNOClicked()
{
    m_scan->stopNOClicked();
}

bool AppDelegate::windowShouldClose()
{
    if (m_deletion->running()) {
        // Quitting now would lose the run's totals; the run can be stopped instead.
        showRunningAlert(BusyNotice);
        return false;
    }
    if (m_scan->scanning()) {
        // The guard's hold is one named hold: closing again changes nothing,
        // and the notice's Ok lifts exactly this hold.
        m_scan->holdForGuard();
        showRunningAlert(BusyNotice);
        return false;
    }
    m_homeImageValue = m_homeImageValue == 3 ? 1 : m_homeImageValue + 1;
    QSettings settings;
    settings.setValue(HomeImageKey, QString::asprintf("%i", m_homeImageValue));
    settings.sync();
    Q_EMIT terminateRequested();
    return true;
}

void AppDelegate::runningAlertOK()
{
    m_window->ui()->runningAlert->hide();
    m_scan->releaseGuard();
}

void AppDelegate::buttonHelpManualClicked()
{
    QAbstractButton* button = m_window->ui()->buttonHelpManual;
    m_helpMenu->popup(button->mapToGlobal(QPoint(0, button->height())));
}

void AppDelegate::helpMenuClicked()
{
    m_lastOpened = manualPath();
    if (m_options.openExternally) {
        QDesktopServices::openUrl(QUrl::fromLocalFile(m_lastOpened));
    }
}

void AppDelegate::supportMenuClicked()
{
    openURLS(m_urlDict.value(QStringLiteral("Support")).toString());
}

void AppDelegate::updateMenuClicked()
{
    m_updates->updateMenuClicked();
}

void AppDelegate::aboutMenuClicked()
{
    const QRect frame = m_window->geometry();
    m_about->move(frame.center() - QPoint(m_about->width() / 2, m_about->height() / 2));
    m_about->show();
    m_about->raise();
    m_about->activateWindow();
}

void AppDelegate::openURLS(const QString& address)
{
    const QUrl url(address);
    if (address.isEmpty() || !url.isValid()) {
        return;
    }
    m_lastOpened = address;
    if (m_options.openExternally) {
        QDesktopServices::openUrl(url);
    }
}

void AppDelegate::showDuplicateScanResult(bool flag)
{
    m_review->showDuplicateScanResult(flag);
}

void AppDelegate::openPath(const QByteArray& path)
{
    m_lastOpened = PathText::display(path);
    if (m_options.openExternally) {
        DefaultApplication::openPath(path);
    }
}
