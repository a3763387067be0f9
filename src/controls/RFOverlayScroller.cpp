#include "controls/RFOverlayScroller.h"

#include <QPainter>
#include <QPainterPath>
#include <QPropertyAnimation>
#include <QStyleOptionSlider>
#include <QTimer>

RFOverlayScroller::RFOverlayScroller(QWidget* parent)
    : QScrollBar(Qt::Vertical, parent), animation_(new QPropertyAnimation(this, "alphaValue", this)),
      fadeOutTimer_(new QTimer(this))
{
    setAttribute(Qt::WA_OpaquePaintEvent, false);
    setMouseTracking(true);
    fadeOutTimer_->setSingleShot(true);
    fadeOutTimer_->setInterval(kFadeOutDelay);
    connect(fadeOutTimer_, &QTimer::timeout, this, &RFOverlayScroller::fadeOut);
}

void RFOverlayScroller::setAlphaValue(qreal alpha)
{
    alpha_ = qBound(0.0, alpha, 1.0);
    update();
}

void RFOverlayScroller::fadeTo(qreal alpha, int duration)
{
    animation_->stop();
    animation_->setDuration(duration);
    animation_->setStartValue(alpha_);
    animation_->setEndValue(alpha);
    animation_->start();
}

void RFOverlayScroller::contentScrolled()
{
    fadeTo(1.0, kShowDuration);
    fadeOutTimer_->start();
}

void RFOverlayScroller::fadeOut()
{
    fadeOutTimer_->stop();
    fadeTo(0.0, kFadeOutDuration);
}

bool RFOverlayScroller::fadeOutPending() const
{
    return fadeOutTimer_->isActive();
}

void RFOverlayScroller::sliderChange(SliderChange change)
{
    QScrollBar::sliderChange(change);
    if (change == SliderValueChange) contentScrolled();
}

void RFOverlayScroller::enterEvent(QEnterEvent* e)
{
    fadeTo(1.0, kEnterDuration);
    fadeOutTimer_->stop();
    QScrollBar::enterEvent(e);
}

void RFOverlayScroller::leaveEvent(QEvent* e)
{
    fadeOut();
    QScrollBar::leaveEvent(e);
}

void RFOverlayScroller::mouseMoveEvent(QMouseEvent* e)
{
    animation_->stop();
    fadeOutTimer_->stop();
    setAlphaValue(1.0);
    QScrollBar::mouseMoveEvent(e);
}

void RFOverlayScroller::paintEvent(QPaintEvent*)
{
    // The knob only; the track stays transparent.
    if (alpha_ <= 0.0 || maximum() <= minimum()) return;
    QStyleOptionSlider option;
    initStyleOption(&option);
    QRectF knob = style()->subControlRect(QStyle::CC_ScrollBar, &option, QStyle::SC_ScrollBarSlider, this);
    knob.adjust(3, 2, -3, -2);
    if (knob.width() <= 0 || knob.height() <= 0) return;
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing, true);
    painter.setOpacity(alpha_);
    QPainterPath path;
    const qreal r = knob.width() / 2;
    path.addRoundedRect(knob, r, r);
    painter.fillPath(path, QColor(0, 0, 0, 128));
}
