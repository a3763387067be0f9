#include "ui/queue/CustomProgressBar.h"

#include "ui/queue/StripeAnimationClock.h"

#include <QPainter>
#include <QPainterPath>
#include <QTimer>
#include <QVariantAnimation>

#include <algorithm>
#include <cmath>

namespace {

qint64 nowMs()
{
    return StripeAnimationClock::shared().nowMs();
}

} // namespace

CustomProgressBar::CustomProgressBar(QObject* parent) : QObject(parent)
{
    borderColor_ = QColor::fromRgbF(0, 0, 0, 0);
    stripesImage_ = stripesImageWithSize(QSize(20, 10));
    // Animating is switched on last, as the bar is complete only now.
    setAnimates(true);
}

CustomProgressBar::~CustomProgressBar()
{
    if (clockRetained_) StripeAnimationClock::shared().release();
}

void CustomProgressBar::setFrame(const QRectF& frame)
{
    if (frame == frame_) return;
    frame_ = frame;
    // While collapsed a frame change leaves the layers where they are.
    resizeLayers();
    Q_EMIT needsDisplay();
}

void CustomProgressBar::setStripesImage(const QImage& image)
{
    // Takes effect at the next layout.
    stripesImage_ = image;
}

void CustomProgressBar::setCollapsed(bool collapsed)
{
    collapsed_ = collapsed;
    if (!collapsed_) {
        resizeLayers();
        Q_EMIT needsDisplay();
    }
}

void CustomProgressBar::setRadius(qint64 radius)
{
    radius_ = radius;
}

void CustomProgressBar::setFloatValue(double percentage)
{
    if (std::isnan(percentage)) percentage = 0;
    floatValue_ = std::clamp(percentage, 0.0, 100.0) / 100.0;
    resizeInnerLayers();
    Q_EMIT needsDisplay();
}

void CustomProgressBar::setColorTint(const QColor& color)
{
    colorTint_ = color;
    reloadTint();
}

void CustomProgressBar::setColorTintOpacity(double opacity)
{
    colorTintOpacity_ = opacity;
    reloadTint();
}

void CustomProgressBar::reloadTint()
{
    Q_EMIT needsDisplay();
}

void CustomProgressBar::setAnimates(bool animates)
{
    if (animates == animates_) return;
    animates_ = animates;
    if (animates_)
        animatingOn();
    else
        animatingOff();
}

void CustomProgressBar::setAnimationDuration(double seconds)
{
    animationDuration_ = seconds;
    if (animates_) {
        animatingOff();
        removeStripeAnimation();
        animatingOn();
    }
}

void CustomProgressBar::setBorderWidth(double width)
{
    borderWidth_ = width;
    if (shadowWidth_ > width) shadowWidth_ = width;
}

void CustomProgressBar::setBorderColor(const QColor& color)
{
    borderColor_ = color;
}

void CustomProgressBar::setShadowWidth(double width)
{
    if (width > borderWidth_) return;
    shadowWidth_ = width;
}

// --- animating ---

void CustomProgressBar::animatingOn()
{
    if (!hasStripeAnimation() && animates_ && !itIsHidden_) attachStripeAnimation();
    stripesOpacityFrom_ = stripesLayerOpacity();
    stripesOpacityTarget_ = kStripesOpacity;
    stripesFadeStartMs_ = nowMs();
    updateClockRetention();
    Q_EMIT needsDisplay();
}

void CustomProgressBar::animatingOff()
{
    // The stripes fade out first; the motion stops when the fade is over,
    // unless animating was switched on again meanwhile.
    QTimer::singleShot(int(kImplicitDuration * 1000), this, [this] {
        if (hasStripeAnimation() && !animates_) removeStripeAnimation();
    });
    stripesOpacityFrom_ = stripesLayerOpacity();
    stripesOpacityTarget_ = 0.0;
    stripesFadeStartMs_ = nowMs();
    updateClockRetention();
    Q_EMIT needsDisplay();
}

void CustomProgressBar::attachStripeAnimation()
{
    stripeAnimationStartMs_ = nowMs();
    updateClockRetention();
}

void CustomProgressBar::removeStripeAnimation()
{
    stripeAnimationStartMs_ = -1;
    updateClockRetention();
    Q_EMIT needsDisplay();
}

bool CustomProgressBar::stripesFadeRunning() const
{
    return stripesFadeStartMs_ >= 0 && nowMs() - stripesFadeStartMs_ < qint64(kImplicitDuration * 1000);
}

bool CustomProgressBar::isAnimating() const
{
    return hasStripeAnimation() || stripesFadeRunning() ||
           (alphaAnimation_ && alphaAnimation_->state() == QAbstractAnimation::Running);
}

void CustomProgressBar::updateClockRetention()
{
    const bool want = hasStripeAnimation() || stripesFadeRunning();
    if (want == clockRetained_) return;
    StripeAnimationClock& clock = StripeAnimationClock::shared();
    clockRetained_ = want;
    if (want) {
        clock.retain();
        connect(&clock, &StripeAnimationClock::frame, this, &CustomProgressBar::onClockFrame);
    } else {
        disconnect(&clock, &StripeAnimationClock::frame, this, &CustomProgressBar::onClockFrame);
        clock.release();
    }
}

void CustomProgressBar::onClockFrame()
{
    Q_EMIT needsDisplay();
    updateClockRetention();
}

double CustomProgressBar::stripesLayerOpacity() const
{
    if (stripesFadeStartMs_ < 0) return stripesOpacityTarget_;
    const double t = double(nowMs() - stripesFadeStartMs_) / (kImplicitDuration * 1000.0);
    if (t >= 1.0) return stripesOpacityTarget_;
    return stripesOpacityFrom_ + (stripesOpacityTarget_ - stripesOpacityFrom_) * std::max(0.0, t);
}

double CustomProgressBar::stripesLayerPositionX() const
{
    const double tile = stripesImage_.isNull() ? 0.0 : stripesImage_.deviceIndependentSize().width();
    if (!hasStripeAnimation() || animationDuration_ <= 0) return stripesFrame_.x();
    const double cycleMs = animationDuration_ * 1000.0;
    const double phase = std::fmod(double(nowMs() - stripeAnimationStartMs_), cycleMs) / cycleMs;
    return -tile + phase * tile;
}

// --- hiding ---

double CustomProgressBar::alphaValue() const
{
    return alphaAnimation_ && alphaAnimation_->state() == QAbstractAnimation::Running
               ? alphaAnimation_->currentValue().toDouble()
               : alpha_;
}

void CustomProgressBar::setHidden(bool hidden)
{
    itIsHidden_ = hidden;
    if (hidden_ == hidden) return;
    const double from = alphaValue();
    if (alphaAnimation_) {
        alphaAnimation_->disconnect(this);
        alphaAnimation_->stop();
        alphaAnimation_->deleteLater();
    }
    alphaAnimation_ = new QVariantAnimation(this);
    alphaAnimation_->setDuration(int(kImplicitDuration * 1000));
    alphaAnimation_->setStartValue(from);
    alphaAnimation_->setEndValue(hidden ? 0.0 : 1.0);
    alpha_ = hidden ? 0.0 : 1.0;
    connect(alphaAnimation_, &QVariantAnimation::valueChanged, this, &CustomProgressBar::needsDisplay);
    if (hidden) {
        connect(alphaAnimation_, &QVariantAnimation::finished, this, [this] {
            if (itIsHidden_) hidden_ = true;
            removeStripeAnimation();
        });
    } else {
        hidden_ = false;
        if (animates_) attachStripeAnimation();
    }
    alphaAnimation_->start();
    Q_EMIT needsDisplay();
}

// --- layout ---

void CustomProgressBar::resizeLayers()
{
    if (collapsed_) return;
    const QRectF b = bounds();
    clipFrame_ = b;
    clipRadius_ = double(radius_);
    resizeInnerLayers();
    fillFrame_ = b;
    borderFrame_ = b;
    tintFrame_ = b;
    stripesPattern_ = stripesImage_;
    stripesPixmap_ = QPixmap::fromImage(stripesImage_);
    const QSizeF tile = stripesImage_.isNull() ? QSizeF(0, 0) : stripesImage_.deviceIndependentSize();
    const double tiles = tile.width() > 0 ? std::ceil(b.width() / tile.width()) + 1 : 0;
    stripesFrame_ = QRectF(-tile.width(), b.y(), tile.width() * tiles, b.height());
}

void CustomProgressBar::resizeInnerLayers()
{
    QRectF inner = bounds().adjusted(borderWidth_, borderWidth_, -borderWidth_, -borderWidth_);
    if (inner.width() < 0) inner.setWidth(0);
    if (inner.height() < 0) inner.setHeight(0);
    inner.setWidth(inner.width() * floatValue_);
    innerClipFrame_ = inner;
    innerClipRadius_ = double(radius_);
}

// --- animations and images ---

CustomProgressBar::BasicAnimation CustomProgressBar::fadeAnimationVisible(bool visible)
{
    BasicAnimation a;
    a.keyPath = QStringLiteral("opacity");
    a.fromValue = visible ? 0.0 : kStripesOpacity;
    a.toValue = visible ? kStripesOpacity : 0.0;
    a.duration = kFadeDuration;
    return a;
}

CustomProgressBar::BasicAnimation CustomProgressBar::stripesAnimation() const
{
    const double tile = stripesImage_.isNull() ? 0.0 : stripesImage_.deviceIndependentSize().width();
    BasicAnimation a;
    a.keyPath = QStringLiteral("position.x");
    a.fromValue = -tile;
    a.byValue = tile;
    a.toValue = 0.0;
    a.duration = animationDuration_;
    a.repeatsForever = true;
    a.removedOnCompletion = false;
    return a;
}

QString CustomProgressBar::defaultAnimationForKey(const QString& key)
{
    return key == QLatin1String("floatValue") ? QStringLiteral("easeInEaseOut") : QString();
}

QImage CustomProgressBar::stripesImageWithSize(const QSize& size)
{
    QImage tile(size, QImage::Format_ARGB32_Premultiplied);
    const double w = size.width();
    const double h = size.height();
    tile.fill(Qt::white);
    QPainter p(&tile);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor::fromRgbF(0, 0, 0, 1.0));
    // Image coordinates are flipped (y down), as the tile is drawn.
    QPainterPath band;
    band.moveTo(w, 0);
    band.lineTo(w, h / 2);
    band.lineTo(w / 2, h);
    band.lineTo(0, h);
    band.closeSubpath();
    p.drawPath(band);
    QPainterPath corner;
    corner.moveTo(0, 0);
    corner.lineTo(w / 2, 0);
    corner.lineTo(0, h / 2);
    corner.closeSubpath();
    p.drawPath(corner);
    return tile;
}

QImage CustomProgressBar::borderImageForSize(const QSizeF& size, bool /*withInnerShadow*/) const
{
    if (size.width() <= 0 || size.height() <= 0) return QImage();
    QImage image(size.toSize().expandedTo(QSize(1, 1)), QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.save();
    p.setPen(QPen(borderColor_, borderWidth_));
    p.setBrush(Qt::NoBrush);
    const QRectF r(borderWidth_ / 2, borderWidth_ / 2, size.width() - borderWidth_,
                   size.height() - borderWidth_);
    p.drawRoundedRect(r, double(radius_), double(radius_));
    p.restore();
    return image;
}

// --- painting ---

void CustomProgressBar::paint(QPainter& p) const
{
    if (hidden_ || clipFrame_.isEmpty() || innerClipFrame_.isEmpty()) return;
    const double alpha = alphaValue();
    if (alpha <= 0) return;
    p.save();
    p.translate(frame_.topLeft());
    p.setOpacity(p.opacity() * alpha);
    p.setRenderHint(QPainter::Antialiasing);

    QPainterPath clip;
    clip.addRoundedRect(clipFrame_, clipRadius_, clipRadius_);
    QPainterPath inner;
    inner.addRoundedRect(innerClipFrame_, innerClipRadius_, innerClipRadius_);
    p.setClipPath(clip.intersected(inner));

    // Fill and tint are laid out in the bar's bounds and shown through the
    // inner clip, as are the stripes.
    QLinearGradient gradient(fillFrame_.topLeft(), fillFrame_.bottomLeft());
    gradient.setColorAt(0.0, QColor::fromRgbF(0.75, 0.75, 0.75, 1.0));
    gradient.setColorAt(1.0, QColor::fromRgbF(0.85, 0.85, 0.85, 1.0));
    p.fillRect(fillFrame_, gradient);

    if (colorTint_.isValid() && colorTintOpacity_ > 0) {
        p.save();
        p.setOpacity(p.opacity() * colorTintOpacity_);
        p.fillRect(tintFrame_, colorTint_);
        p.restore();
    }

    const double stripesOpacity = stripesLayerOpacity();
    if (!stripesPattern_.isNull() && stripesOpacity > 0 && !stripesFrame_.isEmpty()) {
        p.save();
        p.setOpacity(p.opacity() * stripesOpacity);
        QRectF stripes = stripesFrame_;
        stripes.moveLeft(stripesLayerPositionX());
        p.drawTiledPixmap(stripes, stripesPixmap_);
        p.restore();
    }
    p.restore();
}
