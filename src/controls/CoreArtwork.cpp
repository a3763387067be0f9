#include "controls/CoreArtwork.h"

#include "controls/Artwork.h"

#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>

namespace {

// A rounded tile with a download arrow dropping into a tray, drawn on a
// 128-unit grid and scaled to the requested bounds.
void paintApplicationIcon(QPainter& p, const QRectF& bounds)
{
    p.save();
    p.translate(bounds.topLeft());
    p.scale(bounds.width() / 128.0, bounds.height() / 128.0);

    QLinearGradient tile(0, 0, 0, 128);
    tile.setColorAt(0.0, QColor(58, 126, 214));
    tile.setColorAt(1.0, QColor(22, 62, 128));
    p.setPen(QPen(QColor(14, 40, 86), 2.0));
    p.setBrush(tile);
    p.drawRoundedRect(QRectF(6, 6, 116, 116), 26, 26);

    p.setPen(Qt::NoPen);
    p.setBrush(QColor(255, 255, 255, 40));
    p.drawRoundedRect(QRectF(12, 12, 104, 48), 20, 20);

    QPainterPath arrow;
    arrow.moveTo(54, 26);
    arrow.lineTo(74, 26);
    arrow.lineTo(74, 58);
    arrow.lineTo(90, 58);
    arrow.lineTo(64, 86);
    arrow.lineTo(38, 58);
    arrow.lineTo(54, 58);
    arrow.closeSubpath();
    p.setBrush(Qt::white);
    p.drawPath(arrow);

    QPainterPath tray;
    tray.moveTo(30, 84);
    tray.lineTo(30, 100);
    tray.lineTo(98, 100);
    tray.lineTo(98, 84);
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(Qt::white, 8.0, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.drawPath(tray);
    p.restore();
}

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
    Artwork::addPainted(QString::fromLatin1(kApplicationIcon), QSize(128, 128), paintApplicationIcon);
    Artwork::addSvg(QString::fromLatin1(kCaution), QByteArray(kCautionSvg));
    Artwork::addPainted(QString::fromLatin1(kDownloadDockIcon), QSize(1024, 1024), paintDownloadDockIcon);
}
