#pragma once

#include <QColor>
#include <QWidget>

class QPainter;

// The flat progress bar of the files pane's rows and the search result
// tree: one rectangle in the row's state colour whose width follows the
// value, and no track or border of its own. Delegates draw it with paint()
// without making a widget per row.
class ProgressBarSimple : public QWidget
{
    Q_OBJECT
public:
    explicit ProgressBarSimple(QWidget* parent = nullptr);

    double doubleValue() const { return value_; }
    void setDoubleValue(double value);
    double maxValue() const { return maxValue_; }
    void setMaxValue(double value);

    // The bar's colour; clear until a row gives it one.
    QColor colorBackground() const { return bgColor_; }
    void setColorBackground(const QColor& color);

    // The filled part of `bounds` for a value; empty for a value of 0 or
    // less, or a maximum of 0 or less.
    static QRectF filledRect(const QRectF& bounds, double value, double maxValue);
    static void paint(QPainter& painter, const QRectF& bounds, double value, double maxValue,
                      const QColor& color);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    double value_ = 0;
    double maxValue_ = 100;
    QColor bgColor_ = Qt::transparent;
};
