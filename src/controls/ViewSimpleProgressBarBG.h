#pragma once

#include <QWidget>

class QPainter;

// The white track behind a flat progress bar, framed by a grey 1-point line
// of which the outer half falls outside the bounds.
class ViewSimpleProgressBarBG : public QWidget
{
    Q_OBJECT
public:
    explicit ViewSimpleProgressBarBG(QWidget* parent = nullptr);

    // The same track drawn over `bounds` (delegates draw it without a
    // widget); `frame` is the grey of the line.
    static void paint(QPainter& painter, const QRect& bounds, const QColor& frame);

protected:
    void paintEvent(QPaintEvent* event) override;
};
