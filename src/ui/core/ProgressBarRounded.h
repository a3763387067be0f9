#pragma once

#include <QProgressBar>

class QPainter;

// A flat progress bar with rounded ends: a grey track and a blue fill whose
// width is the value's share of the maximum. Used on the launcher icon.
class ProgressBarRounded : public QProgressBar
{
    Q_OBJECT
public:
    explicit ProgressBarRounded(QWidget* parent = nullptr);

    // Sets the fill; kept here and not passed on to the base class.
    void setDoubleValue(double value);
    double doubleValue() const { return value_; }
    // The fill's width for the current value (0 for a value that is not a
    // number, as for a maximum of 0).
    double fillWidth() const { return fillWidthFor(width(), maximum(), value_); }

    static double fillWidthFor(double boundsWidth, double maxValue, double value);
    // Draws the bar into `bounds`.
    static void paint(QPainter& painter, const QRectF& bounds, double maxValue, double value);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void setup();

    double value_ = 0;
};
