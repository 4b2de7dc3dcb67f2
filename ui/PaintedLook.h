#pragma once

#include "ui/AttributedTitle.h"

#include <QColor>
#include <QVariantMap>

class QAbstractButton;
class QKeyEvent;
class QPainter;
class QRectF;

// What every painted control draws alike: centred titles in the system
// font, the keyboard focus ring, the fade of a disabled control. Knows no
// control class, so the controls can use it.
class PaintedLook
{
public:
    // `text` in the system font of `fontSize` points and `color`, centred.
    static AttributedTitle setCenterAttributes(const QColor& color, const QString& text, double fontSize);
    // The same with a free alignment, underlined over its whole length when asked.
    static AttributedTitle setCenterAttributes(const QColor& color, const QString& text, double fontSize,
                                               bool underline, Qt::Alignment alignment);
    // The title a "Title"/"TitleColor"/"Font" description asks for (black, 13 points unless given).
    static AttributedTitle titleFromDetail(const QVariantMap& titleDetail);

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
};
