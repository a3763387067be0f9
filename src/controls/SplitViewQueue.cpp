#include "controls/SplitViewQueue.h"

#include "platform/NotificationHub.h"
#include "platform/UserDefaults.h"

SplitViewQueue::SplitViewQueue(QWidget* parent) : SplitViewCollapsible(Qt::Horizontal, 1, parent)
{
    setObjectName(QStringLiteral("splitViewQueue"));
    connect(this, &SplitViewCollapsible::doubleClickedDivider, this, &SplitViewQueue::dividerDoubleClicked);
    connect(this, &SplitViewCollapsible::collapseStateChanged, this, [this](bool collapsed) {
        NotificationHub::defaultCenter().post(
            collapseStateChangedNotification(), this,
            {{QStringLiteral("state"), collapsed ? QStringLiteral("1") : QStringLiteral("0")}});
    });
}

void SplitViewQueue::saveDividerPosition()
{
    if (count() < 2) return;
    const float width = float(paneSize());
    if (width <= 1.0f) return;
    UserDefaults::standard().setFloat(width, restorePositionKey());
    UserDefaults::standard().synchronize();
}

void SplitViewQueue::dividerDoubleClicked()
{
    saveDividerPosition();
    setPositionOfDividerAtIndex(maxPossiblePositionOfDividerAtIndex(0), 0);
}
