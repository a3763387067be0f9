#pragma once

#include "controls/ThreePartImageButton.h"

// The blue toolbar push button.
class ButtonCellTBBlue : public ThreePartImageButton
{
    Q_OBJECT
public:
    explicit ButtonCellTBBlue(QWidget* parent = nullptr);

    static ThreePartImageCell::Style style();
};
