#pragma once

#include "search/Watchdog.h"

#include <QList>
#include <QTableView>

#include <functional>

class QMimeData;
class WatchdogController;
class WatchdogTableModel;

// The Watchdog entries table. Rows are reordered by dragging them within
// this table; drags from anywhere else are refused. A right-click remembers
// its row while the page's menu is up (see ContextMenuRows).
class TableViewWatchdog : public QTableView
{
    Q_OBJECT
public:
    explicit TableViewWatchdog(WatchdogController* controller, QWidget* parent = nullptr);

    WatchdogTableModel* watchdogModel() const { return model_; }

    int clickedRow() const { return clickedRow_; }
    void setClickedRow(int row) { clickedRow_ = row; }
    // Runs the context menu at a global point (the page's menu).
    void setContextMenuRunner(std::function<void(const QPoint&)> runner) { menuRunner_ = std::move(runner); }

    // The description cell's check box: switches the entry with `tag`.
    void checkboxClicked(qint64 tag, bool state);
    // The first entry with `tag`; nil when none.
    WatchdogPtr getObjectForTag(qint64 tag) const;

    // Drops go above a row: the lower half of a row means the next one.
    int validateDropRow(const QPoint& viewportPos) const;
    // Moves the rows the drag carries above `row`; refused unless the drag
    // started in this table and carries our type.
    bool acceptDrop(const QObject* source, const QMimeData* data, int row);

Q_SIGNALS:
    // Return or Enter on the table: edit; Delete or Backspace: remove.
    void editKeyPressed();
    void deleteKeyPressed();

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    void startDrag(Qt::DropActions supportedActions) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    bool isDragAcceptable(const QDropEvent* event) const;

    WatchdogTableModel* model_;
    std::function<void(const QPoint&)> menuRunner_;
    int clickedRow_ = -1;
};
