#pragma once

#include <QColor>
#include <QImage>
#include <QList>
#include <QObject>
#include <QPixmap>
#include <QRectF>
#include <QString>

class QPainter;
class QVariantAnimation;

// The striped progress bar of a queue row: a grey gradient whose filled
// width follows a percentage, tinted with the job's state colour, with faint
// diagonal stripes that scroll to the right while the job is active.
//
// The bar is not a widget: a table of thousands of rows paints one bar per
// visible row from its delegate. Its "layers" are the rectangles it lays out
// (clip, inner clip, fill, tint, stripes); paint() draws them. The stripe
// motion is phased against the one StripeAnimationClock, which runs only
// while some bar animates; `animationFrame` tells the owner to repaint the
// bar's frame. Main thread only.
class CustomProgressBar : public QObject
{
    Q_OBJECT
public:
    explicit CustomProgressBar(QObject* parent = nullptr);
    ~CustomProgressBar() override;

    static constexpr double kStripesOpacity = 0.04;
    static constexpr double kFadeDuration = 0.255;
    // The default duration of the platform's implicit animations.
    static constexpr double kImplicitDuration = 0.25;

    // Where the bar sits in its owner's coordinates; the layers are laid out
    // in the bar's own bounds (origin 0,0).
    QRectF frame() const { return frame_; }
    void setFrame(const QRectF& frame);
    QRectF bounds() const { return QRectF(QPointF(0, 0), frame_.size()); }

    QImage stripesImage() const { return stripesImage_; }
    void setStripesImage(const QImage& image);
    bool collapsed() const { return collapsed_; }
    void setCollapsed(bool collapsed);
    qint64 radius() const { return radius_; }
    void setRadius(qint64 radius);
    // A fraction 0...1.
    double floatValue() const { return floatValue_; }
    // Takes a percentage, clamped to 0...100.
    void setFloatValue(double percentage);
    QColor colorTint() const { return colorTint_; }
    void setColorTint(const QColor& color);
    double colorTintOpacity() const { return colorTintOpacity_; }
    void setColorTintOpacity(double opacity);
    bool animates() const { return animates_; }
    void setAnimates(bool animates);
    double animationDuration() const { return animationDuration_; }
    void setAnimationDuration(double seconds);
    double borderWidth() const { return borderWidth_; }
    void setBorderWidth(double width);
    QColor borderColor() const { return borderColor_; }
    void setBorderColor(const QColor& color);
    double shadowWidth() const { return shadowWidth_; }
    void setShadowWidth(double width);
    QList<QColor> backgroundColors() const { return backgroundColors_; }
    void setBackgroundColors(const QList<QColor>& colors) { backgroundColors_ = colors; }

    // The hidden state last asked for, and the one in effect (a hide takes
    // effect when its fade ends).
    bool it_isHidden() const { return itIsHidden_; }
    bool isHidden() const { return hidden_; }
    void setHidden(bool hidden);
    // The bar's own alpha (faded by hide and show).
    double alphaValue() const;

    // --- the laid-out layers, in the bar's bounds ---
    QRectF clipLayerFrame() const { return clipFrame_; }
    QRectF innerClipLayerFrame() const { return innerClipFrame_; }
    QRectF fillLayerFrame() const { return fillFrame_; }
    QRectF colorTintLayerFrame() const { return tintFrame_; }
    QRectF stripesLayerFrame() const { return stripesFrame_; }
    QRectF borderLayerFrame() const { return borderFrame_; }
    double clipLayerCornerRadius() const { return clipRadius_; }
    double innerClipLayerCornerRadius() const { return innerClipRadius_; }
    // The tile the stripes layer is patterned with (set at layout).
    QImage stripesLayerPattern() const { return stripesPattern_; }
    // The stripes layer's opacity now (it fades when animating stops).
    double stripesLayerOpacity() const;
    double colorTintLayerOpacity() const { return colorTintOpacity_; }
    QColor colorTintLayerBackground() const { return colorTint_; }
    // The horizontal offset of the stripes layer now: the animation slides
    // it from minus one tile to 0, then starts over.
    double stripesLayerPositionX() const;

    // The stripe animation under the key "x".
    bool hasStripeAnimation() const { return stripeAnimationStartMs_ >= 0; }
    int stripeAnimationCount() const { return hasStripeAnimation() ? 1 : 0; }
    // Whether anything moves (stripes, or a fade).
    bool isAnimating() const;

    struct BasicAnimation
    {
        QString keyPath;
        double fromValue = 0;
        double toValue = 0;
        double byValue = 0;
        double duration = 0;
        bool repeatsForever = false;
        bool removedOnCompletion = true;
        bool autoreverses = false;
    };
    // "opacity" 0 -> 0.04 (visible) or 0.04 -> 0 over 0.255 s.
    static BasicAnimation fadeAnimationVisible(bool visible);
    // "position.x" from minus a tile by plus a tile, repeating.
    BasicAnimation stripesAnimation() const;
    // The easing a property animates with when set through an animator:
    // ease-in-ease-out for "floatValue", the platform default (none) else.
    static QString defaultAnimationForKey(const QString& key);

    // A w x h tile: white with one black diagonal band rising to the right
    // that continues across the tile edges.
    static QImage stripesImageWithSize(const QSize& size);
    // A rounded rectangle stroked in `borderColor`, or a null image for an
    // empty size. The inner-shadow flag changes nothing.
    QImage borderImageForSize(const QSizeF& size, bool withInnerShadow) const;

    void resizeLayers();
    void resizeInnerLayers();

    // Paints the bar at frame().
    void paint(QPainter& painter) const;

Q_SIGNALS:
    // Something the bar shows changed; repaint frame().
    void needsDisplay();

private:
    void attachStripeAnimation();
    void removeStripeAnimation();
    void animatingOff();
    void animatingOn();
    void reloadTint();
    void onClockFrame();
    void updateClockRetention();
    bool stripesFadeRunning() const;

    QRectF frame_;
    QImage stripesImage_;
    bool collapsed_ = true;
    qint64 radius_ = 0;
    double floatValue_ = 0;
    QColor colorTint_;
    double colorTintOpacity_ = 1.0;
    bool animates_ = false;
    double animationDuration_ = 0.8;
    double borderWidth_ = 0;
    QColor borderColor_;
    double shadowWidth_ = 0;
    QList<QColor> backgroundColors_;
    bool itIsHidden_ = false;
    bool hidden_ = false;

    QRectF clipFrame_, innerClipFrame_, fillFrame_, tintFrame_, stripesFrame_, borderFrame_;
    double clipRadius_ = 0;
    double innerClipRadius_ = 0;
    QImage stripesPattern_;
    QPixmap stripesPixmap_;

    qint64 stripeAnimationStartMs_ = -1;
    // The stripes layer's opacity target and the fade towards it.
    double stripesOpacityTarget_ = kStripesOpacity;
    double stripesOpacityFrom_ = kStripesOpacity;
    qint64 stripesFadeStartMs_ = -1;
    bool clockRetained_ = false;

    QVariantAnimation* alphaAnimation_ = nullptr;
    double alpha_ = 1.0;
};
