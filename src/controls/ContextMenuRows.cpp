#include "controls/ContextMenuRows.h"

#include <QItemSelectionModel>

#include <algorithm>

QList<int> ContextMenuRows::targeted(const QItemSelectionModel* selection, int clickedRow)
{
    QList<int> rows;
    if (selection)
        for (const QModelIndex& i : selection->selectedRows())
            rows << i.row();
    std::sort(rows.begin(), rows.end());
    if (clickedRow != -1 && !rows.contains(clickedRow)) return {clickedRow};
    return rows;
}
