#pragma once

#include <QColor>
#include <QRectF>

class QPainter;

// The card a queue row is drawn as: a white card inset in the row, a
// coloured status strip at its left end, a grey line along its lower edge,
// and while the context menu is open a border around the row's content.
class TableRowViewQueue
{
public:
    QColor bgColor;
    bool hasBorder = false;

    QColor colorBackground() const { return bgColor; }
    void setColorBackground(const QColor& color) { bgColor = color; }
    bool isBordered() const { return hasBorder; }
    void setIsBordered(bool bordered) { hasBorder = bordered; }

    // The geometry, from the row's bounds.
    static QRectF cardRect(const QRectF& row);
    static QRectF stripRect(const QRectF& row);
    static QRectF lineRect(const QRectF& row);
    static QRectF borderRect(const QRectF& row);

    static QColor cardSelectedColor() { return QColor::fromRgbF(0.278, 0.447, 0.639, 1.0); }
    static QColor lineColor() { return QColor::fromRgbF(0.776, 0.776, 0.776, 1.0); }
    static QColor borderColor() { return QColor::fromRgbF(0.486, 0.533, 0.584, 1.0); }

    void drawBackgroundInRect(QPainter& painter, const QRectF& row) const;
    void drawSelectionInRect(QPainter& painter, const QRectF& row) const;

    static void makeContextMenuBorderWithRect(QPainter& painter, const QRectF& rect, const QColor& color);
};
