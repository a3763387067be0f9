// The connection manager against scripted servers: how many connections it
// opens where, and where an article that a server lacks goes next.

#include "ConnectionManagerHarness.h"

#include "codec/DeYenc.h"
#include "platform/NotificationHub.h"
#include "platform/UserDefaults.h"
#include "queue/StatusCodes.h"

#include "support/ArticleFixtures.h"

#include <QSet>
#include <QSignalSpy>

namespace {

TEST_F(ConnectionManager, OpensOneConnectionPerFreeSlotInListOrder)
{
    Server& a = addServer("A", 5);
    Server& b = addServer("B", 10);
    Server& c = addServer("C", 2);
    const QueuePtr job = queueJob("job", 1, 1);
    serve(job, {&a, &b, &c});
    // What the connections page observes.
    QSignalSpy opened(manager.get(), &ConnectionsController::openConnectionsNrChanged);
    QSignalSpy inUse(manager.get(), &ConnectionsController::serversInUseNrChanged);

    manager->connectAll();
    QStringList expected;
    for (const auto& [alias, n] : {std::pair{"A", 5}, std::pair{"B", 10}, std::pair{"C", 2}})
        for (int i = 0; i < n; ++i)
            expected.append(alias);
    EXPECT_EQ(socketAliases(), expected);
    EXPECT_TRUE(waitUntil([&] { return manager->openConnectionsNr() == 17; }));
    ASSERT_FALSE(opened.isEmpty());
    EXPECT_EQ(opened.last().first().toLongLong(), 17);
    ASSERT_FALSE(inUse.isEmpty());
    EXPECT_EQ(inUse.last().first().toLongLong(), 3);
    EXPECT_TRUE(waitUntil([&] {
        return a.nntp->connectionsOpened() == 5 && b.nntp->connectionsOpened() == 10 &&
               c.nntp->connectionsOpened() == 2;
    }));
    EXPECT_TRUE(waitForBooked(job));
    EXPECT_EQ(bodies(a).size() + bodies(b).size() + bodies(c).size(), 1);

    // No free slot is left: asking again opens nothing more.
    manager->connectAll();
    EXPECT_EQ(manager->socketArray().size(), 17);
    EXPECT_EQ(manager->serversInUseNr(), 3);
}

TEST_F(ConnectionManager, NothingOpensWithoutAJobToServe)
{
    addServer("A", 3);
    manager->connectAll();
    EXPECT_TRUE(manager->socketArray().isEmpty()) << "empty queue";
    const QueuePtr job = queueJob("job", 1, 1);
    job->setIsPaused(true);
    manager->connectAll();
    EXPECT_TRUE(manager->socketArray().isEmpty()) << "every job paused";
    manager->toggleManuallyConnect();
    job->setIsPaused(false);
    manager->connectAll();
    EXPECT_TRUE(manager->socketArray().isEmpty()) << "manual mode";
}

TEST_F(ConnectionManager, WithoutAnyServerWaitingJobsPause)
{
    const QueuePtr download = queueJob("download", 1, 1);
    const QueuePtr upload = queueJob("upload", 1, 1);
    upload->setIsUploadObject(true);
    upload->setStatus(UploadStatus::Queued);
    const QueuePtr finished = queueJob("finished", 1, 1);
    finished->setStatus(JobStatus::Finished);
    manager->connectAll();
    EXPECT_EQ(download->status(), JobStatus::NoNewsServersConfigured);
    EXPECT_EQ(upload->status(), UploadStatus::NoServersAvailable);
    EXPECT_EQ(finished->status(), JobStatus::Finished);
}

TEST_F(ConnectionManager, OnlyBackupServersServeLikeNormalOnes)
{
    Server& c = addServer("C", 2, true);
    const QueuePtr job = queueJob("job", 2, 2);
    serve(job, {&c});
    manager->connectAll();
    EXPECT_TRUE(manager->onlyBackupServersConfigured());
    EXPECT_EQ(socketAliases(), QStringList({"C", "C"}));
    ASSERT_TRUE(waitForBooked(job));
    EXPECT_EQ(bodies(c).size(), 4);
    EXPECT_TRUE(job->fullDownloadBackupServers().isEmpty());
}

TEST_F(ConnectionManager, AnIdleConnectionIsWokenInsteadOfOpeningAnother)
{
    Server& a = addServer("A", 3);
    const QueuePtr first = queueJob("first", 1, 1);
    serve(first, {&a});
    manager->openConnections(1, a.entry->serverID());
    ASSERT_TRUE(waitForBooked(first));
    ASSERT_TRUE(waitUntil([&] { return manager->socketArray().first()->status() == TCPSocket::Idle; }));

    const QueuePtr second = queueJob("second", 1, 2);
    serve(second, {&a});
    manager->openConnections(1, a.entry->serverID());
    EXPECT_TRUE(waitForBooked(second));
    EXPECT_EQ(manager->socketArray().size(), 1);
    EXPECT_EQ(a.nntp->connectionsOpened(), 1);
}

TEST_F(ConnectionManager, ResettingARowWithoutConnectionOpensOneOnTheFirstServer)
{
    Server& a = addServer("A", 2);
    Server& b = addServer("B", 2);
    const QueuePtr job = queueJob("job", 1, 1);
    serve(job, {&a, &b});
    manager->resetConnections({-12345});
    EXPECT_EQ(socketAliases(), QStringList({"A"}));
    EXPECT_TRUE(waitForBooked(job));
}

TEST_F(ConnectionManager, AnArticleMissingOnOneServerComesFromTheNextOnly)
{
    Server& a = addServer("A", 1);
    Server& b = addServer("B", 1);
    Server& c = addServer("C", 1, true);
    const QueuePtr job = queueJob("job", 2, 2);
    serve(job, {&a});
    const SegmentPtr missing = article(job, 1, 2);
    b.nntp->addArticle(missing->midBytes(), "only on B\r\n");
    c.nntp->addArticle(missing->midBytes(), "also on C\r\n");
    // A answers 430 for it.
    a.nntp->addRule(NntpRule::on("BODY").withArgument(missing->midBytes()).reply(430, "No such article"));

    manager->openConnections(1, a.entry->serverID());
    ASSERT_TRUE(waitForBooked(job));
    // Once connected for the miss, B may also take an article of the job
    // that A has not started yet: B lacks it, so A is asked for it after B.
    // Whatever the timing, A is asked for each article once, B for none
    // twice, and the backup for none at all.
    const QList<QByteArray> askedOfA = bodies(a);
    const QList<QByteArray> askedOfB = bodies(b);
    const std::string asked =
        "A: " + askedOfA.join(' ').toStdString() + "\nB: " + askedOfB.join(' ').toStdString();
    EXPECT_EQ(askedOfA.size(), 4) << asked;
    EXPECT_EQ(QSet<QByteArray>(askedOfA.begin(), askedOfA.end()).size(), 4) << asked;
    EXPECT_TRUE(askedOfA.contains(missing->midBytes())) << asked;
    EXPECT_TRUE(askedOfB.contains(missing->midBytes())) << asked;
    EXPECT_EQ(QSet<QByteArray>(askedOfB.begin(), askedOfB.end()).size(), askedOfB.size()) << asked;
    EXPECT_TRUE(bodies(c).isEmpty());
    EXPECT_EQ(missing->status(), ArticleStatus::Downloaded);
    EXPECT_EQ(missing->usedServerIDs(), QStringList({a.entry->serverID()}));
    EXPECT_FALSE(job->isIncomplete());
}

TEST_F(ConnectionManager, AnArticleMissingOnEveryNormalServerComesFromTheBackupAlone)
{
    Server& a = addServer("A", 1);
    Server& b = addServer("B", 1);
    Server& c = addServer("C", 2, true);
    const QueuePtr job = queueJob("job", 2, 3);
    serve(job, {&a, &b, &c});
    const SegmentPtr missing = article(job, 2, 2);
    for (Server* s : {&a, &b})
        s->nntp->addRule(
            NntpRule::on("BODY").withArgument(missing->midBytes()).reply(430, "No such article"));

    manager->connectAll();
    ASSERT_TRUE(waitForBooked(job));
    EXPECT_EQ(bodies(c), QList<QByteArray>({missing->midBytes()}));
    EXPECT_EQ(c.nntp->connectionsOpened(), 1);
    EXPECT_EQ(missing->status(), ArticleStatus::Downloaded);
    EXPECT_TRUE(missing->backupServerOnly());
    EXPECT_TRUE(job->partDownloadBackupServers().isEmpty());
    EXPECT_TRUE(job->fullDownloadBackupServers().isEmpty());
    EXPECT_EQ(bodies(a).size() + bodies(b).size(), 6 + 1);
}

TEST_F(ConnectionManager, AOneFileJobWhoseFirstArticleIsMissingComesWhollyFromTheBackup)
{
    Server& a = addServer("A", 1);
    Server& c = addServer("C", 1, true);
    const QueuePtr job = queueJob("job", 1, 4);
    serve(job, {&c});
    for (int n = 2; n <= 4; ++n)
        a.nntp->addArticle(article(job, 1, n)->midBytes(), "on A\r\n");

    manager->connectAll();
    ASSERT_TRUE(waitForBooked(job));
    EXPECT_EQ(job->serversToSkip(), QStringList({a.entry->serverID()}));
    EXPECT_EQ(job->fullDownloadBackupServers(), QStringList({c.entry->serverID()}));
    EXPECT_EQ(bodies(a), QList<QByteArray>({article(job, 1, 1)->midBytes()}));
    EXPECT_EQ(bodies(c).size(), 4);
    EXPECT_FALSE(job->isIncomplete());
}

TEST_F(ConnectionManager, AForcedJobStillTriesTheOtherServersOnAMiss)
{
    Server& a = addServer("A", 1);
    Server& b = addServer("B", 1);
    const QueuePtr job = queueJob("job", 1, 2);
    job->setForceDownload(true);
    job->setServersToSkip({b.entry->serverID()});
    serve(job, {&a, &b});
    const SegmentPtr missing = article(job, 1, 1);
    a.nntp->addRule(NntpRule::on("BODY").withArgument(missing->midBytes()).reply(430, "No such article"));

    manager->openConnections(1, a.entry->serverID());
    ASSERT_TRUE(waitForBooked(job));
    EXPECT_EQ(missing->status(), ArticleStatus::Downloaded);
    EXPECT_EQ(bodies(b), QList<QByteArray>({missing->midBytes()}));
    EXPECT_FALSE(job->isIncomplete());
    EXPECT_EQ(job->serversToSkip(), QStringList({b.entry->serverID()}));
}

// A yEnc article whose data fails its "pcrc32=" counts as missing on the
// server that sent it: the next normal server, then a backup, are asked.
// When none has a good copy, the data is kept as received and counted.
struct CrcCheckedArticle : ConnectionManager
{
    void run(bool backupHasGoodCopy)
    {
        const QByteArray data = "twenty bytes of data";
        ArticleFixtures::YencPart yenc;
        yenc.name = "f.bin";
        yenc.part = 1;
        yenc.fileSize = data.size();
        const QByteArray good = ArticleFixtures::yencBody(data, yenc).chopped(3); // without the "." line
        QByteArray damaged = good;
        const qsizetype at = damaged.indexOf("\r\n", damaged.indexOf("=ypart")) + 2;
        damaged[at] = char(damaged[at] + 1);
        ASSERT_EQ(DeYenc::checkArticle(damaged + ".\r\n"), DeYenc::ArticleCheck::Mismatch);

        Server& a = addServer("A", 1);
        Server& b = addServer("B", 1);
        Server& c = addServer("C", 1, true);
        const QueuePtr job = queueJob("job", 2, 2);
        serve(job, {&a, &b, &c});
        const SegmentPtr checked = article(job, 1, 1);
        a.nntp->addArticle(checked->midBytes(), damaged);
        b.nntp->addArticle(checked->midBytes(), damaged);
        c.nntp->addArticle(checked->midBytes(), backupHasGoodCopy ? good : damaged);

        manager->openConnections(1, a.entry->serverID());
        ASSERT_TRUE(waitForBooked(job));
        for (const Server* s : {&a, &b, &c})
            EXPECT_EQ(s->nntp->bodyRequests(checked->midBytes()), 1) << s->entry->alias().toStdString();
        EXPECT_EQ(checked->status(), ArticleStatus::Downloaded);
        QStringList tried = {a.entry->serverID(), b.entry->serverID()};
        if (!backupHasGoodCopy) tried.append(c.entry->serverID());
        EXPECT_EQ(checked->usedServerIDs(), tried);
        EXPECT_EQ(job->articlesFailedCheck(), backupHasGoodCopy ? 0 : 1);
        EXPECT_FALSE(job->isIncomplete());
    }
};

TEST_F(CrcCheckedArticle, ComesFromTheNextServerAndThenTheBackup)
{
    run(true);
}

TEST_F(CrcCheckedArticle, WithoutAGoodCopyAnywhereIsKeptAndCounted)
{
    run(false);
}

TEST_F(ConnectionManager, AJobNoServerHasEndsMissing)
{
    addServer("A", 1);
    const QueuePtr job = queueJob("job", 1, 3);
    manager->connectAll();
    // The job is marked missing first, then the article is booked missing,
    // both on the connection's thread.
    ASSERT_TRUE(waitUntil([&] {
        return job->status() == JobStatus::PausedPossiblyIncomplete &&
               article(job, 1, 1)->status() == ArticleStatus::Missing;
    }));
    EXPECT_TRUE(waitUntil([&] { return job->isIncomplete(); }));
    EXPECT_TRUE(job->isMissing());
    // Nothing more is handed out of it.
    spinEventLoop(200);
    EXPECT_EQ(article(job, 1, 2)->status(), ArticleStatus::Queued);
}

TEST_F(ConnectionManager, AnArticleNoServerHasIsBookedMissingAndTheJobGoesOn)
{
    Server& a = addServer("A", 2);
    const QueuePtr job = queueJob("job", 2, 3);
    serve(job, {&a});
    const SegmentPtr missing = article(job, 2, 1);
    a.nntp->addRule(NntpRule::on("BODY").withArgument(missing->midBytes()).reply(430, "No such article"));

    manager->connectAll();
    ASSERT_TRUE(waitForBooked(job));
    EXPECT_EQ(missing->status(), ArticleStatus::Missing);
    EXPECT_TRUE(job->isIncomplete());
    EXPECT_FALSE(job->isMissing());
    EXPECT_EQ(job->totalMissingArticles(), 1);
    EXPECT_EQ(a.nntp->bodyRequests(missing->midBytes()), 1);
    EXPECT_TRUE(waitUntil([&] { return job->status() == JobStatus::SavingToDisk; }));
}

// ---------------------------------------------------------------------------
// Failures and list changes

TEST_F(ConnectionManager, TwoSimultaneousLoginFailuresShowOneAlert)
{
    Server& a = addServer("A", 2);
    a.nntp->setRequireAuth(true);
    a.nntp->addAccount("user", "right");
    a.entry->setRequiresLogin(true);
    a.entry->setUsername("user");
    a.entry->setPassword("wrong");
    list.buildLocalArrays();
    queueJob("job", 1, 2);

    manager->connectAll();
    ASSERT_EQ(manager->socketArray().size(), 2);
    ASSERT_TRUE(waitUntil([&] { return manager->socketArray().isEmpty() && !dialogs.asked().isEmpty(); }));
    spinEventLoop(100);
    EXPECT_EQ(dialogs.askedTitles(), QStringList({"Auth failed"}));
    EXPECT_EQ(dialogs.asked().first().info, "Incorrect username and/or password for A");
    EXPECT_TRUE(a.entry->authFailed());
    EXPECT_FALSE(manager->checkForNormalActiveNNTPServers());
    for (const NNTPServerObjectPtr& slot : list.normalServersArray())
        EXPECT_EQ(slot->uiConnectionObject()->lastresponse(),
                  "Auth failed. Incorrect username and/or password.");
}

TEST_F(ConnectionManager, AFailedUploadLoginLeavesDownloadsOfTheServerRunning)
{
    Server& a = addServer("A", 2);
    ScriptedNntpServer upload;
    ASSERT_TRUE(upload.start());
    upload.setRequireAuth(true);
    upload.addAccount("poster", "right");
    a.entry->setUploadIsDownloadServer(false);
    a.entry->setUpAddress("127.0.0.1");
    a.entry->setUpPort(upload.port());
    a.entry->setUpRequiresLogin(true);
    a.entry->setUpUsername("poster");
    a.entry->setUpPassword("wrong");
    list.buildLocalArrays();

    const QueuePtr post = DownloadJobBuilder("post").articlesPerPart(1).build();
    post->setIsUploadObject(true);
    post->setServerID(a.entry->upServerID());
    post->setTextBody("hello");
    post->setStatus(UploadStatus::Queued);
    post->fileparts()[0]->setStatus(FilePartStatus::QueuedForUpload);
    ASSERT_TRUE(qc.addNZBRootObjectToQueue(post));
    manager->connectServerID(a.entry->upServerID());
    ASSERT_TRUE(waitUntil([&] { return !dialogs.asked().isEmpty() && manager->socketArray().isEmpty(); }));
    EXPECT_EQ(dialogs.askedTitles(), QStringList({"Auth failed"}));
    EXPECT_FALSE(a.entry->authFailed());
    EXPECT_EQ(manager->failedUploadEndpoints(), QStringList({a.entry->upServerID()}));

    const QueuePtr job = queueJob("job", 1, 2);
    serve(job, {&a});
    manager->connectAll();
    EXPECT_TRUE(waitForBooked(job));
    EXPECT_EQ(bodies(a).size(), 2);
    EXPECT_TRUE(upload.postedArticles().isEmpty());
}

TEST_F(ConnectionManager, EveryDeniedPostingEndsItsJobWithOneAlertPerServer)
{
    Server& a = addServer("A", 1);
    const NNTPServerObjectPtr slot = list.normalServersArray().first();
    const QueuePtr first = queueJob("first", 1, 1);
    const QueuePtr second = queueJob("second", 1, 1);
    manager->postingDeniedForNNTPServer(slot, first);
    manager->postingDeniedForNNTPServer(slot, second);
    EXPECT_EQ(first->status(), UploadStatus::PostingDenied);
    EXPECT_EQ(second->status(), UploadStatus::PostingDenied);
    EXPECT_TRUE(a.entry->postingDenied());
    ASSERT_TRUE(waitUntil([&] { return !dialogs.asked().isEmpty(); }));
    spinEventLoop(50);
    EXPECT_EQ(dialogs.askedTitles(), QStringList({"Posting denied"}));
}

TEST(PostingRefusal, OnlyARefusalAboutTheFromLineBlamesTheName)
{
    const struct
    {
        const char* text;
        bool aboutFrom;
    } cases[] = {
        {"'From' Header not in Internet Syntax. E1", true},
        {"Invalid syntax encountered in From header field body (unexpected byte or empty content line)", true},
        {"Can't parse \"From\" header", true},
        {"Missing From: header", true},
        {"Invalid syntax encountered in Subject header field body", false},
        {"Posting from this address is not allowed", false},
        {"Duplicate article", false},
        {"", false},
    };
    for (const auto& c : cases)
        EXPECT_EQ(ConnectionsController::isAboutFromLine(QString::fromLatin1(c.text)), c.aboutFrom) << c.text;
}

TEST_F(ConnectionManager, AListChangeRebuildsOnlyWhenTheLastConnectionHasGone)
{
    Server& a = addServer("A", 3);
    const QueuePtr job = queueJob("job", 1, 1);
    serve(job, {&a});
    manager->connectAll();
    ASSERT_EQ(manager->socketArray().size(), 3);
    ASSERT_TRUE(waitForBooked(job));
    const QList<NNTPServerObjectPtr> before = list.normalServersArray();

    NotificationHub::defaultCenter().post(QStringLiteral("NNTPServerListChanged"));
    EXPECT_TRUE(manager->shouldRecreateNTTPObjects());
    EXPECT_EQ(list.normalServersArray(), before);
    // The job is still queued, so the rebuilt slots connect again.
    ASSERT_TRUE(waitUntil([&] { return !manager->shouldRecreateNTTPObjects(); }));
    EXPECT_NE(list.normalServersArray(), before);
    EXPECT_TRUE(waitUntil([&] { return a.nntp->connectionsOpened() == 6; }));
}

TEST_F(ConnectionManager, ManualModeClosesEverythingAndLeavingItReconnects)
{
    Server& a = addServer("A", 2);
    const QueuePtr job = queueJob("job", 1, 1);
    serve(job, {&a});
    manager->connectAll();
    ASSERT_TRUE(waitForBooked(job));

    manager->toggleManuallyConnect();
    ASSERT_TRUE(waitUntil([&] { return manager->socketArray().isEmpty(); }));
    EXPECT_TRUE(waitUntil([&] { return manager->openConnectionsNr() == 0; }));
    for (const NNTPServerObjectPtr& slot : list.normalServersArray())
        EXPECT_EQ(slot->uiConnectionObject()->lastresponse(), "Offline (Manually connect first)");

    const QueuePtr next = queueJob("next", 1, 1);
    serve(next, {&a});
    manager->toggleManuallyConnect();
    EXPECT_FALSE(manager->manuallyConnect());
    EXPECT_TRUE(waitForBooked(next));
}

} // namespace
