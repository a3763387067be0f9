#pragma once

#include <QWidget>

class QLabel;

// A clickable field of the statistics page: a text and a small down arrow
// in a frame 2 points wide, white at half opacity, on a clear background.
// The date-range and the server-filter selectors are two of these.
class ViewStatsFramedField : public QWidget
{
    Q_OBJECT
public:
    explicit ViewStatsFramedField(QWidget* parent = nullptr);

    QLabel* textField() const { return textField_; }
    void setText(const QString& text);

Q_SIGNALS:
    void clicked();

protected:
    void paintEvent(QPaintEvent* e) override;
    void mousePressEvent(QMouseEvent* e) override;
    void keyPressEvent(QKeyEvent* e) override;

private:
    QLabel* textField_;
};
