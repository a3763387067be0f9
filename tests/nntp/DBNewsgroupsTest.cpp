// newsgroups.db: the list, the favourites, the version rule, whole saves.

#include "nntp/DBNewsgroups.h"
#include "core/Logger.h"

#include "support/LogFileReader.h"
#include "support/NewsgroupItemPrinting.h"
#include "support/TempHome.h"

#include <gtest/gtest.h>

#include <QFile>

#include <sqlite3.h>

namespace {

using Items = QList<NewsgroupSelectorItem>;

class NewsgroupStore : public ::testing::Test
{
protected:
    TempHome home;

    QString path() const { return home.appSupportPath() + QStringLiteral("/db/newsgroups.db"); }

    // Runs SQL on the file directly, as another program would.
    void exec(const char* sql) const
    {
        sqlite3* db = nullptr;
        ASSERT_EQ(sqlite3_open(QFile::encodeName(path()).constData(), &db), SQLITE_OK);
        char* error = nullptr;
        const int rc = sqlite3_exec(db, sql, nullptr, nullptr, &error);
        EXPECT_EQ(rc, SQLITE_OK) << (error ? error : "");
        sqlite3_free(error);
        sqlite3_close(db);
    }
    QStringList logLines(const QString& text) const
    {
        Logger::shared()->flush();
        return LogFileReader(home.logFilePath()).linesContaining(text);
    }
    static Items list(int count, const QString& prefix = QStringLiteral("alt.group"))
    {
        Items items;
        for (int i = 0; i < count; ++i)
            items.append({sformat(u"%@.%ld", prefix, long(i)), qint64(i), i != 0});
        return items;
    }
};

} // namespace

TEST_F(NewsgroupStore, ANewFileHasItsTablesAndVersion)
{
    DBNewsgroups store;
    EXPECT_TRUE(QFile::exists(path()));
    EXPECT_EQ(store.dbQuery(QStringLiteral("SELECT version FROM dbinfo")), QList<QStringList>({{"101"}}));
    EXPECT_TRUE(store.loadAll().isEmpty());
    EXPECT_TRUE(store.loadFavs().isEmpty());
    EXPECT_EQ(logLines(QStringLiteral("Newsgroups Database not found. Creating a new one.")).size(), 1);
}

TEST_F(NewsgroupStore, TheListRoundTrips)
{
    const Items items = {{QStringLiteral("alt.test"), 99, false},
                         {QStringLiteral("alt.empty"), 0, true},
                         {QStringLiteral("de.quote's.caf\u00e9"), 5, false}};
    EXPECT_TRUE(DBNewsgroups().saveAll(items));
    // A stored group with articles reads back checked, one without unchecked.
    const Items expected = {{QStringLiteral("alt.test"), 99, true},
                            {QStringLiteral("alt.empty"), 0, false},
                            {QStringLiteral("de.quote's.caf\u00e9"), 5, true}};
    EXPECT_EQ(DBNewsgroups().loadAll(), expected);
    EXPECT_EQ(logLines(QStringLiteral("Newsgroups list saved to database :: 3 items")).size(), 1);
    EXPECT_EQ(logLines(QStringLiteral("Newsgroups list loaded from database :: 3 items")).size(), 1);
}

TEST_F(NewsgroupStore, FavouritesKeepTheirCheckMarksAndSurviveANewList)
{
    const Items favs = {{QStringLiteral("alt.fav.on"), 0, true}, {QStringLiteral("alt.fav.off"), 0, false}};
    EXPECT_TRUE(DBNewsgroups().saveFavs(favs));
    EXPECT_TRUE(DBNewsgroups().saveAll(list(3, QStringLiteral("first"))));
    EXPECT_TRUE(DBNewsgroups().saveAll(list(2, QStringLiteral("second"))));

    const Items expectedFavs = {{QStringLiteral("alt.fav.on"), 1, true},
                                {QStringLiteral("alt.fav.off"), 0, false}};
    EXPECT_EQ(DBNewsgroups().loadFavs(), expectedFavs);
    const Items all = DBNewsgroups().loadAll();
    ASSERT_EQ(all.size(), 2);
    EXPECT_EQ(all[0].newsgroup, QStringLiteral("second.0"));
    EXPECT_EQ(all[1].newsgroup, QStringLiteral("second.1"));
    // The favourites replace only themselves.
    EXPECT_TRUE(DBNewsgroups().saveFavs({}));
    EXPECT_TRUE(DBNewsgroups().loadFavs().isEmpty());
    EXPECT_EQ(DBNewsgroups().loadAll().size(), 2);
    EXPECT_EQ(logLines(QStringLiteral("Newsgroup favorites saved to database :: 2 items")).size(), 1);
}

TEST_F(NewsgroupStore, AnyOtherVersionIsDeletedAndRecreatedEmpty)
{
    for (const char* version : {"100", "102", "7"}) {
        SCOPED_TRACE(version);
        EXPECT_TRUE(DBNewsgroups().saveAll(list(4)));
        EXPECT_TRUE(DBNewsgroups().saveFavs(list(2)));
        exec(QByteArray("UPDATE dbinfo SET version = ").append(version).constData());

        DBNewsgroups store;
        EXPECT_TRUE(store.loadAll().isEmpty());
        EXPECT_TRUE(store.loadFavs().isEmpty()) << "the whole file goes";
        EXPECT_EQ(store.dbQuery(QStringLiteral("SELECT version FROM dbinfo")), QList<QStringList>({{"101"}}));
        // And it is a working store again.
        EXPECT_TRUE(store.saveAll(list(1)));
        EXPECT_EQ(store.loadAll().size(), 1);
    }
}

TEST_F(NewsgroupStore, TheCurrentVersionOrNoneIsKept)
{
    EXPECT_TRUE(DBNewsgroups().saveAll(list(3)));
    EXPECT_EQ(DBNewsgroups().loadAll().size(), 3);
    exec("DELETE FROM dbinfo");
    EXPECT_EQ(DBNewsgroups().loadAll().size(), 3);
}

TEST_F(NewsgroupStore, AThousandItemsAreWrittenWhole)
{
    const Items items = list(1000);
    EXPECT_TRUE(DBNewsgroups().saveAll(items));
    Items expected = items;
    for (NewsgroupSelectorItem& i : expected)
        i.checkbox = i.articlecount != 0;
    EXPECT_EQ(DBNewsgroups().loadAll(), expected);
}

// A row the file refuses (here by a trigger; in life a full disk or a broken
// file) leaves the previous list in place, and the save reports failure
// instead of a half-written list reported as saved.
TEST_F(NewsgroupStore, AFailingRowLeavesTheOldListAndReportsTheFailure)
{
    const Items old = list(5, QStringLiteral("old"));
    EXPECT_TRUE(DBNewsgroups().saveAll(old));
    exec("CREATE TRIGGER refuse BEFORE INSERT ON newsgroups WHEN NEW.groups = 'new.999' "
         "BEGIN SELECT RAISE(ABORT, 'refused'); END;");

    EXPECT_FALSE(DBNewsgroups().saveAll(list(1000, QStringLiteral("new"))));
    EXPECT_EQ(logLines(QStringLiteral("Commit Failed!")).size(), 1);
    EXPECT_EQ(logLines(QStringLiteral("Error saving Newsgroups list to database.")).size(), 1);
    EXPECT_TRUE(logLines(QStringLiteral("Newsgroups list saved to database :: 1000")).isEmpty());

    const Items stored = DBNewsgroups().loadAll();
    ASSERT_EQ(stored.size(), 5);
    EXPECT_EQ(stored.first().newsgroup, QStringLiteral("old.0"));
}

TEST_F(NewsgroupStore, RowsOfAForeignLayoutAreNotRead)
{
    DBNewsgroups store;
    EXPECT_FALSE(store.dbToObj({"1", "a"}));
    EXPECT_FALSE(store.dbToObj({"1", "a", "2", "3", "4"}));
    const std::optional<NewsgroupSelectorItem> four = store.dbToObj({"1", "a", "2", "x"});
    ASSERT_TRUE(four);
    EXPECT_EQ(*four, (NewsgroupSelectorItem{QStringLiteral("a"), 2, true}));
    EXPECT_EQ(logLines(QStringLiteral("Newsgroups database is not compatible with app version.")).size(), 2);

    exec("DROP TABLE newsgroups; CREATE TABLE newsgroups (ID INTEGER PRIMARY KEY, groups TEXT); "
         "INSERT INTO newsgroups (groups) VALUES ('a.b');");
    EXPECT_TRUE(DBNewsgroups().loadAll().isEmpty());
    EXPECT_EQ(logLines(QStringLiteral("Newsgroups database is not compatible with app version.")).size(), 3);
}
