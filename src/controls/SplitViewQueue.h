#pragma once

#include <QSplitter>

// The queue page's split view: the queue (index 0) and a right pane
// (index 1) that can collapse. Each change of the right pane's collapse state,
// by a drag or from code, posts "SplitViewQueueCollapseStateChanged" with
// "state" "1" (collapsed) or "0" (shown).
class SplitViewQueue : public QSplitter
{
    Q_OBJECT
public:
    explicit SplitViewQueue(QWidget* parent = nullptr);

    static QString collapseStateChangedNotification()
    {
        return QStringLiteral("SplitViewQueueCollapseStateChanged");
    }

    bool isSubviewCollapsed(int index) const;
    int maxPossiblePositionOfDividerAtIndex(int divider) const;
    int positionOfDividerAtIndex(int divider) const;
    void setPositionOfDividerAtIndex(int position, int divider);

private:
    void announceCollapseState();
    int lastState_ = -1;
};
