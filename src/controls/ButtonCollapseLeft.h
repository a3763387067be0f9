#pragma once

#include "controls/ButtonCollapse.h"

// The collapse button of a left pane, with a divider along its right edge.
class ButtonCollapseLeft : public ButtonCollapse
{
    Q_OBJECT
public:
    explicit ButtonCollapseLeft(QWidget* parent = nullptr);
};
