#pragma once

#include <QWidget>

class QCheckBox;

// A table cell holding a single check box.
class CheckBoxCell : public QWidget
{
    Q_OBJECT
public:
    explicit CheckBoxCell(QWidget* parent = nullptr);

    QCheckBox* checkBox() const;

private:
    QCheckBox* m_checkBox;
};
