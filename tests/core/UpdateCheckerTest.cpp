#include "core/UpdateChecker.h"

#include "platform/UserDefaults.h"
#include "support/EventLoop.h"
#include "support/ScriptedHttpServer.h"
#include "support/TempHome.h"
#include "support/TestCertificates.h"

#include <QSignalSpy>

#include <gtest/gtest.h>

namespace {

QByteArray feed(const QList<std::pair<QByteArray, QByteArray>>& items)
{
    QByteArray xml = "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n"
                     "<rss version=\"2.0\" xmlns:sparkle=\"http://www.andymatuschak.org/xml-namespaces/sparkle\">\n"
                     "<channel><title>Binorama</title>\n";
    for (const auto& [version, relType] : items) {
        xml += "<item><title>Binorama " + version + "</title>"
               "<link>https://binorama.example/releases/" + version + "</link>";
        if (!relType.isEmpty()) xml += "<sparkle:relType>" + relType + "</sparkle:relType>";
        xml += "<enclosure url=\"https://binorama.example/dl/" + version + ".tar.xz\" sparkle:version=\"" + version +
               "\" length=\"1\" type=\"application/octet-stream\"/></item>\n";
    }
    return xml + "</channel></rss>\n";
}

class UpdateCheckerTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(certificates.isValid()) << certificates.error().toStdString();
        ASSERT_TRUE(server.startTls(certificates.serverCertificate(), certificates.serverKey()));
        checker.setFeedUrl(server.url(QStringLiteral("/appcast.xml")));
        checker.setExtraCaCertificates({certificates.caCertificate()});
        checker.setCurrentVersion(QStringLiteral("1.4.0"));
        checker.setTimeoutMs(1500);
    }

    UpdateChecker::Result check()
    {
        QSignalSpy spy(&checker, &UpdateChecker::checkFinished);
        checker.checkForUpdates(true);
        EXPECT_TRUE(waitUntil([&] { return !spy.isEmpty(); }, 10000));
        if (spy.isEmpty()) return {};
        return spy.first().first().value<UpdateChecker::Result>();
    }

    TempHome home;
    const TestCertificates& certificates = TestCertificates::shared();
    ScriptedHttpServer server;
    UpdateChecker checker;
};

TEST_F(UpdateCheckerTest, FeedDecidesBetweenUpdateAndUpToDate)
{
    struct Case
    {
        const char* name;
        QByteArray feed;
        bool betas;
        UpdateChecker::Outcome outcome;
        QString offered;
    };
    const Case cases[] = {
        {"newer release offered", feed({{"1.5.0", ""}}), false, UpdateChecker::Outcome::UpdateAvailable, "1.5.0"},
        {"numeric compare", feed({{"1.10", ""}}), false, UpdateChecker::Outcome::UpdateAvailable, "1.10"},
        {"same version", feed({{"1.4.0", ""}}), false, UpdateChecker::Outcome::UpToDate, "1.4.0"},
        {"older version", feed({{"1.3.9", ""}}), false, UpdateChecker::Outcome::UpToDate, "1.3.9"},
        {"first item beta, betas off", feed({{"1.6.0b1", "beta"}, {"1.5.0", ""}}), false,
         UpdateChecker::Outcome::UpToDate, ""},
        {"first item beta, betas on", feed({{"1.6.0", "beta"}, {"1.5.0", ""}}), true,
         UpdateChecker::Outcome::UpdateAvailable, "1.6.0"},
        {"empty channel", feed({}), false, UpdateChecker::Outcome::UpToDate, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        UserDefaults::standard().setBool(c.betas, QStringLiteral("checkForBetaReleases"));
        server.clearScript();
        server.route("GET", "/appcast.xml", HttpReply::text(c.feed, 200, "application/rss+xml"));
        const UpdateChecker::Result r = check();
        EXPECT_EQ(r.outcome, c.outcome) << r.error.toStdString();
        EXPECT_EQ(r.offeredVersion, c.offered);
        EXPECT_EQ(r.currentVersion, QStringLiteral("1.4.0"));
        if (c.outcome == UpdateChecker::Outcome::UpdateAvailable) {
            EXPECT_EQ(r.releasePage, QUrl(QStringLiteral("https://binorama.example/releases/") + c.offered));
        }
    }
    EXPECT_EQ(server.requestsFor("/appcast.xml").size(), qsizetype(std::size(cases)));
    EXPECT_GT(UserDefaults::standard().integerForKey(QStringLiteral("lastUpdateCheckTime")), 0);
}

TEST_F(UpdateCheckerTest, FailuresAreReportedNotTakenAsUpToDate)
{
    // Each case: how the feed is reached or what it says, and a piece of the
    // reason the user reads.
    struct Case
    {
        const char* name;
        std::function<void()> arrange;
        QString reasonPart;
    };
    TestCertificates otherCa;
    ScriptedHttpServer plain;
    ASSERT_TRUE(plain.start());
    plain.route("GET", "/appcast.xml", HttpReply::text(feed({{"9.0", ""}})));
    const Case cases[] = {
        {"plain http refused",
         [&] { checker.setFeedUrl(plain.url(QStringLiteral("/appcast.xml"))); }, "HTTPS"},
        {"certificate of an unknown authority",
         [&] { checker.setExtraCaCertificates({otherCa.caCertificate()}); }, "certificate"},
        {"not XML", [&] { server.route("GET", "/appcast.xml", HttpReply::text("<html><body>oops")); },
         "could not be read"},
        {"XML but not a feed",
         [&] { server.route("GET", "/appcast.xml", HttpReply::text("<?xml version=\"1.0\"?><plist/>")); },
         "could not be read"},
        {"server error", [&] { server.route("GET", "/appcast.xml", HttpReply::errorPage(500)); }, "500"},
        {"time-out",
         [&] { server.route("GET", "/appcast.xml", HttpReply::text(feed({{"9.0", ""}})).withDelay(4000)); },
         "within"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        checker.setFeedUrl(server.url(QStringLiteral("/appcast.xml")));
        checker.setExtraCaCertificates({certificates.caCertificate()});
        server.clearScript();
        c.arrange();
        const UpdateChecker::Result r = check();
        EXPECT_EQ(r.outcome, UpdateChecker::Outcome::Failed);
        EXPECT_TRUE(r.error.contains(c.reasonPart, Qt::CaseInsensitive)) << r.error.toStdString();
        EXPECT_TRUE(r.item.isEmpty());
    }
    EXPECT_EQ(plain.requestCount(), 0) << "nothing may be asked over plain http";
    EXPECT_EQ(UserDefaults::standard().integerForKey(QStringLiteral("lastUpdateCheckTime")), 0)
        << "a failed check does not count as the day's check";
}

TEST(UpdateCheckerRules, DailyCheckIsDueOnceADayWhileSwitchedOn)
{
    TempHome home;
    constexpr qint64 now = 1'800'000'000;
    constexpr qint64 day = UpdateChecker::kCheckIntervalSeconds;
    struct Case
    {
        bool enabled;
        qint64 lastCheck; // 0: never
        bool due;
    };
    const Case cases[] = {{true, 0, true},         {true, now - day, true}, {true, now - day + 60, false},
                          {true, now, false},      {false, 0, false},       {false, now - 2 * day, false},
                          {true, now + day, true}};
    for (const Case& c : cases) {
        UserDefaults::standard().setBool(c.enabled, QStringLiteral("checkForUpdates"));
        UserDefaults::standard().setInteger(c.lastCheck, QStringLiteral("lastUpdateCheckTime"));
        EXPECT_EQ(UpdateChecker::automaticCheckIsDue(now), c.due) << c.enabled << " " << c.lastCheck;
    }
}

TEST(UpdateCheckerRules, VersionsCompareByNumber)
{
    struct Case
    {
        const char* a;
        const char* b;
        int sign;
    };
    const Case cases[] = {{"1.10", "1.9", 1}, {"1.4.0", "1.4", 1}, {"1.4", "1.4", 0}, {"0.9.9", "1.0", -1},
                          {"2", "10", -1}};
    for (const Case& c : cases) {
        const int cmp = UpdateChecker::compareVersions(QString::fromLatin1(c.a), QString::fromLatin1(c.b));
        EXPECT_EQ((cmp > 0) - (cmp < 0), c.sign) << c.a << " vs " << c.b;
    }
}

TEST(UpdateCheckerRules, ReleasePageIsAlwaysAWebPage)
{
    const auto pageOf = [](const char* link) {
        AppcastItem item;
        item.propertiesDictionary.insert(QStringLiteral("link"), QString::fromLatin1(link));
        return UpdateChecker::releasePageOfItem(item).toString();
    };
    EXPECT_EQ(pageOf("https://binorama.example/r/2.0"), QStringLiteral("https://binorama.example/r/2.0"));
    EXPECT_EQ(pageOf("file:///etc/passwd"), QStringLiteral("https://binorama.example"));
    EXPECT_EQ(pageOf("javascript:alert(1)"), QStringLiteral("https://binorama.example"));
}

} // namespace
