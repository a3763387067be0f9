#include "ui/nntp/ButtonCellToggleConnect.h"

#include "controls/Artwork.h"

#include <QEvent>
#include <QPainter>

ButtonCellToggleConnect::ButtonCellToggleConnect(QWidget* parent) : QAbstractButton(parent)
{
    setObjectName(QStringLiteral("btnToggleConnections"));
    setCursor(Qt::PointingHandCursor);
    timer_.setInterval(kBlinkIntervalMs);
    connect(&timer_, &QTimer::timeout, this, &ButtonCellToggleConnect::toggleButtonImage);
    applyState();
}

void ButtonCellToggleConnect::setState(int state)
{
    state_ = state;
    applyState();
}

void ButtonCellToggleConnect::changeEvent(QEvent* event)
{
    if (event->type() == QEvent::EnabledChange) applyState();
    QAbstractButton::changeEvent(event);
}

void ButtonCellToggleConnect::applyState()
{
    if (!isEnabled()) return;
    if (state_ == 1) {
        if (!timer_.isActive()) {
            image_ = QStringLiteral("btn_offline02");
            pressedImage_ = QStringLiteral("btn_online");
            toggle_ = false;
            timer_.start();
        }
    } else {
        timer_.stop();
        image_ = QStringLiteral("btn_online");
        pressedImage_ = QStringLiteral("btn_offline02");
    }
    setToolTip(state_ == 1 ? QStringLiteral("Connections are off: click to connect")
                           : QStringLiteral("Connected: click to close all connections"));
    update();
}

void ButtonCellToggleConnect::toggleButtonImage()
{
    image_ = toggle_ ? QStringLiteral("btn_offline02") : QStringLiteral("btn_offline01");
    toggle_ = !toggle_;
    update();
}

void ButtonCellToggleConnect::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    const QString name = isDown() ? pressedImage_ : image_;
    const QSize size = Artwork::designSize(name);
    const QRect target(QPoint((width() - size.width()) / 2, (height() - size.height()) / 2), size);
    painter.drawPixmap(target, Artwork::pixmap(name, size));
}
