#pragma once

#include <QList>

class QItemSelectionModel;

// The rows a table's commands act on: the selected rows in ascending order,
// except after a right-click on a row outside the selection, which then
// acts on that row alone. `clickedRow` is -1 when no row was right-clicked.
class ContextMenuRows
{
public:
    static QList<int> targeted(const QItemSelectionModel* selection, int clickedRow);
};
