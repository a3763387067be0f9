#include "controls/ButtonCollapseBottomDark.h"

ButtonCollapseBottomDark::ButtonCollapseBottomDark(QWidget* parent)
    : ButtonCollapse(QStringLiteral("btn_collapse_bottom_dark"), Divider::Left, parent)
{}
