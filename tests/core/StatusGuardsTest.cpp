#include "core/FreeSpaceGuard.h"
#include "core/MemoryLimiter.h"

#include "core/Utils.h"
#include "platform/UserDefaults.h"
#include "support/EventLoop.h"
#include "support/FakeMainQueue.h"
#include "support/LogFileReader.h"
#include "support/TempHome.h"

#include <gtest/gtest.h>

#include <QStorageInfo>

namespace {
constexpr double kGiB = 1073741824.0;
}

// A minute of a full disk, then space back, then full again: the stop and
// its lifting are each passed on and logged once (it once logged every
// second, 86,400 lines a day).
TEST(FreeSpaceGuard, StopsTheQueueOnceWhileLowAndLiftsTheStopOnceEachLoggedOnce)
{
    TempHome home;
    UserDefaults::standard().setDouble(1e10, "minFreeSpace");
    FakeMainQueue queue;
    FreeSpaceGuard guard;
    guard.setQueueController(&queue);

    for (int second = 0; second < 60; ++second)
        guard.applyFreeSpace(9.9e9);
    EXPECT_EQ(guard.displayText(), Utils::formatBytes(9.9e9));
    EXPECT_EQ(queue.calls, QStringList({"outOfDiskSpace 1"}));
    LogFileReader log(home.logFilePath());
    EXPECT_EQ(log.linesWithMessage("Out of free space: 9900000000.000000 - need: 10000000000.000000").size(),
              1);

    guard.applyFreeSpace(1e10); // exactly the minimum is enough
    guard.applyFreeSpace(2e10);
    EXPECT_EQ(queue.calls, QStringList({"outOfDiskSpace 1", "outOfDiskSpace 0"}));
    EXPECT_FALSE(queue.noDiskSpace());
    EXPECT_EQ(log.linesWithMessage("Free space is back: 10000000000.000000 - need: 10000000000.000000").size(),
              1);

    guard.applyFreeSpace(9.9e9);
    EXPECT_EQ(queue.calls, QStringList({"outOfDiskSpace 1", "outOfDiskSpace 0", "outOfDiskSpace 1"}));
    EXPECT_EQ(log.linesWithMessage("Out of free space: 9900000000.000000 - need: 10000000000.000000").size(),
              2);
}

TEST(FreeSpaceGuard, UnknownFileSystemShowsATildeAndLeavesTheQueueAlone)
{
    TempHome home;
    UserDefaults::standard().setDouble(1e10, "minFreeSpace");
    FakeMainQueue queue;
    FreeSpaceGuard guard;
    guard.setQueueController(&queue);
    guard.applyFreeSpace(9.9e9);
    guard.applyFreeSpace(std::nullopt);
    EXPECT_EQ(guard.displayText(), "~");
    EXPECT_EQ(queue.calls, QStringList({"outOfDiskSpace 1"}));
    EXPECT_FALSE(FreeSpaceGuard::freeSpaceAtPath(QString()).has_value());
}

TEST(FreeSpaceGuard, MeasuresTheDownloadFolderOffTheMainThreadOneMeasurementAtATime)
{
    TempHome home;
    const QString folder = home.makeFolder("dl");
    UserDefaults::standard().setObject(folder, "downloadPath");
    UserDefaults::standard().setDouble(0, "minFreeSpace");
    FakeMainQueue queue;
    FreeSpaceGuard guard;
    guard.setQueueController(&queue);
    int shown = 0;
    QObject::connect(&guard, &FreeSpaceGuard::displayTextChanged, [&](const QString&) { ++shown; });

    guard.checkFreeSpaceOnDisk();
    EXPECT_TRUE(guard.measurementInFlight());
    guard.checkFreeSpaceOnDisk(); // still measuring: not started again
    EXPECT_EQ(shown, 0);          // the answer comes through the event loop
    ASSERT_TRUE(waitUntil([&] { return !guard.measurementInFlight(); }, 3000));
    spinEventLoop(50);
    EXPECT_EQ(shown, 1);
    EXPECT_NE(guard.displayText(), "~");
    EXPECT_FALSE(guard.displayText().isEmpty());
    EXPECT_TRUE(queue.calls.isEmpty());
    const auto measured = FreeSpaceGuard::freeSpaceAtPath(folder);
    ASSERT_TRUE(measured.has_value());
    EXPECT_GT(*measured, 0);
}

TEST(MemoryLimiter, PausesOnceAboveTheLimitAndResumesOnlyAtTheResumeLevel)
{
    TempHome home;
    UserDefaults& d = UserDefaults::standard();
    d.setBool(true, "enableMaxMemLimiter");
    d.setFloat(1.0f, "maxMemLimit");
    d.setFloat(0.5f, "maxMemResume");
    FakeMainQueue queue;
    MemoryLimiter limiter;
    limiter.setQueueController(&queue);

    struct Step
    {
        double resident;
        const char* shown;
        QStringList callsAfter;
    };
    const QString pause = "setPausedDueFullWriteQueue 1";
    const QString resume = "setPausedDueFullWriteQueue 0";
    const Step steps[] = {
        {0.9 * kGiB, "90 %", {}},
        {1.0 * kGiB, "100 %", {}}, // at the limit: not above it
        {1.5 * kGiB, "150 %", {pause}},
        {1.6 * kGiB, "160 %", {pause}}, // already paused: no second log
        {0.75 * kGiB, "75 %", {pause}}, // below the limit, above the resume level
        {0.5 * kGiB, "50 %", {pause, resume}},
        {0.4 * kGiB, "40 %", {pause, resume}},
    };
    for (const Step& s : steps) {
        limiter.applyResidentSize(s.resident);
        EXPECT_EQ(limiter.displayText(), s.shown) << s.resident;
        EXPECT_EQ(queue.calls, s.callsAfter) << s.resident;
    }
    LogFileReader log(home.logFilePath());
    EXPECT_EQ(log.linesWithMessage(QStringLiteral("Max allowed memory exceeded (%1). Download paused.")
                                       .arg(Utils::formatMiBytes(kGiB)))
                  .size(),
              1);
    EXPECT_EQ(log.linesWithMessage("Acceptable memory usage. Resuming operations.").size(), 1);
}

TEST(MemoryLimiter, DoesNothingWhileSwitchedOffOrWhenTheSizeIsUnknown)
{
    TempHome home;
    UserDefaults& d = UserDefaults::standard();
    d.setBool(false, "enableMaxMemLimiter");
    d.setFloat(0.001f, "maxMemLimit");
    FakeMainQueue queue;
    MemoryLimiter limiter;
    limiter.setQueueController(&queue);
    limiter.report_memory();
    limiter.applyResidentSize(8 * kGiB);
    EXPECT_TRUE(limiter.displayText().isEmpty());
    EXPECT_TRUE(queue.calls.isEmpty());

    d.setBool(true, "enableMaxMemLimiter");
    limiter.applyResidentSize(std::nullopt);
    EXPECT_TRUE(queue.calls.isEmpty());
    // Our own process is well above one MiB.
    limiter.report_memory();
    EXPECT_EQ(queue.calls, QStringList({"setPausedDueFullWriteQueue 1"}));
    const auto resident = MemoryLimiter::residentSize();
    ASSERT_TRUE(resident.has_value());
    EXPECT_GT(*resident, 1024 * 1024);
}
