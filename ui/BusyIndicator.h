#pragma once

#include <QTimer>
#include <QWidget>

// The scan animation: a ring of dots turning while a scan runs.
class BusyIndicator : public QWidget
{
    Q_OBJECT
public:
    explicit BusyIndicator(QWidget* parent = nullptr);
    void setRunning(bool running);
    bool isRunning() const { return m_timer.isActive(); }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QTimer m_timer;
    int m_step = 0;
};
