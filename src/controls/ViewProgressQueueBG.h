#pragma once

#include "controls/FlatColorView.h"

// The ground of the queue's progress area: light grey with a darker line along its left and top edges.
class ViewProgressQueueBG : public FlatColorView
{
    Q_OBJECT
public:
    explicit ViewProgressQueueBG(QWidget* parent = nullptr);
};
