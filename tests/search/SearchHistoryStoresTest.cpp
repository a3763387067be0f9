#include "search/DBDeepLookupBookmarks.h"
#include "search/DBDeepLookupHistory.h"

#include "platform/UserDefaults.h"
#include "support/LogFileReader.h"
#include "support/SqliteProbe.h"
#include "support/TempHome.h"

#include <gtest/gtest.h>

#include <QFileInfo>

#include <functional>

namespace {

DeepLookupObjectPtr entry(const QString& alias, const QString& ero = QStringLiteral("0"))
{
    DeepLookupObjectPtr q = DeepLookupObject::create();
    q->setAlias(alias);
    q->setTitle(alias + QStringLiteral(" words"));
    q->setStartdate(QStringLiteral("30"));
    q->setEnddate(QStringLiteral("1700000000"));
    q->setMinsize(QStringLiteral("1"));
    q->setMaxsize(QStringLiteral("9"));
    q->setGroup(QStringLiteral("alt.binaries.test"));
    q->setPoster(QStringLiteral("me"));
    q->setEro(ero);
    q->setLastAccessDate(1700000500);
    return q;
}

DeepLookupObjectPtr map(const QString& alias, qint64 id, const QList<DeepLookupObjectPtr>& bookmarks)
{
    DeepLookupObjectPtr m = DeepLookupObject::create();
    m->setIsmap(true);
    m->setIsExpanded(true);
    m->setIcontype(QStringLiteral("map"));
    m->setAlias(alias);
    m->setMapid(id);
    m->setChilds(bookmarks);
    for (const DeepLookupObjectPtr& b : bookmarks) {
        b->setIsBookmark(true);
        b->setMapid(id);
    }
    return m;
}

QStringList aliases(const QList<DeepLookupObjectPtr>& list)
{
    QStringList out;
    for (const DeepLookupObjectPtr& q : list)
        out.append(q->alias().value_or(QStringLiteral("<absent>")));
    return out;
}

struct Stores : ::testing::Test
{
    TempHome home;
    QString folder = home.appSupportPath() + QStringLiteral("/db");
    QString historyPath = folder + QStringLiteral("/dphistory.db");
    QString bookmarksPath = folder + QStringLiteral("/dpbookmarks.db");
    LogFileReader log{home.logFilePath()};

    // A file as an older version of the program left it.
    void makeOldFile(const QString& path, long version, const QString& createTable,
                     const QStringList& inserts)
    {
        QString sql = createTable + QStringLiteral(";CREATE TABLE dbinfo (version INTEGER);") +
                      QStringLiteral("INSERT INTO dbinfo (version) VALUES (%1);").arg(version);
        for (const QString& insert : inserts)
            sql += insert + QLatin1Char(';');
        ASSERT_TRUE(sqliteExec(path, sql));
    }
};

const QString kHistory101 = QStringLiteral(
    "CREATE TABLE dphistory (ID INTEGER PRIMARY KEY AUTOINCREMENT, alias TEXT, title TEXT, startdate TEXT, "
    "enddate TEXT, minsize TEXT, maxsize TEXT, newsgroup TEXT, poster TEXT, ero TEXT)");
const QString kBookmarks101 = QStringLiteral(
    "CREATE TABLE bookmarks (ID INTEGER PRIMARY KEY AUTOINCREMENT, mapid INTEGER, alias TEXT, ismap INTEGER, "
    "title TEXT, startdate TEXT, enddate TEXT, minsize TEXT, maxsize TEXT, newsgroup TEXT, poster TEXT, ero "
    "TEXT, "
    "expanded INTEGER)");

QString history101Row(int i)
{
    return QStringLiteral(
               "INSERT INTO dphistory (alias,title,startdate,enddate,minsize,maxsize,newsgroup,poster,ero) "
               "VALUES ('h%1','t%1','7','e%1','1','2','g','p','%2')")
        .arg(i)
        .arg(i % 2);
}

} // namespace

TEST_F(Stores, HistoryRoundTripKeepsOrderAndReadsAbsentTextsAsEmpty)
{
    DBDeepLookupHistory store;
    DeepLookupObjectPtr noPoster = entry(QStringLiteral("b"), QStringLiteral("1"));
    noPoster->setPoster(std::nullopt);
    ASSERT_TRUE(store.saveAllObjects({entry(QStringLiteral("a")), noPoster, entry(QStringLiteral("c"))}));
    const QList<DeepLookupObjectPtr> loaded = store.loadAllObjects();
    EXPECT_EQ(aliases(loaded), (QStringList{"a", "b", "c"}));
    const DeepLookupObject& b = *loaded[1];
    EXPECT_EQ(b.poster(), QStringLiteral(""));
    EXPECT_EQ(b.title(), QStringLiteral("b words"));
    EXPECT_EQ(b.enddate(), QStringLiteral("1700000000"));
    EXPECT_EQ(b.group(), QStringLiteral("alt.binaries.test"));
    EXPECT_EQ(b.ero(), QStringLiteral("1"));
    EXPECT_EQ(b.icontype(), QStringLiteral("1"));
    EXPECT_EQ(b.lastAccessDate(), 1700000500);
    EXPECT_EQ(sqliteColumn(historyPath, "SELECT quote(poster) FROM dphistory WHERE alias='b'"),
              QStringList{"NULL"});
}

TEST_F(Stores, HistoryLoadTakesTheLimitInStoredOrderAndTheNextSaveKeepsOnlyThose)
{
    UserDefaults::standard().setInteger(100, QStringLiteral("maxSearchHistoryDatabase"));
    QList<DeepLookupObjectPtr> many;
    for (int i = 0; i < 150; ++i)
        many.append(entry(QStringLiteral("q%1").arg(i)));
    DBDeepLookupHistory store;
    ASSERT_TRUE(store.saveAllObjects(many));
    const QList<DeepLookupObjectPtr> loaded = store.loadAllObjects();
    ASSERT_EQ(loaded.size(), 100);
    EXPECT_EQ(aliases(loaded), aliases(many.mid(0, 100)));
    ASSERT_TRUE(store.saveAllObjects(loaded));
    EXPECT_EQ(sqliteColumn(historyPath, "SELECT count(*) FROM dphistory"), QStringList{"100"});
}

TEST_F(Stores, BookmarkTreeIsStoredInPreOrderWithMapSequenceNumbers)
{
    DBDeepLookupBookmarks store;
    // Ids as maps made in memory carry them; the bookmarks follow their map
    // by position, whatever id they hold.
    const QList<DeepLookupObjectPtr> tree = {
        map(QStringLiteral("M1"), 8123456, {entry(QStringLiteral("a")), entry(QStringLiteral("b"))}),
        map(QStringLiteral("M2"), 17, {entry(QStringLiteral("c"), QStringLiteral("1"))}),
    };
    tree[1]->childs()->first()->setMapid(999);
    tree[1]->setIsExpanded(false);
    ASSERT_TRUE(store.saveAllObjects(tree));
    EXPECT_EQ(sqliteColumn(bookmarksPath, "SELECT mapid FROM bookmarks ORDER BY ID"),
              (QStringList{"1", "1", "1", "2", "2"}));
    EXPECT_EQ(sqliteColumn(bookmarksPath, "SELECT ismap FROM bookmarks ORDER BY ID"),
              (QStringList{"1", "0", "0", "1", "0"}));

    const QList<DeepLookupObjectPtr> loaded = store.loadAllObjects();
    ASSERT_EQ(loaded.size(), 2);
    EXPECT_EQ(aliases(loaded), (QStringList{"M1", "M2"}));
    EXPECT_EQ(loaded[0]->mapid(), 1);
    EXPECT_EQ(loaded[1]->mapid(), 2);
    EXPECT_TRUE(loaded[0]->isExpanded());
    EXPECT_FALSE(loaded[1]->isExpanded());
    for (const DeepLookupObjectPtr& m : loaded) {
        EXPECT_TRUE(m->ismap());
        EXPECT_TRUE(m->isBookmark());
        EXPECT_EQ(m->icontype(), QStringLiteral("map"));
        ASSERT_TRUE(m->childs());
        for (const DeepLookupObjectPtr& b : *m->childs()) {
            EXPECT_EQ(b->mapid(), m->mapid());
            EXPECT_TRUE(b->isBookmark());
            EXPECT_FALSE(b->ismap());
        }
    }
    EXPECT_EQ(aliases(*loaded[0]->childs()), (QStringList{"a", "b"}));
    EXPECT_EQ(aliases(*loaded[1]->childs()), (QStringList{"c"}));
    EXPECT_EQ(loaded[1]->childs()->first()->icontype(), QStringLiteral("1"));
    EXPECT_EQ(loaded[1]->childs()->first()->lastAccessDate(), 1700000500);

    // An empty map comes back with a present, empty list.
    ASSERT_TRUE(store.saveAllObjects({map(QStringLiteral("empty"), 5, {})}));
    const QList<DeepLookupObjectPtr> empty = store.loadAllObjects();
    ASSERT_EQ(empty.size(), 1);
    ASSERT_TRUE(empty[0]->childs());
    EXPECT_TRUE(empty[0]->childs()->isEmpty());
}

TEST_F(Stores, RowsThatDoNotFitAreSkippedAndABookmarkBeforeAnyMapIsLost)
{
    DBDeepLookupBookmarks store;
    ASSERT_TRUE(store.saveAllObjects({map(QStringLiteral("M"), 1, {entry(QStringLiteral("kept"))})}));
    ASSERT_TRUE(sqliteExec(
        bookmarksPath, "INSERT INTO bookmarks (ID,mapid,alias,ismap,title,startdate,enddate,minsize,maxsize,"
                       "newsgroup,poster,ero,expanded,lastaccessdate) VALUES "
                       "(0,1,'orphan',0,'t','','','','','','','0',0,0)"));
    const QList<DeepLookupObjectPtr> loaded = store.loadAllObjects();
    ASSERT_EQ(loaded.size(), 1);
    EXPECT_EQ(aliases(*loaded[0]->childs()), QStringList{"kept"});

    DBDeepLookupHistory history;
    ASSERT_TRUE(history.saveAllObjects({entry(QStringLiteral("x")), entry(QStringLiteral("y"))}));
    ASSERT_TRUE(sqliteExec(historyPath, "ALTER TABLE dphistory ADD COLUMN extra TEXT"));
    EXPECT_TRUE(history.loadAllObjects().isEmpty());
    EXPECT_EQ(
        log.linesWithMessage("DeepLookup History database record is not compatible with app version.").size(),
        2);
}

TEST_F(Stores, Version101HistoryIsConvertedWithEveryRowAndThenLimited)
{
    UserDefaults::standard().setInteger(5, QStringLiteral("maxSearchHistoryDatabase"));
    QStringList rows;
    for (int i = 0; i < 8; ++i)
        rows.append(history101Row(i));
    makeOldFile(historyPath, 101, kHistory101, rows);

    DBDeepLookupHistory store;
    const QList<DeepLookupObjectPtr> loaded = store.loadAllObjects();
    EXPECT_EQ(aliases(loaded), (QStringList{"h0", "h1", "h2", "h3", "h4"}));
    EXPECT_EQ(loaded[1]->lastAccessDate(), 0);
    EXPECT_EQ(loaded[1]->enddate(), QStringLiteral("e1"));
    EXPECT_EQ(loaded[1]->icontype(), QStringLiteral("1"));
    EXPECT_EQ(sqliteColumn(historyPath, "SELECT version FROM dbinfo"), QStringList{"102"});
    EXPECT_EQ(sqliteColumn(historyPath, "SELECT count(*) FROM dphistory"), QStringList{"8"});
    EXPECT_EQ(sqliteColumn(historyPath, "SELECT DISTINCT lastaccessdate FROM dphistory"), QStringList{"0"});
    EXPECT_EQ(log.linesWithMessage("Converting database: dphistory.db from v101 to v102").size(), 1);
    EXPECT_EQ(log.linesWithMessage("dphistory.db successfully coverted from v101 to v102").size(), 1);
    store.loadAllObjects();
    EXPECT_EQ(log.linesWithMessage("Converting database: dphistory.db from v101 to v102").size(), 1);
}

TEST_F(Stores, Version101BookmarksLoseTheirEndDates)
{
    makeOldFile(
        bookmarksPath, 101, kBookmarks101,
        {"INSERT INTO bookmarks (mapid,alias,ismap,title,startdate,enddate,minsize,maxsize,newsgroup,poster,"
         "ero,expanded) VALUES (4,'orphan',0,'t','7','e0','','','','','0',0)",
         "INSERT INTO bookmarks (mapid,alias,ismap,title,startdate,enddate,minsize,maxsize,newsgroup,poster,"
         "ero,expanded) VALUES (4,'M',1,'','','','','','','','',1)",
         "INSERT INTO bookmarks (mapid,alias,ismap,title,startdate,enddate,minsize,maxsize,newsgroup,poster,"
         "ero,expanded) VALUES (4,'b',0,'words','7','e1','1','2','g','p','1',0)"});
    DBDeepLookupBookmarks store;
    const QList<DeepLookupObjectPtr> loaded = store.loadAllObjects();
    ASSERT_EQ(loaded.size(), 1);
    EXPECT_EQ(loaded[0]->mapid(), 1);
    EXPECT_TRUE(loaded[0]->isExpanded());
    ASSERT_EQ(loaded[0]->childs()->size(), 1);
    const DeepLookupObject& b = *loaded[0]->childs()->first();
    EXPECT_EQ(b.alias(), QStringLiteral("b"));
    EXPECT_EQ(b.enddate(), QStringLiteral(""));
    EXPECT_EQ(b.startdate(), QStringLiteral("7"));
    EXPECT_EQ(b.minsize(), QStringLiteral("1"));
    EXPECT_EQ(b.group(), QStringLiteral("g"));
    EXPECT_EQ(b.poster(), QStringLiteral("p"));
    EXPECT_EQ(b.ero(), QStringLiteral("1"));
    EXPECT_EQ(b.lastAccessDate(), 0);
    EXPECT_EQ(sqliteColumn(bookmarksPath, "SELECT version FROM dbinfo"), QStringList{"102"});
    EXPECT_EQ(sqliteColumn(bookmarksPath, "SELECT enddate FROM bookmarks ORDER BY ID"),
              (QStringList{"", ""}));
}

TEST_F(Stores, AnotherOldVersionIsNeitherConvertedNorDeletedAndSaysSoAtEveryLoad)
{
    makeOldFile(historyPath, 100, kHistory101, {history101Row(1)});
    DBDeepLookupHistory store;
    for (int load = 1; load <= 2; ++load) {
        EXPECT_TRUE(store.loadAllObjects().isEmpty());
        EXPECT_EQ(log.linesWithMessage("Converting database: dphistory.db from v100 to v102").size(), load);
        EXPECT_EQ(log.linesWithMessage("Error while converting: dphistory.db from v100 to v102").size(),
                  load);
    }
    EXPECT_EQ(sqliteColumn(historyPath, "SELECT version FROM dbinfo"), QStringList{"100"});
    EXPECT_EQ(sqliteColumn(historyPath, "SELECT alias FROM dphistory"), QStringList{"h1"});
}

// A save that fails part-way (here a row the file refuses) leaves the rows
// of the last good save, for both stores.
TEST_F(Stores, AFailureInTheMiddleOfASaveKeepsTheOldRows)
{
    struct Case
    {
        const char* name;
        QString path;
        QString table;
        std::function<bool(const QList<DeepLookupObjectPtr>&)> save;
        std::function<QStringList()> load;
    };
    DBDeepLookupHistory history;
    DBDeepLookupBookmarks bookmarks;
    const auto inMap = [](const QList<DeepLookupObjectPtr>& list) {
        return QList<DeepLookupObjectPtr>{map(QStringLiteral("M"), 1, list)};
    };
    const Case cases[] = {
        {"history", historyPath, QStringLiteral("dphistory"),
         [&](const QList<DeepLookupObjectPtr>& l) { return history.saveAllObjects(l); },
         [&] { return aliases(history.loadAllObjects()); }},
        {"bookmarks", bookmarksPath, QStringLiteral("bookmarks"),
         [&](const QList<DeepLookupObjectPtr>& l) { return bookmarks.saveAllObjects(inMap(l)); },
         [&] {
             const QList<DeepLookupObjectPtr> maps = bookmarks.loadAllObjects();
             return maps.isEmpty() ? QStringList() : aliases(*maps[0]->childs());
         }},
    };
    for (const Case& c : cases) {
        ASSERT_TRUE(c.save({entry(QStringLiteral("old1")), entry(QStringLiteral("old2"))})) << c.name;
        ASSERT_TRUE(sqliteExec(
            c.path, QStringLiteral("CREATE TRIGGER refuse BEFORE INSERT ON %1 WHEN NEW.alias='boom' "
                                   "BEGIN SELECT RAISE(ABORT,'injected'); END")
                        .arg(c.table)))
            << c.name;
        EXPECT_FALSE(c.save(
            {entry(QStringLiteral("new1")), entry(QStringLiteral("boom")), entry(QStringLiteral("new3"))}))
            << c.name;
        EXPECT_EQ(c.load(), (QStringList{"old1", "old2"})) << c.name;
    }
}

// The conversion writes the new layout and its rows in one go over the old
// file: when that fails the old file is still there, whole, for the next try.
TEST_F(Stores, AFailedConversionKeepsTheOldFileAndItsRows)
{
    makeOldFile(historyPath, 101, kHistory101, {history101Row(1), history101Row(2)});
    // The version row cannot be rewritten: the conversion fails at its end.
    ASSERT_TRUE(sqliteExec(historyPath, "CREATE TRIGGER keep BEFORE DELETE ON dbinfo "
                                        "BEGIN SELECT RAISE(ABORT,'injected'); END"));
    DBDeepLookupHistory store;
    EXPECT_TRUE(store.loadAllObjects().isEmpty());
    EXPECT_EQ(log.linesWithMessage("Error while converting: dphistory.db from v101 to v102").size(), 1);
    EXPECT_TRUE(QFileInfo::exists(historyPath));
    EXPECT_EQ(sqliteColumn(historyPath, "SELECT version FROM dbinfo"), QStringList{"101"});
    EXPECT_EQ(sqliteColumn(historyPath, "SELECT alias FROM dphistory ORDER BY ID"),
              (QStringList{"h1", "h2"}));

    // Once the file can be written, the next load converts it.
    ASSERT_TRUE(sqliteExec(historyPath, "DROP TRIGGER keep"));
    EXPECT_EQ(aliases(store.loadAllObjects()), (QStringList{"h1", "h2"}));
}
