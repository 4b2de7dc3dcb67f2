#pragma once

#include "ui/AttributedTitle.h"

#include <QColor>
#include <QVariantMap>

class QAbstractButton;
class QKeyEvent;
class QPainter;
class QRectF;

// The styling every button of the window shares: flat coloured buttons with
// centred titles, and the keyboard focus look of the painted ones.
class ButtonStyling
{
public:
    // Rounds and fills `button` and gives it the title of `titleDetail`
    // ("Title" string, "TitleColor" QColor, "Font" size in points).
    static void setButtonAtrribute(QAbstractButton* button, double cornerRadius, const QColor& background,
                                   const QVariantMap& titleDetail);

    // `text` in the system font of `fontSize` points and `color`, centred.
    static AttributedTitle setCenterAttributes(const QColor& color, const QString& text, double fontSize);
    // The same with a free alignment, underlined over its whole length when asked.
    static AttributedTitle setCenterAttributes(const QColor& color, const QString& text, double fontSize,
                                               bool underline, Qt::Alignment alignment);

    // Gives `button` `title`: painted buttons take it as their field, plain
    // ones through their own style sheet.
    static void setAttributedTitle(QAbstractButton* button, const AttributedTitle& title);

    static QColor NSColorToCGColor(const QColor& color);

    // The system font at `size` points (one point is one logical pixel).
    static QFont systemFont(double size);

    // The ring is two lines: focusRingColor outside, focusRingInnerColor inside.
    static QColor focusRingColor();
    static QColor focusRingInnerColor();
    static void paintFocusRing(QPainter& painter, const QRectF& bounds, double cornerRadius = 0);
    // The one fade of a disabled control, whether its page or its own paint applies it.
    static double disabledOpacity();

    // Return and Enter click a focused button as Space does; true when taken.
    static bool clickOnEnter(QAbstractButton* button, QKeyEvent* event);

private:
    static void applyStyleSheet(QAbstractButton* button);
};
