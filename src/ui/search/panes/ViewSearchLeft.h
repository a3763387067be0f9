#pragma once

#include "controls/FlatColorView.h"

// The ground of the search page's history pane.
class ViewSearchLeft : public FlatColorView
{
    Q_OBJECT
public:
    explicit ViewSearchLeft(QWidget* parent = nullptr);
};
