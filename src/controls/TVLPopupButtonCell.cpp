#include "controls/TVLPopupButtonCell.h"

#include "controls/Artwork.h"
#include "controls/SRGB.h"

#include <QFontMetricsF>
#include <QPainter>
#include <QPainterPath>

void TVLPopupButtonCell::awakeFromNib()
{
    if (awake_) return;
    awake_ = true;
    if (!backgroundColorDefault_.isValid()) backgroundColorDefault_ = grey(0.965);
    if (!backgroundColorActive_.isValid()) backgroundColorActive_ = grey(1.0);
    if (!borderColor_.isValid()) borderColor_ = grey(0.541);
    if (!textColor_.isValid()) textColor_ = grey(0.0);
    if (fontSize_ < 1) fontSize_ = 13;
    backgroundColor_ = backgroundColorDefault_;
    if (arrowImage_.isNull()) arrowImage_ = Artwork::pixmap(arrowImageName());
}

QColor TVLPopupButtonCell::backgroundColorFor(bool pressed) const
{
    return pressed ? backgroundColorActive_ : backgroundColorDefault_;
}

QRectF TVLPopupButtonCell::titleRect(const QRectF& frame, qreal itemImageWidth)
{
    const qreal x = itemImageWidth > 0 ? itemImageWidth + 4 + 10 : 10;
    return QRectF(x, frame.y() - 1, frame.width() - 8, frame.height());
}

QRectF TVLPopupButtonCell::arrowRect(const QRectF& frame)
{
    return QRectF(frame.width() - 13, frame.height() / 2 - 7, 14, 14);
}

QRectF TVLPopupButtonCell::dividerRect(const QRectF& frame)
{
    return QRectF(frame.width() - 13, frame.y() + 2, 1, frame.height() - 4);
}

void TVLPopupButtonCell::drawInterior(QPainter& painter, const QRectF& f, bool pressed, const QString& title,
                                      const QPixmap& itemImage, const QFont& font) const
{
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing, true);
    QPainterPath box;
    box.addRoundedRect(QRectF(f.x() + 1, f.y() + 1, f.width() - 2, f.height() - 2), 2, 2);
    painter.setPen(QPen(borderColor_, 1));
    painter.drawPath(box);
    painter.fillPath(box, backgroundColorFor(pressed));
    painter.setCompositionMode(QPainter::CompositionMode_SourceOver);
    painter.fillRect(dividerRect(f), withAlpha(borderColor_, 0.2));
    if (!arrowImage_.isNull()) painter.drawPixmap(arrowRect(f), arrowImage_, QRectF(arrowImage_.rect()));
    painter.restore();

    // The interior proper: the item image at the origin, then the title.
    const QRectF interior(f.x() + 2, f.y() + 1, f.width() - 4, f.height() - 2);
    qreal imageWidth = 0;
    if (!itemImage.isNull()) {
        const QSizeF size = itemImage.deviceIndependentSize();
        imageWidth = size.width();
        painter.drawPixmap(QRectF(QPointF(0, 0), size), itemImage, QRectF(itemImage.rect()));
    }
    if (title.isEmpty()) return;
    QRectF text = titleRect(interior, imageWidth);
    // The arrow keeps its place.
    text.setRight(qMin(text.right(), dividerRect(f).left() - 2));
    painter.save();
    painter.setFont(font);
    painter.setPen(textColor_);
    painter.drawText(text, Qt::AlignLeft | Qt::AlignVCenter,
                     QFontMetricsF(font).elidedText(title, Qt::ElideRight, text.width()));
    painter.restore();
}
