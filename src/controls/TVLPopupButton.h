#pragma once

#include "controls/PopUpButton.h"
#include "controls/TVLPopupButtonCell.h"

// A light pop-up button drawn by a TVLPopupButtonCell.
class TVLPopupButton : public PopUpButton
{
    Q_OBJECT
public:
    explicit TVLPopupButton(QWidget* parent = nullptr);

    TVLPopupButtonCell& cell() { return cell_; }
    const TVLPopupButtonCell& cell() const { return cell_; }
    void awakeFromNib() { cell_.awakeFromNib(); }

    QSize sizeHint() const override;

protected:
    bool event(QEvent* e) override;
    void paintEvent(QPaintEvent* e) override;

private:
    TVLPopupButtonCell cell_;
};
