#include "controls/TVLView.h"

#include "controls/FlatColorView.h"

#include <QPainter>

TVLView::TVLView(QWidget* parent) : QWidget(parent)
{}

void TVLView::setBackgroundColor(const QColor& c)
{
    backgroundColor_ = c;
    update();
}

void TVLView::setTopBorderColor(const QColor& c)
{
    topBorderColor_ = c;
    update();
}

void TVLView::setRightBorderColor(const QColor& c)
{
    rightBorderColor_ = c;
    update();
}

void TVLView::setBottomBorderColor(const QColor& c)
{
    bottomBorderColor_ = c;
    update();
}

void TVLView::setLeftBorderColor(const QColor& c)
{
    leftBorderColor_ = c;
    update();
}

std::vector<std::pair<QRect, QColor>> TVLView::fills(const QRect& bounds) const
{
    using Edge = FlatColorView::Edge;
    std::vector<std::pair<QRect, QColor>> out;
    QRect rest = bounds;
    const auto border = [&](const QColor& color, Edge edge) {
        if (color.isValid()) out.emplace_back(FlatColorView::slice(rest, edge, &rest), color);
    };
    border(topBorderColor_, Edge::Top);
    border(bottomBorderColor_, Edge::Bottom);
    border(rightBorderColor_, Edge::Right);
    border(leftBorderColor_, Edge::Left);
    if (backgroundColor_.isValid()) out.emplace_back(rest, backgroundColor_);
    return out;
}

void TVLView::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    // Borders replace what lies beneath; the background is laid over it.
    const auto list = fills(rect());
    for (std::size_t i = 0; i < list.size(); ++i) {
        const bool background = backgroundColor_.isValid() && i + 1 == list.size();
        painter.setCompositionMode(background ? QPainter::CompositionMode_SourceOver
                                              : QPainter::CompositionMode_Source);
        painter.fillRect(list[i].first, list[i].second);
    }
}
