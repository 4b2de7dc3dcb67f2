#pragma once

#include <QFrame>

class QLabel;
class QPushButton;

// Asks before the marked files join the exception list.
class ExceptionWindow : public QFrame
{
    Q_OBJECT
public:
    explicit ExceptionWindow(QWidget* parent);

    QLabel* exceptionTextField() const { return m_text; }
    QPushButton* okButton() const { return m_ok; }
    QPushButton* cancelButton() const { return m_cancel; }

private:
    QLabel* m_text;
    QPushButton* m_ok;
    QPushButton* m_cancel;
};
