#pragma once

#include "controls/TVLButtonCell.h"

#include <QAbstractButton>

// A light push, on/off or segment button drawn by a TVLButtonCell. Configure
// the cell (cell()) before the button is first shown; it applies its defaults
// then (or at an explicit awakeFromNib()). An on/off cell makes the button
// checkable: checked is state on.
class TVLButton : public QAbstractButton
{
    Q_OBJECT
public:
    explicit TVLButton(QWidget* parent = nullptr);
    explicit TVLButton(const QString& title, QWidget* parent = nullptr);

    TVLButtonCell& cell() { return cell_; }
    const TVLButtonCell& cell() const { return cell_; }
    void awakeFromNib();

    // The cell's image (the resting face).
    void setImage(const QPixmap& image);

    TVLButtonCell::DrawState drawState() const;
    QSize sizeHint() const override;

protected:
    bool event(QEvent* e) override;
    void paintEvent(QPaintEvent* e) override;
    void enterEvent(QEnterEvent* e) override;
    void leaveEvent(QEvent* e) override;
    void changeEvent(QEvent* e) override;

private:
    TVLButtonCell cell_;
};
