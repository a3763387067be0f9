#include "support/ScriptedNntpServer.h"
#include "support/EventLoop.h"
#include "support/NntpTestClient.h"
#include "support/NntpWireFormat.h"
#include "support/TestCertificates.h"

#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QRandomGenerator>
#include <QTemporaryDir>

#include <memory>
#include <vector>

namespace {

QByteArray line(const char* text)
{
    return QByteArray(text) + "\r\n";
}

// A connected client that has read the greeting.
std::unique_ptr<NntpTestClient> greeted(const ScriptedNntpServer& server, QByteArray* greeting = nullptr)
{
    auto client = std::make_unique<NntpTestClient>();
    if (!client->connectTo(server.port())) return nullptr;
    const QByteArray first = client->readLine();
    if (greeting) *greeting = first;
    return client;
}

class ScriptedNntpServerTest : public ::testing::Test
{
protected:
    void SetUp() override { ASSERT_TRUE(server.start()) << server.errorString().toStdString(); }

    ScriptedNntpServer server;
};

} // namespace

TEST(NntpWireFormatTest, DotStuffsAndUndoesIt)
{
    struct Case
    {
        QByteArray body;
        QByteArray wire;
    };
    const Case cases[] = {
        {"", ".\r\n"},
        {"one", "one\r\n.\r\n"},
        {"one\r\n", "one\r\n.\r\n"},
        {"one\ntwo\n", "one\r\ntwo\r\n.\r\n"},
        {".\r\n", "..\r\n.\r\n"},
        {"..x\r\n.y\r\nz.\r\n", "...x\r\n..y\r\nz.\r\n.\r\n"},
        {"a\r\n\r\nb\r\n", "a\r\n\r\nb\r\n.\r\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.body.toStdString());
        EXPECT_EQ(NntpWireFormat::dotStuff(c.body), c.wire);
    }
    EXPECT_EQ(NntpWireFormat::unstuff("...x\r\n..y\r\n\r\n.\r\n"), QByteArray("..x\r\n.y\r\n\r\n"));
    EXPECT_EQ(NntpWireFormat::unstuff(".\r\n"), QByteArray());
    EXPECT_EQ(NntpWireFormat::statusLine(200, "ready"), QByteArray("200 ready\r\n"));
    EXPECT_EQ(NntpWireFormat::statusLine(200, ""), QByteArray("200\r\n"));
}

TEST_F(ScriptedNntpServerTest, GreetsWithTheConfiguredLine)
{
    QByteArray greeting;
    ASSERT_TRUE(greeted(server, &greeting));
    EXPECT_EQ(greeting, line("200 ScriptedNntpServer ready"));

    server.setGreeting(201, "no posting here");
    ASSERT_TRUE(greeted(server, &greeting));
    EXPECT_EQ(greeting, line("201 no posting here"));
    EXPECT_EQ(server.connectionsOpened(), 2);
}

TEST_F(ScriptedNntpServerTest, LoginFollowsTheAccountTable)
{
    server.addAccount("alice", "right pw");
    NntpAccount single;
    single.user = "solo";
    single.password = "pw";
    single.maxConnections = 1;
    server.addAccount(single);
    NntpAccount capped;
    capped.user = "capped";
    capped.password = "pw";
    capped.refusal = line("502 Download limit reached");
    server.addAccount(capped);

    struct Case
    {
        const char* user;
        const char* password;
        const char* reply;
    };
    const Case cases[] = {
        {"alice", "right pw", "281 Authentication accepted"},
        {"alice", "wrong", "481 Authentication failed"},
        {"nobody", "right pw", "481 Authentication failed"},
        {"capped", "pw", "502 Download limit reached"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.user);
        auto client = greeted(server);
        ASSERT_TRUE(client);
        client->send(QByteArray("AUTHINFO USER ") + c.user);
        EXPECT_EQ(client->readLine(), line("381 Password required"));
        client->send(QByteArray("AUTHINFO PASS ") + c.password);
        EXPECT_EQ(client->readLine(), line(c.reply));
    }

    // One connection per account at a time: the second login is refused
    // while the first holds, and accepted once it has gone.
    auto first = greeted(server);
    ASSERT_TRUE(first);
    first->send("AUTHINFO USER solo");
    first->readLine();
    first->send("AUTHINFO PASS pw");
    EXPECT_EQ(first->readLine(), line("281 Authentication accepted"));
    first->send("AUTHINFO USER solo");
    EXPECT_EQ(first->readLine(), line("502 Command unavailable"));
    {
        auto second = greeted(server);
        ASSERT_TRUE(second);
        second->send("AUTHINFO USER solo");
        second->readLine();
        second->send("AUTHINFO PASS pw");
        EXPECT_EQ(second->readLine(), line("481 Too many connections"));
    }
    first->send("QUIT");
    EXPECT_EQ(first->readLine(), line("205 Connection closing"));
    EXPECT_TRUE(first->waitForClose());
    const int before = server.connectionsOpened();
    ASSERT_TRUE(waitUntil([&] { return server.activeConnections() == 0; }, 5000));
    auto third = greeted(server);
    ASSERT_TRUE(third);
    third->send("AUTHINFO PASS pw");
    EXPECT_EQ(third->readLine(), line("482 Authentication commands issued out of sequence"));
    third->send("AUTHINFO USER solo");
    third->readLine();
    third->send("AUTHINFO PASS pw");
    EXPECT_EQ(third->readLine(), line("281 Authentication accepted"));
    EXPECT_EQ(server.connectionsOpened(), before + 1);
}

TEST_F(ScriptedNntpServerTest, RequiredLoginGuardsTheArticleCommands)
{
    server.setRequireAuth(true);
    server.addAccount("u", "p");
    server.addArticle("a@test", "text");
    auto client = greeted(server);
    ASSERT_TRUE(client);
    for (const char* command : {"BODY <a@test>", "POST", "LIST", "GROUP alt.test"}) {
        SCOPED_TRACE(command);
        client->send(command);
        EXPECT_EQ(client->readLine(), line("480 Authentication required"));
    }
    client->send("AUTHINFO USER u");
    client->readLine();
    client->send("AUTHINFO PASS p");
    client->readLine();
    client->send("BODY <a@test>");
    EXPECT_EQ(client->readBlock(), QByteArray("222 0 <a@test>\r\ntext\r\n.\r\n"));
}

TEST_F(ScriptedNntpServerTest, BodyIsDotStuffedOnTheWireAndRoundTrips)
{
    const QByteArray body = ".starts with a dot\n..two dots\n.\nmiddle . dot\r\n\r\n.last";
    server.addArticle("<dots@test>", body);
    auto client = greeted(server);
    ASSERT_TRUE(client);
    client->send("BODY <dots@test>");
    const QByteArray block = client->readBlock();
    EXPECT_EQ(block, QByteArray("222 0 <dots@test>\r\n"
                                "..starts with a dot\r\n"
                                "...two dots\r\n"
                                "..\r\n"
                                "middle . dot\r\n"
                                "\r\n"
                                "..last\r\n"
                                ".\r\n"));
    const QByteArray payload = block.mid(block.indexOf("\r\n") + 2);
    EXPECT_EQ(NntpWireFormat::unstuff(payload),
              QByteArray(".starts with a dot\r\n..two dots\r\n.\r\nmiddle . dot\r\n\r\n.last\r\n"));

    client->send("BODY <missing@test>");
    EXPECT_EQ(client->readLine(), line("430 No such article"));
    client->send("BODY <dots@test>");
    client->readBlock();
    EXPECT_EQ(server.bodyRequests("<dots@test>"), 2);
    EXPECT_EQ(server.bodyRequests("<missing@test>"), 1);
}

TEST_F(ScriptedNntpServerTest, LargeBinaryArticleArrivesByteExact)
{
    // yEnc-like lines of arbitrary bytes except the line ends, with the
    // critical leading dots in place.
    QByteArray body;
    QRandomGenerator random(7);
    while (body.size() < 700 * 1024) {
        QByteArray row(128, '\0');
        for (char& c : row) {
            do
                c = char(random.bounded(256));
            while (c == '\r' || c == '\n');
        }
        if (random.bounded(8) == 0) row[0] = '.';
        body += row + "\r\n";
    }
    server.addArticle("big@test", body);
    auto client = greeted(server);
    ASSERT_TRUE(client);
    client->send("BODY <big@test>");
    const QByteArray block = client->readBlock();
    ASSERT_TRUE(block.startsWith("222 0 <big@test>\r\n"));
    EXPECT_EQ(block.mid(18), NntpWireFormat::dotStuff(body));
    EXPECT_EQ(NntpWireFormat::unstuff(block.mid(18)), body);
}

TEST_F(ScriptedNntpServerTest, PostRecordsTheArticleByteExact)
{
    QByteArray article = "From: a@b\r\nNewsgroups: alt.test\r\nSubject: s\r\n\r\n..dotted line\r\n";
    while (article.size() < 100 * 1024)
        article += "0123456789abcdefghijklmnopqrstuvwxyz\r\n";
    article += ".\r\n";
    auto client = greeted(server);
    ASSERT_TRUE(client);
    client->send("POST");
    EXPECT_EQ(client->readLine(), line("340 Send article to be posted"));
    // In pieces, the terminator split across two of them.
    client->sendRaw(article.left(1000));
    client->sendRaw(article.mid(1000, article.size() - 1002));
    client->sendRaw(article.right(2));
    EXPECT_EQ(client->readLine(), line("240 Article received OK"));
    // An empty article is a lone terminator.
    client->send("POST");
    client->readLine();
    client->sendRaw(".\r\n");
    EXPECT_EQ(client->readLine(), line("240 Article received OK"));

    const QList<NntpPostedArticle> posts = server.postedArticles();
    ASSERT_EQ(posts.size(), 2);
    EXPECT_EQ(posts[0].connection, 1);
    EXPECT_EQ(posts[0].bytes, article);
    EXPECT_EQ(posts[1].bytes, QByteArray(".\r\n"));
    EXPECT_EQ(posts[0].size, article.size());
    EXPECT_EQ(posts[1].size, 3);
    // Article lines are not commands.
    EXPECT_EQ(server.commandLines(), (QList<QByteArray>{"POST", "POST"}));

    // Without keeping the bytes a post is still recorded, by its size.
    server.setKeepPostedBytes(false);
    client->send("POST");
    EXPECT_EQ(client->readLine(), line("340 Send article to be posted"));
    client->sendRaw(article);
    EXPECT_EQ(client->readLine(), line("240 Article received OK"));
    const QList<NntpPostedArticle> after = server.postedArticles();
    ASSERT_EQ(after.size(), 3);
    EXPECT_TRUE(after[2].bytes.isEmpty());
    EXPECT_EQ(after[2].size, article.size());
    EXPECT_EQ(after[2].connection, 1);
}

TEST_F(ScriptedNntpServerTest, PostAnswersAsScripted)
{
    server.addRule(NntpRule::on(NntpRule::kPostedArticle).once().reply(441, "Posting failed"));
    server.addRule(NntpRule::on("POST").withArgument("").onConnection(2).reply(440, "Posting not allowed"));
    auto client = greeted(server);
    ASSERT_TRUE(client);
    client->send("POST");
    client->readLine();
    client->sendRaw("Subject: x\r\n\r\nbody\r\n.\r\n");
    EXPECT_EQ(client->readLine(), line("441 Posting failed"));
    client->send("POST");
    client->readLine();
    client->sendRaw("Subject: y\r\n\r\nbody\r\n.\r\n");
    EXPECT_EQ(client->readLine(), line("240 Article received OK"));

    // A scripted refusal of POST does not take the next line as article.
    auto second = greeted(server);
    ASSERT_TRUE(second);
    second->send("POST");
    EXPECT_EQ(second->readLine(), line("440 Posting not allowed"));
    second->send("QUIT");
    EXPECT_EQ(second->readLine(), line("205 Connection closing"));

    server.setPostingAllowed(false);
    auto third = greeted(server);
    ASSERT_TRUE(third);
    third->send("POST");
    EXPECT_EQ(third->readLine(), line("440 Posting not permitted"));
    EXPECT_EQ(server.postedArticles().size(), 2);
}

TEST_F(ScriptedNntpServerTest, ListAndGroupAnswerFromTheGroupTable)
{
    auto client = greeted(server);
    ASSERT_TRUE(client);
    client->send("LIST");
    EXPECT_EQ(client->readBlock(), QByteArray("215 list of newsgroups follows\r\n.\r\n"));

    server.addGroup("alt.test", 200, 101, 'y');
    server.addGroup("a.b", 5, 5, 'n');
    client->send("LIST");
    EXPECT_EQ(client->readBlock(), QByteArray("215 list of newsgroups follows\r\n"
                                              "alt.test 200 101 y\r\n"
                                              "a.b 5 5 n\r\n"
                                              ".\r\n"));
    client->send("GROUP alt.test");
    EXPECT_EQ(client->readLine(), line("211 100 101 200 alt.test"));
    client->send("group a.b");
    EXPECT_EQ(client->readLine(), line("211 1 5 5 a.b"));
    client->send("GROUP no.such");
    EXPECT_EQ(client->readLine(), line("411 No such newsgroup"));
}

TEST_F(ScriptedNntpServerTest, RecordsCommandsPerConnectionAndRejectsUnknownOnes)
{
    auto one = greeted(server);
    auto two = greeted(server);
    ASSERT_TRUE(one && two);
    one->send("HELLO there");
    EXPECT_EQ(one->readLine(), line("500 Unknown command"));
    two->send("MODE READER");
    EXPECT_EQ(two->readLine(), line("500 Unknown command"));
    one->send("QUIT");
    EXPECT_EQ(one->readLine(), line("205 Connection closing"));
    EXPECT_TRUE(one->waitForClose());

    EXPECT_EQ(server.commandLines(1), (QList<QByteArray>{"HELLO there", "QUIT"}));
    EXPECT_EQ(server.commandLines(2), (QList<QByteArray>{"MODE READER"}));
    const QList<NntpReceivedCommand> all = server.commands();
    ASSERT_EQ(all.size(), 3);
    EXPECT_EQ(all[1].connection, 2);
}

TEST_F(ScriptedNntpServerTest, RulesReplaceRepliesOnceAlwaysOrPerConnection)
{
    server.addArticle("a@test", "A");
    server.addRule(NntpRule::on("BODY").withArgument("<a@test>").once().reply(430, "Gone for now"));
    server.addRule(NntpRule::on("BODY").withArgument("<b@test>").reply(436, "Transfer failed"));
    server.addRule(NntpRule::on(NntpRule::kGreeting).onConnection(2).reply(400, "Busy"));
    server.addRule(NntpRule::on("authinfo user").reply(481, "Too many connections"));

    QByteArray greeting;
    auto client = greeted(server, &greeting);
    ASSERT_TRUE(client);
    EXPECT_EQ(greeting, line("200 ScriptedNntpServer ready"));
    client->send("BODY <a@test>");
    EXPECT_EQ(client->readLine(), line("430 Gone for now"));
    client->send("BODY <a@test>");
    EXPECT_EQ(client->readBlock(), QByteArray("222 0 <a@test>\r\nA\r\n.\r\n"));
    for (int i = 0; i < 2; ++i) {
        client->send("BODY <b@test>");
        EXPECT_EQ(client->readLine(), line("436 Transfer failed"));
    }
    client->send("AUTHINFO USER x");
    EXPECT_EQ(client->readLine(), line("481 Too many connections"));

    ASSERT_TRUE(greeted(server, &greeting));
    EXPECT_EQ(greeting, line("400 Busy"));
    ASSERT_TRUE(greeted(server, &greeting));
    EXPECT_EQ(greeting, line("200 ScriptedNntpServer ready"));
}

TEST_F(ScriptedNntpServerTest, SplitsRepliesIntoSeparateWrites)
{
    server.addArticle("s@test", "line");
    // The terminator cut as "\r\n.\r" | "\n", the status line on its own.
    const QByteArray reply = "222 0 <s@test>\r\nline\r\n.\r\n";
    server.addRule(NntpRule::on("BODY").splitAt({16, reply.size() - 1}, 150));
    auto client = greeted(server);
    ASSERT_TRUE(client);
    client->send("BODY <s@test>");
    const QList<QByteArray> chunks = client->readChunks(reply.size());
    EXPECT_EQ(chunks, (QList<QByteArray>{"222 0 <s@test>\r\n", "line\r\n.\r", "\n"}));
}

TEST_F(ScriptedNntpServerTest, DelaysRepliesAndKeepsTheirOrder)
{
    server.addArticle("a@test", "A");
    server.addArticle("b@test", "B");
    server.addRule(NntpRule::on("BODY").withArgument("<a@test>").delay(400));
    auto client = greeted(server);
    ASSERT_TRUE(client);
    QElapsedTimer clock;
    clock.start();
    client->sendRaw("BODY <a@test>\r\nBODY <b@test>\r\n");
    EXPECT_EQ(client->readBlock(), QByteArray("222 0 <a@test>\r\nA\r\n.\r\n"));
    EXPECT_GE(clock.elapsed(), 350);
    EXPECT_EQ(client->readBlock(), QByteArray("222 0 <b@test>\r\nB\r\n.\r\n"));
}

TEST_F(ScriptedNntpServerTest, AHeldReplyWaitsForItsGateAndHoldsBackWhatFollows)
{
    server.addArticle("a@test", "A");
    server.addArticle("b@test", "B");
    auto gate = std::make_shared<NntpGate>();
    server.addRule(NntpRule::on("BODY").withArgument("<a@test>").heldBy(gate));
    auto client = greeted(server);
    ASSERT_TRUE(client);
    auto other = greeted(server);
    ASSERT_TRUE(other);
    client->sendRaw("BODY <a@test>\r\nBODY <b@test>\r\n");
    ASSERT_TRUE(waitUntil([&] { return server.bodyRequests("<a@test>") == 1; }, 5000));
    // Other connections go on meanwhile.
    other->send("BODY <b@test>");
    EXPECT_EQ(other->readBlock(), QByteArray("222 0 <b@test>\r\nB\r\n.\r\n"));
    EXPECT_EQ(client->readFor(200), QByteArray());
    EXPECT_EQ(server.bodyRequests("<b@test>"), 1) << "the next command waits for the held reply";
    gate->open();
    EXPECT_EQ(client->readBlock(), QByteArray("222 0 <a@test>\r\nA\r\n.\r\n"));
    EXPECT_EQ(client->readBlock(), QByteArray("222 0 <b@test>\r\nB\r\n.\r\n"));
    EXPECT_EQ(server.bodyRequests("<b@test>"), 2);
}

TEST_F(ScriptedNntpServerTest, GoesSilentButKeepsRecording)
{
    server.addArticle("a@test", "A");
    server.addRule(NntpRule::on("BODY").onConnection(1).goSilent());
    server.addRule(NntpRule::on("BODY").onConnection(2).silentAfterBytes(20));
    server.addRule(NntpRule::on(NntpRule::kGreeting).onConnection(3).goSilent());

    auto first = greeted(server);
    ASSERT_TRUE(first);
    first->send("BODY <a@test>");
    first->send("QUIT");
    EXPECT_EQ(first->readFor(300), QByteArray());
    EXPECT_TRUE(first->isConnected());
    ASSERT_TRUE(waitUntil([&] { return server.commandLines(1).size() == 2; }, 2000));

    auto second = greeted(server);
    ASSERT_TRUE(second);
    second->send("BODY <a@test>");
    EXPECT_EQ(second->readFor(300), QByteArray("222 0 <a@test>\r\nA\r\n.").left(20));

    NntpTestClient third;
    ASSERT_TRUE(third.connectTo(server.port()));
    EXPECT_EQ(third.readFor(300), QByteArray());
    EXPECT_TRUE(third.isConnected());
}

TEST_F(ScriptedNntpServerTest, DropsConnectionsWhereScripted)
{
    server.addArticle("a@test", "A");
    server.addRule(NntpRule::on("BODY").onConnection(1).drop());
    server.addRule(NntpRule::on("BODY").onConnection(2).dropAfterBytes(10));
    server.addRule(NntpRule::on(NntpRule::kGreeting).onConnection(3).dropAfterReply());

    auto first = greeted(server);
    ASSERT_TRUE(first);
    first->send("BODY <a@test>");
    EXPECT_TRUE(first->waitForClose());
    EXPECT_EQ(first->readFor(50), QByteArray());

    auto second = greeted(server);
    ASSERT_TRUE(second);
    second->send("BODY <a@test>");
    EXPECT_TRUE(second->waitForClose());
    EXPECT_EQ(second->readFor(50), QByteArray("222 0 <a@t"));

    QByteArray greeting;
    auto third = greeted(server, &greeting);
    ASSERT_TRUE(third);
    EXPECT_EQ(greeting, line("200 ScriptedNntpServer ready"));
    EXPECT_TRUE(third->waitForClose());
}

TEST_F(ScriptedNntpServerTest, RefusesConnectionsOverTheLimit)
{
    server.setConnectionLimit(2);
    auto one = greeted(server);
    auto two = greeted(server);
    ASSERT_TRUE(one && two);
    QByteArray greeting;
    auto three = greeted(server, &greeting);
    ASSERT_TRUE(three);
    EXPECT_EQ(greeting, line("502 Too many connections"));
    EXPECT_TRUE(three->waitForClose());
    EXPECT_EQ(server.refusedConnections(), 1);
    EXPECT_EQ(server.peakConnections(), 2);

    one.reset();
    ASSERT_TRUE(waitUntil([&] { return server.activeConnections() == 1; }, 5000));
    auto four = greeted(server, &greeting);
    ASSERT_TRUE(four);
    EXPECT_EQ(greeting, line("200 ScriptedNntpServer ready"));
    EXPECT_EQ(server.connectionsOpened(), 4);
}

TEST_F(ScriptedNntpServerTest, StopClosesOpenConnections)
{
    auto client = greeted(server);
    ASSERT_TRUE(client);
    server.stop();
    EXPECT_TRUE(client->waitForClose());
    EXPECT_FALSE(server.isListening());
    NntpTestClient late(1000);
    EXPECT_FALSE(late.connectTo(server.port()) && late.readLine().startsWith("200"));
}

TEST(ScriptedNntpServerTlsTest, ServesClientsThatTrustTheTestCa)
{
    const TestCertificates& certificates = TestCertificates::shared();
    ASSERT_TRUE(certificates.isValid()) << certificates.error().toStdString();
    ScriptedNntpServer server;
    server.addArticle("t@test", ".secret\n");
    ASSERT_TRUE(server.startTls(certificates));

    for (const QString& host : {QStringLiteral("127.0.0.1"), QStringLiteral("localhost")}) {
        SCOPED_TRACE(host.toStdString());
        NntpTestClient client;
        ASSERT_TRUE(
            client.connectEncrypted(server.port(), certificates.clientConfigurationTrustingCa(), host))
            << client.socket().errorString().toStdString();
        EXPECT_TRUE(client.sslErrors().isEmpty());
        EXPECT_GE(client.socket().sessionProtocol(), QSsl::TlsV1_2);
        EXPECT_EQ(client.readLine(), line("200 ScriptedNntpServer ready"));
        client.send("BODY <t@test>");
        EXPECT_EQ(client.readBlock(), QByteArray("222 0 <t@test>\r\n..secret\r\n.\r\n"));
    }
    EXPECT_EQ(server.tlsHandshakeFailures(), 0);
}

TEST(ScriptedNntpServerTlsTest, ClientsWithoutTheCaRefuseTheCertificate)
{
    const TestCertificates& certificates = TestCertificates::shared();
    ScriptedNntpServer server;
    ASSERT_TRUE(server.startTls(certificates));

    // The system's trust store, and a CA of another test run.
    const TestCertificates other;
    ASSERT_TRUE(other.isValid());
    const QSslConfiguration configurations[] = {QSslConfiguration::defaultConfiguration(),
                                                other.clientConfigurationTrustingCa()};
    for (const QSslConfiguration& configuration : configurations) {
        NntpTestClient client(3000);
        EXPECT_FALSE(client.connectEncrypted(server.port(), configuration));
        ASSERT_FALSE(client.sslErrors().isEmpty());
        EXPECT_EQ(client.sslErrors().first().error(), QSslError::UnableToGetLocalIssuerCertificate);
    }
    EXPECT_TRUE(waitUntil([&] { return server.tlsHandshakeFailures() == 2; }, 5000));
    EXPECT_TRUE(server.commands().isEmpty());
}

TEST(ScriptedNntpServerProgramTest, ServesAScriptAndPrintsItsPort)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    QFile article(dir.filePath(QStringLiteral("article.txt")));
    ASSERT_TRUE(article.open(QIODevice::WriteOnly));
    article.write(".from file\n");
    article.close();
    QFile script(dir.filePath(QStringLiteral("script.json")));
    ASSERT_TRUE(script.open(QIODevice::WriteOnly));
    script.write(R"({
        "greeting": {"code": 201, "text": "tool ready"},
        "requireAuth": true,
        "accounts": [{"user": "u", "password": "p"}],
        "articles": [{"mid": "<f@test>", "file": "article.txt"}, {"mid": "i@test", "body": "inline"}],
        "groups": [{"name": "alt.test", "last": 2, "first": 1}],
        "rules": [{"command": "BODY", "argument": "<i@test>", "times": 1, "reply": "430 not yet"}]
    })");
    script.close();

    QProcess process;
    process.setProgram(QStringLiteral(SCRIPTED_NNTP_SERVER_PATH));
    process.setArguments({QStringLiteral("--stop-on-eof"), script.fileName()});
    process.start();
    ASSERT_TRUE(process.waitForStarted(5000));
    ASSERT_TRUE(
        waitUntil([&] { return process.canReadLine() || process.state() != QProcess::Running; }, 10000));
    bool ok = false;
    const quint16 port = quint16(process.readLine().trimmed().toUInt(&ok));
    ASSERT_TRUE(ok) << process.readAllStandardError().toStdString();

    NntpTestClient client;
    ASSERT_TRUE(client.connectTo(port));
    EXPECT_EQ(client.readLine(), line("201 tool ready"));
    client.send("AUTHINFO USER u");
    client.readLine();
    client.send("AUTHINFO PASS p");
    EXPECT_EQ(client.readLine(), line("281 Authentication accepted"));
    client.send("BODY <f@test>");
    EXPECT_EQ(client.readBlock(), QByteArray("222 0 <f@test>\r\n..from file\r\n.\r\n"));
    client.send("BODY <i@test>");
    EXPECT_EQ(client.readLine(), line("430 not yet"));
    client.send("BODY <i@test>");
    EXPECT_EQ(client.readBlock(), QByteArray("222 0 <i@test>\r\ninline\r\n.\r\n"));
    client.send("LIST");
    EXPECT_EQ(client.readBlock(), QByteArray("215 list of newsgroups follows\r\nalt.test 2 1 y\r\n.\r\n"));

    // Closing its input ends it.
    process.closeWriteChannel();
    EXPECT_TRUE(process.waitForFinished(5000));
    EXPECT_EQ(process.exitCode(), 0);
}
