#pragma once

#include "controls/ThreePartImagePopUp.h"

// The transparent pop-up button; pressing changes nothing.
class PopupButtonTransparent : public ThreePartImagePopUp
{
    Q_OBJECT
public:
    explicit PopupButtonTransparent(QWidget* parent = nullptr);

    static ThreePartImageCell::Style style();
};
