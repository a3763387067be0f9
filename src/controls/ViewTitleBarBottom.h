#pragma once

#include "controls/FlatColorView.h"

// The dark title bar of the lower pane with black lines along its top and bottom edges.
class ViewTitleBarBottom : public FlatColorView
{
    Q_OBJECT
public:
    explicit ViewTitleBarBottom(QWidget* parent = nullptr);
};
