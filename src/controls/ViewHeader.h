#pragma once

#include "controls/FlatColorView.h"

// A header strip with a line along its bottom edge.
class ViewHeader : public FlatColorView
{
    Q_OBJECT
public:
    explicit ViewHeader(QWidget* parent = nullptr);
};
