#include "search/DBDeepLookupBookmarks.h"

#include "core/Logger.h"
#include "search/DeepLookupStoreValues.h"

namespace {

const QString kTable = QStringLiteral("bookmarks");

DBStoreDefinition makeDefinition()
{
    DBStoreDefinition d;
    d.className = QStringLiteral("DBDeepLookupBookmarks");
    d.storeName = QStringLiteral("DeepLookupFavorites");
    d.description = QStringLiteral("The search bookmarks");
    d.databaseFilename = QStringLiteral("dpbookmarks.db");
    d.dbversion = DBDeepLookupBookmarks::kVersion;
    d.versionRule = DBStoreDefinition::VersionRule::Convert;
    d.tables.append(
        {QStringLiteral("CREATE TABLE IF NOT EXISTS bookmarks (ID INTEGER PRIMARY KEY AUTOINCREMENT, "
                        "mapid INTEGER, alias TEXT, ismap INTEGER, title TEXT, startdate TEXT, "
                        "enddate TEXT, minsize TEXT, maxsize TEXT, newsgroup TEXT, poster TEXT, "
                        "ero TEXT, expanded INTEGER, lastaccessdate INTEGER)"),
         QString()});
    d.incompatibleText =
        QStringLiteral("DeepLookupBookmarks database record is not compatible with app version.");
    return d;
}

// Columns 1 to 12 of both versions; version 101 did not carry the end date
// (column 6), and has no last access date.
DeepLookupObjectPtr entryFromRow(const QStringList& row, bool withDates)
{
    using namespace DeepLookupStoreValues;
    DeepLookupObjectPtr q = DeepLookupObject::create();
    q->setMapid(integer(row[1]));
    q->setAlias(row[2]);
    q->setIsmap(flag(row[3]));
    q->setTitle(row[4]);
    q->setStartdate(row[5]);
    q->setEnddate(withDates ? row[6] : QStringLiteral(""));
    q->setMinsize(row[7]);
    q->setMaxsize(row[8]);
    q->setGroup(row[9]);
    q->setPoster(row[10]);
    q->setEro(row[11]);
    q->setIsExpanded(flag(row[12]));
    if (withDates) q->setLastAccessDate(integer(row[13]));
    q->setIsBookmark(true);
    q->setIcontype(q->ero());
    return q;
}

} // namespace

DBDeepLookupBookmarks::DBDeepLookupBookmarks() : DBStore(makeDefinition())
{
    startDB();
}

QList<DeepLookupObjectPtr> DBDeepLookupBookmarks::buildTree(const QList<DeepLookupObjectPtr>& flat)
{
    QList<DeepLookupObjectPtr> maps;
    DeepLookupObjectPtr current;
    for (const DeepLookupObjectPtr& entry : flat) {
        if (entry->ismap()) {
            entry->setChilds(QList<DeepLookupObjectPtr>());
            entry->setIcontype(QStringLiteral("map"));
            maps.append(entry);
            current = entry;
        } else if (current) {
            current->childs()->append(entry);
        }
        // A bookmark before any map has no map to go to: it is dropped.
    }
    return maps;
}

QList<DeepLookupObjectPtr> DBDeepLookupBookmarks::loadAllObjects()
{
    checkVersion();
    return convertDBObjects(dbQuery(QStringLiteral("SELECT * FROM bookmarks ORDER BY ID")));
}

QList<DeepLookupObjectPtr> DBDeepLookupBookmarks::convertDBObjects(const QList<QStringList>& rows) const
{
    QList<DeepLookupObjectPtr> flat;
    for (const QStringList& row : rows) {
        if (rowHasColumns(row, kColumns)) flat.append(entryFromRow(row, true));
    }
    return buildTree(flat);
}

DBTableWrite DBDeepLookupBookmarks::rowsFor(const QList<DeepLookupObjectPtr>& maps) const
{
    using namespace DeepLookupStoreValues;
    QList<QVariantList> rows;
    qint64 mapNumber = 0;
    const auto add = [&](const DeepLookupObjectPtr& q) {
        if (q->ismap()) ++mapNumber;
        rows.append({mapNumber, text(q->alias()), qint64(q->ismap() ? 1 : 0), text(q->title()),
                     text(q->startdate()), text(q->enddate()), text(q->minsize()), text(q->maxsize()),
                     text(q->group()), text(q->poster()), text(q->ero()), qint64(q->isExpanded() ? 1 : 0),
                     q->lastAccessDate()});
    };
    for (const DeepLookupObjectPtr& map : maps) {
        if (!map) continue;
        add(map);
        if (!map->childs()) continue;
        for (const DeepLookupObjectPtr& bookmark : *map->childs()) {
            if (bookmark) add(bookmark);
        }
    }
    return DBTableWrite::fromRows(
        kTable,
        QStringLiteral("INSERT INTO bookmarks (mapid,alias,ismap,title,startdate,enddate,"
                       "minsize,maxsize,newsgroup,poster,ero,expanded,lastaccessdate) "
                       "VALUES (?,?,?,?,?,?,?,?,?,?,?,?,?)"),
        rows);
}

bool DBDeepLookupBookmarks::saveAllObjects(const QList<DeepLookupObjectPtr>& maps)
{
    return writeTable(rowsFor(maps), WriteMode::Replace);
}

bool DBDeepLookupBookmarks::convertDBFromVersion(long oldVersion)
{
    return oldVersion == 101 && convertDBFromVersion101();
}

bool DBDeepLookupBookmarks::convertDBFromVersion101()
{
    bool complete = true;
    QList<DeepLookupObjectPtr> flat;
    const bool read =
        dbQuery(QStringLiteral("SELECT * FROM bookmarks ORDER BY ID"), [&](const QStringList& row) {
            if (row.size() != kColumns101) {
                BLOG(3, "%@", definition().incompatibleText);
                complete = false;
                return true;
            }
            flat.append(entryFromRow(row, false));
            return true;
        });
    // Without its rows the old file is kept as it is: the next load tries
    // again.
    if (!read) return false;
    return writeTable(rowsFor(buildTree(flat)), WriteMode::Rebuild) && complete;
}
