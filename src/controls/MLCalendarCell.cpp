#include "controls/MLCalendarCell.h"

#include "controls/MLCalendarView.h"
#include "core/StringFormat.h"

#include <QFontMetricsF>
#include <QPainter>
#include <QPainterPath>

MLCalendarCell::MLCalendarCell(QWidget* parent) : QAbstractButton(parent)
{
    setFocusPolicy(Qt::NoFocus);
}

void MLCalendarCell::setRepresentedDate(const QDate& date)
{
    representedDate_ = date;
    setText(date.isValid() ? sformat(u"%ld", qint64(date.day())) : QString());
    update();
}

void MLCalendarCell::setSelected(bool on)
{
    selected_ = on;
    update();
}

bool MLCalendarCell::showsTodayMarker() const
{
    return owner_ && !selected_ && representedDate_.isValid() && representedDate_ == owner_->today();
}

void MLCalendarCell::paintEvent(QPaintEvent*)
{
    if (!owner_) return;
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing, true);
    const QRectF b(rect());
    painter.fillRect(b, owner_->backgroundColor());
    if (!representedDate_.isValid()) return;
    const QRectF marker(b.x() + 2, b.y() + 2, b.width() - 4, b.height() - 3);
    QPainterPath rounded;
    rounded.addRoundedRect(marker, 4, 4);
    if (selected_) painter.fillPath(rounded, owner_->selectionColor());
    painter.setPen(QPen(owner_->dayMarkerColor(), 0.3));
    painter.drawLine(QPointF(b.x(), b.y()), QPointF(b.x() + b.width(), b.y()));
    if (showsTodayMarker()) painter.fillPath(rounded, owner_->todayMarkerColor());
    const qreal h = QFontMetricsF(font()).height();
    painter.setFont(font());
    painter.setPen(owner_->textColor());
    painter.drawText(QRectF(b.x(), b.y() + (b.height() - h) / 2 - 2, b.width(), h),
                     Qt::AlignHCenter | Qt::AlignTop | Qt::TextWordWrap, text());
}
