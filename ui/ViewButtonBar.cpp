#include "ui/ViewButtonBar.h"

ViewButtonBar::ViewButtonBar(QWidget* parent) : ViewColorBar(QColor(Qt::white), parent) {}
