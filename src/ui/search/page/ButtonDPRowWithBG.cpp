#include "ui/search/page/ButtonDPRowWithBG.h"

#include "controls/Artwork.h"

#include <QPainter>

QString ButtonDPRowWithBG::hoverImageName(const QString& imagename)
{
    const QString hover = imagename + QStringLiteral("_hover");
    return Artwork::contains(hover) ? hover : imagename;
}

void ButtonDPRowWithBG::paint(QPainter& painter, const QRect& cell, const QString& imagename, bool hovered)
{
    if (imagename.isEmpty()) return;
    const QString name = hovered ? hoverImageName(imagename) : imagename;
    const QSize size(16, 16);
    const QRect at(cell.left() + (cell.width() - size.width()) / 2, cell.top() + (cell.height() - size.height()) / 2,
                   size.width(), size.height());
    painter.save();
    painter.setOpacity(hovered ? 1.0 : 0.8);
    painter.drawPixmap(at, Artwork::pixmap(name, size));
    painter.restore();
}
