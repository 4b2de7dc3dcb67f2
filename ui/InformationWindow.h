#pragma once

#include <QFrame>

class QLabel;
class QPushButton;

// The information window over the results: a header, three lines, a picture
// and one button.
class InformationWindow : public QFrame
{
    Q_OBJECT
public:
    explicit InformationWindow(QWidget* parent);

    void showInformation(const QString& header, const QString& first, const QString& second,
                         const QString& third, const QString& image, const QString& buttonTitle);
    QLabel* header() const { return m_header; }
    QLabel* line(int i) const;
    QPushButton* button() const { return m_button; }

Q_SIGNALS:
    void okClicked();

private:
    QLabel* m_header;
    QLabel* m_lines[3];
    QLabel* m_image;
    QPushButton* m_button;
};
