#include "controls/MultiLineTextFieldCell.h"

#include <QFontMetricsF>
#include <QPainter>
#include <QTextLayout>

MultiLineTextFieldCell::MultiLineTextFieldCell(QWidget* parent) : QLabel(parent)
{
    setWordWrap(true);
    setAutoFillBackground(false);
    setTextInteractionFlags(Qt::NoTextInteraction);
}

void MultiLineTextFieldCell::setHighlighted(bool on)
{
    highlighted_ = on;
    update();
}

void MultiLineTextFieldCell::setBackgroundStyleDark(bool on)
{
    backgroundStyleDark_ = on;
    update();
}

QRectF MultiLineTextFieldCell::standardTitleRect(const QRectF& bounds)
{
    return bounds.adjusted(2, 0, -2, 0);
}

qreal MultiLineTextFieldCell::textHeight(const QString& text, const QFont& font, qreal width)
{
    const QFontMetricsF fm(font);
    return fm.boundingRect(QRectF(0, 0, width, 1e6), Qt::TextWordWrap, text).height();
}

QRectF MultiLineTextFieldCell::titleRectForBounds(const QRectF& bounds, const QString& text,
                                                  const QFont& font)
{
    QRectF r = standardTitleRect(bounds);
    const qreal h = textHeight(text, font, r.width());
    if (r.height() > h) {
        r.moveTop(bounds.y() + (bounds.height() - h) * 0.5);
        r.setHeight(h);
    }
    return r;
}

void MultiLineTextFieldCell::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    const QRectF r = titleRectForBounds(QRectF(contentsRect()), text(), font());
    painter.setFont(font());
    painter.setPen(highlighted_ && backgroundStyleDark_ ? QColor(Qt::white)
                                                        : palette().color(foregroundRole()));
    painter.setClipRect(r);

    // Lay the text out line by line; the last line that fits is cut with an
    // ellipsis when more would follow.
    const QFontMetricsF fm(font());
    QTextLayout layout(text(), font());
    QTextOption option;
    option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    layout.setTextOption(option);
    layout.beginLayout();
    qreal y = 0;
    struct Piece
    {
        QTextLine line;
        qreal y;
    };
    QList<Piece> lines;
    for (QTextLine line = layout.createLine(); line.isValid(); line = layout.createLine()) {
        line.setLineWidth(r.width());
        line.setPosition(QPointF(0, y));
        lines.append({line, y});
        y += line.height();
    }
    layout.endLayout();
    for (int i = 0; i < lines.size(); ++i) {
        const Piece& piece = lines.at(i);
        const bool lastVisible =
            i + 1 < lines.size() &&
            piece.y + piece.line.height() + lines.at(i + 1).line.height() > r.height() + 0.5;
        if (lastVisible) {
            const QString rest = text().mid(piece.line.textStart());
            painter.drawText(QPointF(r.x(), r.y() + piece.y + fm.ascent()),
                             fm.elidedText(QString(rest).replace(u'\n', u' '), Qt::ElideRight, r.width()));
            break;
        }
        piece.line.draw(&painter, QPointF(r.x(), r.y()));
    }
}
