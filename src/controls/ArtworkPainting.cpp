#include "controls/ArtworkPainting.h"

#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>

#include <cmath>

void ArtworkPainting::mapGrid(QPainter& p, const QRectF& bounds, const QSizeF& grid)
{
    p.translate(bounds.topLeft());
    p.scale(bounds.width() / grid.width(), bounds.height() / grid.height());
}

void ArtworkPainting::plate(QPainter& p, const QRectF& rect, qreal radius, const QColor& top,
                            const QColor& bottom, const QColor& edge)
{
    p.save();
    p.setRenderHint(QPainter::Antialiasing);
    const QRectF body = rect.adjusted(0.5, 0.5, -0.5, -0.5);
    QLinearGradient fill(body.topLeft(), body.bottomLeft());
    fill.setColorAt(0, top);
    fill.setColorAt(1, bottom);
    p.setPen(QPen(edge, 1));
    p.setBrush(fill);
    p.drawRoundedRect(body, radius, radius);
    // The light catches the upper inner edge.
    QColor shine = top.lighter(135);
    shine.setAlphaF(0.55f * top.alphaF());
    p.setPen(QPen(shine, 1));
    p.setBrush(Qt::NoBrush);
    const qreal inset = std::min(radius, body.width() / 2);
    p.drawLine(QPointF(body.left() + inset, body.top() + 1), QPointF(body.right() - inset, body.top() + 1));
    p.restore();
}

void ArtworkPainting::disc(QPainter& p, const QRectF& rect, const QColor& color)
{
    p.save();
    p.setRenderHint(QPainter::Antialiasing);
    QLinearGradient fill(rect.topLeft(), rect.bottomLeft());
    fill.setColorAt(0, color.lighter(122));
    fill.setColorAt(1, color.darker(112));
    const qreal rim = std::max<qreal>(1.0, rect.width() / 24.0);
    p.setPen(QPen(color.darker(145), rim));
    p.setBrush(fill);
    p.drawEllipse(rect.adjusted(rim / 2, rim / 2, -rim / 2, -rim / 2));
    p.restore();
}

namespace {
// The three points of an arrow head `size` wide and `depth` deep, pointing
// in `direction`.
QPolygonF arrowHead(const QPointF& c, qreal size, qreal depth, ArtworkPainting::Direction direction)
{
    const qreal h = size / 2, q = depth / 2;
    switch (direction) {
    case ArtworkPainting::Direction::Up:
        return {QPointF(c.x() - h, c.y() + q), QPointF(c.x(), c.y() - q), QPointF(c.x() + h, c.y() + q)};
    case ArtworkPainting::Direction::Down:
        return {QPointF(c.x() - h, c.y() - q), QPointF(c.x(), c.y() + q), QPointF(c.x() + h, c.y() - q)};
    case ArtworkPainting::Direction::Left:
        return {QPointF(c.x() + q, c.y() - h), QPointF(c.x() - q, c.y()), QPointF(c.x() + q, c.y() + h)};
    case ArtworkPainting::Direction::Right:
        break;
    }
    return {QPointF(c.x() - q, c.y() - h), QPointF(c.x() + q, c.y()), QPointF(c.x() - q, c.y() + h)};
}
} // namespace

void ArtworkPainting::triangle(QPainter& p, const QPointF& centre, qreal size, Direction direction,
                               const QColor& color)
{
    p.save();
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(Qt::NoPen);
    p.setBrush(color);
    // Solid triangles are a little deeper than chevrons, so they read as
    // triangles even when small.
    p.drawPolygon(arrowHead(centre, size, size * 0.6, direction));
    p.restore();
}

void ArtworkPainting::chevron(QPainter& p, const QPointF& centre, qreal size, Direction direction,
                              const QPen& pen)
{
    p.save();
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(pen);
    p.setBrush(Qt::NoBrush);
    p.drawPolyline(arrowHead(centre, size, size / 2, direction));
    p.restore();
}

QPen ArtworkPainting::glyphPen(const QColor& color, qreal width)
{
    return QPen(color, width, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
}

void ArtworkPainting::magnifier(QPainter& p, const QRectF& rect, const QColor& color, qreal width)
{
    p.save();
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(glyphPen(color, width));
    p.setBrush(Qt::NoBrush);
    const qreal s = std::min(rect.width(), rect.height());
    const QRectF lens(rect.x() + width / 2, rect.y() + width / 2, s * 0.62, s * 0.62);
    p.drawEllipse(lens);
    const QPointF from = lens.center() + QPointF(lens.width(), lens.height()) * (0.5 / std::sqrt(2.0));
    p.drawLine(from, QPointF(rect.x() + s - width / 2 - 0.5, rect.y() + s - width / 2 - 0.5));
    p.restore();
}

void ArtworkPainting::cancelDisc(QPainter& p, const QRectF& rect, const QColor& color)
{
    p.save();
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(Qt::NoPen);
    p.setBrush(color);
    p.drawEllipse(rect);
    const qreal arm = rect.width() * 0.2;
    const QPointF c = rect.center();
    p.setPen(glyphPen(Qt::white, std::max<qreal>(1.5, rect.width() / 8)));
    p.drawLine(c + QPointF(-arm, -arm), c + QPointF(arm, arm));
    p.drawLine(c + QPointF(arm, -arm), c + QPointF(-arm, arm));
    p.restore();
}

void ArtworkPainting::tick(QPainter& p, const QRectF& r, const QPen& pen)
{
    p.save();
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(pen);
    p.setBrush(Qt::NoBrush);
    QPainterPath path;
    path.moveTo(r.x(), r.y() + r.height() * 0.55);
    path.lineTo(r.x() + r.width() * 0.38, r.bottom());
    path.lineTo(r.right(), r.y());
    p.drawPath(path);
    p.restore();
}

Artwork::Painter ArtworkPainting::inactive(Artwork::Painter normal)
{
    return [normal = std::move(normal)](QPainter& p, const QRectF& bounds) {
        const QTransform device = p.deviceTransform();
        const qreal scale = std::max<qreal>(1.0, std::sqrt(std::abs(device.determinant())));
        QImage layer((bounds.size() * scale).toSize().expandedTo(QSize(1, 1)),
                     QImage::Format_ARGB32_Premultiplied);
        layer.fill(Qt::transparent);
        {
            QPainter lp(&layer);
            lp.setRenderHints(p.renderHints());
            lp.scale(scale, scale);
            normal(lp, QRectF(QPointF(0, 0), bounds.size()));
        }
        // Half way to grey, then faded.
        for (int y = 0; y < layer.height(); ++y) {
            auto* line = reinterpret_cast<QRgb*>(layer.scanLine(y));
            for (int x = 0; x < layer.width(); ++x) {
                const QRgb c = line[x];
                const int a = qAlpha(c);
                if (a == 0) continue;
                const int g = qGray(c);
                const int na = a * 45 / 100;
                // Premultiplied: the colour channels scale with the alpha.
                const auto mix = [&](int v) { return ((v + g) / 2) * 45 / 100; };
                line[x] = qRgba(mix(qRed(c)), mix(qGreen(c)), mix(qBlue(c)), na);
            }
        }
        p.drawImage(bounds, layer);
    };
}
