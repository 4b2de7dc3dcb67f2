#include "ui/DeletionPanel.h"

#include "ui/WIndowsLikeButton.h"

#include <QLabel>
#include <QProgressBar>

DeletionPanel::DeletionPanel(QWidget* parent)
    : ViewSettingsSaved(parent), m_status(new QLabel(this)), m_indicator(new QProgressBar(this)),
      m_pauseResume(new WIndowsLikeButton(this)), m_stop(new WIndowsLikeButton(this))
{
    setObjectName(QStringLiteral("deletionPreview"));
    setGeometry(205, 117, 606, 300);
    m_status->setObjectName(QStringLiteral("deletionStatus"));
    m_status->setGeometry(20, 60, 566, 32);
    m_status->setAlignment(Qt::AlignCenter);
    m_status->setText(QStringLiteral("Deleting files, please wait..."));
    m_indicator->setObjectName(QStringLiteral("deletionIndicator"));
    m_indicator->setGeometry(40, 130, 526, 22);
    m_indicator->setValue(0);
    m_indicator->setTextVisible(true);
    m_pauseResume->setObjectName(QStringLiteral("pauseResumeBtn"));
    m_pauseResume->setGeometry(183, 262, 110, 30);
    m_pauseResume->setText(QStringLiteral("Pause"));
    m_stop->setObjectName(QStringLiteral("stopDeleteBtn"));
    m_stop->setGeometry(313, 262, 110, 30);
    m_stop->setText(QStringLiteral("Stop"));
    connect(m_pauseResume, &QAbstractButton::clicked, this, &DeletionPanel::pauseResumeClicked);
    connect(m_stop, &QAbstractButton::clicked, this, &DeletionPanel::stopClicked);
}

QAbstractButton* DeletionPanel::pauseButton() const
{
    return m_pauseResume;
}

QAbstractButton* DeletionPanel::stopButton() const
{
    return m_stop;
}

void DeletionPanel::setStatus(const QString& text)
{
    m_status->setText(text);
}

void DeletionPanel::setMaximum(int maximum)
{
    m_indicator->setMaximum(maximum);
}

void DeletionPanel::setValue(int value)
{
    m_indicator->setValue(value);
}
