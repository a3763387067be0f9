#pragma once

#include <QPushButton>

// The flat button of the statistics page: clear with a frame 2 points wide
// in half-opaque white, filled slate blue while pressed or on; the title is
// white, faded to 30 % when the button is disabled.
class StatsButtonCellDark : public QPushButton
{
    Q_OBJECT
public:
    explicit StatsButtonCellDark(const QString& title, QWidget* parent = nullptr);

    static QColor onColor();
    static QColor frameColor();
    static QColor titleColor(bool enabled);

protected:
    void paintEvent(QPaintEvent* e) override;
};
