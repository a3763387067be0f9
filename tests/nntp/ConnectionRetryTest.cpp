// Retries of failing news servers by the connection manager: a growing
// wait, one connection at a time, jobs stopped only when no server can be
// reached, and going on by themselves when one can again.

#include "ConnectionManagerHarness.h"

#include "queue/StatusCodes.h"
#include "support/NntpRule.h"

namespace {

QStringList rowTextsOf(const NNTPServersController& list, const QString& alias)
{
    QStringList texts;
    for (const NNTPServerObjectPtr& slot : list.normalServersArray())
        if (slot->alias() == alias && slot->uiConnectionObject())
            texts.append(slot->uiConnectionObject()->lastresponse());
    return texts;
}

} // namespace

// A server that answers every connection "400" and closes it: after the
// first round of connections it is tried again once after 1 s, once more
// after 2 s more, and so on, never by more than one connection at a time.
TEST_F(ConnectionManager, AServerThatKeepsRefusingIsTriedAgainOneConnectionAtATimeAfterAGrowingWait)
{
    Server& a = addServer("A", 3);
    a.nntp->addRule(NntpRule::on(NntpRule::kGreeting).replyRaw("400 try later\r\n").dropAfterReply());
    const QueuePtr job = queueJob("job", 1, 2);
    serve(job, {&a});
    QElapsedTimer clock;
    clock.start();
    manager->connectAll();
    ASSERT_TRUE(waitUntil([&] { return job->status() == JobStatus::NewsServerUnreachable; }, 5000))
        << job->status();
    spinEventLoop(int(std::max<qint64>(0, 4500 - clock.elapsed())));
    // 3 at once, then at about 1 s and 3 s.
    EXPECT_GE(a.nntp->connectionsOpened(), 4);
    EXPECT_LE(a.nntp->connectionsOpened(), 6);
    EXPECT_LE(a.nntp->peakConnections(), 3);
    EXPECT_EQ(manager->retryBackoff().failures(a.entry->serverID()), 3);
    bool said = false;
    for (const QString& text : rowTextsOf(list, "A"))
        said = said || (text.startsWith(QLatin1String("Error: [400] try later (next try in ")));
    EXPECT_TRUE(said) << rowTextsOf(list, "A").join(u'|').toStdString();
    EXPECT_TRUE(job->isPaused());
}

// A server that lets one connection in and refuses the others (too many at
// once) works: jobs go on over the connection it let in, and the refused
// slots are tried again after a wait that grows however well the working
// connection does.
TEST_F(ConnectionManager, ASlotRefusedBesideAWorkingConnectionWaitsLongerEachTime)
{
    Server& a = addServer("A", 3);
    a.nntp->setConnectionLimit(1, 502, "Too many connections from your host");
    const QueuePtr job = queueJob("job", 1, 8);
    serve(job, {&a});
    // Every article takes a while, so that work remains throughout.
    a.nntp->addRule(NntpRule::on("BODY").delay(400));
    manager->connectAll();
    spinEventLoop(3300);
    // 3 at once (2 refused), then one try at about 1 s and one at about 3 s.
    EXPECT_LE(a.nntp->connectionsOpened(), 5);
    EXPECT_GE(a.nntp->refusedConnections(), 2);
    EXPECT_NE(job->status(), JobStatus::NewsServerUnreachable);
    ASSERT_TRUE(waitForBooked(job, 15000));
    EXPECT_LE(a.nntp->connectionsOpened(), 8);
}

// Waiting jobs stop as unreachable only when every server they may use is
// failing; a failure of one server among working ones stops nothing.
TEST_F(ConnectionManager, JobsStopAsUnreachableOnlyWhenNoServerCanBeReached)
{
    Server& a = addServer("A", 1);
    Server& b = addServer("B", 1);
    const QueuePtr queued = queueJob("queued", 1, 1);
    const QueuePtr running = queueJob("running", 1, 1);
    running->setStatus(JobStatus::Downloading);
    const QueuePtr other = queueJob("other", 1, 1);
    other->setStatus(JobStatus::Repairing);

    manager->connectionErrorOccurred(a.entry->serverID(), "A", 0,
                                     "StreamError (61): Possibly a wrong port number configured.");
    EXPECT_EQ(queued->status(), JobStatus::QueuedForDownload);
    EXPECT_EQ(running->status(), JobStatus::Downloading);
    EXPECT_TRUE(manager->retryBackoff().isFailing(a.entry->serverID()));

    manager->connectionErrorOccurred(b.entry->serverID(), "B", 0, "Error: [400] try later");
    EXPECT_EQ(queued->status(), JobStatus::NewsServerUnreachable);
    EXPECT_EQ(running->status(), JobStatus::NewsServerUnreachable);
    EXPECT_EQ(other->status(), JobStatus::Repairing);
}

// A job stopped as unreachable goes on by itself when the server can be
// reached again, unless the user paused it meanwhile.
TEST_F(ConnectionManager, AJobStoppedAsUnreachableGoesOnOnceAConnectionWorks)
{
    Server& a = addServer("A", 2);
    a.nntp->addRule(NntpRule::on(NntpRule::kGreeting).times(2).replyRaw("400 try later\r\n").dropAfterReply());
    const QueuePtr job = queueJob("job", 1, 3);
    const QueuePtr held = queueJob("held", 1, 1);
    serve(job, {&a});
    serve(held, {&a});
    manager->connectAll();
    ASSERT_TRUE(waitUntil([&] { return job->status() == JobStatus::NewsServerUnreachable; }, 5000));
    ASSERT_TRUE(waitUntil([&] { return held->status() == JobStatus::NewsServerUnreachable; }, 5000));
    qc.pauseQueueObject(held);
    ASSERT_TRUE(waitForBooked(job, 10000)) << job->status();
    EXPECT_EQ(held->status(), JobStatus::NewsServerUnreachable);
    EXPECT_TRUE(held->isPaused());
    EXPECT_FALSE(manager->retryBackoff().isFailing(a.entry->serverID()));
}
