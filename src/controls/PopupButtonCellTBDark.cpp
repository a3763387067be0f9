#include "controls/PopupButtonCellTBDark.h"

ThreePartImageCell::Style PopupButtonCellTBDark::style()
{
    ThreePartImageCell::Style style;
    style.normal = QStringLiteral("pop_tb_dark");
    style.high = QStringLiteral("pop_tb_dark");
    style.inactive = QStringLiteral("pop_tb_dark_in");
    style.leftCap = 4;
    style.middle = 47;
    style.rightCap = 14;
    style.highWhen = ThreePartImageCell::HighWhen::Pressed;
    style.highAlpha = 0.7;
    style.highAlphaDisabled = 0.3;
    style.normalAlpha = 0.7;
    style.normalAlphaDisabled = 0.3;
    style.titleShadow = true;
    style.titleDy = 0;
    style.titleDw = -15;
    return style;
}

PopupButtonCellTBDark::PopupButtonCellTBDark(QWidget* parent) : ThreePartImagePopUp(style(), parent)
{}
