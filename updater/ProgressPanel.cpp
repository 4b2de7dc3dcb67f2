#include "updater/ProgressPanel.h"

#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>

namespace Updater {

ProgressPanel::ProgressPanel(QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::WindowStaysOnTopHint), m_progressLabel(new QLabel(this)),
      m_noUpdateresion(new QLabel), m_progressInd(new QProgressBar(this)), m_checkInd(new QProgressBar),
      m_ok(new QFrame(this)), m_noUpdate(new QFrame(this)), m_checkingBox(new QFrame(this)),
      m_okButton(new QPushButton(QStringLiteral("Ok")))
{
    setObjectName(QStringLiteral("progressPannel"));
    setWindowTitle(QStringLiteral("Tidemark Updater"));
    m_progressLabel->setObjectName(QStringLiteral("progressLabel"));
    m_progressLabel->setText(QStringLiteral("Checking for updates..."));
    m_noUpdateresion->setObjectName(QStringLiteral("noUpdateresion"));
    m_noUpdateresion->setWordWrap(true);
    m_progressLabel->setTextFormat(Qt::PlainText);
    m_noUpdateresion->setTextFormat(Qt::PlainText);
    m_noUpdateresion->setText(QStringLiteral("No update is available for this version."));
    m_progressInd->setObjectName(QStringLiteral("progressInd"));
    m_progressInd->setRange(0, 100);
    m_progressInd->setValue(0);
    m_progressInd->setTextVisible(false);
    m_checkInd->setObjectName(QStringLiteral("checkInd"));
    m_checkInd->setTextVisible(false);
    m_checkInd->setRange(0, 1);
    m_ok->setObjectName(QStringLiteral("ok"));
    m_noUpdate->setObjectName(QStringLiteral("noUpdate"));
    m_checkingBox->setObjectName(QStringLiteral("checkingBox"));
    m_okButton->setObjectName(QStringLiteral("okButton"));

    auto* okLayout = new QHBoxLayout(m_ok);
    okLayout->setContentsMargins(0, 0, 0, 0);
    okLayout->addStretch();
    okLayout->addWidget(m_okButton);
    auto* reasonLayout = new QHBoxLayout(m_noUpdate);
    reasonLayout->setContentsMargins(0, 0, 0, 0);
    reasonLayout->addWidget(m_noUpdateresion);
    auto* checkingLayout = new QHBoxLayout(m_checkingBox);
    checkingLayout->setContentsMargins(0, 0, 0, 0);
    checkingLayout->addWidget(m_checkInd);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_progressLabel);
    layout->addWidget(m_progressInd);
    layout->addWidget(m_checkingBox);
    layout->addWidget(m_noUpdate);
    layout->addStretch();
    layout->addWidget(m_ok);
    layout->setContentsMargins(20, 18, 20, 16);
    layout->setSpacing(12);
    setStyleSheet(QStringLiteral(
        "#progressPannel { background: white; }"
        "#progressLabel { font-size: 15px; font-weight: bold; color: #1d3b44; }"
        "#noUpdateresion { font-size: 13px; color: #1d3b44; }"
        "QProgressBar { border: 1px solid #c8d6da; border-radius: 4px; background: #eef6f8; max-height: "
        "10px; }"
        "QProgressBar::chunk { background: #158aa2; border-radius: 3px; }"
        "#okButton { min-width: 100px; min-height: 30px; font-size: 14px; color: white; background: #158aa2;"
        " border: none; border-radius: 4px; }"
        "#okButton:hover { background: #1a9db8; }"));
    resize(440, 180);
}

void ProgressPanel::setChecking(bool running)
{
    // A bar with an empty range is Qt's busy indicator.
    m_checkInd->setRange(0, running ? 0 : 1);
}

} // namespace Updater
