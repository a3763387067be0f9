// Hands out every article of a 512 MiB upload file to 8 threads, as posting
// connections ask for them (each article booked, then read from disk, named
// and yEnc-encoded in the order of booking), then writes the job's NZB.
// Prints the hand-out rate in MB/s of file data, the NZB time, and the peak
// resident set. The encoded bodies are dropped as a connection would after
// posting, so memory stays flat.

#include "platform/UserDefaults.h"
#include "posting/NZBCreator.h"
#include "posting/YencEncodeController.h"
#include "queue/Queue.h"
#include "queue/Segment.h"

#include "support/TempHome.h"

#include <QFile>
#include <QRandomGenerator>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <sys/resource.h>
#include <thread>
#include <vector>

int main()
{
    TempHome home;
    const QString folder = home.makeFolder("upload");
    constexpr qint64 kFileBytes = 512ll << 20;
    constexpr double kSlice = 384000;
    const QString path = folder + "/big.bin";
    {
        QFile f(path);
        if (!f.open(QIODevice::WriteOnly)) return 1;
        QByteArray chunk(4 << 20, Qt::Uninitialized);
        QRandomGenerator rng(7);
        for (qint64 written = 0; written < kFileBytes; written += chunk.size()) {
            rng.fillRange(reinterpret_cast<quint32*>(chunk.data()), chunk.size() / 4);
            f.write(chunk);
        }
    }
    QueuePtr job = Queue::create();
    job->setTitle("Bench");
    job->setPoster("bench@example.invalid");
    job->setGroups("alt.binaries.test");
    job->setMaxArticleSize(kSlice);
    job->setNzbExportUrl(folder + "/Bench.nzb");
    QueuePtr part = Queue::create();
    part->setIsFilepart(true);
    part->setQueue(job);
    part->setFilename("big.bin");
    part->setFileUrl(path);
    part->setBytes(double(kFileBytes));
    part->setStatus(1201);
    const qint64 total = (kFileBytes + qint64(kSlice) - 1) / qint64(kSlice);
    QList<SegmentPtr> segments;
    for (qint64 n = 1; n <= total; ++n) {
        SegmentPtr s = Segment::create();
        s->setSegnr(n);
        s->setSegtotal(total);
        s->setStatus(99);
        s->setQueue(part);
        s->setFilepart(part);
        segments.append(s);
    }
    part->setSegments(segments);
    job->setFileparts({part});

    YencEncodeController controller;
    std::atomic<qint64> bytes{0}, articles{0};
    const auto start = std::chrono::steady_clock::now();
    std::vector<std::thread> threads;
    for (int t = 0; t < 8; ++t) {
        threads.emplace_back([&] {
            while (SegmentPtr s = controller.getNextSegmentForQueue(job)) {
                bytes += qint64(s->bytes());
                ++articles;
                s->setFiledata(QByteArray()); // posted
                s->setStatus(2);
            }
        });
    }
    for (std::thread& t : threads)
        t.join();
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();

    UserDefaults::standard().setObject(folder, "uploadNZBExportPath");
    const auto nzbStart = std::chrono::steady_clock::now();
    NZBCreator creator(job);
    creator.main();
    const double nzbSeconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - nzbStart).count();

    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    std::printf("articles handed out: %lld of %lld (%lld bytes)\n", (long long)articles.load(),
                (long long)total, (long long)bytes.load());
    std::printf("hand-out (read + name + encode), 8 threads: %.0f MB/s\n",
                double(bytes.load()) / seconds / 1e6);
    std::printf("NZB of %lld articles: %.1f ms, status %lld\n", (long long)total, nzbSeconds * 1000,
                (long long)job->status());
    std::printf("peak resident set: %.1f MB\n", double(usage.ru_maxrss) / 1024.0);
    return articles.load() == total ? 0 : 1;
}
