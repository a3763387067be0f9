#include "stats/DBStatsUsage.h"

#include "core/StringFormat.h"
#include "core/Utils.h"

namespace {

constexpr qint64 kHourRow = 1;
constexpr qint64 kDayRow = 2;

} // namespace

DBStoreDefinition DBStatsUsage::makeDefinition()
{
    DBStoreDefinition d;
    d.className = QStringLiteral("DBStatsUsage");
    d.storeName = QStringLiteral("Statistics");
    d.description = QStringLiteral("The usage statistics");
    d.databaseFilename = QStringLiteral("stats_usage.db");
    d.dbversion = 100;
    d.versionRule = VersionRule::None;
    d.tables.append({QStringLiteral("CREATE TABLE IF NOT EXISTS stats (ID INTEGER PRIMARY KEY, type INTEGER, "
                                    "serverid TEXT, date INTEGER, bytes INTEGER, ubytes INTEGER)"),
                     QStringLiteral("(1) Failed to create Statistics database.")});
    d.infoFailedText = QStringLiteral("(2) Failed to create Statistics database.");
    return d;
}

DBStatsUsage::DBStatsUsage() : DBStore(makeDefinition())
{
    startDB();
}

QList<QStringList> DBStatsUsage::loadStatsForDay(qint64 day)
{
    return dbQuery(sformat(
        u"SELECT * FROM stats WHERE (type = %d AND date >= %ld AND date < %ld) OR (type = %d AND date = %ld);",
        kHourRow, day * 24, (day + 1) * 24, kDayRow, day));
}

QList<QStringList> DBStatsUsage::collectDataForPeriod(qint64 firstDay, qint64 lastDay)
{
    return dbQuery(
        sformat(u"SELECT * FROM stats WHERE date >= %ld AND date <= %ld ORDER BY date ASC,bytes DESC;",
                firstDay, lastDay));
}

DBTableWrite DBStatsUsage::deleteDays(const QList<qint64>& days)
{
    QList<QVariantList> rows;
    rows.reserve(days.size());
    for (qint64 day : days)
        rows.append({kHourRow, day * 24, (day + 1) * 24, kDayRow, day});
    return DBTableWrite::fromRows(
        QStringLiteral("stats"),
        QStringLiteral("DELETE FROM stats WHERE (type = ? AND date >= ? AND date < ?) OR (type = ? AND date = ?)"),
        rows);
}

DBTableWrite DBStatsUsage::insertRecords(const QList<StatsUsageObject>& records)
{
    DBTableWrite w;
    w.table = QStringLiteral("stats");
    w.statement = QStringLiteral("INSERT INTO stats (type,serverid,date,bytes,ubytes) VALUES (?,?,?,?,?)");
    w.rowCount = records.size();
    w.bindRow = [&records](DBStatement& st, qsizetype row) {
        const StatsUsageObject& r = records[row];
        st.bindInteger(1, kDayRow); // whatever the record's own type
        st.bindText(2, r.serverID);
        st.bindInteger(3, r.date);
        st.bindInteger(4, Utils::clampToInt64(r.bytes));
        st.bindInteger(5, Utils::clampToInt64(r.ubytes));
        return true;
    };
    return w;
}

bool DBStatsUsage::saveStatsForDay(qint64 day, const QList<StatsUsageObject>& records)
{
    return saveStatsForDays({day}, records);
}

bool DBStatsUsage::saveStatsForDays(const QList<qint64>& days, const QList<StatsUsageObject>& records)
{
    // The deletion and the inserts are one write, so a failure anywhere
    // (a locked or full file, a crash) leaves the days' old rows in place.
    // Only the saved days go: a clock set back must not wipe later days.
    return writeTables({deleteDays(days), insertRecords(records)}, WriteMode::Append);
}

bool DBStatsUsage::writeStatsToDB(const QList<StatsUsageObject>& records)
{
    return writeTable(insertRecords(records), WriteMode::Append);
}

bool DBStatsUsage::deleteAllRecordsForServerID(const QString& serverID)
{
    // Bound, not pasted into the statement: a server id is user data.
    return writeTable(DBTableWrite::fromRows(QStringLiteral("stats"),
                                             QStringLiteral("DELETE FROM stats WHERE serverid = ?"),
                                             {{serverID}}),
                      WriteMode::Append);
}

bool DBStatsUsage::clearDatabase()
{
    return clearTables({QStringLiteral("stats")});
}
