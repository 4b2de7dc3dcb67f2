#pragma once

#include <QWidget>

class QLabel;
class QTextEdit;
class QPushButton;

namespace Updater {

// The updater's prompt window: the prompt line, the release notes and the
// two answers.
class PromptWindow : public QWidget
{
    Q_OBJECT
public:
    explicit PromptWindow(QWidget* parent = nullptr);

    QLabel* version() const { return m_version; }
    QTextEdit* releaseNote() const { return m_releaseNote; }
    QPushButton* updateButton() const { return m_update; }
    QPushButton* remindButton() const { return m_remind; }

Q_SIGNALS:
    void closeRequested();

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    QLabel* m_version;
    QTextEdit* m_releaseNote;
    QPushButton* m_update;
    QPushButton* m_remind;
};

} // namespace Updater
