#pragma once

#include "controls/ButtonCollapse.h"

// The collapse button of a lower pane.
class ButtonCollapseBottom : public ButtonCollapse
{
    Q_OBJECT
public:
    explicit ButtonCollapseBottom(QWidget* parent = nullptr);
};
