// The sequence of the server test window without its widgets: download test,
// then upload test, stop, close, and what each side shows.

#include "nntp/ServerTestPresenter.h"
#include "core/Logger.h"

#include "support/EventLoop.h"
#include "support/LogFileReader.h"
#include "support/ScriptedNntpServer.h"
#include "support/TempHome.h"

#include <gtest/gtest.h>

#include <QSignalSpy>

namespace {

class ServerTest : public ::testing::Test
{
protected:
    TempHome home;
    ScriptedNntpServer server;
    NNTPServerObjectPtr entry = NNTPServerObject::create();
    std::unique_ptr<ServerTestPresenter> presenter = std::make_unique<ServerTestPresenter>();

    void SetUp() override
    {
        ASSERT_TRUE(server.start());
        server.addGroup("alt.binaries.test", 9, 1);
        entry->setAlias(QStringLiteral("Scripted"));
        entry->setAddress(QStringLiteral("127.0.0.1"));
        entry->setPort(server.port());
        entry->setRequiresLogin(false);
        presenter->setNntpserver(entry);
    }
    void TearDown() override
    {
        presenter.reset();
        spinEventLoop(20);
    }

    bool waitForTestsOver(int ms = 10000)
    {
        return waitUntil([&] { return presenter->socketIsDisconnected() && !presenter->t1(); }, ms);
    }
    QStringList logMessages(const QString& text) const
    {
        Logger::shared()->flush();
        return LogFileReader(home.logFilePath()).linesContaining(text);
    }
};

} // namespace

TEST_F(ServerTest, WithPostingDisabledOnlyTheDownloadTestRuns)
{
    entry->setUpEnabled(false);
    presenter->windowDidLoad();
    EXPECT_EQ(presenter->titleBarText(), QStringLiteral("Testing Scripted"));
    EXPECT_EQ(presenter->mode(), ServerTestPresenter::DownloadTest);
    EXPECT_TRUE(presenter->download().indicatorVisible);
    EXPECT_FALSE(presenter->download().imageVisible);
    EXPECT_EQ(presenter->actionButtonTitle(), QStringLiteral("Stop"));
    ASSERT_TRUE(waitForTestsOver());

    const ServerTestPresenter::Side& down = presenter->download();
    EXPECT_EQ(down.image, QString::fromLatin1(ServerTestPresenter::kImageFinished));
    EXPECT_EQ(down.lastResponse, QStringLiteral("All fine"));
    EXPECT_FALSE(down.indicatorVisible);
    EXPECT_TRUE(down.imageVisible);
    const ServerTestPresenter::Side& up = presenter->upload();
    EXPECT_EQ(up.title, QStringLiteral("Upload server is not enabled"));
    EXPECT_EQ(up.lastResponse, QStringLiteral("No testing possible"));
    EXPECT_EQ(up.image, QString::fromLatin1(ServerTestPresenter::kImageIdle));
    EXPECT_FALSE(up.enabled);
    EXPECT_EQ(presenter->actionButtonTitle(), QStringLiteral("Close"));
    EXPECT_EQ(server.commandLines(), QList<QByteArray>({"GROUP alt.binaries.test"}));

    EXPECT_EQ(logMessages(QStringLiteral("Starting download test for server :: Scripted")).size(), 1);
    EXPECT_EQ(logMessages(QStringLiteral("Server download test response :: Connecting")).size(), 1);
    EXPECT_EQ(logMessages(QStringLiteral("End download test for server :: Scripted")).size(), 1);
    EXPECT_EQ(logMessages(QStringLiteral("Download result :: All fine")).size(), 1);
    EXPECT_TRUE(logMessages(QStringLiteral("Starting upload test")).isEmpty());
}

TEST_F(ServerTest, DownloadThenUploadOnTheSameEndpoint)
{
    presenter->windowDidLoad();
    ASSERT_TRUE(waitForTestsOver());
    EXPECT_EQ(presenter->download().image, QString::fromLatin1(ServerTestPresenter::kImageFinished));
    EXPECT_EQ(presenter->upload().image, QString::fromLatin1(ServerTestPresenter::kImageFinished));
    EXPECT_EQ(presenter->upload().lastResponse, QStringLiteral("All fine"));
    EXPECT_EQ(presenter->mode(), ServerTestPresenter::UploadTest);
    EXPECT_EQ(server.commandLines(1), QList<QByteArray>({"GROUP alt.binaries.test"}));
    EXPECT_EQ(server.commandLines(2), QList<QByteArray>({"POST"}));
    EXPECT_TRUE(server.postedArticles().isEmpty());
    EXPECT_EQ(logMessages(QStringLiteral("Upload result :: All fine")).size(), 1);
}

TEST_F(ServerTest, AFailedDownloadTestStillLeadsToTheUploadTest)
{
    server.addRule(NntpRule::on("GROUP").reply(502, "Access denied"));
    presenter->windowDidLoad();
    ASSERT_TRUE(waitForTestsOver());
    const ServerTestPresenter::Side& down = presenter->download();
    EXPECT_EQ(down.image, QString::fromLatin1(ServerTestPresenter::kImageError));
    EXPECT_EQ(down.title, QStringLiteral("Download settings failed"));
    // The reason stays visible.
    EXPECT_EQ(down.lastResponse, QStringLiteral("Error: [502] Access denied"));
    EXPECT_EQ(presenter->upload().image, QString::fromLatin1(ServerTestPresenter::kImageFinished));
    EXPECT_EQ(server.commandLines(2), QList<QByteArray>({"POST"}));
    EXPECT_EQ(logMessages(QStringLiteral("Download result :: Error: [502] Access denied")).size(), 1);
}

TEST_F(ServerTest, AStopSkipsTheUploadTestAndASecondPressCloses)
{
    server.addRule(NntpRule::on("GROUP").goSilent());
    QSignalSpy closes(presenter.get(), &ServerTestPresenter::closeRequested);
    presenter->windowDidLoad();
    ASSERT_TRUE(waitUntil([&] { return server.commandLines().size() == 1; }));

    presenter->actionButtonClicked();
    EXPECT_TRUE(presenter->socketIsDisconnected());
    EXPECT_EQ(presenter->actionButtonTitle(), QStringLiteral("Close"));
    EXPECT_FALSE(presenter->t1());
    // The stopped test reports its end: a fail, never a pass.
    ASSERT_TRUE(waitUntil([&] { return !presenter->download().indicatorVisible; }));
    EXPECT_EQ(presenter->download().image, QString::fromLatin1(ServerTestPresenter::kImageError));
    spinEventLoop(300);
    EXPECT_EQ(server.connectionsOpened(), 1) << "no upload test";
    EXPECT_EQ(closes.count(), 0);

    presenter->actionButtonClicked();
    EXPECT_EQ(closes.count(), 1);
    EXPECT_TRUE(presenter->windowIsClosing());
}

TEST_F(ServerTest, ClosingStopsTheTestAndItsConnection)
{
    server.addRule(NntpRule::on("GROUP").goSilent());
    QSignalSpy closes(presenter.get(), &ServerTestPresenter::closeRequested);
    presenter->windowDidLoad();
    ASSERT_TRUE(waitUntil([&] { return server.commandLines().size() == 1; }));
    const std::weak_ptr<TCPSocketForTesting> socket = presenter->t1();

    presenter->closeWindow();
    presenter->closeWindow();
    EXPECT_EQ(closes.count(), 1);
    EXPECT_FALSE(presenter->download().indicatorVisible);
    EXPECT_TRUE(waitUntil([&] { return server.activeConnections() == 0; }, 3000));
    EXPECT_TRUE(waitUntil([&] { return socket.expired(); }, 3000)) << "the thread ended and let go";
    spinEventLoop(300);
    EXPECT_EQ(server.connectionsOpened(), 1) << "no upload test after closing";
}

TEST_F(ServerTest, WithoutAnEntryTheWindowClosesAndNothingRuns)
{
    ServerTestPresenter alone;
    QSignalSpy closes(&alone, &ServerTestPresenter::closeRequested);
    alone.windowDidLoad();
    EXPECT_EQ(closes.count(), 1);
    EXPECT_FALSE(alone.t1());
    spinEventLoop(100);
    EXPECT_EQ(server.connectionsOpened(), 0);
}

TEST(ServerTestSettings, SameAsDownloadCopiesTheDownloadFields)
{
    struct Case
    {
        int port;
        bool ssl;
        int upPort;
        bool upSSL;
    };
    for (const Case& c :
         {Case{0, true, 119, false}, Case{563, true, 563, true}, Case{8119, false, 8119, false}}) {
        SCOPED_TRACE(c.port);
        const NNTPServerObjectPtr e = NNTPServerObject::create();
        e->setAddress(QStringLiteral("news.example.org"));
        e->setUsername(QStringLiteral("name"));
        e->setPassword(QStringLiteral("secret"));
        e->setRequiresLogin(false);
        e->setPort(c.port);
        e->setSsl(c.ssl);
        e->setUpUsername(QStringLiteral("old"));
        e->setUpRequiresLogin(true);
        ServerTestPresenter::useDownloadSettingsForUpload(*e);
        EXPECT_EQ(e->upUsername(), QStringLiteral("name"));
        EXPECT_EQ(e->upPassword(), QStringLiteral("secret"));
        EXPECT_EQ(e->upAddress(), QStringLiteral("news.example.org"));
        EXPECT_EQ(e->upPort(), c.upPort);
        EXPECT_EQ(e->upSSL(), c.upSSL);
        EXPECT_FALSE(e->upRequiresLogin());
    }
}

TEST_F(ServerTest, TheUploadTestWritesTheDownloadSettingsIntoTheLiveEntry)
{
    entry->setUsername(QStringLiteral("name"));
    entry->setPassword(QStringLiteral("secret"));
    entry->setUpPort(1);
    entry->setUpAddress(QStringLiteral("elsewhere"));
    presenter->testUpload();
    EXPECT_EQ(entry->upPort(), server.port());
    EXPECT_EQ(entry->upAddress(), QStringLiteral("127.0.0.1"));
    EXPECT_EQ(entry->upPassword(), QStringLiteral("secret"));
    ASSERT_TRUE(waitForTestsOver());
    EXPECT_EQ(presenter->upload().image, QString::fromLatin1(ServerTestPresenter::kImageFinished));
    EXPECT_EQ(server.commandLines(), QList<QByteArray>({"POST"}));
}

TEST_F(ServerTest, AnUploadEndpointOfItsOwnIsLeftAsItIs)
{
    ScriptedNntpServer up;
    ASSERT_TRUE(up.start());
    entry->setUploadIsDownloadServer(false);
    entry->setUpAddress(QStringLiteral("127.0.0.1"));
    entry->setUpPort(up.port());
    entry->setUpRequiresLogin(false);
    presenter->testUpload();
    EXPECT_EQ(entry->upPort(), up.port());
    ASSERT_TRUE(waitForTestsOver());
    EXPECT_EQ(presenter->upload().image, QString::fromLatin1(ServerTestPresenter::kImageFinished));
    EXPECT_EQ(up.commandLines(), QList<QByteArray>({"POST"}));
    EXPECT_TRUE(server.commandLines().isEmpty());
}
