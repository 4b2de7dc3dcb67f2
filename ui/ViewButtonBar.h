#pragma once

#include "ui/ViewColorBar.h"

// The bar behind a page's buttons. One fixed colour.
class ViewButtonBar : public ViewColorBar
{
    Q_OBJECT
public:
    explicit ViewButtonBar(QWidget* parent = nullptr);
};
