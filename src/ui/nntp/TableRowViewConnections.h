#pragma once

#include <QStyledItemDelegate>

// Draws the cells of the connections table: a selected row in a steady
// blue whatever the style, other rows on the table's ground.
class TableRowViewConnections : public QStyledItemDelegate
{
    Q_OBJECT
public:
    using QStyledItemDelegate::QStyledItemDelegate;
    static QColor selectionColor();

    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override;
};
