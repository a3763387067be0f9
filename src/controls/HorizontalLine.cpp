#include "controls/HorizontalLine.h"

#include "controls/SRGB.h"

#include <QEvent>
#include <QPainter>

HorizontalLine::HorizontalLine(QWidget* parent) : QWidget(parent)
{}

void HorizontalLine::awakeFromNib()
{
    if (!color_.isValid()) color_ = grey(0.835);
}

bool HorizontalLine::event(QEvent* e)
{
    if (e->type() == QEvent::Polish) awakeFromNib();
    return QWidget::event(e);
}

void HorizontalLine::paintEvent(QPaintEvent*)
{
    awakeFromNib();
    QPainter(this).fillRect(rect(), color_);
}
