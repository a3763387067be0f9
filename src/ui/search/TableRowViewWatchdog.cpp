#include "ui/search/TableRowViewWatchdog.h"

#include "controls/SRGB.h"
#include "platform/UserDefaults.h"

#include <QPainter>

namespace {
const QString kColors = QStringLiteral("QueueRowColorProperties");
}

TableRowViewWatchdog::TableRowViewWatchdog(QObject* parent)
    : TableRowViewDefault(parent), bgColor_(srgb(0.945, 0.941, 0.941)),
      highLightColor_(UserDefaults::standard().colorForKey(kColors, QStringLiteral("selectedRowColor"))),
      highLightInactiveColor_(UserDefaults::standard().colorForKey(kColors, QStringLiteral("selectedInactiveRowColor")))
{}

void TableRowViewWatchdog::paint(QPainter* painter, const QStyleOptionViewItem& option,
                                 const QModelIndex& index) const
{
    if (!regularHighlightStyle()) {
        TableRowViewDefault::paint(painter, option, index);
        return;
    }
    const QRect r = option.rect;
    painter->save();
    if (option.state & QStyle::State_Selected) {
        const bool emphasized = isEmphasized(option);
        QColor fill = emphasized ? highLightColor_ : highLightInactiveColor_;
        if (!fill.isValid()) fill = selectionColor(emphasized);
        painter->fillRect(r, fill);
    } else {
        painter->fillRect(r, bgColor_);
        painter->fillRect(QRect(r.left(), r.top(), r.width(), 1), Qt::white);
    }
    painter->fillRect(QRect(r.left(), r.bottom(), r.width(), 1), QColor(0, 0, 0, 26));
    painter->restore();
    QStyledItemDelegate::paint(painter, contentOption(option, index), index);
}
