#pragma once

#include "controls/FlatColorView.h"

// The grey ground of the queue page's right pane.
class ViewQueueRight : public FlatColorView
{
    Q_OBJECT
public:
    explicit ViewQueueRight(QWidget* parent = nullptr);
};
