#pragma once

#include "controls/FlatColorView.h"

// Only a grey line along the bottom edge; the rest stays transparent.
class ViewTitleBarMainGray : public FlatColorView
{
    Q_OBJECT
public:
    explicit ViewTitleBarMainGray(QWidget* parent = nullptr);
};
