#include "core/DisplayController.h"

#include "core/AppcastItem.h"
#include "platform/UserDefaults.h"
#include "support/FakeMainQueue.h"
#include "support/TempHome.h"

#include <gtest/gtest.h>

#include <limits>

TEST(DisplayController, SpeedTextStepsAreDecimalAndStrict)
{
    struct Case
    {
        double value;
        const char* bytesNumber;
        const char* bytesUnit;
        const char* bitsUnit;
    };
    const Case cases[] = {
        {0, "", "Bps", "bps"},          {1, "1.0", "Bps", "bps"},           {1000, "1000.0", "Bps", "bps"},
        {1001, "1.0", "KBps", "Kbps"},  {999999, "1000.0", "KBps", "Kbps"}, {1e6, "1000.0", "KBps", "Kbps"},
        {2.5e6, "2.5", "MBps", "Mbps"}, {1e9, "1000.0", "MBps", "Mbps"},    {3.25e9, "3.2", "GBps", "Gbps"},
        {-5, "", "Bps", "bps"},
    };
    for (const Case& c : cases) {
        const auto bytes = DisplayController::speedText(c.value, true);
        const auto bits = DisplayController::speedText(c.value, false);
        EXPECT_EQ(bytes.number, c.bytesNumber) << c.value;
        EXPECT_EQ(bytes.unit, c.bytesUnit) << c.value;
        EXPECT_EQ(bits.number, c.bytesNumber) << c.value;
        EXPECT_EQ(bits.unit, c.bitsUnit) << c.value;
    }
}

TEST(DisplayController, SecondsToTimeCases)
{
    const std::pair<qint32, const char*> cases[] = {
        {-1, ""},
        {0, ""},
        {59, "00:00:59"},
        {3600, "01:00:00"},
        {432309, "120:05:09"},
        {3599999, "999:59:59"},
        {3600000, "99:59:59"},
        {std::numeric_limits<qint32>::max(), "99:59:59"},
    };
    for (const auto& [seconds, text] : cases)
        EXPECT_EQ(DisplayController::secondsToTime(seconds), text) << seconds;
}

TEST(DisplayController, EachSecondShowsSpeedFilesAndTimeLeftFromThePreviousCount)
{
    TempHome home;
    UserDefaults::standard().setBool(false, "showMegaBytesPerSecond");
    FakeMainQueue queue;
    queue.bytesPerSecond = 1000;
    queue.leftToDownload = 50000;
    queue.leftToUpload = 10000;
    queue.files = 3;
    // The recount lowers the bytes left; the estimate still uses the figure
    // read before it.
    queue.afterRecount = {true, 3, 1};
    DisplayController display;
    display.oneSecondTimer()->stop();
    display.setQueueController(&queue);
    QList<qint64> graph;
    display.setViewBandwidth([&](qint64 v) { graph << v; });

    display.calculateBandwidth();
    const QVariantMap& data = display.displayData();
    EXPECT_EQ(data.value("bandwidth").toString(), "8.0");
    EXPECT_EQ(data.value("bandwidthUnit").toString(), "Kbps");
    EXPECT_EQ(data.value("totalfiles").toString(), "3");
    EXPECT_EQ(data.value("timeleft").toString(), "00:01:00");
    EXPECT_EQ(graph, QList<qint64>({8000}));
    EXPECT_EQ(queue.calls, QStringList({"getTotalFilesInQueue"}));

    UserDefaults::standard().setBool(true, "showMegaBytesPerSecond");
    display.updateBandwidthTextField();
    EXPECT_EQ(data.value("bandwidth").toString(), "1000.0");
    EXPECT_EQ(data.value("bandwidthUnit").toString(), "Bps");
}

TEST(DisplayController, EmptyQueueClearsFilesAndTimeButKeepsTheSpeed)
{
    TempHome home;
    UserDefaults::standard().setBool(true, "showMegaBytesPerSecond");
    FakeMainQueue queue;
    queue.bytesPerSecond = 2.5e6;
    queue.files = 2;
    queue.leftToDownload = 5e6;
    DisplayController display;
    display.oneSecondTimer()->stop();
    display.setQueueController(&queue);
    QStringList changes;
    QObject::connect(&display, &DisplayController::displayDataChanged,
                     [&](const QString& key, const QString& value) { changes << key + "=" + value; });
    display.calculateBandwidth();
    EXPECT_EQ(display.displayData().value("timeleft").toString(), "00:00:02");

    queue.files = 0;
    changes.clear();
    display.calculateBandwidth();
    EXPECT_EQ(display.displayData().value("totalfiles").toString(), "");
    EXPECT_EQ(display.displayData().value("timeleft").toString(), "");
    EXPECT_EQ(display.displayData().value("bandwidth").toString(), "2.5");
    EXPECT_EQ(display.displayData().value("bandwidthUnit").toString(), "MBps");
    // Only what changed is announced.
    EXPECT_EQ(changes, QStringList({"totalfiles=", "timeleft="}));
}

TEST(DisplayController, NoSpeedOrAnEndlessEstimateIsShownSafely)
{
    TempHome home;
    struct Case
    {
        double speed;
        double left;
        const char* timeLeft;
    };
    const Case cases[] = {
        {0, 1e9, ""},
        {std::numeric_limits<double>::quiet_NaN(), 1e9, ""},
        {40, 1e11, "99:59:59"}, // 2.5e9 seconds does not fit 32 bits
        {1e9, 0, ""},
    };
    for (const Case& c : cases) {
        FakeMainQueue queue;
        queue.bytesPerSecond = c.speed;
        queue.leftToDownload = c.left;
        queue.files = 1;
        DisplayController display;
        display.oneSecondTimer()->stop();
        display.setQueueController(&queue);
        display.calculateBandwidth();
        EXPECT_EQ(display.displayData().value("timeleft").toString(), c.timeLeft) << c.speed << " " << c.left;
        EXPECT_EQ(display.displayData().value("totalfiles").toString(), "1");
    }
}

TEST(DisplayController, TimerTicksEverySecondWithoutAQueueSafely)
{
    TempHome home;
    DisplayController display;
    EXPECT_TRUE(display.oneSecondTimer()->isActive());
    EXPECT_EQ(display.oneSecondTimer()->interval(), 1000);
    display.calculateBandwidth(); // no queue yet: nothing to read
    EXPECT_EQ(display.displayData().value("totalfiles").toString(), "");
}

TEST(AppcastItem, OnlyTheFirstItemCountsAndPreReleasesNeedTheirSetting)
{
    TempHome home;
    auto item = [](const char* relType, const char* version) {
        AppcastItem i;
        i.propertiesDictionary.insert("sparkle:version", version);
        if (*relType) i.propertiesDictionary.insert("sparkle:relType", relType);
        return i;
    };
    struct Case
    {
        const char* firstType;
        bool beta;
        bool alpha;
        const char* chosen; // "" = no update
    };
    const Case cases[] = {
        {"", false, false, "2"},     {"beta", false, false, ""},     {"beta", true, false, "2"},
        {"alpha", false, false, ""}, {"alpha", false, true, "2"},    {"alpha", true, false, ""},
        {"beta", false, true, ""},   {"release", false, false, "2"},
    };
    for (const Case& c : cases) {
        UserDefaults::standard().setBool(c.beta, "checkForBetaReleases");
        UserDefaults::standard().setBool(c.alpha, "checkForAlphaReleases");
        const AppcastItem chosen =
            AppcastItem::bestValidUpdateInAppcast({item(c.firstType, "2"), item("", "1")});
        EXPECT_EQ(chosen.propertiesDictionary.value("sparkle:version").toString(), c.chosen) << c.firstType;
        EXPECT_EQ(chosen.isEmpty(), *c.chosen == 0);
    }
    EXPECT_TRUE(AppcastItem::bestValidUpdateInAppcast({}).isEmpty());
}
