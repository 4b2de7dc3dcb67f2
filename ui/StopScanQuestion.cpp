#include "ui/StopScanQuestion.h"

#include "ui/ButtonSettingsSaved.h"

#include <QLabel>

StopScanQuestion::StopScanQuestion(QWidget* parent) : ViewSettingsSaved(parent)
{
    setObjectName(QStringLiteral("confirmationView"));
    setGeometry(350, 176, 316, 120);
    auto* text = new QLabel(this);
    text->setObjectName(QStringLiteral("confirmationText"));
    text->setGeometry(10, 30, 296, 44);
    text->setAlignment(Qt::AlignCenter);
    text->setWordWrap(true);
    text->setText(QStringLiteral("Do you want to stop the scan?"));
    auto* yes = new ButtonSettingsSaved(this);
    yes->setObjectName(QStringLiteral("cancelYes"));
    yes->setGeometry(48, 83, 100, 28);
    yes->setText(QStringLiteral("Yes"));
    auto* no = new ButtonSettingsSaved(this);
    no->setObjectName(QStringLiteral("cancelNo"));
    no->setGeometry(168, 83, 100, 28);
    no->setText(QStringLiteral("No"));
    setDefaultButton(no);
    setCancelButton(no);
    connect(yes, &QAbstractButton::clicked, this, &StopScanQuestion::yesClicked);
    connect(no, &QAbstractButton::clicked, this, &StopScanQuestion::noClicked);
}
