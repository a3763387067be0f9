#pragma once

#include "controls/SplitViewCollapsible.h"

// The search page's split view: the history or bookmarks pane (index 0),
// which alone can collapse, and the results, divided by a 1-point grey
// line. Each change of the left pane's collapse state posts
// "SplitViewSearchLeftCollapseStateChanged" with "state" (a boolean) once;
// a resize that does not change it posts nothing.
class SplitViewSearch : public SplitViewCollapsible
{
    Q_OBJECT
public:
    explicit SplitViewSearch(QWidget* parent = nullptr);

    static QString collapseStateChangedNotification()
    {
        return QStringLiteral("SplitViewSearchLeftCollapseStateChanged");
    }

    bool leftViewIsCollapsed() const { return paneIsCollapsed(); }
    // Collapses the left pane, or opens it again at `width`.
    void setLeftPaneCollapsed(bool collapsed, int width = 200);
    // The widest the left pane can be made, the results keeping their least width.
    int maxPossibleLeftWidth() const;
};
