#include "ui/prefs/ButtonCellPrefsLSB.h"

#include "controls/SRGB.h"

#include <QPainter>
#include <QStyle>
#include <QStyleOptionFocusRect>

ButtonCellPrefsLSB::ButtonCellPrefsLSB(const QString& title, QWidget* parent) : QAbstractButton(parent)
{
    setText(title);
    setCheckable(true);
    setAutoExclusive(true);
    setFocusPolicy(Qt::StrongFocus);
    setCursor(Qt::PointingHandCursor);
}

QSize ButtonCellPrefsLSB::sizeHint() const
{
    return QSize(fontMetrics().horizontalAdvance(text()) + 32, 34);
}

void ButtonCellPrefsLSB::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    const QRect frame = rect();
    if (isChecked() || isDown()) painter.fillRect(frame, grey(0.925));
    painter.fillRect(QRect(frame.left(), frame.bottom(), frame.width(), 1), grey(0.835));
    painter.setPen(srgb(0.153, 0.153, 0.153));
    QFont f = font();
    f.setBold(isChecked());
    painter.setFont(f);
    painter.drawText(frame.adjusted(16, 0, -8, -1), Qt::AlignLeft | Qt::AlignVCenter,
                     fontMetrics().elidedText(text(), Qt::ElideRight, frame.width() - 24));
    if (hasFocus()) {
        QStyleOptionFocusRect option;
        option.initFrom(this);
        option.rect = frame.adjusted(2, 2, -2, -3);
        style()->drawPrimitive(QStyle::PE_FrameFocusRect, &option, &painter, this);
    }
}
