#pragma once

#include <QWidget>
#include <functional>

namespace Ui {
class MainWindow;
}

// The main window: the widgets of the window description and the few
// behaviours that belong to the window itself (page switching by
// identifier, overlays, the close question).
class MainWindow : public QWidget
{
    Q_OBJECT
public:
    explicit MainWindow(QWidget* parent = nullptr);
    ~MainWindow() override;

    Ui::MainWindow* ui() const { return m_ui; }

    // Pages carry the identifiers "1", "2", "5" and "4".
    void selectTabViewItemWithIdentifier(const QString& identifier);
    QString currentPageIdentifier() const;

    // Places an overlay by its lower-left corner in content coordinates whose
    // origin is the bottom-left corner, as the layout was drawn.
    void showOverlayAt(QWidget* overlay, int x, int y);

    // Asked before the window closes; returning false keeps it open.
    void setCloseGuard(std::function<bool()> guard) { m_closeGuard = std::move(guard); }

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    Ui::MainWindow* m_ui;
    std::function<bool()> m_closeGuard;
};
