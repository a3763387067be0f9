#include "controls/ImageButton.h"

#include <QPainter>

ImageButton::ImageButton(QWidget* parent) : QAbstractButton(parent)
{
    setFocusPolicy(Qt::NoFocus);
}

void ImageButton::setImage(const QPixmap& image)
{
    image_ = image;
    updateGeometry();
    update();
}

void ImageButton::setAlternateImage(const QPixmap& image)
{
    alternateImage_ = image;
    update();
}

QPixmap ImageButton::shownImage() const
{
    if (isDown() && !alternateImage_.isNull()) return alternateImage_;
    return image_;
}

QSize ImageButton::sizeHint() const
{
    const QSize size = image_.isNull() ? QSize(16, 16) : image_.deviceIndependentSize().toSize();
    return size;
}

void ImageButton::drawImage(QPainter& painter, const QRect& frame) const
{
    const QPixmap shown = shownImage();
    if (shown.isNull()) return;
    const QSizeF size = shown.deviceIndependentSize();
    const QRectF target(frame.x() + (frame.width() - size.width()) / 2,
                        frame.y() + (frame.height() - size.height()) / 2, size.width(), size.height());
    painter.save();
    if (!isEnabled()) painter.setOpacity(0.5);
    painter.drawPixmap(target, shown, QRectF(shown.rect()));
    painter.restore();
}

void ImageButton::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    drawImage(painter, rect());
}
