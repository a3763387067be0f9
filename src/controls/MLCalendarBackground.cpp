#include "controls/MLCalendarBackground.h"

#include <QPainter>

MLCalendarBackground::MLCalendarBackground(QWidget* parent) : QWidget(parent)
{}

void MLCalendarBackground::setBackgroundColor(const QColor& color)
{
    backgroundColor_ = color;
    update();
}

void MLCalendarBackground::paintEvent(QPaintEvent*)
{
    QPainter(this).fillRect(rect(), backgroundColor_);
}
