#include "controls/SplitViewQueue.h"

#include "controls/SplitViewQueueHandle.h"
#include "platform/NotificationHub.h"
#include "platform/UserDefaults.h"

#include <algorithm>

SplitViewQueue::SplitViewQueue(QWidget* parent) : QSplitter(Qt::Horizontal, parent)
{
    setObjectName(QStringLiteral("splitViewQueue"));
    setChildrenCollapsible(true);
    setHandleWidth(1);
    connect(this, &QSplitter::splitterMoved, this, &SplitViewQueue::announceCollapseState);
}

QSplitterHandle* SplitViewQueue::createHandle()
{
    auto* handle = new SplitViewQueueHandle(orientation(), this);
    connect(handle, &SplitViewQueueHandle::doubleClicked, this, &SplitViewQueue::dividerDoubleClicked);
    return handle;
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

void SplitViewQueue::saveDividerPosition()
{
    if (count() < 2) return;
    const float width = float(sizes().value(1));
    if (width <= 1.0f) return;
    UserDefaults::standard().setFloat(width, restorePositionKey());
    UserDefaults::standard().synchronize();
}

void SplitViewQueue::dividerDoubleClicked()
{
    saveDividerPosition();
    setPositionOfDividerAtIndex(maxPossiblePositionOfDividerAtIndex(0), 0);
}

void SplitViewQueue::resizeEvent(QResizeEvent* event)
{
    QSplitter::resizeEvent(event);
    announceCollapseState();
}

void SplitViewQueue::announceCollapseState()
{
    if (count() < 2) return;
    const bool collapsed = isSubviewCollapsed(1);
    if (QSplitterHandle* divider = handle(1)) divider->setVisible(!collapsed);
    if (collapsed == viewIsCollapsed_) return;
    viewIsCollapsed_ = collapsed;
    NotificationHub::defaultCenter().post(collapseStateChangedNotification(), this,
                                          {{QStringLiteral("state"), collapsed ? QStringLiteral("1")
                                                                               : QStringLiteral("0")}});
}
