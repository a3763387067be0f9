#include "controls/TVLButton.h"

#include <QEnterEvent>
#include <QEvent>
#include <QFontMetrics>
#include <QPainter>

TVLButton::TVLButton(QWidget* parent) : QAbstractButton(parent)
{
    setFocusPolicy(Qt::TabFocus);
}

TVLButton::TVLButton(const QString& title, QWidget* parent) : TVLButton(parent)
{
    setText(title);
}

void TVLButton::awakeFromNib()
{
    if (cell_.isAwake()) return;
    cell_.awakeFromNib();
    setCheckable(cell_.isOnOff());
    setAttribute(Qt::WA_Hover, cell_.doHover());
}

void TVLButton::setImage(const QPixmap& image)
{
    cell_.setImage(image);
    updateGeometry();
    update();
}

TVLButtonCell::DrawState TVLButton::drawState() const
{
    TVLButtonCell::DrawState state;
    state.pressed = isDown();
    state.on = isCheckable() && isChecked();
    state.enabled = isEnabled();
    return state;
}

QSize TVLButton::sizeHint() const
{
    const QFontMetrics fm(font());
    int w = text().isEmpty() ? 0 : fm.horizontalAdvance(text()) + 16;
    const QSizeF image = cell_.image().deviceIndependentSize();
    if (!cell_.image().isNull()) w += int(image.width()) + (text().isEmpty() ? 8 : 5);
    return QSize(qMax(w, 24), qMax(22, int(image.height()) + 6));
}

bool TVLButton::event(QEvent* e)
{
    if (e->type() == QEvent::Polish) awakeFromNib();
    return QAbstractButton::event(e);
}

void TVLButton::paintEvent(QPaintEvent*)
{
    awakeFromNib();
    QPainter painter(this);
    painter.setOpacity(TVLButtonCell::controlAlpha(isEnabled()));
    cell_.drawInterior(painter, QRectF(rect()), drawState(), text(), font());
}

void TVLButton::enterEvent(QEnterEvent* e)
{
    if (cell_.mouseEntered(isEnabled())) update();
    QAbstractButton::enterEvent(e);
}

void TVLButton::leaveEvent(QEvent* e)
{
    if (cell_.mouseExited()) update();
    QAbstractButton::leaveEvent(e);
}

void TVLButton::changeEvent(QEvent* e)
{
    if (e->type() == QEvent::EnabledChange) update();
    QAbstractButton::changeEvent(e);
}
