#pragma once

#include "core/DBStore.h"
#include "stats/StatsUsageObject.h"

// The store of the per-server, per-day download totals: stats_usage.db in
// the folder "db" of the application-support folder, with one table
//
//   stats (ID, type, serverid, date, bytes, ubytes)
//
// where a type-2 row is one server's total of one local day (`date` the day
// number) and a type-1 row one server's total of one local hour (`date` the
// hour number, day × 24 + hour); nothing writes hour rows, but loading and
// deleting take them into account. The file's version is written at creation
// and never compared.
//
// The engine makes one short-lived object per call; every operation opens
// the file and closes it again. Rows come back as texts in column order,
// NULL as "".
class DBStatsUsage : public DBStore
{
public:
    DBStatsUsage();

    // Rows of day `day` alone: its type-2 rows and the type-1 rows of its
    // hours. Later days (left by a clock that was set back) are their own.
    QList<QStringList> loadStatsForDay(qint64 day);
    // Rows dated `firstDay` to `lastDay`, by date, within a date largest first.
    QList<QStringList> collectDataForPeriod(qint64 firstDay, qint64 lastDay);

    // Replaces the rows of `day` with `records` (type-2 rows with each
    // record's own date), in one transaction: on any failure the file keeps
    // its old rows, the failure is logged and the answer is false. Other
    // days keep their rows, later ones included.
    bool saveStatsForDay(qint64 day, const QList<StatsUsageObject>& records);
    // The same for several days at once: the rows of every day in `days`
    // are replaced by `records` in one transaction.
    bool saveStatsForDays(const QList<qint64>& days, const QList<StatsUsageObject>& records);
    // Adds `records` as type-2 rows, in one transaction; bytes are cut to
    // whole numbers.
    bool writeStatsToDB(const QList<StatsUsageObject>& records);
    bool deleteAllRecordsForServerID(const QString& serverID);
    // Every row goes, then "VACUUM;".
    bool clearDatabase();

private:
    static DBStoreDefinition makeDefinition();
    static DBTableWrite deleteDays(const QList<qint64>& days);
    static DBTableWrite insertRecords(const QList<StatsUsageObject>& records);
};
