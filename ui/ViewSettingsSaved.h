#pragma once

#include <QWidget>

// A framed white panel with a blue band on top and a grey band below, for
// a short confirmation.
class ViewSettingsSaved : public QWidget
{
    Q_OBJECT
public:
    explicit ViewSettingsSaved(QWidget* parent = nullptr);

    static QColor borderColor();
    static QColor topBandColor();
    static QColor bottomBandColor();

protected:
    void paintEvent(QPaintEvent* event) override;
};
