#pragma once

#include "controls/ThreePartImagePopUp.h"

// The dark toolbar pop-up button; its resting artwork also serves while pressed.
class PopupButtonCellTBDark : public ThreePartImagePopUp
{
    Q_OBJECT
public:
    explicit PopupButtonCellTBDark(QWidget* parent = nullptr);

    static ThreePartImageCell::Style style();
};
