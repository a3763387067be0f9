#include "controls/ThreePartImagePopUp.h"

#include <QFontMetrics>
#include <QPainter>

ThreePartImagePopUp::ThreePartImagePopUp(const ThreePartImageCell::Style& style, QWidget* parent)
    : PopUpButton(parent), cell_(style)
{
    setFlat(true);
}

void ThreePartImagePopUp::setArtwork(const QString& name, const QPixmap& image)
{
    cell_.setArtwork(name, image);
    update();
}

ThreePartImageCell::Artwork ThreePartImagePopUp::currentArtwork() const
{
    return cell_.artworkFor(isEnabled(), isDown(), false);
}

QSize ThreePartImagePopUp::sizeHint() const
{
    const QFontMetrics fm(font());
    return QSize(fm.horizontalAdvance(text()) + 8 + 24, 24);
}

void ThreePartImagePopUp::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    // The title starts past the left cap; the arrow lives in the right cap.
    const QRectF frame = QRectF(rect()).adjusted(8, 0, -8, 0);
    cell_.drawInterior(painter, QRectF(rect()), isEnabled(), isDown(), false);
    const QPixmap image = imageOfSelectedItem();
    QRectF titleFrame = frame;
    if (!image.isNull()) {
        const QSizeF size = image.deviceIndependentSize();
        painter.drawPixmap(QRectF(QPointF(frame.x(), frame.center().y() - size.height() / 2), size), image,
                           QRectF(image.rect()));
        titleFrame.setLeft(frame.x() + size.width() + 4);
    }
    cell_.drawTitle(painter, titleFrame, text(), font(), Qt::AlignLeft | Qt::AlignVCenter, isEnabled(),
                    isDown(), false);
}
