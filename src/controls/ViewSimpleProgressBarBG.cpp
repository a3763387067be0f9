#include "controls/ViewSimpleProgressBarBG.h"

#include <QPainter>

ViewSimpleProgressBarBG::ViewSimpleProgressBarBG(QWidget* parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("ViewSimpleProgressBarBG"));
}

void ViewSimpleProgressBarBG::paintEvent(QPaintEvent* event)
{
    QPainter painter(this);
    painter.fillRect(rect(), Qt::white);
    // A 1-point stroke centred on the bounds' edge: half of it is inside.
    painter.setPen(QPen(palette().color(QPalette::Mid), 1.0));
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(QRectF(rect()));
    QWidget::paintEvent(event);
}
