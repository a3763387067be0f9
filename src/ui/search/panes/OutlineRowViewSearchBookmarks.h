#pragma once

#include "controls/OutlineDisclosureButton.h"
#include "controls/TableRowViewLight.h"

#include <QPixmap>

class QTreeView;

// The rows of the bookmarks outline: the program's light rows, spanning the
// indentation too, and the outline's disclosure buttons drawn with
// "row_collapsed" and, for an expanded item, "row_expanded".
//
// The outline installs it once and calls it from its own drawing:
//     rowView->install(this);                                   // constructor
//     rowView->drawRow(*painter, *this, option, index);         // drawRow(), then QTreeView::drawRow()
//     rowView->drawDisclosureButton(*painter, rect, expanded);  // drawBranches(), items with children
class OutlineRowViewSearchBookmarks : public TableRowViewLight
{
    Q_OBJECT
public:
    explicit OutlineRowViewSearchBookmarks(QObject* parent = nullptr);

    QPixmap image() const { return disclosure_.image(); }
    QPixmap alternateImage() const { return disclosure_.alternateImage(); }

    // Makes this the tree's item delegate and hides the style's own
    // selection, so that only this row view colours a selected row.
    void install(QTreeView* tree);

    using TableRowViewLight::drawRow;
    // The whole row of `index` across the tree's viewport: selected when its
    // row is, emphasized while the tree has the focus in the active window.
    void drawRow(QPainter& painter, const QTreeView& tree, const QStyleOptionViewItem& option,
                 const QModelIndex& index) const;
    // The disclosure button of an item, centred in `rect` (the item's own
    // indentation column).
    void drawDisclosureButton(QPainter& painter, const QRect& rect, bool expanded) const;

private:
    OutlineDisclosureButton disclosure_;
};
