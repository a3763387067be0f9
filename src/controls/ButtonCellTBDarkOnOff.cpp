#include "controls/ButtonCellTBDarkOnOff.h"

ThreePartImageCell::Style ButtonCellTBDarkOnOff::style()
{
    ThreePartImageCell::Style style;
    style.normal = QStringLiteral("btn_tb_dark");
    style.high = QStringLiteral("btn_tb_dark_hi");
    style.inactive = QStringLiteral("btn_tb_dark_in");
    style.leftCap = 4;
    style.middle = 57;
    style.rightCap = 4;
    style.highWhen = ThreePartImageCell::HighWhen::PressedOrOn;
    style.highAlpha = 1.0;
    style.highAlphaDisabled = 0.5;
    style.normalAlpha = 0.7;
    style.normalAlphaDisabled = 0.3;
    style.titleShadow = true;
    style.titleDy = 0;
    style.titleDw = 0;
    return style;
}

ButtonCellTBDarkOnOff::ButtonCellTBDarkOnOff(QWidget* parent) : ThreePartImageButton(style(), parent)
{
    setCheckable(true);
}
