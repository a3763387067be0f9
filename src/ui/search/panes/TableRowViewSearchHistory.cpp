#include "ui/search/panes/TableRowViewSearchHistory.h"

TableRowViewSearchHistory::TableRowViewSearchHistory(QObject* parent) : TableRowViewLight(parent)
{
    setObjectName(QStringLiteral("TableRowViewSearchHistory"));
}
