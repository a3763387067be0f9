// News servers that fail or misbehave on purpose, with the engine as the
// program wires it: a server that resets every body, sends bodies far larger
// than their articles or without a line end, drips a body a byte at a time,
// refuses or garbles its greeting, or is not listening yet. Whatever it does,
// the file comes exact from a server that has it, or the job stops with its
// reason; memory stays bounded, a failing server is not hammered, and
// quitting does not wait for it.

#include "EngineEndToEnd.h"

#include "nntp/ConnectionsController.h"
#include "nntp/NNTPServersController.h"
#include "nntp/TVConnectionsObject.h"
#include "platform/UserDefaults.h"
#include "queue/QCodeClass.h"
#include "queue/QueueController.h"
#include "queue/StatusCodes.h"

#include "support/EventLoop.h"
#include "support/NntpRule.h"
#include "support/ProcessMemory.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>

#include <gtest/gtest.h>

namespace {

// What a job may add to the process at its peak. Measured from the size at
// the start of the case: a sanitizer build starts at about 100 MiB.
constexpr long kMemoryBoundKiB = 128 * 1024;

class HostileServers : public EngineEndToEnd
{
protected:
    void SetUp() override
    {
        EngineEndToEnd::SetUp();
        // Each case measures its own peak.
        ProcessMemory::resetPeak();
        startKiB = ProcessMemory::statusKiB("VmRSS:");
    }

    long startKiB = 0;

    void expectPeakUnderBound() const
    {
        const long peak = ProcessMemory::statusKiB("VmHWM:");
        EXPECT_LT(peak - startKiB, kMemoryBoundKiB)
            << "peak " << peak / 1024 << " MiB, " << (peak - startKiB) / 1024 << " MiB more than at the start";
    }

    QueuePtr importJob(const QList<PostedFile>& files)
    {
        return import(writeNzb(files, QStringLiteral("Holiday Pictures")));
    }

    // A job of one file without recovery files ends as soon as it is
    // finished: its code is looked for among those it reported.
    bool waitUntilFinished(const QueuePtr& job, int ms = 30000) { return waitForCode(job, JobStatus::Finished, ms); }

    void expectExact(const QueuePtr& job, const PostedFile& f)
    {
        const QByteArray written = fileBytes(QDir(job->downloadUrl()).filePath(f.name));
        EXPECT_EQ(written.size(), f.data.size()) << f.name.toStdString();
        EXPECT_TRUE(written == f.data) << f.name.toStdString() << " differs from the posted file";
    }

    // What the rows of a server's slots show now.
    QStringList rowTexts(const QString& alias) const
    {
        NNTPServersController* list = engine->nntpServersController();
        QStringList texts;
        for (const NNTPServerObjectPtr& slot : list->normalServersArray() + list->backupServersArray())
            if (slot->alias() == alias && slot->uiConnectionObject())
                texts.append(slot->uiConnectionObject()->lastresponse());
        return texts;
    }

    // Every BODY answered with `bytes` of filler and then the terminator.
    static NntpRule endlessBody(qint64 bytes, NntpRule::Fill fill)
    {
        return NntpRule::on("BODY")
            .replyRaw("222 0 <x> body follows\r\n")
            .thenStream(bytes, fill, fill == NntpRule::Fill::Lines ? ".\r\n" : "\r\n.\r\n");
    }

    static std::string describe(const QueuePtr& job)
    {
        return "status " + std::to_string(job->status()) + " " + job->commentTextField().toStdString();
    }
};

// A server that drops every body halfway is tried on each article at most
// three times, and the article comes from the server that has it, which is
// asked as if nothing had failed before: a failure on one server is no
// failure on another. The good server starts late, so that it first asks
// for an article the other has failed three times.
TEST_F(HostileServers, AnArticleOneServerKeepsDroppingComesWholeFromTheNextServer)
{
    ScriptedNntpServer& dropping = addServer(QStringLiteral("Dropping"), 1);
    ScriptedNntpServer& good = addServer(QStringLiteral("Good"), 1);
    const PostedFile photos = PostedFile::make(QStringLiteral("photos.bin"), 120000, 40000, 51);
    serve(dropping, photos);
    serve(good, photos);
    dropping.addRule(NntpRule::on("BODY").resetHalfway());
    // Its fourth connection hangs in the greeting: the article waits for the
    // good server then.
    dropping.addRule(NntpRule::on(NntpRule::kGreeting).onConnection(4).goSilent());
    good.addRule(NntpRule::on(NntpRule::kGreeting).delay(1500));

    const QueuePtr job = importJob({photos});
    ASSERT_TRUE(job);
    ASSERT_TRUE(waitUntilFinished(job)) << describe(job);
    expectExact(job, photos);
    for (qsizetype i = 0; i < photos.mids.size(); ++i) {
        EXPECT_EQ(good.bodyRequests(photos.bracketedMid(i)), 1) << i;
        EXPECT_LE(dropping.bodyRequests(photos.bracketedMid(i)), 3) << i;
    }
    EXPECT_FALSE(fileBytes(home.logFilePath()).contains("counted as missing there"));
}

// The same with the good server a backup server: it is asked only once the
// first server has failed the article three times, and is then asked as
// freshly as any server.
TEST_F(HostileServers, AnArticleTheMainServerKeepsDroppingComesWholeFromTheBackupServer)
{
    ScriptedNntpServer& main = addServer(QStringLiteral("Main"), 2);
    ScriptedNntpServer& backup = addServer(QStringLiteral("Backup"), 1, true);
    const PostedFile photos = PostedFile::make(QStringLiteral("photos.bin"), 80000, 40000, 52);
    serve(main, photos);
    serve(backup, photos);
    // The first article is missing on the main server, which says so only
    // after the second has been dropped three times; the whole file then
    // goes to the backup.
    main.addRule(NntpRule::on("BODY").withArgument(photos.bracketedMid(0)).delay(1500).reply(430, "No such article"));
    main.addRule(NntpRule::on("BODY").withArgument(photos.bracketedMid(1)).resetHalfway());
    main.addRule(NntpRule::on(NntpRule::kGreeting).onConnection(5).goSilent());

    const QueuePtr job = importJob({photos});
    ASSERT_TRUE(job);
    ASSERT_TRUE(waitUntilFinished(job)) << describe(job);
    expectExact(job, photos);
    EXPECT_EQ(backup.bodyRequests(photos.bracketedMid(0)), 1);
    EXPECT_EQ(backup.bodyRequests(photos.bracketedMid(1)), 1);
    EXPECT_LE(main.bodyRequests(photos.bracketedMid(1)), 3);
}

// Bodies far longer than their articles of 40 KB on one server: 300 MB in
// lines, or 200 MB without a line end on four connections. Each is given up
// there as soon as it is longer than its article can be, its buffer
// returned, and the article comes from the other server. Nothing near the
// size of such a body is ever held.
struct EndlessBody
{
    const char* name;
    qint64 bytes;
    NntpRule::Fill fill;
    qint64 connections;
};

class EndlessBodies : public HostileServers, public ::testing::WithParamInterface<EndlessBody>
{};

TEST_P(EndlessBodies, AreGivenUpAtTheirBoundAndTheFileComesFromTheOtherServer)
{
    ScriptedNntpServer& endless = addServer(QStringLiteral("Endless"), GetParam().connections);
    ScriptedNntpServer& good = addServer(QStringLiteral("Good"), 2);
    const PostedFile photos = PostedFile::make(QStringLiteral("photos.bin"), 200000, 40000, 53);
    serve(good, photos);
    endless.addRule(endlessBody(GetParam().bytes, GetParam().fill));

    const QueuePtr job = importJob({photos});
    ASSERT_TRUE(job);
    const bool finished = waitUntilFinished(job);
    expectPeakUnderBound();
    ASSERT_TRUE(finished) << describe(job);
    expectExact(job, photos);
    EXPECT_FALSE(fileBytes(home.logFilePath()).contains("kept as received"));
}

INSTANTIATE_TEST_SUITE_P(Bodies, EndlessBodies,
                         ::testing::Values(EndlessBody{"Oversized", 300LL << 20, NntpRule::Fill::Lines, 2},
                                           EndlessBody{"NoLineEnd", 200LL << 20, NntpRule::Fill::NoLineEnd, 4}),
                         [](const ::testing::TestParamInfo<EndlessBody>& info) { return info.param.name; });

// With no other server, the job stops as incomplete instead of finishing
// with the file zero-filled where the articles were.
TEST_F(HostileServers, OversizedBodiesOnTheOnlyServerStopTheJobAsIncomplete)
{
    ScriptedNntpServer& huge = addServer(QStringLiteral("Huge"), 2);
    const PostedFile photos = PostedFile::make(QStringLiteral("photos.bin"), 80000, 40000, 54);
    huge.addRule(endlessBody(300LL << 20, NntpRule::Fill::Lines));

    const QueuePtr job = importJob({photos});
    ASSERT_TRUE(job);
    const bool stopped = waitForCode(job, JobStatus::PausedPossiblyIncomplete, 30000);
    expectPeakUnderBound();
    ASSERT_TRUE(stopped) << describe(job);
    EXPECT_TRUE(job->isMissing());
    EXPECT_FALSE(codesOf(job).contains(JobStatus::Finished));
    EXPECT_FALSE(fileBytes(home.logFilePath()).contains("kept as received"));
}

// A greeting of 200 MB without a line end: the server is tried again after
// a growing wait, not at once, and its row says what fails. Counted at the
// server over six seconds: the first two connections, then one try after
// 1 s, 2 s and 4 s at most.
TEST_F(HostileServers, AServerWhoseGreetingNeverEndsIsTriedAgainAfterAGrowingWait)
{
    ScriptedNntpServer& endless = addServer(QStringLiteral("Endless"), 2);
    ScriptedNntpServer& good = addServer(QStringLiteral("Good"), 1);
    const PostedFile photos = PostedFile::make(QStringLiteral("photos.bin"), 80000, 40000, 56);
    serve(good, photos);
    // The good server holds the last article back, so that work remains
    // for the whole measurement.
    good.addRule(NntpRule::on("BODY").withArgument(photos.bracketedMid(1)).delay(6500));
    endless.addRule(NntpRule::on(NntpRule::kGreeting)
                        .replyRaw("200 ")
                        .thenStream(200LL << 20, NntpRule::Fill::NoLineEnd, "\r\n"));

    const QueuePtr job = importJob({photos});
    ASSERT_TRUE(job);
    QElapsedTimer clock;
    clock.start();
    spinEventLoop(6000);
    const int attempts = endless.connectionsOpened();
    const qint64 seconds = std::max<qint64>(1, clock.elapsed() / 1000);
    EXPECT_LE(attempts, 6) << attempts << " connections in " << seconds << " s";
    expectPeakUnderBound();
    bool said = false;
    for (const QString& text : rowTexts(QStringLiteral("Endless")))
        said = said || text.contains(QLatin1String("line end"));
    EXPECT_TRUE(said) << rowTexts(QStringLiteral("Endless")).join(u'|').toStdString();
    ASSERT_TRUE(waitUntilFinished(job)) << describe(job);
    expectExact(job, photos);
}

// A body at ten bytes a second never goes silent; it is given up once it is
// slower than any working server over the time-out, and the article comes
// from the other server.
TEST_F(HostileServers, ADrippingBodyIsGivenUpAndComesFromTheOtherServer)
{
    UserDefaults::standard().setInteger(5, QStringLiteral("tcpSocketTimeout"));
    ScriptedNntpServer& drip = addServer(QStringLiteral("Drip"), 1);
    ScriptedNntpServer& good = addServer(QStringLiteral("Good"), 1);
    const PostedFile photos = PostedFile::make(QStringLiteral("photos.bin"), 80000, 40000, 57);
    serve(drip, photos);
    serve(good, photos);
    drip.addRule(NntpRule::on("BODY").drip(100));
    // The good server answers only after the other has begun dripping.
    good.addRule(NntpRule::on(NntpRule::kGreeting).delay(500));

    const QueuePtr job = importJob({photos});
    ASSERT_TRUE(job);
    ASSERT_TRUE(waitUntilFinished(job, 25000)) << describe(job);
    expectExact(job, photos);
}

// Quitting while a connection receives a dripping body: the connections are
// closed at once, not when the body ends.
TEST_F(HostileServers, ClosingTheConnectionsDoesNotWaitForADrippingBody)
{
    ScriptedNntpServer& drip = addServer(QStringLiteral("Drip"), 2);
    const PostedFile photos = PostedFile::make(QStringLiteral("photos.bin"), 80000, 40000, 58);
    serve(drip, photos);
    drip.addRule(NntpRule::on("BODY").drip(200));

    const QueuePtr job = importJob({photos});
    ASSERT_TRUE(job);
    ConnectionsController* connections = engine->connectionsController();
    ASSERT_TRUE(waitUntil([&] { return drip.bodyRequests(photos.bracketedMid(1)) > 0; }, 10000));
    spinEventLoop(1500);
    ASSERT_GT(connections->openConnectionsNr(), 0);
    QElapsedTimer clock;
    clock.start();
    connections->applicationWillTerminate();
    connections->disconnectAll();
    ASSERT_TRUE(waitUntil([&] { return connections->openConnectionsNr() == 0; }, 10000));
    EXPECT_LT(clock.elapsed(), 3000);
}

// A server that answers its first connection with a refusal or with
// nonsense, and closes it, is connected again: the job does not wait for
// another job to come.
class RefusedGreeting : public HostileServers, public ::testing::WithParamInterface<const char*>
{};

TEST_P(RefusedGreeting, IsFollowedByAnotherConnection)
{
    ScriptedNntpServer& server = addServer(QStringLiteral("Main"), 1);
    const PostedFile photos = PostedFile::make(QStringLiteral("photos.bin"), 60000, 40000, 60);
    serve(server, photos);
    server.addRule(NntpRule::on(NntpRule::kGreeting).once().replyRaw(GetParam()).dropAfterReply());

    const QueuePtr job = importJob({photos});
    ASSERT_TRUE(job);
    ASSERT_TRUE(waitUntilFinished(job, 20000)) << describe(job);
    expectExact(job, photos);
    EXPECT_EQ(server.connectionsOpened(), 2);
}

INSTANTIATE_TEST_SUITE_P(Greetings, RefusedGreeting,
                         ::testing::Values("400 Service temporarily unavailable, try later\r\n",
                                           "502 Service unavailable\r\n", "\x16\x03\x01 hello?\r\n"));

// Nothing listens on the server's port when the job is added: the job waits
// as unreachable, says so, and goes on by itself once the server is there.
TEST_F(HostileServers, AJobWaitingForAServerThatWasNotListeningGoesOnWhenItIs)
{
    ScriptedNntpServer& later = addServer(QStringLiteral("Later"), 2);
    const quint16 port = later.port();
    later.stop();
    const PostedFile photos = PostedFile::make(QStringLiteral("photos.bin"), 80000, 40000, 64);
    serve(later, photos);

    const QueuePtr job = importJob({photos});
    ASSERT_TRUE(job);
    ASSERT_TRUE(waitForCode(job, JobStatus::NewsServerUnreachable, 10000)) << describe(job);
    spinEventLoop(2000);
    bool said = false;
    for (const QString& text : rowTexts(QStringLiteral("Later")))
        said = said || text.contains(QLatin1String("(61)"));
    EXPECT_TRUE(said) << rowTexts(QStringLiteral("Later")).join(u'|').toStdString();

    ASSERT_TRUE(later.start(port)) << later.errorString().toStdString();
    ASSERT_TRUE(waitUntilFinished(job, 20000)) << describe(job);
    expectExact(job, photos);
}

// An article the backup server dropped halfway goes back to the backup
// server, at once, instead of waiting where no server asks for it.
TEST_F(HostileServers, AnArticleTheBackupServerDroppedIsAskedOfItAgain)
{
    ScriptedNntpServer& main = addServer(QStringLiteral("Main"), 1);
    ScriptedNntpServer& backup = addServer(QStringLiteral("Backup"), 1, true);
    const PostedFile photos = PostedFile::make(QStringLiteral("photos.bin"), 160000, 40000, 65);
    const PostedFile notes = PostedFile::make(QStringLiteral("notes.dat"), 40000, 40000, 66);
    serve(main, photos);
    serve(main, notes);
    serve(backup, photos);
    const QByteArray gone = photos.bracketedMid(2);
    main.addRule(NntpRule::on("BODY").withArgument(gone).reply(430, "No such article"));
    backup.addRule(NntpRule::on("BODY").withArgument(gone).once().resetHalfway());

    const QueuePtr job = importJob({photos, notes});
    ASSERT_TRUE(job);
    ASSERT_TRUE(waitUntilFinished(job, 15000)) << describe(job);
    expectExact(job, photos);
    expectExact(job, notes);
    EXPECT_EQ(backup.bodyRequests(gone), 2);
}

} // namespace
