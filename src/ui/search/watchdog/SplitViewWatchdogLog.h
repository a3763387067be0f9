#pragma once

#include "controls/SplitViewCollapsible.h"

// The Watchdog page's top-bottom split: the entries with their history
// (index 0) and the Watchdog log (index 1), which alone can collapse.
class SplitViewWatchdogLog : public SplitViewCollapsible
{
    Q_OBJECT
public:
    explicit SplitViewWatchdogLog(QWidget* parent = nullptr) : SplitViewCollapsible(Qt::Vertical, 1, parent)
    {
        setObjectName(QStringLiteral("splitViewWatchdogLog"));
    }

    static QString restorePositionKey() { return QStringLiteral("SplitViewWatchdogLogRestorePosition"); }
    bool bottomViewIsCollapsed() const { return paneIsCollapsed(); }
};
