#include "ui/RunningNotice.h"

#include "ui/ButtonSettingsSaved.h"

#include <QLabel>

RunningNotice::RunningNotice(QWidget* parent) : ViewSettingsSaved(parent), m_text(new QLabel(this))
{
    setObjectName(QStringLiteral("runningAlert"));
    setGeometry(275, 196, 466, 110);
    m_text->setObjectName(QStringLiteral("runningAlertText"));
    m_text->setGeometry(14, 28, 438, 36);
    m_text->setAlignment(Qt::AlignCenter);
    m_text->setWordWrap(true);
    auto* ok = new ButtonSettingsSaved(this);
    ok->setObjectName(QStringLiteral("runningAlertOk"));
    ok->setGeometry(183, 73, 100, 28);
    ok->setText(QStringLiteral("Ok"));
    setDefaultButton(ok);
    setCancelButton(ok);
    connect(ok, &QAbstractButton::clicked, this, &RunningNotice::okClicked);
}

void RunningNotice::setText(const QString& text, const QString& ownerPage)
{
    m_text->setText(text);
    m_ownerPage = ownerPage;
}

QString RunningNotice::text() const
{
    return m_text->text();
}
