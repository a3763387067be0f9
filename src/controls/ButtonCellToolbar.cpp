#include "controls/ButtonCellToolbar.h"

#include "controls/SRGB.h"

#include <QFontMetrics>
#include <QPainter>

ButtonCellToolbar::ButtonCellToolbar(QWidget* parent) : QAbstractButton(parent)
{
    setFocusPolicy(Qt::NoFocus);
}

void ButtonCellToolbar::setImage(const QPixmap& image)
{
    image_ = image;
    update();
}

void ButtonCellToolbar::setAlternateImage(const QPixmap& image)
{
    alternateImage_ = image;
    update();
}

QSize ButtonCellToolbar::sizeHint() const
{
    const int imageHeight = image_.isNull() ? 24 : int(image_.deviceIndependentSize().height());
    return QSize(qMax(48, fontMetrics().horizontalAdvance(text()) + 8),
                 imageHeight + fontMetrics().height() + 4);
}

void ButtonCellToolbar::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    const QRect frame = rect();
    if (isDown()) painter.fillRect(frame, srgb(0.337, 0.369, 0.396, 0.4));
    const QPixmap shown = (isDown() && !alternateImage_.isNull()) ? alternateImage_ : image_;
    if (!shown.isNull()) {
        const QSizeF size = shown.deviceIndependentSize();
        painter.drawPixmap(QRectF((frame.width() - size.width()) / 2, 0, size.width(), size.height()), shown,
                           QRectF(shown.rect()));
    }
    if (!text().isEmpty()) {
        const QFontMetrics fm(font());
        const QRect title(0, frame.height() - fm.height() - 2, frame.width(), fm.height());
        painter.setPen(Qt::white);
        painter.drawText(title, Qt::AlignHCenter | Qt::AlignVCenter,
                         fm.elidedText(text(), Qt::ElideRight, frame.width()));
    }
}
