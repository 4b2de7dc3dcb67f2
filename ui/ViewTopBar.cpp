#include "ui/ViewTopBar.h"

ViewTopBar::ViewTopBar(QWidget* parent) : ViewColorBar(QColor(31, 100, 134), parent) {}
