#pragma once

#include "stats/StatsCalendar.h"
#include "stats/StatsServerList.h"
#include "stats/StatsUsageObject.h"

#include <QDateTime>
#include <QHash>
#include <QMap>
#include <QObject>
#include <QRecursiveMutex>
#include <QSet>
#include <QStringList>

#include <atomic>
#include <optional>
#include <utility>

// Counts the bytes received from each news server per local day, keeps the
// current day in memory, stores finished days in stats_usage.db
// (DBStatsUsage) and answers the statistics page's range queries with bars:
// one parent record per day, week, month or year of the range, holding one
// child per server.
//
// Threads: addBytes() runs on every connection thread; everything else on
// the main thread. `lock` (recursive) guards the current day (its totals and
// number), the finished days not stored yet and the server map. The hot path
// is a clock read and a map update under it; the first count after local
// midnight only moves the finished day aside and asks the main thread to
// store it, so no connection thread ever touches the disk. Store writes run
// on the main thread outside the lock, on a snapshot. The range cache is the
// main thread's own.
class StatsUsageController : public QObject
{
    Q_OBJECT
public:
    // The system's clock, time zone and week rule.
    StatsUsageController();
    explicit StatsUsageController(const StatsCalendar& calendar);
    ~StatsUsageController() override;

    // The server list, read on the main thread; not owned, must outlive
    // this controller or be reset first.
    void setNntpServersController(StatsServerList* servers);
    StatsServerList* nntpServersController() const { return nntpServersController_; }

    // Takes the server map and reads today's stored totals back into memory,
    // once the interface has started. Until then nothing is stored, so an
    // early quit cannot replace today's rows with an empty day.
    void startUp();
    // Stores the current day and any finished day not stored yet: the rows
    // of those days are replaced, other days' rows stay. False when the store
    // failed (logged; the totals stay in memory).
    bool saveStats();
    bool exportToday();
    // Stores the days finished at local midnight (queued to the main thread
    // by the roll-over) and reads back the stored totals of a day the clock
    // has come back to. False when the store failed; the days stay in memory
    // and go with the next save.
    bool storeFinishedDays();

    // One finished segment, on a connection thread: rolls the day over first
    // when the local day has changed since the last count.
    void addBytes(double bytes, const QString& serverID);

    // Bars for the days `startDay` to `endDay` grouped by the setting
    // "statsUsageDisplayType" (1 day, 2 week, 3 month, 4 year; any other
    // value gives the records unchanged).
    QList<StatsUsageObject> collectDataForPeriod(qint64 startDay, qint64 endDay);
    // The records of the range: stored days (read once per range, then
    // cached), and the days still held in memory from memory.
    QList<StatsUsageObject> queryContent(qint64 startDay, qint64 endDay);
    void clearCache();

    // The store loses every row of the server and the current day its total.
    void deleteAllRecordsForServerID(const QString& serverID);
    // Rebuilds the map serverID → server from the server list.
    void makeDictWithNNTPServers();

    // The current day's records (type 1, dated lastDay()); a server no longer
    // configured leaves the day. For export every configured server,
    // otherwise only those whose statistics are shown.
    QList<StatsUsageObject> makeStatsObjectsFromCurrentDayForDBExport(bool forExport);

    qint64 getCurrentDay() const;
    // The day the totals in memory belong to.
    qint64 lastDay() const;

    // The calendar fields of the UTC date of `seconds`.
    StatsDayComponents getComponentsForTimestamp(double seconds) const;
    static QDateTime timestampToDate(double seconds);
    // "yyyy/MM/dd" to seconds whose floor(/ 86400) is that date's day
    // number; an unreadable text gives the current offset from UTC.
    qint64 timestampFromDateString(const QString& text) const;

    // By bytes, ascending; equal amounts keep their order.
    static void sortObjectsByBytes(QList<StatsUsageObject>& records);

    const StatsCalendar& calendar() const { return calendar_; }

private:
    using CacheKey = std::pair<qint64, qint64>;

    qint64 currentDayLocked() const;
    void rollOverIfNeeded();
    bool storeDays(bool withCurrentDay);
    void loadCurrentDayIfNeeded();
    QList<StatsUsageObject> recordsOfDay(qint64 day, QHash<QString, double>& totals, bool forExport);
    void processImport(const QList<QStringList>& rows, QHash<QString, double>& into);
    std::optional<StatsUsageObject> makeStatsObjectFromDBRecord(const QStringList& row) const;
    bool isShown(const QString& serverID) const;

    QString groupKey(qint64 displayType, qint64 day) const;
    QList<QList<StatsUsageObject>> fillPeriods(qint64 displayType, qint64 startDay, qint64 endDay,
                                               const QHash<QString, QList<StatsUsageObject>>& groups) const;
    QList<StatsUsageObject> buildDailyParentArray(const QList<QList<StatsUsageObject>>& periods) const;
    QList<StatsUsageObject> buildNonDailyParentArray(const QList<QList<StatsUsageObject>>& periods,
                                                     qint64 displayType) const;

    StatsCalendar calendar_;
    StatsServerList* nntpServersController_ = nullptr;

    mutable QRecursiveMutex lock_;
    // Under lock_.
    mutable StatsCalendar::OffsetSpan offset_;
    QHash<QString, double> dicDay_;
    qint64 lastDay_ = 0;
    // Days finished at midnight and not stored yet (the store is queued, or
    // it failed), by day number.
    QMap<qint64, QHash<QString, double>> finishedDays_;
    bool storeQueued_ = false;
    // The day whose stored totals have been read into dicDay_; differs from
    // lastDay_ after a roll-over until the main thread has looked.
    qint64 loadedDay_ = -1;
    QHash<QString, StatsServerInfo> nntpServers_; // written on the main thread
    bool startedUp_ = false;

    // Counts the writes to the store, so the main thread knows when its
    // cached ranges may have changed.
    std::atomic<quint64> storeGeneration_{0};

    // Main thread only.
    QMap<CacheKey, QList<StatsUsageObject>> dicCache_;
    quint64 cacheGeneration_ = 0;
};
