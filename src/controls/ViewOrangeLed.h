#pragma once

#include "controls/FlatColorView.h"

// An orange lamp.
class ViewOrangeLed : public FlatColorView
{
    Q_OBJECT
public:
    explicit ViewOrangeLed(QWidget* parent = nullptr);
};
