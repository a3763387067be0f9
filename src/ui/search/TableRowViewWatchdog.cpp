#include "ui/search/TableRowViewWatchdog.h"

TableRowViewWatchdog::TableRowViewWatchdog(QObject* parent) : TableRowViewLight(parent)
{
    setObjectName(QStringLiteral("TableRowViewWatchdog"));
}
