// One connection against a server that misbehaves: bodies far longer than
// their article, bodies that drip in, greetings that are no greetings. The
// connection gives up what cannot succeed, says what failed, and never
// holds more than a bounded body.

#include "ConnectionFixture.h"
#include "queue/ServerIDRegistry.h"
#include "queue/StatusCodes.h"

#include "support/ProcessMemory.h"

TEST(BodyBound, TwiceTheArticleAndAMebibyteWithACeiling)
{
    const qint64 slack = TCPSocket::kBodySlackBytes;
    EXPECT_EQ(TCPSocket::maxBodyBytes(740000), 2 * 740000 + slack);
    EXPECT_EQ(TCPSocket::maxBodyBytes(1), 2 + slack);
    // Unknown or absurd sizes: the ceiling.
    EXPECT_EQ(TCPSocket::maxBodyBytes(0), TCPSocket::kMaxBodyBytes);
    EXPECT_EQ(TCPSocket::maxBodyBytes(-5), TCPSocket::kMaxBodyBytes);
    EXPECT_EQ(TCPSocket::maxBodyBytes(1e18), TCPSocket::kMaxBodyBytes);
    EXPECT_LE(TCPSocket::kMaxBodyBytes, 80LL << 20);
}

// A body of 300 MB for an article of 40 KB is given up as soon as it passes
// its bound: the article counts as missing on this server at once (no
// retry can make it right), and the next article comes on a fresh
// connection, which cannot take the rest of the old body for its own.
TEST_F(Connection, ABodyLongerThanItsArticleIsGivenUpAtItsBound)
{
    ProcessMemory::resetPeak();
    const long before = ProcessMemory::statusKiB("VmRSS:");
    server.addRule(NntpRule::on("BODY")
                       .withArgument("<huge@test>")
                       .replyRaw("222 0 <huge@test>\r\n")
                       .thenStream(300LL << 20, NntpRule::Fill::Lines, ".\r\n"));
    const SegmentPtr huge = manager->addArticle("<huge@test>", 40000);
    article("<next@test>", "next\r\n");
    manager->autoRestart = true;
    const NNTPServerObjectPtr s = slot();
    manager->openConnection(s);

    ASSERT_TRUE(waitForHandIns(1, 15000));
    EXPECT_EQ(manager->failedOnServer(), QList<SegmentPtr>({huge}));
    EXPECT_TRUE(manager->released().isEmpty());
    EXPECT_EQ(manager->handIns()[0].filedata, QByteArray("next\r\n.\r\n"));
    EXPECT_TRUE(huge->filedata().isEmpty());
    EXPECT_LT(huge->downloadedBytes(), double(TCPSocket::maxBodyBytes(40000) + 64 * 1024));
    EXPECT_EQ(server.bodyRequests("<huge@test>"), 1);
    EXPECT_TRUE(manager->events().contains(QStringLiteral("restart ") + s->serverID()));
    EXPECT_FALSE(manager->events().join(u' ').contains(QLatin1String("connectionError")))
        << "the server works; its article is wrong";
    EXPECT_LT(ProcessMemory::statusKiB("VmHWM:") - before, 64 * 1024);
    bool said = false;
    for (const QString& text : manager->responses(s))
        said = said || text.startsWith(QLatin1String("Body of <huge@test> longer than its article"));
    EXPECT_TRUE(said) << manager->responses(s).join(u'|').toStdString();
}

// A newsgroup list has no article size: it is not bounded like a body.
TEST_F(Connection, ANewsgroupListIsNotBoundedLikeABody)
{
    QByteArray groups;
    for (int i = 0; groups.size() < 2 * 1024 * 1024; ++i)
        groups += "alt.binaries.group" + QByteArray::number(i) + " 200 101 y\r\n";
    server.addRule(NntpRule::on("LIST").replyRaw("215 list follows\r\n" + NntpWireFormat::dotStuff(groups)));
    const SegmentPtr segment = manager->addArticle("<list@test>", 10);
    const QueuePtr job = segment->queue();
    ASSERT_TRUE(job);
    job->setIsNewsgroupsRequest(true);
    manager->openConnection(slot());
    ASSERT_TRUE(waitForHandIns(1, 15000));
    EXPECT_EQ(manager->handIns()[0].filedata, NntpWireFormat::dotStuff(groups));
    EXPECT_TRUE(manager->failedOnServer().isEmpty());
}

// A body at ten bytes a second never falls silent: it is given up after
// the time-out for being slower than any working server, the article goes
// back counted as failed once on this server, and the row says why.
TEST_F(Connection, ADrippingBodyIsGivenUpAfterTheTimeOut)
{
    setTimeout(5);
    server.addRule(NntpRule::on("BODY").once().drip(100));
    const SegmentPtr segment = article("<drip@test>", QByteArray(2000, 'd') + "\r\n");
    manager->autoRestart = true;
    const NNTPServerObjectPtr s = slot();
    QElapsedTimer clock;
    clock.start();
    manager->openConnection(s);
    ASSERT_TRUE(waitForEvent(QStringLiteral("restart "), 15000));
    EXPECT_GE(clock.elapsed(), 4500);
    EXPECT_LT(clock.elapsed(), 9000);
    EXPECT_EQ(manager->released(), QList<SegmentPtr>({segment}));
    EXPECT_EQ(segment->fetchFailures(ServerIDRegistry::tokenFor(s->serverID())), 1);
    bool said = false;
    for (const QString& text : manager->responses(s))
        said = said || text.startsWith(QLatin1String("Too slow: "));
    EXPECT_TRUE(said) << manager->responses(s).join(u'|').toStdString();
    // The fresh connection gets the whole body at once.
    ASSERT_TRUE(waitForHandIns(1));
    EXPECT_EQ(manager->handIns()[0].filedata, QByteArray(2000, 'd') + "\r\n.\r\n");
}

// A disconnect (the end of the program, manual mode) does not wait for a
// body that is still coming: the connection ends at once and gives the
// article back, not counted against it.
TEST_F(Connection, ADisconnectEndsAConnectionInTheMiddleOfABodyAtOnce)
{
    server.addRule(NntpRule::on("BODY").drip(50));
    const SegmentPtr segment = article("<slow@test>", QByteArray(5000, 's') + "\r\n");
    const NNTPServerObjectPtr s = slot();
    const TCPSocketPtr socket = manager->openConnection(s);
    ASSERT_TRUE(waitForStatus(socket, TCPSocket::ReceivingBody));
    spinEventLoop(500);
    QElapsedTimer clock;
    clock.start();
    socket->disconnect();
    ASSERT_TRUE(waitForEvent(QStringLiteral("remove"), 5000));
    EXPECT_LT(clock.elapsed(), 1000);
    EXPECT_EQ(manager->released(), QList<SegmentPtr>({segment}));
    EXPECT_EQ(segment->fetchFailures(ServerIDRegistry::tokenFor(s->serverID())), 0);
    EXPECT_FALSE(manager->events().join(u' ').contains(QLatin1String("connectionError")));
}

// A first line that is not a greeting letting us in ends the connection at
// once and reports what the server said, so that the manager tries again
// after a wait; it is never taken for a login failure.
TEST_F(Connection, AGreetingThatIsNoGreetingEndsTheConnectionWithItsReason)
{
    struct Case
    {
        const char* name;
        NntpRule rule;
        const char* reason;
    };
    const Case cases[] = {
        {"400", NntpRule::on(NntpRule::kGreeting).replyRaw("400 try later\r\n").dropAfterReply(),
         "Error: [400] try later"},
        {"502", NntpRule::on(NntpRule::kGreeting).replyRaw("502 Access denied\r\n"), "Error: [502] Access denied"},
        {"garbage", NntpRule::on(NntpRule::kGreeting).replyRaw("SSH-2.0-OpenSSH_9.2\r\n"),
         "Error: [-1] "},
        {"no line end",
         NntpRule::on(NntpRule::kGreeting).replyRaw("200 ").thenStream(200LL << 20, NntpRule::Fill::NoLineEnd,
                                                                       "\r\n"),
         "No line end in the server's reply (65536 bytes)"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        manager = std::make_unique<FakeConnectionsManager>();
        server.clearRules();
        server.addRule(c.rule);
        const SegmentPtr segment = manager->addArticle("<g@test>");
        const NNTPServerObjectPtr s = slot();
        QElapsedTimer clock;
        clock.start();
        manager->openConnection(s);
        ASSERT_TRUE(waitForEvent(QStringLiteral("restart "), 5000));
        EXPECT_LT(clock.elapsed(), 2000);
        const QStringList events = manager->events();
        EXPECT_EQ(events.value(0), QStringLiteral("connectionError ") + QString::fromLatin1(c.reason));
        EXPECT_TRUE(manager->handIns().isEmpty());
        EXPECT_EQ(manager->pendingArticles(), 1) << "the article was never taken";
    }
}
