#pragma once

#include <QWidget>

class QFrame;
class QLabel;
class QProgressBar;
class QPushButton;

namespace Updater {

// The progress panel: the status line, the bar and three boxes shown by
// state (the closing button, the reason line, the checking spinner). It
// stays above normal windows.
class ProgressPanel : public QWidget
{
    Q_OBJECT
public:
    explicit ProgressPanel(QWidget* parent = nullptr);

    QLabel* progressLabel() const { return m_progressLabel; }
    QLabel* noUpdateresion() const { return m_noUpdateresion; }
    QProgressBar* progressInd() const { return m_progressInd; }
    QProgressBar* checkInd() const { return m_checkInd; }
    QFrame* ok() const { return m_ok; }
    QFrame* noUpdate() const { return m_noUpdate; }
    QFrame* checkingBox() const { return m_checkingBox; }
    QPushButton* okButton() const { return m_okButton; }

    // The spinner runs (busy bar) or stands still.
    void setChecking(bool running);

private:
    QLabel* m_progressLabel;
    QLabel* m_noUpdateresion;
    QProgressBar* m_progressInd;
    QProgressBar* m_checkInd;
    QFrame* m_ok;
    QFrame* m_noUpdate;
    QFrame* m_checkingBox;
    QPushButton* m_okButton;
};

} // namespace Updater
