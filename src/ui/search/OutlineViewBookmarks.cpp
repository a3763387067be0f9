#include "ui/search/OutlineViewBookmarks.h"

#include "ui/search/SearchBookmarksModel.h"
#include "ui/search/TableViewSearchHistory.h"

#include <QContextMenuEvent>
#include <QDrag>
#include <QDropEvent>
#include <QHeaderView>
#include <QKeyEvent>
#include <QMimeData>

OutlineViewBookmarks::OutlineViewBookmarks(QWidget* parent) : QTreeView(parent)
{
    setObjectName(QStringLiteral("outlineViewSearchBookmarks"));
    setHeaderHidden(true);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setSelectionMode(QAbstractItemView::ExtendedSelection);
    setDragEnabled(true);
    setAcceptDrops(true);
    setDragDropMode(QAbstractItemView::InternalMove);
    setDropIndicatorShown(true);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    // A double-click runs the bookmark or opens the map: the pane decides.
    setExpandsOnDoubleClick(false);
    setFrameShape(QFrame::NoFrame);
    setIconSize(QSize(16, 16));
    setIndentation(16);
    setUniformRowHeights(true);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setAutoFillBackground(false);
    viewport()->setAutoFillBackground(false);
    setStyleSheet(QStringLiteral("QTreeView { background: transparent; } QTreeView::item { height: 24px; }"));
}

void OutlineViewBookmarks::keyPressEvent(QKeyEvent* event)
{
    const TableViewSearchHistory::RowKey key = TableViewSearchHistory::rowKeyFor(event);
    if (key == TableViewSearchHistory::RowKey::Other) return QTreeView::keyPressEvent(event);
    if (!delegate_ || !selectionModel() || !selectionModel()->hasSelection()) return;
    if (key == TableViewSearchHistory::RowKey::Delete)
        delegate_->deleteKeyPressedInBookmarks();
    else
        delegate_->enterKeyPressedInBookmarks();
}

void OutlineViewBookmarks::contextMenuEvent(QContextMenuEvent* event)
{
    clickedIndex_ = indexAt(event->pos());
    if (delegate_) delegate_->contextMenuRequested(event->globalPos());
    clickedIndex_ = QModelIndex();
}

void OutlineViewBookmarks::startDrag(Qt::DropActions /*supportedActions*/)
{
    const QModelIndexList items = selectionModel()->selectedRows();
    if (items.isEmpty() || !delegate_ || !delegate_->writeItems(items)) return;
    auto* drag = new QDrag(this);
    drag->setMimeData(model()->mimeData(items));
    drag->exec(Qt::MoveAction, Qt::MoveAction);
}

OutlineViewBookmarksDelegate::DropTarget OutlineViewBookmarks::dropTargetAt(const QPoint& pos) const
{
    OutlineViewBookmarksDelegate::DropTarget target;
    const QModelIndex index = indexAt(pos);
    if (!index.isValid()) return target;
    if (!index.parent().isValid()) {
        target.item = index;
        return target;
    }
    target.item = index.parent();
    target.childIndex = pos.y() > visualRect(index).center().y() ? index.row() + 1 : index.row();
    return target;
}

bool OutlineViewBookmarks::carriesOurType(const QDropEvent* event) const
{
    return event->mimeData() && event->mimeData()->hasFormat(QString::fromLatin1(SearchBookmarksModel::kDragType));
}

void OutlineViewBookmarks::dragEnterEvent(QDragEnterEvent* event)
{
    // Entering is allowed for our own drags; each position is judged below.
    if (carriesOurType(event) && event->source() == this)
        event->acceptProposedAction();
    else
        event->ignore();
}

void OutlineViewBookmarks::dragMoveEvent(QDragMoveEvent* event)
{
    const QPoint pos = event->position().toPoint();
    if (carriesOurType(event) && delegate_ && delegate_->validateDrop(event->source(), dropTargetAt(pos))) {
        event->acceptProposedAction();
    } else {
        event->ignore();
    }
    viewport()->update();
}

void OutlineViewBookmarks::dropEvent(QDropEvent* event)
{
    const QPoint pos = event->position().toPoint();
    if (carriesOurType(event) && delegate_ && delegate_->acceptDrop(event->source(), dropTargetAt(pos)))
        event->acceptProposedAction();
    else
        event->ignore();
}
