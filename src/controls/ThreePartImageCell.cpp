#include "controls/ThreePartImageCell.h"

#include "controls/Artwork.h"
#include "controls/SRGB.h"

#include <QFontMetricsF>
#include <QPainter>

#include <cmath>

ThreePartImageCell::ThreePartImageCell(const Style& style) : style_(style)
{
    // The enum Artwork of this class hides the registry's name here.
    for (const QString& name : artworkNames())
        setArtwork(name, ::Artwork::pixmap(name));
}

QStringList ThreePartImageCell::artworkNames() const
{
    QStringList names;
    for (const QString& name : {style_.normal, style_.high, style_.inactive}) {
        if (!name.isEmpty() && !names.contains(name)) names << name;
    }
    return names;
}

void ThreePartImageCell::setArtwork(const QString& name, const QPixmap& image)
{
    if (name.isEmpty()) return;
    const auto cut = [&] {
        return makeThreepartImage(image, style_.leftCap, style_.middle, style_.rightCap);
    };
    if (name == style_.normal) imgNormal_ = cut();
    if (name == style_.high) imgHigh_ = cut();
    if (name == style_.inactive) imgInactive_ = cut();
}

ThreePartImageCell::Pieces ThreePartImageCell::makeThreepartImage(const QPixmap& image, float leftCapWidth,
                                                                  float, float rightCapWidth)
{
    // The middle is whatever lies between the caps; its width argument does
    // not enter.
    const qreal dpr = image.devicePixelRatio();
    const QSizeF size = image.deviceIndependentSize();
    const qreal W = size.width(), H = size.height();
    const auto piece = [&](qreal x, qreal w) {
        if (w <= 0 || image.isNull()) return QPixmap();
        const QRect source(int(std::lround(x * dpr)), 0, int(std::lround(w * dpr)),
                           int(std::lround(H * dpr)));
        QPixmap out = image.copy(source);
        out.setDevicePixelRatio(dpr);
        return out;
    };
    Pieces pieces;
    pieces.insert(QStringLiteral("lp"), piece(0, leftCapWidth));
    pieces.insert(QStringLiteral("mp"), piece(leftCapWidth, W - leftCapWidth - rightCapWidth));
    pieces.insert(QStringLiteral("rp"), piece(W - rightCapWidth, rightCapWidth));
    return pieces;
}

void ThreePartImageCell::drawThreePartImage(QPainter& painter, const QRectF& frame, const Pieces& pieces)
{
    const QPixmap left = pieces.value(QStringLiteral("lp"));
    const QPixmap middle = pieces.value(QStringLiteral("mp"));
    const QPixmap right = pieces.value(QStringLiteral("rp"));
    const qreal lw = left.isNull() ? 0 : left.deviceIndependentSize().width();
    const qreal rw = right.isNull() ? 0 : right.deviceIndependentSize().width();
    painter.save();
    painter.setCompositionMode(QPainter::CompositionMode_SourceOver);
    painter.setOpacity(1.0);
    painter.setRenderHint(QPainter::SmoothPixmapTransform, true);
    const qreal mw = frame.width() - lw - rw;
    if (!middle.isNull() && mw > 0)
        painter.drawPixmap(QRectF(frame.x() + lw, frame.y(), mw, frame.height()), middle,
                           QRectF(middle.rect()));
    if (!left.isNull())
        painter.drawPixmap(QRectF(frame.x(), frame.y(), lw, frame.height()), left, QRectF(left.rect()));
    if (!right.isNull())
        painter.drawPixmap(QRectF(frame.right() - rw, frame.y(), rw, frame.height()), right,
                           QRectF(right.rect()));
    painter.restore();
}

bool ThreePartImageCell::isHigh(bool pressed, bool on) const
{
    switch (style_.highWhen) {
    case HighWhen::Pressed:
        return pressed;
    case HighWhen::PressedOrOn:
        return pressed || on;
    case HighWhen::Never:
        return false;
    }
    return false;
}

ThreePartImageCell::Artwork ThreePartImageCell::artworkFor(bool enabled, bool pressed, bool on) const
{
    if (!enabled) return Artwork::Inactive;
    return isHigh(pressed, on) ? Artwork::High : Artwork::Normal;
}

const ThreePartImageCell::Pieces& ThreePartImageCell::pieces(Artwork which) const
{
    switch (which) {
    case Artwork::High:
        return imgHigh_;
    case Artwork::Inactive:
        return imgInactive_;
    case Artwork::Normal:
        break;
    }
    return imgNormal_;
}

qreal ThreePartImageCell::titleAlpha(bool enabled, bool pressed, bool on) const
{
    if (isHigh(pressed, on)) return enabled ? style_.highAlpha : style_.highAlphaDisabled;
    return enabled ? style_.normalAlpha : style_.normalAlphaDisabled;
}

QRectF ThreePartImageCell::titleRect(const QRectF& frame) const
{
    return QRectF(frame.x(), frame.y() + style_.titleDy, frame.width() + style_.titleDw, frame.height());
}

void ThreePartImageCell::drawInterior(QPainter& painter, const QRectF& frame, bool enabled, bool pressed,
                                      bool on) const
{
    drawThreePartImage(painter, frame, pieces(artworkFor(enabled, pressed, on)));
}

void ThreePartImageCell::drawTitle(QPainter& painter, const QRectF& frame, const QString& title,
                                   const QFont& font, Qt::Alignment alignment, bool enabled, bool pressed,
                                   bool on) const
{
    if (title.isEmpty()) return;
    const QRectF rect = titleRect(frame);
    const QString shown = QFontMetricsF(font).elidedText(title, Qt::ElideRight, rect.width());
    painter.save();
    painter.setFont(font);
    if (style_.titleShadow) {
        // Black at alpha 0.6, one point right and one down.
        painter.setPen(grey(0.0, 0.6));
        painter.drawText(rect.translated(1, 1), alignment, shown);
    }
    painter.setPen(grey(1.0, titleAlpha(enabled, pressed, on)));
    painter.drawText(rect, alignment, shown);
    painter.restore();
}

void ThreePartImageCell::drawButton(QPainter& painter, const QRectF& frame, const QPixmap& image,
                                    const QString& title, const QFont& font, Qt::Alignment alignment,
                                    bool enabled, bool pressed, bool on) const
{
    drawInterior(painter, frame, enabled, pressed, on);
    QRectF titleFrame = frame;
    if (!image.isNull()) {
        const QSizeF size = image.deviceIndependentSize();
        QRectF imageFrame(QPointF(0, frame.center().y() - size.height() / 2), size);
        if (title.isEmpty()) {
            imageFrame.moveLeft(frame.center().x() - size.width() / 2);
        } else {
            imageFrame.moveLeft(titleFrame.x() + 4);
            titleFrame.setLeft(imageFrame.right() + 2);
        }
        painter.save();
        painter.setOpacity(enabled ? 1.0 : 0.5);
        painter.drawPixmap(imageFrame, image, QRectF(image.rect()));
        painter.restore();
    }
    drawTitle(painter, titleFrame, title, font, alignment, enabled, pressed, on);
}
