// The Watchdog scheduler under a fake clock, against the scripted search
// service on 127.0.0.1.

#include "search/WatchdogController.h"

#include "platform/UserDefaults.h"
#include "queue/Queue.h"
#include "queue/QueueController.h"
#include "search/DeepLookupSocket.h"
#include "support/DeepLookupReplyBuilder.h"
#include "support/EventLoop.h"
#include "support/ManualClock.h"
#include "support/ScriptedDialogAnswerer.h"
#include "support/ScriptedHttpServer.h"
#include "support/TempHome.h"

#include <gtest/gtest.h>

#include <QCoreApplication>

namespace {

constexpr qint64 kNow = 1700000000;
const QByteArray kPath = DeepLookupSocket::kWatchdogSearchPath.toLatin1();
using B = DeepLookupReplyBuilder;

void settle()
{
    for (int i = 0; i < 5; ++i) QCoreApplication::processEvents();
}

// A match with `files` files of two articles each.
QList<QByteArrayList> match(const QByteArray& qid, qint64 date, int files = 1)
{
    QList<QByteArrayList> rows = {B::watchdogMatch(qid, "Title " + qid, 2000 * files, date)};
    for (int f = 1; f <= files; ++f) {
        const QByteArray fid = qid + "-" + QByteArray::number(f);
        rows.append(B::watchdogFile(fid, "Title [" + QByteArray::number(f) + "] \"" + fid + ".bin\" yEnc", 2000, date));
        rows.append(B::watchdogSegment(fid + ".1@x", 1000, 1));
        rows.append(B::watchdogSegment(fid + ".2@x", 1000, 2));
    }
    return rows;
}

HttpReply reply(const QList<QList<QByteArrayList>>& matches)
{
    QList<QByteArrayList> rows = {{"INFO", "1|2|3"}};
    for (const auto& m : matches) rows.append(m);
    return HttpReply::text(HttpReply::tabLines(rows));
}

struct WatchdogScheduler : ::testing::Test
{
    TempHome home;
    ScriptedDialogAnswerer answers;
    ScriptedHttpServer server;
    ManualClock clock{kNow};
    QueueController qc;
    std::unique_ptr<WatchdogController> wc;

    void SetUp() override
    {
        ASSERT_TRUE(server.start());
        ASSERT_TRUE(DeepLookupSocket::setServiceURLForTesting(server.baseUrl()));
        server.route("POST", kPath, reply({}));
        wc = std::make_unique<WatchdogController>(clock.clock());
        wc->setQueueController(&qc);
        wc->applicationDidStartGUI();
    }
    void TearDown() override { DeepLookupSocket::setServiceURLForTesting(QUrl()); }

    // An active entry in the list, due `dueIn` seconds from now.
    WatchdogPtr add(const QString& alias, qint64 interval = 15, qint64 dueIn = 0)
    {
        WatchdogPtr w = wc->createObject();
        w->setIsNewObject(false);
        w->setAlias(alias);
        w->dpobject()->setTitle(alias);
        w->setActive(true);
        w->setInterval(interval);
        w->setLastsearch(kNow + dueIn - interval * 60);
        wc->addEntry(w);
        settle();
        return w;
    }
    // Runs the loop until no search runs.
    bool searchEnds() { return waitUntil([&] { return !wc->isSearching(); }); }
    QStringList log()
    {
        QStringList out;
        for (const WatchdogLogObj& l : wc->watchdogLogArray())
            out.append(l.watchdog->alias() + ": " + l.actionString + " " + l.matchesString);
        return out;
    }
};

TEST_F(WatchdogScheduler, TwoDueEntriesStartFiveSecondsApart)
{
    WatchdogPtr a = add(QStringLiteral("A"), 15, -20);
    WatchdogPtr b = add(QStringLiteral("B"), 15, -10);
    ASSERT_TRUE(server.waitForRequests(1));
    ASSERT_TRUE(searchEnds());
    settle();
    EXPECT_EQ(server.requestsFor(kPath).first().formValue(QStringLiteral("query")), "A");
    EXPECT_EQ(b->status(), Watchdog::Queued);
    EXPECT_EQ(b->nextsearchString(), "Delayed");
    // A ended at kNow: B waits until kNow + 5.
    EXPECT_TRUE(wc->isTimerArmed());
    EXPECT_EQ(wc->armedSeconds(), 5);
    wc->watchdogTimerFired(); // early: nothing starts
    EXPECT_FALSE(wc->isSearching());
    clock.advance(5);
    wc->watchdogTimerFired();
    EXPECT_TRUE(wc->isSearching());
    ASSERT_TRUE(server.waitForRequests(2));
    ASSERT_TRUE(searchEnds());
    EXPECT_EQ(server.requestsFor(kPath).last().formValue(QStringLiteral("query")), "B");
    settle();
    EXPECT_EQ(a->nextsearch(), kNow + 900);
    EXPECT_EQ(b->nextsearch(), kNow + 5 + 900);
    EXPECT_EQ(log(), QStringList({"B: No matches found 0", "A: No matches found 0", "B: Added new entry --",
                                  "A: Added new entry --"}));
}

TEST_F(WatchdogScheduler, SearchNowSkipsInactiveAndRunsAManualEntryOnce)
{
    WatchdogPtr manual = add(QStringLiteral("M"), 0);
    WatchdogPtr off = add(QStringLiteral("Off"), 15, 600);
    off->setActive(false);
    settle();
    EXPECT_FALSE(wc->isTimerArmed());

    wc->searchNowRequest({off});
    settle();
    EXPECT_FALSE(wc->isTimerArmed());

    wc->searchNowRequest({manual});
    EXPECT_TRUE(manual->manualScan());
    ASSERT_TRUE(server.waitForRequests(1));
    ASSERT_TRUE(searchEnds());
    settle();
    spinEventLoop(50);
    EXPECT_EQ(server.requestsFor(kPath).size(), 1);
    EXPECT_FALSE(manual->manualScan());
    EXPECT_EQ(manual->nextsearch(), 0);
    EXPECT_FALSE(wc->isTimerArmed());
}

TEST_F(WatchdogScheduler, MatchesAreQueuedAndRecorded)
{
    QList<QByteArrayList> empty = {B::watchdogMatch("Q3", "Title Q3", 5000, kNow - 10)};
    server.route("POST", kPath, reply({match("Q1", kNow - 30), match("Q2", kNow - 20, 2), empty}));
    WatchdogPtr w = add(QStringLiteral("W"));
    ASSERT_TRUE(server.waitForRequests(1));
    ASSERT_TRUE(searchEnds());
    settle();
    const QList<QueuePtr> queued = qc.queueArray();
    ASSERT_EQ(queued.size(), 2);
    EXPECT_EQ(queued[0]->qid(), "Q1");
    EXPECT_EQ(queued[1]->fileparts().size(), 2);
    EXPECT_FALSE(queued[0]->isPaused());
    ASSERT_EQ(w->history().size(), 2);
    EXPECT_EQ(w->history()[0].qid, "Q2"); // newest first
    EXPECT_EQ(w->lastmatch(), kNow);
    EXPECT_EQ(w->lastsearch(), kNow);
    EXPECT_EQ(wc->watchdogLogArray().first().actionString, "Queued to download");
    EXPECT_EQ(wc->watchdogLogArray().first().matchesString, "3");

    // Both the history and its next request carry the matches.
    WatchdogController again(clock.clock());
    ASSERT_EQ(again.watchdogArray().size(), 0); // entries are stored by the editor or at closing
    DBWatchdogHistory history;
    history.loadHistoryForWatchdog(*w);
    EXPECT_EQ(w->history().size(), 2);
    EXPECT_EQ(DeepLookupSocket::watchdogSearchBodyFor(*w, kNow).contains("oldqids=Q2,Q1&"), true);
    // A match already queued is not queued again, but still recorded.
    server.route("POST", kPath, reply({match("Q1", kNow - 30)}));
    clock.advance(900);
    w->setNextsearch(clock.now());
    ASSERT_TRUE(server.waitForRequests(2));
    ASSERT_TRUE(searchEnds());
    EXPECT_EQ(qc.queueArray().size(), 2);
    EXPECT_EQ(w->history().size(), 3);
    EXPECT_EQ(server.requestsFor(kPath).last().formValue(QStringLiteral("startdate")), QString::number(kNow));
}

TEST_F(WatchdogScheduler, ActionZeroQueuesPaused)
{
    server.route("POST", kPath, reply({match("P1", kNow)}));
    WatchdogPtr w = wc->createObject();
    w->setIsNewObject(false);
    w->setAction(0);
    w->setActive(true);
    w->setLastsearch(kNow - 900);
    wc->addEntry(w);
    ASSERT_TRUE(server.waitForRequests(1));
    ASSERT_TRUE(searchEnds());
    ASSERT_EQ(qc.queueArray().size(), 1);
    EXPECT_TRUE(qc.queueArray().first()->isPaused());
    EXPECT_EQ(wc->watchdogLogArray().first().actionString, "Queued and paused");
}

// A failed search says why in its log line, and the entry shows that its
// last search failed until one succeeds.
TEST_F(WatchdogScheduler, AFailureKeepsTheSearchWindow)
{
    server.route("POST", kPath, HttpReply::text(HttpReply::envelope({"x", "Service down", "Later"})));
    WatchdogPtr w = add(QStringLiteral("F"), 30);
    const qint64 before = w->lastsearch();
    ASSERT_TRUE(server.waitForRequests(1));
    ASSERT_TRUE(searchEnds());
    settle();
    EXPECT_EQ(w->lastsearch(), before);
    EXPECT_EQ(w->nextsearch(), kNow + 1800);
    EXPECT_EQ(w->status(), Watchdog::Idle);
    EXPECT_EQ(w->statusString(), "Last search failed");
    EXPECT_EQ(wc->watchdogLogArray().first().actionString, "* FAILED * Service down");
    EXPECT_TRUE(qc.queueArray().isEmpty());
    spinEventLoop(50);
    EXPECT_EQ(server.requestsFor(kPath).size(), 1); // no parse, no retry before the interval

    // The next try, after the interval, succeeds.
    server.route("POST", kPath, reply({}));
    clock.advance(1800);
    wc->watchdogTimerFired();
    ASSERT_TRUE(server.waitForRequests(2));
    ASSERT_TRUE(searchEnds());
    settle();
    EXPECT_EQ(w->statusString(), "Idle");
    EXPECT_EQ(wc->watchdogLogArray().first().actionString, "No matches found");
}

TEST_F(WatchdogScheduler, HistoryKeepsTheNewestHundred)
{
    QList<QList<QByteArrayList>> three = {match("N1", kNow - 3), match("N2", kNow - 2), match("N3", kNow - 1)};
    server.route("POST", kPath, reply(three));
    WatchdogPtr w = wc->createObject();
    w->setIsNewObject(false);
    for (int i = 0; i < 99; ++i) w->history().append({0, w->tag(), QStringLiteral("old%1").arg(i), "t", kNow, kNow, "1"});
    w->setActive(true);
    w->setLastsearch(kNow - 900);
    wc->addEntry(w);
    ASSERT_TRUE(server.waitForRequests(1));
    ASSERT_TRUE(searchEnds());
    ASSERT_EQ(w->history().size(), 100);
    EXPECT_EQ(w->history().first().qid, "N3");
    EXPECT_EQ(w->history().last().qid, "old96");
}

TEST_F(WatchdogScheduler, NoTimerWithoutAnActiveEntry)
{
    WatchdogPtr w = add(QStringLiteral("Later"), 60, 3600);
    EXPECT_TRUE(wc->isTimerArmed());
    // A long wait is re-measured against the clock, never armed whole.
    EXPECT_EQ(wc->armedSeconds(), WatchdogController::kLongestArmSeconds);
    w->setActive(false);
    settle();
    EXPECT_FALSE(wc->isTimerArmed());
    wc->removeEntries({w});
    EXPECT_FALSE(wc->isTimerArmed());
    EXPECT_TRUE(wc->watchdogArray().isEmpty());
}

TEST_F(WatchdogScheduler, ALateTimerStartsTheSearchByTheClock)
{
    WatchdogPtr w = add(QStringLiteral("Sleeper"), 60, 3600);
    // The machine slept through the hour: the first firing after it starts
    // the search, whatever span the timer was armed for.
    clock.advance(7200);
    wc->watchdogTimerFired();
    EXPECT_TRUE(wc->isSearching());
    EXPECT_EQ(w->status(), Watchdog::Searching);
    ASSERT_TRUE(searchEnds());
}

} // namespace

namespace {

// The parse runs off the main thread and hands its result back later: a
// scheduler gone meanwhile is not called, and its entry is never touched
// by the parse thread.
TEST(WatchdogSearch, AControllerGoneBeforeTheParseEndsHearsNothing)
{
    TempHome home;
    ScriptedHttpServer server;
    ASSERT_TRUE(server.start());
    ASSERT_TRUE(DeepLookupSocket::setServiceURLForTesting(server.baseUrl()));
    server.route("POST", kPath, reply({match("Z1", kNow)}));

    struct Recorder : WatchdogControllerDelegate
    {
        int results = 0;
        void searchResults(const WatchdogSearchContentParser::Result&, const WatchdogPtr&) override { ++results; }
    } recorder;
    auto search = std::make_unique<WatchdogSearchController>();
    search->setDelegate(&recorder);
    WatchdogPtr entry = Watchdog::create();
    ASSERT_TRUE(search->searchFor(entry));
    ASSERT_TRUE(waitUntil([&] { return !search->isRunning(); }));
    search.reset(); // the parse may still be running
    spinEventLoop(100);
    EXPECT_EQ(recorder.results, 0);
    EXPECT_EQ(entry.use_count(), 1);

    // The same search with the controller alive delivers once.
    search = std::make_unique<WatchdogSearchController>();
    search->setDelegate(&recorder);
    ASSERT_TRUE(search->searchFor(entry));
    ASSERT_TRUE(waitUntil([&] { return recorder.results == 1; }));
    DeepLookupSocket::setServiceURLForTesting(QUrl());
}

} // namespace
