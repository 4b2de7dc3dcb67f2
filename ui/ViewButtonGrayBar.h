#pragma once

#include "ui/ViewColorBar.h"

// The grey rule above a page's button bar. One fixed colour.
class ViewButtonGrayBar : public ViewColorBar
{
    Q_OBJECT
public:
    explicit ViewButtonGrayBar(QWidget* parent = nullptr);
};
