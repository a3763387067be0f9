#pragma once

#include <QWidget>

// The plain grey background behind the queue's cards.
class ViewQueue : public QWidget
{
    Q_OBJECT
public:
    explicit ViewQueue(QWidget* parent = nullptr);
    static QColor backgroundColor() { return QColor::fromRgbF(0.831, 0.831, 0.831, 1.0); }

protected:
    void paintEvent(QPaintEvent* event) override;
};
