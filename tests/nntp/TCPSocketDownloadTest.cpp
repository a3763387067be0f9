// Login and article download of one connection against the scripted server.

#include "ConnectionFixture.h"
#include "queue/ServerIDRegistry.h"
#include "queue/StatusCodes.h"

TEST_F(Connection, WithoutLoginTheFirstArticleFollowsTheGreeting)
{
    const QByteArray body = "=ybegin line=128 size=3 name=a\r\nabc\r\n=yend size=3\r\n";
    const SegmentPtr segment = article("<a@test>", body);
    const NNTPServerObjectPtr s = slot();
    const NNTPServerObjectPtr entry = s->mainNNTPServerObject();
    ASSERT_NE(entry, nullptr);
    entry->setAuthFailed(true);
    const TCPSocketPtr socket = manager->openConnection(s);

    ASSERT_TRUE(waitForHandIns(1));
    const FakeConnectionsManager::HandIn in = manager->handIns().first();
    EXPECT_EQ(in.segment, segment);
    EXPECT_EQ(in.filedata, NntpWireFormat::dotStuff(body));
    ASSERT_TRUE(waitForStatus(socket, TCPSocket::Idle));
    EXPECT_TRUE(socket->isStarted());
    EXPECT_EQ(lines(), QList<QByteArray>({"BODY <a@test>"}));
    EXPECT_FALSE(entry->authFailed());
    // The row showed the article while it came, and says that the
    // connection is idle as soon as the hand-out has nothing more.
    ASSERT_TRUE(waitUntil([&] { return manager->rowStates(s).value(manager->rowStates(s).size() - 1) == " |  | Idle"; }))
        << manager->rowStates(s).join(u'\n').toStdString();
    EXPECT_TRUE(manager->rowStates(s).contains("Job <a@test> | file.bin (1/1) | Downloading"))
        << manager->rowStates(s).join(u'\n').toStdString();
    const QStringList rows = manager->responses(s);
    EXPECT_EQ(rows.mid(0, 4),
              QStringList({"Connecting", "Connected", "Auth ok (is possibly logged in)", "Downloading"}));
    EXPECT_GE(manager->bandwidth(), double(body.size()));
    EXPECT_FALSE(manager->calledOnMainThread());
}

TEST_F(Connection, LoginWithAuthinfoSendsUtf8)
{
    server.setRequireAuth(true);
    server.addAccount("jürgen", "pässwörd €");
    article("<b@test>", "body\r\n");
    const NNTPServerObjectPtr s = loginSlot(QStringLiteral("jürgen"), QStringLiteral("pässwörd €"));
    const NNTPServerObjectPtr entry = s->mainNNTPServerObject();
    ASSERT_NE(entry, nullptr);
    entry->setAuthFailed(true);
    manager->openConnection(s);

    ASSERT_TRUE(waitForHandIns(1));
    EXPECT_EQ(manager->handIns().first().filedata, QByteArray("body\r\n.\r\n"));
    EXPECT_EQ(lines(),
              QList<QByteArray>({"AUTHINFO USER j\xc3\xbcrgen",
                                 "AUTHINFO PASS p\xc3\xa4ssw\xc3\xb6rd \xe2\x82\xac", "BODY <b@test>"}));
    EXPECT_TRUE(waitForResponse(s, QStringLiteral("Auth ok (is logged in)")));
    EXPECT_TRUE(waitForResponse(s, QStringLiteral("Sending auth to news server")));
    EXPECT_FALSE(entry->authFailed());
}

// How a refused login ends: the words of the reply tell a wrong password
// from a busy server.
TEST_F(Connection, RefusedLogins)
{
    struct Case
    {
        int code;
        QByteArray text;
        const char* expected; // first main-thread event
    };
    const Case cases[] = {
        {481, "Authentication failed", "authFailed Scripted"},
        {502, "Download limit reached", "authFailed Scripted"},
        {482, "Password rejected", "authFailed Scripted"},
        {501, "bad password syntax", "authFailed Scripted"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text.toStdString());
        server.clearRules();
        server.addRule(NntpRule::on("AUTHINFO PASS").reply(c.code, c.text));
        manager = std::make_unique<FakeConnectionsManager>();
        const SegmentPtr segment = manager->addArticle("<x@test>");
        const NNTPServerObjectPtr s = loginSlot(QStringLiteral("u"), QStringLiteral("p"));
        manager->openConnection(s);
        ASSERT_TRUE(waitForEvent(QStringLiteral("remove")));
        EXPECT_EQ(manager->events(), QStringList({c.expected, "remove"}));
        EXPECT_TRUE(manager->handIns().isEmpty());
        EXPECT_EQ(manager->pendingArticles(), 1) << "the article was never taken";
        EXPECT_EQ(manager->responses(s).value(manager->responses(s).size() - 2),
                  QStringLiteral("Error: [%1] %2").arg(c.code).arg(QString::fromLatin1(c.text)));
    }
}

TEST_F(Connection, ABusyServerIsTriedAgainAfterFiveSeconds)
{
    server.addRule(NntpRule::on("AUTHINFO PASS").once().reply(481, "Too many connections"));
    server.addAccount("u", "p");
    server.setRequireAuth(true);
    article("<busy@test>", "ok\r\n");
    manager->autoRestart = true;
    const NNTPServerObjectPtr s = loginSlot(QStringLiteral("u"), QStringLiteral("p"));
    QElapsedTimer clock;
    clock.start();
    manager->openConnection(s);
    ASSERT_TRUE(waitForEvent(QStringLiteral("restart ") + s->serverID()));
    EXPECT_GE(clock.elapsed(), 4500);
    EXPECT_FALSE(manager->events().contains(QStringLiteral("authFailed Scripted")));
    ASSERT_TRUE(waitForHandIns(1));
    EXPECT_EQ(manager->handIns().first().filedata, QByteArray("ok\r\n.\r\n"));
    EXPECT_EQ(server.connectionsOpened(), 2);
}

TEST_F(Connection, LoginAskedForWithoutLoginData)
{
    server.setRequireAuth(true);
    const SegmentPtr segment = manager->addArticle("<c@test>");
    const NNTPServerObjectPtr s = slot();
    manager->openConnection(s);
    ASSERT_TRUE(waitForEvent(QStringLiteral("remove")));
    EXPECT_EQ(manager->events(), QStringList({"authRequired Scripted", "remove"}));
    EXPECT_EQ(manager->released(), QList<SegmentPtr>({segment}));
    EXPECT_TRUE(manager->handIns().isEmpty());
}

// The server asks for a login again in the middle of the session: the
// refused command goes out once more after it, and the article is booked
// with its body.
TEST_F(Connection, LoginAgainInTheMiddleOfTheSession)
{
    server.addRule(NntpRule::on("AUTHINFO USER").reply(381, "Password required"));
    server.addRule(NntpRule::on("AUTHINFO PASS").reply(281, "Welcome"));
    server.addRule(NntpRule::on("BODY").once().reply(480, "Authentication required"));
    article("<d@test>", "data\r\n");
    const NNTPServerObjectPtr s = loginSlot(QStringLiteral("u"), QStringLiteral("p"));
    manager->openConnection(s);
    ASSERT_TRUE(waitForHandIns(1));
    EXPECT_EQ(manager->handIns().first().filedata, QByteArray("data\r\n.\r\n"));
    EXPECT_EQ(manager->handIns().size(), 1);
    EXPECT_TRUE(manager->released().isEmpty());
    EXPECT_EQ(lines(), QList<QByteArray>({"AUTHINFO USER u", "AUTHINFO PASS p", "BODY <d@test>",
                                          "AUTHINFO USER u", "AUTHINFO PASS p", "BODY <d@test>"}));
}

TEST_F(Connection, ALoginRefusedAgainAfterReloginEndsTheConnection)
{
    server.addRule(NntpRule::on("AUTHINFO USER").reply(381, "Password required"));
    server.addRule(NntpRule::on("AUTHINFO PASS").reply(281, "Welcome"));
    server.addRule(NntpRule::on("BODY").reply(480, "Authentication required"));
    const SegmentPtr segment = article("<e@test>", "data\r\n");
    const NNTPServerObjectPtr s = loginSlot(QStringLiteral("u"), QStringLiteral("p"));
    manager->openConnection(s);
    ASSERT_TRUE(waitForEvent(QStringLiteral("remove")));
    EXPECT_EQ(manager->events(), QStringList({"authRequired Scripted", "remove"}));
    EXPECT_EQ(server.bodyRequests("<e@test>"), 2);
    EXPECT_TRUE(manager->handIns().isEmpty()) << "never booked without its body";
    EXPECT_EQ(manager->released(), QList<SegmentPtr>({segment}));
}

// The terminator "\r\n.\r\n" cut at each of its bytes, and the status line
// cut off the block: the body completes at the read that ends it.
TEST_F(Connection, BodySplitAtEveryByteOfTheTerminator)
{
    const QByteArray body = "line one\r\nline two\r\n";
    const QByteArray block = NntpWireFormat::dotStuff(body);
    const QByteArray status = "222 0 <s0@test>\r\n";
    QList<QByteArray> mids;
    for (int cut = 0; cut <= 5; ++cut) {
        const QByteArray mid = "<s" + QByteArray::number(cut) + "@test>";
        const QByteArray reply = "222 0 " + mid + "\r\n" + block;
        // cut 0: right after the status line; 1-5: inside the terminator.
        const qsizetype at = cut == 0 ? qsizetype(status.size()) : reply.size() - 6 + cut;
        server.addRule(NntpRule::on("BODY").withArgument(mid).splitAt({at}, 60));
        article(mid, body);
        mids.append(mid);
    }
    manager->openConnection(slot());
    ASSERT_TRUE(waitForHandIns(int(mids.size())));
    const QList<FakeConnectionsManager::HandIn> in = manager->handIns();
    for (int i = 0; i < in.size(); ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(in[i].segment->midBytes(), mids[i]);
        EXPECT_EQ(in[i].filedata, block);
        EXPECT_EQ(in[i].status, 1);
    }
    EXPECT_TRUE(manager->released().isEmpty());
}

TEST_F(Connection, DotStuffingAndLongBodiesArriveByteForByte)
{
    const QByteArray stuffed = ".\r\n..two\r\n.one\r\nend\r\n";
    QByteArray big;
    for (int i = 0; big.size() < 3 * 1024 * 1024; ++i)
        big += (i % 7 == 0 ? "." : "") + QByteArray(120, char('a' + i % 26)) + "\r\n";
    article("<dots@test>", stuffed);
    article("<big@test>", big);
    manager->bufferSize = 1000; // many reads per body
    manager->openConnection(slot());
    ASSERT_TRUE(waitForHandIns(2, 20000));
    EXPECT_EQ(manager->handIns()[0].filedata, NntpWireFormat::dotStuff(stuffed));
    EXPECT_TRUE(manager->handIns()[0].filedata.startsWith("..\r\n...two\r\n..one\r\n"));
    EXPECT_EQ(manager->handIns()[1].filedata, NntpWireFormat::dotStuff(big));
    EXPECT_EQ(manager->handIns()[1].segment->downloadedBytes(),
              double(NntpWireFormat::dotStuff(big).size() + QByteArray("222 0 <big@test>\r\n").size()));
}

TEST_F(Connection, EmptyBodyCompletes)
{
    server.addRule(NntpRule::on("BODY").replyRaw("222 0 <empty@test>\r\n.\r\n"));
    const SegmentPtr segment = manager->addArticle("<empty@test>");
    article("<after@test>", "x\r\n");
    manager->openConnection(slot());
    ASSERT_TRUE(waitForHandIns(2));
    EXPECT_EQ(manager->handIns()[0].segment, segment);
    EXPECT_EQ(manager->handIns()[0].filedata, QByteArray(".\r\n"));
    EXPECT_EQ(server.bodyRequests("<empty@test>"), 1);
    EXPECT_TRUE(manager->released().isEmpty());
}

TEST_F(Connection, MissingArticleIsHandedBackAs430)
{
    const SegmentPtr missing = manager->addArticle("<gone@test>");
    article("<here@test>", "x\r\n");
    const NNTPServerObjectPtr s = slot();
    manager->openConnection(s);
    ASSERT_TRUE(waitForHandIns(2));
    EXPECT_EQ(manager->handIns()[0].segment, missing);
    EXPECT_EQ(manager->handIns()[0].status, 430);
    EXPECT_TRUE(manager->handIns()[0].filedata.isEmpty());
    EXPECT_TRUE(waitForResponse(s, QStringLiteral("Error: Article does not exists")));
}

// Replies that bring no body release the article instead of booking it;
// a server that keeps refusing it has it counted as missing there after
// three attempts, and the next server starts afresh.
TEST_F(Connection, RepliesWithoutBodyNeverBookTheArticle)
{
    struct Case
    {
        int code;
        QByteArray text;
    };
    for (const Case& c : {Case{411, "No such group"}, Case{412, "No group selected"}, Case{435, "Not wanted"},
                          Case{437, "Rejected"}}) {
        SCOPED_TRACE(c.code);
        manager = std::make_unique<FakeConnectionsManager>();
        server.clearRules();
        server.clearRecords();
        server.addRule(NntpRule::on("BODY").withArgument("<once@test>").once().reply(c.code, c.text));
        server.addRule(NntpRule::on("BODY").withArgument("<never@test>").reply(c.code, c.text));
        const SegmentPtr once = article("<once@test>", "body\r\n");
        const SegmentPtr never = manager->addArticle("<never@test>");
        const NNTPServerObjectPtr s = slot();
        manager->openConnection(s);
        ASSERT_TRUE(waitForHandIns(1));
        ASSERT_TRUE(waitUntil([&] { return !manager->failedOnServer().isEmpty(); }));
        const QList<FakeConnectionsManager::HandIn> in = manager->handIns();
        EXPECT_EQ(in[0].segment, once);
        EXPECT_EQ(in[0].filedata, QByteArray("body\r\n.\r\n"));
        EXPECT_EQ(manager->failedOnServer(), QList<SegmentPtr>({never}));
        EXPECT_EQ(server.bodyRequests("<once@test>"), 2);
        EXPECT_EQ(server.bodyRequests("<never@test>"), TCPSocket::kMaxFetchFailures);
        const int here = ServerIDRegistry::tokenFor(s->serverID());
        EXPECT_EQ(never->fetchFailures(here), TCPSocket::kMaxFetchFailures);
        EXPECT_EQ(never->fetchFailures(ServerIDRegistry::tokenFor("another server")), 0)
            << "the next server starts afresh";
    }
}

TEST_F(Connection, TransferFailuresRestartAndAreBounded)
{
    server.addRule(NntpRule::on("BODY").reply(436, "Transfer failed"));
    const SegmentPtr segment = manager->addArticle("<flaky@test>");
    manager->autoRestart = true;
    const NNTPServerObjectPtr s = slot();
    manager->openConnection(s);
    const QString restart = QStringLiteral("restart ") + s->serverID();
    ASSERT_TRUE(waitUntil(
        [&] {
            return !manager->failedOnServer().isEmpty() &&
                   manager->events().count(restart) >= TCPSocket::kMaxFetchFailures;
        },
        15000));
    EXPECT_EQ(manager->failedOnServer(), QList<SegmentPtr>({segment}));
    EXPECT_TRUE(manager->handIns().isEmpty());
    EXPECT_EQ(server.bodyRequests("<flaky@test>"), TCPSocket::kMaxFetchFailures);
    spinEventLoop(200);
    EXPECT_EQ(manager->events().count(restart), TCPSocket::kMaxFetchFailures);
}

TEST_F(Connection, IdleConnectionIsWokenForNewWork)
{
    const NNTPServerObjectPtr s = slot();
    const TCPSocketPtr socket = manager->openConnection(s);
    ASSERT_TRUE(waitForStatus(socket, TCPSocket::Idle));
    article("<late@test>", "late\r\n");
    // From another thread, as a missing-article hand-over does it.
    std::thread([socket] { socket->newContentAvailable(); }).join();
    ASSERT_TRUE(waitForHandIns(1));
    EXPECT_EQ(manager->handIns()[0].filedata, QByteArray("late\r\n.\r\n"));
    // Two wake-ups at once still take one article at a time.
    article("<w1@test>", "1\r\n");
    article("<w2@test>", "2\r\n");
    ASSERT_TRUE(waitForStatus(socket, TCPSocket::Idle));
    socket->newContentAvailable();
    socket->newContentAvailable();
    ASSERT_TRUE(waitForHandIns(3));
    EXPECT_EQ(manager->handIns()[1].filedata, QByteArray("1\r\n.\r\n"));
    EXPECT_EQ(manager->handIns()[2].filedata, QByteArray("2\r\n.\r\n"));
    EXPECT_FALSE(manager->calledOnMainThread());
}

TEST_F(Connection, ServerClosingTheConnection)
{
    // Idle: the connection ends quietly.
    server.addRule(NntpRule::on(NntpRule::kGreeting).once().dropAfterReply());
    const NNTPServerObjectPtr s = slot();
    manager->openConnection(s);
    ASSERT_TRUE(waitForEvent(QStringLiteral("remove")));
    EXPECT_EQ(manager->events(), QStringList({"remove"}));

    // With an article in hand: it goes back and a fresh connection takes it.
    manager = std::make_unique<FakeConnectionsManager>();
    manager->autoRestart = true;
    server.addRule(NntpRule::on("BODY").once().dropAfterBytes(30));
    const SegmentPtr segment = article("<cut@test>", QByteArray(200, 'z') + "\r\n");
    const NNTPServerObjectPtr t = slot();
    manager->openConnection(t);
    ASSERT_TRUE(waitForHandIns(1));
    EXPECT_EQ(manager->released(), QList<SegmentPtr>({segment}));
    EXPECT_EQ(manager->handIns()[0].filedata, NntpWireFormat::dotStuff(QByteArray(200, 'z') + "\r\n"));
    EXPECT_TRUE(manager->events().contains(QStringLiteral("restart ") + t->serverID()));
}

TEST_F(Connection, RefusedPortIsAStreamError)
{
    const quint16 port = server.port();
    server.stop();
    const NNTPServerObjectPtr s = manager->makeSlot(port);
    manager->openConnection(s);
    ASSERT_TRUE(waitForEvent(QStringLiteral("restart ")));
    // A fresh connection is asked for; the manager makes it wait.
    const QString text = QStringLiteral("StreamError (61): Possibly a wrong port number configured.");
    EXPECT_EQ(manager->events(), QStringList({"connectionError " + text, "restart " + s->serverID()}));
    EXPECT_TRUE(waitForResponse(s, text));
}

TEST_F(Connection, DisconnectAndReset)
{
    const NNTPServerObjectPtr idle = slot();
    const TCPSocketPtr a = manager->openConnection(idle);
    ASSERT_TRUE(waitForStatus(a, TCPSocket::Idle));
    QElapsedTimer clock;
    clock.start();
    a->disconnect();
    EXPECT_FALSE(a->isStarted());
    ASSERT_TRUE(waitForEvent(QStringLiteral("remove"), 2000));
    EXPECT_LT(clock.elapsed(), 1500) << "an idle connection ends at once";

    // A reset in the middle of a body gives the article back at once and asks
    // for a fresh connection.
    server.addRule(NntpRule::on("BODY").once().silentAfterBytes(25));
    const SegmentPtr segment = article("<slow@test>", QByteArray(100, 'q') + "\r\n");
    const NNTPServerObjectPtr busy = slot();
    const TCPSocketPtr b = manager->openConnection(busy);
    ASSERT_TRUE(waitForStatus(b, TCPSocket::ReceivingBody));
    b->reset();
    ASSERT_TRUE(waitForEvent(QStringLiteral("restart "), 2000));
    EXPECT_EQ(manager->released(), QList<SegmentPtr>({segment}));
    EXPECT_EQ(segment->status(), ArticleStatus::Queued);
    EXPECT_EQ(segment->fetchFailures(ServerIDRegistry::tokenFor(busy->serverID())), 0)
        << "a reset is not the article's fault";
}

TEST_F(Connection, ACancelledJobIsGivenUpDuringItsBody)
{
    server.addRule(NntpRule::on("BODY").withArgument("<cancel@test>").once().splitAt({40, 200}, 800));
    const SegmentPtr segment = article("<cancel@test>", QByteArray(300, 'c') + "\r\n");
    const NNTPServerObjectPtr s = slot();
    const TCPSocketPtr socket = manager->openConnection(s);
    ASSERT_TRUE(waitForStatus(socket, TCPSocket::ReceivingBody));
    const QueuePtr job = segment->queue();
    ASSERT_NE(job, nullptr);
    job->setIsCancelled(true);
    // The rest of that body must not be taken for the next article's: the
    // connection starts afresh.
    ASSERT_TRUE(waitForEvent(QStringLiteral("restart ") + s->serverID()));
    EXPECT_EQ(manager->released(), QList<SegmentPtr>({segment}));
    EXPECT_TRUE(manager->handIns().isEmpty());
    EXPECT_EQ(segment->fetchFailures(ServerIDRegistry::tokenFor(s->serverID())), 0);
}

TEST_F(Connection, AGreetingWithBytesBeyondAsciiIsUnderstood)
{
    server.setGreeting(200, "Willkommen bei M\xfc" "ller News \xa9 2024");
    article("<hi@test>", "x\r\n");
    const NNTPServerObjectPtr s = slot();
    manager->openConnection(s);
    ASSERT_TRUE(waitForHandIns(1));
    EXPECT_EQ(manager->handIns()[0].filedata, QByteArray("x\r\n.\r\n"));
    EXPECT_TRUE(waitForResponse(s, QStringLiteral("Auth ok (is possibly logged in)")));
}
