#include "controls/CoreArtwork.h"

#include "controls/Artwork.h"

#include "controls/ArtworkPainting.h"

#include <QFile>
#include <QIcon>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>

namespace {

// A wide download arrow over a bar, on a 128-unit grid; the launcher shows it
// faded behind the progress bar.
void paintDownloadDockIcon(QPainter& p, const QRectF& bounds)
{
    p.save();
    p.translate(bounds.topLeft());
    p.scale(bounds.width() / 128.0, bounds.height() / 128.0);
    p.setRenderHint(QPainter::Antialiasing);
    QLinearGradient fill(0, 0, 0, 128);
    fill.setColorAt(0.0, QColor(90, 170, 240));
    fill.setColorAt(1.0, QColor(20, 80, 160));
    QPainterPath arrow;
    arrow.moveTo(44, 8);
    arrow.lineTo(84, 8);
    arrow.lineTo(84, 56);
    arrow.lineTo(112, 56);
    arrow.lineTo(64, 104);
    arrow.lineTo(16, 56);
    arrow.lineTo(44, 56);
    arrow.closeSubpath();
    p.setPen(Qt::NoPen);
    p.setBrush(fill);
    p.drawPath(arrow);
    p.drawRoundedRect(QRectF(16, 110, 96, 12), 6, 6);
    p.restore();
}

// The side-bar glyphs: light line drawings on a 24-unit grid for the dark
// side bar.
const QColor kSideBarGlyph(232, 236, 240);
const qreal kSideBarStroke = 2.0;

void sideBarSearch(QPainter& p)
{
    ArtworkPainting::magnifier(p, QRectF(3, 3, 18, 18), kSideBarGlyph, kSideBarStroke);
}

// The download list: three rows, each with its bullet.
void sideBarQueue(QPainter& p)
{
    p.setPen(ArtworkPainting::glyphPen(kSideBarGlyph, kSideBarStroke));
    for (qreal y : {6.0, 12.0, 18.0}) {
        p.drawPoint(QPointF(4.5, y));
        p.drawLine(QPointF(9, y), QPointF(20, y));
    }
}

// An eye: the saved searches keep watch.
void sideBarWatchdog(QPainter& p)
{
    QPainterPath eye;
    eye.moveTo(2.5, 12);
    eye.quadTo(12, 2.5, 21.5, 12);
    eye.quadTo(12, 21.5, 2.5, 12);
    p.setPen(ArtworkPainting::glyphPen(kSideBarGlyph, kSideBarStroke));
    p.setBrush(Qt::NoBrush);
    p.drawPath(eye);
    p.setPen(Qt::NoPen);
    p.setBrush(kSideBarGlyph);
    p.drawEllipse(QPointF(12, 12), 3.4, 3.4);
}

// An arrow rising out of a tray: upload.
void sideBarPost(QPainter& p)
{
    const QPen pen = ArtworkPainting::glyphPen(kSideBarGlyph, kSideBarStroke);
    p.setPen(pen);
    p.drawLine(QPointF(12, 15), QPointF(12, 3.5));
    ArtworkPainting::chevron(p, QPointF(12, 6.5), 10, ArtworkPainting::Direction::Up, pen);
    QPainterPath tray;
    tray.moveTo(4, 14);
    tray.lineTo(4, 20);
    tray.lineTo(20, 20);
    tray.lineTo(20, 14);
    p.setPen(pen);
    p.setBrush(Qt::NoBrush);
    p.drawPath(tray);
}

void sideBarStatistics(QPainter& p)
{
    p.setPen(Qt::NoPen);
    p.setBrush(kSideBarGlyph);
    p.drawRoundedRect(QRectF(4, 12, 4, 8), 1, 1);
    p.drawRoundedRect(QRectF(10, 5, 4, 15), 1, 1);
    p.drawRoundedRect(QRectF(16, 9, 4, 11), 1, 1);
    p.setPen(ArtworkPainting::glyphPen(kSideBarGlyph, 1.2));
    p.drawLine(QPointF(2.5, 21.5), QPointF(21.5, 21.5));
}

// A page with lines of text.
void sideBarLog(QPainter& p)
{
    p.setPen(ArtworkPainting::glyphPen(kSideBarGlyph, kSideBarStroke - 0.4));
    p.setBrush(Qt::NoBrush);
    p.drawRoundedRect(QRectF(5, 2.8, 14, 18.4), 2, 2);
    for (qreal y : {8.0, 12.0, 16.0})
        p.drawLine(QPointF(8.5, y), QPointF(y == 16.0 ? 12.5 : 15.5, y));
}

struct SideBarGlyph
{
    const char* name;
    void (*draw)(QPainter&);
};

const SideBarGlyph kSideBarGlyphs[] = {
    {CoreArtwork::kSideBarSearch, sideBarSearch},       {CoreArtwork::kSideBarQueue, sideBarQueue},
    {CoreArtwork::kSideBarWatchdog, sideBarWatchdog},   {CoreArtwork::kSideBarPost, sideBarPost},
    {CoreArtwork::kSideBarStatistics, sideBarStatistics}, {CoreArtwork::kSideBarLog, sideBarLog},
};

QByteArray programIconSvg()
{
    QFile file(QString::fromLatin1(CoreArtwork::kProgramIconResource));
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

const char kCautionSvg[] =
    R"(<svg xmlns="http://www.w3.org/2000/svg" width="64" height="64" viewBox="0 0 64 64">
  <path d="M32 5 L60 55 Q61.5 59 57 59 L7 59 Q2.5 59 4 55 Z" fill="#f7c21b" stroke="#8a6a00"
        stroke-width="2.5" stroke-linejoin="round"/>
  <rect x="29" y="20" width="6" height="24" rx="3" fill="#1f1f1f"/>
  <circle cx="32" cy="51" r="3.6" fill="#1f1f1f"/>
</svg>)";

} // namespace

void CoreArtwork::registerImages()
{
    Artwork::addSvg(QString::fromLatin1(kApplicationIcon), programIconSvg());
    Artwork::addSvg(QString::fromLatin1(kCaution), QByteArray(kCautionSvg));
    Artwork::addPainted(QString::fromLatin1(kDownloadDockIcon), QSize(1024, 1024), paintDownloadDockIcon);
    for (const SideBarGlyph& glyph : kSideBarGlyphs) {
        const auto draw = glyph.draw;
        Artwork::addPainted(QString::fromLatin1(glyph.name), QSize(24, 24), [draw](QPainter& p, const QRectF& b) {
            p.save();
            ArtworkPainting::mapGrid(p, b, QSizeF(24, 24));
            p.setRenderHint(QPainter::Antialiasing);
            draw(p);
            p.restore();
        });
    }
}

QStringList CoreArtwork::sideBarNames()
{
    QStringList names;
    for (const SideBarGlyph& glyph : kSideBarGlyphs)
        names << QString::fromLatin1(glyph.name);
    return names;
}

QIcon CoreArtwork::applicationIcon()
{
    QIcon icon;
    for (int size : {16, 24, 32, 48, 64, 128, 256})
        icon.addPixmap(QPixmap::fromImage(Artwork::image(QString::fromLatin1(kApplicationIcon), QSize(size, size))));
    return icon;
}
