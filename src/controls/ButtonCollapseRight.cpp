#include "controls/ButtonCollapseRight.h"

ButtonCollapseRight::ButtonCollapseRight(QWidget* parent)
    : ButtonCollapse(QStringLiteral("btn_collapse_right"), Divider::Left, parent)
{}
