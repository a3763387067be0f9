#pragma once

#include "controls/FlatColorView.h"

// A footer strip with a line along its top edge.
class ViewFooter : public FlatColorView
{
    Q_OBJECT
public:
    explicit ViewFooter(QWidget* parent = nullptr);
};
