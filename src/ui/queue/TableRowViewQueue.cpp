#include "ui/queue/TableRowViewQueue.h"

#include <QPainter>

QRectF TableRowViewQueue::cardRect(const QRectF& r)
{
    return QRectF(r.x() + 10, r.y() + 10, r.width() - 20, r.height() - 10);
}

QRectF TableRowViewQueue::stripRect(const QRectF& r)
{
    const QRectF c = cardRect(r);
    return QRectF(c.x(), c.y(), 60, c.height());
}

QRectF TableRowViewQueue::lineRect(const QRectF& r)
{
    const QRectF c = cardRect(r);
    return QRectF(c.x(), c.bottom() - 1, c.width(), 1);
}

QRectF TableRowViewQueue::borderRect(const QRectF& r)
{
    const QRectF c = cardRect(r);
    return QRectF(c.x() + 62, c.y() + 2, c.width() - 64, 54);
}

void TableRowViewQueue::makeContextMenuBorderWithRect(QPainter& p, const QRectF& rect, const QColor& color)
{
    p.setPen(QPen(color, 4.0, Qt::SolidLine, Qt::SquareCap, Qt::MiterJoin));
    p.setBrush(Qt::NoBrush);
    p.drawRect(rect);
}

void TableRowViewQueue::drawBackgroundInRect(QPainter& p, const QRectF& row) const
{
    p.save();
    p.fillRect(cardRect(row), Qt::white);
    if (bgColor.isValid()) p.fillRect(stripRect(row), bgColor);
    p.setCompositionMode(QPainter::CompositionMode_SourceAtop);
    p.fillRect(lineRect(row), lineColor());
    p.setCompositionMode(QPainter::CompositionMode_SourceOver);
    if (hasBorder) makeContextMenuBorderWithRect(p, borderRect(row), borderColor());
    p.restore();
}

void TableRowViewQueue::drawSelectionInRect(QPainter& p, const QRectF& row) const
{
    p.save();
    p.fillRect(cardRect(row), cardSelectedColor());
    p.setCompositionMode(QPainter::CompositionMode_SourceAtop);
    p.fillRect(stripRect(row), QColor::fromRgbF(0, 0, 0, 0.15));
    p.fillRect(lineRect(row), QColor::fromRgbF(0, 0, 0, 0.1));
    p.setCompositionMode(QPainter::CompositionMode_SourceOver);
    if (hasBorder) makeContextMenuBorderWithRect(p, borderRect(row), QColor::fromRgbF(0, 0, 0, 0.5));
    p.restore();
}
