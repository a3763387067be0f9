#pragma once

#include "controls/FlatColorView.h"

// The background of the lower pane.
class ViewBottom : public FlatColorView
{
    Q_OBJECT
public:
    explicit ViewBottom(QWidget* parent = nullptr);
};
