#pragma once

#include "controls/SplitViewCollapsible.h"

// The queue page's split view: the queue (index 0) and a right pane
// (index 1) that alone can collapse, divided by a 1-point grey line that is
// hidden while the pane is collapsed. Each change of the right pane's
// collapse state, by a drag, a resize or from code, posts
// "SplitViewQueueCollapseStateChanged" with "state" "1" (collapsed) or "0"
// (shown); an unchanged state posts nothing. A double-click on the divider
// saves the pane's width, then collapses it.
class SplitViewQueue : public SplitViewCollapsible
{
    Q_OBJECT
public:
    explicit SplitViewQueue(QWidget* parent = nullptr);

    static QString collapseStateChangedNotification()
    {
        return QStringLiteral("SplitViewQueueCollapseStateChanged");
    }
    static QString restorePositionKey() { return QStringLiteral("SplitViewQueueRestorePosition"); }

    // The last collapse state announced.
    bool viewIsCollapsed() const { return paneIsCollapsed(); }
    // Stores the right pane's width under "SplitViewQueueRestorePosition"
    // when it is above 1 point: a collapsed pane's width is never saved.
    void saveDividerPosition();
    // What a double-click on the divider does.
    void dividerDoubleClicked();
};
