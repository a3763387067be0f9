#include "search/DBWatchdog.h"

#include "core/Logger.h"
#include "core/StringFormat.h"
#include "search/DeepLookupStoreValues.h"

namespace {

DBStoreDefinition makeDefinition()
{
    DBStoreDefinition d;
    d.className = QStringLiteral("DBWatchdog");
    d.storeName = QStringLiteral("Watchdog");
    d.description = QStringLiteral("The Watchdog entries");
    d.databaseFilename = QStringLiteral("watchdog.db");
    d.dbversion = DBWatchdog::kVersion;
    d.versionRule = DBStoreDefinition::VersionRule::Recreate;
    d.tables.append({QStringLiteral("CREATE TABLE IF NOT EXISTS entries (ID INTEGER PRIMARY KEY, tag INTEGER, "
                                    "active INTEGER, alias TEXT, exclpwd INTEGER, ero INTEGER, action INTEGER, "
                                    "interval INTEGER, title TEXT, newsgroups TEXT, poster TEXT, minsize TEXT, "
                                    "maxsize TEXT, lastmatch INTEGER, lastsearch INTEGER)"),
                     QStringLiteral("(1) Failed to create Watchdog database.")});
    d.notFoundText = QStringLiteral("Watchdog database not found. Creating a new one.");
    d.openFailedText = QStringLiteral("Failed to open/create Watchdog database.");
    d.infoFailedText = QStringLiteral("(2) Failed to create Watchdog info database.");
    d.incompatibleText = QStringLiteral("Watchdog database is not compatible with app version.");
    d.oldVersionFormat = QStringLiteral(
        "%s Old Watchdog database version detected: %@ (current:v%ld) (required:v%ld). Removing old database.");
    return d;
}

const QString kColumnsList = QStringLiteral(
    "tag,active,alias,exclpwd,ero,action,interval,title,newsgroups,poster,minsize,maxsize,lastmatch,lastsearch");

} // namespace

DBWatchdog::DBWatchdog() : DBStore(makeDefinition())
{
    startDB();
    checkVersion();
}

QList<WatchdogPtr> DBWatchdog::loadAll(const Watchdog::Clock& clock)
{
    const QList<WatchdogPtr> entries = loadObjects<WatchdogPtr>(
        QStringLiteral("SELECT * FROM entries;"), [&](const QStringList& row) { return dbToObj(row, clock); });
    BLOG(2, "Watchdog entries loaded from database :: %ld items", qint64(entries.size()));
    return entries;
}

std::optional<WatchdogPtr> DBWatchdog::dbToObj(const QStringList& row, const Watchdog::Clock& clock) const
{
    if (!rowHasColumns(row, kColumns)) return std::nullopt;
    using DeepLookupStoreValues::integer;
    WatchdogPtr w = Watchdog::create(clock);
    w->setTag(integer(row[1]));
    w->setActive(integer(row[2]) != 0);
    w->setAlias(row[3]);
    w->setExcludePwdFiles(integer(row[4]) != 0);
    w->setEro(integer(row[5]) != 0);
    w->setAction(integer(row[6]));
    qint64 interval = integer(row[7]);
    if (interval >= 1 && interval <= 9) interval = 10;
    w->setInterval(interval);
    const DeepLookupObjectPtr& q = w->dpobject();
    q->setTitle(row[8]);
    q->setGroup(row[9]);
    q->setPoster(row[10]);
    q->setMinsize(row[11]);
    q->setMaxsize(row[12]);
    w->setLastmatch(integer(row[13]));
    w->setLastsearch(integer(row[14]));
    return w;
}

QVariantList DBWatchdog::rowValues(const Watchdog& w)
{
    using DeepLookupStoreValues::text;
    const DeepLookupObject& q = *w.dpobject();
    return {w.tag(),           qint64(w.active()), w.alias(),          qint64(w.excludePwdFiles()),
            qint64(w.ero()),   w.action(),         w.interval(),       text(q.title()),
            text(q.group()),   text(q.poster()),   text(q.minsize()),  text(q.maxsize()),
            w.lastmatch(),     w.lastsearch()};
}

bool DBWatchdog::saveAll(const QList<WatchdogPtr>& entries)
{
    QList<QVariantList> rows;
    rows.reserve(entries.size());
    for (const WatchdogPtr& w : entries)
        if (w) rows.append(rowValues(*w));
    const bool saved = writeTable(
        DBTableWrite::fromRows(QStringLiteral("entries"),
                               sformat(u"INSERT INTO entries (%@) VALUES (?,?,?,?,?,?,?,?,?,?,?,?,?,?)", kColumnsList),
                               rows),
        WriteMode::Replace);
    if (saved)
        BLOG(2, "Watchdog entries saved to database :: %ld items", qint64(rows.size()));
    else
        BLOG(4, "Error saving Watchdog entries to database.");
    return saved;
}

bool DBWatchdog::updateEntry(const Watchdog& entry)
{
    QVariantList values = rowValues(entry);
    values.append(entry.tag());
    return writeTable(DBTableWrite::fromRows(
                          QStringLiteral("entries"),
                          QStringLiteral("UPDATE entries SET tag=?,active=?,alias=?,exclpwd=?,ero=?,action=?,"
                                         "interval=?,title=?,newsgroups=?,poster=?,minsize=?,maxsize=?,"
                                         "lastmatch=?,lastsearch=? WHERE tag = ?"),
                          {values}),
                      WriteMode::Append);
}

bool DBWatchdog::removeEntriesWithTags(const QList<qint64>& tags)
{
    if (tags.isEmpty()) return true;
    QStringList list;
    for (qint64 tag : tags) list.append(QString::number(tag));
    return writeTable(DBTableWrite::fromRows(QStringLiteral("entries"),
                                             sformat(u"DELETE FROM entries WHERE tag IN (%@)", list.join(u',')),
                                             {QVariantList()}),
                      WriteMode::Append);
}
