#include "posting/YencEncodeController.h"

#include "codec/DeYenc.h"
#include "queue/Queue.h"
#include "queue/Segment.h"

#include "queue/StatusCodes.h"
#include "support/LogFileReader.h"
#include "support/TempHome.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QRandomGenerator>
#include <QRegularExpression>

#include <zlib.h>

#include <algorithm>
#include <atomic>
#include <mutex>
#include <thread>
#include <vector>

namespace {

constexpr double kSlice = 1000;

QByteArray randomBytes(qsizetype n, quint32 seed)
{
    QRandomGenerator rng(seed);
    QByteArray b(n, Qt::Uninitialized);
    for (qsizetype i = 0; i < n; ++i)
        b[i] = char(rng.generate() & 0xFF);
    return b;
}

// An upload job as the compose window and the engine leave it: parts at
// 1201 with their articles queued (99).
struct UploadJob
{
    QueuePtr job = Queue::create();
    QList<QByteArray> contents;

    explicit UploadJob(const QString& title = "Holiday")
    {
        job->setTitle(title), job->setMaxArticleSize(kSlice);
    }

    QueuePtr addFile(const QString& folder, const QString& name, const QByteArray& data, qint64 status = 1201)
    {
        const QString path = folder + "/" + name;
        QFile f(path);
        EXPECT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(data);
        f.close();
        return addPart(name, path, data.size(), status, data);
    }

    QueuePtr addPart(const QString& name, const QString& path, qint64 size, qint64 status = 1201,
                     const QByteArray& data = {})
    {
        QueuePtr part = Queue::create();
        part->setIsFilepart(true);
        part->setQueue(job);
        part->setFilename(name);
        part->setFileUrl(path);
        part->setBytes(double(size));
        part->setStatus(status);
        const qint64 total = std::max<qint64>(1, (size + qint64(kSlice) - 1) / qint64(kSlice));
        QList<SegmentPtr> segments;
        for (qint64 n = 1; n <= total; ++n) {
            SegmentPtr s = Segment::create();
            s->setSegnr(n);
            s->setSegtotal(total);
            s->setStatus(ArticleStatus::Queued);
            s->setQueue(part);
            s->setFilepart(part);
            segments.append(s);
        }
        part->setSegments(segments);
        QList<QueuePtr> parts = job->fileparts();
        parts.append(part);
        job->setFileparts(parts);
        contents.append(data);
        return part;
    }
};

QByteArray decodeAll(const QList<SegmentPtr>& segments, DecodeResult* out = nullptr)
{
    QList<QByteArray> bodies;
    for (const SegmentPtr& s : segments)
        bodies.append(s->filedata() + ".\r\n");
    std::vector<QByteArray> v(bodies.begin(), bodies.end());
    DecodeRequest request;
    request.bodies = std::span<QByteArray>(v);
    DecodeResult result = DeYenc::decodeToFile(request);
    EXPECT_TRUE(result.isDecoded());
    if (out) *out = result;
    return result.data;
}

class UploadHandout : public ::testing::Test
{
protected:
    TempHome home;
    QString folder = home.makeFolder("upload");
    YencEncodeController controller;
};

TEST_F(UploadHandout, PostsFilesInOrderEachFromFirstToLastArticle)
{
    UploadJob upload;
    const QByteArray a = randomBytes(2500, 1), b = randomBytes(1000, 2);
    const QueuePtr partA = upload.addFile(folder, "a.rar", a);
    const QueuePtr partB = upload.addFile(folder, "b.rar", b);

    QList<SegmentPtr> handed;
    while (SegmentPtr s = controller.getNextSegmentForQueue(upload.job))
        handed.append(s);
    ASSERT_EQ(handed.size(), 4);
    for (qsizetype i = 0; i < 3; ++i)
        EXPECT_EQ(handed[i], partA->segments()[i]);
    EXPECT_EQ(handed[3], partB->segments()[0]);
    for (const SegmentPtr& s : handed)
        EXPECT_EQ(s->status(), ArticleStatus::Uploading);
    // The last slice is shorter; offsets follow the slice size.
    EXPECT_EQ(handed[0]->bytes(), 1000);
    EXPECT_EQ(handed[2]->bytes(), 500);
    EXPECT_EQ(handed[2]->fileposition(), 2000);

    DecodeResult result;
    EXPECT_EQ(decodeAll(handed.mid(0, 3), &result), a);
    // The last article of a file carries the whole file's CRC as well.
    ASSERT_TRUE(result.declaredCrc32);
    EXPECT_EQ(*result.declaredCrc32,
              quint32(crc32(0, reinterpret_cast<const Bytef*>(a.data()), uInt(a.size()))));
    EXPECT_EQ(decodeAll(handed.mid(3, 1)), b);

    // Nothing waits any more: the file is closed. One open and close per file.
    EXPECT_FALSE(controller.hasOpenFile());
    const LogFileReader log(home.logFilePath());
    EXPECT_EQ(log.linesContaining("yEnc encoding - Opening file :: ").size(), 2);
    EXPECT_EQ(log.linesContaining("yEnc encoding - Closing file :: ").size(), 2);
}

TEST_F(UploadHandout, SubjectsCountFilesWithAsManyDigitsAsTheirNumber)
{
    struct Case
    {
        int files;
        QString expected; // of the third file's first article (the only one when there is one file)
    };
    const QList<Case> cases = {
        {1, "Holiday - \"f0\" yEnc (1/1)"},
        {9, "Holiday - [3/9] - \"f2\" yEnc (1/1)"},
        {12, "Holiday - [03/12] - \"f2\" yEnc (1/1)"},
        {100, "Holiday - [003/100] - \"f2\" yEnc (1/1)"},
    };
    for (const Case& c : cases) {
        UploadJob upload;
        for (int i = 0; i < c.files; ++i)
            upload.addPart(QString("f%1").arg(i), QString(), 10);
        const QueuePtr part = upload.job->fileparts()[std::min(2, c.files - 1)];
        const SegmentPtr segment = part->segments()[0];
        controller.makeSegmentTitleForSegment(segment);
        EXPECT_EQ(segment->filename(), c.expected) << c.files;
    }
}

TEST_F(UploadHandout, ControlCharactersOfNamesNeverReachTheHeaders)
{
    UploadJob upload("Evil\r\nX-Injected: 1");
    const SegmentPtr segment = upload.addFile(folder, "a\nb.bin", "data")->segments()[0];
    const SegmentPtr handed = controller.getNextSegmentForQueue(upload.job);
    ASSERT_EQ(handed, segment);
    EXPECT_EQ(segment->filename(), "Evil__X-Injected: 1 - \"a_b.bin\" yEnc (1/1)");
    EXPECT_TRUE(segment->filedata().startsWith("=ybegin line=128 size=4 name=a_b.bin\r\n"));
}

TEST_F(UploadHandout, MessageIdsAreFreshPerArticle)
{
    controller.setClock([] { return 1765000000.123456; });
    UploadJob upload;
    const QueuePtr part = upload.addPart("x", QString(), 3000);
    const QRegularExpression shape("^Part(\\d+)of3\\.\\d{10}@[0-9a-f]{32}\\.local$");
    controller.makeMidForSegment(part->segments()[0]);
    controller.makeMidForSegment(part->segments()[1]);
    const QString first = part->segments()[0]->mid(), second = part->segments()[1]->mid();
    EXPECT_TRUE(shape.match(first).hasMatch()) << first.toStdString();
    // 176500000.012346 without its dot, the last ten digits.
    EXPECT_TRUE(first.startsWith("Part1of3.0000012346@")) << first.toStdString();
    // Made in the same instant, they still differ in their UUID part.
    EXPECT_NE(first.mid(first.indexOf('@')), second.mid(second.indexOf('@')));
}

TEST_F(UploadHandout, OnlyPartsQueuedOrUploadingAreUsed)
{
    UploadJob upload;
    const QueuePtr notPrepared = upload.addFile(folder, "a.bin", "aaaa", 1099);
    const QueuePtr finished = upload.addFile(folder, "b.bin", "bbbb", 1203);
    const QueuePtr uploading = upload.addFile(folder, "c.bin", "cccc", 1202);
    EXPECT_EQ(controller.getNextSegmentForQueue(upload.job), uploading->segments()[0]);
    EXPECT_EQ(controller.getNextSegmentForQueue(upload.job), nullptr);
    EXPECT_EQ(notPrepared->segments()[0]->status(), ArticleStatus::Queued);
    EXPECT_EQ(finished->segments()[0]->status(), ArticleStatus::Queued);

    // A part prepared after the hand-out went past it is still found.
    notPrepared->setStatus(FilePartStatus::QueuedForUpload);
    EXPECT_EQ(controller.getNextSegmentForQueue(upload.job), notPrepared->segments()[0]);
}

TEST_F(UploadHandout, AnArticlePutBackToWaitingIsHandedOutAgain)
{
    UploadJob upload;
    const QByteArray data = randomBytes(3000, 3);
    const QueuePtr part = upload.addFile(folder, "a.bin", data);
    const SegmentPtr first = controller.getNextSegmentForQueue(upload.job);
    const SegmentPtr second = controller.getNextSegmentForQueue(upload.job);
    ASSERT_TRUE(first && second);
    first->setStatus(ArticleStatus::Queued); // its post failed
    const SegmentPtr third = controller.getNextSegmentForQueue(upload.job);
    EXPECT_EQ(third, part->segments()[2]);
    EXPECT_EQ(controller.getNextSegmentForQueue(upload.job), first);
    // Handed out of order, the last article still carries the file's CRC.
    DecodeResult result;
    EXPECT_EQ(decodeAll({first, second, third}, &result), data);
    ASSERT_TRUE(result.declaredCrc32);
    EXPECT_EQ(*result.declaredCrc32,
              quint32(crc32(0, reinterpret_cast<const Bytef*>(data.data()), uInt(data.size()))));
}

TEST_F(UploadHandout, ConnectionsAskingAtOnceGetEveryArticleOnceFromOneOpening)
{
    UploadJob upload;
    const QByteArray data = randomBytes(40500, 5);
    const QueuePtr part = upload.addFile(folder, "a.bin", data);
    // The second read of each thread is held up a little, so that bookings
    // and reads of the threads interleave.
    std::atomic<int> reads{0};
    controller.setReadHook([&](const SegmentPtr&) {
        if (reads.fetch_add(1) % 3 == 1) std::this_thread::yield();
    });

    std::mutex mutex;
    QList<SegmentPtr> handed;
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t)
        threads.emplace_back([&] {
            while (SegmentPtr s = controller.getNextSegmentForQueue(upload.job)) {
                std::lock_guard<std::mutex> lock(mutex);
                handed.append(s);
            }
        });
    for (std::thread& t : threads)
        t.join();

    ASSERT_EQ(handed.size(), part->segments().size());
    std::sort(handed.begin(), handed.end(),
              [](const SegmentPtr& a, const SegmentPtr& b) { return a->segnr() < b->segnr(); });
    EXPECT_EQ(handed, part->segments());
    DecodeResult result;
    EXPECT_EQ(decodeAll(handed, &result), data);
    ASSERT_TRUE(result.declaredCrc32);
    EXPECT_EQ(*result.declaredCrc32,
              quint32(crc32(0, reinterpret_cast<const Bytef*>(data.data()), uInt(data.size()))));
    EXPECT_FALSE(controller.hasOpenFile());
    const LogFileReader log(home.logFilePath());
    EXPECT_EQ(log.linesContaining("yEnc encoding - Opening file :: ").size(), 1);
    EXPECT_EQ(log.linesContaining("yEnc encoding - Closing file :: ").size(), 1);
}

TEST_F(UploadHandout, AnUnreadableSliceIsNeverPostedAndEndsTheJobAfterBoundedTries)
{
    UploadJob upload;
    const QueuePtr part = upload.addFile(folder, "a.bin", randomBytes(2000, 4));
    // The file shrank after the job was made: the second slice is gone.
    QFile::resize(part->fileUrl(), 1000);
    ASSERT_TRUE(controller.getNextSegmentForQueue(upload.job));
    const SegmentPtr missing = part->segments()[1];
    for (int attempt = 1; attempt < YencEncodeController::kMaxReadTries; ++attempt) {
        EXPECT_EQ(controller.getNextSegmentForQueue(upload.job), nullptr);
        EXPECT_EQ(missing->status(), ArticleStatus::Queued) << attempt;
        EXPECT_TRUE(missing->filedata().isEmpty());
        EXPECT_TRUE(missing->mid().isEmpty());
    }
    EXPECT_EQ(controller.getNextSegmentForQueue(upload.job), nullptr);
    EXPECT_EQ(upload.job->status(), UploadStatus::EncodingError);
    EXPECT_TRUE(missing->filedata().isEmpty());
}

TEST_F(UploadHandout, AMissingFileIsLoggedAndNotPosted)
{
    UploadJob upload;
    const QueuePtr part = upload.addPart("gone.bin", folder + "/gone.bin", 10);
    EXPECT_EQ(controller.getNextSegmentForQueue(upload.job), nullptr);
    EXPECT_EQ(part->segments()[0]->status(), ArticleStatus::Queued);
    EXPECT_EQ(
        LogFileReader(home.logFilePath()).linesContaining("yEnc encoding - Unable to open file.").size(), 1);
}

} // namespace
