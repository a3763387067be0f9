#pragma once

#include "controls/FlatColorView.h"

// The light grey page background.
class ViewMain : public FlatColorView
{
    Q_OBJECT
public:
    explicit ViewMain(QWidget* parent = nullptr);
};
