#pragma once

#include <QAbstractButton>
#include <QPixmap>

// A button of the dark side bar: image above a white title; the chosen page's
// button (checked, state on) is lit, every button has a dark line along its
// bottom edge. The alternate image shows while it is held down.
class ButtonCellLSB : public QAbstractButton
{
    Q_OBJECT
public:
    explicit ButtonCellLSB(QWidget* parent = nullptr);

    QPixmap image() const { return image_; }
    void setImage(const QPixmap& image);
    QPixmap alternateImage() const { return alternateImage_; }
    void setAlternateImage(const QPixmap& image);

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* e) override;

private:
    QPixmap image_;
    QPixmap alternateImage_;
};
