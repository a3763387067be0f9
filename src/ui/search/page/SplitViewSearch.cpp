#include "ui/search/page/SplitViewSearch.h"

#include "platform/NotificationHub.h"

#include <algorithm>

SplitViewSearch::SplitViewSearch(QWidget* parent) : SplitViewCollapsible(Qt::Horizontal, 0, parent)
{
    setObjectName(QStringLiteral("splitViewSearch"));
    connect(this, &SplitViewCollapsible::collapseStateChanged, this, [this](bool collapsed) {
        NotificationHub::defaultCenter().post(collapseStateChangedNotification(), this,
                                              {{QStringLiteral("state"), collapsed}});
    });
}

void SplitViewSearch::setLeftPaneCollapsed(bool collapsed, int width)
{
    const int total = maxPossiblePositionOfDividerAtIndex(0);
    setPositionOfDividerAtIndex(collapsed ? 0 : std::clamp(width, 1, std::max(1, total - 1)), 0);
}

int SplitViewSearch::maxPossibleLeftWidth() const
{
    if (count() < 2) return 0;
    int min = 0, max = 0;
    getRange(1, &min, &max);
    return max;
}
