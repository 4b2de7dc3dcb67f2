#pragma once

#include "ui/PaintedLook.h"

class QAbstractButton;

// The styling every button of the window shares: flat coloured buttons with
// centred titles, whatever kind of button they are. The drawing the painted
// buttons share themselves is PaintedLook's, which knows no button class.
class ButtonStyling : public PaintedLook
{
public:
    // Rounds and fills `button` and gives it the title of `titleDetail`
    // ("Title" string, "TitleColor" QColor, "Font" size in points).
    static void setButtonAtrribute(QAbstractButton* button, double cornerRadius, const QColor& background,
                                   const QVariantMap& titleDetail);

    // Gives `button` `title`: painted buttons take it as their field, plain
    // ones through their own style sheet.
    static void setAttributedTitle(QAbstractButton* button, const AttributedTitle& title);

private:
    static void applyStyleSheet(QAbstractButton* button);
};
