// How long a connection's request for its next article holds the queue
// controller's lock, with 50 connection threads draining one job of 100,000
// articles through the connection manager's handshake: one part of 100,000
// articles and 2,000 parts of 50, each without misses and with 20% of the
// articles missing on the first server (those go to a backup server, one by
// one). Prints the average, median, 99th percentile and largest hold per
// request (the largest includes a thread preempted while it holds the lock),
// the requests per second, and checks that every article was handed to each
// server at most once and booked exactly once.

#include "nntp/ConnectionsController.h"
#include "nntp/NNTPServersController.h"
#include "platform/UserDefaults.h"
#include "queue/QueueController.h"

#include "support/DownloadJobBuilder.h"
#include "support/TempHome.h"

#include <QCoreApplication>
#include <QHash>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <thread>
#include <vector>

namespace {

constexpr int kThreads = 50;
constexpr int kBackupThreads = 10;

thread_local std::vector<qint64>* holdSink = nullptr;

struct Scenario
{
    const char* name;
    int parts;
    int articles;
    // 0: nothing missing; 5: every fifth article missing on the first server
    // (not the first article: a one-file job whose first article is missing
    // moves to the backup server as a whole)
    int missingEvery;
    bool defaultThreshold;
};

struct Result
{
    double averageNs = 0;
    qint64 p50Ns = 0;
    qint64 p99Ns = 0;
    qint64 maxNs = 0;
    qint64 requests = 0;
    double seconds = 0;
    int notBookedOnce = 0;
    int handedTwiceToOneServer = 0;
    qint64 leftOnJob = 0;
};

Result run(const Scenario& sc)
{
    UserDefaults::standard().setInteger(sc.defaultThreshold ? 10 : 1000000000, "missingPercentNotification");
    NNTPServersController list;
    NNTPServerObjectPtr a = list.createNewNNTPServer();
    a->setAlias("A");
    a->setMaxConnections(kThreads - kBackupThreads);
    NNTPServerObjectPtr c = list.createNewNNTPServer();
    c->setAlias("C");
    c->setMaxConnections(kBackupThreads);
    c->setIsbackupServerOnly(true);
    list.buildLocalArrays();

    QueueController qc;
    ConnectionsController manager;
    manager.setQueueController(&qc);
    manager.setNntpServersController(&list);
    qc.setConnectionsController(&manager);
    // The routing asks for connections to the backup server; the threads
    // below stand in for them.
    manager.toggleManuallyConnect();

    const QueuePtr job = DownloadJobBuilder("bench")
                             .parts(sc.parts)
                             .articlesPerPart(sc.articles)
                             .articleBytes(750000)
                             .silent()
                             .build();
    qc.addNZBRootObjectToQueue(job);
    QHash<const Segment*, int> indexOf;
    for (const QueuePtr& part : job->fileparts())
        for (const SegmentPtr& s : part->segments())
            indexOf.insert(s.get(), int(indexOf.size()));
    const int total = int(indexOf.size());
    std::vector<std::atomic<int>> toA(static_cast<size_t>(total)), toC(static_cast<size_t>(total)),
        booked(static_cast<size_t>(total));
    std::atomic<int> bookedTotal{0};

    std::vector<std::vector<qint64>> holds(kThreads);
    qc.setHandoutLockHoldRecorder([](qint64 ns) {
        if (holdSink) holdSink->push_back(ns);
    });

    const QList<NNTPServerObjectPtr> normalSlots = list.normalServersArray();
    const QList<NNTPServerObjectPtr> backupSlots = list.backupServersArray();
    const auto start = std::chrono::steady_clock::now();
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
        const bool backup = t >= kThreads - kBackupThreads;
        const NNTPServerObjectPtr slot =
            backup ? backupSlots[t - (kThreads - kBackupThreads)] : normalSlots[t];
        threads.emplace_back([&, t, backup, slot] {
            holds[size_t(t)].reserve(size_t(total / 10));
            holdSink = &holds[size_t(t)];
            SegmentPtr done;
            while (bookedTotal.load(std::memory_order_relaxed) < total) {
                const SegmentPtr s = manager.getNextSegmentAfterDownloadedSegment(done, slot, nullptr);
                done.reset();
                if (!s) {
                    // Nothing for this server now; a backup connection waits
                    // for what is routed to it.
                    if (!backup && !sc.missingEvery) break;
                    std::this_thread::yield();
                    continue;
                }
                const int i = indexOf.value(s.get());
                (backup ? toC : toA)[size_t(i)].fetch_add(1);
                if (!backup && sc.missingEvery && i % sc.missingEvery == 1) {
                    s->setStatus(430);
                } else {
                    s->setDownloadedBytes(s->bytes());
                    booked[size_t(i)].fetch_add(1);
                    bookedTotal.fetch_add(1);
                }
                done = s;
            }
            if (done) manager.getNextSegmentAfterDownloadedSegment(done, slot, nullptr);
            holdSink = nullptr;
        });
    }
    for (std::thread& t : threads)
        t.join();
    Result r;
    r.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();

    std::vector<qint64> all;
    for (const auto& h : holds)
        all.insert(all.end(), h.begin(), h.end());
    std::sort(all.begin(), all.end());
    r.requests = qint64(all.size());
    double sum = 0;
    for (const qint64 v : all)
        sum += double(v);
    if (!all.empty()) {
        r.averageNs = sum / double(all.size());
        r.p50Ns = all[all.size() / 2];
        r.p99Ns = all[std::min(all.size() - 1, size_t(double(all.size()) * 0.99))];
        r.maxNs = all.back();
    }
    for (int i = 0; i < total; ++i) {
        r.notBookedOnce += booked[size_t(i)].load() != 1;
        r.handedTwiceToOneServer += toA[size_t(i)].load() > 1 || toC[size_t(i)].load() > 1;
    }
    r.leftOnJob = job->totalSegmentsLeftToDownload();
    return r;
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    TempHome home;
    const Scenario scenarios[] = {
        {"1 part x 100,000, nothing missing", 1, 100000, 0, false},
        {"2,000 parts x 50, nothing missing", 2000, 50, 0, false},
        {"1 part x 100,000, 20% missing on A, one by one to backup C", 1, 100000, 5, false},
        {"2,000 parts x 50, 20% missing on A, one by one to backup C", 2000, 50, 5, false},
        {"1 part x 100,000, 20% missing on A, default 10% rule (job moves to C)", 1, 100000, 5, true},
    };
    std::printf("%d connection threads (%d of them on the backup server where articles are missing)\n",
                kThreads, kBackupThreads);
    bool ok = true;
    for (const Scenario& sc : scenarios) {
        const Result r = run(sc);
        std::printf(
            "%s\n  lock hold per request: avg %.2f us, median %.2f us, p99 %.2f us, max %.1f us; %lld "
            "requests in "
            "%.2f s "
            "(%.0f/s)\n  booked not exactly once: %d, handed twice to one server: %d, left on job: %lld\n",
            sc.name, r.averageNs / 1000.0, double(r.p50Ns) / 1000.0, double(r.p99Ns) / 1000.0,
            double(r.maxNs) / 1000.0, static_cast<long long>(r.requests), r.seconds,
            double(r.requests) / r.seconds, r.notBookedOnce, r.handedTwiceToOneServer,
            static_cast<long long>(r.leftOnJob));
        ok = ok && r.notBookedOnce == 0 && r.handedTwiceToOneServer == 0 && r.leftOnJob == 0;
    }
    return ok ? 0 : 1;
}
