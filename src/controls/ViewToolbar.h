#pragma once

#include "controls/ThreePartImageCell.h"

#include <QPoint>
#include <QWidget>

// The blue bar along the top of a window; dragging it moves the window, but
// never so far up that the bar leaves the top of the main screen.
class ViewToolbar : public QWidget
{
    Q_OBJECT
public:
    explicit ViewToolbar(QWidget* parent = nullptr);

    QPoint initialLocation() const { return initialLocation_; }
    bool windowIsActive() const { return windowIsActive_; }

    // The window position for a drag to `proposed` (the window frame's top
    // left), for a bar whose top lies `barTop` below the window frame's top.
    static QPoint clampedOrigin(const QPoint& proposed, int barTop, const QRect& screen);

    static ThreePartImageCell::Pieces makeThreepartImage(const QPixmap& image, float leftCapWidth,
                                                         float middleWidth, float rightCapWidth);

    // What a press and a drag at these global positions do.
    void pressAt(const QPoint& globalPosition);
    void dragTo(const QPoint& globalPosition);

protected:
    void paintEvent(QPaintEvent* e) override;
    void mousePressEvent(QMouseEvent* e) override;
    void mouseMoveEvent(QMouseEvent* e) override;
    void changeEvent(QEvent* e) override;

private:
    QPoint initialLocation_;
    bool windowIsActive_ = true;
};
