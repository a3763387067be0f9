// The write path of one large file part: its yEnc article bodies (750 KB of
// decoded data each, as news servers carry them) decoded, digested (MD5 of
// the whole file and of its first 16 KiB) and written through the write
// queue into the job's folder. Prints the throughput and the resident
// memory the write adds on top of the article bodies the part holds, and,
// for comparison, MD5 and CRC-32 alone over a buffer in memory.
//
//   bench_file_part_writer [part size in MB, default 700] [folder]
//
// The folder (default: a temporary home) should be on a real disk for
// figures that include the disk.
#include "codec/Crc32.h"
#include "platform/UserDefaults.h"
#include "postprocess/RepairController.h"
#include "queue/FODController.h"
#include "queue/FileWriteController.h"
#include "queue/Queue.h"
#include "queue/Segment.h"

#include "support/ArticleFixtures.h"
#include "support/EventLoop.h"
#include "support/ProcessMemory.h"
#include "support/TempHome.h"

#include <QCoreApplication>
#include <QCryptographicHash>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>

#include <cstdio>

namespace {

constexpr qint64 kArticleBytes = 750000;

double mbPerSecond(qint64 bytes, const QElapsedTimer& t)
{
    return double(bytes) / 1e6 / (double(t.nsecsElapsed()) / 1e9);
}

void digestFigures()
{
    const QByteArray data = ArticleFixtures::randomBytes(256 << 20, 3);
    QElapsedTimer t;
    t.start();
    const QByteArray md5 = QCryptographicHash::hash(data, QCryptographicHash::Md5);
    std::printf("MD5 of 256 MiB in memory:    %8.0f MB/s\n", mbPerSecond(data.size(), t));
    t.restart();
    const std::uint32_t crc = Crc32::update(Crc32::initial(), data.constData(), data.size());
    std::printf("CRC-32 of 256 MiB in memory: %8.0f MB/s (%08x, %s)\n", mbPerSecond(data.size(), t), crc,
                md5.toHex().left(8).constData());
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const qint64 megabytes = argc > 1 ? std::stoll(argv[1]) : 700;
    TempHome home;
    const QString download = argc > 2 ? QString::fromLocal8Bit(argv[2]) : home.makeFolder("dl");
    QDir().mkpath(download);
    UserDefaults::standard().setString(download, QStringLiteral("downloadPath"));

    digestFigures();

    const qint64 size = megabytes * 1000 * 1000;
    QList<QByteArray> articles;
    QString expectedMd5;
    {
        const QByteArray file = ArticleFixtures::randomBytes(size, 1);
        expectedMd5 = QString::fromLatin1(QCryptographicHash::hash(file, QCryptographicHash::Md5).toHex());
        articles = ArticleFixtures::yencArticles(file, "big.bin", kArticleBytes);
    }
    qint64 encoded = 0;
    for (const QByteArray& a : articles)
        encoded += a.size();

    FODController index;
    RepairController repair;
    repair.setFodController(&index);
    FileWriteController writer;
    writer.setRepairController(&repair);

    QueuePtr job = Queue::create();
    job->setTitle(QStringLiteral("bench"));
    job->setIsNZB(true);
    QueuePtr part = Queue::create();
    part->setIsFilepart(true);
    part->setQueue(job);
    part->setFilename(QStringLiteral("big.bin"));
    part->setCheckbox(1);
    part->setBytes(double(encoded));
    int n = 1;
    for (QByteArray& body : articles) {
        SegmentPtr segment = Segment::create();
        segment->setFilepart(part);
        segment->setSegnr(n);
        segment->setMid(QStringLiteral("<%1@bench>").arg(n++));
        segment->setFiledata(body);
        part->appendSegment(segment);
    }
    articles.clear();
    job->appendFilepart(part);
    job->setTotalfiles(1);

    const long before = ProcessMemory::statusKiB("VmRSS:");
    ProcessMemory::resetPeak();
    QElapsedTimer t;
    t.start();
    part->setStatus(1020);
    writer.addFileToQueue(part);
    waitUntil([&] { return part->status() == 1017 || part->status() == 1018 || part->status() == 1024; },
              600000);
    const double seconds = double(t.nsecsElapsed()) / 1e9;
    const long peak = ProcessMemory::statusKiB("VmHWM:");

    const QString path = download + QStringLiteral("/bench/big.bin");
    std::printf("part: %lld MB decoded, %lld articles, %.1f MB encoded\n", (long long)megabytes,
                (long long)(n - 1), double(encoded) / 1e6);
    std::printf("status %lld, file %lld bytes, md5 %s\n", (long long)part->status(),
                (long long)QFileInfo(path).size(), part->md5() == expectedMd5 ? "matches" : "WRONG");
    std::printf(
        "write path (decode + MD5 + write + move): %.2f s, %.0f MB/s of encoded input, %.0f MB/s decoded\n",
        seconds, double(encoded) / 1e6 / seconds, double(size) / 1e6 / seconds);
    std::printf(
        "resident memory: %ld MiB before (the article bodies), peak %ld MiB, the write added %ld MiB\n",
        before / 1024, peak / 1024, (peak - before) / 1024);
    return part->status() == 1017 && part->md5() == expectedMd5 ? 0 : 1;
}
