#pragma once

#include "ui/ViewColorBar.h"

// The backdrop behind the result tree. One fixed colour.
class ViewBackgroundTree : public ViewColorBar
{
    Q_OBJECT
public:
    explicit ViewBackgroundTree(QWidget* parent = nullptr);
};
