#include "platform/NotificationCenter.h"

#include "support/EventLoop.h"
#include "support/FakeNotificationService.h"
#include "support/PrivateSessionBus.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDBusConnection>
#include <QProcess>
#include <QThread>

#include <memory>

namespace {

// Every test here runs on a bus of its own, never on the user's, whose
// notification daemon would own the name and show real banners.
#define REQUIRE_PRIVATE_BUS()                                                                                \
    if (!PrivateSessionBus::shared())                                                                        \
    GTEST_SKIP() << "no private session bus: " << PrivateSessionBus::reason().toStdString()

} // namespace

TEST(NotificationCenter, ShowsABannerWithTitleTextAndSoundButNoAction)
{
    REQUIRE_PRIVATE_BUS();
    FakeNotificationService service;
    ASSERT_TRUE(service.isRegistered());
    NotificationCenter::showMessage("Article not found", "<1234@example> is no longer on news.example.org");
    ASSERT_TRUE(waitUntil([&] { return !service.calls().isEmpty(); }, 5000));
    ASSERT_EQ(service.calls().size(), 1);
    const FakeNotificationService::Call& c = service.calls().first();
    EXPECT_EQ(c.appName, "Binorama");
    EXPECT_EQ(c.replacesId, 0u);
    EXPECT_EQ(c.summary, "Article not found");
    EXPECT_EQ(c.body, "<1234@example> is no longer on news.example.org");
    EXPECT_TRUE(c.actions.isEmpty());
    EXPECT_EQ(c.hints.value("sound-name").toString(), "message-new-instant");
    EXPECT_EQ(c.expireTimeout, -1);
}

TEST(NotificationCenter, BannersFromWorkerThreadsArriveInOrder)
{
    REQUIRE_PRIVATE_BUS();
    FakeNotificationService service;
    ASSERT_TRUE(service.isRegistered());
    std::unique_ptr<QThread> worker(QThread::create([] {
        for (int i = 0; i < 5; ++i)
            NotificationCenter::showMessage(QString("banner %1").arg(i), "from a connection thread");
    }));
    worker->start();
    ASSERT_TRUE(worker->wait(10000));
    ASSERT_TRUE(waitUntil([&] { return service.calls().size() == 5; }, 5000));
    for (int i = 0; i < 5; ++i)
        EXPECT_EQ(service.calls()[i].summary, QString("banner %1").arg(i));
}

TEST(NotificationCenter, WithoutANotificationServiceNothingHappensAndLaterBannersStillArrive)
{
    REQUIRE_PRIVATE_BUS();
    ASSERT_TRUE(QDBusConnection::sessionBus().isConnected());
    NotificationCenter::showMessage("nobody listens", "dropped");
    spinEventLoop(200);

    FakeNotificationService service;
    ASSERT_TRUE(service.isRegistered());
    NotificationCenter::showMessage("now someone listens", "shown");
    ASSERT_TRUE(waitUntil([&] { return !service.calls().isEmpty(); }, 5000));
    spinEventLoop(100);
    ASSERT_EQ(service.calls().size(), 1);
    EXPECT_EQ(service.calls().first().summary, "now someone listens");
}

// The process keeps its first session bus for good, so the case without any
// bus runs in a child process of this program.
TEST(NotificationCenter, WithoutASessionBusNothingHappens)
{
    if (qEnvironmentVariableIsSet("BINORAMA_NO_BUS_CHILD")) {
        EXPECT_FALSE(QDBusConnection::sessionBus().isConnected());
        NotificationCenter::showMessage("no bus", "nothing at all");
        NotificationCenter::showMessage("still no bus", "nothing at all");
        return;
    }
    QProcess child;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("BINORAMA_NO_BUS_CHILD", "1");
    env.insert("DBUS_SESSION_BUS_ADDRESS", "unix:path=/nonexistent/binorama-test-bus");
    env.remove("DISPLAY"); // no X11 autolaunch of a bus either
    child.setProcessEnvironment(env);
    child.setProcessChannelMode(QProcess::MergedChannels);
    child.start(QCoreApplication::applicationFilePath(),
                {"--gtest_filter=NotificationCenter.WithoutASessionBusNothingHappens"});
    ASSERT_TRUE(child.waitForFinished(30000));
    const QString output = QString::fromUtf8(child.readAll());
    EXPECT_EQ(child.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(child.exitCode(), 0) << output.toStdString();
    EXPECT_TRUE(output.contains("[  PASSED  ] 1 test")) << output.toStdString();
}
