#include "search/DBWatchdogHistory.h"

#include "core/Logger.h"
#include "core/StringFormat.h"
#include "search/DeepLookupStoreValues.h"

#include <QFile>
#include <QHash>

#include <sqlite3.h>

namespace {

DBStoreDefinition makeDefinition()
{
    DBStoreDefinition d;
    d.className = QStringLiteral("DBWatchdogHistory");
    d.storeName = QStringLiteral("Watchdog history");
    d.description = QStringLiteral("The Watchdog history");
    d.databaseFilename = QStringLiteral("watchdoghistory.db");
    d.dbversion = DBWatchdogHistory::kVersion;
    d.versionRule = DBStoreDefinition::VersionRule::Recreate;
    d.tables.append({QStringLiteral("CREATE TABLE IF NOT EXISTS history (ID INTEGER PRIMARY KEY, watchdogid "
                                    "INTEGER, title TEXT, date INTEGER, filedate INTEGER, bytes TEXT, qid TEXT)"),
                     QStringLiteral("(1) Failed to create Watchdog history database.")});
    d.notFoundText = QStringLiteral("Watchdog history database not found. Creating a new one.");
    d.openFailedText = QStringLiteral("Failed to open/create Watchdog history database.");
    d.infoFailedText = QStringLiteral("(2) Failed to create Watchdog history info database.");
    d.incompatibleText = QStringLiteral("Watchdog history database is not compatible with app version.");
    d.oldVersionFormat = QStringLiteral("%s Old Watchdog history database version detected: %@ (current:v%ld) "
                                        "(required:v%ld). Removing old database.");
    return d;
}

} // namespace

DBWatchdogHistory::DBWatchdogHistory() : DBStore(makeDefinition())
{
    startDB();
    checkVersion();
}

void DBWatchdogHistory::loadHistoryForWatchdog(Watchdog& entry)
{
    if (!QFile::exists(databasePath())) startDB();
    const qint64 tag = entry.now() * 10000000;
    entry.setHistory(loadObjects<WatchdogHistoryObj>(
        sformat(u"SELECT * FROM history WHERE watchdogid = %ld ORDER BY ID;", entry.tag()),
        [&](const QStringList& row) { return dbToObj(row, tag); }));
}

void DBWatchdogHistory::loadHistoryForWatchdogs(const QList<WatchdogPtr>& entries)
{
    if (entries.isEmpty()) return;
    if (!QFile::exists(databasePath())) startDB();
    QHash<qint64, QList<WatchdogHistoryObj>> byEntry;
    for (const WatchdogPtr& w : entries) byEntry.insert(w->tag(), {});
    const qint64 tag = entries.first()->now() * 10000000;
    // A row of another width stops the load, as it does for one entry.
    dbQuery(QStringLiteral("SELECT * FROM history ORDER BY ID;"), [&](const QStringList& row) {
        std::optional<WatchdogHistoryObj> h = dbToObj(row, tag);
        if (!h) return false;
        auto it = byEntry.find(h->watchdogid);
        if (it != byEntry.end()) it->append(std::move(*h));
        return true;
    });
    for (const WatchdogPtr& w : entries) w->setHistory(byEntry.value(w->tag()));
}

std::optional<WatchdogHistoryObj> DBWatchdogHistory::dbToObj(const QStringList& row, qint64 tag) const
{
    if (!rowHasColumns(row, kColumns)) return std::nullopt;
    using DeepLookupStoreValues::integer;
    WatchdogHistoryObj h;
    h.tag = tag;
    h.watchdogid = integer(row[1]);
    h.title = row[2];
    h.date = integer(row[3]);
    h.filedate = integer(row[4]);
    h.bytesString = row[5];
    h.qid = row[6];
    return h;
}

bool DBWatchdogHistory::saveHistoryForWatchdog(const Watchdog& entry)
{
    if (!QFile::exists(databasePath())) startDB();
    QList<QVariantList> rows;
    rows.reserve(entry.history().size());
    for (const WatchdogHistoryObj& h : entry.history())
        rows.append({entry.tag(), h.title, h.date, h.filedate, h.bytesString, h.qid});
    // The old rows go in the same transaction as the new ones come in.
    const DBTableWrite clear = DBTableWrite::fromRows(
        QStringLiteral("history"), sformat(u"DELETE FROM history WHERE watchdogid = %ld", entry.tag()),
        {QVariantList()});
    const DBTableWrite insert = DBTableWrite::fromRows(
        QStringLiteral("history"),
        QStringLiteral("INSERT INTO history (watchdogid,title,date,filedate,bytes,qid) VALUES (?,?,?,?,?,?)"), rows);
    const bool saved = writeTables({clear, insert}, WriteMode::Append);
    if (saved)
        BLOG(2, "Watchdog history saved to database :: %ld items", qint64(rows.size()));
    else
        BLOG(4, "Error saving Watchdog history to database.");
    return saved;
}

bool DBWatchdogHistory::removeHistoryForWatchdogTags(const QList<qint64>& tags)
{
    if (tags.isEmpty()) return true;
    if (!QFile::exists(databasePath())) startDB();
    QStringList list;
    for (qint64 tag : tags) list.append(QString::number(tag));
    return writeTable(DBTableWrite::fromRows(QStringLiteral("history"),
                                             sformat(u"DELETE FROM history WHERE watchdogid IN (%@)",
                                                     list.join(u',')),
                                             {QVariantList()}),
                      WriteMode::Append);
}

void DBWatchdogHistory::optimizeHistory()
{
    if (!QFile::exists(databasePath())) startDB();
    optimizeDatabase();
    BLOG(1, "Successfully optimised the Watchdog History database.");
}

void DBWatchdogHistory::connectionOpened(sqlite3* db)
{
    DBStore::connectionOpened(db);
    sqlite3_exec(db, "CREATE INDEX IF NOT EXISTS history_watchdogid ON history (watchdogid)", nullptr, nullptr,
                 nullptr);
}
