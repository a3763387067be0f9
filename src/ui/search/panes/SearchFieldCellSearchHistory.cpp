#include "ui/search/panes/SearchFieldCellSearchHistory.h"

#include "controls/SRGB.h"
#include "ui/search/panes/SearchFieldSearchHistory.h"

#include <QPainter>

SearchFieldCellSearchHistory::SearchFieldCellSearchHistory(QWidget* parent)
    : SearchFieldCell(Look{kTextFieldPadding, QStringLiteral("sf_icon_search_lightgray"),
                           QStringLiteral("sf_icon_search_lightgray"), QStringLiteral("sf_icon_cancel_lightgray"),
                           QStringLiteral("sf_icon_cancel_lightgray_hi"), grey(2.0 / 3.0)},
                      new SearchFieldSearchHistory, parent)
{
    setObjectName(QStringLiteral("SearchFieldCellSearchHistory"));
}

QRect SearchFieldCellSearchHistory::searchTextRectForBounds(const QRect& bounds)
{
    return SearchFieldCell::searchTextRectForBounds(bounds, kSearchAreaWidth, kTextFieldPadding, kCancelAreaWidth);
}

SearchFieldSearchHistory* SearchFieldCellSearchHistory::searchField() const
{
    return static_cast<SearchFieldSearchHistory*>(editor());
}

void SearchFieldCellSearchHistory::drawBackground(QPainter& painter)
{
    const QRect r = rect();
    painter.save();
    painter.fillRect(r, srgb(0.965, 0.961, 0.961));
    painter.setCompositionMode(QPainter::CompositionMode_Darken);
    painter.fillRect(QRect(r.left(), r.top(), r.width(), 1), srgb(0.847, 0.843, 0.843));
    painter.fillRect(QRect(r.left(), r.bottom(), r.width(), 1), srgb(0.757, 0.757, 0.757));
    painter.restore();
}
