#include "controls/ViewSimpleProgressBarBG.h"

#include <QPainter>

ViewSimpleProgressBarBG::ViewSimpleProgressBarBG(QWidget* parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("ViewSimpleProgressBarBG"));
}

void ViewSimpleProgressBarBG::paint(QPainter& painter, const QRect& bounds, const QColor& frame)
{
    painter.save();
    painter.fillRect(bounds, Qt::white);
    // A 1-point stroke centred on the bounds' edge: half of it is inside.
    painter.setPen(QPen(frame, 1.0));
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(QRectF(bounds));
    painter.restore();
}

void ViewSimpleProgressBarBG::paintEvent(QPaintEvent* event)
{
    QPainter painter(this);
    paint(painter, rect(), palette().color(QPalette::Mid));
    QWidget::paintEvent(event);
}
