#include "core/Utils.h"
#include "queue/Queue.h"

#include "platform/NotificationHub.h"
#include "platform/UserDefaults.h"
#include "support/TempHome.h"

#include <gtest/gtest.h>

#include <QDateTime>
#include <QDir>

#include <cmath>
#include <limits>

TEST(UtilsFormat, SizesAndRates)
{
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double inf = std::numeric_limits<double>::infinity();
    struct Case
    {
        QString got;
        const char* want;
    };
    const Case cases[] = {
        {Utils::formatBytes(0), "0 B"},
        {Utils::formatBytes(999), "999 B"},
        {Utils::formatBytes(1000), "1000 B"},
        {Utils::formatBytes(1001), "1.00 KB"},
        {Utils::formatBytes(1500000), "1.50 MB"},
        {Utils::formatBytes(999990000), "999.99 MB"},
        {Utils::formatBytes(nan), "0 B"},
        {Utils::formatBytes(inf), "0 B"},
        {Utils::formatBytes(3.5e38), "0 B"},
        {Utils::formatBytes(1e30), "1000000.00 YB"},
        {Utils::formatMiBytes(1024), "1024 B"},
        {Utils::formatMiBytes(1025), "1.0 KB"},
        {Utils::formatMiBytes(1572864), "1.5 MB"},
        {Utils::formatBitsPerSecond(999.9), "999 bps"},
        {Utils::formatBitsPerSecond(1000), "1.00 Kb/s"},
        {Utils::formatBitsPerSecond(2.5e12), "2500.00 Gb/s"},
        {Utils::formatBitsPerSecond(nan), "0 bps"},
        {Utils::formatBytesPerSecond(nan), "0 Bps"},
        {Utils::formatBytesPerSecond(1000), "1.00 KB/s"},
        {Utils::formatBytesPerSecond(-5), "-5 Bps"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(c.got.toStdString(), std::string(c.want));
}

TEST(UtilsFormat, AgesOfUnixTimes)
{
    const std::int64_t now = 1'800'000'000;
    struct Case
    {
        std::int64_t age;
        const char* want;
    };
    const Case cases[] = {
        {0, "0 seconds"},        {1, "1 second"},        {59, "59 seconds"},     {60, "1 minute"},
        {119, "1 minute"},       {3599, "59 minutes"},   {3600, "1 hour"},       {7200, "2 hours"},
        {86399, "23 hours"},     {86400, "1 day"},       {172800, "2 days"},     {2678400, "31 days"},
        {-500, "0 seconds"}, // a time in the future
    };
    for (const Case& c : cases)
        EXPECT_EQ(Utils::timeFormatter(now - c.age, now).toStdString(), c.want) << c.age;
    const std::int64_t old = now - 2678401;
    EXPECT_EQ(Utils::timeFormatter(old, now),
              QDateTime::fromSecsSinceEpoch(old).toString("yyyy-MM-dd"));
    // Extreme inputs stay defined.
    EXPECT_EQ(Utils::timeFormatter(std::numeric_limits<std::int64_t>::max(), now), "0 seconds");
    Utils::timeFormatter(std::numeric_limits<std::int64_t>::min(), now);
}

TEST(UtilsFormat, DatesAndClamps)
{
    const std::int64_t t = QDateTime(QDate(2026, 3, 4), QTime(5, 6, 7)).toSecsSinceEpoch();
    EXPECT_EQ(Utils::unixTimeToDate(t, true), "2026-03-04 05:06:07");
    EXPECT_EQ(Utils::unixTimeToDate(t, false), "2026-03-04 05:06");
    EXPECT_EQ(Utils::clampToInt32(std::numeric_limits<double>::quiet_NaN()), 0);
    EXPECT_EQ(Utils::clampToInt32(1e20), std::numeric_limits<std::int32_t>::max());
    EXPECT_EQ(Utils::clampToInt32(-1e20), std::numeric_limits<std::int32_t>::min());
    EXPECT_EQ(Utils::clampToInt64(std::numeric_limits<double>::infinity()), std::numeric_limits<std::int64_t>::max());
    EXPECT_EQ(Utils::clampToInt64(-12.9), -12);
}

TEST(UtilsExecute, TextFilesInTheTextFolderOpenInTheViewer)
{
    TempHome home;
    const QString comments = home.makeFolder("Downloads/job/comments");
    const QString other = home.makeFolder("Downloads/job/other");
    QStringList opened;
    Utils::setFileOpener([&](const QString& p) {
        opened << p;
        return true;
    });
    QObject owner;
    QList<QVariantMap> posted;
    NotificationHub::defaultCenter().addObserver("OpenMessagesViewer", &owner,
                                                 [&](const Notification& n) { posted << n.userInfo; });

    Utils::executeFile(comments, "READ.TXT", nullptr);
    ASSERT_EQ(posted.size(), 1);
    const QVariantMap dict = posted[0].value("dict").toMap();
    EXPECT_EQ(dict.value("filepath").toString(), QDir(comments).filePath("READ.TXT"));
    EXPECT_EQ(dict.value("filepart").toString(), "");
    EXPECT_TRUE(opened.isEmpty());
    // The viewer shows the sender and subject of the part it is given.
    const QueuePtr part = Queue::create();
    Utils::executeFile(comments, "READ.TXT", part);
    ASSERT_EQ(posted.size(), 2);
    EXPECT_EQ(posted[1].value("dict").toMap().value("filepart").value<QueuePtr>(), part);
    posted.removeLast();

    Utils::executeFile(other, "READ.TXT", nullptr);
    Utils::executeFile(other, "picture.JPG", nullptr);
    Utils::executeFile(QString(), "x.txt", nullptr);
    Utils::executeFile(other, QString(), nullptr);
    EXPECT_EQ(posted.size(), 1);
    EXPECT_EQ(opened, QStringList({QDir(other).filePath("READ.TXT"), QDir(other).filePath("picture.JPG")}));
    Utils::setFileOpener([](const QString&) { return false; });
}
