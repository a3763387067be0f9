#pragma once

#include <QWidget>

// The background of a settings page's side bar: light grey with a 1-point
// darker line along its right edge.
class ViewPrefsLSB : public QWidget
{
    Q_OBJECT
public:
    explicit ViewPrefsLSB(QWidget* parent = nullptr);

protected:
    void paintEvent(QPaintEvent* e) override;
};
