#pragma once

#include <QHash>
#include <QPoint>
#include <QWidget>
#include <functional>

namespace Ui {
class MainWindow;
}

class DeletionPanel;
class HomePage;
class LoadingCover;
class LocationPage;
class QAbstractButton;
class ResultPage;
class RunningNotice;
class ScanPage;
class StopScanQuestion;

// The main window: the top bar, the pages and the panels shown over them,
// and the few behaviours that belong to the window itself (page switching
// by identifier, overlays, the close question, its size and place).
class MainWindow : public QWidget
{
    Q_OBJECT
public:
    // The size the window first opens at and never goes below.
    static constexpr QSize FirstSize{1016, 531};

    explicit MainWindow(QWidget* parent = nullptr);
    ~MainWindow() override;

    HomePage* homePage() const { return m_home; }
    LocationPage* locationPage() const { return m_locations; }
    ScanPage* scanPage() const { return m_scan; }
    ResultPage* resultPage() const { return m_results; }
    LoadingCover* loadingCover() const { return m_loading; }
    DeletionPanel* deletionPanel() const { return m_deletion; }
    StopScanQuestion* stopQuestion() const { return m_stopQuestion; }
    RunningNotice* runningNotice() const { return m_notice; }
    QAbstractButton* helpButton() const;

    // Pages carry the identifiers "1", "2", "5" and "4".
    void selectTabViewItemWithIdentifier(const QString& identifier);
    QString currentPageIdentifier() const;
    // A point of a page in the window's first-size coordinates.
    QPoint pageToWindow(const QPoint& point) const;

    // Places an overlay by its lower-left corner in content coordinates whose
    // origin is the bottom-left corner, as the layout was drawn at the first
    // size; a larger window keeps it as far from the centre as there.
    void showOverlayAt(QWidget* overlay, int x, int y);
    // The same by its top-left corner in the first size's coordinates.
    void showOverlayTopLeft(QWidget* overlay, const QPoint& designTopLeft);

    // Asked before the window closes; returning false keeps it open.
    void setCloseGuard(std::function<bool()> guard) { m_closeGuard = std::move(guard); }

Q_SIGNALS:
    // Another page came to the front.
    void pageChanged();

protected:
    void resizeEvent(QResizeEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void layOutWindow();
    QPoint growth() const;
    // An overlay placed through showOverlay* goes back to its place; any
    // other (a panel that centres itself) is centred.
    void placeOverlay(QWidget* overlay);

    Ui::MainWindow* m_ui;
    HomePage* m_home = nullptr;
    LocationPage* m_locations = nullptr;
    ScanPage* m_scan = nullptr;
    ResultPage* m_results = nullptr;
    LoadingCover* m_loading = nullptr;
    DeletionPanel* m_deletion = nullptr;
    StopScanQuestion* m_stopQuestion = nullptr;
    RunningNotice* m_notice = nullptr;
    std::function<bool()> m_closeGuard;
    QHash<QWidget*, QPoint> m_overlayPlaces;
};
