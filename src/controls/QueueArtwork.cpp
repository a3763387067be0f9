#include "controls/QueueArtwork.h"

#include "controls/Artwork.h"
#include "controls/ArtworkPainting.h"

#include <QPainter>
#include <QPainterPath>

namespace {

enum class Glyph {
    Dots,
    Clock,
    Pause,
    Play,
    Arrow,
    Check,
    Cross,
    Chain,
    Wrench,
    Box,
    Bang,
    UpArrow,
    Gear,
    Stack
};

struct Badge
{
    const char* name;
    QColor color;
    Glyph glyph;
};

// A round badge with a white glyph, on a 32-unit grid.
void paintBadge(QPainter& p, const QRectF& bounds, const QColor& color, Glyph glyph)
{
    p.save();
    p.translate(bounds.topLeft());
    p.scale(bounds.width() / 32.0, bounds.height() / 32.0);
    p.setRenderHint(QPainter::Antialiasing);
    ArtworkPainting::disc(p, QRectF(2, 2, 28, 28), color);

    const QPen stroke(Qt::white, 2.6, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
    p.setPen(stroke);
    p.setBrush(Qt::NoBrush);
    QPainterPath path;
    switch (glyph) {
    case Glyph::Dots:
        p.setPen(Qt::NoPen);
        p.setBrush(Qt::white);
        for (double x : {10.0, 16.0, 22.0})
            p.drawEllipse(QPointF(x, 16), 2.2, 2.2);
        break;
    case Glyph::Clock:
        p.drawEllipse(QRectF(9, 9, 14, 14));
        p.drawLine(QPointF(16, 16), QPointF(16, 11.5));
        p.drawLine(QPointF(16, 16), QPointF(19.5, 18));
        break;
    case Glyph::Pause:
        p.setPen(Qt::NoPen);
        p.setBrush(Qt::white);
        p.drawRect(QRectF(11, 10, 3.6, 12));
        p.drawRect(QRectF(17.4, 10, 3.6, 12));
        break;
    case Glyph::Play:
        path.moveTo(12.5, 9.5);
        path.lineTo(22.5, 16);
        path.lineTo(12.5, 22.5);
        path.closeSubpath();
        p.setPen(Qt::NoPen);
        p.setBrush(Qt::white);
        p.drawPath(path);
        break;
    case Glyph::Arrow:
    case Glyph::UpArrow: {
        const bool up = glyph == Glyph::UpArrow;
        const double tip = up ? 9 : 23, tail = up ? 23 : 9, wing = up ? 15 : 17;
        p.drawLine(QPointF(16, tail), QPointF(16, tip));
        path.moveTo(10.5, wing);
        path.lineTo(16, tip);
        path.lineTo(21.5, wing);
        p.drawPath(path);
        break;
    }
    case Glyph::Check:
        path.moveTo(10, 16.5);
        path.lineTo(14.5, 21);
        path.lineTo(22.5, 11);
        p.drawPath(path);
        break;
    case Glyph::Cross:
        p.drawLine(QPointF(11, 11), QPointF(21, 21));
        p.drawLine(QPointF(21, 11), QPointF(11, 21));
        break;
    case Glyph::Chain:
        p.drawRoundedRect(QRectF(8, 13, 9, 6), 3, 3);
        p.drawRoundedRect(QRectF(15, 13, 9, 6), 3, 3);
        break;
    case Glyph::Wrench:
        p.drawLine(QPointF(11, 21), QPointF(18, 14));
        p.drawEllipse(QRectF(16.5, 9, 7, 7));
        break;
    case Glyph::Box:
        p.drawRect(QRectF(10, 14, 12, 8));
        p.drawLine(QPointF(16, 18), QPointF(16, 8.5));
        p.drawLine(QPointF(13, 11.5), QPointF(16, 8.5));
        p.drawLine(QPointF(19, 11.5), QPointF(16, 8.5));
        break;
    case Glyph::Bang:
        p.drawLine(QPointF(16, 9), QPointF(16, 18));
        p.setPen(Qt::NoPen);
        p.setBrush(Qt::white);
        p.drawEllipse(QPointF(16, 22.5), 1.8, 1.8);
        break;
    case Glyph::Gear:
        // A toothed wheel: eight square teeth round a ring.
        p.setPen(Qt::NoPen);
        p.setBrush(Qt::white);
        for (int i = 0; i < 8; ++i) {
            p.save();
            p.translate(16, 16);
            p.rotate(45.0 * i);
            p.drawRoundedRect(QRectF(-1.8, -9, 3.6, 4), 0.8, 0.8);
            p.restore();
        }
        p.setPen(QPen(Qt::white, 3.2));
        p.setBrush(Qt::NoBrush);
        p.drawEllipse(QPointF(16, 16), 4.6, 4.6);
        break;
    case Glyph::Stack:
        p.drawRect(QRectF(10, 9, 12, 4));
        p.drawRect(QRectF(10, 14, 12, 4));
        p.drawRect(QRectF(10, 19, 12, 4));
        break;
    }
    p.restore();
}

const QColor kBlue(52, 120, 200), kGreen(64, 160, 80), kGrey(150, 156, 162), kOrange(226, 140, 40),
    kRed(200, 60, 50), kPurple(130, 90, 180), kTeal(40, 150, 150), kDark(90, 98, 106);

const Badge kBadges[] = {
    {"qbtn_stats_processing", kGrey, Glyph::Dots},
    {"qbtn_stats_queued", kGrey, Glyph::Clock},
    {"qbtn_stats_pause", kOrange, Glyph::Pause},
    {"qbtn_stats_resume", kGreen, Glyph::Play},
    {"qbtn_stats_downloading", kBlue, Glyph::Arrow},
    {"qbtn_stats_finished", kGreen, Glyph::Check},
    {"qbtn_stats_cancel", kRed, Glyph::Cross},
    {"qbtn_stats_joining", kTeal, Glyph::Chain},
    {"qbtn_stats_joining_in", kGrey, Glyph::Chain},
    {"qbtn_stats_repairing", kPurple, Glyph::Wrench},
    {"qbtn_stats_repairing_in", kGrey, Glyph::Wrench},
    {"qbtn_stats_extracting", kTeal, Glyph::Box},
    {"qbtn_stats_extracting_in", kGrey, Glyph::Box},
    {"qbtn_stats_error", kRed, Glyph::Bang},
    {"qbtn_stats_up_queued", kGrey, Glyph::Stack},
    {"qbtn_stats_uploading", kBlue, Glyph::UpArrow},
    {"qbtn_stats_up_finished", kGreen, Glyph::UpArrow},
    {"qbtn_stats_up_idle", kGrey, Glyph::UpArrow},
    {"qbtn_stats_up_archiving_in", kGrey, Glyph::Box},
    {"qbtn_stats_up_archiving", kTeal, Glyph::Box},
    {"qbtn_stats_up_par2creation_in", kGrey, Glyph::Gear},
    {"qbtn_stats_up_par2creation", kPurple, Glyph::Gear},
    {"qbtn_stats_up_error", kDark, Glyph::Bang},
    {"qbtn_pause", kDark, Glyph::Pause},
    {"qbtn_resume", kDark, Glyph::Play},
    {"qbtn_cancel", kDark, Glyph::Cross},
};

// A key: a ring with a bar and two teeth, on a 20-unit grid.
void paintKey(QPainter& p, const QRectF& bounds, const QColor& color)
{
    p.save();
    p.translate(bounds.topLeft());
    p.scale(bounds.width() / 20.0, bounds.height() / 20.0);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(color, 2.2, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.setBrush(Qt::NoBrush);
    p.drawEllipse(QRectF(2.5, 6.5, 7, 7));
    p.drawLine(QPointF(9.5, 10), QPointF(17.5, 10));
    p.drawLine(QPointF(15, 10), QPointF(15, 13.5));
    p.drawLine(QPointF(17.5, 10), QPointF(17.5, 13));
    p.restore();
}

// A pencil over a line, on a 16-unit grid.
void paintPencil(QPainter& p, const QRectF& bounds, const QColor& color)
{
    p.save();
    p.translate(bounds.topLeft());
    p.scale(bounds.width() / 16.0, bounds.height() / 16.0);
    p.setRenderHint(QPainter::Antialiasing);
    QPainterPath pencil;
    pencil.moveTo(3, 13);
    pencil.lineTo(3.8, 10);
    pencil.lineTo(11, 2.8);
    pencil.lineTo(13.2, 5);
    pencil.lineTo(6, 12.2);
    pencil.closeSubpath();
    p.setPen(QPen(color.darker(130), 0.8));
    p.setBrush(color);
    p.drawPath(pencil);
    p.setPen(QPen(color, 1.2));
    p.drawLine(QPointF(2, 14.5), QPointF(14, 14.5));
    p.restore();
}

// The connections switch: a power sign on a disc.
void paintPowerSwitch(QPainter& p, const QRectF& bounds, const QColor& color)
{
    p.save();
    ArtworkPainting::mapGrid(p, bounds, QSizeF(20, 20));
    p.setRenderHint(QPainter::Antialiasing);
    ArtworkPainting::disc(p, QRectF(1, 1, 18, 18), color);
    p.setPen(ArtworkPainting::glyphPen(Qt::white, 1.7));
    p.setBrush(Qt::NoBrush);
    p.drawArc(QRectF(5.5, 5.8, 9, 9), 125 * 16, -250 * 16);
    p.drawLine(QPointF(10, 4.5), QPointF(10, 10));
    p.restore();
}

enum class Piece { Left, Middle, Right };

// One piece of the sunken trough behind the small progress bars. The whole
// trough is drawn wider than the piece and cut to it, so the caps carry the
// rounded ends and the middle a plain slice; one unit stays clear above and
// below.
void paintTroughPiece(QPainter& p, const QRectF& b, Piece piece)
{
    p.save();
    p.setClipRect(b);
    const qreal unit = b.height() / 12.0;
    QRectF trough(b.x(), b.y() + unit, b.width(), b.height() - 2 * unit);
    const qreal extra = std::max<qreal>(b.width(), 8) * 4;
    if (piece != Piece::Left) trough.setLeft(trough.left() - extra);
    if (piece != Piece::Right) trough.setRight(trough.right() + extra);
    ArtworkPainting::plate(p, trough, 4.5 * unit, QColor(170, 175, 180), QColor(214, 217, 220),
                           QColor(138, 143, 148));
    p.restore();
}

} // namespace

QStringList QueueArtwork::names()
{
    QStringList n;
    for (const Badge& b : kBadges)
        n << QString::fromLatin1(b.name);
    n << QString::fromLatin1(kPassword) << QString::fromLatin1(kPasswordSet) << QString::fromLatin1(kEdit)
      << QString::fromLatin1(kEditHi)
      << QStringLiteral("btn_online") << QStringLiteral("btn_offline01") << QStringLiteral("btn_offline02")
      << QStringLiteral("grph_prgbarbg_lp") << QStringLiteral("grph_prgbarbg_mp")
      << QStringLiteral("grph_prgbarbg_rp");
    return n;
}

void QueueArtwork::registerImages()
{
    for (const Badge& b : kBadges) {
        const QColor color = b.color;
        const Glyph glyph = b.glyph;
        Artwork::addPainted(QString::fromLatin1(b.name), QSize(32, 32),
                            [color, glyph](QPainter& p, const QRectF& r) { paintBadge(p, r, color, glyph); });
    }
    Artwork::addPainted(QString::fromLatin1(kPassword), QSize(20, 20),
                        [](QPainter& p, const QRectF& r) { paintKey(p, r, QColor(90, 98, 106)); });
    Artwork::addPainted(QString::fromLatin1(kPasswordSet), QSize(20, 20),
                        [](QPainter& p, const QRectF& r) { paintKey(p, r, QColor(64, 160, 80)); });
    Artwork::addPainted(QString::fromLatin1(kEdit), QSize(16, 16),
                        [](QPainter& p, const QRectF& r) { paintPencil(p, r, QColor(120, 128, 136)); });
    Artwork::addPainted(QString::fromLatin1(kEditHi), QSize(16, 16),
                        [](QPainter& p, const QRectF& r) { paintPencil(p, r, QColor(52, 120, 200)); });
    // Online is green; offline blinks between a red and a dimmer red.
    Artwork::addPainted(QStringLiteral("btn_online"), QSize(20, 20),
                        [](QPainter& p, const QRectF& r) { paintPowerSwitch(p, r, QColor(64, 160, 80)); });
    Artwork::addPainted(QStringLiteral("btn_offline01"), QSize(20, 20),
                        [](QPainter& p, const QRectF& r) { paintPowerSwitch(p, r, QColor(206, 62, 50)); });
    Artwork::addPainted(QStringLiteral("btn_offline02"), QSize(20, 20),
                        [](QPainter& p, const QRectF& r) { paintPowerSwitch(p, r, QColor(120, 62, 58)); });
    Artwork::addPainted(QStringLiteral("grph_prgbarbg_lp"), QSize(5, 12),
                        [](QPainter& p, const QRectF& r) { paintTroughPiece(p, r, Piece::Left); });
    Artwork::addPainted(QStringLiteral("grph_prgbarbg_mp"), QSize(2, 12),
                        [](QPainter& p, const QRectF& r) { paintTroughPiece(p, r, Piece::Middle); });
    Artwork::addPainted(QStringLiteral("grph_prgbarbg_rp"), QSize(5, 12),
                        [](QPainter& p, const QRectF& r) { paintTroughPiece(p, r, Piece::Right); });
}
