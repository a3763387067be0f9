#pragma once

#include <QWidget>

// The white track behind a flat progress bar, framed by a grey 1-point line
// of which the outer half falls outside the bounds.
class ViewSimpleProgressBarBG : public QWidget
{
    Q_OBJECT
public:
    explicit ViewSimpleProgressBarBG(QWidget* parent = nullptr);

protected:
    void paintEvent(QPaintEvent* event) override;
};
