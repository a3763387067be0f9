#pragma once

#include "queue/Queue.h"
#include "queue/QueueController.h"
#include "ui/queue/TableCellViewQueue.h"

#include <QMenu>

#include <QListView>
#include <QPointer>
#include <QTimer>

class QMenu;
class QueueController;
class QueueTableModel;

// The queue table: one card row per root job of the controller's
// `queueArray`, in queue order. It handles the rows' buttons, the keys, the
// context-menu border and reordering by drag (with a private drag type
// accepted only from this table), and does the move arithmetic of the page's
// move buttons. It keeps no copy of the queue beyond the jobs of a drag in
// progress and of an open context menu. Main thread only.
class TableViewQueue : public QListView
{
    Q_OBJECT
public:
    explicit TableViewQueue(QWidget* parent = nullptr);
    ~TableViewQueue() override;

    QueueController* queueController() const { return queueController_; }
    void setQueueController(QueueController* controller);
    QueueTableModel* queueModel() const { return model_; }
    TableCellViewQueue* cell() const { return cell_; }
    QString tableFileQueueIdentifier() const;

    qsizetype numberOfRows() const;
    double heightOfRow(int row) const;

    // The row buttons; `tag` is the job's qidnr.
    void statusButtonClicked(qint64 tag);
    void cancelButtonClicked(qint64 tag);
    void pauseButtonClicked(qint64 tag);
    void passwordButtonClicked(qint64 tag);
    void editTitleButtonClicked(qint64 tag);

    void cancelSelectedObjects();
    void cleanUP();
    void deleteKeyPressed();

    // Moves `jobs` as one block, in their order, before the job now at
    // `row` (at the end for row = number of jobs).
    void moveObjectsFromArray(const QList<QueuePtr>& jobs, qsizetype row);
    void moveRowObject(const QueuePtr& job, qsizetype row);

    // The rows commands act on: the selected rows, or the right-clicked row
    // alone when it is not among them. Ascending.
    QList<int> getSelectedIndexSet() const;
    QList<QueuePtr> getAllSelectedObjects() const;
    QList<QueuePtr> getAllSelectedObjectsFromIndexSet(const QList<int>& rows) const;
    QueuePtr getFirstSelectedObject() const;

    // The right-clicked row while the context menu is up, else -1.
    int clickedRow() const { return clickedRow_; }
    void setClickedRow(int row) { clickedRow_ = row; }
    void setContextMenu(QMenu* menu) { contextMenu_ = menu; }
    void willOpenMenu();
    void didCloseMenu();
    QList<QueuePtr> contextMenuHighlightedObjects() const { return contextMenuHighlightedObjectsArray_; }

    // Drag and drop: the drop row is always "above" a row.
    int validateDropRow(const QPoint& viewportPos) const;
    bool acceptDrop(const QObject* source, int row);
    QList<QueuePtr> draggedObjects() const { return draggedObjectsArray_; }
    void beginDragOfRows(const QList<int>& rows);
    void draggingSessionEnded();

    // The pointer's place in the table, for hover drawing.
    struct Hover
    {
        int row = -1;
        TableCellViewQueue::Part part = TableCellViewQueue::Part::None;
    };
    Hover hover() const { return hover_; }
    // Moves the hover to a point of the viewport (what mouse moves do).
    void hoverAt(const QPoint& viewportPos);

    // Handlers of the two notifications.
    void queueRowHeightChanged(const QueuePtr& job);
    void moveObjectToTableViewQueueBottom(qint64 row);

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    void startDrag(Qt::DropActions supportedActions) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dropEvent(QDropEvent* event) override;
    bool viewportEvent(QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    void selectionChanged(const QItemSelection& selected, const QItemSelection& deselected) override;

private:
    void postSelectionChanged();
    void repaintAnimatingBars();
    void updateRefreshRange();
    QPair<int, int> visibleRows() const;
    bool isDragAcceptable(const QDropEvent* event) const;

    QPointer<QueueController> queueController_;
    QueueTableModel* model_ = nullptr;
    TableCellViewQueue* cell_ = nullptr;
    QPointer<QMenu> contextMenu_;
    QList<QueuePtr> draggedObjectsArray_;
    QList<QueuePtr> contextMenuHighlightedObjectsArray_;
    int clickedRow_ = -1;
    Hover hover_;
    bool buttonPressInProgress_ = false;
    QTimer refreshRangeTimer_;
};
