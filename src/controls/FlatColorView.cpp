#include "controls/FlatColorView.h"

#include <QPainter>

FlatColorView::FlatColorView(QWidget* parent) : QWidget(parent)
{}

void FlatColorView::configure(const QColor& background, Edge cutEdge, std::vector<Line> lines)
{
    background_ = background;
    cutEdge_ = cutEdge;
    lines_ = std::move(lines);
    update();
}

QRect FlatColorView::slice(const QRect& r, Edge edge, QRect* rest)
{
    QRect piece;
    QRect remainder = r;
    switch (edge) {
    case Edge::None:
        break;
    case Edge::Top:
        piece = QRect(r.left(), r.top(), r.width(), qMin(1, r.height()));
        remainder.setTop(r.top() + piece.height());
        break;
    case Edge::Bottom:
        piece = QRect(r.left(), r.bottom() - qMin(1, r.height()) + 1, r.width(), qMin(1, r.height()));
        remainder.setBottom(piece.top() - 1);
        break;
    case Edge::Left:
        piece = QRect(r.left(), r.top(), qMin(1, r.width()), r.height());
        remainder.setLeft(r.left() + piece.width());
        break;
    case Edge::Right:
        piece = QRect(r.right() - qMin(1, r.width()) + 1, r.top(), qMin(1, r.width()), r.height());
        remainder.setRight(piece.left() - 1);
        break;
    }
    if (rest) *rest = remainder;
    return piece;
}

std::vector<std::pair<QRect, QColor>> FlatColorView::fills(const QRect& bounds) const
{
    std::vector<std::pair<QRect, QColor>> out;
    if (background_.isValid()) {
        QRect area = bounds;
        slice(bounds, cutEdge_, &area);
        out.emplace_back(area, background_);
    }
    for (const Line& line : lines_)
        out.emplace_back(slice(bounds, line.edge), line.color);
    return out;
}

void FlatColorView::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    for (const auto& [area, color] : fills(rect()))
        painter.fillRect(area, color);
}
