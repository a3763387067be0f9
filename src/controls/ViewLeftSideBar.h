#pragma once

#include "controls/FlatColorView.h"

// The dark blue-grey side bar with a black line along its right edge.
class ViewLeftSideBar : public FlatColorView
{
    Q_OBJECT
public:
    explicit ViewLeftSideBar(QWidget* parent = nullptr);
};
