#pragma once

#include "controls/ThreePartImageButton.h"

// The dark toolbar on/off button (checkable); on looks pressed.
class ButtonCellTBDarkOnOff : public ThreePartImageButton
{
    Q_OBJECT
public:
    explicit ButtonCellTBDarkOnOff(QWidget* parent = nullptr);

    static ThreePartImageCell::Style style();
};
