#pragma once

#include <QColor>
#include <QWidget>

#include <utility>
#include <vector>

// A plain view with a background colour and a colour per border, each
// optional. The top and bottom borders span the full width; the side borders
// run between them.
class TVLView : public QWidget
{
    Q_OBJECT
public:
    explicit TVLView(QWidget* parent = nullptr);

    QColor backgroundColor() const { return backgroundColor_; }
    void setBackgroundColor(const QColor& c);
    QColor topBorderColor() const { return topBorderColor_; }
    void setTopBorderColor(const QColor& c);
    QColor rightBorderColor() const { return rightBorderColor_; }
    void setRightBorderColor(const QColor& c);
    QColor bottomBorderColor() const { return bottomBorderColor_; }
    void setBottomBorderColor(const QColor& c);
    QColor leftBorderColor() const { return leftBorderColor_; }
    void setLeftBorderColor(const QColor& c);

    // What a paint of `bounds` fills, in order (the background last).
    std::vector<std::pair<QRect, QColor>> fills(const QRect& bounds) const;

protected:
    void paintEvent(QPaintEvent* e) override;

private:
    QColor backgroundColor_;
    QColor topBorderColor_;
    QColor rightBorderColor_;
    QColor bottomBorderColor_;
    QColor leftBorderColor_;
};
