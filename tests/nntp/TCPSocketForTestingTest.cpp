// The server-test connection against the scripted server: what passes, what
// fails, and that nothing but the probe's answer passes.

#include "nntp/TCPSocketForTesting.h"
#include "nntp/NntpTlsConfiguration.h"
#include "platform/UserDefaults.h"

#include "support/EventLoop.h"
#include "support/ScriptedNntpServer.h"
#include "support/ServerTestRecorder.h"
#include "support/TempHome.h"

#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <functional>
#include <QTcpServer>

namespace {

class ServerTestConnection : public ::testing::Test
{
protected:
    TempHome home;
    ScriptedNntpServer server;
    std::unique_ptr<ServerTestRecorder> recorder = std::make_unique<ServerTestRecorder>();

    void SetUp() override { ASSERT_TRUE(server.start()) << server.errorString().toStdString(); }
    void TearDown() override { NntpTlsConfiguration::removeAddedCaCertificates(); }

    NNTPServerObjectPtr entry(quint16 port)
    {
        NNTPServerObjectPtr e = NNTPServerObject::create();
        e->setAlias(QStringLiteral("Scripted"));
        e->setAddress(QStringLiteral("127.0.0.1"));
        e->setPort(port);
        e->setRequiresLogin(false);
        return e;
    }
    NNTPServerObjectPtr entry() { return entry(server.port()); }

    // Runs one test to its end and returns its reported result.
    QString run(const NNTPServerObjectPtr& e, bool upload = false, int ms = 10000)
    {
        TCPSocketForTestingPtr socket = TCPSocketForTesting::create();
        socket->setServerTestWC(recorder.get());
        socket->setNntpServer(e);
        socket->setIsUploadMode(upload);
        socket->start();
        socket.reset(); // a started test keeps itself alive
        if (!waitUntil([&] { return recorder->removed() == 1; }, ms)) return QStringLiteral("(no end)");
        EXPECT_EQ(recorder->results().size(), 1) << "one result per test";
        return recorder->results().value(0);
    }

    static quint16 closedPort()
    {
        QTcpServer probe;
        probe.listen(QHostAddress::LocalHost);
        const quint16 port = probe.serverPort();
        probe.close();
        return port;
    }
};

} // namespace

TEST_F(ServerTestConnection, ResultsOfTheDownloadProbe)
{
    struct Case
    {
        const char* name;
        bool groupExists;
        std::optional<NntpRule> rule;
        const char* result;
        const char* message; // last message before the end, or nullptr
    };
    const Case cases[] = {
        {"group exists", true, std::nullopt, "pass", nullptr},
        {"no such group", false, std::nullopt, "pass", "Error: [411] No such newsgroup"},
        {"not in a newsgroup", false, NntpRule::on("GROUP").reply(412, "x"), "pass",
         "Error: Not in newsgroup"},
        {"idle timeout", false, NntpRule::on("GROUP").reply(400, "bye"), "fail", "Error: [400] Idle timeout"},
        {"unknown reply", false, NntpRule::on("GROUP").reply(599, "odd"), "fail", "Error: [599] odd"},
        {"garbage", false, NntpRule::on("GROUP").replyRaw("what?\r\n"), "fail", "Error: [-1] "},
        {"auth asked, none configured", false, NntpRule::on("GROUP").reply(480, "Login first"), "fail",
         "Error: [480] Authentication required"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ScriptedNntpServer s;
        ASSERT_TRUE(s.start());
        if (c.groupExists) s.addGroup("alt.binaries.test", 20, 1);
        if (c.rule) s.addRule(*c.rule);
        recorder = std::make_unique<ServerTestRecorder>();
        EXPECT_EQ(run(entry(s.port())), QString::fromLatin1(c.result));
        EXPECT_EQ(s.commandLines(), QList<QByteArray>({"GROUP alt.binaries.test"}));
        const QStringList messages = recorder->messages();
        EXPECT_EQ(messages.mid(0, 3),
                  QStringList({"Connecting", "Connected", "Auth ok (is possibly logged in)"}));
        if (c.message) {
            EXPECT_EQ(messages.value(3), QString::fromLatin1(c.message)) << messages.join('|').toStdString();
        }
    }
}

TEST_F(ServerTestConnection, LoginThenGroupIsSentAsUtf8)
{
    server.setRequireAuth(true);
    server.addAccount("jürgen", "pässwörd");
    server.addGroup("alt.binaries.test", 5, 1);
    const NNTPServerObjectPtr e = entry();
    e->setRequiresLogin(true);
    e->setUsername(QStringLiteral("jürgen"));
    e->setPassword(QStringLiteral("pässwörd"));
    e->setAuthFailed(true);

    EXPECT_EQ(run(e), QStringLiteral("pass"));
    EXPECT_EQ(server.commandLines(),
              QList<QByteArray>({"AUTHINFO USER j\xc3\xbcrgen", "AUTHINFO PASS p\xc3\xa4ssw\xc3\xb6rd",
                                 "GROUP alt.binaries.test"}));
    EXPECT_TRUE(recorder->messages().contains(QStringLiteral("Sending auth to newsserver")));
    EXPECT_TRUE(recorder->messages().contains(QStringLiteral("Auth ok (is logged in)")));
    // Only the way without a login clears the flag.
    EXPECT_TRUE(e->authFailed());
}

TEST_F(ServerTestConnection, RefusedLoginsFail)
{
    struct Case
    {
        int code;
        QByteArray text;
        const char* message;
    };
    const Case cases[] = {
        {481, "Authentication failed", "Error: [481] Authentication failed"},
        {502, "Access denied", "Error: [502] Access denied"},
        {501, "syntax", "Error: [501] Incorrect Username/Password"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.code);
        ScriptedNntpServer s;
        ASSERT_TRUE(s.start());
        s.addRule(NntpRule::on("AUTHINFO PASS").reply(c.code, c.text));
        recorder = std::make_unique<ServerTestRecorder>();
        const NNTPServerObjectPtr e = entry(s.port());
        e->setRequiresLogin(true);
        e->setUsername(QStringLiteral("u"));
        e->setPassword(QStringLiteral("wrong"));
        EXPECT_EQ(run(e), QStringLiteral("fail"));
        EXPECT_TRUE(recorder->messages().contains(QString::fromLatin1(c.message)))
            << recorder->messages().join('|').toStdString();
        EXPECT_EQ(s.commandLines().size(), 2) << "no probe after a refused login";
    }
}

TEST_F(ServerTestConnection, UploadProbeSendsPostAndNoArticle)
{
    EXPECT_EQ(run(entry(), true), QStringLiteral("pass"));
    EXPECT_EQ(server.commandLines(), QList<QByteArray>({"POST"}));
    spinEventLoop(100);
    EXPECT_TRUE(server.postedArticles().isEmpty());
    EXPECT_EQ(server.activeConnections(), 0);
}

TEST_F(ServerTestConnection, UploadProbeRefusedFails)
{
    server.setPostingAllowed(false);
    EXPECT_EQ(run(entry(), true), QStringLiteral("fail"));
    EXPECT_EQ(recorder->messages().last(), QStringLiteral("Error: [440] Posting not permitted"));
}

TEST_F(ServerTestConnection, UploadTestUsesTheUploadEndpoint)
{
    ScriptedNntpServer up;
    ASSERT_TRUE(up.start());
    up.setRequireAuth(true);
    up.addAccount("poster", "gehéim");
    const NNTPServerObjectPtr e = entry(closedPort()); // the download side would fail
    e->setUploadIsDownloadServer(false);
    e->setUpAddress(QStringLiteral("127.0.0.1"));
    e->setUpPort(up.port());
    e->setUpRequiresLogin(true);
    e->setUpUsername(QStringLiteral("poster"));
    e->setUpPassword(QStringLiteral("gehéim"));

    EXPECT_EQ(run(e, true), QStringLiteral("pass"));
    EXPECT_EQ(up.commandLines(),
              QList<QByteArray>({"AUTHINFO USER poster", "AUTHINFO PASS geh\xc3\xa9im", "POST"}));
    EXPECT_TRUE(server.commandLines().isEmpty());
}

TEST_F(ServerTestConnection, RefusedPortFails)
{
    EXPECT_EQ(run(entry(closedPort())), QStringLiteral("fail"));
    EXPECT_EQ(recorder->messages(),
              QStringList({"Connecting", "StreamError (61): Possibly a wrong port number configured."}));
}

// A test that ends before the probe is answered proves nothing about the
// server and must not pass, also after a login the server accepted.
TEST_F(ServerTestConnection, EndBeforeTheProbesAnswerFails)
{
    server.setRequireAuth(true);
    server.addAccount("u", "p");
    server.addRule(NntpRule::on("GROUP").drop());
    const NNTPServerObjectPtr e = entry();
    e->setRequiresLogin(true);
    e->setUsername(QStringLiteral("u"));
    e->setPassword(QStringLiteral("p"));

    EXPECT_EQ(run(e), QStringLiteral("fail"));
    EXPECT_TRUE(recorder->messages().contains(QStringLiteral("Auth ok (is logged in)")));
    EXPECT_EQ(recorder->messages().last(), QStringLiteral("Socket disconnected"));
}

TEST_F(ServerTestConnection, UnansweredProbeTimesOut)
{
    UserDefaults::standard().setInteger(5, QStringLiteral("tcpSocketTimeout"));
    server.addRule(NntpRule::on("GROUP").goSilent());
    QElapsedTimer clock;
    clock.start();
    EXPECT_EQ(run(entry(), false, 15000), QStringLiteral("fail"));
    EXPECT_GE(clock.elapsed(), 4000);
    const QStringList messages = recorder->messages();
    EXPECT_TRUE(messages.contains(QStringLiteral("Waiting for server response (3 sec)")))
        << messages.join('|').toStdString();
    EXPECT_EQ(messages.last(), QStringLiteral("Restarting connection"));
    EXPECT_TRUE(waitUntil([&] { return server.activeConnections() == 0; }));
}

TEST_F(ServerTestConnection, UnansweredLoginTimesOut)
{
    UserDefaults::standard().setInteger(5, QStringLiteral("tcpSocketTimeout"));
    server.addRule(NntpRule::on("AUTHINFO USER").goSilent());
    const NNTPServerObjectPtr e = entry();
    e->setRequiresLogin(true);
    e->setUsername(QStringLiteral("u"));
    EXPECT_EQ(run(e, false, 15000), QStringLiteral("fail"));
    EXPECT_EQ(recorder->messages().last(), QStringLiteral("Restarting connection"));
}

TEST_F(ServerTestConnection, DisconnectEndsAWaitingTestAtOnce)
{
    server.addRule(NntpRule::on("GROUP").goSilent());
    TCPSocketForTestingPtr socket = TCPSocketForTesting::create();
    socket->setServerTestWC(recorder.get());
    const NNTPServerObjectPtr e = entry();
    socket->setNntpServer(e);
    socket->start();
    ASSERT_TRUE(waitUntil([&] { return server.commandLines().size() == 1; }));
    QElapsedTimer clock;
    clock.start();
    socket->disconnect();
    ASSERT_TRUE(waitUntil([&] { return recorder->removed() == 1; }));
    EXPECT_LT(clock.elapsed(), 2000);
    EXPECT_EQ(recorder->results(), QStringList({"fail"}));
    // The window hears of the end from the connection's thread, which then
    // returns: within moments, never after a time-out.
    EXPECT_TRUE(waitUntil([&] { return socket->isFinished(); }, 2000));
    EXPECT_TRUE(waitUntil([&] { return server.activeConnections() == 0; }));
}

TEST_F(ServerTestConnection, ReportsToAReceiverThatIsGoneAreDropped)
{
    server.addRule(NntpRule::on(NntpRule::kGreeting).delay(300));
    auto* gone = new ServerTestRecorder;
    TCPSocketForTestingPtr socket = TCPSocketForTesting::create();
    socket->setServerTestWC(gone);
    const NNTPServerObjectPtr e = entry();
    socket->setNntpServer(e);
    socket->start();
    delete gone;
    ASSERT_TRUE(waitUntil([&] { return socket->isFinished(); }));
    spinEventLoop(50);
}

TEST_F(ServerTestConnection, TlsWithAVerifiedCertificate)
{
    ScriptedNntpServer tls;
    ASSERT_TRUE(tls.startTls());
    tls.addGroup("alt.binaries.test", 2, 1);
    NntpTlsConfiguration::addCaCertificates({TestCertificates::shared().caCertificate()});
    const NNTPServerObjectPtr e = entry(tls.port());
    e->setSsl(true);
    EXPECT_EQ(run(e), QStringLiteral("pass"));
    EXPECT_EQ(tls.commandLines(), QList<QByteArray>({"GROUP alt.binaries.test"}));
}

TEST_F(ServerTestConnection, TlsWithAnUnknownAuthorityFails)
{
    ScriptedNntpServer tls;
    ASSERT_TRUE(tls.startTls());
    const NNTPServerObjectPtr e = entry(tls.port());
    e->setSsl(true);
    EXPECT_EQ(run(e), QStringLiteral("fail"));
    EXPECT_TRUE(recorder->messages().last().startsWith(
        QStringLiteral("StreamError (13): Certificate verification failed")))
        << recorder->messages().join('|').toStdString();
    EXPECT_TRUE(tls.commandLines().isEmpty());
}

TEST_F(ServerTestConnection, ACertificateTrustedForTheServerPassesAndNoOtherDoes)
{
    // A certificate from an authority nobody added: the test names what was
    // wrong and the certificate's fingerprint, and refuses it.
    TestCertificates own;
    ASSERT_TRUE(own.isValid());
    ScriptedNntpServer tls;
    ASSERT_TRUE(tls.startTls(own));
    tls.addGroup("alt.binaries.test", 2, 1);
    const NNTPServerObjectPtr e = entry(tls.port());
    e->setSsl(true);
    const QString fingerprint = NntpTlsConfiguration::fingerprint(own.serverCertificate());
    ASSERT_EQ(fingerprint.size(), 32 * 3 - 1);
    EXPECT_EQ(run(e), QStringLiteral("fail"));
    EXPECT_TRUE(recorder->messages().last().endsWith(QStringLiteral("(SHA-256 fingerprint %1)").arg(fingerprint)))
        << recorder->messages().last().toStdString();
    EXPECT_TRUE(tls.commandLines().isEmpty());

    struct Case
    {
        const char* what;
        std::function<NNTPServerObjectPtr()> entry;
        const char* result;
    };
    ScriptedNntpServer changed;
    TestCertificates other;
    ASSERT_TRUE(changed.startTls(other));
    changed.addGroup("alt.binaries.test", 2, 1);
    NntpTlsConfiguration::trustCertificate(e->serverID(), own.serverCertificate());
    const Case cases[] = {
        {"the trusted certificate of this server", [&] { return e; }, "pass"},
        {"the same certificate for another server entry",
         [&] {
             NNTPServerObjectPtr another = entry(tls.port());
             another->setSsl(true);
             return another;
         },
         "fail"},
        {"another certificate for this server",
         [&] {
             e->setPort(changed.port());
             return e;
         },
         "fail"},
    };
    for (const Case& c : cases) {
        recorder = std::make_unique<ServerTestRecorder>();
        EXPECT_EQ(run(c.entry()), QString::fromLatin1(c.result)) << c.what;
    }
    EXPECT_EQ(tls.commandLines(), QList<QByteArray>({"GROUP alt.binaries.test"}));
    EXPECT_TRUE(changed.commandLines().isEmpty());
    EXPECT_TRUE(NntpTlsConfiguration::isTrusted(e->serverID(), own.serverCertificate()));
    NntpTlsConfiguration::forgetTrustedCertificate(e->serverID());
    EXPECT_FALSE(NntpTlsConfiguration::isTrusted(e->serverID(), own.serverCertificate()));
}
