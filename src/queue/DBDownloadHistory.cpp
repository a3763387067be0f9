#include "queue/DBDownloadHistory.h"

#include "platform/UserDefaults.h"

#include <algorithm>

namespace {

const QString kTable = QStringLiteral("history");
const QString kInsert = QStringLiteral("INSERT INTO history (fid,date) VALUES (?,?)");

DBStoreDefinition storeDefinition()
{
    DBStoreDefinition def;
    def.className = QStringLiteral("DBDownloadHistory");
    def.storeName = QStringLiteral("DownloadHistory");
    def.description = QStringLiteral("The download history");
    def.databaseFilename = QStringLiteral("downloadhistory.db");
    def.dbversion = 100;
    def.tables = {
        {QStringLiteral("CREATE TABLE IF NOT EXISTS history (ID INTEGER PRIMARY KEY, fid TEXT,date INTEGER)"),
         QStringLiteral("(1) Failed to create DownloadHistory database.")}};
    def.versionRule = DBStoreDefinition::VersionRule::None;
    def.notFoundText = QStringLiteral("DownloadHistory Database not found. Creating a new one.");
    def.openFailedText = QStringLiteral("Failed to open/create DownloadHistory database.");
    def.infoFailedText = QStringLiteral("(2) Failed to create DownloadHistory info database.");
    def.incompatibleText = QStringLiteral("DowloadHistory database is not compatible with app version.");
    return def;
}

} // namespace

DBDownloadHistory::DBDownloadHistory() : DBStore(storeDefinition())
{
    startDB();
}

std::optional<DownloadHistoryObject> DBDownloadHistory::dbToObj(const QStringList& row) const
{
    if (!rowHasColumns(row, 3)) return std::nullopt;
    DownloadHistoryObject obj;
    obj.fid = row[1];
    obj.date = row[2].toLongLong();
    if (obj.fid.isEmpty()) return std::nullopt;
    return obj;
}

QHash<QString, DownloadHistoryObject> DBDownloadHistory::loadHistory()
{
    QHash<QString, DownloadHistoryObject> out;
    const QList<DownloadHistoryObject> records = loadObjects<DownloadHistoryObject>(
        QStringLiteral("SELECT * FROM history;"), [this](const QStringList& row) { return dbToObj(row); });
    for (const DownloadHistoryObject& r : records)
        out.insert(r.fid, r);
    return out;
}

QList<DownloadHistoryObject>
DBDownloadHistory::newestRecords(const QHash<QString, DownloadHistoryObject>& dict, qint64 maxItems)
{
    QList<DownloadHistoryObject> all = dict.values();
    std::sort(all.begin(), all.end(),
              [](const DownloadHistoryObject& a, const DownloadHistoryObject& b) { return a.date > b.date; });
    // At least one record is kept, also with a limit of 0 or below.
    const qsizetype keep = std::max<qint64>(1, maxItems);
    if (all.size() > keep) all.resize(keep);
    return all;
}

DBTableWrite DBDownloadHistory::writeOf(const QList<DownloadHistoryObject>& records)
{
    DBTableWrite w;
    w.table = kTable;
    w.statement = kInsert;
    w.rowCount = records.size();
    w.bindRow = [&records](DBStatement& st, qsizetype row) {
        st.bindText(1, records[row].fid);
        st.bindInteger(2, records[row].date);
        return true;
    };
    return w;
}

bool DBDownloadHistory::saveHistory(const QHash<QString, DownloadHistoryObject>& dict)
{
    const qint64 maxItems =
        UserDefaults::standard().integerForKey(QStringLiteral("maxItemsInDownloadHistory"));
    const QList<DownloadHistoryObject> records = newestRecords(dict, maxItems);
    // Deleting and writing in one transaction: the old history survives
    // anything that stops the write half-way.
    return writeTable(writeOf(records), WriteMode::Replace);
}

bool DBDownloadHistory::clearDatabase()
{
    return clearTables({kTable});
}

bool DBDownloadHistory::writeHistoryToDB(const QList<DownloadHistoryObject>& records)
{
    return writeTable(writeOf(records), WriteMode::Append);
}
