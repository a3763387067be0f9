#include "controls/TVLButtonCell.h"

#include "controls/SRGB.h"

#include <QFontMetricsF>
#include <QPainter>

void TVLButtonCell::awakeFromNib()
{
    if (awake_) return;
    awake_ = true;
    if (!backgroundColorDefault_.isValid()) backgroundColorDefault_ = grey(0.965);
    if (!backgroundColorActive_.isValid()) backgroundColorActive_ = grey(1.0);
    if (!borderColor_.isValid()) borderColor_ = grey(0.541);
    if (isLeft_ || isMiddle_ || isRight_) borderColor_ = withAlpha(borderColor_, 0.526);
    if (!textColor_.isValid()) textColor_ = grey(0.0);
    if (!textColorHi_.isValid()) textColorHi_ = srgb(0.176, 0.467, 0.706);
    if (!tintColorHi_.isValid()) tintColorHi_ = srgb(0.137, 0.514, 0.969);
    if (tintColorAlpha_ == 0.0f) tintColorAlpha_ = 1.0f;
    if (fontSize_ < 1) fontSize_ = 13;
    if (!image_.isNull()) defaultImage_ = image_.copy();
    backgroundColor_ = backgroundColorDefault_;
}

TVLButtonCell::Shape TVLButtonCell::shape() const
{
    if (isLeft_) return Shape::Left;
    if (isMiddle_) return Shape::Middle;
    if (isRight_) return Shape::Right;
    return Shape::Default;
}

QColor TVLButtonCell::effectiveBorderColorHi() const
{
    return borderColorHi_.isValid() ? borderColorHi_ : borderColor_;
}

TVLButtonCell::Look TVLButtonCell::look(const DrawState& state) const
{
    Look look;
    // A cell without an image keeps whatever image it is given later.
    const bool hasImage = !defaultImage_.isNull();
    auto choose = [&](bool lit, bool colours) {
        if (hasImage) {
            look.setsImage = true;
            look.image = lit ? alternateImage_ : defaultImage_;
        }
        if (colours) {
            look.setsColours = true;
            look.background = lit ? backgroundColorActive_ : backgroundColorDefault_;
            look.border = lit ? effectiveBorderColorHi() : borderColor_;
        }
    };
    if (isOnOff_) {
        // While pressed the button shows the state it will have after the click.
        choose(state.pressed ? !state.on : state.on, !isBorderless_);
    } else if (!isBorderless_) {
        look.setsColours = true;
        look.background = state.pressed ? backgroundColorActive_ : backgroundColorDefault_;
        look.border = state.pressed ? effectiveBorderColorHi() : borderColor_;
    }
    if (doHover_) choose(mouseInside_, true);
    return look;
}

QColor TVLButtonCell::titleColor(const DrawState& state) const
{
    QColor color;
    if (isOnOff_)
        color =
            state.pressed ? (state.on ? textColor_ : textColorHi_) : (state.on ? textColorHi_ : textColor_);
    else
        color = (state.pressed || mouseInside_) ? textColorHi_ : textColor_;
    if (!state.enabled) color = withAlpha(color, 0.5);
    return color;
}

QRectF TVLButtonCell::drawInterior(QPainter& painter, const QRectF& frame, const DrawState& state,
                                   const QString& title, const QFont& font)
{
    makeAlternateImageWithColor(tintColorHi_);
    const Look chosen = look(state);
    if (chosen.setsImage) image_ = chosen.image;
    QColor border = borderColor_;
    if (chosen.setsColours) {
        backgroundColor_ = chosen.background;
        border = chosen.border;
    }
    if (isBorderless_) {
        drawImageAndTitle(painter, frame, state, title, font);
        return frame;
    }
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing, true);
    QRectF content;
    switch (shape()) {
    case Shape::Left:
        content = drawLeftButtonWithFrame(painter, frame, state.pressed);
        break;
    case Shape::Middle:
        content = drawMiddleButtonWithFrame(painter, frame, state.pressed);
        break;
    case Shape::Right:
        content = drawRightButtonWithFrame(painter, frame, state.pressed);
        break;
    case Shape::Default:
        content = drawDefaultButtonWithFrame(painter, frame, border, backgroundColor_);
        break;
    }
    painter.restore();
    drawImageAndTitle(painter, content, state, title, font);
    return content;
}

QRectF TVLButtonCell::drawDefaultButtonWithFrame(QPainter& painter, const QRectF& f, const QColor& border,
                                                 const QColor& background) const
{
    QPainterPath path;
    path.addRoundedRect(QRectF(f.x() + 1, f.y() + 1, f.width() - 2, f.height() - 2), 2, 2);
    painter.setPen(QPen(border, 1));
    painter.setBrush(Qt::NoBrush);
    painter.drawPath(path);
    painter.fillPath(path, background);
    return QRectF(f.x() + 2, f.y() + 1, f.width() - 4, f.height() - 2);
}

QRectF TVLButtonCell::drawLeftButtonWithFrame(QPainter& painter, const QRectF& f, bool pressed) const
{
    painter.fillPath(makeFirstSegmentFromRect(f, 8), pressed ? effectiveBorderColorHi() : borderColor_);
    painter.fillPath(makeFirstSegmentFromRect(QRectF(f.x() + 1, f.y() + 1, f.width(), f.height() - 2), 6),
                     backgroundColor_);
    drawSeparatorForRect(painter, f);
    return QRectF(f.x() + 2, f.y() + 2, f.width() - 4, f.height() - 4);
}

QRectF TVLButtonCell::drawMiddleButtonWithFrame(QPainter& painter, const QRectF& f, bool pressed) const
{
    painter.fillRect(f, pressed ? effectiveBorderColorHi() : borderColor_);
    painter.fillRect(QRectF(f.x(), f.y() + 1, f.width(), f.height() - 2), backgroundColor_);
    drawSeparatorForRect(painter, f);
    return QRectF(f.x() + 1, f.y() + 2, f.width() - 4, f.height() - 4);
}

QRectF TVLButtonCell::drawRightButtonWithFrame(QPainter& painter, const QRectF& f, bool pressed) const
{
    painter.fillPath(makeLastSegmentFromRect(f, 8), pressed ? effectiveBorderColorHi() : borderColor_);
    painter.fillPath(makeLastSegmentFromRect(QRectF(f.x() - 1, f.y() + 1, f.width(), f.height() - 2), 6),
                     backgroundColor_);
    return QRectF(f.x() + 1, f.y() + 2, f.width() - 4, f.height() - 4);
}

void TVLButtonCell::drawSeparatorForRect(QPainter& painter, const QRectF& f) const
{
    painter.save();
    painter.setCompositionMode(QPainter::CompositionMode_SourceOver);
    painter.fillRect(QRectF(f.x() + f.width() - 1, f.y() + 1, 1, f.height() - 2),
                     withAlpha(borderColor_, 0.3));
    painter.restore();
}

QPainterPath TVLButtonCell::makeFirstSegmentFromRect(const QRectF& rect, int radius)
{
    const qreal x = rect.x(), y = rect.y(), w = rect.width(), h = rect.height(), r = radius;
    QPainterPath path;
    path.moveTo(x + w, y);
    path.lineTo(x + w, y + h);
    path.lineTo(x + r, y + h);
    path.cubicTo(QPointF(x, y + h), QPointF(x, y + h), QPointF(x, y + h - r));
    path.lineTo(x, y + r);
    path.cubicTo(QPointF(x, y), QPointF(x, y), QPointF(x + r, y));
    path.closeSubpath();
    return path;
}

QPainterPath TVLButtonCell::makeLastSegmentFromRect(const QRectF& rect, int radius)
{
    const qreal x = rect.x(), y = rect.y(), w = rect.width(), h = rect.height(), r = radius;
    QPainterPath path;
    path.moveTo(x, y + h);
    path.lineTo(x, y);
    path.lineTo(x + w - r, y);
    path.cubicTo(QPointF(x + w, y), QPointF(x + w, y), QPointF(x + w, y + r));
    path.lineTo(x + w, y + h - r);
    path.cubicTo(QPointF(x + w, y + h), QPointF(x + w, y + h), QPointF(x + w - r, y + h));
    path.closeSubpath();
    return path;
}

void TVLButtonCell::makeAlternateImageWithColor(const QColor& color)
{
    if (defaultImage_.isNull() || !alternateImage_.isNull()) return;
    QPixmap tinted = image_.isNull() ? defaultImage_.copy() : image_.copy();
    QPainter p(&tinted);
    p.setCompositionMode(QPainter::CompositionMode_SourceAtop);
    p.fillRect(QRectF(QPointF(0, 0), tinted.deviceIndependentSize()), withAlpha(color, tintColorAlpha_));
    p.end();
    alternateImage_ = tinted;
}

QRectF TVLButtonCell::adjustedImageFrame(const QRectF& frame, const QString& title)
{
    return title.isEmpty() ? frame : frame.translated(5, 0);
}

bool TVLButtonCell::mouseEntered(bool enabled)
{
    if (!doHover_ || !enabled) return false;
    mouseInside_ = true;
    return true;
}

bool TVLButtonCell::mouseExited()
{
    if (!doHover_) return false;
    mouseInside_ = false;
    return true;
}

void TVLButtonCell::drawImageAndTitle(QPainter& painter, const QRectF& content, const DrawState& state,
                                      const QString& title, const QFont& font) const
{
    // The platform's image-left layout: the image at the left edge of the
    // content, the title centred in what remains; a lone image or title is
    // centred.
    QRectF titleRect = content;
    if (!image_.isNull()) {
        const QSizeF size = image_.deviceIndependentSize();
        QRectF imageFrame(QPointF(0, content.center().y() - size.height() / 2), size);
        if (title.isEmpty()) {
            imageFrame.moveLeft(content.center().x() - size.width() / 2);
        } else {
            imageFrame.moveLeft(content.x());
            titleRect.setLeft(content.x() + size.width());
        }
        painter.drawPixmap(adjustedImageFrame(imageFrame, title), image_, QRectF(image_.rect()));
    }
    if (title.isEmpty()) return;
    painter.save();
    painter.setFont(font);
    painter.setPen(titleColor(state));
    const QString shown = QFontMetricsF(font).elidedText(title, Qt::ElideRight, titleRect.width());
    painter.drawText(titleRect, Qt::AlignCenter, shown);
    painter.restore();
}
