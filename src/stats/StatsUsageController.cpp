#include "stats/StatsUsageController.h"

#include "core/Logger.h"
#include "core/StringFormat.h"
#include "platform/NotificationHub.h"
#include "platform/UserDefaults.h"
#include "stats/DBStatsUsage.h"

#include <QDate>

#include <algorithm>
#include <cmath>

namespace {

constexpr qint64 kDaily = 1;
constexpr qint64 kWeekly = 2;
constexpr qint64 kMonthly = 3;
constexpr qint64 kYearly = 4;

StatsUsageObject filler(qint64 day)
{
    StatsUsageObject r;
    r.type = StatsUsageObject::Filler;
    r.serverID = QStringLiteral("");
    r.date = day;
    return r;
}

double bytesFromText(const QString& text)
{
    bool ok = false;
    // Integers beyond 2^53 would lose their last digits through a double
    // parse; read them as integers first.
    const qint64 whole = text.toLongLong(&ok);
    if (ok) return double(whole);
    const double value = text.toDouble(&ok);
    return ok && std::isfinite(value) ? value : 0.0;
}

} // namespace

StatsUsageController::StatsUsageController() : StatsUsageController(StatsCalendar())
{}

StatsUsageController::StatsUsageController(const StatsCalendar& calendar) : calendar_(calendar)
{
    lastDay_ = getCurrentDay();
    // The server map is a snapshot (it is read on connection threads at the
    // day roll-over), so it is taken anew whenever servers, their colours
    // or their statistics flags change.
    NotificationHub& hub = NotificationHub::defaultCenter();
    hub.addObserver(QStringLiteral("NNTPServerListChanged"), this,
                    [this](const Notification&) { makeDictWithNNTPServers(); });
    hub.addObserver(QStringLiteral("RebuildStatsUsageGraph"), this,
                    [this](const Notification&) { makeDictWithNNTPServers(); });
}

StatsUsageController::~StatsUsageController() = default;

void StatsUsageController::setNntpServersController(StatsServerList* servers)
{
    nntpServersController_ = servers;
}

// ---------------------------------------------------------------- the day

qint64 StatsUsageController::currentDayLocked() const
{
    const qint64 now = calendar_.now();
    if (now < offset_.validFrom || now >= offset_.validUntil) offset_ = calendar_.offsetSpanAt(now);
    return StatsCalendar::dayNumberFor(now, offset_.offset);
}

qint64 StatsUsageController::getCurrentDay() const
{
    QMutexLocker locker(&lock_);
    return currentDayLocked();
}

qint64 StatsUsageController::lastDay() const
{
    QMutexLocker locker(&lock_);
    return lastDay_;
}

void StatsUsageController::rollOverIfNeeded()
{
    const qint64 today = currentDayLocked();
    if (today == lastDay_) return;
    // Only a swap on the counting thread: the finished day is stored from
    // the main thread, outside the lock. Until then queries take it from
    // here. Before start-up nothing was read back, so nothing may be stored.
    if (startedUp_ && !dicDay_.isEmpty()) {
        QHash<QString, double>& finished = finishedDays_[lastDay_];
        if (finished.isEmpty()) {
            finished.swap(dicDay_);
        } else {
            for (auto it = dicDay_.cbegin(); it != dicDay_.cend(); ++it)
                finished[it.key()] += it.value();
        }
    }
    dicDay_.clear();
    lastDay_ = today;
    if (startedUp_ && !storeQueued_) {
        storeQueued_ = true;
        QMetaObject::invokeMethod(this, &StatsUsageController::storeFinishedDays, Qt::QueuedConnection);
    }
}

void StatsUsageController::addBytes(double bytes, const QString& serverID)
{
    QMutexLocker locker(&lock_);
    rollOverIfNeeded();
    dicDay_[serverID] += bytes;
}

// Main thread. A day the clock comes to after start-up (the next day, or a
// day already stored when the clock was set back) may have stored totals:
// they join the counts in memory, so that saving the day does not lose them.
void StatsUsageController::loadCurrentDayIfNeeded()
{
    qint64 day = 0;
    {
        QMutexLocker locker(&lock_);
        if (!startedUp_ || loadedDay_ == lastDay_) return;
        day = lastDay_;
    }
    DBStatsUsage store;
    const QList<QStringList> rows = store.loadStatsForDay(day);
    QMutexLocker locker(&lock_);
    loadedDay_ = day;
    // Midnight may have passed again while reading.
    processImport(rows, day == lastDay_ ? dicDay_ : finishedDays_[day]);
}

QList<StatsUsageObject> StatsUsageController::recordsOfDay(qint64 day, QHash<QString, double>& totals,
                                                           bool forExport)
{
    QList<StatsUsageObject> out;
    QStringList gone;
    for (auto it = totals.cbegin(); it != totals.cend(); ++it) {
        const auto server = nntpServers_.constFind(it.key());
        if (server == nntpServers_.cend()) {
            BLOG(1, "Removing serverID:%@ from dailyStats.", it.key());
            gone.append(it.key());
            continue;
        }
        if (!forExport && !server->showStats) continue;
        StatsUsageObject r;
        r.type = StatsUsageObject::Live;
        r.serverID = it.key();
        r.bytes = it.value();
        r.date = day;
        r.color = server->color;
        r.alias = server->alias;
        out.append(r);
    }
    for (const QString& serverID : std::as_const(gone))
        totals.remove(serverID);
    return out;
}

// Main thread. Takes a snapshot under the lock and writes it without the
// lock; finished days leave memory only once they are stored.
bool StatsUsageController::storeDays(bool withCurrentDay)
{
    QList<qint64> days;
    QList<StatsUsageObject> records;
    QMap<qint64, QHash<QString, double>> snapshot;
    {
        QMutexLocker locker(&lock_);
        storeQueued_ = false;
        if (!startedUp_) return false;
        for (auto it = finishedDays_.begin(); it != finishedDays_.end(); ++it) {
            days.append(it.key());
            records += recordsOfDay(it.key(), it.value(), true);
        }
        snapshot = finishedDays_;
        if (withCurrentDay) {
            days.append(lastDay_);
            records += recordsOfDay(lastDay_, dicDay_, true);
        }
    }
    if (days.isEmpty()) return true;
    DBStatsUsage store;
    if (!store.saveStatsForDays(days, records)) {
        BLOG(3, "Failed to store the statistics from day %ld on; the totals are kept in memory.", days.constFirst());
        return false;
    }
    {
        QMutexLocker locker(&lock_);
        // A day counted into again meanwhile (a clock set back) stays.
        for (auto it = snapshot.cbegin(); it != snapshot.cend(); ++it) {
            const auto now = finishedDays_.constFind(it.key());
            if (now != finishedDays_.cend() && *now == *it) finishedDays_.erase(now);
        }
    }
    ++storeGeneration_;
    return true;
}

bool StatsUsageController::storeFinishedDays()
{
    loadCurrentDayIfNeeded();
    return storeDays(false);
}

bool StatsUsageController::exportToday()
{
    {
        QMutexLocker locker(&lock_);
        if (!startedUp_) {
            BLOG(2, "Statistics not loaded yet; nothing to store.");
            return false;
        }
        rollOverIfNeeded();
    }
    loadCurrentDayIfNeeded();
    return storeDays(true);
}

bool StatsUsageController::saveStats()
{
    return exportToday();
}

QList<StatsUsageObject> StatsUsageController::makeStatsObjectsFromCurrentDayForDBExport(bool forExport)
{
    QMutexLocker locker(&lock_);
    return recordsOfDay(lastDay_, dicDay_, forExport);
}

// ---------------------------------------------------------------- start-up, servers

void StatsUsageController::startUp()
{
    makeDictWithNNTPServers();
    QMutexLocker locker(&lock_);
    // Midnight may have passed since the controller was made.
    rollOverIfNeeded();
    DBStatsUsage store;
    processImport(store.loadStatsForDay(lastDay_), dicDay_);
    loadedDay_ = lastDay_;
    startedUp_ = true;
}

void StatsUsageController::processImport(const QList<QStringList>& rows, QHash<QString, double>& into)
{
    for (const QStringList& row : rows) {
        if (row.size() != 6 || row.at(1) != QLatin1String("2")) continue;
        into[row.at(2)] += bytesFromText(row.at(4));
    }
}

void StatsUsageController::makeDictWithNNTPServers()
{
    QHash<QString, StatsServerInfo> servers;
    if (nntpServersController_) {
        for (const StatsServerInfo& s : nntpServersController_->statsServers())
            servers.insert(s.serverID, s);
    }
    {
        QMutexLocker locker(&lock_);
        nntpServers_ = std::move(servers);
    }
    // Cached records carry the old aliases, colours and flags.
    clearCache();
}

void StatsUsageController::deleteAllRecordsForServerID(const QString& serverID)
{
    QMutexLocker locker(&lock_);
    DBStatsUsage store;
    store.deleteAllRecordsForServerID(serverID);
    dicDay_.remove(serverID);
    for (QHash<QString, double>& day : finishedDays_)
        day.remove(serverID);
    ++storeGeneration_;
}

bool StatsUsageController::isShown(const QString& serverID) const
{
    const auto server = nntpServers_.constFind(serverID);
    return server != nntpServers_.cend() && server->showStats;
}

std::optional<StatsUsageObject>
StatsUsageController::makeStatsObjectFromDBRecord(const QStringList& row) const
{
    // ID, type, serverid, date, bytes, ubytes. Hour rows are not days.
    if (row.size() != 6 || row.at(1) != QLatin1String("2")) return std::nullopt;
    const auto server = nntpServers_.constFind(row.at(2));
    if (server == nntpServers_.cend() || !server->showStats) return std::nullopt;
    StatsUsageObject r;
    r.type = StatsUsageObject::Stored;
    r.serverID = row.at(2);
    r.date = row.at(3).toLongLong();
    r.bytes = bytesFromText(row.at(4));
    r.color = server->color;
    r.alias = server->alias;
    return r;
}

// ---------------------------------------------------------------- queries

void StatsUsageController::clearCache()
{
    dicCache_.clear();
}

QList<StatsUsageObject> StatsUsageController::queryContent(qint64 startDay, qint64 endDay)
{
    QList<StatsUsageObject> fromMemory;
    QSet<qint64> memoryDays;
    qint64 last = 0;
    {
        QMutexLocker locker(&lock_);
        // After midnight the finished day moves aside now, not only at the
        // next count, so the range never misses it; until it is stored it is
        // answered from memory.
        rollOverIfNeeded();
        last = lastDay_;
        memoryDays.insert(last);
        for (auto it = finishedDays_.begin(); it != finishedDays_.end(); ++it) {
            memoryDays.insert(it.key());
            if (it.key() >= startDay && it.key() <= endDay)
                fromMemory += recordsOfDay(it.key(), it.value(), false);
        }
        if (last >= startDay && last <= endDay) fromMemory += recordsOfDay(last, dicDay_, false);
    }
    const quint64 generation = storeGeneration_.load();
    if (generation != cacheGeneration_) {
        dicCache_.clear();
        cacheGeneration_ = generation;
    }

    const qint64 storedEnd = endDay == last ? endDay - 1 : endDay;
    const CacheKey key{startDay, storedEnd};
    QList<StatsUsageObject> stored = dicCache_.value(key);
    if (stored.isEmpty()) {
        if (storedEnd >= startDay) {
            DBStatsUsage store;
            for (const QStringList& row : store.collectDataForPeriod(startDay, storedEnd)) {
                if (std::optional<StatsUsageObject> r = makeStatsObjectFromDBRecord(row)) stored.append(*r);
            }
        }
        dicCache_.insert(key, stored);
    }

    QList<StatsUsageObject> out;
    out.reserve(stored.size() + fromMemory.size());
    for (const StatsUsageObject& r : std::as_const(stored)) {
        // A day still in memory is answered from memory only.
        if (!memoryDays.contains(r.date)) out.append(r);
    }
    out += fromMemory;
    std::stable_sort(out.begin(), out.end(),
                     [](const StatsUsageObject& a, const StatsUsageObject& b) { return a.date < b.date; });
    return out;
}

QString StatsUsageController::groupKey(qint64 displayType, qint64 day) const
{
    if (displayType == kDaily) return sformat(u"%ld", day);
    const StatsDayComponents c = calendar_.componentsForDay(day);
    switch (displayType) {
    case kWeekly:
        // By the year the week is counted in: 30 December may be in week 1
        // of the next year.
        return sformat(u"%ld%ld", c.weekYear, c.weeknr);
    case kMonthly:
        return sformat(u"%ld%ld", c.year, c.month);
    default:
        return sformat(u"%ld", c.year);
    }
}

QList<QList<StatsUsageObject>>
StatsUsageController::fillPeriods(qint64 displayType, qint64 startDay, qint64 endDay,
                                  const QHash<QString, QList<StatsUsageObject>>& groups) const
{
    QList<QList<StatsUsageObject>> out;
    if (startDay > endDay) return out;
    auto take = [&](const QString& key, qint64 fillerDay) {
        const auto it = groups.constFind(key);
        if (it != groups.cend() && !it->isEmpty())
            out.append(*it);
        else
            out.append({filler(fillerDay)});
    };

    if (displayType == kDaily) {
        for (qint64 day = startDay; day <= endDay; ++day)
            take(groupKey(kDaily, day), day);
        return out;
    }
    if (displayType == kWeekly) {
        // Real weeks: each starts on the calendar's first weekday; the first
        // is represented by the range's first day.
        for (qint64 week = calendar_.firstDayOfWeek(startDay); week <= endDay; week += 7) {
            const qint64 day = std::max(week, startDay);
            take(groupKey(kWeekly, day), day);
        }
        return out;
    }
    const StatsDayComponents first = calendar_.componentsForDay(startDay);
    const StatsDayComponents last = calendar_.componentsForDay(endDay);
    for (int year = first.year; year <= last.year; ++year) {
        if (displayType == kYearly) {
            take(sformat(u"%ld", year), StatsCalendar::dayNumberForDate(year, 1, 1));
            continue;
        }
        const int fromMonth = year == first.year ? first.month : 1;
        const int toMonth = year == last.year ? last.month : 12;
        for (int month = fromMonth; month <= toMonth; ++month)
            take(sformat(u"%ld%ld", year, month), StatsCalendar::dayNumberForDate(year, month, 1));
    }
    return out;
}

QList<StatsUsageObject>
StatsUsageController::buildDailyParentArray(const QList<QList<StatsUsageObject>>& periods) const
{
    QList<StatsUsageObject> bars;
    bars.reserve(periods.size());
    for (const QList<StatsUsageObject>& records : periods) {
        StatsUsageObject bar;
        bar.type = kDaily;
        bar.children = records;
        sortObjectsByBytes(bar.children);
        for (const StatsUsageObject& child : std::as_const(bar.children))
            bar.bytes += child.bytes;
        bar.date = bar.children.constFirst().date;
        const StatsDayComponents c = calendar_.componentsForDay(bar.date);
        bar.xLabel = sformat(u"%@ %ld\r%ld", c.monthName, c.day, c.year);
        bars.append(bar);
    }
    return bars;
}

QList<StatsUsageObject>
StatsUsageController::buildNonDailyParentArray(const QList<QList<StatsUsageObject>>& periods,
                                               qint64 displayType) const
{
    QList<StatsUsageObject> bars;
    bars.reserve(periods.size());
    for (const QList<StatsUsageObject>& records : periods) {
        StatsUsageObject bar;
        bar.type = displayType;
        QHash<QString, qsizetype> childOfServer;
        for (const StatsUsageObject& r : records) {
            qsizetype index = childOfServer.value(r.serverID, -1);
            if (index < 0) {
                index = bar.children.size();
                childOfServer.insert(r.serverID, index);
                StatsUsageObject child;
                child.type = displayType;
                child.serverID = r.serverID;
                bar.children.append(child);
            }
            StatsUsageObject& child = bar.children[index];
            child.bytes += r.bytes;
            child.date = r.date;
            child.color = r.color;
            child.alias = r.alias;
        }
        sortObjectsByBytes(bar.children);
        for (const StatsUsageObject& child : std::as_const(bar.children))
            bar.bytes += child.bytes;
        bar.date = bar.children.constFirst().date;
        const StatsDayComponents c = calendar_.componentsForDay(bar.date);
        if (displayType == kWeekly)
            bar.xLabel = sformat(u"week\r%ld", c.weeknr);
        else if (displayType == kMonthly)
            bar.xLabel = sformat(u"%@\r%ld", c.monthName, c.year);
        else
            bar.xLabel = sformat(u"%ld", c.year);
        bars.append(bar);
    }
    return bars;
}

QList<StatsUsageObject> StatsUsageController::collectDataForPeriod(qint64 startDay, qint64 endDay)
{
    const QList<StatsUsageObject> records = queryContent(startDay, endDay);
    const qint64 displayType =
        UserDefaults::standard().integerForKey(QStringLiteral("statsUsageDisplayType"));
    if (displayType < kDaily || displayType > kYearly) return records;

    QHash<QString, QList<StatsUsageObject>> groups;
    for (const StatsUsageObject& r : records)
        groups[groupKey(displayType, r.date)].prepend(r);
    const QList<QList<StatsUsageObject>> periods = fillPeriods(displayType, startDay, endDay, groups);
    return displayType == kDaily ? buildDailyParentArray(periods)
                                 : buildNonDailyParentArray(periods, displayType);
}

void StatsUsageController::sortObjectsByBytes(QList<StatsUsageObject>& records)
{
    std::stable_sort(records.begin(), records.end(),
                     [](const StatsUsageObject& a, const StatsUsageObject& b) { return a.bytes < b.bytes; });
}

// ---------------------------------------------------------------- dates

StatsDayComponents StatsUsageController::getComponentsForTimestamp(double seconds) const
{
    return calendar_.componentsForDay(qint64(std::floor(seconds / 86400.0)));
}

QDateTime StatsUsageController::timestampToDate(double seconds)
{
    return QDateTime::fromSecsSinceEpoch(qint64(std::floor(seconds)), Qt::UTC);
}

qint64 StatsUsageController::timestampFromDateString(const QString& text) const
{
    const QDate date = QDate::fromString(text, QStringLiteral("yyyy/MM/dd"));
    if (!date.isValid()) return calendar_.offsetAt(calendar_.now());
    // The date's own day number, whatever the offset of today.
    return StatsCalendar::dayNumberForDate(date.year(), date.month(), date.day()) * 86400;
}
