#include "controls/ButtonCellTBDark.h"

ThreePartImageCell::Style ButtonCellTBDark::style()
{
    ThreePartImageCell::Style style;
    style.normal = QStringLiteral("btn_tb_dark");
    style.high = QStringLiteral("btn_tb_dark_hi");
    style.inactive = QStringLiteral("btn_tb_dark_in");
    style.leftCap = 4;
    style.middle = 57;
    style.rightCap = 4;
    style.highWhen = ThreePartImageCell::HighWhen::Pressed;
    style.highAlpha = 0.7;
    style.highAlphaDisabled = 0.3;
    style.normalAlpha = 1.0;
    style.normalAlphaDisabled = 0.5;
    style.titleShadow = true;
    style.titleDy = 0;
    style.titleDw = 0;
    return style;
}

ButtonCellTBDark::ButtonCellTBDark(QWidget* parent) : ThreePartImageButton(style(), parent)
{}
