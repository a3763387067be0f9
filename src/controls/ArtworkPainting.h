#pragma once

#include "controls/Artwork.h"

#include <QColor>
#include <QPen>
#include <QPointF>
#include <QRectF>
#include <QSizeF>

class QPainter;

// The few drawing steps every image of the program is made of, so that
// buttons, glyphs and badges share one look: rounded plates with a vertical
// gradient and a hairline edge, round badges, chevrons and triangles, the
// magnifier and the cancel disc, and the faded look of disabled artwork.
class ArtworkPainting
{
public:
    enum class Direction { Up, Down, Left, Right };

    // Maps a drawing grid of `grid` units onto `bounds`. Call between the
    // painter's save() and restore().
    static void mapGrid(QPainter& p, const QRectF& bounds, const QSizeF& grid);

    // A rounded plate over `rect`: a vertical gradient from `top` to `bottom`,
    // a 1-unit `edge` and a faint highlight along the inner top edge. The
    // edge is drawn on the half unit so that it stays crisp at 1x.
    static void plate(QPainter& p, const QRectF& rect, qreal radius, const QColor& top, const QColor& bottom,
                      const QColor& edge);
    // A round badge: a gradient disc in `color` with a darker rim.
    static void disc(QPainter& p, const QRectF& rect, const QColor& color);
    static void triangle(QPainter& p, const QPointF& centre, qreal size, Direction direction,
                         const QColor& color);
    static void chevron(QPainter& p, const QPointF& centre, qreal size, Direction direction, const QPen& pen);
    // A magnifying glass filling `rect`.
    static void magnifier(QPainter& p, const QRectF& rect, const QColor& color, qreal width);
    // A disc in `color` with a white cross: the "clear this field" button.
    static void cancelDisc(QPainter& p, const QRectF& rect, const QColor& color);
    // A tick filling `rect`.
    static void tick(QPainter& p, const QRectF& rect, const QPen& pen);
    // A round line cap pen, the stroke of every glyph.
    static QPen glyphPen(const QColor& color, qreal width);

    // The disabled ("_in") look of an image: the same drawing, greyed and
    // faded, so that it reads paler on any ground.
    static Artwork::Painter inactive(Artwork::Painter normal);
};
