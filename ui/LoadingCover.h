#pragma once

#include <QFrame>

class BusyIndicator;

// The veil with a turning ring over the results while their order changes.
class LoadingCover : public QFrame
{
    Q_OBJECT
public:
    explicit LoadingCover(QWidget* parent = nullptr);

    void setRunning(bool running);

private:
    BusyIndicator* m_indicator;
};
