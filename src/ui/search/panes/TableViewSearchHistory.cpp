#include "ui/search/panes/TableViewSearchHistory.h"

#include "controls/OwnRowDrag.h"
#include "controls/SRGB.h"
#include "ui/search/panes/SearchHistoryTableModel.h"
#include "ui/search/panes/TableViewSearchHistoryDelegate.h"

#include <QContextMenuEvent>
#include <QDrag>
#include <QDropEvent>
#include <QHeaderView>
#include <QKeyEvent>
#include <QMimeData>
#include <QPainter>

#include <algorithm>

TableViewSearchHistory::TableViewSearchHistory(QWidget* parent) : QTableView(parent)
{
    setObjectName(QStringLiteral("tableViewSearchHistory"));
    OwnRowDrag::enableOn(this);
    setShowGrid(false);
    setWordWrap(false);
    setFrameShape(QFrame::NoFrame);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setIconSize(QSize(16, 16));
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setTextElideMode(Qt::ElideRight);
    horizontalHeader()->hide();
    horizontalHeader()->setStretchLastSection(true);
    verticalHeader()->hide();
    verticalHeader()->setDefaultSectionSize(24);
    // The pane's ground shows through.
    setAutoFillBackground(false);
    viewport()->setAutoFillBackground(false);
}

TableViewSearchHistory::RowKey TableViewSearchHistory::rowKeyFor(const QKeyEvent* event)
{
    switch (event->key()) {
    case Qt::Key_Delete:
    case Qt::Key_Backspace:
        return RowKey::Delete;
    case Qt::Key_Enter:
    case Qt::Key_Return:
        return RowKey::Enter;
    default:
        return RowKey::Other;
    }
}

void TableViewSearchHistory::keyPressEvent(QKeyEvent* event)
{
    const RowKey key = rowKeyFor(event);
    if (key == RowKey::Other) return QTableView::keyPressEvent(event);
    if (!delegate_ || !selectionModel() || !selectionModel()->hasSelection()) return;
    if (key == RowKey::Delete)
        delegate_->deleteKeyPressedInHistory();
    else
        delegate_->enterKeyPressedInHistory();
}

void TableViewSearchHistory::contextMenuEvent(QContextMenuEvent* event)
{
    const QModelIndex index = indexAt(event->pos());
    clickedRow_ = index.isValid() ? index.row() : -1;
    if (delegate_) delegate_->contextMenuRequested(event->globalPos());
    clickedRow_ = -1;
}

void TableViewSearchHistory::startDrag(Qt::DropActions /*supportedActions*/)
{
    QList<int> rows;
    for (const QModelIndex& i : selectionModel()->selectedRows()) rows << i.row();
    std::sort(rows.begin(), rows.end());
    if (rows.isEmpty() || !delegate_ || !delegate_->writeRowsWithIndexes(rows)) return;
    auto* drag = new QDrag(this);
    drag->setMimeData(model()->mimeData(selectionModel()->selectedRows()));
    // Inside the program the rows move; outside it a drop may only link.
    drag->exec(Qt::MoveAction | Qt::LinkAction, Qt::MoveAction);
    delegate_->draggingSessionEnded();
}

bool TableViewSearchHistory::isDragAcceptable(const QDropEvent* event) const
{
    return OwnRowDrag::isFromView(event, this, SearchHistoryTableModel::kDragType);
}

void TableViewSearchHistory::dragEnterEvent(QDragEnterEvent* event)
{
    OwnRowDrag::enter(event, this, SearchHistoryTableModel::kDragType);
}

void TableViewSearchHistory::dragMoveEvent(QDragMoveEvent* event)
{
    dropRow_ = isDragAcceptable(event) ? validateDropRow(event->position().toPoint()) : -1;
    if (dropRow_ >= 0)
        event->acceptProposedAction();
    else
        event->ignore();
    viewport()->update();
}

void TableViewSearchHistory::dragLeaveEvent(QDragLeaveEvent* event)
{
    dropRow_ = -1;
    viewport()->update();
    QTableView::dragLeaveEvent(event);
}

void TableViewSearchHistory::paintEvent(QPaintEvent* event)
{
    QTableView::paintEvent(event);
    if (dropRow_ < 0 || !model()) return;
    const int rows = model()->rowCount();
    const int y = dropRow_ < rows   ? rowViewportPosition(dropRow_)
                  : rows > 0        ? rowViewportPosition(rows - 1) + rowHeight(rows - 1)
                                    : 0;
    QPainter p(viewport());
    p.fillRect(QRect(0, std::max(0, y - 1), viewport()->width(), 2), srgb(0.271, 0.443, 0.647));
}

int TableViewSearchHistory::validateDropRow(const QPoint& pos) const
{
    const QModelIndex index = indexAt(pos);
    if (!index.isValid()) return model() ? model()->rowCount() : 0;
    return pos.y() > visualRect(index).center().y() ? index.row() + 1 : index.row();
}

void TableViewSearchHistory::dropEvent(QDropEvent* event)
{
    dropRow_ = -1;
    viewport()->update();
    if (isDragAcceptable(event) && delegate_ &&
        delegate_->acceptDrop(event->source(), validateDropRow(event->position().toPoint())))
        event->acceptProposedAction();
    else
        event->ignore();
}
