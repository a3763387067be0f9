#include "ui/search/OutlineRowViewSearchBookmarks.h"

#include "controls/Artwork.h"

#include <QItemSelectionModel>
#include <QPainter>
#include <QTreeView>

OutlineRowViewSearchBookmarks::OutlineRowViewSearchBookmarks(QObject* parent)
    : TableRowViewLight(parent), image_(Artwork::pixmap(QStringLiteral("row_collapsed"))),
      alternateImage_(Artwork::pixmap(QStringLiteral("row_expanded")))
{
    setObjectName(QStringLiteral("OutlineRowViewSearchBookmarks"));
}

void OutlineRowViewSearchBookmarks::install(QTreeView* tree)
{
    if (!tree) return;
    tree->setItemDelegate(this);
    QPalette pal = tree->palette();
    for (QPalette::ColorGroup group : {QPalette::Active, QPalette::Inactive})
        pal.setColor(group, QPalette::Highlight, Qt::transparent);
    tree->setPalette(pal);
}

void OutlineRowViewSearchBookmarks::drawRow(QPainter& painter, const QTreeView& tree,
                                            const QStyleOptionViewItem& option, const QModelIndex& index) const
{
    const QItemSelectionModel* selection = tree.selectionModel();
    const bool selected = selection && selection->isRowSelected(index.row(), index.parent());
    const bool emphasized = tree.hasFocus() && tree.isActiveWindow();
    const QRect bounds(0, option.rect.top(), tree.viewport()->width(), option.rect.height());
    drawRow(painter, bounds, selected, emphasized);
}

void OutlineRowViewSearchBookmarks::drawDisclosureButton(QPainter& painter, const QRect& rect, bool expanded) const
{
    const QPixmap& art = expanded ? alternateImage_ : image_;
    const QSize size = art.deviceIndependentSize().toSize();
    painter.drawPixmap(QRect(rect.center() - QPoint(size.width() / 2, size.height() / 2), size), art);
}
