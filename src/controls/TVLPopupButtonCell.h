#pragma once

#include <QColor>
#include <QFont>
#include <QPixmap>
#include <QRectF>

class QPainter;

// The look of the program's light pop-up buttons: a rounded box, a divider
// and the history arrow at the right, the title in `textColor`. Colours left
// invalid and a `fontSize` below 1 get their defaults in awakeFromNib().
class TVLPopupButtonCell
{
public:
    // The arrow image's name. awakeFromNib() loads it from the Artwork
    // registry unless another image was handed in (setArrowImage).
    static QString arrowImageName() { return QStringLiteral("tvl_sf_history_arrow"); }

    void awakeFromNib();
    bool isAwake() const { return awake_; }

    QColor backgroundColorFor(bool pressed) const;
    // Where the title goes in a frame, given the width of the item's image.
    static QRectF titleRect(const QRectF& frame, qreal itemImageWidth);
    static QRectF arrowRect(const QRectF& frame);
    static QRectF dividerRect(const QRectF& frame);

    // Draws box, divider, arrow, item image and title.
    void drawInterior(QPainter& painter, const QRectF& frame, bool pressed, const QString& title,
                      const QPixmap& itemImage, const QFont& font) const;

    QColor backgroundColorDefault() const { return backgroundColorDefault_; }
    void setBackgroundColorDefault(const QColor& c) { backgroundColorDefault_ = c; }
    QColor backgroundColorActive() const { return backgroundColorActive_; }
    void setBackgroundColorActive(const QColor& c) { backgroundColorActive_ = c; }
    QColor borderColor() const { return borderColor_; }
    void setBorderColor(const QColor& c) { borderColor_ = c; }
    QColor textColor() const { return textColor_; }
    void setTextColor(const QColor& c) { textColor_ = c; }
    qint64 fontSize() const { return fontSize_; }
    void setFontSize(qint64 size) { fontSize_ = size; }
    QColor backgroundColor() const { return backgroundColor_; }
    void setBackgroundColor(const QColor& c) { backgroundColor_ = c; }
    QPixmap arrowImage() const { return arrowImage_; }
    void setArrowImage(const QPixmap& image) { arrowImage_ = image; }

private:
    QColor backgroundColorDefault_;
    QColor backgroundColorActive_;
    QColor borderColor_;
    QColor textColor_;
    qint64 fontSize_ = 0;
    QColor backgroundColor_;
    QPixmap arrowImage_;
    bool awake_ = false;
};
