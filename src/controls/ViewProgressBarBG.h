#pragma once

#include "controls/ThreePartImageCell.h"

#include <QWidget>

// The rounded track behind a striped progress bar, drawn from the images
// "grph_prgbarbg_lp", "grph_prgbarbg_mp" and "grph_prgbarbg_rp" (left cap,
// stretched middle, right cap) over whatever the view holds.
class ViewProgressBarBG : public QWidget
{
    Q_OBJECT
public:
    explicit ViewProgressBarBG(QWidget* parent = nullptr);

    static QStringList artworkNames();

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    ThreePartImageCell::Pieces pieces_;
};
