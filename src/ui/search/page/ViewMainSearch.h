#pragma once

#include "controls/FlatColorView.h"

// The light grey ground of the search page's query fields.
class ViewMainSearch : public FlatColorView
{
    Q_OBJECT
public:
    explicit ViewMainSearch(QWidget* parent = nullptr);
};
