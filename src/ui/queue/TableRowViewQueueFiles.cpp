#include "ui/queue/TableRowViewQueueFiles.h"

#include "queue/Queue.h"

#include <QPainter>

namespace {
void drawBottomLine(QPainter& painter, const QRect& bounds)
{
    painter.setCompositionMode(QPainter::CompositionMode_Darken);
    painter.fillRect(QRect(bounds.left(), bounds.bottom(), bounds.width(), 1), QColor(0, 0, 0, 26));
}
} // namespace

TableRowViewQueueFiles::TableRowViewQueueFiles()
    : bgColor_(Queue::getFilesPanelRowColorForKey(QStringLiteral("defaultRowColor"))),
      highLightColor_(Queue::getFilesPanelRowColorForKey(QStringLiteral("selectedRowColor"))),
      highLightInactiveColor_(Queue::getFilesPanelRowColorForKey(QStringLiteral("selectedInactiveRowColor")))
{
}

void TableRowViewQueueFiles::drawBackground(QPainter& painter, const QRect& bounds, const QColor& color)
{
    painter.save();
    if (color.isValid()) painter.fillRect(bounds, color);
    painter.setCompositionMode(QPainter::CompositionMode_Overlay);
    painter.fillRect(QRect(bounds.left(), bounds.top(), bounds.width(), 1), QColor(255, 255, 255, 128));
    drawBottomLine(painter, bounds);
    painter.restore();
}

void TableRowViewQueueFiles::drawSelection(QPainter& painter, const QRect& bounds, bool emphasized) const
{
    painter.save();
    const QColor c = emphasized ? highLightColor_ : highLightInactiveColor_;
    if (c.isValid()) painter.fillRect(bounds, c);
    drawBottomLine(painter, bounds);
    painter.restore();
}
