#include "ui/prefs/PrefsUpdatesVC.h"

#include "core/UpdateChecker.h"
#include "platform/UserDefaults.h"
#include "support/EventLoop.h"
#include "support/ScriptedDialogAnswerer.h"
#include "support/Screenshot.h"
#include "support/ScriptedHttpServer.h"
#include "support/TempHome.h"
#include "support/TestCertificates.h"

#include <gtest/gtest.h>

#include <QLabel>
#include <QPushButton>

namespace {

QByteArray feedOffering(const QByteArray& version)
{
    return "<?xml version=\"1.0\"?><rss version=\"2.0\" "
           "xmlns:sparkle=\"http://www.andymatuschak.org/xml-namespaces/sparkle\"><channel><title>Binorama</title>"
           "<item><title>Binorama " + version + "</title><link>https://binorama.example/releases/" + version +
           "</link><sparkle:version>" + version + "</sparkle:version></item></channel></rss>";
}

} // namespace

TEST(PrefsUpdates, CheckNowTellsTheUserWhatTheFeedSays)
{
    TempHome home;
    ScriptedDialogAnswerer dialogs;
    const TestCertificates& certificates = TestCertificates::shared();
    ScriptedHttpServer server;
    ASSERT_TRUE(server.startTls(certificates.serverCertificate(), certificates.serverKey()));
    UpdateChecker checker;
    checker.setFeedUrl(server.url(QStringLiteral("/appcast.xml")));
    checker.setExtraCaCertificates({certificates.caCertificate()});
    checker.setCurrentVersion(QStringLiteral("1.0"));
    checker.setTimeoutMs(2000);
    PrefsUpdatesVC page(PrefsContext{}, nullptr, &checker);
    auto* button = page.findChild<QPushButton*>("btnCheckForUpdates");
    ASSERT_NE(button, nullptr);
    EXPECT_EQ(page.lastCheckTextField()->text(), "Not checked yet.");

    struct Case
    {
        const char* name;
        HttpReply reply;
        QString title;
        QString infoPart;
    };
    const Case cases[] = {
        {"newer", HttpReply::text(feedOffering("1.1")), "A new version of Binorama is available!",
         "Binorama 1.1 is now available (you have 1.0)"},
        {"same", HttpReply::text(feedOffering("1.0")), "You're up-to-date!",
         "Binorama 1.0 is currently the newest version available."},
        {"broken feed", HttpReply::text("<rss><channel><item>"), "Update Error!", "could not be read"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        server.clearScript();
        server.route("GET", "/appcast.xml", c.reply);
        // "No" to opening the release page: no browser in a test.
        dialogs.script({DialogBoxes::kSecondButton});
        const qsizetype before = dialogs.asked().size();
        button->click();
        EXPECT_FALSE(button->isEnabled()) << "one check at a time";
        ASSERT_TRUE(waitUntil([&] { return dialogs.asked().size() > before; }, 10000));
        EXPECT_EQ(dialogs.askedTitles().last(), c.title);
        EXPECT_TRUE(dialogs.asked().last().info.contains(c.infoPart)) << dialogs.asked().last().info.toStdString();
        EXPECT_TRUE(waitUntil([&] { return button->isEnabled(); }));
    }
    // The last of them failed, after two that were made.
    const QString shown = page.lastCheckTextField()->text();
    EXPECT_TRUE(shown.startsWith("Last check: ")) << shown.toStdString();
    EXPECT_TRUE(shown.contains("could not be read")) << shown.toStdString();
    EXPECT_TRUE(shown.contains("\nLast successful check: ")) << shown.toStdString();
}

TEST(PrefsUpdates, ADailyCheckSpeaksOnlyOfANewVersion)
{
    TempHome home;
    ScriptedDialogAnswerer dialogs;
    const TestCertificates& certificates = TestCertificates::shared();
    ScriptedHttpServer server;
    ASSERT_TRUE(server.startTls(certificates.serverCertificate(), certificates.serverKey()));
    UpdateChecker checker;
    checker.setFeedUrl(server.url(QStringLiteral("/appcast.xml")));
    checker.setExtraCaCertificates({certificates.caCertificate()});
    checker.setCurrentVersion(QStringLiteral("1.0"));
    PrefsUpdatesVC page(PrefsContext{}, nullptr, &checker);
    int finished = 0;
    QObject::connect(&checker, &UpdateChecker::checkFinished, [&] { ++finished; });

    server.route("GET", "/appcast.xml", HttpReply::text(feedOffering("1.0")));
    checker.checkForUpdates(false);
    ASSERT_TRUE(waitUntil([&] { return finished == 1; }, 10000));
    server.route("GET", "/appcast.xml", HttpReply::errorPage(503));
    checker.checkForUpdates(false);
    ASSERT_TRUE(waitUntil([&] { return finished == 2; }, 10000));
    EXPECT_TRUE(dialogs.asked().isEmpty());

    dialogs.script({DialogBoxes::kSecondButton});
    server.route("GET", "/appcast.xml", HttpReply::text(feedOffering("2.0")));
    checker.checkForUpdates(false);
    ASSERT_TRUE(waitUntil([&] { return finished == 3; }, 10000));
    EXPECT_EQ(dialogs.askedTitles(), QStringList{"A new version of Binorama is available!"});
}

// The page tells when the last check was made and how it ended, also when
// it failed (a failed check does not count as checked for the daily rule);
// a page opened after the check shows it as well.
TEST(PrefsUpdates, ThePageShowsTheLastChecksTimeAndOutcome)
{
    TempHome home;
    ScriptedDialogAnswerer dialogs;
    const TestCertificates& certificates = TestCertificates::shared();
    ScriptedHttpServer server;
    ASSERT_TRUE(server.startTls(certificates.serverCertificate(), certificates.serverKey()));
    const QUrl feed = server.url(QStringLiteral("/appcast.xml"));
    server.stop(); // nothing answers there now
    UpdateChecker checker;
    checker.setFeedUrl(feed);
    checker.setExtraCaCertificates({certificates.caCertificate()});
    checker.setCurrentVersion(QStringLiteral("1.0"));
    checker.setTimeoutMs(5000);
    int finished = 0;
    QObject::connect(&checker, &UpdateChecker::checkFinished, [&] { ++finished; });
    PrefsUpdatesVC page(PrefsContext{}, nullptr, &checker);
    EXPECT_EQ(page.lastCheckTextField()->text(), "Not checked yet.");

    // The daily check fails silently, and the page says so.
    checker.checkForUpdates(false);
    ASSERT_TRUE(waitUntil([&] { return finished == 1; }, 10000));
    EXPECT_TRUE(dialogs.asked().isEmpty());
    const QString failed = page.lastCheckTextField()->text();
    EXPECT_TRUE(failed.startsWith("Last check: ")) << failed.toStdString();
    EXPECT_TRUE(failed.contains(" — failed: ")) << failed.toStdString();
    EXPECT_TRUE(failed.contains("Connection refused")) << failed.toStdString();
    EXPECT_TRUE(failed.endsWith("\nNo check has succeeded yet.")) << failed.toStdString();
    EXPECT_EQ(UserDefaults::standard().integerForKey(QStringLiteral("lastUpdateCheckTime")), 0);

    // "Check Now" fails too: the user is told, and the page keeps saying so.
    dialogs.script({DialogBoxes::kFirstButton});
    page.findChild<QPushButton*>("btnCheckForUpdates")->click();
    ASSERT_TRUE(waitUntil([&] { return finished == 2; }, 10000));
    EXPECT_EQ(dialogs.askedTitles(), QStringList{"Update Error!"});
    EXPECT_TRUE(page.lastCheckTextField()->text().contains(" — failed: ")) << page.lastCheckTextField()->text().toStdString();
    page.resize(560, 320);
    page.show();
    spinEventLoop(50);
    saveScreenshot(page.grab().toImage(), "prefs-updates-failed-check.png");

    // A page opened later shows the same.
    PrefsUpdatesVC later(PrefsContext{}, nullptr, &checker);
    EXPECT_EQ(later.lastCheckTextField()->text(), page.lastCheckTextField()->text());

    // Once a check succeeds, its outcome, and a failure after it names it.
    ScriptedHttpServer up;
    ASSERT_TRUE(up.startTls(certificates.serverCertificate(), certificates.serverKey()));
    up.route("GET", "/appcast.xml", HttpReply::text(feedOffering("1.0")));
    checker.setFeedUrl(up.url(QStringLiteral("/appcast.xml")));
    checker.checkForUpdates(false);
    ASSERT_TRUE(waitUntil([&] { return finished == 3; }, 10000));
    EXPECT_TRUE(page.lastCheckTextField()->text().startsWith("Last checked: ")) << page.lastCheckTextField()->text().toStdString();
    EXPECT_TRUE(page.lastCheckTextField()->text().endsWith(" — 1.0 is the newest version."))
        << page.lastCheckTextField()->text().toStdString();
    up.route("GET", "/appcast.xml", HttpReply::errorPage(503));
    checker.checkForUpdates(false);
    ASSERT_TRUE(waitUntil([&] { return finished == 4; }, 10000));
    EXPECT_TRUE(page.lastCheckTextField()->text().contains("\nLast successful check: "))
        << page.lastCheckTextField()->text().toStdString();
}
