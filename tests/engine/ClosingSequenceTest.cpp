#include "engine/ClosingSequence.h"

#include "platform/UserDefaults.h"
#include "support/EventLoop.h"
#include "support/FakeMainConnections.h"
#include "support/FakeMainQueue.h"
#include "support/LogFileReader.h"
#include "support/TempHome.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QSemaphore>
#include <QThread>

#include <atomic>

namespace {

using Phase = ClosingSequence::Phase;

// A closing with fake peers; records the saves and every status text shown
// per phase, in order.
struct Closing
{
    FakeMainQueue queue;
    FakeMainConnections connections;
    ClosingSequence seq;
    QStringList saves;
    QStringList shown[3];
    std::atomic<int> queueSaves{0};
    std::atomic<bool> savedOffMain{false};
    // When set, the save state waits for it to be released.
    QSemaphore* holdSave = nullptr;
    QSemaphore saveDone;

    Closing()
    {
        seq.setQueueController(&queue);
        seq.setConnectionsController(&connections);
        ClosingSequence::Services s;
        s.saveQueue = [this] {
            savedOffMain = QThread::currentThread() != qApp->thread();
            if (holdSave) holdSave->acquire();
            ++queueSaves;
            saveDone.release();
        };
        s.saveHistory = [this] { saves << "saveHistory"; };
        s.saveWatchdogEntries = [this] { saves << "saveWatchdogEntries"; };
        s.saveStats = [this] { saves << QStringLiteral("saveStats with %1 open").arg(connections.open); };
        seq.setServices(std::move(s));
        QObject::connect(&seq, &ClosingSequence::statusChanged,
                         [this](int phase, const QString& text) { shown[phase] << text; });
    }
    ~Closing()
    {
        // A save started on the pool must end before the fixture does.
        if (!seq.statusText(ClosingSequence::SaveState).isEmpty()) {
            if (holdSave) holdSave->release();
            saveDone.acquire();
        }
    }
};

} // namespace

TEST(ClosingSequence, WithoutClosingConnectionsAllPhasesPassAndTheIndexIsWritten)
{
    TempHome home;
    UserDefaults::standard().setBool(false, "closeConnectionsOnExit");
    Closing c;
    c.connections.open = 3;
    c.seq.start();
    EXPECT_TRUE(c.connections.calls.isEmpty());
    EXPECT_EQ(c.seq.statusText(Phase::Connections), "Done");
    EXPECT_EQ(c.seq.statusText(Phase::Flushing), "Done");
    EXPECT_EQ(c.seq.statusText(Phase::SaveState), "Saving");
    EXPECT_TRUE(c.seq.cancelEnabled(Phase::SaveState));
    ASSERT_TRUE(waitUntil([&] { return c.seq.isFinished(); }, 3000));
    EXPECT_EQ(c.seq.statusText(Phase::SaveState), "Done");
    EXPECT_FALSE(c.seq.cancelEnabled(Phase::SaveState));
    EXPECT_EQ(c.queueSaves, 1);
    EXPECT_TRUE(c.savedOffMain);
    EXPECT_TRUE(c.seq.fodListExported());
    EXPECT_EQ(c.saves, QStringList({"saveHistory", "saveWatchdogEntries", "saveStats with 3 open"}));
    LogFileReader log(home.logFilePath());
    EXPECT_TRUE(log.linesWithMessage("Closing connections.").isEmpty());
}

TEST(ClosingSequence, WaitsForTheConnectionsAndSavesStatisticsAfterThem)
{
    TempHome home;
    UserDefaults::standard().setBool(true, "closeConnectionsOnExit");
    Closing c;
    c.connections.open = 2;
    c.seq.start();
    EXPECT_EQ(c.connections.calls, QStringList({"disconnectAll"}));
    EXPECT_EQ(c.seq.statusText(Phase::Connections), "Working");
    EXPECT_TRUE(c.seq.cancelEnabled(Phase::Connections));
    ASSERT_TRUE(waitUntil([&] { return c.seq.statusText(Phase::Connections) == "2"; }, 2000));
    EXPECT_FALSE(c.saves.join(",").contains("saveStats"));
    EXPECT_TRUE(c.seq.statusText(Phase::Flushing).isEmpty());

    c.connections.open = 0;
    ASSERT_TRUE(waitUntil([&] { return c.seq.isFinished(); }, 3000));
    EXPECT_EQ(c.shown[Phase::Connections], QStringList({"Working", "2", "0", "Done"}));
    EXPECT_FALSE(c.seq.cancelEnabled(Phase::Connections));
    EXPECT_EQ(c.saves.last(), "saveStats with 0 open");
    LogFileReader log(home.logFilePath());
    EXPECT_EQ(log.linesWithMessage("Closing connections.").size(), 1);
    EXPECT_EQ(log.linesContaining(" * Connections are closed after\t: ").size(), 1);
}

TEST(ClosingSequence, CancelInPhaseOneMovesOnAtOnce)
{
    TempHome home;
    UserDefaults::standard().setBool(true, "closeConnectionsOnExit");
    Closing c;
    c.connections.open = 4;
    c.seq.start();
    c.seq.cancelClosingConnections();
    EXPECT_EQ(c.seq.statusText(Phase::Connections), "Cancelled");
    EXPECT_FALSE(c.seq.cancelEnabled(Phase::Connections));
    EXPECT_EQ(c.seq.statusText(Phase::SaveState), "Saving");
    ASSERT_TRUE(waitUntil([&] { return c.seq.isFinished(); }, 3000));
    EXPECT_EQ(c.seq.statusText(Phase::Connections), "Cancelled");
    LogFileReader log(home.logFilePath());
    EXPECT_EQ(log.linesContaining(" * Cancelled closing connections after\t: ").size(), 1);
}

TEST(ClosingSequence, CancelledFlushingSavesAtOnceAndKeepsCountingTheFiles)
{
    TempHome home;
    UserDefaults::standard().setBool(false, "closeConnectionsOnExit");
    QSemaphore hold;
    Closing c;
    c.holdSave = &hold;
    c.queue.writeQueue = 3;
    c.seq.start();
    EXPECT_EQ(c.seq.statusText(Phase::Flushing), "3 files");
    EXPECT_TRUE(c.seq.statusText(Phase::SaveState).isEmpty());
    LogFileReader log(home.logFilePath());
    EXPECT_EQ(log.linesWithMessage("Waiting for remaining files to be written (3)").size(), 1);

    c.queue.writeQueue = 2;
    ASSERT_TRUE(waitUntil([&] { return c.seq.statusText(Phase::Flushing) == "2 files"; }, 2000));
    c.seq.cancelFlushingFiles();
    EXPECT_EQ(c.seq.statusText(Phase::Flushing), "Cancelled");
    EXPECT_FALSE(c.seq.cancelEnabled(Phase::Flushing));
    EXPECT_EQ(c.seq.statusText(Phase::SaveState), "Saving");
    // The flush poll goes on while files remain, then ends as cancelled.
    ASSERT_TRUE(waitUntil([&] { return c.shown[Phase::Flushing].last() == "2 files"; }, 2000));
    c.queue.writeQueue = 0;
    ASSERT_TRUE(waitUntil([&] { return c.shown[Phase::Flushing].last() == "Cancelled"; }, 2000));
    EXPECT_FALSE(c.seq.isFinished());

    hold.release();
    ASSERT_TRUE(waitUntil([&] { return c.seq.isFinished(); }, 3000));
    EXPECT_EQ(c.queueSaves, 1); // the save was started once
    EXPECT_TRUE(c.seq.fodListExported());
    // Measured from the start of the phase, not from its last poll.
    const QStringList cancelled = log.linesContaining(" * Cancelled flushing files after\t: ");
    ASSERT_EQ(cancelled.size(), 1);
    const QString seconds = cancelled[0].section(": ", -1).section(' ', 0, 0);
    EXPECT_GE(seconds.toDouble(), 0.45) << cancelled[0].toStdString();
}

TEST(ClosingSequence, CancelledSaveStateEndsAtOnceWithoutTheIndex)
{
    TempHome home;
    UserDefaults::standard().setBool(false, "closeConnectionsOnExit");
    QSemaphore hold;
    Closing c;
    c.holdSave = &hold;
    int finished = 0;
    QObject::connect(&c.seq, &ClosingSequence::finished, [&] { ++finished; });
    c.seq.start();
    spinEventLoop(600); // one poll of phase 3 without an answer
    EXPECT_EQ(c.seq.statusText(Phase::SaveState), "Saving");
    c.seq.cancelSaveState();
    EXPECT_TRUE(c.seq.isFinished());
    EXPECT_EQ(finished, 1);
    EXPECT_EQ(c.seq.statusText(Phase::SaveState), "Cancelled");
    EXPECT_FALSE(c.seq.fodListExported());
    LogFileReader log(home.logFilePath());
    EXPECT_EQ(log.linesContaining(" * Cancelled exporting SaveState after\t: ").size(), 1);

    // The save finishing later changes nothing.
    hold.release();
    c.saveDone.acquire();
    c.saveDone.release();
    spinEventLoop(700);
    EXPECT_EQ(finished, 1);
    EXPECT_FALSE(c.seq.fodListExported());
    EXPECT_EQ(c.seq.statusText(Phase::SaveState), "Cancelled");
}

TEST(ClosingSequence, CancelButtonsOutsideTheirPhaseDoNothing)
{
    TempHome home;
    UserDefaults::standard().setBool(false, "closeConnectionsOnExit");
    Closing c;
    c.seq.cancelSaveState();
    c.seq.cancelFlushingFiles();
    c.seq.cancelClosingConnections();
    EXPECT_FALSE(c.seq.isFinished());
    for (int p = 0; p < 3; ++p)
        EXPECT_TRUE(c.seq.statusText(Phase(p)).isEmpty());
}
