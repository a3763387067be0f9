#pragma once

#include "controls/ButtonCollapse.h"

// The collapse button of a lower pane on a dark bar, with a divider along its left edge.
class ButtonCollapseBottomDark : public ButtonCollapse
{
    Q_OBJECT
public:
    explicit ButtonCollapseBottomDark(QWidget* parent = nullptr);
};
