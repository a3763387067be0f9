#include "ui/queue/TableRowViewQueuePar2Info.h"

#include "controls/SRGB.h"
#include "ui/queue/QueueParInfoTableModel.h"
#include "ui/queue/TableRowViewQueueFiles.h"

#include <QPainter>

void TableRowViewQueuePar2Info::paint(QPainter* painter, const QStyleOptionViewItem& option,
                                      const QModelIndex& index) const
{
    TableRowViewQueueFiles::drawBackground(*painter, option.rect,
                                           index.data(QueueParInfoTableModel::ColorRole).value<QColor>());
    auto text = [&](int column) { return index.siblingAtColumn(column).data().toString(); };
    painter->save();
    const QFontMetrics& fm = option.fontMetrics;
    const QRect lines = option.rect.adjusted(10, 3, -10, -3);
    const QRect top(lines.left(), lines.top(), lines.width(), fm.height());
    const QRect bottom(lines.left(), lines.bottom() - fm.height() + 1, lines.width(), fm.height());
    painter->setPen(grey(0.15));
    painter->drawText(top, Qt::AlignLeft | Qt::AlignVCenter,
                      fm.elidedText(text(QueueParInfoTableModel::FileColumn), Qt::ElideMiddle, top.width()));
    painter->setPen(grey(0.35));
    const QString blocks = text(QueueParInfoTableModel::BlocksColumn);
    const int blocksWidth = fm.horizontalAdvance(blocks);
    painter->drawText(bottom, Qt::AlignRight | Qt::AlignVCenter, blocks);
    painter->drawText(bottom.adjusted(0, 0, -blocksWidth - 8, 0), Qt::AlignLeft | Qt::AlignVCenter,
                      fm.elidedText(text(QueueParInfoTableModel::StatusColumn), Qt::ElideRight,
                                    bottom.width() - blocksWidth - 8));
    painter->restore();
}

QSize TableRowViewQueuePar2Info::sizeHint(const QStyleOptionViewItem& option, const QModelIndex&) const
{
    return {option.rect.width(), kRowHeight};
}
