#pragma once

#include <QColor>
#include <QPalette>

class QApplication;

// One look for the whole program: the standard widgets (selection, combo
// boxes, tool buttons, scroll bars, message boxes, the About panel, progress
// bars) take the teal and navy of the painted controls. The palette is the
// program's own, so a dark desktop colour scheme cannot leave dark text on
// the white painted panels or light text on the light pages.
class Theme
{
public:
    // Once per application; later calls do nothing.
    static void apply(QApplication* app);

    static QPalette palette();
    static QString styleSheet();

    static QColor accent();      // teal of the filled buttons: selection, progress
    static QColor text();        // navy-slate of the page texts
    static QColor windowColor(); // page background
};
