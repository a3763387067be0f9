#pragma once

#include "controls/ThreePartImageButton.h"

// The dark toolbar push button; its title dims while pressed.
class ButtonCellTBDark : public ThreePartImageButton
{
    Q_OBJECT
public:
    explicit ButtonCellTBDark(QWidget* parent = nullptr);

    static ThreePartImageCell::Style style();
};
