#include "controls/OutlineDisclosureButton.h"

#include "controls/Artwork.h"

#include <QPainter>

OutlineDisclosureButton::OutlineDisclosureButton()
    : image_(Artwork::pixmap(QStringLiteral("row_collapsed"))),
      alternateImage_(Artwork::pixmap(QStringLiteral("row_expanded")))
{}

void OutlineDisclosureButton::draw(QPainter& painter, const QRect& rect, bool expanded) const
{
    const QPixmap& art = expanded ? alternateImage_ : image_;
    const QSize size = art.deviceIndependentSize().toSize();
    painter.drawPixmap(QRect(rect.center() - QPoint(size.width() / 2, size.height() / 2), size), art);
}
