#pragma once

#include "controls/TableRowViewLight.h"

// The rows of the search history table: the program's light rows. Set it as
// the table's item delegate.
class TableRowViewSearchHistory : public TableRowViewLight
{
    Q_OBJECT
public:
    explicit TableRowViewSearchHistory(QObject* parent = nullptr);
};
