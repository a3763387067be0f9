#pragma once

#include "search/DBWatchdog.h"
#include "search/DBWatchdogHistory.h"
#include "search/Watchdog.h"
#include "search/WatchdogControllerDelegate.h"
#include "search/WatchdogLogObj.h"
#include "search/WatchdogSearchController.h"

#include <QList>
#include <QObject>
#include <QTimer>

#include <functional>
#include <memory>

class QueueController;

// Owns every Watchdog entry and runs them on their schedule: one search at a
// time, never two within 5 seconds of each other (counted from the start or
// end of the previous one), each entry when its next-search time comes. A
// search's matches are queued by themselves (paused when the entry says
// so), recorded in the entry's history (at most 100 rows, newest first) and
// in the Watchdog log (memory only). Entries and history live in their two
// stores.
//
// Nothing is scheduled before "ApplicationDidStartGUI". The schedule is
// rebuilt once per event-loop turn, however many entries changed in it.
// Main thread.
class WatchdogController : public QObject, public WatchdogControllerDelegate
{
    Q_OBJECT

public:
    using Clock = Watchdog::Clock;
    static constexpr qint64 kSearchGapSeconds = 5;
    static constexpr qsizetype kHistoryLimit = 100;
    // The timer is never armed for longer: a long wait is re-measured
    // against the clock, which also catches up after a suspend.
    static constexpr qint64 kLongestArmSeconds = 60;

    // Loads the entries and their history at once. `clock`: seconds since
    // 1970 (the system clock when empty).
    explicit WatchdogController(Clock clock = {}, QObject* parent = nullptr);
    ~WatchdogController() override;

    void setQueueController(QueueController* queueController) { queueController_ = queueController; }
    QueueController* queueController() const { return queueController_; }
    // Shows the editor on an entry (a new one from createObject when none).
    // Set by the windows; without it no editor opens.
    void setEditWindowPresenter(std::function<void(const WatchdogPtr&)> presenter)
    {
        editWindowPresenter_ = std::move(presenter);
    }

    const QList<WatchdogPtr>& watchdogArray() const { return watchdogArray_; }
    const QList<WatchdogLogObj>& watchdogLogArray() const { return watchdogLogArray_; }
    const QList<WatchdogPtr>& watchdogQueue() const { return watchdogQueue_; }
    WatchdogSearchController* watchdogSearchController() const { return watchdogSearchController_.get(); }
    bool isSearching() const { return isSearching_; }
    bool appIsRunning() const { return appIsRunning_; }
    qint64 lastSearchTimeStamp() const { return lastSearchTimeStamp_; }
    qint64 now() const { return clock_(); }

    // ---- Start-up
    void applicationDidStartGUI();

    // ---- Entries
    WatchdogPtr createObject();
    void addEntry(const WatchdogPtr& entry);
    void removeEntries(const QList<WatchdogPtr>& entries);
    // Moves the entry at `from` to position `to` (of the list without it).
    // Only the order changes; the stores learn it at the next full save.
    void moveEntry(qsizetype from, qsizetype to);
    void searchNowRequest(const QList<WatchdogPtr>& entries);
    void makeWatchdogFromDeepLookupObject(const DeepLookupObjectPtr& query);
    void showWatchdogEditWindow(const WatchdogPtr& entry);
    // The editor of `entry` is closing.
    void watchdogWindowWillClose(const WatchdogPtr& entry);

    // ---- History and log
    void createHistoryObjectWithQueue(const QueuePtr& job, const WatchdogPtr& entry);
    void truncateHistoryForWatchdog(const WatchdogPtr& entry);
    // Removes the rows at `rows` (positions in the entry's history).
    void removeHistoryEntries(const QList<qsizetype>& rows, const WatchdogPtr& entry);
    // `reason`: why a failed search failed, shown after "* FAILED *".
    void createLogObjectForWatchdog(const WatchdogPtr& entry, qint64 matches, qint64 bytes, int logtype,
                                    const QString& reason = QString());
    void clearWatchdogLog();

    // ---- Stores
    bool dbSaveAllWatchdogEntries();
    void dbLoadAllWatchdogEntries();
    void dbLoadAllWatchdogHistoryEntries();
    bool dbSaveHistoryForWatchdog(const WatchdogPtr& entry);
    bool updateDBEntry(const WatchdogPtr& entry);
    void dbOptimizeWatchdogHistory();

    // ---- Schedule
    void resetWatchdogQueue();
    // How often the schedule was rebuilt so far.
    qint64 watchdogQueueResetCount() const { return resetCount_; }
    struct NextJob
    {
        WatchdogPtr entry;
        qint64 delay = 0; // seconds
    };
    std::optional<NextJob> getNextJob() const;
    // Whether the timer is armed, and for how many seconds from its arming.
    bool isTimerArmed() const { return watchdogTimer_.isActive(); }
    qint64 armedSeconds() const { return armedSeconds_; }
    // The timer's work: starts the first entry when it is due, else re-arms.
    void watchdogTimerFired();
    void startSearchFor(const WatchdogPtr& entry);

    // ---- WatchdogControllerDelegate
    void searchResults(const WatchdogSearchContentParser::Result& result, const WatchdogPtr& entry) override;
    void searchFailed(const QString& title, const QString& subtitle, const WatchdogPtr& entry) override;
    void searchCancelledForObj(const WatchdogPtr& entry) override;

Q_SIGNALS:
    void watchdogArrayChanged();

private:
    void scheduleQueueReset();
    void startWatchdogTimer();
    void stopWatchdogTimer();
    void searchFinishedForWatchdog(const WatchdogPtr& entry);
    void endWithoutResult(const WatchdogPtr& entry);
    void postForEntry(const char* name, const WatchdogPtr& entry);
    DBWatchdog& watchdogDB();
    DBWatchdogHistory& watchdogHistoryDB();

    Clock clock_;
    QList<WatchdogPtr> watchdogArray_;
    QList<WatchdogLogObj> watchdogLogArray_;
    QList<WatchdogPtr> watchdogQueue_;
    QueueController* queueController_ = nullptr;
    std::unique_ptr<WatchdogSearchController> watchdogSearchController_;
    std::unique_ptr<DBWatchdog> watchdogDB_;
    std::unique_ptr<DBWatchdogHistory> watchdogHistoryDB_;
    std::function<void(const WatchdogPtr&)> editWindowPresenter_;
    WatchdogPtr editedEntry_;
    bool isSearching_ = false;
    bool appIsRunning_ = false;
    bool resetPending_ = false;
    qint64 lastSearchTimeStamp_ = 0;
    qint64 armedSeconds_ = 0;
    qint64 resetCount_ = 0;
    QTimer watchdogTimer_;
};
