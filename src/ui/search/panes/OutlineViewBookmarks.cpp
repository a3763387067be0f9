#include "ui/search/panes/OutlineViewBookmarks.h"

#include "controls/OwnRowDrag.h"
#include "controls/SRGB.h"
#include "ui/search/panes/OutlineRowViewSearchBookmarks.h"
#include "ui/search/panes/SearchBookmarksModel.h"
#include "ui/search/panes/TableViewSearchHistory.h"

#include <QContextMenuEvent>
#include <QDrag>
#include <QDropEvent>
#include <QHeaderView>
#include <QKeyEvent>
#include <QMimeData>
#include <QPainter>

OutlineViewBookmarks::OutlineViewBookmarks(QWidget* parent)
    : QTreeView(parent), rowView_(new OutlineRowViewSearchBookmarks(this))
{
    rowView_->install(this);
    setObjectName(QStringLiteral("outlineViewSearchBookmarks"));
    setHeaderHidden(true);
    OwnRowDrag::enableOn(this);
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
}

QColor OutlineViewBookmarks::mapRowColor()
{
    return srgb(0.929, 0.929, 0.929);
}

void OutlineViewBookmarks::drawRow(QPainter* painter, const QStyleOptionViewItem& option,
                                   const QModelIndex& index) const
{
    rowView_->drawRow(*painter, *this, option, index);
    const bool selected = selectionModel() && selectionModel()->isRowSelected(index.row(), index.parent());
    if (!index.parent().isValid() && !selected) {
        // Between the row's light top line and its dark bottom line.
        const QRect row(0, option.rect.top() + 1, viewport()->width(), option.rect.height() - 2);
        painter->fillRect(row, mapRowColor());
    }
    QTreeView::drawRow(painter, option, index);
}

void OutlineViewBookmarks::drawBranches(QPainter* painter, const QRect& rect, const QModelIndex& index) const
{
    // Maps carry the disclosure button, also an empty one; bookmarks none.
    if (index.parent().isValid()) return;
    const QRect own(rect.right() - indentation() + 1, rect.top(), indentation(), rect.height());
    rowView_->drawDisclosureButton(*painter, own, isExpanded(index));
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
    return OwnRowDrag::carriesType(event, SearchBookmarksModel::kDragType);
}

void OutlineViewBookmarks::dragEnterEvent(QDragEnterEvent* event)
{
    // Entering is allowed for our own drags; each position is judged below.
    OwnRowDrag::enter(event, this, SearchBookmarksModel::kDragType);
}

void OutlineViewBookmarks::dragMoveEvent(QDragMoveEvent* event)
{
    const OutlineViewBookmarksDelegate::DropTarget target = dropTargetAt(event->position().toPoint());
    if (carriesOurType(event) && delegate_ && delegate_->validateDrop(event->source(), target)) {
        dropTarget_ = target;
        event->acceptProposedAction();
    } else {
        dropTarget_ = {};
        event->ignore();
    }
    viewport()->update();
}

void OutlineViewBookmarks::dragLeaveEvent(QDragLeaveEvent* event)
{
    dropTarget_ = {};
    viewport()->update();
    QTreeView::dragLeaveEvent(event);
}

void OutlineViewBookmarks::paintEvent(QPaintEvent* event)
{
    QTreeView::paintEvent(event);
    if (!dropTarget_.item.isValid() || !model()) return;
    QPainter p(viewport());
    const QColor colour = srgb(0.271, 0.443, 0.647);
    const QRect map = visualRect(dropTarget_.item);
    if (dropTarget_.childIndex == OutlineViewBookmarksDelegate::DropTarget::kOnItem) {
        // Into the map: its whole row framed.
        p.setPen(QPen(colour, 2));
        p.drawRect(QRect(0, map.top(), viewport()->width(), map.height()).adjusted(1, 1, -1, -1));
        return;
    }
    // Between two bookmarks (or after the last): a line there.
    const int count = model()->rowCount(dropTarget_.item);
    const QModelIndex next = model()->index(dropTarget_.childIndex, 0, dropTarget_.item);
    const QModelIndex last = model()->index(count - 1, 0, dropTarget_.item);
    const int y = next.isValid() ? visualRect(next).top() : last.isValid() ? visualRect(last).bottom() + 1
                                                                            : map.bottom() + 1;
    p.fillRect(QRect(visualRect(dropTarget_.item).left(), std::max(0, y - 1), viewport()->width(), 2), colour);
}

void OutlineViewBookmarks::dropEvent(QDropEvent* event)
{
    dropTarget_ = {};
    viewport()->update();
    const QPoint pos = event->position().toPoint();
    if (carriesOurType(event) && delegate_ && delegate_->acceptDrop(event->source(), dropTargetAt(pos)))
        event->acceptProposedAction();
    else
        event->ignore();
}
