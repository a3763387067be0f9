#include "controls/ButtonCollapseLeft.h"

ButtonCollapseLeft::ButtonCollapseLeft(QWidget* parent)
    : ButtonCollapse(QStringLiteral("btn_collapse_left"), Divider::Right, parent)
{}
