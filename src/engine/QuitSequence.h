#pragma once

#include "queue/Queue.h"

#include <QList>

#include <functional>

// What happens when the user asks to quit: the questions (uploads that are
// still building their archive and recovery files; Watchdog will not search
// while the program is closed), then the announcement to every window and
// worker, the saves that belong before the closing window, and the closing
// window itself. A No leaves the program running and a later request is
// taken again; a request while quitting is ignored.
//
// Main thread only. The steps that touch windows or controllers are
// callbacks, so the order can be followed without a window.
class QuitSequence
{
public:
    struct Steps
    {
        std::function<QList<QueuePtr>()> queueArray;
        std::function<qint64()> watchdogCount;
        // The platform's pending termination refused (the program runs on).
        std::function<void()> refuseTermination;
        std::function<void()> setTerminateNow;
        std::function<void()> closeMainWindowIfVisible;
        std::function<void()> saveBottomPanePositionIfExpanded;
        std::function<void()> saveStats;
        std::function<void()> storeLastUsedMainView;
        std::function<void()> showClosingAppWindow;
    };

    void setSteps(Steps steps) { steps_ = std::move(steps); }

    // The observer of "ApplicationShouldTerminate".
    void applicationShouldTerminate();
    bool appIsTerminating() const { return appIsTerminating_; }

    // YES when quitting may go on: no upload still at a status of
    // QCodeClass::upQueueNoSaveStateArray, or the user agreed to lose it.
    static bool checkForUnfinishedUpQueueObjects(const QList<QueuePtr>& queueArray);
    // YES when quitting may go on: the note is off, there are no Watchdog
    // entries, or the user answered Yes or "Don't show again".
    static bool showWatchdogNoteDialog(qint64 watchdogCount);

private:
    static void call(const std::function<void()>& step)
    {
        if (step) step();
    }

    Steps steps_;
    bool appIsTerminating_ = false;
};
