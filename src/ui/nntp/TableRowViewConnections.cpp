#include "ui/nntp/TableRowViewConnections.h"

#include "controls/SRGB.h"

#include <QPainter>

QColor TableRowViewConnections::selectionColor()
{
    return srgb(0.286, 0.451, 0.631);
}

void TableRowViewConnections::paint(QPainter* painter, const QStyleOptionViewItem& option,
                                    const QModelIndex& index) const
{
    const bool selected = option.state & QStyle::State_Selected;
    painter->save();
    if (selected) painter->fillRect(option.rect, selectionColor());
    painter->setPen(selected ? QColor(Qt::white) : grey(0.2));
    const QRect text = option.rect.adjusted(6, 0, -6, 0);
    const QString value = index.data().toString();
    const int align = index.column() == 0 ? int(Qt::AlignRight | Qt::AlignVCenter)
                                          : int(Qt::AlignLeft | Qt::AlignVCenter);
    painter->drawText(text, align, option.fontMetrics.elidedText(value, Qt::ElideRight, text.width()));
    painter->restore();
}
