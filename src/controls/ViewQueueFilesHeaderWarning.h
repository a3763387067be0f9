#pragma once

#include "controls/FlatColorView.h"

// The cream header strip above the files pane that carries a warning: a white line on top and a grey line at the bottom.
class ViewQueueFilesHeaderWarning : public FlatColorView
{
    Q_OBJECT
public:
    explicit ViewQueueFilesHeaderWarning(QWidget* parent = nullptr);
};
