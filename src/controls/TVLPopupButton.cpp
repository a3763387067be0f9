#include "controls/TVLPopupButton.h"

#include <QEvent>
#include <QFontMetrics>
#include <QPainter>

TVLPopupButton::TVLPopupButton(QWidget* parent) : PopUpButton(parent)
{
    setFlat(true);
    setFocusPolicy(Qt::TabFocus);
}

QSize TVLPopupButton::sizeHint() const
{
    const QFontMetrics fm(font());
    return QSize(fm.horizontalAdvance(text()) + 10 + 8 + 16, 22);
}

bool TVLPopupButton::event(QEvent* e)
{
    if (e->type() == QEvent::Polish) awakeFromNib();
    return PopUpButton::event(e);
}

void TVLPopupButton::paintEvent(QPaintEvent*)
{
    awakeFromNib();
    QPainter painter(this);
    cell_.drawInterior(painter, QRectF(rect()), isDown(), text(), imageOfSelectedItem(), font());
}
