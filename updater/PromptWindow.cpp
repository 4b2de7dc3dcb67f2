#include "updater/PromptWindow.h"

#include <QCloseEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QTextEdit>
#include <QVBoxLayout>

namespace Updater {

PromptWindow::PromptWindow(QWidget* parent)
    : QWidget(parent), m_version(new QLabel(this)), m_releaseNote(new QTextEdit(this)),
      m_update(new QPushButton(QStringLiteral("Update"), this)),
      m_remind(new QPushButton(QStringLiteral("Remind Me Later"), this))
{
    setObjectName(QStringLiteral("window"));
    setWindowTitle(QStringLiteral("Tidemark Updater"));
    m_version->setObjectName(QStringLiteral("version"));
    m_version->setWordWrap(true);
    // The version comes from the server: shown as it is, never as markup.
    m_version->setTextFormat(Qt::PlainText);
    m_releaseNote->setObjectName(QStringLiteral("releaseNote"));
    m_releaseNote->setReadOnly(true);
    m_update->setObjectName(QStringLiteral("updateButton"));
    m_update->setDefault(true);
    m_remind->setObjectName(QStringLiteral("remindButton"));

    auto* notesTitle = new QLabel(QStringLiteral("Release Notes:"), this);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(m_remind);
    buttons->addWidget(m_update);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_version);
    layout->addWidget(notesTitle);
    layout->addWidget(m_releaseNote, 1);
    layout->addLayout(buttons);
    layout->setContentsMargins(20, 18, 20, 16);
    layout->setSpacing(10);
    setStyleSheet(QStringLiteral(
        "#window { background: white; }"
        "#version { font-size: 15px; font-weight: bold; color: #1d3b44; }"
        "#releaseNote { border: 1px solid #c8d6da; border-radius: 4px; padding: 4px; font-size: 13px; }"
        "QPushButton { min-width: 120px; min-height: 30px; padding: 0 14px; font-size: 14px; border-radius: "
        "4px;"
        " border: 1px solid #158aa2; color: #158aa2; background: white; }"
        "#updateButton { color: white; background: #158aa2; }"
        "QPushButton:hover { background: #e6f3f6; } #updateButton:hover { background: #1a9db8; }"));
    resize(480, 320);
}

void PromptWindow::closeEvent(QCloseEvent* event)
{
    // Closing the window by hand quits the updater; closing it from code
    // (when the download starts) does not.
    if (event->spontaneous()) {
        Q_EMIT closeRequested();
    }
    QWidget::closeEvent(event);
}

} // namespace Updater
