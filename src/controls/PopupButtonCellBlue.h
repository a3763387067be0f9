#pragma once

#include "controls/ThreePartImagePopUp.h"

// The blue pop-up button; its resting artwork also serves while pressed.
class PopupButtonCellBlue : public ThreePartImagePopUp
{
    Q_OBJECT
public:
    explicit PopupButtonCellBlue(QWidget* parent = nullptr);

    static ThreePartImageCell::Style style();
};
