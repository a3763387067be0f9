#include "ui/queue/TableViewQueueFiles.h"

#include "controls/ContextMenuRows.h"
#include "queue/QueueFilesController.h"
#include "ui/queue/QueueFilesTableModel.h"
#include "ui/queue/TableCellViewQueueFiles.h"

#include <QContextMenuEvent>
#include <QKeyEvent>
#include <QMenu>

TableViewQueueFiles::TableViewQueueFiles(QWidget* parent) : QListView(parent)
{
    setObjectName(QStringLiteral("tableViewQueueFiles"));
    setSelectionMode(QAbstractItemView::ExtendedSelection);
    setUniformItemSizes(true);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setFrameShape(QFrame::NoFrame);
    setVerticalScrollMode(QAbstractItemView::ScrollPerPixel);
    // Clear: the pane's grey shows below the last row.
    viewport()->setAutoFillBackground(false);
    setStyleSheet(QStringLiteral("QListView { background: transparent; }"));
}

TableViewQueueFiles::~TableViewQueueFiles() = default;

void TableViewQueueFiles::setQueueFilesController(QueueFilesController* controller)
{
    controller_ = controller;
    model_ = new QueueFilesTableModel(controller, this);
    cell_ = new TableCellViewQueueFiles(model_, this);
    setModel(model_);
    setItemDelegate(cell_);
    connect(cell_, &TableCellViewQueueFiles::checkboxClicked, this, &TableViewQueueFiles::checkboxClicked);
}

QList<int> TableViewQueueFiles::getSelectedIndexSet() const
{
    return ContextMenuRows::targeted(selectionModel(), clickedRow_);
}

void TableViewQueueFiles::checkboxClicked(qint64 tag)
{
    if (controller_) controller_->checkboxClickedOnFidNr(tag);
    const QPair<int, int> rows = visibleRows();
    model_->poller().refreshRows(rows.first, rows.second, model_->rowCount());
}

void TableViewQueueFiles::enterKeyPressed()
{
    const QList<int> rows = ContextMenuRows::targeted(selectionModel(), -1);
    if (rows.isEmpty() || !controller_) return;
    controller_->enterKeyPressedOnIndexSet(rows);
}

void TableViewQueueFiles::cmdDKeyPressed()
{
    const QList<int> rows = ContextMenuRows::targeted(selectionModel(), -1);
    if (rows.isEmpty() || !controller_) return;
    controller_->cmdDKeyPressedOnIndexSet(rows);
}

void TableViewQueueFiles::keyPressEvent(QKeyEvent* event)
{
    const bool ctrl = event->modifiers() & Qt::ControlModifier;
    if (ctrl && event->key() == Qt::Key_D) {
        cmdDKeyPressed();
        return;
    }
    if (!ctrl && (event->key() == Qt::Key_Enter || event->key() == Qt::Key_Return)) {
        enterKeyPressed();
        return;
    }
    QListView::keyPressEvent(event);
}

void TableViewQueueFiles::contextMenuEvent(QContextMenuEvent* event)
{
    // The menu key acts on the selection; a right-click on its row.
    const QModelIndex index =
        event->reason() == QContextMenuEvent::Keyboard ? QModelIndex() : indexAt(event->pos());
    clickedRow_ = index.isValid() ? index.row() : -1;
    Q_EMIT contextMenuWillOpen();
    if (contextMenu_) contextMenu_->exec(event->globalPos());
    clickedRow_ = -1;
}

void TableViewQueueFiles::mouseDoubleClickEvent(QMouseEvent* event)
{
    QListView::mouseDoubleClickEvent(event);
    const QPoint at = event->position().toPoint();
    const QModelIndex index = indexAt(at);
    // The check box takes its own double-clicks.
    if (index.isValid() &&
        !TableCellViewQueueFiles::checkBoxRect(visualRect(index)).adjusted(-4, -4, 4, 4).contains(at))
        Q_EMIT doubleClickAction();
}

QPair<int, int> TableViewQueueFiles::visibleRows() const
{
    const int n = model_ ? model_->rowCount() : 0;
    if (n == 0 || !isVisible()) return {0, -1};
    const QModelIndex top = indexAt(QPoint(20, 1));
    const QModelIndex bottom = indexAt(QPoint(20, viewport()->height() - 2));
    return {top.isValid() ? top.row() : 0, bottom.isValid() ? bottom.row() : n - 1};
}

void TableViewQueueFiles::updateRefreshRange()
{
    if (!model_) return;
    const QPair<int, int> range = visibleRows();
    if (range != model_->poller().range()) model_->poller().setRange(range.first, range.second);
}

void TableViewQueueFiles::paintEvent(QPaintEvent* event)
{
    QListView::paintEvent(event);
    updateRefreshRange();
}

void TableViewQueueFiles::hideEvent(QHideEvent* event)
{
    if (model_) model_->poller().setRange(0, -1);
    QListView::hideEvent(event);
}
