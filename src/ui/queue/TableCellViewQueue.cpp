#include "ui/queue/TableCellViewQueue.h"

#include "controls/Artwork.h"
#include "controls/QueueArtwork.h"
#include "ui/queue/QueueTableModel.h"
#include "ui/queue/TableRowViewQueue.h"
#include "ui/queue/TableViewQueue.h"

#include <QApplication>
#include <QMouseEvent>
#include <QPainter>
#include <QPalette>

TableCellViewQueue::TableCellViewQueue(TableViewQueue* table) : QStyledItemDelegate(table), table_(table)
{}

TableCellViewQueue::Layout TableCellViewQueue::layoutFor(const QRectF& row)
{
    const QRectF card = TableRowViewQueue::cardRect(row);
    const QRectF strip = TableRowViewQueue::stripRect(row);
    Layout l;
    l.statusButton = QRectF(strip.x() + 14, card.y() + 13, 32, 32);
    const double right = card.right() - 10;
    l.cancelButton = QRectF(right - 20, card.y() + 8, 20, 20);
    l.pauseButton = QRectF(right - 46, card.y() + 8, 20, 20);
    l.passwordButton = QRectF(right - 72, card.y() + 8, 20, 20);
    const double textLeft = strip.right() + 12;
    l.title = QRectF(textLeft, card.y() + 7, std::max(0.0, l.passwordButton.left() - 26 - textLeft), 18);
    l.editTitleButton = QRectF(l.title.right() + 4, card.y() + 8, 16, 16);
    l.comment = QRectF(textLeft, card.y() + 26, std::max(0.0, right - textLeft), 15);
    l.info = QRectF(textLeft, card.y() + 41, std::max(0.0, right - textLeft), 15);
    l.progressBar = QRectF(textLeft, card.y() + 60, std::max(0.0, right - textLeft), 8);
    return l;
}

TableCellViewQueue::Part TableCellViewQueue::partAt(const QRectF& row, const QPointF& point)
{
    const Layout l = layoutFor(row);
    if (l.statusButton.contains(point)) return Part::StatusButton;
    if (l.pauseButton.contains(point)) return Part::PauseButton;
    if (l.cancelButton.contains(point)) return Part::CancelButton;
    if (l.passwordButton.contains(point)) return Part::PasswordButton;
    if (l.editTitleButton.contains(point)) return Part::EditTitleButton;
    return Part::None;
}

QSize TableCellViewQueue::sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const
{
    // Rows are as wide as the table, whatever the width they were last drawn at.
    Q_UNUSED(option);
    return QSize(std::max(1, table_->viewport()->width()), int(table_->heightOfRow(index.row())));
}

void TableCellViewQueue::paint(QPainter* painter, const QStyleOptionViewItem& option,
                               const QModelIndex& index) const
{
    auto* model = qobject_cast<const QueueTableModel*>(index.model());
    QueueTableModel::Binding* b = model ? model->binding(index.row()) : nullptr;
    const QueuePtr job = model ? model->jobAt(index.row()) : nullptr;
    if (!b || !job) return;
    const QRectF row = option.rect;
    const bool selected = option.state & QStyle::State_Selected;

    painter->save();
    TableRowViewQueue rowView;
    rowView.setColorBackground(b->colorStatsButton);
    rowView.setIsBordered(b->bordered == 1);
    QColor textColor = normalTextColor();
    QColor titleColor = normalTitleColor();
    if (selected) {
        rowView.drawSelectionInRect(*painter, row);
        textColor = titleColor = QApplication::palette().color(QPalette::Window);
    } else {
        rowView.drawBackgroundInRect(*painter, row);
    }

    const Layout l = layoutFor(row);
    const QRectF card = TableRowViewQueue::cardRect(row);
    painter->setClipRect(card);
    painter->setRenderHint(QPainter::SmoothPixmapTransform);
    const QPixmap status = Artwork::pixmap(b->statusButton.imageName(), l.statusButton.size().toSize());
    painter->drawPixmap(l.statusButton.topLeft(), status);

    QFont titleFont = option.font;
    titleFont.setBold(true);
    titleFont.setPixelSize(13);
    QFont textFont = option.font;
    textFont.setPixelSize(11);
    painter->setFont(titleFont);
    painter->setPen(titleColor);
    const QString title =
        painter->fontMetrics().elidedText(b->texts.title, Qt::ElideMiddle, int(l.title.width()));
    painter->drawText(l.title, Qt::AlignLeft | Qt::AlignVCenter, title);
    const double titleWidth = painter->fontMetrics().horizontalAdvance(title);

    painter->setFont(textFont);
    painter->setPen(textColor);
    painter->drawText(
        l.comment, Qt::AlignLeft | Qt::AlignVCenter,
        painter->fontMetrics().elidedText(b->texts.comment, Qt::ElideRight, int(l.comment.width())));
    QStringList info;
    for (const QString& s : {b->texts.size, b->texts.progress, b->texts.timeLeft, b->texts.completeness})
        if (!s.isEmpty()) info << s;
    painter->drawText(l.info, Qt::AlignLeft | Qt::AlignVCenter, info.join(QStringLiteral("   ")));

    const TableViewQueue::Hover hover = table_->hover();
    const bool hoverRow = hover.row == index.row();
    if (!job->isUploadObject()) {
        const bool editHot = hoverRow && hover.part == Part::EditTitleButton;
        QRectF edit = l.editTitleButton;
        edit.moveLeft(std::min(l.title.left() + titleWidth + 6, l.editTitleButton.left()));
        painter->drawPixmap(
            edit.topLeft(),
            Artwork::pixmap(QString::fromLatin1(editHot ? QueueArtwork::kEditHi : QueueArtwork::kEdit),
                            edit.size().toSize()));
        painter->drawPixmap(
            l.passwordButton.topLeft(),
            Artwork::pixmap(QString::fromLatin1(b->texts.hasPassword ? QueueArtwork::kPasswordSet
                                                                     : QueueArtwork::kPassword),
                            l.passwordButton.size().toSize()));
    }
    // The pause button stays faint until the pointer is over it.
    painter->save();
    painter->setOpacity(hoverRow && hover.part == Part::PauseButton ? 1.0 : 0.5);
    painter->drawPixmap(
        l.pauseButton.topLeft(),
        Artwork::pixmap(QString::fromLatin1(job->isPaused() ? QueueArtwork::kResume : QueueArtwork::kPause),
                        l.pauseButton.size().toSize()));
    painter->restore();
    painter->drawPixmap(l.cancelButton.topLeft(), Artwork::pixmap(QString::fromLatin1(QueueArtwork::kCancel),
                                                                  l.cancelButton.size().toSize()));

    // The bar lies below the texts; a short (68 pt) row leaves it out.
    b->progressBar.setFrame(l.progressBar);
    if (l.progressBar.bottom() <= card.bottom()) b->progressBar.paint(*painter);
    painter->restore();
}

bool TableCellViewQueue::editorEvent(QEvent* event, QAbstractItemModel* /*model*/,
                                     const QStyleOptionViewItem& option, const QModelIndex& index)
{
    if (event->type() != QEvent::MouseButtonPress && event->type() != QEvent::MouseButtonRelease)
        return false;
    auto* mouse = static_cast<QMouseEvent*>(event);
    if (mouse->button() != Qt::LeftButton) return false;
    auto* m = qobject_cast<const QueueTableModel*>(index.model());
    const QueuePtr job = m ? m->jobAt(index.row()) : nullptr;
    Part part = partAt(option.rect, mouse->position());
    // Upload rows show no password or rename button.
    if (job && job->isUploadObject() && (part == Part::PasswordButton || part == Part::EditTitleButton))
        part = Part::None;
    if (event->type() == QEvent::MouseButtonPress) {
        pressedPart_ = part;
        pressedRow_ = index.row();
        return part != Part::None;
    }
    const bool click = part != Part::None && part == pressedPart_ && pressedRow_ == index.row();
    pressedPart_ = Part::None;
    pressedRow_ = -1;
    if (!click) return part != Part::None;
    if (!job) return true;
    const qint64 tag = job->qidnr();
    switch (part) {
    case Part::StatusButton:
        table_->statusButtonClicked(tag);
        break;
    case Part::PauseButton:
        table_->pauseButtonClicked(tag);
        break;
    case Part::CancelButton:
        table_->cancelButtonClicked(tag);
        break;
    case Part::PasswordButton:
        table_->passwordButtonClicked(tag);
        break;
    case Part::EditTitleButton:
        table_->editTitleButtonClicked(tag);
        break;
    case Part::None:
        break;
    }
    return true;
}
