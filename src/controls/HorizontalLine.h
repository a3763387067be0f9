#pragma once

#include <QColor>
#include <QWidget>

// A line (or any strip) in one colour; 0.835 grey unless its owner sets one
// before it is first shown.
class HorizontalLine : public QWidget
{
    Q_OBJECT
    Q_PROPERTY(QColor color READ color WRITE setColor)
public:
    explicit HorizontalLine(QWidget* parent = nullptr);

    QColor color() const { return color_; }
    // Takes effect at the next redraw.
    void setColor(const QColor& color) { color_ = color; }
    void awakeFromNib();

protected:
    bool event(QEvent* e) override;
    void paintEvent(QPaintEvent* e) override;

private:
    QColor color_;
};
