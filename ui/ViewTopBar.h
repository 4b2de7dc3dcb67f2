#pragma once

#include "ui/ViewColorBar.h"

// The window's top bar. One fixed colour.
class ViewTopBar : public ViewColorBar
{
    Q_OBJECT
public:
    explicit ViewTopBar(QWidget* parent = nullptr);
};
