#include "StandInPixmaps.h"

#include <QFont>
#include <QPainter>
#include <QPainterPath>

namespace StandInPixmaps {

QPixmap plate(const QSize& size, const QColor& color)
{
    QPixmap pm(size);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    QPainterPath path;
    path.addRoundedRect(QRectF(0.5, 0.5, size.width() - 1, size.height() - 1), 4, 4);
    p.fillPath(path, color);
    return pm;
}

QPixmap glyph(const QSize& size, const QColor& color, const QString& text)
{
    QPixmap pm(size);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    QFont f;
    f.setPixelSize(size.height() - 2);
    p.setFont(f);
    p.setPen(color);
    p.drawText(QRect(QPoint(0, 0), size), Qt::AlignCenter, text);
    return pm;
}

QPixmap capsAndMiddle(const QSize& size, int leftCap, int rightCap, const QColor& caps, const QColor& middle)
{
    QPixmap pm(size);
    pm.fill(middle);
    QPainter p(&pm);
    p.fillRect(QRect(0, 0, leftCap, size.height()), caps);
    p.fillRect(QRect(size.width() - rightCap, 0, rightCap, size.height()), caps);
    return pm;
}

} // namespace StandInPixmaps
