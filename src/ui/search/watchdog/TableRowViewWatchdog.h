#pragma once

#include "controls/TableRowViewLight.h"

// The rows of the Watchdog entries and history tables: the program's light
// rows.
class TableRowViewWatchdog : public TableRowViewLight
{
    Q_OBJECT
public:
    explicit TableRowViewWatchdog(QObject* parent = nullptr);
};
