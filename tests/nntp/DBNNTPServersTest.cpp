#include "nntp/DBNNTPServers.h"
#include "nntp/StringCodingUtils.h"

#include "support/FakeKeychain.h"
#include "support/LogFileReader.h"
#include "support/TempHome.h"

#include <gtest/gtest.h>

#include <QFileInfo>
#include <QLocale>

#include <sqlite3.h>

#include <sys/wait.h>
#include <unistd.h>

namespace {

const QString kGoldenServerID = QStringLiteral("17023456789012");
const QString kGoldenSecret = QStringLiteral("sTZSHvsANmGKeI5jMQnDfg%3D%3D:AAECAwQFBgcICQoLDA0ODw%3D%3D");

// The columns of version 101 after ID; version 102 puts upServerID after
// serverID, version 100 has no secret and upsecret.
const char* const kCreate101 =
    "CREATE TABLE servers (ID INTEGER PRIMARY KEY, serverID TEXT, username TEXT,address TEXT,alias TEXT,ssl "
    "INTEGER,port INTEGER,connections INTEGER,isbackup INTEGER,enabled INTEGER,requiresLogin INTEGER,color "
    "TEXT,showstats INTEGER,upenabled INTEGER,sameasdownload INTEGER,upusername TEXT,upaddress TEXT,upssl "
    "INTEGER,upport INTEGER,uprequireslogin INTEGER, secret TEXT, upsecret TEXT)";
const char* const kCreate100 =
    "CREATE TABLE servers (ID INTEGER PRIMARY KEY, serverID TEXT, username TEXT,address TEXT,alias TEXT,ssl "
    "INTEGER,port INTEGER,connections INTEGER,isbackup INTEGER,enabled INTEGER,requiresLogin INTEGER,color "
    "TEXT,showstats INTEGER,upenabled INTEGER,sameasdownload INTEGER,upusername TEXT,upaddress TEXT,upssl "
    "INTEGER,upport INTEGER,uprequireslogin INTEGER)";

class ServerStore : public ::testing::Test
{
protected:
    TempHome home;
    LogFileReader log{home.logFilePath()};

    QString dbPath() const { return home.appSupportPath() + QStringLiteral("/db/nntpservers.db"); }

    // Runs statements on the store's file directly, as another program would.
    void sql(const QStringList& statements) const
    {
        sqlite3* db = nullptr;
        ASSERT_EQ(sqlite3_open(QFile::encodeName(dbPath()).constData(), &db), SQLITE_OK);
        for (const QString& s : statements) {
            char* error = nullptr;
            ASSERT_EQ(sqlite3_exec(db, s.toUtf8().constData(), nullptr, nullptr, &error), SQLITE_OK)
                << (error ? error : "") << " :: " << s.toStdString();
        }
        sqlite3_close(db);
    }

    QList<QStringList> rows(const QString& query) const
    {
        QList<QStringList> out;
        sqlite3* db = nullptr;
        if (sqlite3_open_v2(QFile::encodeName(dbPath()).constData(), &db, SQLITE_OPEN_READONLY, nullptr) !=
            SQLITE_OK)
            return out;
        sqlite3_stmt* st = nullptr;
        if (sqlite3_prepare_v2(db, query.toUtf8().constData(), -1, &st, nullptr) == SQLITE_OK) {
            while (sqlite3_step(st) == SQLITE_ROW) {
                QStringList row;
                for (int c = 0; c < sqlite3_column_count(st); ++c)
                    row.append(QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(st, c))));
                out.append(row);
            }
        }
        sqlite3_finalize(st);
        sqlite3_close(db);
        return out;
    }

    QStringList column(const QString& query) const
    {
        QStringList out;
        for (const QStringList& row : rows(query))
            out.append(row.value(0));
        return out;
    }

    static NNTPServerObjectPtr server(const QString& alias, const QString& id, const QString& password)
    {
        auto s = NNTPServerObject::create();
        s->setAlias(alias);
        s->setServerID(id);
        s->setUsername(alias + QStringLiteral("-user"));
        s->setPassword(password);
        s->setAddress(alias.toLower() + QStringLiteral(".example.net"));
        return s;
    }

    static QStringList aliases(const QList<NNTPServerObjectPtr>& list)
    {
        QStringList out;
        for (const auto& s : list)
            out.append(s->alias());
        return out;
    }
};

// A store whose writer process can be stopped before a given row.
class InterruptedStore : public DBNNTPServers
{
public:
    qsizetype exitAtRow = -1;

protected:
    void rowWillBeWritten(qsizetype row) override
    {
        if (row == exitAtRow) _exit(42);
    }
};

} // namespace

TEST_F(ServerStore, SavedServersComeBackInOrderWithEveryField)
{
    auto a =
        server(QStringLiteral("O'Brien's News"), QStringLiteral("1700000000123"), QStringLiteral("pa'ss"));
    a->setUsername(QStringLiteral("it's me"));
    a->setAddress(QStringLiteral("news.o'brien.example"));
    a->setSsl(true);
    a->setPort(563);
    a->setMaxConnections(12);
    a->setRequiresLogin(false);
    a->setShowStats(0);
    a->setColor(QColor::fromRgbF(0.25f, 0.5f, 0.75f, 1.0f));
    a->setUploadIsDownloadServer(false);
    a->setUpServerID(QStringLiteral("77"));
    a->setUpUsername(QStringLiteral("poster"));
    a->setUpPassword(QStringLiteral("up-secret"));
    a->setUpAddress(QStringLiteral("post.example.net"));
    a->setUpPort(443);
    a->setUpSSL(true);
    a->setUpRequiresLogin(false);
    a->setUpEnabled(false);
    auto b = server(QStringLiteral("Backup"), QStringLiteral("1700000000456"), QString());
    b->setIsbackupServerOnly(true);
    b->setEnabled(false);

    DBNNTPServers store;
    ASSERT_TRUE(store.saveAllNNTPServers({a, b}));
    EXPECT_EQ(a->row(), 0) << "the caller's objects stay unchanged";

    const QList<NNTPServerObjectPtr> loaded = DBNNTPServers().loadAllNNTPServers();
    ASSERT_EQ(loaded.size(), 2);
    const NNTPServerObject& x = *loaded[0];
    EXPECT_EQ(x.row(), 1);
    EXPECT_EQ(loaded[1]->row(), 2);
    EXPECT_EQ(x.alias(), a->alias());
    EXPECT_EQ(x.serverID(), a->serverID());
    EXPECT_EQ(x.username(), a->username());
    EXPECT_EQ(x.password(), QStringLiteral("pa'ss"));
    EXPECT_EQ(x.address(), a->address());
    EXPECT_TRUE(x.ssl());
    EXPECT_EQ(x.port(), 563);
    EXPECT_EQ(x.maxConnections(), 12);
    EXPECT_FALSE(x.requiresLogin());
    EXPECT_EQ(x.showStats(), 0);
    EXPECT_EQ(DBNNTPServers::convertColorToString(x.color()), QStringLiteral("0.250 0.500 0.750 1.000"));
    EXPECT_FALSE(x.uploadIsDownloadServer());
    EXPECT_EQ(x.upServerID(), QStringLiteral("77"));
    EXPECT_EQ(x.upUsername(), QStringLiteral("poster"));
    EXPECT_EQ(x.upPassword(), QStringLiteral("up-secret"));
    EXPECT_EQ(x.upAddress(), QStringLiteral("post.example.net"));
    EXPECT_EQ(x.upPort(), 443);
    EXPECT_TRUE(x.upSSL());
    EXPECT_FALSE(x.upRequiresLogin());
    EXPECT_FALSE(x.upEnabled());
    EXPECT_TRUE(loaded[1]->isbackupServerOnly());
    EXPECT_FALSE(loaded[1]->enabled());
    EXPECT_EQ(loaded[1]->password(), QString());
    EXPECT_EQ(column("SELECT secret FROM servers WHERE ID=2"), QStringList({""}))
        << "an empty password is stored as the empty text";
    EXPECT_EQ(column("SELECT version FROM dbinfo"), QStringList({"102"}));
}

TEST_F(ServerStore, GoldenSecretReadsBackThroughTheStore)
{
    DBNNTPServers().startNNTPServerDB();
    sql({QStringLiteral(
             "INSERT INTO servers (serverID, upServerID, username, address, alias, ssl, port, "
             "connections, isbackup, enabled, requiresLogin, color, showstats, upenabled, "
             "sameasdownload, upusername, upaddress, upssl, upport, uprequireslogin, secret, upsecret) "
             "VALUES ('%1', '9', 'u', 'a', 'Golden', 0, 119, 5, 0, 1, 1, '0.000 1.000 0.000 1.000', 1, "
             "1, 0, 'uu', 'ua', 0, 119, 1, '%2', '%2')")
             .arg(kGoldenServerID, kGoldenSecret)});
    const QList<NNTPServerObjectPtr> loaded = DBNNTPServers().loadAllNNTPServers();
    ASSERT_EQ(loaded.size(), 1);
    EXPECT_EQ(loaded[0]->password(), QStringLiteral("secret"));
    EXPECT_EQ(loaded[0]->upPassword(), QStringLiteral("secret"));
    EXPECT_EQ(loaded[0]->color(), QColor::fromRgbF(0, 1, 0, 1));
}

TEST_F(ServerStore, SamePasswordSavedTwiceGivesTwoTextsThatBothDecrypt)
{
    auto s = server(QStringLiteral("A"), kGoldenServerID, QStringLiteral("secret"));
    s->setUploadIsDownloadServer(false);
    s->setUpPassword(QStringLiteral("secret"));
    ASSERT_TRUE(DBNNTPServers().saveAllNNTPServers({s}));
    const QStringList first = rows("SELECT secret, upsecret FROM servers").value(0);
    ASSERT_TRUE(DBNNTPServers().saveAllNNTPServers({s}));
    const QStringList second = rows("SELECT secret, upsecret FROM servers").value(0);
    ASSERT_EQ(first.size(), 2);
    ASSERT_EQ(second.size(), 2);
    const QStringList texts = first + second;
    for (qsizetype i = 0; i < texts.size(); ++i) {
        EXPECT_EQ(StringCodingUtils::decryptString(texts[i], kGoldenServerID), QStringLiteral("secret"));
        for (qsizetype j = i + 1; j < texts.size(); ++j)
            EXPECT_NE(texts[i], texts[j]) << "a new IV for every encryption";
    }
    EXPECT_EQ(column("SELECT COUNT(*) FROM servers"), QStringList({"1"})) << "saving replaces, never adds";
}

TEST_F(ServerStore, SecretsThatDoNotDecryptReadBackAsNoPassword)
{
    const QString wrongIv = QStringLiteral("sTZSHvsANmGKeI5jMQnDfg%3D%3D:AAECAwQF");
    const QString otherKey =
        *StringCodingUtils::encryptString(QStringLiteral("secret"), QStringLiteral("42"));
    const QStringList bad = {QStringLiteral("no-colon-here"), wrongIv, QStringLiteral("%%%:%%%"), otherKey,
                             QStringLiteral(":")};
    DBNNTPServers().startNNTPServerDB();
    QStringList inserts;
    for (const QString& secret : bad) {
        inserts.append(
            QStringLiteral("INSERT INTO servers (serverID, upServerID, alias, sameasdownload, secret, "
                           "upsecret) VALUES ('%1', '1', 'x', 0, '%2', '%2')")
                .arg(kGoldenServerID, secret));
    }
    sql(inserts);
    const QList<NNTPServerObjectPtr> loaded = DBNNTPServers().loadAllNNTPServers();
    ASSERT_EQ(loaded.size(), bad.size());
    for (qsizetype i = 0; i < bad.size(); ++i) {
        SCOPED_TRACE(bad[i].toStdString());
        EXPECT_EQ(loaded[i]->password(), QString());
        EXPECT_EQ(loaded[i]->upPassword(), QString());
    }
}

TEST_F(ServerStore, UploadEndpointSameAsDownloadIsStoredFromTheDownloadFields)
{
    auto s = server(QStringLiteral("Same"), QStringLiteral("1700000000001"), QStringLiteral("pw"));
    s->setUploadIsDownloadServer(true);
    s->setUpPassword(QStringLiteral("stale"));
    s->setUpAddress(QStringLiteral("stale.example"));
    s->setUpUsername(QStringLiteral("stale"));
    s->setSsl(true);
    s->setPort(563);
    s->setRequiresLogin(false);
    auto zero = server(QStringLiteral("Zero"), QStringLiteral("1700000000002"), QString());
    zero->setUploadIsDownloadServer(true);
    zero->setSsl(true);
    zero->setPort(0);
    ASSERT_TRUE(DBNNTPServers().saveAllNNTPServers({s, zero}));

    const QList<QStringList> stored = rows(
        "SELECT upusername, upaddress, upport, upssl, uprequireslogin, upsecret FROM servers ORDER BY ID");
    ASSERT_EQ(stored.size(), 2);
    EXPECT_EQ(stored[0], QStringList({"Same-user", "same.example.net", "563", "1", "0", ""}));
    EXPECT_EQ(stored[1].mid(2, 2), QStringList({"119", "0"})) << "port 0: upload on 119 without TLS";

    const QList<NNTPServerObjectPtr> loaded = DBNNTPServers().loadAllNNTPServers();
    ASSERT_EQ(loaded.size(), 2);
    EXPECT_EQ(loaded[0]->upPassword(), QStringLiteral("pw"));
    EXPECT_EQ(loaded[0]->upAddress(), QStringLiteral("same.example.net"));
}

TEST_F(ServerStore, Version101IsConvertedOnTheFirstRead)
{
    const QString id1 = QStringLiteral("1700000000101");
    const QString id2 = QStringLiteral("1700000000102");
    const QString s1 = *StringCodingUtils::encryptString(QStringLiteral("first"), id1);
    const QString up2 = *StringCodingUtils::encryptString(QStringLiteral("upload"), id2);
    sql({QString::fromLatin1(kCreate101), QStringLiteral("CREATE TABLE dbinfo (version INTEGER)"),
         QStringLiteral("INSERT INTO dbinfo (version) VALUES (101)"),
         QStringLiteral(
             "INSERT INTO servers VALUES (1, '%1', 'u1', 'one.example', 'One', 1, 563, 8, 0, 1, 1, "
             "'1.000 0.000 0.000 1.000', 1, 1, 1, 'u1', 'one.example', 1, 563, 1, '%2', '')")
             .arg(id1, s1),
         QStringLiteral(
             "INSERT INTO servers VALUES (2, '%1', 'u2', 'two.example', 'Two', 0, 119, 2, 1, 1, 1, "
             "'', 1, 1, 0, 'poster', 'post.example', 0, 119, 1, '', '%2')")
             .arg(id2, up2)});

    const QList<NNTPServerObjectPtr> loaded = DBNNTPServers().loadAllNNTPServers();
    ASSERT_EQ(aliases(loaded), QStringList({"One", "Two"}));
    EXPECT_EQ(loaded[0]->password(), QStringLiteral("first"));
    EXPECT_EQ(loaded[0]->upPassword(), QStringLiteral("first"));
    EXPECT_EQ(loaded[0]->maxConnections(), 8);
    EXPECT_EQ(loaded[1]->password(), QString());
    EXPECT_EQ(loaded[1]->upPassword(), QStringLiteral("upload"));
    EXPECT_TRUE(loaded[1]->isbackupServerOnly());
    EXPECT_TRUE(loaded[1]->color().isValid()) << "an empty colour text gets a random colour";
    EXPECT_FALSE(loaded[0]->upServerID().isEmpty());
    EXPECT_NE(loaded[0]->upServerID(), loaded[1]->upServerID());

    EXPECT_EQ(column("SELECT version FROM dbinfo"), QStringList({"102"}));
    EXPECT_EQ(rows("SELECT * FROM servers").value(0).size(), 23);
    EXPECT_EQ(log.linesContaining("Converting database: nntpservers.db from v101 to v102").size(), 1);
    EXPECT_EQ(log.linesContaining("nntpservers.db successfully coverted from v101 to v102").size(), 1);

    // The upload ids drawn by the conversion are kept from then on.
    const QList<NNTPServerObjectPtr> again = DBNNTPServers().loadAllNNTPServers();
    ASSERT_EQ(again.size(), 2);
    EXPECT_EQ(again[0]->upServerID(), loaded[0]->upServerID());
    EXPECT_EQ(again[1]->upPassword(), QStringLiteral("upload"));
}

TEST_F(ServerStore, Version100TakesItsPasswordsFromTheKeychain)
{
    sql({QString::fromLatin1(kCreate100), QStringLiteral("CREATE TABLE dbinfo (version INTEGER)"),
         QStringLiteral("INSERT INTO dbinfo (version) VALUES (100)"),
         QStringLiteral(
             "INSERT INTO servers VALUES (1, '111', 'u1', 'one.example', 'One', 0, 119, 4, 0, 1, 1, "
             "'0.000 0.000 1.000 1.000', 1, 1, 0, 'up1', 'up.example', 0, 119, 1)"),
         QStringLiteral(
             "INSERT INTO servers VALUES (2, '222', 'u2', 'two.example', 'Two', 0, 119, 4, 0, 1, 1, "
             "'', 1, 1, 1, '', '', 0, 119, 1)"),
         QStringLiteral(
             "INSERT INTO servers VALUES (3, '333', 'u3', 'three.example', 'NoItem', 0, 119, 4, 0, 1, "
             "1, '', 1, 1, 0, '', '', 0, 119, 1)")});
    FakeKeychain keychain;
    DBNNTPServers store(keychain);
    keychain.setPassword(store.serviceName(), QStringLiteral("111"), QStringLiteral("kc-one"));
    keychain.setPassword(store.serviceName(), QStringLiteral("up111"), QStringLiteral("kc-up-one"));
    keychain.setPassword(store.serviceName(), QStringLiteral("222"), QStringLiteral("kc-two"));
    keychain.setPassword(store.serviceName(), QStringLiteral("up222"), QStringLiteral("never-read"));

    const QList<NNTPServerObjectPtr> loaded = store.loadAllNNTPServers();
    ASSERT_EQ(aliases(loaded), QStringList({"One", "Two", "NoItem"}));
    EXPECT_EQ(loaded[0]->password(), QStringLiteral("kc-one"));
    EXPECT_EQ(loaded[0]->upPassword(), QStringLiteral("kc-up-one"));
    EXPECT_EQ(loaded[1]->password(), QStringLiteral("kc-two"));
    EXPECT_EQ(loaded[1]->upPassword(), QStringLiteral("kc-two")) << "same as download";
    EXPECT_EQ(loaded[2]->password(), QString());
    EXPECT_FALSE(keychain.queries().contains(store.serviceName() + QStringLiteral("/up222")));
    EXPECT_EQ(column("SELECT version FROM dbinfo"), QStringList({"102"}));

    // The passwords now live in the file.
    const QList<NNTPServerObjectPtr> again = DBNNTPServers().loadAllNNTPServers();
    ASSERT_EQ(again.size(), 3);
    EXPECT_EQ(again[0]->password(), QStringLiteral("kc-one"));
    EXPECT_EQ(again[0]->upPassword(), QStringLiteral("kc-up-one"));
}

TEST_F(ServerStore, WithoutAKeychainVersion100ConvertsWithEmptyPasswords)
{
    sql({QString::fromLatin1(kCreate100), QStringLiteral("CREATE TABLE dbinfo (version INTEGER)"),
         QStringLiteral("INSERT INTO dbinfo (version) VALUES (100)"),
         QStringLiteral(
             "INSERT INTO servers VALUES (1, '111', 'u1', 'one.example', 'One', 0, 119, 4, 0, 1, 1, "
             "'', 1, 1, 0, 'up1', 'up.example', 0, 119, 1)")});
    const QList<NNTPServerObjectPtr> loaded = DBNNTPServers().loadAllNNTPServers();
    ASSERT_EQ(aliases(loaded), QStringList({"One"}));
    EXPECT_EQ(loaded[0]->password(), QString());
    EXPECT_EQ(loaded[0]->upPassword(), QString());
    EXPECT_EQ(loaded[0]->upAddress(), QStringLiteral("up.example"));
    EXPECT_EQ(log.linesContaining("nntpservers.db successfully coverted from v100 to v102").size(), 1);
}

TEST_F(ServerStore, RowsOfAnotherShapeAreDroppedAndTheConversionFails)
{
    sql({QString::fromLatin1(kCreate100), QStringLiteral("CREATE TABLE dbinfo (version INTEGER)"),
         QStringLiteral("INSERT INTO dbinfo (version) VALUES (100)"),
         QStringLiteral(
             "INSERT INTO servers VALUES (1, '111', 'u1', 'one.example', 'One', 0, 119, 4, 0, 1, 1, "
             "'', 1, 1, 0, 'up1', 'up.example', 0, 119, 1)"),
         QStringLiteral("ALTER TABLE servers ADD COLUMN extra TEXT"),
         QStringLiteral("INSERT INTO servers (ID, serverID, alias) VALUES (2, '222', 'Two')")});
    // Every row now has 21 columns: none is of the version-100 shape, each is
    // dropped with a line, and the conversion is logged as failed.
    EXPECT_TRUE(DBNNTPServers().loadAllNNTPServers().isEmpty());
    EXPECT_EQ(log.linesContaining("NNTPServers database record is not compatible with app version.").size(),
              2);
    EXPECT_EQ(log.linesContaining("Error while converting: nntpservers.db from v100 to v102").size(), 1);
    EXPECT_EQ(column("SELECT version FROM dbinfo"), QStringList({"102"}));
}

TEST_F(ServerStore, AVersionTableWithoutARowLeavesTheStoreAsItIs)
{
    ASSERT_TRUE(DBNNTPServers().saveAllNNTPServers({server("A", "1", "pw")}));
    sql({QStringLiteral("DELETE FROM dbinfo")});
    const QList<NNTPServerObjectPtr> loaded = DBNNTPServers().loadAllNNTPServers();
    ASSERT_EQ(aliases(loaded), QStringList({"A"}));
    EXPECT_TRUE(column("SELECT version FROM dbinfo").isEmpty());
    EXPECT_TRUE(log.linesContaining("Converting database").isEmpty());
}

TEST_F(ServerStore, APasswordThatCannotBeStoredKeepsThePreviousList)
{
    const QList<NNTPServerObjectPtr> old = {server("A", "1", "pw-a"), server("B", "2", "pw-b")};
    ASSERT_TRUE(DBNNTPServers().saveAllNNTPServers(old));
    const QList<NNTPServerObjectPtr> fresh = {server("C", "3", "ok"),
                                              server("D", "4", QStringLiteral("пароль"))};
    EXPECT_FALSE(DBNNTPServers().saveAllNNTPServers(fresh));
    const QList<NNTPServerObjectPtr> loaded = DBNNTPServers().loadAllNNTPServers();
    EXPECT_EQ(aliases(loaded), QStringList({"A", "B"}));
    EXPECT_EQ(loaded.value(1) ? loaded[1]->password() : QString(), QStringLiteral("pw-b"));
    EXPECT_EQ(log.linesContaining("Unable to store the password of news server D").size(), 1);
}

TEST_F(ServerStore, ALockedFileFailsTheSaveAndKeepsThePreviousList)
{
    ASSERT_TRUE(DBNNTPServers().saveAllNNTPServers({server("A", "1", "pw")}));
    sqlite3* other = nullptr;
    ASSERT_EQ(sqlite3_open(QFile::encodeName(dbPath()).constData(), &other), SQLITE_OK);
    ASSERT_EQ(sqlite3_exec(other, "BEGIN EXCLUSIVE", nullptr, nullptr, nullptr), SQLITE_OK);
    EXPECT_FALSE(DBNNTPServers().saveAllNNTPServers({server("B", "2", "pw"), server("C", "3", "pw")}));
    sqlite3_exec(other, "ROLLBACK", nullptr, nullptr, nullptr);
    sqlite3_close(other);
    EXPECT_EQ(aliases(DBNNTPServers().loadAllNNTPServers()), QStringList({"A"}));
}

// The writer dies after half of the new rows went into the file: the next
// start finds the previous list, once.
TEST_F(ServerStore, ACrashInTheMiddleOfASaveLeavesThePreviousList)
{
    QList<NNTPServerObjectPtr> old;
    for (int i = 0; i < 3; ++i)
        old.append(server(QStringLiteral("Old%1").arg(i), QString::number(100 + i), QStringLiteral("pw")));
    ASSERT_TRUE(DBNNTPServers().saveAllNNTPServers(old));

    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        QList<NNTPServerObjectPtr> fresh;
        for (int i = 0; i < 400; ++i)
            fresh.append(server(QStringLiteral("New%1").arg(i), QString::number(1000 + i),
                                QString(2000, QLatin1Char('x'))));
        InterruptedStore store;
        store.exitAtRow = 300;
        store.saveAllNNTPServers(fresh);
        _exit(1);
    }
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
    ASSERT_EQ(WEXITSTATUS(status), 42);
    EXPECT_TRUE(QFileInfo::exists(dbPath() + QStringLiteral("-journal")));

    EXPECT_EQ(aliases(DBNNTPServers().loadAllNNTPServers()), QStringList({"Old0", "Old1", "Old2"}));
    EXPECT_EQ(column("SELECT version FROM dbinfo"), QStringList({"102"}));
}

TEST_F(ServerStore, RepeatedSavesNeverDoubleRowsOrVersionRows)
{
    // A file left with a second version row by an older program.
    ASSERT_TRUE(DBNNTPServers().saveAllNNTPServers({server("A", "1", "pw")}));
    sql({QStringLiteral("INSERT INTO dbinfo (version) VALUES (102)")});
    const QList<NNTPServerObjectPtr> list = {server("A", "1", "pw"), server("B", "2", "pw")};
    for (int i = 0; i < 3; ++i)
        ASSERT_TRUE(DBNNTPServers().saveAllNNTPServers(list));
    EXPECT_EQ(aliases(DBNNTPServers().loadAllNNTPServers()), QStringList({"A", "B"}));
    EXPECT_EQ(column("SELECT ID FROM servers ORDER BY ID"), QStringList({"1", "2"}));
    EXPECT_EQ(column("SELECT version FROM dbinfo"), QStringList({"102"}));
}

TEST_F(ServerStore, ColourTextIsTheSameInEveryLocale)
{
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    const QColor c = QColor::fromRgbF(0.5f, 0.25f, 1.0f, 0.75f);
    EXPECT_EQ(DBNNTPServers::convertColorToString(c), QStringLiteral("0.500 0.250 1.000 0.750"));
    EXPECT_EQ(DBNNTPServers::convertStringToColor(QStringLiteral("0.500 0.250 1.000 0.750")), c);
    auto s = server("A", "1", "pw");
    s->setColor(c);
    ASSERT_TRUE(DBNNTPServers().saveAllNNTPServers({s}));
    EXPECT_EQ(column("SELECT color FROM servers"), QStringList({"0.500 0.250 1.000 0.750"}));
    QLocale::setDefault(QLocale::c());

    EXPECT_EQ(DBNNTPServers::convertColorToString(QColor()), QStringLiteral("0.000 0.000 0.000 1.000"));
    EXPECT_EQ(DBNNTPServers::convertStringToColor(QStringLiteral("1 0.5")), QColor::fromRgbF(1, 0.5f, 0, 1));
    EXPECT_EQ(DBNNTPServers::convertStringToColor(QStringLiteral("junk")), QColor::fromRgbF(0, 0, 0, 1));
}

TEST_F(ServerStore, ListComparison)
{
    const auto list = [](int n) {
        QList<NNTPServerObjectPtr> out;
        for (int i = 0; i < n; ++i)
            out.append(NNTPServerObject::create());
        return out;
    };
    const auto copies = [](const QList<NNTPServerObjectPtr>& in) {
        QList<NNTPServerObjectPtr> out;
        for (const auto& s : in)
            out.append(s->copy());
        return out;
    };
    EXPECT_TRUE(DBNNTPServers::compareOldNNTPServersArray({}, {}).server);
    EXPECT_TRUE(DBNNTPServers::compareOldNNTPServersArray(list(1), list(2)).server);

    const QList<NNTPServerObjectPtr> now = list(3);
    struct Case
    {
        const char* name;
        std::function<void(NNTPServerObject&)> change;
        bool server;
        bool color;
    };
    const Case cases[] = {
        {"nothing", [](NNTPServerObject&) {}, false, false},
        {"alias", [](NNTPServerObject& s) { s.setAlias("x"); }, true, false},
        {"password", [](NNTPServerObject& s) { s.setPassword("x"); }, true, false},
        {"upPort", [](NNTPServerObject& s) { s.setUpPort(1); }, true, false},
        {"upRequiresLogin", [](NNTPServerObject& s) { s.setUpRequiresLogin(false); }, true, false},
        {"colour", [](NNTPServerObject& s) { s.setColor(Qt::red); }, false, true},
        {"showStats", [](NNTPServerObject& s) { s.setShowStats(0); }, false, false},
        {"upServerID", [](NNTPServerObject& s) { s.setUpServerID("1"); }, false, false},
        {"authFailed", [](NNTPServerObject& s) { s.setAuthFailed(true); }, false, false},
        {"row", [](NNTPServerObject& s) { s.setRow(9); }, false, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const QList<NNTPServerObjectPtr> old = copies(now);
        c.change(*now[2]);
        const NNTPServerListChanges changes = DBNNTPServers::compareOldNNTPServersArray(old, now);
        EXPECT_EQ(changes.server, c.server);
        EXPECT_EQ(changes.color, c.color);
        for (int i = 0; i < 3; ++i)
            EXPECT_NE(old[i]->connectionID(), now[i]->connectionID());
    }
}
