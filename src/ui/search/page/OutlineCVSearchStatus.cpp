#include "ui/search/page/OutlineCVSearchStatus.h"

#include "controls/ProgressBarSimple.h"
#include "controls/SRGB.h"
#include "controls/ViewSimpleProgressBarBG.h"
#include "ui/search/page/OutlineViewSearchModel.h"

#include <QApplication>
#include <QPainter>

#include <algorithm>

OutlineCVSearchStatus::OutlineCVSearchStatus(QObject* parent) : QStyledItemDelegate(parent)
{
    setObjectName(QStringLiteral("statusCellView"));
}

QRect OutlineCVSearchStatus::progressBarRect(const QRect& cell, int completenessWidth)
{
    const int width = std::max(0, cell.width() - completenessWidth - 12);
    return {cell.left() + 4, cell.top() + (cell.height() - 6) / 2, width, 6};
}

void OutlineCVSearchStatus::paint(QPainter* painter, const QStyleOptionViewItem& option,
                                  const QModelIndex& index) const
{
    QStyleOptionViewItem opt = option;
    initStyleOption(&opt, index);
    const QString status = opt.text;
    opt.text.clear();
    QApplication::style()->drawControl(QStyle::CE_ItemViewItem, &opt, painter, opt.widget);

    painter->save();
    const QString completeness = index.data(OutlineViewSearchModel::CompletenessRole).toString();
    const int completenessWidth =
        completeness.isEmpty() ? 0 : option.fontMetrics.horizontalAdvance(completeness) + 4;
    painter->setPen(opt.palette.color(option.state & QStyle::State_Selected ? QPalette::HighlightedText
                                                                             : QPalette::Text));
    if (completenessWidth > 0)
        painter->drawText(option.rect.adjusted(0, 0, -4, 0), Qt::AlignRight | Qt::AlignVCenter, completeness);
    if (index.data(OutlineViewSearchModel::ProgressVisibleRole).toBool()) {
        const QRect bar = progressBarRect(option.rect, completenessWidth);
        ViewSimpleProgressBarBG::paint(*painter, bar, grey(0.8));
        QColor color = index.data(OutlineViewSearchModel::ProgressColorRole).value<QColor>();
        if (!color.isValid()) color = QColor(64, 128, 220);
        ProgressBarSimple::paint(*painter, bar, index.data(OutlineViewSearchModel::ProgressRole).toDouble(), 100.0,
                                 color);
    } else {
        const QRect text = option.rect.adjusted(4, 0, -completenessWidth - 8, 0);
        painter->drawText(text, Qt::AlignLeft | Qt::AlignVCenter,
                          option.fontMetrics.elidedText(status, Qt::ElideRight, text.width()));
    }
    painter->restore();
}
