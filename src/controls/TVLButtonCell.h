#pragma once

#include <QColor>
#include <QFont>
#include <QPainterPath>
#include <QPixmap>
#include <QRectF>
#include <QString>

class QPainter;

// The look of the program's light push, on/off and segmented buttons: state
// colours, the tinted alternate image and the background shapes. A painter
// helper, so that one cell can draw a button widget (TVLButton) or a button in
// a table row. Colours left invalid and numbers left at 0 are "unset" and get
// their defaults in awakeFromNib().
class TVLButtonCell
{
public:
    // What drawing needs to know of the button.
    struct DrawState
    {
        bool pressed = false; // held down with the mouse inside
        bool on = false;      // state 1 of an on/off button
        bool enabled = true;
    };
    enum class Shape { Default, Left, Middle, Right };
    // Colours and image chosen for one redraw.
    struct Look
    {
        QColor background;
        QColor border;
        QPixmap image;
        bool setsColours = false; // false: the colours stay as they were
        bool setsImage = false;   // false: the image stays as it was
    };

    // Fills in the defaults where unset, applies the segment alpha, keeps a
    // copy of the image as `defaultImage` and starts the background colour at
    // `backgroundColorDefault`. Runs once; later calls do nothing.
    void awakeFromNib();
    bool isAwake() const { return awake_; }

    Shape shape() const;
    Look look(const DrawState& state) const;
    QColor titleColor(const DrawState& state) const;
    // `borderColorHi`, or `borderColor` where it is missing.
    QColor effectiveBorderColorHi() const;

    // The whole drawing: chooses the look, draws the shape and then the image
    // and title in the content rectangle the shape leaves free. Returns that
    // rectangle.
    QRectF drawInterior(QPainter& painter, const QRectF& frame, const DrawState& state, const QString& title,
                        const QFont& font);

    QRectF drawDefaultButtonWithFrame(QPainter& painter, const QRectF& frame, const QColor& border,
                                      const QColor& background) const;
    QRectF drawLeftButtonWithFrame(QPainter& painter, const QRectF& frame, bool pressed) const;
    QRectF drawMiddleButtonWithFrame(QPainter& painter, const QRectF& frame, bool pressed) const;
    QRectF drawRightButtonWithFrame(QPainter& painter, const QRectF& frame, bool pressed) const;
    void drawSeparatorForRect(QPainter& painter, const QRectF& frame) const;
    static QPainterPath makeFirstSegmentFromRect(const QRectF& rect, int radius);
    static QPainterPath makeLastSegmentFromRect(const QRectF& rect, int radius);
    // The image tinted with `color` at `tintColorAlpha`, kept as the alternate
    // image; made only once, and only for a cell with an image.
    void makeAlternateImageWithColor(const QColor& color);

    // The image frame of a button with this title: 5 points further right
    // when there is a title.
    static QRectF adjustedImageFrame(const QRectF& frame, const QString& title);
    // The opacity of the whole control.
    static qreal controlAlpha(bool enabled) { return enabled ? 1.0 : 0.5; }

    // Hover tracking (only with `doHover`).
    // Returns whether the button must be redrawn.
    bool mouseEntered(bool enabled);
    bool mouseExited();

    QColor backgroundColorDefault() const { return backgroundColorDefault_; }
    void setBackgroundColorDefault(const QColor& c) { backgroundColorDefault_ = c; }
    QColor backgroundColorActive() const { return backgroundColorActive_; }
    void setBackgroundColorActive(const QColor& c) { backgroundColorActive_ = c; }
    QColor borderColor() const { return borderColor_; }
    void setBorderColor(const QColor& c) { borderColor_ = c; }
    QColor borderColorHi() const { return borderColorHi_; }
    void setBorderColorHi(const QColor& c) { borderColorHi_ = c; }
    QColor textColor() const { return textColor_; }
    void setTextColor(const QColor& c) { textColor_ = c; }
    QColor textColorHi() const { return textColorHi_; }
    void setTextColorHi(const QColor& c) { textColorHi_ = c; }
    QColor tintColorHi() const { return tintColorHi_; }
    void setTintColorHi(const QColor& c) { tintColorHi_ = c; }
    float tintColorAlpha() const { return tintColorAlpha_; }
    void setTintColorAlpha(float a) { tintColorAlpha_ = a; }
    qint64 fontSize() const { return fontSize_; }
    void setFontSize(qint64 size) { fontSize_ = size; }
    bool isOnOff() const { return isOnOff_; }
    void setIsOnOff(bool on) { isOnOff_ = on; }
    bool isBorderless() const { return isBorderless_; }
    void setIsBorderless(bool on) { isBorderless_ = on; }
    bool doHover() const { return doHover_; }
    void setDoHover(bool on) { doHover_ = on; }
    bool isLeft() const { return isLeft_; }
    void setIsLeft(bool on) { isLeft_ = on; }
    bool isMiddle() const { return isMiddle_; }
    void setIsMiddle(bool on) { isMiddle_ = on; }
    bool isRight() const { return isRight_; }
    void setIsRight(bool on) { isRight_ = on; }
    bool mouseInside() const { return mouseInside_; }
    void setMouseInside(bool on) { mouseInside_ = on; }
    QPixmap defaultImage() const { return defaultImage_; }
    void setDefaultImage(const QPixmap& p) { defaultImage_ = p; }

    // The platform cell's own attributes.
    QPixmap image() const { return image_; }
    void setImage(const QPixmap& p) { image_ = p; }
    QPixmap alternateImage() const { return alternateImage_; }
    void setAlternateImage(const QPixmap& p) { alternateImage_ = p; }
    QColor backgroundColor() const { return backgroundColor_; }
    void setBackgroundColor(const QColor& c) { backgroundColor_ = c; }

private:
    void drawImageAndTitle(QPainter& painter, const QRectF& content, const DrawState& state,
                           const QString& title, const QFont& font) const;

    QColor backgroundColorDefault_;
    QColor backgroundColorActive_;
    QColor borderColor_;
    QColor borderColorHi_;
    QColor textColor_;
    QColor textColorHi_;
    QColor tintColorHi_;
    float tintColorAlpha_ = 0.0f;
    qint64 fontSize_ = 0;
    bool isOnOff_ = false;
    bool isBorderless_ = false;
    bool doHover_ = false;
    bool isLeft_ = false;
    bool isMiddle_ = false;
    bool isRight_ = false;
    bool mouseInside_ = false;
    QPixmap defaultImage_;
    QPixmap image_;
    QPixmap alternateImage_;
    QColor backgroundColor_;
    bool awake_ = false;
};
