// Times the Watchdog at the sizes it meets: 1,000 entries with 100 history
// rows each loaded at start-up, and how often the schedule is rebuilt while
// their change hooks run; a search reply of 20 matches × 100 files × 250
// articles parsed off the main thread, and the main thread's share of
// queueing those matches.

#include "queue/Queue.h"
#include "queue/QueueController.h"
#include "search/DBWatchdog.h"
#include "search/DBWatchdogHistory.h"
#include "search/WatchdogController.h"
#include "search/WatchdogSearchContentParser.h"

#include "support/DeepLookupReplyBuilder.h"
#include "support/ScriptedHttpServer.h"
#include "support/TempHome.h"

#include <QCoreApplication>
#include <QThreadPool>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <functional>

namespace {

double ms(const std::function<void()>& run)
{
    const auto start = std::chrono::steady_clock::now();
    run();
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
}

void settle()
{
    for (int i = 0; i < 10; ++i) QCoreApplication::processEvents();
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    TempHome home;
    constexpr qint64 kNow = 1700000000;

    {
        QList<WatchdogPtr> entries;
        DBWatchdogHistory history;
        for (int i = 0; i < 1000; ++i) {
            WatchdogPtr w = Watchdog::create([] { return kNow; });
            w->setAlias(QStringLiteral("Entry %1").arg(i));
            w->dpobject()->setTitle(QStringLiteral("words %1").arg(i));
            w->setActive(i % 2 == 0);
            w->setInterval(15 + i % 60);
            for (int h = 0; h < 100; ++h)
                w->history().append({0, w->tag(), QStringLiteral("Q-%1-%2").arg(i).arg(h), "title", kNow, kNow, "1 MB"});
            entries.append(w);
        }
        settle();
        const double save = ms([&] {
            DBWatchdog().saveAll(entries);
            for (const WatchdogPtr& w : entries) history.saveHistoryForWatchdog(*w);
        });
        std::printf("store 1,000 entries and 100,000 history rows: %.1f ms\n", save);
    }

    std::unique_ptr<WatchdogController> wc;
    const double load = ms([&] { wc = std::make_unique<WatchdogController>([] { return kNow; }); });
    std::printf("load 1,000 entries with 100 history rows each: %.1f ms (%lld entries, %lld rows in the first)\n",
                load, qint64(wc->watchdogArray().size()), qint64(wc->watchdogArray().first()->history().size()));
    wc->applicationDidStartGUI();
    const qint64 before = wc->watchdogQueueResetCount();
    int turns = 0;
    const double hooks = ms([&] {
        for (; turns < 10; ++turns) QCoreApplication::processEvents();
    });
    std::printf("change hooks of 1,000 entries: %.1f ms over %d loop turns, %lld schedule rebuilds\n", hooks, turns,
                wc->watchdogQueueResetCount() - before);

    // 20 × 100 × 250 = 500,000 articles.
    QList<QByteArrayList> rows = {{"INFO", "1|2|3"}};
    for (int j = 0; j < 20; ++j) {
        const QByteArray qid = "Q" + QByteArray::number(j);
        rows.append(DeepLookupReplyBuilder::watchdogMatch(qid, "Match " + qid, 100 * 250 * 700000LL, kNow - j));
        for (int f = 0; f < 100; ++f) {
            const QByteArray fid = qid + "-" + QByteArray::number(f);
            rows.append(DeepLookupReplyBuilder::watchdogFile(fid, "Match [" + QByteArray::number(f) + "/100] \"" + fid +
                                                                      ".rar\" yEnc",
                                                             250 * 700000LL, kNow - j));
            for (int s = 1; s <= 250; ++s)
                rows.append(DeepLookupReplyBuilder::watchdogSegment(fid + "." + QByteArray::number(s) + "@news.example",
                                                                    700000, s));
        }
    }
    const QString reply = QString::fromUtf8(HttpReply::tabLines(rows));
    WatchdogSearchContentParser::Result result;
    auto parseOffMain = [&] {
        return ms([&] {
            QThreadPool::globalInstance()->start(
                [&] { result = WatchdogSearchContentParser().parseSearchResult(reply); });
            QThreadPool::globalInstance()->waitForDone();
        });
    };
    const double first = parseOffMain();
    double best = first;
    for (int i = 0; i < 3; ++i) best = std::min(best, parseOffMain());
    std::printf("parse 20 matches x 100 files x 250 articles (%.1f MB of text) off the main thread: "
                "first %.1f ms, best of 4 %.1f ms\n",
                reply.size() * 2 / 1e6, first, best);

    QueueController qc;
    wc->setQueueController(&qc);
    const WatchdogPtr entry = wc->watchdogArray().first();
    const double queueing = ms([&] { wc->searchResults(result, entry); });
    std::printf("queue the 20 matches on the main thread: %.1f ms (%lld queued)\n", queueing,
                qint64(qc.queueArray().size()));
    return 0;
}
