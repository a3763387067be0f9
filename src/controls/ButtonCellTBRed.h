#pragma once

#include "controls/ThreePartImageButton.h"

// The red toolbar push button.
class ButtonCellTBRed : public ThreePartImageButton
{
    Q_OBJECT
public:
    explicit ButtonCellTBRed(QWidget* parent = nullptr);

    static ThreePartImageCell::Style style();
};
