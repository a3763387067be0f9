#include "nntp/NNTPServersController.h"
#include "nntp/DBNNTPServers.h"

#include "platform/NotificationHub.h"
#include "support/LogFileReader.h"
#include "support/TempHome.h"

#include <gtest/gtest.h>

#include <QSet>

#include <atomic>
#include <thread>
#include <vector>

namespace {

class ServerList : public ::testing::Test
{
protected:
    TempHome home;
    NNTPServersController controller;

    NNTPServerObjectPtr add(const QString& alias, qint64 connections, bool backup = false)
    {
        NNTPServerObjectPtr s = controller.createNewNNTPServer();
        s->setAlias(alias);
        s->setMaxConnections(connections);
        s->setIsbackupServerOnly(backup);
        return s;
    }

    static QStringList aliasesOf(const QList<NNTPServerObjectPtr>& list)
    {
        QStringList out;
        for (const auto& s : list)
            out.append(s->alias());
        return out;
    }
};

// Records the names of the notifications that reach it.
class NotificationRecorder
{
public:
    explicit NotificationRecorder(const QStringList& names)
    {
        for (const QString& name : names)
            NotificationHub::defaultCenter().addObserver(
                name, &owner_, [this](const Notification& n) { names_.append(n.name); });
    }
    QStringList names() const { return names_; }

private:
    QObject owner_;
    QStringList names_;
};

} // namespace

TEST_F(ServerList, NewServerHasTheDefaultsAndRandomIdentities)
{
    EXPECT_EQ(
        LogFileReader(home.logFilePath()).linesContaining("News servers loaded from database :: 0").size(),
        1);
    const NNTPServerObjectPtr s = controller.createNewNNTPServer();
    EXPECT_EQ(controller.arrayNNTPServers().size(), 1);
    EXPECT_EQ(s->alias(), QStringLiteral("NewsServer #1"));
    EXPECT_EQ(s->maxConnections(), 5);
    EXPECT_EQ(s->port(), 119);
    EXPECT_EQ(s->upPort(), 119);
    EXPECT_TRUE(s->enabled());
    EXPECT_TRUE(s->requiresLogin());
    EXPECT_TRUE(s->upRequiresLogin());
    EXPECT_TRUE(s->uploadIsDownloadServer());
    EXPECT_TRUE(s->upEnabled());
    EXPECT_FALSE(s->ssl());
    EXPECT_FALSE(s->upSSL());
    EXPECT_EQ(s->showStats(), 1);
    EXPECT_FALSE(s->address().isEmpty());
    bool digits = false;
    s->serverID().toULongLong(&digits);
    EXPECT_TRUE(digits) << s->serverID().toStdString();
    s->upServerID().toULongLong(&digits);
    EXPECT_TRUE(digits) << s->upServerID().toStdString();

    for (int i = 0; i < 500; ++i) {
        const QColor c = NNTPServersController::createRandomColor().toHsv();
        ASSERT_GE(c.hsvSaturationF(), 0.5f - 1e-3f);
        ASSERT_LT(c.hsvSaturationF(), 1.0f);
        ASSERT_GE(c.valueF(), 0.5f - 1e-3f);
        ASSERT_LT(c.valueF(), 1.0f);
        ASSERT_EQ(c.alphaF(), 1.0f);
    }
}

TEST_F(ServerList, ACopyIsASlotWithANewConnectionId)
{
    const NNTPServerObjectPtr s = add("A", 3);
    s->setAuthFailed(true);
    s->setPostingDenied(true);
    s->setPassword("pw");
    s->setUpAddress("up.example");
    s->setUpPort(444);
    s->setRow(7);
    s->setColor(Qt::blue);
    const NNTPServerObjectPtr c = s->copy();
    EXPECT_NE(c->connectionID(), s->connectionID());
    EXPECT_EQ(c->serverID(), s->serverID());
    EXPECT_EQ(c->upServerID(), s->upServerID());
    EXPECT_EQ(c->password(), QStringLiteral("pw"));
    EXPECT_EQ(c->upAddress(), QStringLiteral("up.example"));
    EXPECT_EQ(c->upPort(), 444);
    EXPECT_EQ(c->row(), 7);
    EXPECT_EQ(c->color(), QColor(Qt::blue));
    EXPECT_EQ(c->maxConnections(), 3);
    EXPECT_FALSE(c->authFailed());
    EXPECT_FALSE(c->postingDenied());
    EXPECT_EQ(c->mainNNTPServerObject(), nullptr);
    EXPECT_EQ(c->uiConnectionObject(), nullptr);
}

TEST_F(ServerList, SlotsAndRowsFollowTheListOrder)
{
    const NNTPServerObjectPtr a = add("A", 2);
    add("Disabled", 3)->setEnabled(false);
    add("None", 0);
    const NNTPServerObjectPtr b = add("B", 3, true);
    const NNTPServerObjectPtr c = add("C", 1);
    controller.buildLocalArrays();

    EXPECT_EQ(aliasesOf(controller.normalServersArray()), QStringList({"A", "A", "C"}));
    EXPECT_EQ(aliasesOf(controller.backupServersArray()), QStringList({"B", "B", "B"}));
    const QList<TVConnectionsObjectPtr> rows = controller.arrayTableViewConnections();
    ASSERT_EQ(rows.size(), 6);
    const QStringList expectedAlias = {"A", "A", "B", "B", "B", "C"};
    QSet<qint64> connectionIDs;
    for (int i = 0; i < rows.size(); ++i) {
        SCOPED_TRACE(i);
        const TVConnectionsObjectPtr& row = rows[i];
        EXPECT_EQ(row->nr(), i + 1);
        EXPECT_EQ(row->alias(), expectedAlias[i]);
        const NNTPServerObjectPtr slot = row->nntpObject();
        ASSERT_NE(slot, nullptr);
        EXPECT_EQ(slot->uiConnectionObject(), row);
        EXPECT_EQ(slot->mainNNTPServerObject()->alias(), expectedAlias[i]);
        EXPECT_TRUE(controller.arrayNNTPServers().contains(slot->mainNNTPServerObject()));
        EXPECT_EQ(row->lastresponse(), expectedAlias[i] == "B" ? QStringLiteral("Ready (backup server)")
                                                               : QStringLiteral("Ready"));
        EXPECT_TRUE(row->title().isEmpty());
        EXPECT_TRUE(row->filename().isEmpty());
        connectionIDs.insert(slot->connectionID());
    }
    EXPECT_EQ(connectionIDs.size(), 6);
    EXPECT_EQ(controller.getNormalServerIDs(), QStringList({a->serverID(), c->serverID()}));
    EXPECT_EQ(controller.getBackupServerIDs(), QStringList({b->serverID()}));
    EXPECT_EQ(controller.getTotalNormalServersAvailable(), 3);
    EXPECT_EQ(controller.getTotalBackupServersAvailable(), 3);
}

TEST_F(ServerList, AFailedLoginCountsUntilTheNextRebuild)
{
    const NNTPServerObjectPtr a = add("A", 2);
    const NNTPServerObjectPtr b = add("B", 5);
    controller.buildLocalArrays();
    a->setAuthFailed(true);
    EXPECT_EQ(controller.getNormalServerIDs(), QStringList({b->serverID()}));
    EXPECT_EQ(controller.getTotalNormalServersAvailable(), 5);
    EXPECT_EQ(controller.getUploadServerIDs(), QStringList({b->serverID()}));
    controller.buildLocalArrays();
    EXPECT_FALSE(a->authFailed());
    EXPECT_EQ(controller.getNormalServerIDs(), QStringList({a->serverID(), b->serverID()}));
    EXPECT_EQ(controller.getTotalNormalServersAvailable(), 7);
}

TEST_F(ServerList, UploadServersAreThoseThatAllowPosting)
{
    const NNTPServerObjectPtr backup = add("Backup", 1, true);
    const NNTPServerObjectPtr noPost = add("NoPost", 1);
    noPost->setUpEnabled(false);
    const NNTPServerObjectPtr normal = add("Normal", 2);
    controller.buildLocalArrays();
    EXPECT_EQ(controller.getUploadServerIDs(), QStringList({normal->serverID(), backup->serverID()}));
}

TEST_F(ServerList, TakingSlots)
{
    const NNTPServerObjectPtr a = add("A", 2);
    const NNTPServerObjectPtr b = add("B", 1, true);
    controller.buildLocalArrays();
    const QList<NNTPServerObjectPtr> normal = controller.normalServersArray();
    const QList<NNTPServerObjectPtr> backup = controller.backupServersArray();

    // By upload id: that server's first free slot.
    EXPECT_EQ(controller.requestConnectionForServerID(b->upServerID()), backup[0]);
    EXPECT_EQ(controller.requestConnectionForServerID(b->serverID()), nullptr) << "its only slot is taken";
    backup[0]->setIsInUse(false);
    EXPECT_EQ(controller.requestConnectionForServerID(b->serverID()), backup[0]);
    EXPECT_EQ(controller.getTotalServersInUse(), 1);

    // Without an id: normal slots first, then backup slots, then none.
    backup[0]->setIsInUse(false);
    EXPECT_EQ(controller.requestConnectionForServerID(), normal[0]);
    EXPECT_EQ(controller.requestConnectionForServerID(), normal[1]);
    EXPECT_EQ(controller.requestConnectionForServerID(), backup[0]);
    EXPECT_EQ(controller.requestConnectionForServerID(), nullptr);
    EXPECT_EQ(controller.getTotalServersInUse(), 2);
    EXPECT_EQ(controller.requestConnectionForServerID(QStringLiteral("no-such-server")), nullptr);

    normal[1]->setIsInUse(false);
    EXPECT_EQ(controller.requestConnectionForServerID(a->serverID()), normal[1]);
}

TEST_F(ServerList, ServerIdsAreMatchedExactly)
{
    const NNTPServerObjectPtr longer = add("Longer", 1);
    longer->setServerID(QStringLiteral("12345678"));
    longer->setUpServerID(QStringLiteral("5123"));
    const NNTPServerObjectPtr shorter = add("Shorter", 1);
    shorter->setServerID(QStringLiteral("1234"));
    shorter->setUpServerID(QStringLiteral("512"));
    controller.buildLocalArrays();

    EXPECT_EQ(controller.getNNTPServerObjectForServerID(QStringLiteral("1234")), shorter);
    EXPECT_EQ(controller.getNNTPServerObjectForServerID(QStringLiteral("12345678")), longer);
    EXPECT_EQ(controller.getNNTPServerObjectForServerID(QStringLiteral("123")), nullptr);
    EXPECT_EQ(controller.getNNTPServerObjectForServerID(QString()), nullptr);

    // "512" is inside the longer server's upload id "5123", and "1234" inside
    // its id "12345678": neither may hand out the longer server's slot.
    const NNTPServerObjectPtr upSlot = controller.requestConnectionForServerID(QStringLiteral("512"));
    ASSERT_NE(upSlot, nullptr);
    EXPECT_EQ(upSlot->alias(), QStringLiteral("Shorter"));
    EXPECT_EQ(controller.requestConnectionForServerID(QStringLiteral("1234")), nullptr);
    EXPECT_EQ(controller.requestConnectionForServerID(QStringLiteral("12345678"))->alias(),
              QStringLiteral("Longer"));
}

// Many threads take and give back slots of one server as fast as they can:
// no slot is ever held twice and never more than its connections are in use.
TEST_F(ServerList, TwoThreadsNeverGetTheSameSlot)
{
    const NNTPServerObjectPtr a = add("A", 4);
    add("B", 3);
    controller.buildLocalArrays();
    const QList<NNTPServerObjectPtr> slotList = controller.normalServersArray();
    std::vector<std::atomic<int>> holders(slotList.size());
    std::atomic<int> inUse{0};
    std::atomic<int> peak{0};
    std::atomic<bool> doubleHeld{false};
    std::atomic<int> taken{0};

    std::vector<std::thread> threads;
    for (int t = 0; t < 8; ++t) {
        threads.emplace_back([&, t] {
            for (int i = 0; i < 20000; ++i) {
                const NNTPServerObjectPtr slot =
                    controller.requestConnectionForServerID(t % 2 ? a->serverID() : QString());
                if (!slot) continue;
                taken.fetch_add(1);
                const qsizetype index = slotList.indexOf(slot);
                if (holders[index].fetch_add(1) != 0) doubleHeld = true;
                if (slot->serverID() == a->serverID()) {
                    const int now = inUse.fetch_add(1) + 1;
                    int seen = peak.load();
                    while (now > seen && !peak.compare_exchange_weak(seen, now)) {
                    }
                    inUse.fetch_sub(1);
                }
                holders[index].fetch_sub(1);
                slot->setIsInUse(false);
            }
        });
    }
    for (std::thread& th : threads)
        th.join();
    EXPECT_FALSE(doubleHeld.load());
    EXPECT_LE(peak.load(), 4);
    EXPECT_GT(taken.load(), 1000);
    EXPECT_EQ(controller.getTotalServersInUse(), 0);
}

TEST_F(ServerList, ChangesFoundWhenTheSettingsWindowCloses)
{
    add("A", 2);
    add("B", 1);
    controller.buildLocalArrays();
    NotificationRecorder recorder({"NNTPServerListChanged", "RebuildStatsUsageGraph"});
    const auto snapshot = [this] {
        QList<NNTPServerObjectPtr> copies;
        for (const auto& s : controller.arrayNNTPServers())
            copies.append(s->copy());
        return copies;
    };

    // Only the statistics flag and nothing at all: no change, no save.
    QList<NNTPServerObjectPtr> old = snapshot();
    controller.arrayNNTPServers()[0]->setShowStats(0);
    controller.compareNNTPChangesWithArray(old);
    controller.compareNNTPChangesWithArray(snapshot());
    EXPECT_TRUE(recorder.names().isEmpty());
    EXPECT_FALSE(controller.shouldSaveNNTPServers());

    // Only a colour: the graph is rebuilt, the list saved.
    old = snapshot();
    controller.arrayNNTPServers()[1]->setColor(Qt::red);
    controller.compareNNTPChangesWithArray(old);
    EXPECT_EQ(recorder.names(), QStringList({"RebuildStatsUsageGraph"}));
    EXPECT_TRUE(controller.shouldSaveNNTPServers());
    ASSERT_TRUE(controller.saveNNTPServers());
    const QList<NNTPServerObjectPtr> stored = DBNNTPServers().loadAllNNTPServers();
    ASSERT_EQ(stored.size(), 2);
    EXPECT_EQ(DBNNTPServers::convertColorToString(stored[1]->color()),
              QStringLiteral("1.000 0.000 0.000 1.000"));

    // A server setting (and a colour with it): the list changed.
    old = snapshot();
    controller.arrayNNTPServers()[0]->setColor(Qt::yellow);
    controller.arrayNNTPServers()[1]->setPort(563);
    controller.compareNNTPChangesWithArray(old);
    EXPECT_EQ(recorder.names(), QStringList({"RebuildStatsUsageGraph", "NNTPServerListChanged"}));

    // A server added.
    old = snapshot();
    controller.createNewNNTPServer();
    controller.compareNNTPChangesWithArray(old);
    EXPECT_EQ(recorder.names().last(), QStringLiteral("NNTPServerListChanged"));
}

TEST_F(ServerList, TheListIsLoadedFromTheStoreAtStart)
{
    const NNTPServerObjectPtr a = add("A", 2);
    a->setPassword("pw");
    add("B", 1, true);
    ASSERT_TRUE(controller.saveNNTPServers());
    NNTPServersController second;
    EXPECT_EQ(aliasesOf(second.arrayNNTPServers()), QStringList({"A", "B"}));
    EXPECT_EQ(second.arrayNNTPServers()[0]->password(), QStringLiteral("pw"));
    EXPECT_EQ(second.normalServersArray().size(), 2);
    EXPECT_EQ(second.backupServersArray().size(), 1);
    EXPECT_EQ(
        LogFileReader(home.logFilePath()).linesContaining("News servers loaded from database :: 2").size(),
        1);
}

TEST_F(ServerList, EndpointOfEachDirection)
{
    const NNTPServerObjectPtr s = add("A", 1);
    s->setAddress("down.example");
    s->setPort(563);
    s->setSsl(true);
    s->setUsername("user");
    s->setPassword("pw");
    s->setUpAddress("stale.example");
    s->setUpPassword("stale");
    s->setUpRequiresLogin(false);

    NNTPEndpoint up = s->endpoint(true);
    EXPECT_EQ(up.serverID, s->upServerID());
    EXPECT_EQ(up.address, QStringLiteral("down.example"));
    EXPECT_EQ(up.port, 563);
    EXPECT_TRUE(up.ssl);
    EXPECT_TRUE(up.requiresLogin);
    EXPECT_EQ(up.password, QStringLiteral("pw"));
    s->setPort(0);
    up = s->endpoint(true);
    EXPECT_EQ(up.port, 119);
    EXPECT_FALSE(up.ssl);

    s->setUploadIsDownloadServer(false);
    up = s->endpoint(true);
    EXPECT_EQ(up.address, QStringLiteral("stale.example"));
    EXPECT_EQ(up.password, QStringLiteral("stale"));
    EXPECT_FALSE(up.requiresLogin);
    const NNTPEndpoint down = s->endpoint(false);
    EXPECT_EQ(down.serverID, s->serverID());
    EXPECT_EQ(down.address, QStringLiteral("down.example"));
    EXPECT_EQ(down.username, QStringLiteral("user"));
}

TEST_F(ServerList, StatisticsSeeEveryServerWithItsColourAndShowFlag)
{
    NNTPServerObjectPtr a = add("A", 2);
    NNTPServerObjectPtr b = add("B", 1);
    a->setColor(QColor(10, 20, 30));
    b->setShowStats(0);
    const QList<StatsServerInfo> seen = controller.statsServers();
    ASSERT_EQ(seen.size(), 2);
    EXPECT_EQ(seen[0].serverID, a->serverID());
    EXPECT_EQ(seen[0].alias, "A");
    EXPECT_EQ(seen[0].color, QColor(10, 20, 30));
    EXPECT_TRUE(seen[0].showStats);
    EXPECT_FALSE(seen[1].showStats);
}
