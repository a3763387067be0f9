#pragma once

#include "ui/search/panes/OutlineViewBookmarksDelegate.h"

#include <QTreeView>

class OutlineRowViewSearchBookmarks;

// The bookmarks outline: maps with their bookmarks below them. Keys as in
// the history table (Delete/Backspace, Enter/Return, with a selection);
// a right-click remembers its row while the delegate's menu is up. Drags
// stay within this outline: the delegate decides what may be dropped where.
class OutlineViewBookmarks : public QTreeView
{
    Q_OBJECT
public:
    explicit OutlineViewBookmarks(QWidget* parent = nullptr);

    void setBookmarksDelegate(OutlineViewBookmarksDelegate* delegate) { delegate_ = delegate; }

    // The right-clicked row while the context menu is up, else invalid.
    QModelIndex clickedIndex() const { return clickedIndex_; }
    void setClickedIndex(const QModelIndex& index) { clickedIndex_ = index; }

    // Where a drop at this point of the viewport lands: on a map, into it
    // (first); on a bookmark's upper or lower half, into its map above or
    // below it; elsewhere nowhere (an invalid item).
    OutlineViewBookmarksDelegate::DropTarget dropTargetAt(const QPoint& viewportPos) const;

    OutlineRowViewSearchBookmarks* rowView() const { return rowView_; }
    // The ground of an unselected map row, a shade darker than a bookmark's.
    static QColor mapRowColor();

protected:
    void drawRow(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override;
    void drawBranches(QPainter* painter, const QRect& rect, const QModelIndex& index) const override;
    void keyPressEvent(QKeyEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    void startDrag(Qt::DropActions supportedActions) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dragLeaveEvent(QDragLeaveEvent* event) override;
    void dropEvent(QDropEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    bool carriesOurType(const QDropEvent* event) const;

    OutlineRowViewSearchBookmarks* rowView_;
    OutlineViewBookmarksDelegate* delegate_ = nullptr;
    QModelIndex clickedIndex_;
    // Where the drag in progress would land (drawn there); no item while
    // there is none.
    OutlineViewBookmarksDelegate::DropTarget dropTarget_;
};
