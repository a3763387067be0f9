#include "ui/search/watchdog/TableCVWatchdogDesc.h"

#include "controls/Artwork.h"
#include "controls/CheckBoxCellGray.h"
#include "ui/search/watchdog/WatchdogTableModel.h"

#include <QApplication>
#include <QMouseEvent>
#include <QPainter>

namespace {
constexpr int kCheckSide = 14;
constexpr int kIconSide = 16;
constexpr int kGap = 6;
} // namespace

TableCVWatchdogDesc::TableCVWatchdogDesc(QObject* parent) : TableRowViewWatchdog(parent)
{}

QRect TableCVWatchdogDesc::checkboxRect(const QRect& cell)
{
    return QRect(cell.left() + kGap, cell.top() + (cell.height() - kCheckSide) / 2, kCheckSide, kCheckSide);
}

QRect TableCVWatchdogDesc::iconRect(const QRect& cell)
{
    return QRect(checkboxRect(cell).right() + 1 + kGap, cell.top() + (cell.height() - kIconSide) / 2,
                 kIconSide, kIconSide);
}

void TableCVWatchdogDesc::paint(QPainter* painter, const QStyleOptionViewItem& option,
                                const QModelIndex& index) const
{
    if (!regularHighlightStyle()) {
        TableRowViewWatchdog::paint(painter, option, index);
        return;
    }
    drawRow(*painter, option.rect, option.state & QStyle::State_Selected, isEmphasized(option));
    const auto state = Qt::CheckState(index.data(Qt::CheckStateRole).toInt());
    for (const QString& name : CheckBoxCellGray::imageNamesFor(true, state))
        painter->drawPixmap(checkboxRect(option.rect), Artwork::pixmap(name, QSize(kCheckSide, kCheckSide)));
    const QPixmap icon = index.data(Qt::DecorationRole).value<QPixmap>();
    if (!icon.isNull()) painter->drawPixmap(iconRect(option.rect), icon);

    // The alias in the rest of the cell, drawn as any other text cell.
    QStyleOptionViewItem text = contentOption(option, index);
    text.features &= ~(QStyleOptionViewItem::HasCheckIndicator | QStyleOptionViewItem::HasDecoration);
    text.rect.setLeft(iconRect(option.rect).right() + 1 + kGap / 2);
    const QStyle* style = text.widget ? text.widget->style() : QApplication::style();
    style->drawControl(QStyle::CE_ItemViewItem, &text, painter, text.widget);
}

bool TableCVWatchdogDesc::editorEvent(QEvent* event, QAbstractItemModel* model,
                                      const QStyleOptionViewItem& option, const QModelIndex& index)
{
    const bool press =
        event->type() == QEvent::MouseButtonPress || event->type() == QEvent::MouseButtonDblClick;
    if (!press && event->type() != QEvent::MouseButtonRelease)
        return TableRowViewWatchdog::editorEvent(event, model, option, index);
    const auto* mouse = static_cast<QMouseEvent*>(event);
    // A little margin around the box: it is small.
    if (mouse->button() != Qt::LeftButton ||
        !checkboxRect(option.rect).adjusted(-3, -3, 3, 3).contains(mouse->position().toPoint()))
        return TableRowViewWatchdog::editorEvent(event, model, option, index);
    // The press is taken, so that it neither selects the row nor starts a drag.
    if (press) return true;
    const bool on = index.data(Qt::CheckStateRole).toInt() == Qt::Checked;
    Q_EMIT checkboxClicked(index.data(WatchdogTableModel::TagRole).toLongLong(), !on);
    return true;
}
