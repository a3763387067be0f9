#include "controls/ProgressBarSimple.h"

#include <QPainter>

#include <algorithm>

ProgressBarSimple::ProgressBarSimple(QWidget* parent) : QWidget(parent)
{
    setAttribute(Qt::WA_TranslucentBackground);
}

void ProgressBarSimple::setDoubleValue(double value)
{
    if (value == value_) return;
    value_ = value;
    update();
}

void ProgressBarSimple::setMaxValue(double value)
{
    if (value == maxValue_) return;
    maxValue_ = value;
    update();
}

void ProgressBarSimple::setColorBackground(const QColor& color)
{
    bgColor_ = color;
    update();
}

QRectF ProgressBarSimple::filledRect(const QRectF& bounds, double value, double maxValue)
{
    // A maximum of 0 would divide by zero; such a bar has nothing to show.
    if (!(maxValue > 0) || !(value > 0)) return {};
    const double width = std::min(bounds.width(), bounds.width() / maxValue * value);
    return {bounds.x(), bounds.y(), width, bounds.height()};
}

void ProgressBarSimple::paint(QPainter& painter, const QRectF& bounds, double value, double maxValue,
                              const QColor& color)
{
    const QRectF filled = filledRect(bounds, value, maxValue);
    if (filled.isEmpty() || !color.isValid()) return;
    painter.save();
    painter.setCompositionMode(QPainter::CompositionMode_SourceOver);
    painter.fillRect(filled, color);
    painter.restore();
}

void ProgressBarSimple::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    paint(painter, rect(), value_, maxValue_, bgColor_);
}
