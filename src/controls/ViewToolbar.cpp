#include "controls/ViewToolbar.h"

#include "controls/SRGB.h"

#include <QEvent>
#include <QGuiApplication>
#include <QMouseEvent>
#include <QPainter>
#include <QScreen>

ViewToolbar::ViewToolbar(QWidget* parent) : QWidget(parent)
{}

QPoint ViewToolbar::clampedOrigin(const QPoint& proposed, int barTop, const QRect& screen)
{
    QPoint origin = proposed;
    if (origin.y() + barTop < screen.top()) origin.setY(screen.top() - barTop);
    return origin;
}

ThreePartImageCell::Pieces ViewToolbar::makeThreepartImage(const QPixmap& image, float leftCapWidth,
                                                           float middleWidth, float rightCapWidth)
{
    return ThreePartImageCell::makeThreepartImage(image, leftCapWidth, middleWidth, rightCapWidth);
}

void ViewToolbar::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.fillRect(rect(), srgb(0.263, 0.439, 0.655));
    painter.fillRect(QRect(0, height() - 1, width(), 1), Qt::black);
}

void ViewToolbar::pressAt(const QPoint& globalPosition)
{
    const QWidget* w = window();
    initialLocation_ = w && w != this ? globalPosition - w->frameGeometry().topLeft() : globalPosition;
}

void ViewToolbar::dragTo(const QPoint& globalPosition)
{
    QWidget* w = window();
    if (!w || w == this) return;
    const QScreen* screen = QGuiApplication::primaryScreen();
    const QPoint proposed = globalPosition - initialLocation_;
    const int barTop = mapTo(w, QPoint(0, 0)).y() + (w->geometry().top() - w->frameGeometry().top());
    w->move(screen ? clampedOrigin(proposed, barTop, screen->geometry()) : proposed);
}

void ViewToolbar::mousePressEvent(QMouseEvent* e)
{
    pressAt(e->globalPosition().toPoint());
    e->accept();
}

void ViewToolbar::mouseMoveEvent(QMouseEvent* e)
{
    if (e->buttons() & Qt::LeftButton) dragTo(e->globalPosition().toPoint());
    e->accept();
}

void ViewToolbar::changeEvent(QEvent* e)
{
    if (e->type() == QEvent::ActivationChange) {
        windowIsActive_ = isActiveWindow();
        update();
    }
    QWidget::changeEvent(e);
}
