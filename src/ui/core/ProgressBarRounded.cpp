#include "ui/core/ProgressBarRounded.h"

#include <QPainter>
#include <QPainterPath>

#include <cmath>

ProgressBarRounded::ProgressBarRounded(QWidget* parent) : QProgressBar(parent)
{
    setup();
}

void ProgressBarRounded::setup()
{
    setTextVisible(false);
    setMinimum(0);
    setMaximum(100);
}

double ProgressBarRounded::fillWidthFor(double boundsWidth, double maxValue, double value)
{
    const double w = boundsWidth / maxValue * value;
    return std::isfinite(w) ? w : 0.0;
}

void ProgressBarRounded::setDoubleValue(double value)
{
    value_ = value;
    update();
}

void ProgressBarRounded::paint(QPainter& p, const QRectF& bounds, double maxValue, double value)
{
    p.save();
    p.setRenderHint(QPainter::Antialiasing);
    QPainterPath clip;
    clip.addRoundedRect(bounds, 4, 4);
    p.setClipPath(clip);
    p.fillRect(bounds, QColor::fromRgbF(0.725f, 0.725f, 0.725f, 1.0f));
    QRectF fill = bounds;
    fill.setWidth(fillWidthFor(bounds.width(), maxValue, value));
    p.fillRect(fill, QColor::fromRgbF(0.259f, 0.42f, 0.525f, 1.0f));
    p.restore();
}

void ProgressBarRounded::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    paint(p, QRectF(rect()), maximum(), value_);
}
