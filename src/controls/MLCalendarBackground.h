#pragma once

#include <QColor>
#include <QWidget>

// The plain background of the calendar.
class MLCalendarBackground : public QWidget
{
    Q_OBJECT
public:
    explicit MLCalendarBackground(QWidget* parent = nullptr);

    QColor backgroundColor() const { return backgroundColor_; }
    void setBackgroundColor(const QColor& color);

protected:
    void paintEvent(QPaintEvent* e) override;

private:
    QColor backgroundColor_ = Qt::white;
};
