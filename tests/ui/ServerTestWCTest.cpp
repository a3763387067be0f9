// The server test window offscreen, against the scripted server.

#include "ui/nntp/ServerTestWC.h"
#include "controls/Artwork.h"
#include "nntp/ServerTestPresenter.h"
#include "platform/NotificationHub.h"
#include "ui/core/WindowPlacement.h"

#include "support/EventLoop.h"
#include "support/ScriptedNntpServer.h"
#include "support/TempHome.h"

#include <gtest/gtest.h>

#include <QGuiApplication>
#include <QLabel>
#include <QMainWindow>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>

namespace {

class ServerTestWindow : public ::testing::Test
{
protected:
    TempHome home;
    ScriptedNntpServer server;
    NNTPServerObjectPtr entry = NNTPServerObject::create();

    void SetUp() override
    {
        ASSERT_TRUE(server.start());
        server.addGroup("alt.binaries.test", 3, 1);
        entry->setAlias(QStringLiteral("Scripted"));
        entry->setAddress(QStringLiteral("127.0.0.1"));
        entry->setPort(server.port());
        entry->setRequiresLogin(false);
    }

    static QImage shown(const QLabel* label) { return label->pixmap().toImage(); }
    static QImage icon(const char* name)
    {
        return Artwork::pixmap(QString::fromLatin1(name),
                               QSize(ServerTestWC::kIconSize, ServerTestWC::kIconSize))
            .toImage();
    }
};

} // namespace

TEST_F(ServerTestWindow, BothTestsPassAndTheButtonCloses)
{
    QMainWindow main;
    main.setGeometry(60, 40, 800, 600);
    main.show();
    ServerTestWC wc;
    wc.setNntpserver(entry);
    wc.show();
    const QRect visible = QGuiApplication::primaryScreen()->availableGeometry();
    EXPECT_EQ(wc.pos(), WindowPlacement::centeredOrigin(main.frameGeometry(), wc.frameGeometry().size(),
                                                        visible, ServerTestWC::kWindowDistance));
    EXPECT_EQ(wc.titleBarTextField()->text(), QStringLiteral("Testing Scripted"));
    EXPECT_TRUE(wc.downloadProgressIndicator()->isVisible());
    EXPECT_FALSE(wc.downloadResultImageView()->isVisible());

    ASSERT_TRUE(waitUntil([&] { return wc.actionButton()->text() == QLatin1String("Close"); }, 10000));
    EXPECT_FALSE(wc.downloadProgressIndicator()->isVisible());
    EXPECT_FALSE(wc.uploadProgressIndicator()->isVisible());
    EXPECT_TRUE(wc.downloadResultImageView()->isVisible());
    EXPECT_EQ(shown(wc.downloadResultImageView()), icon(ServerTestPresenter::kImageFinished));
    EXPECT_EQ(shown(wc.uploadResultImageView()), icon(ServerTestPresenter::kImageFinished));
    EXPECT_EQ(wc.downloadLastResponseTextField()->text(), QStringLiteral("All fine"));
    EXPECT_EQ(wc.uploadLastResponseTextField()->text(), QStringLiteral("All fine"));
    EXPECT_EQ(server.commandLines(), QList<QByteArray>({"GROUP alt.binaries.test", "POST"}));

    wc.actionButton()->click();
    EXPECT_FALSE(wc.isVisible());
}

TEST_F(ServerTestWindow, APostingDisabledServerShowsNoUploadTest)
{
    entry->setUpEnabled(false);
    server.addRule(NntpRule::on("GROUP").reply(481, "Authentication failed"));
    ServerTestWC wc;
    wc.setNntpserver(entry);
    wc.show();
    EXPECT_EQ(wc.uploadTitleTextField()->text(), QStringLiteral("Upload server is not enabled"));
    EXPECT_EQ(wc.uploadLastResponseTextField()->text(), QStringLiteral("No testing possible"));
    EXPECT_FALSE(wc.uploadTitleTextField()->isEnabled());
    EXPECT_FALSE(wc.uploadLastResponseTextField()->isEnabled());
    EXPECT_FALSE(wc.uploadResultImageView()->isEnabled());
    EXPECT_EQ(shown(wc.uploadResultImageView()), icon(ServerTestPresenter::kImageIdle));

    ASSERT_TRUE(waitUntil([&] { return wc.actionButton()->text() == QLatin1String("Close"); }, 10000));
    EXPECT_EQ(shown(wc.downloadResultImageView()), icon(ServerTestPresenter::kImageError));
    EXPECT_EQ(wc.downloadTitleTextField()->text(), QStringLiteral("Download settings failed"));
    EXPECT_EQ(wc.downloadLastResponseTextField()->text(),
              QStringLiteral("Error: [481] Authentication failed"));
    EXPECT_EQ(server.connectionsOpened(), 1);
}

TEST_F(ServerTestWindow, ClosingTheWindowStopsTheTest)
{
    server.addRule(NntpRule::on("GROUP").goSilent());
    ServerTestWC wc;
    wc.setNntpserver(entry);
    wc.show();
    ASSERT_TRUE(
        waitUntil([&] { return server.activeConnections() == 1 && !server.commandLines().isEmpty(); }));
    wc.close();
    EXPECT_FALSE(wc.isVisible());
    EXPECT_TRUE(waitUntil([&] { return server.activeConnections() == 0; }, 3000));
    EXPECT_TRUE(waitUntil([&] { return !wc.presenter()->t1(); }, 3000));
    spinEventLoop(300);
    EXPECT_EQ(server.connectionsOpened(), 1) << "no upload test after closing";
}

TEST_F(ServerTestWindow, TerminationClosesTheWindow)
{
    server.addRule(NntpRule::on("GROUP").goSilent());
    ServerTestWC wc;
    wc.setNntpserver(entry);
    wc.show();
    const std::weak_ptr<TCPSocketForTesting> connection = wc.presenter()->t1();
    ASSERT_FALSE(connection.expired());
    NotificationHub::defaultCenter().post(QStringLiteral("ApplicationWillTerminate"));
    EXPECT_TRUE(waitUntil([&] { return !wc.isVisible(); }));
    EXPECT_TRUE(wc.presenter()->windowIsClosing());
    // The program goes on to take its libraries down: the connection's thread
    // is over by the time the window has closed.
    const TCPSocketForTestingPtr still = connection.lock();
    EXPECT_TRUE(!still || still->isFinished());
    EXPECT_TRUE(waitUntil([&] { return server.activeConnections() == 0; }, 3000));
}
