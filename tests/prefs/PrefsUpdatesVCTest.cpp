#include "ui/prefs/PrefsUpdatesVC.h"

#include "core/UpdateChecker.h"
#include "platform/UserDefaults.h"
#include "support/EventLoop.h"
#include "support/ScriptedDialogAnswerer.h"
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
    EXPECT_TRUE(page.lastCheckTextField()->text().startsWith("Last checked: "));
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
