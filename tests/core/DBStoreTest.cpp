#include "core/DBStore.h"

#include "support/DamagedStoreFiles.h"
#include "support/EventLoop.h"
#include "support/LogFileReader.h"
#include "support/ScriptedDialogAnswerer.h"
#include "support/TempHome.h"
#include "support/TestFiles.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <sqlite3.h>

#include <csignal>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

// A store of the common shape: items (with AUTOINCREMENT, a unique name)
// and plain (without).
class DBTestStore : public DBStore
{
public:
    struct Item
    {
        QString name;
        qint64 size = 0;
        QString note;
        bool operator==(const Item&) const = default;
    };

    explicit DBTestStore(long version = 3, VersionRule rule = VersionRule::Convert, bool autoincrement = true)
        : DBStore(makeDefinition(version, rule, autoincrement))
    {
        startDB();
    }

    static DBStoreDefinition makeDefinition(long version, VersionRule rule, bool autoincrement)
    {
        DBStoreDefinition d;
        d.className = QStringLiteral("DBTestStore");
        d.storeName = autoincrement ? QStringLiteral("TestItems") : QStringLiteral("PlainItems");
        d.databaseFilename = autoincrement ? QStringLiteral("testitems.db") : QStringLiteral("plain.db");
        d.dbversion = version;
        d.versionRule = rule;
        if (autoincrement) {
            d.tables.append(
                {QStringLiteral("CREATE TABLE IF NOT EXISTS items (ID INTEGER PRIMARY KEY AUTOINCREMENT, "
                                "name TEXT UNIQUE NOT NULL, size INTEGER, note TEXT)"),
                 QString()});
        }
        d.tables.append(
            {QStringLiteral("CREATE TABLE IF NOT EXISTS plain (ID INTEGER PRIMARY KEY, value TEXT)"),
             QString()});
        return d;
    }

    bool saveItems(const QList<Item>& items, WriteMode mode = WriteMode::Replace)
    {
        DBTableWrite w;
        w.table = QStringLiteral("items");
        w.statement = QStringLiteral("INSERT INTO items (name,size,note) VALUES (?,?,?)");
        w.rowCount = items.size();
        w.bindRow = [&](DBStatement& st, qsizetype row) {
            if (onRow) onRow(row);
            const Item& it = items[row];
            st.bindText(1, it.name);
            st.bindInteger(2, it.size);
            if (it.note.isNull())
                st.bindNull(3);
            else
                st.bindText(3, it.note);
            return !refuseRow || row != *refuseRow;
        };
        return writeTable(w, mode);
    }

    QList<Item> loadItems()
    {
        return loadObjects<Item>(QStringLiteral("SELECT name,size,note,* FROM items ORDER BY ID"),
                                 [this](const QStringList& row) -> std::optional<Item> {
                                     if (!rowHasColumns(row, 7) || row[0].isEmpty()) return std::nullopt;
                                     return Item{row[0], row[1].toLongLong(), row[2]};
                                 });
    }

    QStringList ids() { return column(QStringLiteral("SELECT ID FROM items ORDER BY ID")); }
    QStringList column(const QString& sql)
    {
        QStringList out;
        for (const QStringList& row : dbQuery(sql))
            out << row.value(0);
        return out;
    }

    bool convertDBFromVersion(long oldVersion) override
    {
        conversions.append(oldVersion);
        return convertSucceeds;
    }
    void connectionOpened(sqlite3* db) override
    {
        if (maxPages > 0)
            sqlite3_exec(db, QByteArray("PRAGMA max_page_count=" + QByteArray::number(maxPages)).constData(),
                         nullptr, nullptr, nullptr);
    }

    QList<long> conversions;
    bool convertSucceeds = true;
    int maxPages = 0;
    std::function<void(qsizetype)> onRow;
    std::optional<qsizetype> refuseRow;
};

QList<DBTestStore::Item> makeItems(int count, const QString& prefix, int noteBytes = 8)
{
    QList<DBTestStore::Item> out;
    for (int i = 0; i < count; ++i)
        out.append({prefix + QString::number(i), i, QString(noteBytes, QLatin1Char('n'))});
    return out;
}

struct Stores : ::testing::Test
{
    TempHome home;
    QString dbFolder = home.appSupportPath() + "/db";
    LogFileReader log{home.logFilePath()};

    int errors() const { return int(log.linesContaining("[ERROR]").size()); }
};

} // namespace

TEST_F(Stores, ANewStoreGetsItsTablesAndVersionRow)
{
    DBTestStore store;
    EXPECT_EQ(store.databasePath(), dbFolder + "/testitems.db");
    EXPECT_EQ(store.db(), nullptr); // closed between operations
    EXPECT_EQ(store.dbQuery("SELECT version FROM dbinfo"), QList<QStringList>({{"3"}}));
    EXPECT_EQ(store.dbQuery("SELECT name FROM sqlite_master WHERE type='table' AND name IN ('items','plain') "
                            "ORDER BY name"),
              QList<QStringList>({{"items"}, {"plain"}}));
    EXPECT_EQ(store.db(), nullptr);
    EXPECT_EQ(log.linesWithMessage("TestItems Database not found. Creating a new one.").size(), 1);
    EXPECT_FALSE(QFileInfo::exists(store.databasePath() + ".new"));

    DBTestStore again;
    EXPECT_EQ(log.linesWithMessage("TestItems Database not found. Creating a new one.").size(), 1);
    EXPECT_EQ(errors(), 0);

    // The folder is made when it is missing.
    QDir(dbFolder).removeRecursively();
    DBTestStore third;
    EXPECT_TRUE(QFileInfo::exists(dbFolder + "/testitems.db"));
}

TEST_F(Stores, AFileRemovedWhileRunningIsRecreatedWithItsVersionRow)
{
    DBTestStore store;
    ASSERT_TRUE(store.saveItems(makeItems(3, "a")));
    ASSERT_TRUE(QFile::remove(store.databasePath()));
    EXPECT_TRUE(store.loadItems().isEmpty());
    EXPECT_TRUE(QFileInfo::exists(store.databasePath()));
    EXPECT_EQ(store.dbQuery("SELECT version FROM dbinfo"), QList<QStringList>({{"3"}}));
    EXPECT_EQ(errors(), 0);
    // A write after removal lands in a complete new file too.
    ASSERT_TRUE(QFile::remove(store.databasePath()));
    ASSERT_TRUE(store.saveItems(makeItems(2, "b")));
    EXPECT_EQ(store.loadItems(), makeItems(2, "b"));
}

TEST_F(Stores, RowsAreStringsAndNullIsEmpty)
{
    DBTestStore store;
    QList<DBTestStore::Item> items = {{"x", 5, QString()},
                                      {QString::fromUtf8("\xC3\xA9t\xC3\xA9"), -7, "note"}};
    ASSERT_TRUE(store.saveItems(items));
    const QList<QStringList> rows = store.dbQuery("SELECT name,size,note FROM items ORDER BY ID");
    ASSERT_EQ(rows.size(), 2);
    EXPECT_EQ(rows[0], QStringList({"x", "5", ""}));
    EXPECT_EQ(rows[1], QStringList({QString::fromUtf8("\xC3\xA9t\xC3\xA9"), "-7", "note"}));
    EXPECT_TRUE(store.dbQuery("SELECT * FROM no_such_table").isEmpty());
    EXPECT_EQ(errors(), 1); // a failing statement is logged, answered with no rows
}

TEST_F(Stores, AnEmptyVersionTableMeansCurrent)
{
    {
        DBTestStore old(3);
        ASSERT_TRUE(old.saveItems(makeItems(4, "keep")));
        old.dbQuery("DELETE FROM dbinfo");
    }
    DBTestStore store(7, DBStore::VersionRule::Convert);
    store.checkVersion();
    EXPECT_TRUE(store.conversions.isEmpty());
    DBTestStore recreating(7, DBStore::VersionRule::Recreate);
    recreating.checkVersion();
    EXPECT_EQ(store.loadItems(), makeItems(4, "keep"));
    EXPECT_TRUE(log.linesContaining("Converting").isEmpty());
}

TEST_F(Stores, ConvertRuleWithItsTexts)
{
    {
        DBTestStore old(3);
        ASSERT_TRUE(old.saveItems(makeItems(2, "old")));
    }
    DBTestStore store(5, DBStore::VersionRule::Convert);
    testing::internal::CaptureStderr();
    store.checkVersion();
    const std::string console = testing::internal::GetCapturedStderr();
    EXPECT_EQ(store.conversions, QList<long>({3}));
    EXPECT_EQ(log.linesWithMessage("Converting database: testitems.db from v3 to v5").size(), 1);
    EXPECT_EQ(log.linesWithMessage("testitems.db successfully coverted from v3 to v5").size(), 1);
    EXPECT_NE(console.find("[DBTestStore checkVersion] Converting database: testitems.db from v3 to v5\n"),
              std::string::npos)
        << console;
    EXPECT_NE(console.find("[DBTestStore checkVersion] testitems.db successfully coverted from v3 to v5\n"),
              std::string::npos)
        << console;
    EXPECT_EQ(store.loadItems(), makeItems(2, "old")); // converting is the store's own business

    DBTestStore failing(6, DBStore::VersionRule::Convert);
    failing.convertSucceeds = false;
    failing.checkVersion();
    EXPECT_EQ(log.linesWithMessage("Error while converting: testitems.db from v3 to v6").size(), 1);

    // The same version: nothing happens.
    DBTestStore current(3, DBStore::VersionRule::Convert);
    current.checkVersion();
    EXPECT_TRUE(current.conversions.isEmpty());
}

// A rebuild brings a file of an older layout to the store's own: the table
// made anew, the version row set and the rows written in one transaction,
// so a failure anywhere leaves the old layout, version and rows.
TEST_F(Stores, ARebuildReplacesLayoutVersionAndRowsTogetherOrNotAtAll)
{
    DBTestStore store(7);
    const QString path = store.databasePath();
    sqlite3* raw = nullptr;
    ASSERT_EQ(sqlite3_open(QFile::encodeName(path).constData(), &raw), SQLITE_OK);
    ASSERT_EQ(
        sqlite3_exec(raw,
                     "DROP TABLE items; CREATE TABLE items (ID INTEGER PRIMARY KEY AUTOINCREMENT, name TEXT);"
                     "INSERT INTO items (name) VALUES ('old1'), ('old2'); UPDATE dbinfo SET version=6;",
                     nullptr, nullptr, nullptr),
        SQLITE_OK);
    sqlite3_close(raw);

    store.refuseRow = 1;
    EXPECT_FALSE(store.saveItems(makeItems(3, "new"), DBStore::WriteMode::Rebuild));
    EXPECT_EQ(store.column("SELECT version FROM dbinfo"), QStringList{"6"});
    EXPECT_EQ(store.column("SELECT name FROM items ORDER BY ID"), (QStringList{"old1", "old2"}));
    EXPECT_EQ(store.dbQuery("SELECT * FROM items").value(0).size(), 2); // the old layout

    store.refuseRow.reset();
    EXPECT_TRUE(store.saveItems(makeItems(3, "new"), DBStore::WriteMode::Rebuild));
    EXPECT_EQ(store.column("SELECT version FROM dbinfo"), QStringList{"7"});
    EXPECT_EQ(store.loadItems(), makeItems(3, "new"));
    EXPECT_EQ(store.ids(), (QStringList{"1", "2", "3"}));
}

TEST_F(Stores, RecreateRuleWithItsText)
{
    {
        DBTestStore old(3);
        ASSERT_TRUE(old.saveItems(makeItems(2, "old")));
    }
    DBTestStore store(4, DBStore::VersionRule::Recreate);
    testing::internal::CaptureStderr();
    store.checkVersion();
    const std::string console = testing::internal::GetCapturedStderr();
    EXPECT_NE(
        console.find("[DBTestStore checkVersion] Old database version detected: testitems.db (current:v3) "
                     "(required:v4). Removing old database.\n"),
        std::string::npos)
        << console;
    EXPECT_TRUE(store.loadItems().isEmpty());
    EXPECT_EQ(store.dbQuery("SELECT version FROM dbinfo"), QList<QStringList>({{"4"}}));
    EXPECT_TRUE(store.conversions.isEmpty());
    EXPECT_EQ(log.linesWithMessage("Removed database :: " + store.databasePath()).size(), 1);

    // A version that cannot be read says nothing about the rows: the file
    // is kept, and the console says why.
    store.dbQuery("UPDATE dbinfo SET version='abc'");
    ASSERT_TRUE(store.saveItems(makeItems(1, "x")));
    testing::internal::CaptureStderr();
    store.checkVersion();
    const std::string second = testing::internal::GetCapturedStderr();
    EXPECT_NE(second.find("Unreadable database version: \"abc\"; the file is kept."), std::string::npos) << second;
    EXPECT_EQ(second.find("Removing old database"), std::string::npos) << second;
    EXPECT_EQ(store.loadItems(), makeItems(1, "x"));
}

TEST_F(Stores, ARowOfAnotherShapeEndsTheLoadKeepingTheRowsBefore)
{
    DBTestStore store;
    QList<DBTestStore::Item> items = makeItems(5, "r");
    items[3].name = ""; // a record without its key
    ASSERT_TRUE(store.saveItems(items));
    EXPECT_EQ(store.loadItems(), makeItems(3, "r"));

    // An extra column: the first row already differs, logged once.
    store.dbQuery("ALTER TABLE items ADD COLUMN extra TEXT");
    EXPECT_TRUE(store.loadItems().isEmpty());
    EXPECT_EQ(log.linesWithMessage("TestItems database is not compatible with app version.").size(), 1);
}

TEST_F(Stores, ClearingATableWithoutNumberingTableIsNoError)
{
    DBTestStore store(1, DBStore::VersionRule::None, false);
    ASSERT_TRUE(store.writeTable(DBTableWrite::fromRows("plain", "INSERT INTO plain (value) VALUES (?)",
                                                        {{QString("a")}, {QString("b")}}),
                                 DBStore::WriteMode::Append));
    EXPECT_TRUE(store.dbQuery("SELECT name FROM sqlite_master WHERE name='sqlite_sequence'").isEmpty());
    EXPECT_TRUE(store.clearTables({"plain"}));
    EXPECT_TRUE(store.dbQuery("DELETE FROM sqlite_sequence WHERE name='plain';").isEmpty());
    EXPECT_TRUE(store.writeTable(
        DBTableWrite::fromRows("plain", "INSERT INTO plain (value) VALUES (?)", {{QString("c")}}),
        DBStore::WriteMode::Replace));
    EXPECT_EQ(store.column("SELECT value FROM plain"), QStringList({"c"}));
    EXPECT_EQ(errors(), 0) << log.lines().join("\n").toStdString();
}

TEST_F(Stores, ReplacingRestartsTheNumbering)
{
    DBTestStore store;
    ASSERT_TRUE(store.saveItems(makeItems(3, "a")));
    ASSERT_TRUE(store.saveItems(makeItems(3, "a"), DBStore::WriteMode::Append) == false); // names are unique
    ASSERT_TRUE(store.saveItems(makeItems(2, "b"), DBStore::WriteMode::Append));
    EXPECT_EQ(store.ids(), QStringList({"1", "2", "3", "4", "5"}));
    ASSERT_TRUE(store.saveItems(makeItems(2, "c")));
    EXPECT_EQ(store.ids(), QStringList({"1", "2"}));
    EXPECT_TRUE(store.clearTables({"items"}));
    ASSERT_TRUE(store.saveItems(makeItems(1, "d"), DBStore::WriteMode::Append));
    EXPECT_EQ(store.ids(), QStringList({"1"}));
}

TEST_F(Stores, ARefusedRowFailsTheWholeWriteAndKeepsTheOldContent)
{
    DBTestStore store;
    const QList<DBTestStore::Item> old = makeItems(10, "old");
    ASSERT_TRUE(store.saveItems(old));

    QList<DBTestStore::Item> fresh = makeItems(1000, "new");
    fresh[499].name = fresh[0].name; // row 500 violates the unique name
    EXPECT_FALSE(store.saveItems(fresh));
    EXPECT_EQ(store.loadItems(), old);
    EXPECT_EQ(log.linesWithMessage("Commit Failed!").size(), 1);
    EXPECT_EQ(log.linesContaining("(row 500 of 1000 in items)").size(), 1);

    EXPECT_FALSE(store.saveItems(fresh, DBStore::WriteMode::Append)); // nothing of it is added either
    EXPECT_EQ(store.loadItems(), old);

    // A record the store cannot bind fails the write the same way.
    store.refuseRow = 3;
    EXPECT_FALSE(store.saveItems(makeItems(10, "other")));
    EXPECT_EQ(store.loadItems(), old);
    store.refuseRow.reset();
    EXPECT_TRUE(store.saveItems(makeItems(10, "other")));
    EXPECT_EQ(store.loadItems(), makeItems(10, "other"));
}

TEST_F(Stores, AFullDiskKeepsTheOldContent)
{
    DBTestStore store;
    const QList<DBTestStore::Item> old = makeItems(50, "old", 100);
    ASSERT_TRUE(store.saveItems(old));
    const int pages = store.column("PRAGMA page_count").value(0).toInt();
    ASSERT_GT(pages, 0);
    store.maxPages = pages + 4;
    EXPECT_FALSE(store.saveItems(makeItems(2000, "big", 1000)));
    store.maxPages = 0;
    EXPECT_EQ(store.loadItems(), old);
    EXPECT_GE(log.linesWithMessage("Commit Failed!").size(), 1);
}

TEST_F(Stores, ALockedFileFailsTheWriteAndKeepsTheOldContent)
{
    DBTestStore store;
    const QList<DBTestStore::Item> old = makeItems(5, "old");
    ASSERT_TRUE(store.saveItems(old));
    sqlite3* other = nullptr;
    ASSERT_EQ(sqlite3_open(QFile::encodeName(store.databasePath()).constData(), &other), SQLITE_OK);
    ASSERT_EQ(sqlite3_exec(other, "BEGIN EXCLUSIVE", nullptr, nullptr, nullptr), SQLITE_OK);
    EXPECT_FALSE(store.saveItems(makeItems(5, "new")));
    sqlite3_exec(other, "ROLLBACK", nullptr, nullptr, nullptr);
    sqlite3_close(other);
    EXPECT_EQ(store.loadItems(), old);
}

// The writer's process dies in the middle of a replace (after the old rows
// were deleted and half the new ones written, with pages already spilled to
// the file): the next open finds the old content.
TEST_F(Stores, ACrashInTheMiddleOfAWriteLeavesTheOldContent)
{
    const QList<DBTestStore::Item> old = makeItems(20, "old", 50);
    {
        DBTestStore store;
        ASSERT_TRUE(store.saveItems(old));
    }
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        DBTestStore store;
        store.onRow = [](qsizetype row) {
            if (row == 1500) _exit(42);
        };
        store.saveItems(makeItems(2000, "new", 8000));
        _exit(1); // not reached when the crash happened
    }
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
    ASSERT_EQ(WEXITSTATUS(status), 42);
    EXPECT_TRUE(QFileInfo::exists(home.appSupportPath() + "/db/testitems.db-journal")); // the crash left it
    DBTestStore store;
    EXPECT_EQ(store.loadItems(), old);
}

// The file may not grow past a limit (as on a full disk, writes fail with
// an I/O error): the write reports failure and the old content stays.
TEST_F(Stores, AWriteErrorReportsFailureAndKeepsTheOldContent)
{
    const QList<DBTestStore::Item> old = makeItems(20, "old", 50);
    qint64 size = 0;
    {
        DBTestStore store;
        ASSERT_TRUE(store.saveItems(old));
        size = QFileInfo(store.databasePath()).size();
    }
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        std::signal(SIGXFSZ, SIG_IGN);
        struct rlimit limit;
        limit.rlim_cur = limit.rlim_max = rlim_t(size + 64 * 1024);
        setrlimit(RLIMIT_FSIZE, &limit);
        DBTestStore store;
        const bool saved = store.saveItems(makeItems(2000, "new", 8000));
        _exit(saved ? 1 : 0);
    }
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0) << "the write was reported as saved";
    DBTestStore store;
    EXPECT_EQ(store.loadItems(), old);
}

namespace {

struct StoresAndDialogs : Stores
{
    ScriptedDialogAnswerer dialogs;

    QStringList setAside() const
    {
        return QDir(dbFolder).entryList({"testitems.db.damaged-*"}, QDir::Files, QDir::Name);
    }
    // The questions posted to the main thread so far.
    QList<DialogRequest> told()
    {
        spinEventLoop(20);
        return dialogs.asked();
    }
};

struct DamagedStores : StoresAndDialogs, ::testing::WithParamInterface<DamagedStoreContent>
{
};

} // namespace

// A store file that cannot be read is moved aside byte for byte, a new one
// takes its place, the user is told once which store it was and where the
// old file is, and what is written afterwards is kept.
TEST_P(DamagedStores, AreMovedAsideAndMadeAnewWithOneMessage)
{
    const QByteArray damaged = GetParam().make(home.makeFolder("scratch"));
    ASSERT_TRUE(QDir().mkpath(dbFolder));
    const QString path = dbFolder + "/testitems.db";
    ASSERT_TRUE(writeFileBytes(path, damaged));

    DBTestStore store;
    EXPECT_TRUE(store.loadItems().isEmpty());

    const QStringList aside = setAside();
    ASSERT_EQ(aside.size(), 1);
    const QString asidePath = dbFolder + "/" + aside[0];
    EXPECT_TRUE(fileBytes(asidePath) == damaged);
    EXPECT_EQ(store.dbQuery("SELECT version FROM dbinfo"), QList<QStringList>({{"3"}}));
    EXPECT_EQ(log.linesContaining("testitems.db cannot be read").size(), 1);
    EXPECT_EQ(log.linesContaining(asidePath).size(), 1);

    const QList<DialogRequest> asked = told();
    ASSERT_EQ(asked.size(), 1);
    EXPECT_EQ(asked[0].title, "Saved data could not be read");
    EXPECT_TRUE(asked[0].info.contains("The store testitems.db (testitems.db) could not be read"))
        << asked[0].info.toStdString();
    EXPECT_TRUE(asked[0].info.contains(asidePath)) << asked[0].info.toStdString();

    // The new file keeps what is written to it, for this store and the next.
    ASSERT_TRUE(store.saveItems(makeItems(3, "after")));
    DBTestStore next;
    EXPECT_EQ(next.loadItems(), makeItems(3, "after"));
    EXPECT_EQ(setAside().size(), 1);
    EXPECT_EQ(told().size(), 1);
}

INSTANTIATE_TEST_SUITE_P(Contents, DamagedStores,
                         ::testing::Values(DamagedStoreContent::randomBytes(), DamagedStoreContent::cutShort(),
                                           DamagedStoreContent::empty(),
                                           DamagedStoreContent::anotherProgramsDatabase()),
                         [](const ::testing::TestParamInfo<DamagedStoreContent>& info) {
                             return std::string(info.param.name);
                         });

// A file damaged while the program runs, after its check: the write that
// meets the damage lands in a new file instead of failing, and the old file
// is kept aside.
TEST_F(StoresAndDialogs, AFileDamagedWhileRunningIsSetAsideAndTheWriteKept)
{
    DBTestStore store;
    ASSERT_TRUE(store.saveItems(makeItems(4, "before")));
    const QByteArray garbage = seededPattern(12000, 11);
    ASSERT_TRUE(writeFileBytes(store.databasePath(), garbage)); // the same file, overwritten

    EXPECT_TRUE(store.saveItems(makeItems(2, "after")));
    EXPECT_EQ(store.loadItems(), makeItems(2, "after"));
    const QStringList aside = setAside();
    ASSERT_EQ(aside.size(), 1);
    EXPECT_TRUE(fileBytes(dbFolder + "/" + aside[0]) == garbage);
    EXPECT_EQ(told().size(), 1);

    // Met again in the same run: set aside again, not told again.
    ASSERT_TRUE(writeFileBytes(store.databasePath(), garbage));
    EXPECT_TRUE(store.loadItems().isEmpty());
    EXPECT_EQ(setAside().size(), 2);
    ASSERT_TRUE(store.saveItems(makeItems(1, "third")));
    EXPECT_EQ(store.loadItems(), makeItems(1, "third"));
    EXPECT_EQ(told().size(), 1);
}

// A file another connection holds locked cannot be checked; it is left as it
// is and checked at a later open.
TEST_F(StoresAndDialogs, ALockedFileIsNotTakenForADamagedOne)
{
    const QString path = dbFolder + "/testitems.db";
    {
        DBTestStore made;
        ASSERT_TRUE(made.saveItems(makeItems(3, "kept")));
    }
    // Put in its place as another file, as restoring a backup does: that
    // one has not been checked in this run.
    ASSERT_TRUE(writeFileBytes(path + ".copy", fileBytes(path)));
    ASSERT_EQ(::rename(QFile::encodeName(path + ".copy").constData(), QFile::encodeName(path).constData()), 0);

    sqlite3* other = nullptr;
    ASSERT_EQ(sqlite3_open(QFile::encodeName(path).constData(), &other), SQLITE_OK);
    ASSERT_EQ(sqlite3_exec(other, "BEGIN EXCLUSIVE", nullptr, nullptr, nullptr), SQLITE_OK);
    DBTestStore store;
    EXPECT_TRUE(store.loadItems().isEmpty());
    sqlite3_exec(other, "ROLLBACK", nullptr, nullptr, nullptr);
    sqlite3_close(other);

    EXPECT_TRUE(setAside().isEmpty());
    EXPECT_EQ(store.loadItems(), makeItems(3, "kept"));
    EXPECT_TRUE(told().isEmpty());
}
