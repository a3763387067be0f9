// Removing finished jobs with the cleaning setting "remove": how long the
// queue lock is held while every part of every finished job is cancelled
// (the connection threads wait for that lock to take their next article),
// and how long until the cancelled jobs have left the queue.
#include "platform/UserDefaults.h"
#include "queue/QueueController.h"

#include "support/CancellingQueueController.h"
#include "support/EventLoop.h"
#include "support/TempHome.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QMutexLocker>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <thread>

namespace {

void fill(CancellingQueueController& qc, int jobs, int partsPerJob)
{
    for (int j = 0; j < jobs; ++j) {
        const QueuePtr job = Queue::create();
        job->setIsNZB(true);
        job->setTitle(QStringLiteral("job %1").arg(j));
        job->setSegmentsReceived(true);
        job->setCheckbox(1);
        for (int p = 0; p < partsPerJob; ++p) {
            const QueuePtr part = Queue::create();
            part->setIsFilepart(true);
            part->setQueue(job);
            part->setDelegate(&qc);
            part->setCheckbox(1);
            part->setStatus(1010);
            part->setIsDownloaded(true);
            part->setSegments({Segment::create()});
            job->appendFilepart(part);
        }
        job->setStatus(10);
        qc.addNZBRootObjectToQueue(job);
    }
}

void run(int jobs, int partsPerJob)
{
    TempHome home;
    UserDefaults::standard().setInteger(2, "queueCleaningTag");
    CancellingQueueController qc;
    fill(qc, jobs, partsPerJob);
    QCoreApplication::sendPostedEvents();

    // A connection thread that keeps asking for the lock, as the article
    // hand-out does; its longest wait is what the cancellations cost it.
    std::atomic<bool> stop{false};
    std::atomic<qint64> longestWaitNs{0};
    std::thread connection([&] {
        while (!stop.load()) {
            QElapsedTimer wait;
            wait.start();
            {
                QMutexLocker lock(&qc.arrayLock());
            }
            const qint64 ns = wait.nsecsElapsed();
            if (ns > longestWaitNs.load()) longestWaitNs = ns;
            std::this_thread::yield();
        }
    });

    const auto t0 = std::chrono::steady_clock::now();
    qc.cleanUpQueueForced(true);
    const double callSeconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
    const bool emptied = waitUntil([&] { return qc.queueArray().isEmpty(); }, 300000);
    const double totalSeconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
    stop = true;
    connection.join();

    std::printf("clean-up of %d finished jobs of %d parts:\n", jobs, partsPerJob);
    std::printf("  cleanUpQueueForced (lock held): %.3f s; longest wait of a connection: %.3f s\n",
                callSeconds, double(longestWaitNs.load()) / 1e9);
    std::printf("  until the jobs left the queue: %.3f s%s\n", totalSeconds, emptied ? "" : " (NOT EMPTIED)");
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    run(1, 10000);
    run(10, 10000);
    run(1000, 10);
    return 0;
}
