#pragma once

#include "controls/FlatColorView.h"

// The dark title bar of a page with a black line along its bottom edge.
class ViewTitleBarMain : public FlatColorView
{
    Q_OBJECT
public:
    explicit ViewTitleBarMain(QWidget* parent = nullptr);
};
