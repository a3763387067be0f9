// The save state at quit and start: 100,000 articles in 2,000 file parts of
// 20 jobs written to savestate.db, then read back and rebuilt on a
// background thread with each job started and handed over on the main
// thread, as at start-up.
#include "queue/DBSaveRestore.h"
#include "queue/QueueController.h"
#include "queue/SaveRestoreController.h"

#include "support/EventLoop.h"
#include "support/TempHome.h"

#include <QCoreApplication>
#include <QFileInfo>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <thread>

namespace {

double secondsSince(std::chrono::steady_clock::time_point start)
{
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

constexpr int kJobs = 20, kPartsPerJob = 100, kArticlesPerPart = 50;

void fill(QueueController& qc)
{
    for (int j = 0; j < kJobs; ++j) {
        const QueuePtr job = Queue::create();
        job->setIsNZB(true);
        job->setTitle(QStringLiteral("job %1").arg(j));
        job->setStatus(1);
        job->setRestorePoint(1);
        for (int p = 0; p < kPartsPerJob; ++p) {
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

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    TempHome home;
    QueueController saved;
    fill(saved);

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
    waitUntil([&] { return done.load() && restored.queueArray().size() == kJobs; }, 120000);
    const double loadSeconds = secondsSince(t0);
    t.join();

    qint64 articles = 0;
    for (const QueuePtr& job : restored.queueArray()) {
        for (const QueuePtr& part : job->fileparts())
            articles += part->segmentCount();
    }
    std::printf("save state: %d jobs, %d parts, %d articles\n", kJobs, kJobs * kPartsPerJob,
                kJobs * kPartsPerJob * kArticlesPerPart);
    std::printf("  save (one transaction + VACUUM): %.3f s, %s, file %lld bytes\n", saveSeconds,
                stored ? "stored" : "FAILED", static_cast<long long>(bytes));
    std::printf("  load, rebuild, start and hand-over: %.3f s, %lld articles restored\n", loadSeconds,
                static_cast<long long>(articles));
    return stored && articles == qint64(kJobs) * kPartsPerJob * kArticlesPerPart ? 0 : 1;
}
