#pragma once

#include "ui/ViewSettingsSaved.h"

class QLabel;
class QPushButton;

// Asks before the marked files join the exception list.
class ExceptionWindow : public ViewSettingsSaved
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
