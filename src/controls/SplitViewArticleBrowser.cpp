#include "controls/SplitViewArticleBrowser.h"

#include "platform/NotificationHub.h"

SplitViewArticleBrowser::SplitViewArticleBrowser(QWidget* parent)
    : SplitViewCollapsible(Qt::Horizontal, 0, parent)
{
    setObjectName(QStringLiteral("splitViewArticleBrowser"));
    connect(this, &SplitViewCollapsible::collapseStateChanged, this, [this](bool collapsed) {
        NotificationHub::defaultCenter().post(collapseStateChangedNotification(), this,
                                              {{QStringLiteral("state"), collapsed}});
    });
}
