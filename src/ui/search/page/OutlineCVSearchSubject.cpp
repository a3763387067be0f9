#include "ui/search/page/OutlineCVSearchSubject.h"

#include "controls/Artwork.h"
#include "controls/CheckBoxCellGray.h"
#include "platform/UserDefaults.h"
#include "ui/search/page/OutlineViewSearchModel.h"

#include <QApplication>
#include <QMouseEvent>
#include <QPainter>
#include <QTextLayout>

OutlineCVSearchSubject::OutlineCVSearchSubject(QObject* parent) : QStyledItemDelegate(parent)
{
    setObjectName(QStringLiteral("subjectCellView"));
}

QRect OutlineCVSearchSubject::checkBoxRect(const QRect& cell)
{
    return {cell.left() + 2, cell.top() + (cell.height() - 14) / 2, 14, 14};
}

void OutlineCVSearchSubject::readHighlightSettings()
{
    const UserDefaults& d = UserDefaults::standard();
    highlighting_ = d.boolForKey(QStringLiteral("enableSearchTextHighlighting"));
    pattern_ = d.stringForKey(QStringLiteral("lastSearchString"));
    darkness_ = std::clamp(d.doubleForKey(QStringLiteral("dpSearchTextHighlightingDarkness")) / 100.0, 0.0, 1.0);
}

QList<QPair<int, int>> OutlineCVSearchSubject::highlightSearchKeywordInText(const QString& text)
{
    if (!highlighting_) return {};
    return highlighter_.matches(text, pattern_);
}

void OutlineCVSearchSubject::paint(QPainter* painter, const QStyleOptionViewItem& option,
                                   const QModelIndex& index) const
{
    QStyleOptionViewItem opt = option;
    initStyleOption(&opt, index);
    const QueuePtr item = index.data(OutlineViewSearchModel::ItemRole).value<QueuePtr>();
    if (!item) return;
    // Background and selection as every other cell of the row.
    opt.text.clear();
    opt.features &= ~QStyleOptionViewItem::HasCheckIndicator;
    QApplication::style()->drawControl(QStyle::CE_ItemViewItem, &opt, painter, opt.widget);

    painter->save();
    const QRect box = checkBoxRect(option.rect);
    const Qt::CheckState state = item->checkbox() == 1 ? Qt::Checked : Qt::Unchecked;
    for (const QString& name : CheckBoxCellGray::imageNamesFor(!item->checkboxDisabled(), state))
        painter->drawPixmap(box, Artwork::pixmap(name, box.size()));

    const QRect textRect = option.rect.adjusted(box.right() - option.rect.left() + 6, 0, -2, 0);
    const QString title = item->title();
    const QString shown = option.fontMetrics.elidedText(title, Qt::ElideRight, textRect.width());
    const QList<QPair<int, int>> ranges = const_cast<OutlineCVSearchSubject*>(this)->highlightSearchKeywordInText(title);
    const int visible = shown == title ? int(title.size()) : int(shown.size()) - 1;
    const int baseline = textRect.top() + (textRect.height() - option.fontMetrics.height()) / 2;
    if (!ranges.isEmpty()) {
        QColor mark(0, 0, 0);
        mark.setAlphaF(float(darkness_));
        for (const auto& [start, length] : ranges) {
            if (start >= visible) break;
            const int end = std::min(start + length, visible);
            const int x0 = option.fontMetrics.horizontalAdvance(title.left(start));
            const int x1 = option.fontMetrics.horizontalAdvance(title.left(end));
            painter->fillRect(QRect(textRect.left() + x0, baseline, x1 - x0, option.fontMetrics.height()), mark);
        }
    }
    painter->setPen(opt.palette.color(option.state & QStyle::State_Selected ? QPalette::HighlightedText
                                                                             : QPalette::Text));
    painter->drawText(textRect, Qt::AlignLeft | Qt::AlignVCenter, shown);
    painter->restore();
}

bool OutlineCVSearchSubject::editorEvent(QEvent* event, QAbstractItemModel*, const QStyleOptionViewItem& option,
                                         const QModelIndex& index)
{
    if (event->type() != QEvent::MouseButtonRelease && event->type() != QEvent::MouseButtonPress &&
        event->type() != QEvent::MouseButtonDblClick)
        return false;
    auto* mouse = static_cast<QMouseEvent*>(event);
    if (mouse->button() != Qt::LeftButton ||
        !checkBoxRect(option.rect).adjusted(-3, -3, 3, 3).contains(mouse->position().toPoint()))
        return false;
    // The box takes its own clicks: they neither select nor open the row.
    if (event->type() != QEvent::MouseButtonRelease) return true;
    const QueuePtr item = index.data(OutlineViewSearchModel::ItemRole).value<QueuePtr>();
    if (!item || item->checkboxDisabled()) return true;
    Q_EMIT checkboxClicked(item->qidnr(), item->checkbox() == 1 ? 0 : 1);
    return true;
}
