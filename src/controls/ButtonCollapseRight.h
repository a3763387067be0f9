#pragma once

#include "controls/ButtonCollapse.h"

// The collapse button of a right pane, with a divider along its left edge.
class ButtonCollapseRight : public ButtonCollapse
{
    Q_OBJECT
public:
    explicit ButtonCollapseRight(QWidget* parent = nullptr);
};
