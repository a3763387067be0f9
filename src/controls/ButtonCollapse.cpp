#include "controls/ButtonCollapse.h"

#include "controls/Artwork.h"
#include "controls/SRGB.h"

#include <QPainter>

ButtonCollapse::ButtonCollapse(const QString& plainArtworkName, Divider divider, QWidget* parent)
    : ImageButton(parent), plainName_(plainArtworkName), divider_(divider)
{
    for (const QString& name : artworkNames())
        setArtwork(name, Artwork::pixmap(name));
}

void ButtonCollapse::setArtwork(const QString& name, const QPixmap& image)
{
    if (name != plainArtworkName() && name != hiArtworkName()) return;
    artwork_.insert(name, image);
    if (name == imageName_) setImage(image);
    if (name == alternateImageName_) setAlternateImage(image);
    update();
}

void ButtonCollapse::setState(int state)
{
    state_ = state;
    update();
}

void ButtonCollapse::setImagesByState()
{
    if (state_ == 0) {
        imageName_ = hiArtworkName();
        alternateImageName_ = plainArtworkName();
    } else if (state_ == 1) {
        imageName_ = plainArtworkName();
        alternateImageName_ = hiArtworkName();
    } else {
        return;
    }
    // Runs from paintEvent: setting an image schedules a repaint and a new
    // layout, so only a real change may do it, or the button repaints (and
    // its window lays out) without end.
    const QPixmap image = artwork_.value(imageName_);
    const QPixmap alternate = artwork_.value(alternateImageName_);
    if (image.cacheKey() != this->image().cacheKey()) setImage(image);
    if (alternate.cacheKey() != alternateImage().cacheKey()) setAlternateImage(alternate);
}

void ButtonCollapse::paintEvent(QPaintEvent*)
{
    if (isEnabled()) setImagesByState();
    QPainter painter(this);
    const QColor line = grey(0.761);
    if (divider_ == Divider::Left)
        painter.fillRect(QRect(0, 0, 1, height()), line);
    else if (divider_ == Divider::Right)
        painter.fillRect(QRect(width() - 1, 0, 1, height()), line);
    drawImage(painter, rect());
}
