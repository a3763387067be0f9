#include "controls/ViewProgressBarBG.h"

#include "controls/Artwork.h"

#include <QPainter>

ViewProgressBarBG::ViewProgressBarBG(QWidget* parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("ViewProgressBarBG"));
    pieces_.insert(QStringLiteral("lp"), Artwork::pixmap(QStringLiteral("grph_prgbarbg_lp")));
    pieces_.insert(QStringLiteral("mp"), Artwork::pixmap(QStringLiteral("grph_prgbarbg_mp")));
    pieces_.insert(QStringLiteral("rp"), Artwork::pixmap(QStringLiteral("grph_prgbarbg_rp")));
}

QStringList ViewProgressBarBG::artworkNames()
{
    return {QStringLiteral("grph_prgbarbg_lp"), QStringLiteral("grph_prgbarbg_mp"),
            QStringLiteral("grph_prgbarbg_rp")};
}

void ViewProgressBarBG::paintEvent(QPaintEvent* event)
{
    // The content first, the track over it.
    QWidget::paintEvent(event);
    QPainter painter(this);
    painter.setCompositionMode(QPainter::CompositionMode_SourceOver);
    ThreePartImageCell::drawThreePartImage(painter, QRectF(rect()), pieces_);
}
