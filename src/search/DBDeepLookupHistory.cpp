#include "search/DBDeepLookupHistory.h"

#include "core/Logger.h"
#include "core/StringFormat.h"
#include "platform/UserDefaults.h"
#include "search/DeepLookupStoreValues.h"

namespace {

const QString kTable = QStringLiteral("dphistory");

DBStoreDefinition makeDefinition()
{
    DBStoreDefinition d;
    d.className = QStringLiteral("DBDeepLookupHistory");
    d.storeName = QStringLiteral("DeepLookupHistory");
    d.description = QStringLiteral("The search history");
    d.databaseFilename = QStringLiteral("dphistory.db");
    d.dbversion = DBDeepLookupHistory::kVersion;
    d.versionRule = DBStoreDefinition::VersionRule::Convert;
    d.tables.append(
        {QStringLiteral("CREATE TABLE IF NOT EXISTS dphistory (ID INTEGER PRIMARY KEY AUTOINCREMENT, "
                        "alias TEXT, title TEXT, startdate TEXT, enddate TEXT, minsize TEXT, "
                        "maxsize TEXT, newsgroup TEXT, poster TEXT, ero TEXT, lastaccessdate INTEGER)"),
         QString()});
    d.incompatibleText =
        QStringLiteral("DeepLookup History database record is not compatible with app version.");
    return d;
}

// Columns 1 to 9 of both versions: alias, title, startdate, enddate,
// minsize, maxsize, newsgroup, poster, ero.
DeepLookupObjectPtr queryFromRow(const QStringList& row)
{
    DeepLookupObjectPtr q = DeepLookupObject::create();
    q->setAlias(row[1]);
    q->setTitle(row[2]);
    q->setStartdate(row[3]);
    q->setEnddate(row[4]);
    q->setMinsize(row[5]);
    q->setMaxsize(row[6]);
    q->setGroup(row[7]);
    q->setPoster(row[8]);
    q->setEro(row[9]);
    q->setIcontype(q->ero());
    return q;
}

} // namespace

DBDeepLookupHistory::DBDeepLookupHistory() : DBStore(makeDefinition())
{
    startDB();
}

QList<DeepLookupObjectPtr> DBDeepLookupHistory::loadAllObjects()
{
    checkVersion();
    const qint64 limit = UserDefaults::standard().integerForKey(QStringLiteral("maxSearchHistoryDatabase"));
    return convertDBObjects(dbQuery(sformat(u"SELECT * FROM dphistory ORDER BY ID LIMIT %ld", limit)));
}

QList<DeepLookupObjectPtr> DBDeepLookupHistory::convertDBObjects(const QList<QStringList>& rows) const
{
    QList<DeepLookupObjectPtr> out;
    for (const QStringList& row : rows) {
        if (!rowHasColumns(row, kColumns)) continue;
        DeepLookupObjectPtr q = queryFromRow(row);
        q->setLastAccessDate(DeepLookupStoreValues::integer(row[10]));
        out.append(q);
    }
    return out;
}

DBTableWrite DBDeepLookupHistory::rowsFor(const QList<DeepLookupObjectPtr>& list) const
{
    using namespace DeepLookupStoreValues;
    QList<QVariantList> rows;
    rows.reserve(list.size());
    for (const DeepLookupObjectPtr& q : list) {
        if (!q) continue;
        rows.append({text(q->alias()), text(q->title()), text(q->startdate()), text(q->enddate()),
                     text(q->minsize()), text(q->maxsize()), text(q->group()), text(q->poster()),
                     text(q->ero()), q->lastAccessDate()});
    }
    return DBTableWrite::fromRows(
        kTable,
        QStringLiteral("INSERT INTO dphistory (alias,title,startdate,enddate,minsize,"
                       "maxsize,newsgroup,poster,ero,lastaccessdate) VALUES "
                       "(?,?,?,?,?,?,?,?,?,?)"),
        rows);
}

bool DBDeepLookupHistory::saveAllObjects(const QList<DeepLookupObjectPtr>& list)
{
    return writeTable(rowsFor(list), WriteMode::Replace);
}

bool DBDeepLookupHistory::convertDBFromVersion(long oldVersion)
{
    return oldVersion == 101 && convertDBFromVersion101();
}

bool DBDeepLookupHistory::convertDBFromVersion101()
{
    bool complete = true;
    QList<DeepLookupObjectPtr> converted;
    const bool read =
        dbQuery(QStringLiteral("SELECT * FROM dphistory ORDER BY ID"), [&](const QStringList& row) {
            if (row.size() != kColumns101) {
                BLOG(3, "DeepLookup History database conversion record is not compatible with app version.");
                complete = false;
                return true;
            }
            converted.append(queryFromRow(row)); // lastAccessDate 0
            return true;
        });
    // Without its rows the old file is kept as it is: the next load tries
    // again.
    if (!read) return false;
    return writeTable(rowsFor(converted), WriteMode::Rebuild) && complete;
}
