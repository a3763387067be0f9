#include "core/SettingsRegistration.h"

#include "platform/UserDefaults.h"
#include "support/TempHome.h"

#include <gtest/gtest.h>

#include <QColor>

namespace {
SettingsRegistration::Environment env16GiB()
{
    SettingsRegistration::Environment e;
    e.appSupportPath = "/home/u/.local/share/Binorama";
    e.documentsPath = "/home/u/Documents";
    e.downloadsPath = "/home/u/Downloads";
    e.desktopPath = "/home/u/Desktop";
    e.applicationsPath = "/home/u/.local/share/applications";
    e.physicalMemoryBytes = 16ull << 30;
    return e;
}
} // namespace

TEST(SettingsRegistration, DefaultsFromEveryTable)
{
    const QVariantMap d = SettingsRegistration::registeredDefaults(env16GiB());
    EXPECT_EQ(d.value("maxMemLimit").typeId(), QMetaType::Float);
    EXPECT_FLOAT_EQ(d.value("maxMemLimit").toFloat(), 8.0f);
    EXPECT_FLOAT_EQ(d.value("maxMemResume").toFloat(), 4.0f);
    EXPECT_EQ(d.value("bookMarksFilePath").toString(), "/home/u/.local/share/Binorama/bookmarks.plist");
    EXPECT_EQ(d.value("logFilePath").toString(), "/home/u/.local/share/Binorama/Binorama.log");
    for (const char* k : {"downloadPath", "moveAfterDownloadPath", "watchFolderPath", "uploadNZBExportPath"})
        EXPECT_EQ(d.value(k).toString(), "/home/u/Downloads") << k;
    EXPECT_EQ(d.value("deepLookupNZBExportPath").toString(), "/home/u/Desktop");
    EXPECT_EQ(d.value("tempFolder").toString(), "temp");
    EXPECT_EQ(d.value("textFolder").toString(), "comments");
    EXPECT_TRUE(d.value("htmlLinkAppNews").toString().endsWith("/docs/appnews.html"));
    EXPECT_TRUE(d.value("htmlLinkAppNews").toString().startsWith("https://"));

    for (const char* k : {"enableFileRepair", "closeConnectionsOnExit", "showDialogNZBExportFinishedSuccessfull",
                          "showDialogWatchogSuggestOpenApp", "checkForUpdates"})
        EXPECT_EQ(d.value(k), QVariant(true)) << k;
    for (const char* k : {"enableWatchFolder", "enableCheckForRepairFiles", "checkForAlphaReleases",
                          "enableBandwidthThrottlingScheduler"})
        EXPECT_EQ(d.value(k), QVariant(false)) << k;

    EXPECT_EQ(d.value("lastUsedMainView").typeId(), QMetaType::LongLong);
    EXPECT_EQ(d.value("lastUsedMainView").toLongLong(), 4);
    EXPECT_EQ(d.value("maxItemsInDownloadHistory").toLongLong(), 5000);
    EXPECT_EQ(d.value("dayTag").toLongLong(), 3500);
    EXPECT_EQ(d.value("tcpBackupIdleTimeout").toLongLong(), 10);
    EXPECT_EQ(d.value("statsUsageEndDay").toLongLong(), 0);
    EXPECT_EQ(d.value("minFreeSpace").typeId(), QMetaType::Double);
    EXPECT_DOUBLE_EQ(d.value("minFreeSpace").toDouble(), 1e10);
    EXPECT_EQ(d.value("bandLimiterRangeTag").typeId(), QMetaType::Double);
    EXPECT_DOUBLE_EQ(d.value("maxBandwidthThroughPut").toDouble(), 625000.0);
    EXPECT_DOUBLE_EQ(d.value("yencMaxArticleSize").toDouble(), 384000.0);
    EXPECT_EQ(d.value("logInterval").typeId(), QMetaType::Float);
    EXPECT_EQ(d.value("saveStateWindowDelay").toFloat(), 1.0f);

    // Settings written later but never registered.
    EXPECT_FALSE(d.contains("bottomViewForcedCollapsed"));
    EXPECT_FALSE(d.contains("SplitViewMainBottomRestorePosition"));
}

TEST(SettingsRegistration, ColourDictionariesReadBackAsTheSameColours)
{
    const QVariantMap d = SettingsRegistration::registeredDefaults(env16GiB());
    const std::pair<const char*, int> dictionaries[] = {
        {"StatsBtnColorProperties", 12},      {"DeepLookupRowColorProperties", 15},
        {"QueueRowColorProperties", 12},      {"ProgressBarColorProperties", 8},
        {"DeepLookupProgressBarColorProperties", 4}, {"Par2InfoRowColorProperties", 5},
        {"FilesRowColorProperties", 6},
    };
    for (const auto& [name, count] : dictionaries)
        EXPECT_EQ(d.value(name).toMap().size(), count) << name;

    // Stored in the user's file and read back after reopening: equal colours.
    TempHome home;
    UserDefaults& u = UserDefaults::standard();
    for (const auto& [name, count] : dictionaries)
        u.setObject(d.value(name), name);
    u.synchronize();
    u.resetForTesting();
    for (const auto& [name, count] : dictionaries) {
        const QVariantMap want = d.value(name).toMap();
        const QVariantMap got = u.dictionaryForKey(name);
        ASSERT_EQ(got.size(), want.size()) << name;
        for (auto it = want.cbegin(); it != want.cend(); ++it)
            EXPECT_EQ(got.value(it.key()).value<QColor>(), it.value().value<QColor>()) << name << " " << it.key().toStdString();
    }
    const QColor repair = d.value("QueueRowColorProperties").toMap().value("repairingRowColor").value<QColor>();
    EXPECT_NEAR(repair.alphaF(), 0.2, 1e-3);
    EXPECT_NEAR(repair.blueF(), 0.894, 1e-3);
}

TEST(SettingsRegistration, RegisteredAtStartAndOverriddenByTheUser)
{
    TempHome home;
    UserDefaults& u = UserDefaults::standard();
    EXPECT_EQ(u.stringForKey("appSupportPath"), home.appSupportPath());
    EXPECT_EQ(u.stringForKey("downloadPath"), home.downloadsPath());
    EXPECT_EQ(u.integerForKey("queueCleaningTag"), 1);
    EXPECT_GT(u.floatForKey("maxMemLimit"), 0.0f);
    u.setInteger(3, "queueCleaningTag");
    EXPECT_EQ(u.integerForKey("queueCleaningTag"), 3);
    u.removeObjectForKey("queueCleaningTag");
    EXPECT_EQ(u.integerForKey("queueCleaningTag"), 1);
    EXPECT_TRUE(u.boolForKey("NSDisabledDictationMenuItem"));
    EXPECT_EQ(u.integerForKey("NSInitialToolTipDelay"), 500);
}
