#pragma once

#include "queue/Queue.h"

#include <QListView>

class QMenu;
class QueueFilesController;
class QueueFilesTableModel;
class TableCellViewQueueFiles;

// The files pane's table: one row per file part of the files controller's
// list, drawn by the "CellQueueFiles" cell. Enter and Return, and Ctrl+D, go
// to the files controller only while rows are selected; a click on a row's
// check box goes to the controller with the part's number. Main thread.
class TableViewQueueFiles : public QListView
{
    Q_OBJECT
public:
    explicit TableViewQueueFiles(QWidget* parent = nullptr);
    ~TableViewQueueFiles() override;

    // Not owned; given once, before rows are shown.
    void setQueueFilesController(QueueFilesController* controller);
    QueueFilesController* queueFilesController() const { return controller_; }
    QueueFilesTableModel* filesModel() const { return model_; }

    void setContextMenu(QMenu* menu) { contextMenu_ = menu; }
    int clickedRow() const { return clickedRow_; }
    void setClickedRow(int row) { clickedRow_ = row; }
    // The selected rows, or the right-clicked row alone when it lies outside
    // the selection.
    QList<int> getSelectedIndexSet() const;

    void checkboxClicked(qint64 tag);
    void enterKeyPressed();
    void cmdDKeyPressed();

    // The rows on screen, first and last; {0, -1} when none.
    QPair<int, int> visibleRows() const;

Q_SIGNALS:
    // A double-click on a row (not on its check box).
    void doubleClickAction();
    void contextMenuWillOpen();

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    void updateRefreshRange();

    QueueFilesController* controller_ = nullptr;
    QueueFilesTableModel* model_ = nullptr;
    TableCellViewQueueFiles* cell_ = nullptr;
    QMenu* contextMenu_ = nullptr;
    int clickedRow_ = -1;
};
