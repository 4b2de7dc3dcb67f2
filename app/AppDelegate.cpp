#include "app/AppDelegate.h"

#include "app/AlertBox.h"
#include "app/DeletionController.h"
#include "app/ExceptionController.h"
#include "app/LocationPageController.h"
#include "app/RestoreController.h"
#include "app/ResultSaveController.h"
#include "app/ReviewController.h"
#include "app/RuleMarkingController.h"
#include "app/UpdateController.h"
#include "platform/ConsoleUser.h"
#include "platform/DefaultApplication.h"
#include "platform/PathText.h"
#include "platform/SingleInstance.h"
#include "platform/SupportPaths.h"
#include "scan/Formatting.h"
#include "scan/ReferenceRoots.h"
#include "scan/ScanSession.h"
#include "ui/AboutPanel.h"
#include "ui/ButtonHoverSimple.h"
#include "ui/HomePage.h"
#include "ui/InformationWindow.h"
#include "ui/LocationPage.h"
#include "ui/MainWindow.h"
#include "ui/ResultPage.h"
#include "ui/RunningNotice.h"
#include "ui/ScanPage.h"
#include "ui/StopScanQuestion.h"

#include <QCoreApplication>
#include <QDesktopServices>
#include <QDir>
#include <QFileInfo>
#include <QLabel>
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
      m_deletion(new DeletionController(window, m_information, m_store, m_review->store(), this)),
      m_exceptionCommands(new ExceptionController(
          window, m_exceptions, m_review->store(), m_information, [this] { return m_exact; }, this)),
      m_updates(new UpdateController(window, this)),
      m_ruleMarking(new RuleMarkingController(
          window,
          [this](const KeepRule& rule, const ExtensionsPtr& group, const SetPtr& set) {
              m_review->applyRule(rule, group, set);
          },
          this)),
      m_restore(new RestoreController(
          window, m_store, [this] { return appSupportPath(); }, this)),
      m_save(new ResultSaveController(
          window, [this] { return m_review->review().results(); }, this))
{
    m_helpMenu->setObjectName(QStringLiteral("helpMenu"));
    wireWindow();
    wireScan();
    wireCleanupCommands();
}

void AppDelegate::wireCleanupCommands()
{
    m_restore->setButton(m_window->homePage()->restoreButton());
    connect(m_restore, &RestoreController::totalsChanged, this, &AppDelegate::refreshCleanHistory);
    ResultPage* results = m_window->resultPage();
    m_ruleMarking->setButton(results->markByRuleButton());
    connect(results->saveResultsButton(), &QAbstractButton::clicked, m_save,
            &ResultSaveController::saveResultsClicked);
    connect(m_review, &ReviewController::contextMenuAboutToShow, m_ruleMarking,
            &RuleMarkingController::addOutlineItems);
    connect(m_review, &ReviewController::marksChanged, this, &AppDelegate::enableResultCommands);
    connect(m_window, &MainWindow::pageChanged, this, &AppDelegate::enableResultCommands);
}

void AppDelegate::enableResultCommands()
{
    const bool any = m_review->modal() && m_review->modal()->extensionCount() != 0;
    m_window->resultPage()->markByRuleButton()->setEnabled(any);
    m_window->resultPage()->saveResultsButton()->setEnabled(any);
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
    m_window->homePage()->showPicture(picture, m_window->devicePixelRatioF());
}

void AppDelegate::awakeFromNib()
{
    showHomePicture();
    if (m_awake) {
        return;
    }
    initializeArrays();
    setHomeButtonImages();
    // The pages style their own controls and carry their titles.
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
    m_window->scanPage()->setProgress(0, 0, false);
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
    m_window->locationPage()->setScanEnabled(false);
    m_about->aboutVersion()->setText(
        QStringLiteral("Version %1").arg(QCoreApplication::applicationVersion()));
    refreshCleanHistory();
    m_window->selectTabViewItemWithIdentifier(QStringLiteral("1"));
    m_window->show();
    m_window->raise();
    m_window->activateWindow();
    m_window->homePage()->focusFirstTile();
    return true;
}

QByteArray AppDelegate::appSupportPath() const
{
    return SupportPaths::appSupportPath(m_currentLoggedInUser);
}

void AppDelegate::refreshCleanHistory()
{
    HomePage* home = m_window->homePage();
    if (m_store.alreadyDeletedCount() != 0) {
        home->setCleanedSoFar(m_store.cleanedSoFarText());
        home->setCleanedSoFarVisible(true);
    } else {
        home->setCleanedSoFarVisible(false);
    }
}

void AppDelegate::setHomeButtonImages()
{
    auto image = [](const char* name) {
        return QIcon(QStringLiteral(":/images/%1.png").arg(QLatin1String(name)));
    };
    for (ButtonHoverSimple* button :
         {m_window->resultPage()->homeButton(), m_window->locationPage()->homeButton()}) {
        button->setImageNormal(image("Home Normal"), image("Home Hover"), image("Home Normal Disabled"),
                               image("Back Onclick"));
        button->setResetImageWhenNotHovering(true);
        button->setToolTip(tr("Home"));
        button->setAccessibleName(tr("Home"));
    }
}

void AppDelegate::wireWindow()
{
    m_window->setCloseGuard([this] { return windowShouldClose(); });
    HomePage* home = m_window->homePage();
    connect(home, &HomePage::scanDriveClicked, this, &AppDelegate::buttonScanDriveClicked);
    connect(home, &HomePage::scanFoldersClicked, this, &AppDelegate::buttonScanFoldersClicked);
    connect(m_window->locationPage(), &LocationPage::homeClicked, this, &AppDelegate::buttonHomePageClicked);
    connect(m_window->resultPage(), &ResultPage::homeClicked, this, &AppDelegate::buttonHomeExactPageClicked);
    connect(m_window->locationPage(), &LocationPage::scanClicked, this,
            &AppDelegate::buttonFindDuplicatesExactClicked);
    connect(m_window->scanPage(), &ScanPage::pauseResumeClicked, this, &AppDelegate::pause);
    connect(m_window->scanPage(), &ScanPage::stopClicked, this, &AppDelegate::stop);
    connect(m_window->stopQuestion(), &StopScanQuestion::yesClicked, this, &AppDelegate::stopYesClicked);
    connect(m_window->stopQuestion(), &StopScanQuestion::noClicked, this, &AppDelegate::stopNOClicked);
    connect(m_window->runningNotice(), &RunningNotice::okClicked, this, &AppDelegate::runningAlertOK);
    connect(m_window, &MainWindow::pageChanged, this, &AppDelegate::pageChanged);
    connect(m_window->helpButton(), &QAbstractButton::clicked, this, &AppDelegate::buttonHelpManualClicked);

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
    ScanPage* page = m_window->scanPage();
    connect(m_scan, &ScanSession::scanPageRequested, this, [this, page] {
        page->setStatus(QStringLiteral("Collecting files..."));
        page->setProgressType(QString());
        m_window->selectTabViewItemWithIdentifier(QStringLiteral("5"));
    });
    connect(m_scan, &ScanSession::elapsedTextChanged, page, &ScanPage::setElapsedText);
    connect(m_scan, &ScanSession::progressTextChanged, page, &ScanPage::setProcessingText);
    connect(m_scan, &ScanSession::progressChanged, page, &ScanPage::setProgress);
    connect(m_scan, &ScanSession::animationRunningChanged, page, &ScanPage::setAnimationRunning);
    connect(m_scan, &ScanSession::pauseTitleChanged, page, &ScanPage::setPauseTitle);
    connect(m_scan, &ScanSession::stopEnabledChanged, page, &ScanPage::setStopEnabled);
    connect(m_scan, &ScanSession::pauseResumeEnabledChanged, page, &ScanPage::setPauseResumeEnabled);
    connect(m_scan, &ScanSession::helpEnabledChanged, m_window->helpButton(), &QAbstractButton::setEnabled);
    connect(m_scan, &ScanSession::confirmationVisibleChanged, this, [this](bool visible) {
        if (visible) {
            m_window->showOverlayAt(m_window->stopQuestion(), 350, 235);
        } else {
            m_window->stopQuestion()->hide();
        }
    });
    connect(m_scan, &ScanSession::detectionStarted, page, [page] {
        page->setStatus(QStringLiteral("Searching for duplicate files..."));
        page->setProgressType(QStringLiteral("Searching for duplicate files"));
    });
    connect(m_scan, &ScanSession::comparedTextChanged, page, [page](const QString& text) {
        page->setProgressType(QStringLiteral("Searching for duplicate files: %1").arg(text));
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
    connect(m_updates, &UpdateController::alertShown, this,
            [this](const QString& informativeText) { Q_EMIT alertShown(informativeText); });
    connect(m_review, &ReviewController::goHomeRequested, this, &AppDelegate::buttonHomeExactPageClicked);
    connect(m_review, &ReviewController::openRequested, this, &AppDelegate::openPath);
    connect(m_deletion, &DeletionController::totalsChanged, this,
            [this] { m_window->homePage()->setCleanedSoFar(m_store.cleanedSoFarText()); });
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
    m_window->runningNotice()->setText(text, m_window->currentPageIdentifier());
    m_window->showOverlayAt(m_window->runningNotice(), 275, 225);
}

void AppDelegate::pageChanged()
{
    // A notice belongs to the page that raised it and goes with it; a hold
    // it stood for goes too, or nothing would be left to lift it.
    const RunningNotice* notice = m_window->runningNotice();
    if (notice->isVisible() && notice->ownerPage() != m_window->currentPageIdentifier()) {
        runningAlertOK();
    }
}

void AppDelegate::homeCleanup()
{
    m_scan->homeCleanup();
    m_window->scanPage()->reset();
    m_window->helpButton()->setEnabled(true);
    m_window->stopQuestion()->hide();
    m_locations->clear();
    m_review->homeCleanup();
    m_review->setReferences({});
    // Shown again as it was; its text is rebuilt only after a deletion run.
    m_window->homePage()->setCleanedSoFarVisible(m_store.alreadyDeletedCount() != 0);
    m_window->homePage()->restoreTiles();
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
    m_window->homePage()->setCleanedSoFarVisible(false);
    m_window->homePage()->restoreTiles();
    m_locations->enterPage(folderMode, title);
}

void AppDelegate::buttonFindDuplicatesExactClicked()
{
    if (m_similar || m_scan->scanning()) {
        return;
    }
    // The result of this scan keeps the references it was made with.
    m_review->setReferences(ReferenceRoots::fromEntries(m_locations->entries()));
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
    m_window->runningNotice()->hide();
    m_scan->releaseGuard();
}

void AppDelegate::buttonHelpManualClicked()
{
    QAbstractButton* button = m_window->helpButton();
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
