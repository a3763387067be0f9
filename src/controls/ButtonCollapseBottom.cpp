#include "controls/ButtonCollapseBottom.h"

ButtonCollapseBottom::ButtonCollapseBottom(QWidget* parent)
    : ButtonCollapse(QStringLiteral("btn_collapse_bottom"), Divider::None, parent)
{}
