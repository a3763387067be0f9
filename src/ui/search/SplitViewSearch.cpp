#include "ui/search/SplitViewSearch.h"

#include "controls/SplitViewQueueHandle.h"
#include "platform/NotificationHub.h"

#include <QChildEvent>

#include <algorithm>

SplitViewSearch::SplitViewSearch(QWidget* parent) : QSplitter(Qt::Horizontal, parent)
{
    setObjectName(QStringLiteral("splitViewSearch"));
    setChildrenCollapsible(true);
    setHandleWidth(1);
    connect(this, &QSplitter::splitterMoved, this, &SplitViewSearch::announceCollapseState);
}

QSplitterHandle* SplitViewSearch::createHandle()
{
    return new SplitViewQueueHandle(orientation(), this);
}

void SplitViewSearch::childEvent(QChildEvent* event)
{
    QSplitter::childEvent(event);
    // Only the left pane can collapse; the results always stay.
    if (event->added() || event->polished())
        for (int i = 1; i < count(); ++i) setCollapsible(i, false);
}

bool SplitViewSearch::isSubviewCollapsed(int index) const
{
    const QList<int> s = sizes();
    return index >= 0 && index < s.size() && s[index] == 0;
}

void SplitViewSearch::setLeftPaneCollapsed(bool collapsed, int width)
{
    if (count() < 2) return;
    const int total = std::max(0, this->width() - handleWidth());
    const int left = collapsed ? 0 : std::clamp(width, 1, std::max(1, total - 1));
    setSizes({left, total - left});
    announceCollapseState();
}

int SplitViewSearch::maxPossibleLeftWidth() const
{
    if (count() < 2) return 0;
    int min = 0, max = 0;
    getRange(1, &min, &max);
    return max;
}

void SplitViewSearch::resizeEvent(QResizeEvent* event)
{
    QSplitter::resizeEvent(event);
    announceCollapseState();
}

void SplitViewSearch::announceCollapseState()
{
    if (count() < 2) return;
    const bool collapsed = isSubviewCollapsed(0);
    if (collapsed == leftViewIsCollapsed_) return;
    leftViewIsCollapsed_ = collapsed;
    NotificationHub::defaultCenter().post(collapseStateChangedNotification(), this,
                                          {{QStringLiteral("state"), collapsed}});
}
