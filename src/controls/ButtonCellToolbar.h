#pragma once

#include <QAbstractButton>
#include <QPixmap>

// A toolbar button: image at the top, white title below, a dim highlight
// while it is held down. The alternate image shows while it is held down.
class ButtonCellToolbar : public QAbstractButton
{
    Q_OBJECT
public:
    explicit ButtonCellToolbar(QWidget* parent = nullptr);

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
