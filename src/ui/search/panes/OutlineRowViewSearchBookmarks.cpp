#include "ui/search/panes/OutlineRowViewSearchBookmarks.h"

#include <QItemSelectionModel>
#include <QPainter>
#include <QTreeView>

OutlineRowViewSearchBookmarks::OutlineRowViewSearchBookmarks(QObject* parent)
    : TableRowViewLight(parent)
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
    disclosure_.draw(painter, rect, expanded);
}
