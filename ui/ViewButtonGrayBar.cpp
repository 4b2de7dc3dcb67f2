#include "ui/ViewButtonGrayBar.h"

ViewButtonGrayBar::ViewButtonGrayBar(QWidget* parent) : ViewColorBar(QColor(193, 193, 193), parent) {}
