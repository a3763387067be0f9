#include "ui/search/watchdog/TableRowViewWatchdog.h"

TableRowViewWatchdog::TableRowViewWatchdog(QObject* parent) : TableRowViewLight(parent)
{
    setObjectName(QStringLiteral("TableRowViewWatchdog"));
}
