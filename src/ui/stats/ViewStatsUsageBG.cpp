#include "ui/stats/ViewStatsUsageBG.h"

#include <QPaintEvent>
#include <QPainter>

ViewStatsUsageBG::ViewStatsUsageBG(QWidget* parent) : QWidget(parent)
{}

QColor ViewStatsUsageBG::fillColor()
{
    return QColor::fromRgbF(0.4f, 0.682f, 0.714f, 1.0f);
}

void ViewStatsUsageBG::paintEvent(QPaintEvent* e)
{
    QPainter(this).fillRect(e->rect(), fillColor());
}
