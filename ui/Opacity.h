#pragma once

class QWidget;

// Draws a widget at a given alpha (the dimmed look of a disabled Scan button).
class Opacity
{
public:
    static void set(QWidget* widget, double alpha);
    static double of(const QWidget* widget);
};
