#pragma once

#include <QList>
#include <QPoint>

class QObject;

// What the search history table asks of its pane: the keys it passes on,
// its context menu, and the three steps of reordering by drag. Rows are the
// rows the table shows.
class TableViewSearchHistoryDelegate
{
public:
    virtual ~TableViewSearchHistoryDelegate() = default;

    virtual void deleteKeyPressedInHistory() {}
    virtual void enterKeyPressedInHistory() {}
    // The right-clicked row is the table's clickedRow() meanwhile.
    virtual void contextMenuRequested(const QPoint& /*globalPos*/) {}

    // A drag of these rows (ascending) starts; false refuses it.
    virtual bool writeRowsWithIndexes(const QList<int>& rows) = 0;
    // The drop above `row` (the row count: below the last row).
    virtual bool acceptDrop(const QObject* source, int row) = 0;
    virtual void draggingSessionEnded() = 0;
};
