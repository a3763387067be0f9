#include "ui/queue/TableCellViewQueueFiles.h"

#include "controls/Artwork.h"
#include "controls/CheckBoxCellGray.h"
#include "controls/ProgressBarSimple.h"
#include "controls/SRGB.h"
#include "controls/ViewSimpleProgressBarBG.h"
#include "core/Utils.h"
#include "ui/queue/QueueFilesTableModel.h"

#include <QMouseEvent>
#include <QPainter>

#include <algorithm>

TableCellViewQueueFiles::TableCellViewQueueFiles(QueueFilesTableModel* model, QObject* parent)
    : QStyledItemDelegate(parent), model_(model)
{
    setObjectName(identifier());
}

QRect TableCellViewQueueFiles::checkBoxRect(const QRect& row)
{
    return {row.left() + 8, row.top() + (row.height() - 14) / 2, 14, 14};
}

QRect TableCellViewQueueFiles::progressBarRect(const QRect& row)
{
    return {row.left() + 30, row.bottom() - 10, std::max(0, row.width() - 40), 5};
}

QSize TableCellViewQueueFiles::sizeHint(const QStyleOptionViewItem& option, const QModelIndex&) const
{
    return {option.rect.width(), kRowHeight};
}

void TableCellViewQueueFiles::paint(QPainter* painter, const QStyleOptionViewItem& option,
                                    const QModelIndex& index) const
{
    const QueueFilesRow& row = model_->rowView(index.row());
    const QRect r = option.rect;
    const bool selected = option.state & QStyle::State_Selected;
    if (selected)
        rowView_.drawSelection(*painter, r, option.state & QStyle::State_Active);
    else
        TableRowViewQueueFiles::drawBackground(*painter, r, row.colorRow);

    painter->save();
    const QRect box = checkBoxRect(r);
    const Qt::CheckState state = row.checkbox == 1 ? Qt::Checked : Qt::Unchecked;
    for (const QString& name : CheckBoxCellGray::imageNamesFor(!row.checkboxDisabled, state))
        painter->drawPixmap(box, Artwork::pixmap(name, box.size()));

    const QColor text = selected ? QColor(Qt::white) : grey(0.2);
    QFont font = option.font;
    painter->setFont(font);
    painter->setPen(text);
    const QString size = Utils::formatBytes(row.bytes);
    const int sizeWidth = option.fontMetrics.horizontalAdvance(size) + 4;
    const QRect line(r.left() + 30, r.top() + 4, r.width() - 40, option.fontMetrics.height());
    painter->drawText(line.adjusted(line.width() - sizeWidth, 0, 0, 0), Qt::AlignRight | Qt::AlignVCenter,
                      size);
    const QRect nameRect = line.adjusted(0, 0, -sizeWidth - 6, 0);
    painter->drawText(nameRect, Qt::AlignLeft | Qt::AlignVCenter,
                      option.fontMetrics.elidedText(row.filename, Qt::ElideMiddle, nameRect.width()));

    // The bar's white track, then the part's progress over it.
    const QRect bar = progressBarRect(r);
    ViewSimpleProgressBarBG::paint(*painter, bar, grey(0.75));
    ProgressBarSimple::paint(*painter, bar, double(row.progress), 100.0, row.colorProgressBar);
    painter->restore();
}

bool TableCellViewQueueFiles::editorEvent(QEvent* event, QAbstractItemModel*, const QStyleOptionViewItem& option,
                                          const QModelIndex& index)
{
    if (event->type() != QEvent::MouseButtonRelease && event->type() != QEvent::MouseButtonPress &&
        event->type() != QEvent::MouseButtonDblClick)
        return false;
    auto* mouse = static_cast<QMouseEvent*>(event);
    if (mouse->button() != Qt::LeftButton || !checkBoxRect(option.rect).adjusted(-4, -4, 4, 4).contains(
                                                 mouse->position().toPoint()))
        return false;
    // The box takes its own clicks: they neither select nor open the row.
    if (event->type() != QEvent::MouseButtonRelease) return true;
    const QueuePtr part = model_->partAt(index.row());
    if (!part || part->checkboxDisabled()) return true;
    part->setCheckbox(part->checkbox() == 1 ? 0 : 1);
    Q_EMIT checkboxClicked(part->qidnr());
    return true;
}
