#include "ui/queue/ViewQueue.h"

#include <QPainter>

ViewQueue::ViewQueue(QWidget* parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("ViewQueue"));
}

void ViewQueue::paintEvent(QPaintEvent* event)
{
    QPainter p(this);
    p.fillRect(rect(), backgroundColor());
    QWidget::paintEvent(event);
}
