// Imports a generated NZB of 2,000 files of 50 articles (100,000 articles,
// about 12 MB of XML) through the NZB import as the program runs it (the
// scheduler admits the job, the parser runs on the import queue, the change
// reports reach the main thread) and prints how long it takes until the job
// is at 34 and how much memory each article costs once imported.
//
// Memory is the heap in use (glibc mallinfo2, with one arena so that the
// import worker's allocations are counted) and the resident set
// (/proc/self/statm), each after minus before; the generated XML is freed
// before the first reading.

#include "queue/NZBController.h"
#include "queue/QueueController.h"

#include "support/NzbFixture.h"
#include "support/ProcessMemory.h"
#include "support/TempHome.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QRandomGenerator>

#include <chrono>
#include <cstdio>
#include <malloc.h>

namespace {

constexpr int kFiles = 2000;
constexpr int kArticlesPerFile = 50;
constexpr int kArticles = kFiles * kArticlesPerFile;

// Names and message-ids shaped like those of common posting tools; the
// articles listed in reverse order, to give the ordering some work.
void writeNzb(const QString& path)
{
    QRandomGenerator random(20240601);
    QByteArray tag;
    for (int i = 0; i < 20; ++i)
        tag.append("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789"[random.bounded(62)]);
    NzbFixture nzb;
    for (int f = 0; f < kFiles; ++f) {
        NzbFixture::File file;
        const QString name = QStringLiteral("Benchmark.Job.2024.part%1.rar").arg(f + 1, 4, 10, QLatin1Char('0'));
        file.subject = NzbFixture::subjectFor(name, f + 1, kFiles, kArticlesPerFile);
        for (int n = kArticlesPerFile; n >= 1; --n)
            file.articles.append({739'000 + random.bounded(2000), n,
                                  QStringLiteral("part%1of%2.%3%4@powerpost2000AA.local")
                                      .arg(n)
                                      .arg(kArticlesPerFile)
                                      .arg(QString::fromLatin1(tag))
                                      .arg(f)});
        nzb.addFile(file);
    }
    nzb.write(path);
}

struct Figures
{
    double seconds;
    size_t heap;
    size_t rss;
    qint64 status;
    qint64 articles;
};

Figures importOnce(const QString& path)
{
    QueueController queueController;
    NZBController nzbController;
    nzbController.setQueueController(&queueController);
    queueController.setNzbController(&nzbController);
    QCoreApplication::sendPostedEvents();

    Figures f{};
    const size_t heap0 = ProcessMemory::heapInUse();
    const size_t rss0 = ProcessMemory::residentBytes();
    const auto t0 = std::chrono::steady_clock::now();
    nzbController.parseFileUrl(path, false);
    const QueuePtr root = queueController.queueArray().value(0);
    while (root && (root->status() != 34 && root->status() != 28))
        QCoreApplication::processEvents(QEventLoop::AllEvents, 1);
    nzbController.nzbImportQueue().waitUntilAllOperationsAreFinished();
    // The job is imported once its change reports have reached the main
    // thread.
    QCoreApplication::sendPostedEvents();
    const auto t1 = std::chrono::steady_clock::now();
    f.seconds = std::chrono::duration<double>(t1 - t0).count();
    f.heap = ProcessMemory::heapInUse() - heap0;
    const size_t rss1 = ProcessMemory::residentBytes();
    f.rss = rss1 > rss0 ? rss1 - rss0 : 0;
    f.status = root ? root->status() : -1;
    if (root) {
        for (const QueuePtr& part : root->fileparts())
            f.articles += part->segmentCount();
    }
    return f;
}

} // namespace

int main(int argc, char** argv)
{
    mallopt(M_ARENA_MAX, 1);
    QCoreApplication app(argc, argv);
    TempHome home;
    const QString path = QDir(home.makeFolder("nzbs")).filePath("Benchmark.Job.2024.nzb");
    writeNzb(path);
    std::printf("NZB: %d files, %d articles, %.1f MB\n\n", kFiles, kArticles,
                double(QFile(path).size()) / 1e6);
    std::printf("%-4s %10s %8s %10s %18s %17s\n", "run", "time (s)", "status", "articles", "heap/article (B)",
                "RSS/article (B)");
    for (int run = 1; run <= 3; ++run) {
        const Figures f = importOnce(path);
        std::printf("%-4d %10.3f %8lld %10lld %18.1f %17.1f\n", run, f.seconds, static_cast<long long>(f.status),
                    static_cast<long long>(f.articles), double(f.heap) / kArticles, double(f.rss) / kArticles);
    }
    std::printf("\ntargets: at most 0.5 s, at most 300 B per article\n");
    return 0;
}
