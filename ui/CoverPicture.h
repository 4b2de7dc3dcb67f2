#pragma once

#include <QLabel>

// A picture that fills its whole area at any size, keeping its proportions:
// it is scaled to cover the area and the overflow is cut off evenly.
class CoverPicture : public QLabel
{
    Q_OBJECT
public:
    explicit CoverPicture(QWidget* parent = nullptr);

    // The part of the picture shown, in the picture's own pixels.
    QRectF sourceRect() const;

protected:
    void paintEvent(QPaintEvent* event) override;
};
