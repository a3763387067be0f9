#pragma once

#include <QStyledItemDelegate>

// Draws a row of the PAR2 pane: the file's state colour (missing, broken,
// complete, PAR2 volume) under its texts, with the files pane's edge lines.
class TableRowViewQueuePar2Info : public QStyledItemDelegate
{
    Q_OBJECT
public:
    static constexpr int kRowHeight = 24;
    using QStyledItemDelegate::QStyledItemDelegate;

    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override;
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override;
};
