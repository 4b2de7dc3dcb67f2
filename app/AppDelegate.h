#pragma once

#include "review/ExceptionList.h"
#include "review/StatisticsStore.h"

#include <QObject>
#include <QPointer>
#include <QVariantMap>

class AboutPanel;
class DeletionController;
class ExceptionController;
class InformationWindow;
class LocationPageController;
class MainWindow;
class QMenu;
class RestoreController;
class ResultSaveController;
class ReviewController;
class RuleMarkingController;
class ScanSession;
class SingleInstance;
class UpdateController;

// The hub of the program: owns the subsystems and wires the window to them.
// Start-up, the pages, home clean-up, the close guard and the Help menu live
// here; each subsystem keeps its own state and commands in its own class.
class AppDelegate : public QObject
{
    Q_OBJECT
public:
    struct Options
    {
        // Skip the single-copy check (tests start many delegates in one process).
        bool singleInstance = true;
        // Skip opening files and addresses with other programs (tests).
        bool openExternally = true;
        // Skip the update check at start-up (tests).
        bool checkForUpdates = true;
    };

    AppDelegate(MainWindow* window, Options options, QObject* parent = nullptr);
    ~AppDelegate() override;

    // One-time window setup, then start-up proper. Returns false when
    // another copy is already running and this one should quit.
    bool launch();

    void awakeFromNib();
    void initializeArrays();
    bool applicationDidFinishLaunching();
    void homeCleanup();
    bool windowShouldClose();

    // Home and page commands.
    void buttonHomePageClicked();
    void buttonHomeExactPageClicked();
    void buttonHomeSimilarPageClicked();
    void buttonScanDriveClicked();
    void buttonScanFoldersClicked();

    // Scan page commands.
    void buttonFindDuplicatesExactClicked();
    void pause();
    void stop();
    void stopYesClicked();
    void stopNOClicked();
    void runningAlertOK();

    // Help menu.
    void buttonHelpManualClicked();
    void helpMenuClicked();
    void supportMenuClicked();
    void updateMenuClicked();
    void aboutMenuClicked();
    void openURLS(const QString& address);

    void showDuplicateScanResult(bool flag);

    QByteArray appSupportPath() const;
    QString manualPath() const;
    int homeImageValue() const { return m_homeImageValue; }
    MainWindow* window() const { return m_window; }
    ScanSession* scanSession() const { return m_scan; }
    LocationPageController* locations() const { return m_locations; }
    StatisticsStore& store() { return m_store; }
    ExceptionController* exceptionCommands() const { return m_exceptionCommands; }
    InformationWindow* informationWindow() const { return m_information; }
    ReviewController* review() const { return m_review; }
    DeletionController* deletion() const { return m_deletion; }
    UpdateController* updates() const { return m_updates; }
    RuleMarkingController* ruleMarking() const { return m_ruleMarking; }
    RestoreController* restoreCommands() const { return m_restore; }
    ResultSaveController* saveCommands() const { return m_save; }
    ExceptionList& exceptions() { return m_exceptions; }
    AboutPanel* aboutPanel() const { return m_about; }
    QMenu* helpMenu() const { return m_helpMenu; }
    // The last address or file handed to the desktop (also when not opened).
    const QString& lastOpened() const { return m_lastOpened; }

    static QString resourcesPath();

Q_SIGNALS:
    // The window asked to be closed and the guard let it: the program ends.
    void terminateRequested();
    // A modal alert the user must answer (shown by the window; tests read it).
    void alertShown(const QString& informativeText);

private:
    void openLocationPage(bool folderMode, const QString& title);
    void wireWindow();
    void wireScan();
    void showHomePicture();
    void showAlert(const QString& informativeText, bool goHomeAfter);
    void showRunningAlert(const QString& text);
    void pageChanged();
    void setHomeButtonImages();
    void refreshCleanHistory();
    // Reference folders, keep rules, restore and saving: their buttons and menus.
    void wireCleanupCommands();
    void enableResultCommands();
    void openPath(const QByteArray& path);

    MainWindow* m_window;
    Options m_options;
    // The stores come first: the controllers below keep references to them.
    StatisticsStore m_store;
    ExceptionList m_exceptions;
    ScanSession* m_scan;
    LocationPageController* m_locations;
    AboutPanel* m_about;
    QMenu* m_helpMenu;
    SingleInstance* m_instance = nullptr;
    InformationWindow* m_information;
    ReviewController* m_review;
    DeletionController* m_deletion;
    ExceptionController* m_exceptionCommands;
    UpdateController* m_updates;
    RuleMarkingController* m_ruleMarking;
    RestoreController* m_restore;
    ResultSaveController* m_save;
    QVariantMap m_urlDict;
    QString m_currentLoggedInUser;
    QString m_lastOpened;
    bool m_awake = false;
    bool m_exact = false;
    bool m_similar = false;
    int m_homeImageValue = 1;
};
