#include "controls/PopupButtonTransparent.h"

ThreePartImageCell::Style PopupButtonTransparent::style()
{
    ThreePartImageCell::Style style;
    style.normal = QStringLiteral("pop_transparent");
    style.high = QString();
    style.inactive = QStringLiteral("pop_transparent_in");
    style.leftCap = 4;
    style.middle = 47;
    style.rightCap = 14;
    style.highWhen = ThreePartImageCell::HighWhen::Never;
    style.highAlpha = 0.8;
    style.highAlphaDisabled = 0.3;
    style.normalAlpha = 0.8;
    style.normalAlphaDisabled = 0.3;
    style.titleShadow = false;
    style.titleDy = -1;
    style.titleDw = -15;
    return style;
}

PopupButtonTransparent::PopupButtonTransparent(QWidget* parent) : ThreePartImagePopUp(style(), parent)
{}
