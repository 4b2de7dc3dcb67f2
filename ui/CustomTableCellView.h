#pragma once

#include <QWidget>

class QLabel;

// A table cell with a file name and two lines of extra text.
class CustomTableCellView : public QWidget
{
    Q_OBJECT
public:
    explicit CustomTableCellView(QWidget* parent = nullptr);

    QLabel* fileName() const;
    QLabel* additionalText() const;
    QLabel* additionalTextCount() const;

private:
    QLabel* m_fileName;
    QLabel* m_additionalText;
    QLabel* m_additionalTextCount;
};
