#pragma once

#include "ui/HoverButton.h"

// A HoverButton in the window's teal with a white 2-point border; its icon
// dims when disabled.
class WIndowsLikeButton : public HoverButton
{
    Q_OBJECT
public:
    explicit WIndowsLikeButton(QWidget* parent = nullptr);

    static QColor fillColor();

protected:
    QColor paintedBackground() const override;
    void paintFrame(QPainter& painter, const QRectF& bounds) const override;
    bool dimsIconWhenDisabled() const override;
};
