// Builds one job as the NZB import does (2,000 file parts of 50 articles,
// 100,000 articles in all) and prints the memory each article costs and how
// long the build takes.
//
// Memory is measured twice: the heap in use (glibc mallinfo2, every
// allocation of ours and of Qt) and the resident set (/proc/self/statm).

#include "queue/Queue.h"

#include "support/ProcessMemory.h"
#include "support/TempHome.h"

#include <QCoreApplication>
#include <QFile>
#include <QRandomGenerator>
#include <QUuid>

#include <chrono>
#include <cstdio>

namespace {

constexpr int kParts = 2000;
constexpr int kSegmentsPerPart = 50;
constexpr int kSegments = kParts * kSegmentsPerPart;

// Message-ids shaped like those of common posting tools, about 55 bytes.
QString makeMid(int part, int number, const QByteArray& tag)
{
    return QStringLiteral("<part%1of%2.%3@powerpost2000AA.local>")
        .arg(number)
        .arg(kSegmentsPerPart)
        .arg(QString::fromLatin1(tag + QByteArray::number(part)));
}

struct Figures
{
    double partsSeconds;
    double segmentsSeconds;
    size_t partsHeap;
    size_t segmentsHeap;
    size_t segmentsRss;
};

Figures buildJob(QueuePtr& root)
{
    QRandomGenerator random(20240601);
    QByteArray tag;
    for (int i = 0; i < 20; ++i)
        tag.append("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789"[random.bounded(62)]);

    Figures f{};
    QCoreApplication::sendPostedEvents();
    const size_t heap0 = ProcessMemory::heapInUse();
    auto t0 = std::chrono::steady_clock::now();
    root = Queue::create();
    root->setIsNZB(true);
    root->setTitle("Benchmark.Job.2024");
    QList<QueuePtr> parts;
    parts.reserve(kParts);
    for (int p = 0; p < kParts; ++p) {
        QueuePtr part = Queue::create();
        part->setIsFilepart(true);
        part->setQueue(root);
        part->setFilename(
            QStringLiteral("Benchmark.Job.2024.part%1.rar").arg(p + 1, 4, 10, QLatin1Char('0')));
        part->setFid(QUuid::createUuid().toString(QUuid::WithoutBraces));
        part->setCheckbox(1);
        parts.append(part);
    }
    root->setFileparts(parts);
    auto t1 = std::chrono::steady_clock::now();
    QCoreApplication::sendPostedEvents();
    const size_t heap1 = ProcessMemory::heapInUse();
    const size_t rss1 = ProcessMemory::residentBytes();

    for (int p = 0; p < kParts; ++p) {
        const QueuePtr& part = parts[p];
        QList<SegmentPtr> segments;
        segments.reserve(kSegmentsPerPart);
        // The NZB lists articles in any order; give the sort some work.
        for (int n = kSegmentsPerPart; n >= 1; --n) {
            SegmentPtr segment = Segment::create();
            segment->setQueue(root);
            segment->setFilepart(part);
            segment->setBytes(739'000 + random.bounded(2000));
            segment->setSegnr(n);
            segment->setStatus(99);
            segment->setMid(makeMid(p, n, tag));
            segments.append(std::move(segment));
        }
        part->setOrderedSegments(std::move(segments));
        part->setTotalBytesLeft(part->bytes());
        part->setTotalSegmentsLeftToDownload(part->totalSegments());
        root->addToBytes(part->bytes());
        root->increaseTotalSegmentsLeftToDownload(part->totalSegments());
    }
    auto t2 = std::chrono::steady_clock::now();
    // What stays after the import: the change reports queued by the build
    // have run.
    QCoreApplication::sendPostedEvents();
    const size_t heap2 = ProcessMemory::heapInUse();
    const size_t rss2 = ProcessMemory::residentBytes();

    f.partsSeconds = std::chrono::duration<double>(t1 - t0).count();
    f.segmentsSeconds = std::chrono::duration<double>(t2 - t1).count();
    f.partsHeap = heap1 - heap0;
    f.segmentsHeap = heap2 - heap1;
    f.segmentsRss = rss2 > rss1 ? rss2 - rss1 : 0;
    return f;
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    TempHome home;

    std::printf("sizeof(Segment) = %zu bytes, sizeof(Queue) = %zu bytes\n", sizeof(Segment), sizeof(Queue));
    std::printf("job: %d file parts, %d articles\n\n", kParts, kSegments);
    std::printf("%-4s %12s %14s %16s %16s %14s\n", "run", "parts (ms)", "articles (ms)", "heap/article (B)",
                "RSS/article (B)", "heap/part (B)");
    for (int run = 1; run <= 3; ++run) {
        QueuePtr root;
        const Figures f = buildJob(root);
        std::printf("%-4d %12.1f %14.1f %16.1f %16.1f %14.1f\n", run, f.partsSeconds * 1000,
                    f.segmentsSeconds * 1000, double(f.segmentsHeap) / kSegments,
                    double(f.segmentsRss) / kSegments, double(f.partsHeap) / kParts);
        const auto t0 = std::chrono::steady_clock::now();
        root.reset();
        QCoreApplication::sendPostedEvents();
        const auto t1 = std::chrono::steady_clock::now();
        std::printf("     released in %.1f ms\n", std::chrono::duration<double, std::milli>(t1 - t0).count());
    }
    return 0;
}
