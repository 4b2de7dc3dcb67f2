#include "ui/ExceptionWindow.h"

#include "ui/ButtonStyling.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

ExceptionWindow::ExceptionWindow(QWidget* parent) : ViewSettingsSaved(parent)
{
    setObjectName(QStringLiteral("exceptionWindow"));
    auto* layout = new QVBoxLayout(this);
    // The words between the panel's bands, the buttons in the bottom band.
    layout->setContentsMargins(16, 30, 16, 8);
    m_text = new QLabel(this);
    m_text->setObjectName(QStringLiteral("exceptionTextField"));
    m_text->setWordWrap(true);
    m_text->setAlignment(Qt::AlignCenter);
    layout->addWidget(m_text);
    auto* buttons = new QHBoxLayout;
    m_ok = new QPushButton(QStringLiteral("Ok"), this);
    m_ok->setObjectName(QStringLiteral("excOKBtn"));
    m_cancel = new QPushButton(QStringLiteral("Cancel"), this);
    m_cancel->setObjectName(QStringLiteral("excCancelBtn"));
    buttons->addStretch();
    buttons->addWidget(m_ok);
    buttons->addWidget(m_cancel);
    buttons->addStretch();
    layout->addStretch();
    layout->addLayout(buttons);
    for (QPushButton* button : {m_ok, m_cancel}) {
        ButtonStyling::setButtonAtrribute(button, 0, QColor(21, 138, 162),
                                          {{QStringLiteral("Title"), button->text()},
                                           {QStringLiteral("TitleColor"), QColor(Qt::white)},
                                           {QStringLiteral("Font"), 14}});
        button->setMinimumSize(96, 30);
    }
    setDefaultButton(m_ok);
    setCancelButton(m_cancel);
    setFixedSize(416, 150);
    hide();
}
