#pragma once

#include <QTableView>

class QKeyEvent;
class TableViewSearchHistoryDelegate;

// The search history table. Delete and Backspace, Enter and Return go to
// the delegate while a row is selected; a right-click remembers its row
// while the delegate's menu is up. Rows are reordered by dragging them
// within this table only: a drag from elsewhere is refused, and a drop
// always lands above a row.
class TableViewSearchHistory : public QTableView
{
    Q_OBJECT
public:
    explicit TableViewSearchHistory(QWidget* parent = nullptr);

    void setHistoryDelegate(TableViewSearchHistoryDelegate* delegate) { delegate_ = delegate; }

    // The right-clicked row while the context menu is up, else -1.
    int clickedRow() const { return clickedRow_; }
    void setClickedRow(int row) { clickedRow_ = row; }

    // The row a drop at this point lands above; the lower half of a row
    // means the next one, empty space below the rows the row count.
    int validateDropRow(const QPoint& viewportPos) const;

    // The keys a row table passes on: Delete/Backspace, Enter/Return.
    enum class RowKey { Other, Delete, Enter };
    static RowKey rowKeyFor(const QKeyEvent* event);

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    void startDrag(Qt::DropActions supportedActions) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dragLeaveEvent(QDragLeaveEvent* event) override;
    void dropEvent(QDropEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    bool isDragAcceptable(const QDropEvent* event) const;

    TableViewSearchHistoryDelegate* delegate_ = nullptr;
    int clickedRow_ = -1;
    // Where the drag in progress would land (a line is drawn there); -1
    // while there is none.
    int dropRow_ = -1;
};
