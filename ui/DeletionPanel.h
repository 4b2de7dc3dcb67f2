#pragma once

#include "ui/ViewSettingsSaved.h"

class QLabel;
class QProgressBar;
class WIndowsLikeButton;

// The panel of a deletion run: its status, the share of sets handled, and
// Pause/Resume and Stop.
class DeletionPanel : public ViewSettingsSaved
{
    Q_OBJECT
public:
    explicit DeletionPanel(QWidget* parent = nullptr);

    QAbstractButton* pauseButton() const;
    QAbstractButton* stopButton() const;

    void setStatus(const QString& text);
    void setMaximum(int maximum);
    void setValue(int value);

Q_SIGNALS:
    void pauseResumeClicked();
    void stopClicked();

private:
    QLabel* m_status;
    QProgressBar* m_indicator;
    WIndowsLikeButton* m_pauseResume;
    WIndowsLikeButton* m_stop;
};
