// The batch selection of article lists as the search controller drives it:
// 10,000 file parts in 50 jobs waiting for their articles, taken 200 at a
// time until none is left (50 batches, each walking the queue under the
// lock the connection threads share), with the hand-over of each batch
// (one article per part, jobs completing as their last part arrives).
#include "queue/Queue.h"
#include "queue/QueueController.h"
#include "queue/Segment.h"

#include "support/TempHome.h"

#include <QCoreApplication>

#include <algorithm>
#include <chrono>
#include <cstdio>

namespace {

double msSince(std::chrono::steady_clock::time_point start)
{
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    TempHome home;
    constexpr int kJobs = 50;
    constexpr int kPartsPerJob = 200;

    QueueController qc;
    for (int j = 0; j < kJobs; ++j) {
        QueuePtr root = Queue::create();
        root->setQid(QStringLiteral("Q%1").arg(j));
        QList<QueuePtr> parts;
        for (int p = 0; p < kPartsPerJob; ++p) {
            QueuePtr part = Queue::create();
            part->setIsFilepart(true);
            part->setFid(QStringLiteral("Q%1-%2").arg(j).arg(p));
            parts.append(part);
        }
        qc.addFileparts(parts, root);
        root->setStatus(108);
        qc.addRootQueueObjectToQueueArray(root);
    }

    int batches = 0;
    qsizetype parts = 0;
    double selectMs = 0;
    double worstSelectMs = 0;
    double handOverMs = 0;
    for (;;) {
        auto start = std::chrono::steady_clock::now();
        const FilepartsByFid batch = qc.getNextObjectsForDownloadingMids(200);
        const double took = msSince(start);
        selectMs += took;
        worstSelectMs = std::max(worstSelectMs, took);
        if (batch.isEmpty()) break;
        ++batches;
        parts += batch.size();
        QList<QueuePtr> received;
        for (const QueuePtr& part : batch) {
            part->appendSegment(std::make_shared<Segment>());
            received.append(part);
        }
        start = std::chrono::steady_clock::now();
        qc.midsQueryResults(received);
        handOverMs += msSince(start);
    }
    std::printf("batches: %d, parts: %lld\n", batches, static_cast<long long>(parts));
    std::printf("batch selection: %.3f ms in all, %.3f ms worst (lock hold)\n", selectMs, worstSelectMs);
    std::printf("hand-over: %.3f ms in all, %.3f ms per batch\n", handOverMs,
                batches ? handOverMs / batches : 0.0);
    return 0;
}
