#pragma once

#include <QHash>
#include <QPoint>
#include <QPointer>
#include <QWidget>
#include <functional>

namespace Ui {
class MainWindow;
}

// The main window: the widgets of the window description and the few
// behaviours that belong to the window itself (page switching by
// identifier, overlays, the close question, its size and place).
class MainWindow : public QWidget
{
    Q_OBJECT
public:
    // The size the window first opens at and never goes below.
    static constexpr QSize FirstSize{1016, 531};

    explicit MainWindow(QWidget* parent = nullptr);
    ~MainWindow() override;

    Ui::MainWindow* ui() const { return m_ui; }

    // Pages carry the identifiers "1", "2", "5" and "4".
    void selectTabViewItemWithIdentifier(const QString& identifier);
    QString currentPageIdentifier() const;

    // Places an overlay by its lower-left corner in content coordinates whose
    // origin is the bottom-left corner, as the layout was drawn at the first
    // size; a larger window keeps it as far from the centre as there.
    void showOverlayAt(QWidget* overlay, int x, int y);
    // The same by its top-left corner in the first size's coordinates.
    void showOverlayTopLeft(QWidget* overlay, const QPoint& designTopLeft);

    // Asked before the window closes; returning false keeps it open.
    void setCloseGuard(std::function<bool()> guard) { m_closeGuard = std::move(guard); }

protected:
    void resizeEvent(QResizeEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void layOutPages();
    QPoint growth() const;
    // An overlay placed through showOverlay* goes back to its place; any
    // other (a panel that centres itself) is centred.
    void placeOverlay(QWidget* overlay);

    Ui::MainWindow* m_ui;
    std::function<bool()> m_closeGuard;
    QHash<QWidget*, QPoint> m_overlayPlaces;
};
