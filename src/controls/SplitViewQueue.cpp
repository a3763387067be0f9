#include "controls/SplitViewQueue.h"

#include "platform/NotificationHub.h"

#include <algorithm>

SplitViewQueue::SplitViewQueue(QWidget* parent) : QSplitter(Qt::Horizontal, parent)
{
    setObjectName(QStringLiteral("splitViewQueue"));
    setChildrenCollapsible(true);
    setHandleWidth(1);
    connect(this, &QSplitter::splitterMoved, this, &SplitViewQueue::announceCollapseState);
}

bool SplitViewQueue::isSubviewCollapsed(int index) const
{
    const QList<int> s = sizes();
    return index >= 0 && index < s.size() && s[index] == 0;
}

int SplitViewQueue::maxPossiblePositionOfDividerAtIndex(int divider) const
{
    if (divider != 0 || count() < 2) return 0;
    return std::max(0, width() - handleWidth());
}

int SplitViewQueue::positionOfDividerAtIndex(int divider) const
{
    const QList<int> s = sizes();
    return divider == 0 && !s.isEmpty() ? s[0] : 0;
}

void SplitViewQueue::setPositionOfDividerAtIndex(int position, int divider)
{
    if (divider != 0 || count() < 2) return;
    const int total = std::max(0, width() - handleWidth());
    const int left = std::clamp(position, 0, total);
    setSizes({left, total - left});
    announceCollapseState();
}

void SplitViewQueue::announceCollapseState()
{
    const int state = isSubviewCollapsed(1) ? 1 : 0;
    if (state == lastState_) return;
    lastState_ = state;
    NotificationHub::defaultCenter().post(collapseStateChangedNotification(), this,
                                          {{QStringLiteral("state"), QString::number(state)}});
}
