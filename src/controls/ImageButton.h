#pragma once

#include <QAbstractButton>
#include <QPixmap>

// A borderless button that shows an image, and its alternate image while it
// is held down. The image is centred in the button.
class ImageButton : public QAbstractButton
{
    Q_OBJECT
public:
    explicit ImageButton(QWidget* parent = nullptr);

    QPixmap image() const { return image_; }
    void setImage(const QPixmap& image);
    QPixmap alternateImage() const { return alternateImage_; }
    void setAlternateImage(const QPixmap& image);

    // The image drawn now.
    QPixmap shownImage() const;

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* e) override;
    void drawImage(QPainter& painter, const QRect& frame) const;

private:
    QPixmap image_;
    QPixmap alternateImage_;
};
