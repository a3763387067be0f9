// Time-outs and waits of a connection: nothing waits forever, and nothing
// sleeps.

#include "ConnectionFixture.h"
#include "queue/StatusCodes.h"

#include <QTcpServer>
#include <QTcpSocket>

TEST_F(Connection, ASilentBodyIsFetchedAgainOnAFreshConnection)
{
    setTimeout(7);
    server.addRule(
        NntpRule::on("BODY").once().silentAfterBytes(qsizetype(sizeof("222 0 <t7@test>\r\n") - 1)));
    const SegmentPtr segment = article("<t7@test>", "late body\r\n");
    manager->autoRestart = true;
    const NNTPServerObjectPtr s = slot();
    QElapsedTimer clock;
    clock.start();
    manager->openConnection(s);
    ASSERT_TRUE(waitForEvent(QStringLiteral("restart ") + s->serverID(), 15000));
    EXPECT_GE(clock.elapsed(), 6500);
    EXPECT_LT(clock.elapsed(), 10000);
    EXPECT_EQ(manager->released(), QList<SegmentPtr>({segment}));
    ASSERT_TRUE(waitForHandIns(1));
    EXPECT_EQ(manager->handIns()[0].filedata, QByteArray("late body\r\n.\r\n"));
    EXPECT_EQ(server.bodyRequests("<t7@test>"), 2);
    const QStringList rows = manager->responses(s);
    EXPECT_TRUE(rows.contains(QStringLiteral("No response from server (5 sec)")));
    EXPECT_TRUE(rows.contains(QStringLiteral("Restarting connection")));
}

TEST_F(Connection, AGreetingThatNeverComes)
{
    setTimeout(5);
    server.addRule(NntpRule::on(NntpRule::kGreeting).once().goSilent());
    const NNTPServerObjectPtr s = slot();
    manager->openConnection(s);
    ASSERT_TRUE(waitForEvent(QStringLiteral("restart "), 10000));
    const QStringList rows = manager->responses(s);
    const qsizetype first = rows.indexOf(QStringLiteral("Waiting for connection (3 sec)"));
    ASSERT_GE(first, 0);
    EXPECT_EQ(rows.value(first + 1), QStringLiteral("Waiting for connection (4 sec)"));
    EXPECT_EQ(rows.value(first + 2), QStringLiteral("Waiting for connection (5 sec)"));
}

// Replies that leave a command outstanding without a next step: each ends
// in a time-out and the article goes to a fresh connection.
TEST_F(Connection, OutstandingCommandsTimeOut)
{
    setTimeout(5);
    struct Case
    {
        const char* name;
        QByteArray reply;
    };
    const Case cases[] = {
        {"unknown code", "299 what is this\r\n"},
        {"501 without the word", "501 syntax error\r\n"},
        {"block that stops", "220 0 <o@test> article\r\nheader: x\r\n"},
        {"a status line without its end", "222 0 <o@test>"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        manager = std::make_unique<FakeConnectionsManager>();
        manager->autoRestart = true;
        server.clearRules();
        server.clearRecords();
        server.addRule(NntpRule::on("BODY").once().replyRaw(c.reply));
        const SegmentPtr segment = article("<o@test>", "finally\r\n");
        manager->openConnection(slot());
        ASSERT_TRUE(waitForHandIns(1, 12000));
        EXPECT_EQ(manager->handIns()[0].segment, segment);
        EXPECT_EQ(manager->handIns()[0].filedata, QByteArray("finally\r\n.\r\n"));
        EXPECT_EQ(manager->released(), QList<SegmentPtr>({segment}));
    }
}

TEST_F(Connection, ANonsenseGreetingDoesNotHang)
{
    setTimeout(5);
    server.addRule(NntpRule::on(NntpRule::kGreeting).once().replyRaw("hello\r\n"));
    manager->autoRestart = true;
    const NNTPServerObjectPtr s = slot();
    manager->openConnection(s);
    ASSERT_TRUE(waitForEvent(QStringLiteral("restart "), 10000));
    EXPECT_TRUE(waitForResponse(s, QStringLiteral("Error: [-1] ")));
}

// A server that stops reading while a post is written: the write stalls and
// times out instead of waiting forever.
TEST_F(Connection, AStalledWriteTimesOut)
{
    setTimeout(5);
    QTcpServer stalling;
    ASSERT_TRUE(stalling.listen(QHostAddress::LocalHost));
    QTcpSocket* peer = nullptr;
    QObject::connect(&stalling, &QTcpServer::newConnection, [&] {
        peer = stalling.nextPendingConnection();
        peer->setReadBufferSize(4096); // stops taking bytes from the kernel
        peer->write("200 ready\r\n");
        QObject::connect(peer, &QTcpSocket::readyRead, [&] {
            if (peer->peek(6) == "POST\r\n") {
                peer->read(6);
                peer->write("340 send it\r\n");
            }
        });
    });
    QueuePtr job = Queue::create();
    job->setIsUploadObject(true);
    job->setPoster(QStringLiteral("A"));
    job->setGroups(QStringLiteral("alt.test"));
    job->setTitle(QStringLiteral("big"));
    QueuePtr part = Queue::create();
    part->setIsFilepart(true);
    part->setQueue(job);
    SegmentPtr segment = Segment::create();
    segment->setQueue(job);
    segment->setFilepart(part);
    segment->setMid(QStringLiteral("big@test"));
    segment->setFiledata(QByteArray(32 * 1024 * 1024, 'y') + "\r\n");
    manager->addSegment(segment);

    const NNTPServerObjectPtr s = manager->makeSlot(stalling.serverPort());
    const TCPSocketPtr socket = manager->openConnection(s, true);
    ASSERT_TRUE(waitForEvent(QStringLiteral("restart "), 20000));
    EXPECT_EQ(manager->released(), QList<SegmentPtr>({segment}));
    EXPECT_TRUE(waitForResponse(s, QStringLiteral("Waiting for server response (5 sec)")));
}

TEST_F(Connection, TheMemoryLimiterWaitIsATimerOfTheConnection)
{
    manager->diskBufferFull = true;
    const SegmentPtr segment = article("<mem@test>", "kept\r\n");
    segment->queue()->setStatus(JobStatus::WaitingForMemory);
    const NNTPServerObjectPtr s = slot();
    manager->openConnection(s);
    const QString waitText =
        QStringLiteral("Running low on allowed memory usage. Waiting for disk to flush buffer.");
    ASSERT_TRUE(waitUntil([&] { return manager->responses(s).contains(waitText); }));
    // The main thread runs on meanwhile, and no body is asked for.
    spinEventLoop(1500);
    EXPECT_EQ(server.bodyRequests("<mem@test>"), 0);
    EXPECT_EQ(segment->queue()->commentTextField(), waitText);
    manager->diskBufferFull = false;
    ASSERT_TRUE(waitForHandIns(1, 8000));
    EXPECT_EQ(manager->handIns()[0].filedata, QByteArray("kept\r\n.\r\n"));
    EXPECT_EQ(segment->queue()->status(), JobStatus::Downloading);
    EXPECT_FALSE(manager->calledOnMainThread());
}

TEST_F(Connection, ADisconnectEndsTheMemoryLimiterWait)
{
    manager->diskBufferFull = true;
    const SegmentPtr segment = article("<mem2@test>", "x\r\n");
    const NNTPServerObjectPtr s = slot();
    const TCPSocketPtr socket = manager->openConnection(s);
    ASSERT_TRUE(waitUntil([&] { return !segment->queue()->commentTextField().isEmpty(); }));
    QElapsedTimer clock;
    clock.start();
    socket->disconnect();
    ASSERT_TRUE(waitForEvent(QStringLiteral("remove"), 3000));
    EXPECT_LT(clock.elapsed(), 1000);
    EXPECT_EQ(manager->released(), QList<SegmentPtr>({segment}));
    EXPECT_EQ(server.bodyRequests("<mem2@test>"), 0);
}

// While the decoding of downloaded bodies is behind, the connection holds
// the article it was handed without asking for it, quietly (no wait text),
// and asks for it as soon as the decoding has caught up; a disconnect ends
// the wait at once and gives the article back.
TEST_F(Connection, DecodingBehindHoldsTheNextArticleBackUntilItCatchesUp)
{
    const auto removals = [&] { return manager->events().filter(QStringLiteral("remove")).size(); };
    for (const bool disconnect : {false, true}) {
        SCOPED_TRACE(disconnect);
        const qsizetype removedBefore = removals();
        const QByteArray mid = disconnect ? "<dec2@test>" : "<dec1@test>";
        manager->decodingBehind = true;
        const SegmentPtr segment = article(mid, "decoded\r\n");
        const NNTPServerObjectPtr s = slot();
        const TCPSocketPtr socket = manager->openConnection(s);
        ASSERT_TRUE(waitUntil([&] { return manager->pendingArticles() == 0; }));
        spinEventLoop(300);
        EXPECT_EQ(server.bodyRequests(mid), 0);
        EXPECT_TRUE(segment->queue()->commentTextField().isEmpty());
        QElapsedTimer clock;
        clock.start();
        if (disconnect) {
            socket->disconnect();
            ASSERT_TRUE(waitUntil([&] { return removals() > removedBefore; }, 3000));
            EXPECT_EQ(manager->released(), QList<SegmentPtr>({segment}));
            EXPECT_EQ(server.bodyRequests(mid), 0);
        } else {
            manager->decodingBehind = false;
            ASSERT_TRUE(waitForHandIns(1, 3000));
            EXPECT_EQ(manager->handIns()[0].filedata, QByteArray("decoded\r\n.\r\n"));
            EXPECT_EQ(server.bodyRequests(mid), 1);
            socket->disconnect();
            ASSERT_TRUE(waitUntil([&] { return removals() > removedBefore; }, 3000));
        }
        EXPECT_LT(clock.elapsed(), 1000);
        EXPECT_FALSE(manager->calledOnMainThread());
    }
}

TEST_F(Connection, TheBandwidthPauseStopsReadingWithoutSleeping)
{
    // Every read asks for a pause of 300 ms: the body still arrives, in
    // pauses, and a disconnect during one ends it at once.
    std::atomic<int> pauses{0};
    manager->bufferSize = 4096;
    manager->setBandwidthPause([&]() -> std::optional<QDateTime> {
        ++pauses;
        return QDateTime::currentDateTimeUtc().addMSecs(300);
    });
    article("<bw@test>", QByteArray(3 * 4000, 'b') + "\r\n");
    const NNTPServerObjectPtr s = slot();
    const TCPSocketPtr socket = manager->openConnection(s);
    QElapsedTimer clock;
    clock.start();
    ASSERT_TRUE(waitForHandIns(1, 10000));
    EXPECT_GE(pauses.load(), 3);
    EXPECT_GE(clock.elapsed(), 600);

    article("<bw2@test>", QByteArray(40 * 4000, 'c') + "\r\n");
    manager->setBandwidthPause(
        []() -> std::optional<QDateTime> { return QDateTime::currentDateTimeUtc().addSecs(60); });
    socket->newContentAvailable();
    ASSERT_TRUE(waitForStatus(socket, TCPSocket::ReceivingBody));
    spinEventLoop(300);
    clock.restart();
    socket->disconnect();
    ASSERT_TRUE(waitForEvent(QStringLiteral("remove"), 3000));
    EXPECT_LT(clock.elapsed(), 1000);
    EXPECT_EQ(manager->handIns().size(), 1);
    EXPECT_FALSE(manager->calledOnMainThread());
}

TEST_F(Connection, IdleBackupConnectionsCloseWhileNormalServersExist)
{
    UserDefaults::standard().setInteger(3, QStringLiteral("tcpBackupIdleTimeout"));
    const NNTPServerObjectPtr backup = slot();
    backup->setIsbackupServerOnly(true);
    const TCPSocketPtr socket = manager->openConnection(backup);
    ASSERT_TRUE(waitForEvent(QStringLiteral("remove"), 10000));
    EXPECT_TRUE(waitForResponse(backup, QStringLiteral("Idle (backup server)")));

    // With only backup servers they stay, like normal ones.
    manager = std::make_unique<FakeConnectionsManager>();
    manager->onlyBackups = true;
    const NNTPServerObjectPtr only = slot();
    only->setIsbackupServerOnly(true);
    const TCPSocketPtr stays = manager->openConnection(only);
    spinEventLoop(6000);
    EXPECT_TRUE(manager->events().isEmpty());
    EXPECT_EQ(stays->status(), TCPSocket::Idle);
    EXPECT_TRUE(stays->isStarted());
}
