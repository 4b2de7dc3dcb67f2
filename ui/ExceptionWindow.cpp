#include "ui/ExceptionWindow.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

ExceptionWindow::ExceptionWindow(QWidget* parent) : QFrame(parent)
{
    setObjectName(QStringLiteral("exceptionWindow"));
    setFrameShape(QFrame::StyledPanel);
    setStyleSheet(
        QStringLiteral("#exceptionWindow { background: white; border: 1px solid #9ab; border-radius: 6px; }"
                       "#excOKBtn, #excCancelBtn { color: white; background: rgb(21, 138, 162);"
                       " border: none; font-size: 14px; padding: 6px 18px; }"));
    auto* layout = new QVBoxLayout(this);
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
    layout->addLayout(buttons);
    setFixedSize(416, 140);
    hide();
}
