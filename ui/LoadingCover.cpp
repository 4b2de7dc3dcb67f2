#include "ui/LoadingCover.h"

#include "ui/BusyIndicator.h"

LoadingCover::LoadingCover(QWidget* parent) : QFrame(parent), m_indicator(new BusyIndicator(this))
{
    setObjectName(QStringLiteral("loadingView"));
    setGeometry(205, 117, 606, 300);
    setFrameShape(QFrame::NoFrame);
    m_indicator->setObjectName(QStringLiteral("loadingIndicator"));
    m_indicator->setGeometry(271, 118, 64, 64);
}

void LoadingCover::setRunning(bool running)
{
    m_indicator->setRunning(running);
}
