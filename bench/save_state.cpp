// The save state at quit and start: 100,000 articles in 2,000 file parts
// written to savestate.db, then read back and rebuilt on a background thread
// with each job started and handed over on the main thread, as at start-up.
// Once as 20 jobs of 100 parts, once as 1,000 jobs of 2 parts, where the
// two waits on the main thread per job weigh most.
//
// Then the periodic save while the queue runs: a thread standing in for the
// connections takes the queue's lock again and again during each save, and
// the longest wait it saw is how long the save stalled the hand-out.
#include "queue/DBSaveRestore.h"
#include "queue/QueueController.h"
#include "queue/SaveRestoreController.h"
#include "queue/SaveStateSnapshot.h"

#include "support/EventLoop.h"
#include "support/TempHome.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QMutexLocker>

#include <algorithm>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <thread>
#include <vector>

namespace {

double secondsSince(std::chrono::steady_clock::time_point start)
{
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

constexpr int kArticlesPerPart = 50;

void fill(QueueController& qc, int jobs, int partsPerJob)
{
    for (int j = 0; j < jobs; ++j) {
        const QueuePtr job = Queue::create();
        job->setIsNZB(true);
        job->setTitle(QStringLiteral("job %1").arg(j));
        job->setStatus(1);
        job->setRestorePoint(1);
        for (int p = 0; p < partsPerJob; ++p) {
            const QueuePtr part = Queue::create();
            part->setIsFilepart(true);
            part->setQueue(job);
            part->setFilename(QStringLiteral("file.part%1.rar").arg(p));
            part->setStatus(1099);
            part->setCheckbox(1);
            QList<SegmentPtr> segs;
            for (int a = 1; a <= kArticlesPerPart; ++a) {
                const SegmentPtr s = Segment::create();
                s->setMid(QStringLiteral("<part%1of%2.%3@news.example.invalid>").arg(a).arg(p).arg(j));
                s->setBytes(768000);
                s->setStatus(99);
                segs.append(s);
            }
            part->setSegments(segs);
            job->appendFilepart(part);
        }
        qc.addNZBRootObjectToQueue(job);
    }
}

// Returns whether everything saved came back.
bool run(int jobs, int partsPerJob)
{
    TempHome home;
    QueueController saved;
    fill(saved, jobs, partsPerJob);

    SaveRestoreController saver;
    saver.setQueueController(&saved);
    auto t0 = std::chrono::steady_clock::now();
    const bool stored = saver.saveQueue();
    const double saveSeconds = secondsSince(t0);
    const qint64 bytes = QFileInfo(DBSaveRestore().databasePath()).size();

    QueueController restored;
    SaveRestoreController loader;
    loader.setQueueController(&restored);
    std::atomic<bool> done{false};
    t0 = std::chrono::steady_clock::now();
    std::thread t([&] {
        loader.loadQueue();
        done = true;
    });
    waitUntil([&] { return done.load() && restored.queueArray().size() == jobs; }, 120000);
    const double loadSeconds = secondsSince(t0);
    t.join();

    qint64 articles = 0;
    for (const QueuePtr& job : restored.queueArray()) {
        for (const QueuePtr& part : job->fileparts())
            articles += part->segmentCount();
    }
    const qint64 expected = qint64(jobs) * partsPerJob * kArticlesPerPart;
    std::printf("save state: %d jobs, %d parts, %lld articles\n", jobs, jobs * partsPerJob,
                static_cast<long long>(expected));
    std::printf("  save (one transaction + VACUUM): %.3f s, %s, file %lld bytes\n", saveSeconds,
                stored ? "stored" : "FAILED", static_cast<long long>(bytes));
    std::printf("  load, rebuild, start and hand-over: %.3f s, %lld articles restored\n", loadSeconds,
                static_cast<long long>(articles));
    return stored && articles == expected;
}

// Saves the queue of `qc` `rounds` times while a prober takes the queue's
// lock every 50 microseconds; prints the longest wait for the lock and the
// save times.
void periodicSave(QueueController& qc, int rounds)
{
    std::atomic<bool> stop{false};
    std::atomic<qint64> longestWaitNs{0};
    std::thread prober([&] {
        while (!stop.load()) {
            const auto t0 = std::chrono::steady_clock::now();
            {
                QMutexLocker locker(&qc.arrayLock());
            }
            const qint64 waited = std::chrono::duration_cast<std::chrono::nanoseconds>(
                                      std::chrono::steady_clock::now() - t0)
                                      .count();
            if (waited > longestWaitNs.load()) longestWaitNs.store(waited);
            std::this_thread::sleep_for(std::chrono::microseconds(50));
        }
    });
    double longestSave = 0, totalSave = 0;
    for (int i = 0; i < rounds; ++i) {
        SaveRestoreController saver;
        saver.setQueueController(&qc);
        const auto t0 = std::chrono::steady_clock::now();
        saver.saveQueue();
        const double s = secondsSince(t0);
        longestSave = std::max(longestSave, s);
        totalSave += s;
    }
    stop = true;
    prober.join();
    // The work a save does while it holds the lock, timed alone.
    std::vector<double> held;
    for (int i = 0; i < 20; ++i) {
        const auto t0 = std::chrono::steady_clock::now();
        {
            QMutexLocker locker(&qc.arrayLock());
            const auto taken = SaveStateSnapshot::take(qc.queueArray());
            (void)taken;
        }
        held.push_back(secondsSince(t0) * 1e3);
    }
    std::sort(held.begin(), held.end());
    std::printf("  lock held for the snapshot: median %.3f ms, longest %.3f ms (20 times)\n", held[held.size() / 2],
                held.back());
    std::printf("periodic save of a running queue, %d saves:\n", rounds);
    std::printf("  longest wait for the queue lock (hand-out stall): %.3f ms (target 5 ms)\n",
                double(longestWaitNs.load()) / 1e6);
    std::printf("  save total: mean %.3f s, longest %.3f s\n", totalSave / rounds, longestSave);
}

bool runPeriodic(int jobs, int partsPerJob)
{
    TempHome home;
    QueueController qc;
    fill(qc, jobs, partsPerJob);
    std::printf("queue of %d jobs, %d parts, %lld articles\n", jobs, jobs * partsPerJob,
                static_cast<long long>(qint64(jobs) * partsPerJob * kArticlesPerPart));
    periodicSave(qc, 5);
    return true;
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const bool few = run(20, 100);
    const bool many = run(1000, 2);
    runPeriodic(20, 100);
    runPeriodic(1, 2000);
    return few && many ? 0 : 1;
}
