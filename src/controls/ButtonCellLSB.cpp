#include "controls/ButtonCellLSB.h"

#include "controls/SRGB.h"

#include <QFontMetrics>
#include <QPainter>

ButtonCellLSB::ButtonCellLSB(QWidget* parent) : QAbstractButton(parent)
{
    setCheckable(true);
    setFocusPolicy(Qt::NoFocus);
}

void ButtonCellLSB::setImage(const QPixmap& image)
{
    image_ = image;
    update();
}

void ButtonCellLSB::setAlternateImage(const QPixmap& image)
{
    alternateImage_ = image;
    update();
}

QSize ButtonCellLSB::sizeHint() const
{
    return QSize(qMax(60, fontMetrics().horizontalAdvance(text()) + 8), 64);
}

void ButtonCellLSB::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    const QRect frame = rect();
    if (isChecked()) painter.fillRect(frame, srgb(0.337, 0.369, 0.396));
    painter.fillRect(QRect(frame.left(), frame.bottom(), frame.width(), 1), srgb(0.176, 0.204, 0.224));

    const QPixmap shown = (isDown() && !alternateImage_.isNull()) ? alternateImage_ : image_;
    if (!shown.isNull()) {
        const QSizeF size = shown.deviceIndependentSize();
        // The image sits 12 points below the top of the button.
        painter.drawPixmap(QRectF((frame.width() - size.width()) / 2, 12, size.width(), size.height()), shown,
                           QRectF(shown.rect()));
    }
    if (!text().isEmpty()) {
        const QFontMetrics fm(font());
        const QRect title(0, frame.height() - fm.height() - 6 - 2, frame.width(), fm.height());
        painter.setPen(Qt::white);
        painter.drawText(title, Qt::AlignHCenter | Qt::AlignVCenter,
                         fm.elidedText(text(), Qt::ElideRight, frame.width()));
    }
}
