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
    painter->save();
    painter->setPen(grey(0.2));
    const QRect text = option.rect.adjusted(8, 0, -8, 0);
    const int align = index.data(Qt::TextAlignmentRole).isValid() ? index.data(Qt::TextAlignmentRole).toInt()
                                                                   : int(Qt::AlignLeft | Qt::AlignVCenter);
    painter->drawText(text, align,
                      option.fontMetrics.elidedText(index.data().toString(), Qt::ElideMiddle, text.width()));
    painter->restore();
}

QSize TableRowViewQueuePar2Info::sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const
{
    return {QStyledItemDelegate::sizeHint(option, index).width() + 16, kRowHeight};
}
