#pragma once

#include <QStyledItemDelegate>

// Draws a row of the PAR2 pane: the file name over its state and blocks, on
// the state's colour (missing, broken, complete, PAR2 volume), with the
// files pane's edge lines.
class TableRowViewQueuePar2Info : public QStyledItemDelegate
{
    Q_OBJECT
public:
    static constexpr int kRowHeight = 36;
    using QStyledItemDelegate::QStyledItemDelegate;

    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override;
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override;
};
