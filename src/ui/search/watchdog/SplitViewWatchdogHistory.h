#pragma once

#include "controls/SplitViewCollapsible.h"

// The Watchdog page's left-right split: the entries (index 0) and the
// history of the selected entry (index 1), which alone can collapse; a
// double-click on the divider collapses it too.
class SplitViewWatchdogHistory : public SplitViewCollapsible
{
    Q_OBJECT
public:
    explicit SplitViewWatchdogHistory(QWidget* parent = nullptr)
        : SplitViewCollapsible(Qt::Horizontal, 1, parent)
    {
        setObjectName(QStringLiteral("splitViewWatchdogHistory"));
    }

    static QString restorePositionKey() { return QStringLiteral("SplitViewWatchdogHistoryRestorePosition"); }
    bool viewIsCollapsed() const { return paneIsCollapsed(); }
};
