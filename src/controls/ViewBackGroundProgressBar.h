#pragma once

#include "controls/FlatColorView.h"

// The pale ground behind a progress area: white at 70 %.
class ViewBackGroundProgressBar : public FlatColorView
{
    Q_OBJECT
public:
    explicit ViewBackGroundProgressBar(QWidget* parent = nullptr);
};
