#include "controls/ControlsArtwork.h"

#include "controls/Artwork.h"
#include "controls/ArtworkPainting.h"

#include <QLineF>
#include <QPainter>

using Direction = ArtworkPainting::Direction;

namespace {

// Toolbar buttons are 4 + 57 + 4 points wide, pop-ups 4 + 47 + 14: one
// width serves both, and the middle is what lies between the caps.
const QSize kThreePartSize(65, 24);
const qreal kPlateRadius = 4;

struct PlateColours
{
    QColor top, bottom, edge;
};

struct PlateArt
{
    const char* name;
    PlateColours resting, pressed;
};

// Pressed plates are darker and lit from below, as if pushed in.
const PlateArt kPlates[] = {
    {"btn_tb_dark", {{80, 87, 94}, {50, 54, 59}, {18, 20, 22}}, {{36, 39, 43}, {52, 56, 61}, {12, 13, 15}}},
    {"btn_tb_blue",
     {{96, 152, 222}, {44, 98, 172}, {20, 52, 100}},
     {{34, 78, 140}, {52, 104, 176}, {14, 38, 78}}},
    {"btn_tb_red", {{222, 96, 84}, {172, 46, 40}, {104, 22, 18}}, {{140, 34, 30}, {180, 56, 48}, {80, 14, 12}}},
};

Artwork::Painter platePainter(const PlateColours& c)
{
    return [c](QPainter& p, const QRectF& b) {
        ArtworkPainting::plate(p, b, kPlateRadius, c.top, c.bottom, c.edge);
    };
}

// A pop-up plate: the plate, a divider where the 14-point right cap begins
// and a pair of small up and down arrows in that cap.
Artwork::Painter popUpPainter(const PlateColours& c, const QColor& arrows, const QColor& divider)
{
    return [=](QPainter& p, const QRectF& b) {
        ArtworkPainting::plate(p, b, kPlateRadius, c.top, c.bottom, c.edge);
        const qreal capLeft = b.right() - 14;
        p.fillRect(QRectF(capLeft, b.top() + 4, 1, b.height() - 8), divider);
        const qreal cx = capLeft + 7, cy = b.center().y();
        const qreal gap = std::max<qreal>(2.5, b.height() / 8);
        ArtworkPainting::triangle(p, QPointF(cx, cy - gap), 6, Direction::Up, arrows);
        ArtworkPainting::triangle(p, QPointF(cx, cy + gap), 6, Direction::Down, arrows);
    };
}

struct CollapseArt
{
    const char* name;
    Direction pane; // where the pane lies that the button shows and hides
    QColor plain, hi;
};

// A window outline with the pane strip on one side and an arrow pointing at
// it. The "_hi" look (pane shown) fills the strip; the plain look leaves it
// hollow. Drawn on a 16-unit grid with its straight lines on pixel centres,
// so that it stays crisp at 1x.
void paintCollapse(QPainter& p, const QRectF& bounds, Direction pane, const QColor& colour, bool filled)
{
    p.save();
    ArtworkPainting::mapGrid(p, bounds, QSizeF(16, 16));
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(colour, 1.0));
    p.setBrush(Qt::NoBrush);
    p.drawRoundedRect(QRectF(1.5, 2.5, 13, 11), 1.5, 1.5);
    QRectF strip;
    QLineF edge;
    QPointF arrow;
    switch (pane) {
    case Direction::Down:
        strip = QRectF(2, 10, 12, 3);
        edge = QLineF(2, 9.5, 14, 9.5);
        arrow = QPointF(8, 6);
        break;
    case Direction::Left:
        strip = QRectF(2, 3, 4, 10);
        edge = QLineF(5.5, 3, 5.5, 13);
        arrow = QPointF(10, 8);
        break;
    case Direction::Right:
    case Direction::Up:
        strip = QRectF(10, 3, 4, 10);
        edge = QLineF(10.5, 3, 10.5, 13);
        arrow = QPointF(6, 8);
        break;
    }
    if (filled)
        p.fillRect(strip, colour);
    else
        p.drawLine(edge);
    ArtworkPainting::chevron(p, arrow, 6, pane, ArtworkPainting::glyphPen(colour, 1.5));
    p.restore();
}

const CollapseArt kCollapses[] = {
    // The light one sits on grey pane headers, the others on dark title bars.
    {"btn_collapse_bottom", Direction::Down, QColor(132, 138, 144), QColor(52, 58, 64)},
    {"btn_collapse_bottom_dark", Direction::Down, QColor(140, 148, 156), QColor(236, 239, 242)},
    {"btn_collapse_left", Direction::Left, QColor(140, 148, 156), QColor(236, 239, 242)},
    {"btn_collapse_right", Direction::Right, QColor(140, 148, 156), QColor(236, 239, 242)},
};

const QSize kCheckSize(14, 14);

void paintCheckBox(QPainter& p, const QRectF& b)
{
    p.save();
    ArtworkPainting::mapGrid(p, b, QSizeF(kCheckSize));
    ArtworkPainting::plate(p, QRectF(1, 1, 12, 12), 2.5, QColor(255, 255, 255), QColor(224, 227, 230),
                           QColor(128, 132, 136));
    p.restore();
}

void paintCheckTick(QPainter& p, const QRectF& b, bool mixed)
{
    p.save();
    ArtworkPainting::mapGrid(p, b, QSizeF(kCheckSize));
    const QPen pen = ArtworkPainting::glyphPen(QColor(52, 56, 60), 2.0);
    if (mixed) {
        p.setRenderHint(QPainter::Antialiasing);
        p.setPen(ArtworkPainting::glyphPen(QColor(52, 56, 60), 2.4));
        p.drawLine(QPointF(3.8, 7), QPointF(10.2, 7));
    } else {
        ArtworkPainting::tick(p, QRectF(3.8, 4, 6.6, 5.6), pen);
    }
    p.restore();
}

const QSize kFieldButtonSize(14, 14);

void paintFieldCancel(QPainter& p, const QRectF& b, const QColor& colour)
{
    p.save();
    ArtworkPainting::mapGrid(p, b, QSizeF(kFieldButtonSize));
    ArtworkPainting::cancelDisc(p, QRectF(1.5, 1.5, 11, 11), colour);
    p.restore();
}

// The field's arrow button is 7 points wide and the pop-up cell draws the
// arrow into a 14-point square: a 10-point image serves both.
const QSize kHistoryArrowSize(10, 10);

void paintHistoryArrow(QPainter& p, const QRectF& b, const QColor& colour)
{
    p.save();
    ArtworkPainting::mapGrid(p, b, QSizeF(kHistoryArrowSize));
    ArtworkPainting::triangle(p, QPointF(5, 5.5), 7.5, Direction::Down, colour);
    p.restore();
}

void addWithInactive(const QString& name, const QSize& size, const Artwork::Painter& painter)
{
    Artwork::addPainted(name, size, painter);
    Artwork::addPainted(name + QStringLiteral("_in"), size, ArtworkPainting::inactive(painter));
}

} // namespace

QStringList ControlsArtwork::names()
{
    QStringList n;
    for (const PlateArt& plate : kPlates) {
        const QString name = QString::fromLatin1(plate.name);
        n << name << name + QStringLiteral("_hi") << name + QStringLiteral("_in");
    }
    n << QStringLiteral("pop_tb_dark") << QStringLiteral("pop_tb_dark_in") << QStringLiteral("pop_transparent")
      << QStringLiteral("pop_transparent_in");
    for (const CollapseArt& c : kCollapses)
        n << QString::fromLatin1(c.name) << QString::fromLatin1(c.name) + QStringLiteral("_hi");
    for (const char* check : {"checkbox_gray", "checkbox_tick", "checkbox_tick_mixed"})
        n << QString::fromLatin1(check) << QString::fromLatin1(check) + QStringLiteral("_in");
    n << QStringLiteral("tvl_sf_cancel") << QStringLiteral("tvl_sf_cancel_hi")
      << QStringLiteral("tvl_sf_history_arrow") << QStringLiteral("tvl_sf_history_arrow_hi");
    return n;
}

void ControlsArtwork::registerImages()
{
    for (const PlateArt& plate : kPlates) {
        const QString name = QString::fromLatin1(plate.name);
        addWithInactive(name, kThreePartSize, platePainter(plate.resting));
        Artwork::addPainted(name + QStringLiteral("_hi"), kThreePartSize, platePainter(plate.pressed));
    }
    addWithInactive(QStringLiteral("pop_tb_dark"), kThreePartSize,
                    popUpPainter(kPlates[0].resting, QColor(236, 239, 242), QColor(0, 0, 0, 110)));
    // A glassy plate for dark title bars: white at low alpha.
    addWithInactive(QStringLiteral("pop_transparent"), kThreePartSize,
                    popUpPainter({QColor(255, 255, 255, 58), QColor(255, 255, 255, 26), QColor(255, 255, 255, 96)},
                                 QColor(255, 255, 255, 230), QColor(255, 255, 255, 70)));

    for (const CollapseArt& c : kCollapses) {
        const QString name = QString::fromLatin1(c.name);
        const Direction pane = c.pane;
        const QColor plain = c.plain, hi = c.hi;
        Artwork::addPainted(name, QSize(16, 16), [pane, plain](QPainter& p, const QRectF& b) {
            paintCollapse(p, b, pane, plain, false);
        });
        Artwork::addPainted(name + QStringLiteral("_hi"), QSize(16, 16),
                            [pane, hi](QPainter& p, const QRectF& b) { paintCollapse(p, b, pane, hi, true); });
    }

    addWithInactive(QStringLiteral("checkbox_gray"), kCheckSize, paintCheckBox);
    addWithInactive(QStringLiteral("checkbox_tick"), kCheckSize,
                    [](QPainter& p, const QRectF& b) { paintCheckTick(p, b, false); });
    addWithInactive(QStringLiteral("checkbox_tick_mixed"), kCheckSize,
                    [](QPainter& p, const QRectF& b) { paintCheckTick(p, b, true); });

    Artwork::addPainted(QStringLiteral("tvl_sf_cancel"), kFieldButtonSize,
                        [](QPainter& p, const QRectF& b) { paintFieldCancel(p, b, QColor(176, 180, 184)); });
    Artwork::addPainted(QStringLiteral("tvl_sf_cancel_hi"), kFieldButtonSize,
                        [](QPainter& p, const QRectF& b) { paintFieldCancel(p, b, QColor(110, 116, 122)); });
    Artwork::addPainted(QStringLiteral("tvl_sf_history_arrow"), kHistoryArrowSize,
                        [](QPainter& p, const QRectF& b) { paintHistoryArrow(p, b, QColor(120, 126, 132)); });
    Artwork::addPainted(QStringLiteral("tvl_sf_history_arrow_hi"), kHistoryArrowSize,
                        [](QPainter& p, const QRectF& b) { paintHistoryArrow(p, b, QColor(40, 44, 48)); });
}
