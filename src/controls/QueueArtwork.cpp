#include "controls/QueueArtwork.h"

#include "controls/Artwork.h"

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
    QLinearGradient fill(0, 2, 0, 30);
    fill.setColorAt(0, color.lighter(125));
    fill.setColorAt(1, color.darker(115));
    p.setPen(QPen(color.darker(150), 1.2));
    p.setBrush(fill);
    p.drawEllipse(QRectF(2, 2, 28, 28));

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
        p.drawEllipse(QRectF(11, 11, 10, 10));
        for (int i = 0; i < 4; ++i) {
            p.save();
            p.translate(16, 16);
            p.rotate(45.0 * i);
            p.drawLine(QPointF(0, -8), QPointF(0, 8));
            p.restore();
        }
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

// Three-part title-bar plate: rounded dark caps and a flat middle, drawn at
// the width asked for (4 + middle + 4).
void paintDarkPlate(QPainter& p, const QRectF& b, const QColor& top, const QColor& bottom)
{
    p.save();
    p.setRenderHint(QPainter::Antialiasing);
    QLinearGradient g(b.topLeft(), b.bottomLeft());
    g.setColorAt(0, top);
    g.setColorAt(1, bottom);
    p.setPen(QPen(QColor(20, 22, 24), 1));
    p.setBrush(g);
    p.drawRoundedRect(b.adjusted(0.5, 0.5, -0.5, -0.5), 4, 4);
    p.restore();
}

// The collapse-right arrow: a chevron pointing right (pane shown) or left.
void paintCollapseRight(QPainter& p, const QRectF& b, bool hi)
{
    p.save();
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0, 0, 0, hi ? 60 : 30));
    p.drawRoundedRect(b.adjusted(1, 1, -1, -1), 3, 3);
    p.setPen(QPen(hi ? QColor(235, 238, 240) : QColor(150, 156, 162), 2.0, Qt::SolidLine, Qt::RoundCap,
                  Qt::RoundJoin));
    const double cx = b.center().x(), cy = b.center().y(), s = std::min(b.width(), b.height()) * 0.22;
    QPainterPath chevron;
    chevron.moveTo(cx - s * 0.5, cy - s);
    chevron.lineTo(cx + s * 0.5, cy);
    chevron.lineTo(cx - s * 0.5, cy + s);
    p.drawPath(chevron);
    p.drawLine(QPointF(b.right() - s * 1.2, cy - s * 1.4), QPointF(b.right() - s * 1.2, cy + s * 1.4));
    p.restore();
}

} // namespace

QStringList QueueArtwork::names()
{
    QStringList n;
    for (const Badge& b : kBadges)
        n << QString::fromLatin1(b.name);
    n << QString::fromLatin1(kPassword) << QString::fromLatin1(kPasswordSet) << QString::fromLatin1(kEdit)
      << QString::fromLatin1(kEditHi) << QStringLiteral("btn_tb_dark") << QStringLiteral("btn_tb_dark_hi")
      << QStringLiteral("btn_tb_dark_in") << QStringLiteral("btn_collapse_right")
      << QStringLiteral("btn_collapse_right_hi");
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
    Artwork::addPainted(QStringLiteral("btn_tb_dark"), QSize(65, 24), [](QPainter& p, const QRectF& r) {
        paintDarkPlate(p, r, QColor(78, 84, 90), QColor(52, 56, 60));
    });
    Artwork::addPainted(QStringLiteral("btn_tb_dark_hi"), QSize(65, 24), [](QPainter& p, const QRectF& r) {
        paintDarkPlate(p, r, QColor(40, 44, 48), QColor(30, 32, 35));
    });
    Artwork::addPainted(QStringLiteral("btn_tb_dark_in"), QSize(65, 24), [](QPainter& p, const QRectF& r) {
        paintDarkPlate(p, r, QColor(66, 70, 74), QColor(58, 61, 64));
    });
    Artwork::addPainted(QStringLiteral("btn_collapse_right"), QSize(24, 24),
                        [](QPainter& p, const QRectF& r) { paintCollapseRight(p, r, false); });
    Artwork::addPainted(QStringLiteral("btn_collapse_right_hi"), QSize(24, 24),
                        [](QPainter& p, const QRectF& r) { paintCollapseRight(p, r, true); });
}
