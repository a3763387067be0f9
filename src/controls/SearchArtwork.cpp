#include "controls/SearchArtwork.h"

#include "controls/Artwork.h"
#include "controls/ArtworkPainting.h"

#include <QPainter>
#include <QPainterPath>

using Direction = ArtworkPainting::Direction;

namespace {

const QColor kGlyphGrey(120, 126, 132), kGlyphDark(52, 58, 64), kLightGrey(176, 180, 184),
    kLightGreyHi(128, 134, 140), kBlue(52, 120, 200), kGreen(64, 160, 80), kRed(200, 60, 50),
    kAmber(214, 150, 30), kPink(214, 80, 130);

// Draws `draw` on a square grid of `units` mapped onto the bounds.
Artwork::Painter onGrid(qreal units, std::function<void(QPainter&)> draw)
{
    return [units, draw = std::move(draw)](QPainter& p, const QRectF& b) {
        p.save();
        ArtworkPainting::mapGrid(p, b, QSizeF(units, units));
        p.setRenderHint(QPainter::Antialiasing);
        draw(p);
        p.restore();
    };
}

// The flat search field: a white ground with a soft grey edge and caps of 6.
void paintSearchGround(QPainter& p, const QRectF& b)
{
    ArtworkPainting::plate(p, b, 5, QColor(246, 247, 248), QColor(255, 255, 255), QColor(166, 170, 174));
}

void paintPadlock(QPainter& p)
{
    p.setPen(ArtworkPainting::glyphPen(kAmber.darker(130), 1.6));
    p.setBrush(Qt::NoBrush);
    p.drawArc(QRectF(4.5, 1.8, 7, 8), 0, 180 * 16);
    p.drawLine(QPointF(4.5, 5.8), QPointF(4.5, 7.5));
    p.drawLine(QPointF(11.5, 5.8), QPointF(11.5, 7.5));
    ArtworkPainting::plate(p, QRectF(2.5, 7, 11, 8), 1.5, kAmber.lighter(120), kAmber.darker(110),
                           kAmber.darker(150));
    p.setPen(Qt::NoPen);
    p.setBrush(kAmber.darker(170));
    p.drawEllipse(QPointF(8, 10.5), 1.3, 1.3);
}

// A no-entry sign: spam and nested archives.
void paintJunk(QPainter& p)
{
    ArtworkPainting::disc(p, QRectF(1, 1, 14, 14), kRed);
    p.setPen(Qt::NoPen);
    p.setBrush(Qt::white);
    p.drawRoundedRect(QRectF(4, 6.8, 8, 2.4), 1, 1);
}

void paintBullet(QPainter& p, const QColor& colour)
{
    ArtworkPainting::disc(p, QRectF(2.5, 2.5, 7, 7), colour);
}

// A rounded tile with a white glyph: the content type of a search.
void paintContentTile(QPainter& p, const QColor& colour, bool adult)
{
    ArtworkPainting::plate(p, QRectF(1, 1, 14, 14), 3, colour.lighter(120), colour.darker(110),
                           colour.darker(150));
    if (adult) {
        QPainterPath heart;
        heart.moveTo(8, 12.2);
        heart.cubicTo(2.5, 8.6, 3.8, 3.8, 8, 6.2);
        heart.cubicTo(12.2, 3.8, 13.5, 8.6, 8, 12.2);
        p.setPen(Qt::NoPen);
        p.setBrush(Qt::white);
        p.drawPath(heart);
    } else {
        p.setPen(ArtworkPainting::glyphPen(Qt::white, 1.4));
        for (qreal y : {5.0, 8.0, 11.0})
            p.drawLine(QPointF(4.5, y), QPointF(y == 11.0 ? 8.5 : 11.5, y));
    }
}

void paintClock(QPainter& p, const QColor& colour)
{
    p.setPen(ArtworkPainting::glyphPen(colour, 1.6));
    p.setBrush(Qt::NoBrush);
    p.drawEllipse(QRectF(2.8, 2.8, 14.4, 14.4));
    p.drawLine(QPointF(10, 10), QPointF(10, 5.8));
    p.drawLine(QPointF(10, 10), QPointF(13.2, 11.8));
}

void paintBookmark(QPainter& p, const QColor& colour)
{
    QPainterPath ribbon;
    ribbon.moveTo(5, 2.8);
    ribbon.lineTo(15, 2.8);
    ribbon.lineTo(15, 17.2);
    ribbon.lineTo(10, 13.2);
    ribbon.lineTo(5, 17.2);
    ribbon.closeSubpath();
    p.setPen(ArtworkPainting::glyphPen(colour, 1.6));
    QColor fill = colour;
    fill.setAlphaF(0.25f);
    p.setBrush(fill);
    p.drawPath(ribbon);
}

// Two stacked chevrons: open (down) or close (up) the extra search fields.
void paintDoubleChevron(QPainter& p, Direction direction)
{
    const QPen pen = ArtworkPainting::glyphPen(kGlyphDark, 1.6);
    ArtworkPainting::chevron(p, QPointF(8, 5.5), 8, direction, pen);
    ArtworkPainting::chevron(p, QPointF(8, 10.5), 8, direction, pen);
}

// A short list with a bullet per line: pick newsgroups from a list.
void paintNewsgroupList(QPainter& p, const QColor& colour)
{
    for (qreal y : {4.0, 8.0, 12.0}) {
        ArtworkPainting::disc(p, QRectF(2.2, y - 1.3, 2.6, 2.6), colour);
        p.setPen(ArtworkPainting::glyphPen(colour, 1.5));
        p.drawLine(QPointF(6.5, y), QPointF(13.8, y));
    }
}

// Two arrows in opposite directions: turn a size from one unit into another.
void paintConverter(QPainter& p, const QColor& colour)
{
    const QPen pen = ArtworkPainting::glyphPen(colour, 1.5);
    p.setPen(pen);
    p.drawLine(QPointF(2.5, 5), QPointF(12.5, 5));
    p.drawLine(QPointF(3.5, 11), QPointF(13.5, 11));
    p.setPen(Qt::NoPen);
    p.setBrush(colour);
    QPainterPath right;
    right.moveTo(14, 5);
    right.lineTo(10.5, 2.2);
    right.lineTo(10.5, 7.8);
    right.closeSubpath();
    QPainterPath left;
    left.moveTo(2, 11);
    left.lineTo(5.5, 8.2);
    left.lineTo(5.5, 13.8);
    left.closeSubpath();
    p.drawPath(right);
    p.drawPath(left);
}

// A circular arrow: load a list again.
void paintReload(QPainter& p, const QColor& colour)
{
    p.setPen(ArtworkPainting::glyphPen(colour, 1.6));
    p.setBrush(Qt::NoBrush);
    p.drawArc(QRectF(3, 3, 10, 10), 100 * 16, 290 * 16);
    QPainterPath head;
    head.moveTo(7.2, 0.8);
    head.lineTo(10.6, 3.1);
    head.lineTo(7.2, 5.4);
    head.closeSubpath();
    p.setPen(Qt::NoPen);
    p.setBrush(colour);
    p.drawPath(head);
}

void paintExportResult(QPainter& p, bool ok)
{
    ArtworkPainting::disc(p, QRectF(3, 3, 42, 42), ok ? kGreen : kRed);
    const QPen pen = ArtworkPainting::glyphPen(Qt::white, 4.5);
    if (ok) {
        ArtworkPainting::tick(p, QRectF(14, 16, 20, 15), pen);
    } else {
        p.setPen(pen);
        p.drawLine(QPointF(16.5, 16.5), QPointF(31.5, 31.5));
        p.drawLine(QPointF(31.5, 16.5), QPointF(16.5, 31.5));
    }
}

struct Image
{
    const char* name;
    QSize size;
    Artwork::Painter painter;
};

QList<Image> images()
{
    const auto magnifier = [](const QColor& c, qreal width) {
        return [c, width](QPainter& p) { ArtworkPainting::magnifier(p, QRectF(2, 2, 12, 12), c, width); };
    };
    const auto cancel = [](const QColor& c) {
        return [c](QPainter& p) { ArtworkPainting::cancelDisc(p, QRectF(1.5, 1.5, 11, 11), c); };
    };
    return {
        {"sf_bg_flat", QSize(202, 22), paintSearchGround},
        {"sf_searchcell", QSize(16, 16), onGrid(16, magnifier(kGlyphGrey, 1.8))},
        {"sf_searchcell_hi", QSize(16, 16), onGrid(16, magnifier(kGlyphDark, 1.8))},
        {"sf_cancelcell", QSize(14, 14), onGrid(14, cancel(kLightGrey))},
        {"sf_cancelcell_hi", QSize(14, 14), onGrid(14, cancel(kLightGreyHi))},
        {"sf_icon_search_lightgray", QSize(16, 16), onGrid(16, magnifier(kLightGrey, 1.6))},
        {"sf_icon_cancel_lightgray", QSize(14, 14), onGrid(14, cancel(kLightGrey))},
        {"sf_icon_cancel_lightgray_hi", QSize(14, 14), onGrid(14, cancel(kLightGreyHi))},
        {"dp_icon_pwd", QSize(16, 16), onGrid(16, paintPadlock)},
        {"dp_icon_junk", QSize(16, 16), onGrid(16, paintJunk)},
        {"icon_bullet_header", QSize(12, 12), onGrid(12, [](QPainter& p) { paintBullet(p, kLightGreyHi); })},
        {"icon_bullet_new", QSize(12, 12), onGrid(12, [](QPainter& p) { paintBullet(p, kBlue); })},
        {"row_collapsed", QSize(12, 12), onGrid(12, [](QPainter& p) {
             ArtworkPainting::triangle(p, QPointF(6, 6), 8, Direction::Right, kGlyphGrey);
         })},
        {"row_expanded", QSize(12, 12), onGrid(12, [](QPainter& p) {
             ArtworkPainting::triangle(p, QPointF(6, 6), 8, Direction::Down, kGlyphGrey);
         })},
        {"sf_icon_newsgroups", QSize(16, 16), onGrid(16, [](QPainter& p) { paintNewsgroupList(p, kGlyphGrey); })},
        {"sf_icon_converter", QSize(16, 16), onGrid(16, [](QPainter& p) { paintConverter(p, kGlyphGrey); })},
        {"sf_icon_reload", QSize(16, 16), onGrid(16, [](QPainter& p) { paintReload(p, kGlyphDark); })},
        {"img_searchhistory_id_gen", QSize(16, 16), onGrid(16, [](QPainter& p) {
             paintContentTile(p, kBlue, false);
         })},
        {"img_searchhistory_id_ero", QSize(16, 16), onGrid(16, [](QPainter& p) {
             paintContentTile(p, kPink, true);
         })},
        {"btns_search_leftpane_header_history", QSize(20, 20),
         onGrid(20, [](QPainter& p) { paintClock(p, kGlyphGrey); })},
        {"btns_search_leftpane_header_history_hi", QSize(20, 20),
         onGrid(20, [](QPainter& p) { paintClock(p, kBlue); })},
        {"btns_search_leftpane_header_bookmarks", QSize(20, 20),
         onGrid(20, [](QPainter& p) { paintBookmark(p, kGlyphGrey); })},
        {"btns_search_leftpane_header_bookmarks_hi", QSize(20, 20),
         onGrid(20, [](QPainter& p) { paintBookmark(p, kBlue); })},
        {"btn_expand_searchfields_expand", QSize(16, 16),
         onGrid(16, [](QPainter& p) { paintDoubleChevron(p, Direction::Down); })},
        {"btn_expand_searchfields_collapse", QSize(16, 16),
         onGrid(16, [](QPainter& p) { paintDoubleChevron(p, Direction::Up); })},
        {"icon_nzbexport_finished", QSize(48, 48), onGrid(48, [](QPainter& p) { paintExportResult(p, true); })},
        {"icon_nzbexport_error", QSize(48, 48), onGrid(48, [](QPainter& p) { paintExportResult(p, false); })},
    };
}

} // namespace

QStringList SearchArtwork::names()
{
    QStringList n;
    for (const Image& image : images())
        n << QString::fromLatin1(image.name);
    return n;
}

void SearchArtwork::registerImages()
{
    for (const Image& image : images())
        Artwork::addPainted(QString::fromLatin1(image.name), image.size, image.painter);
}
