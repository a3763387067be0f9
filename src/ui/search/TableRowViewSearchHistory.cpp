#include "ui/search/TableRowViewSearchHistory.h"

TableRowViewSearchHistory::TableRowViewSearchHistory(QObject* parent) : TableRowViewLight(parent)
{
    setObjectName(QStringLiteral("TableRowViewSearchHistory"));
}
