#include "controls/ButtonCellTBBlue.h"

ThreePartImageCell::Style ButtonCellTBBlue::style()
{
    ThreePartImageCell::Style style;
    style.normal = QStringLiteral("btn_tb_blue");
    style.high = QStringLiteral("btn_tb_blue_hi");
    style.inactive = QStringLiteral("btn_tb_blue_in");
    style.leftCap = 4;
    style.middle = 57;
    style.rightCap = 4;
    style.highWhen = ThreePartImageCell::HighWhen::Pressed;
    style.highAlpha = 1.0;
    style.highAlphaDisabled = 0.5;
    style.normalAlpha = 1.0;
    style.normalAlphaDisabled = 0.5;
    style.titleShadow = true;
    style.titleDy = 0;
    style.titleDw = 0;
    return style;
}

ButtonCellTBBlue::ButtonCellTBBlue(QWidget* parent) : ThreePartImageButton(style(), parent)
{}
