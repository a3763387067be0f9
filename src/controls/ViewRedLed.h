#pragma once

#include "controls/FlatColorView.h"

// A red lamp.
class ViewRedLed : public FlatColorView
{
    Q_OBJECT
public:
    explicit ViewRedLed(QWidget* parent = nullptr);
};
