#pragma once

#include <QDialog>

class QLabel;

// The About panel: name, version line and a Close button.
class AboutPanel : public QDialog
{
    Q_OBJECT
public:
    explicit AboutPanel(QWidget* parent = nullptr);
    QLabel* aboutVersion() const { return m_version; }

private:
    QLabel* m_version;
};
