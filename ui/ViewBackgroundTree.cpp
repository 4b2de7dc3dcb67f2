#include "ui/ViewBackgroundTree.h"

ViewBackgroundTree::ViewBackgroundTree(QWidget* parent) : ViewColorBar(QColor(0, 155, 178), parent) {}
