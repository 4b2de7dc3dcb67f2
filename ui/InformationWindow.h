#pragma once

#include "ui/ViewSettingsSaved.h"

#include <QPointer>

class QLabel;
class QPushButton;
class ViewTransparent;

// The information window over the results: a header, three lines, a picture
// and one button.
class InformationWindow : public ViewSettingsSaved
{
    Q_OBJECT
public:
    explicit InformationWindow(QWidget* parent);

    // Fills the window and shows it above a cover that keeps clicks off the
    // window underneath.
    void showInformation(const QString& header, const QString& first, const QString& second,
                         const QString& third, const QString& image, const QString& buttonTitle);
    // Hides the window and takes its cover away (not anyone else's).
    void dismiss();
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
    QPointer<ViewTransparent> m_cover;
};
