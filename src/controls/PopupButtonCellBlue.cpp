#include "controls/PopupButtonCellBlue.h"

ThreePartImageCell::Style PopupButtonCellBlue::style()
{
    ThreePartImageCell::Style style;
    style.normal = QStringLiteral("btn_tb_blue");
    style.high = QStringLiteral("btn_tb_blue");
    style.inactive = QStringLiteral("btn_tb_blue_in");
    style.leftCap = 4;
    style.middle = 47;
    style.rightCap = 14;
    style.highWhen = ThreePartImageCell::HighWhen::Pressed;
    style.highAlpha = 1.0;
    style.highAlphaDisabled = 0.5;
    style.normalAlpha = 1.0;
    style.normalAlphaDisabled = 0.5;
    style.titleShadow = true;
    style.titleDy = -1;
    style.titleDw = -7;
    return style;
}

PopupButtonCellBlue::PopupButtonCellBlue(QWidget* parent) : ThreePartImagePopUp(style(), parent)
{}
