#pragma once

#include "ui/search/SearchField.h"

// The input of the history pane's filter field, for a light ground: a dark
// grey insertion point (and text) and selected text on light grey. When
// editing ends the selection is collapsed to the start.
class SearchFieldSearchHistory : public SearchField
{
    Q_OBJECT
public:
    explicit SearchFieldSearchHistory(QWidget* parent = nullptr);
};
