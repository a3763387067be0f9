#include "controls/ViewColorBox.h"

#include <QPaintEvent>
#include <QPainter>

ViewColorBox::ViewColorBox(QWidget* parent) : QWidget(parent)
{}

void ViewColorBox::setBgcolor(const QColor& color)
{
    bgcolor_ = color;
    update();
    Q_EMIT bgcolorChanged(color);
}

void ViewColorBox::paintEvent(QPaintEvent* e)
{
    if (!bgcolor_.isValid()) return;
    QPainter(this).fillRect(e->rect(), bgcolor_);
}
