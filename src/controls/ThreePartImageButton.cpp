#include "controls/ThreePartImageButton.h"

#include <QFontMetrics>
#include <QPainter>

ThreePartImageButton::ThreePartImageButton(const ThreePartImageCell::Style& style, QWidget* parent)
    : QPushButton(parent), cell_(style)
{
    setFlat(true);
}

void ThreePartImageButton::setArtwork(const QString& name, const QPixmap& image)
{
    cell_.setArtwork(name, image);
    update();
}

ThreePartImageCell::Artwork ThreePartImageButton::currentArtwork() const
{
    return cell_.artworkFor(isEnabled(), isDown(), isCheckable() && isChecked());
}

QSize ThreePartImageButton::sizeHint() const
{
    const QFontMetrics fm(font());
    const int w = fm.horizontalAdvance(text()) + 20 + (icon().isNull() ? 0 : iconSize().width() + 6);
    return QSize(qMax(w, 30), 24);
}

void ThreePartImageButton::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    const QPixmap image = icon().isNull() ? QPixmap() : icon().pixmap(iconSize());
    cell_.drawButton(painter, QRectF(rect()), image, text(), font(), Qt::AlignCenter, isEnabled(), isDown(),
                     isCheckable() && isChecked());
}
