#pragma once

#include <QWidget>

namespace Ui {
class ScanPage;
}

// Page "5": a scan in progress, with its status, bar, elapsed time and the
// Pause/Resume and Stop commands.
class ScanPage : public QWidget
{
    Q_OBJECT
public:
    explicit ScanPage(QWidget* parent = nullptr);
    ~ScanPage() override;

    void setStatus(const QString& status);
    void setProgressType(const QString& text);
    void setElapsedText(const QString& text);
    // The file or step at work; long paths lose their middle.
    void setProcessingText(const QString& text);
    // `indeterminate`: the spinner look of collection; otherwise a bar to `maximum`.
    void setProgress(quint64 value, quint64 maximum, bool indeterminate);
    void setAnimationRunning(bool running);
    void setPauseTitle(const QString& title);
    void setPauseResumeEnabled(bool enabled);
    void setStopEnabled(bool enabled);
    // Back to the look before any scan: nothing running, an empty bar.
    void reset();

Q_SIGNALS:
    void pauseResumeClicked();
    void stopClicked();

private:
    Ui::ScanPage* m_ui;
};
