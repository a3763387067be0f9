#pragma once

#include "controls/SplitViewCollapsible.h"

// The article browser's split view: a left pane (index 0) that alone can
// collapse, and the article side. Each change of the left pane's collapse
// state posts "SplitABLeftCollapseStateChanged" with "state" (a boolean)
// once.
class SplitViewArticleBrowser : public SplitViewCollapsible
{
    Q_OBJECT
public:
    explicit SplitViewArticleBrowser(QWidget* parent = nullptr);

    static QString collapseStateChangedNotification()
    {
        return QStringLiteral("SplitABLeftCollapseStateChanged");
    }

    bool leftViewIsCollapsed() const { return paneIsCollapsed(); }
};
