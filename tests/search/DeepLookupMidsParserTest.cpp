#include "search/DeepLookupMidsParser.h"

#include "queue/Queue.h"
#include "queue/Segment.h"
#include "queue/StatusCodes.h"
#include "support/DeepLookupReplyBuilder.h"
#include "support/EventLoop.h"
#include "support/MessageCapture.h"
#include "support/ScriptedHttpServer.h"
#include "support/TempHome.h"

#include <gtest/gtest.h>

using R = DeepLookupReplyBuilder;

namespace {

class MidsParser : public ::testing::Test
{
protected:
    TempHome home;
    DeepLookupMidsParser parser;

    static QueuePtr job(const QString& qid)
    {
        QueuePtr j = Queue::create();
        j->setQid(qid);
        j->setStatus(JobStatus::DownloadingSegments);
        return j;
    }

    static QueuePtr part(const QueuePtr& root, const QString& fid, const QString& filename = QString())
    {
        QueuePtr p = Queue::create();
        p->setIsFilepart(true);
        p->setFid(fid);
        p->setFilename(filename.isEmpty() ? fid + QStringLiteral(".bin") : filename);
        p->setQueue(root);
        root->appendFilepart(p);
        return p;
    }

    FilepartsByFid parse(const QList<QByteArrayList>& rows, const FilepartsByFid& batch)
    {
        return parser.parseQueryResult(QString::fromUtf8(HttpReply::tabLines(rows)), batch);
    }
};

} // namespace

TEST_F(MidsParser, DataRecordsBecomeQueuedSegmentsOfTheirPart)
{
    const QueuePtr root = job(QStringLiteral("Q"));
    const QueuePtr a = part(root, QStringLiteral("FA"));
    const QueuePtr b = part(root, QStringLiteral("FB"));
    const FilepartsByFid batch{{"FA", a}, {"FB", b}};

    const FilepartsByFid out = parse({{"INFO", "x"},
                                      R::data("FA", "a1@news", 700000, 1, 2),
                                      R::data("FB", "b1@news", 123, 1, 1),
                                      R::data("FA", "<a2@news>", 650000.0, 2, 2),
                                      {"ERROR", "something"}},
                                     batch);
    EXPECT_EQ(out, batch);
    ASSERT_EQ(a->segmentCount(), 2);
    ASSERT_EQ(b->segmentCount(), 1);
    const SegmentPtr s = a->segments().first();
    EXPECT_EQ(s->mid(), QStringLiteral("<a1@news>"));
    EXPECT_EQ(s->fid(), QStringLiteral("FA"));
    EXPECT_DOUBLE_EQ(s->bytes(), 700000);
    EXPECT_EQ(s->segnr(), 1);
    EXPECT_EQ(s->segtotal(), 2);
    EXPECT_EQ(s->status(), ArticleStatus::Queued);
    EXPECT_EQ(s->filepart(), a);
    EXPECT_EQ(s->queue(), root);
    // Brackets that came along are not doubled.
    EXPECT_EQ(a->segments().at(1)->mid(), QStringLiteral("<a2@news>"));
    EXPECT_EQ(a->totalSegments(), 2);
    EXPECT_DOUBLE_EQ(a->bytes(), 1350000);
}

TEST_F(MidsParser, ArticlesArePutInOrderOnceEach)
{
    const QueuePtr root = job(QStringLiteral("Q"));
    const QueuePtr a = part(root, QStringLiteral("FA"));
    parse({R::data("FA", "m3", 10, 3, 3), R::data("FA", "m1", 10, 1, 3), R::data("FA", "m2", 10, 2, 3),
           R::data("FA", "m2", 10, 2, 3), R::data("FA", "m2b", 10, 2, 3)},
          {{"FA", a}});
    QStringList mids;
    for (const SegmentPtr& s : a->segments())
        mids.append(s->mid());
    EXPECT_EQ(mids, (QStringList{"<m1>", "<m2>", "<m3>"}));
}

TEST_F(MidsParser, RecordsThatNameNoPartOfTheBatchChangeNothing)
{
    MessageCapture console("binorama.deeplookup");
    const QueuePtr root = job(QStringLiteral("Q"));
    const QueuePtr a = part(root, QStringLiteral("FA"));
    const QueuePtr other = part(root, QStringLiteral("FX"));
    parse({R::data("FX", "x", 1, 1, 1),
           {"DATA", "FA", "short", "1", "1"},
           {"DATA", "FA", "", "1", "1", "1"},
           {"ERROR", "no such file"}},
          {{"FA", a}});
    EXPECT_EQ(a->segmentCount(), 0);
    EXPECT_EQ(other->segmentCount(), 0);
    EXPECT_TRUE(
        console.contains(QStringLiteral("[DeepLookupMidsParser parseQueryResult] ERROR: no such file")));
    EXPECT_EQ(parser.parseQueryResult(std::nullopt, {{"FA", a}}).value("FA"), a);
    EXPECT_EQ(a->segmentCount(), 0);
}

TEST_F(MidsParser, EveryPartOfAFinishedBatchIsSortedOutAndEachJobWithoutArticlesIsMarkedOnce)
{
    MessageCapture console("binorama.deeplookup");
    const QueuePtr j1 = job(QStringLiteral("J1"));
    const QueuePtr j2 = job(QStringLiteral("J2"));
    const QueuePtr j3 = job(QStringLiteral("J3"));
    const QueuePtr a = part(j1, QStringLiteral("A"));
    const QueuePtr b = part(j2, QStringLiteral("B"), QStringLiteral("b.rar"));
    const QueuePtr c = part(j2, QStringLiteral("C"), QStringLiteral("c.rar"));
    const QueuePtr d = part(j3, QStringLiteral("D"));
    const FilepartsByFid batch{{"A", a}, {"B", b}, {"C", c}, {"D", d}};
    parse({R::data("A", "a", 1, 1, 1), R::data("D", "d", 1, 1, 1)}, batch);

    // B comes before D: the parts after the first one without articles are
    // still handed over.
    const DeepLookupMidsParser::BatchOutcome outcome = DeepLookupMidsParser::checkBatch(batch);
    EXPECT_EQ(outcome.received, (QList<QueuePtr>{a, d}));
    EXPECT_EQ(outcome.withoutSegments, (QList<QueuePtr>{b, c}));

    const QList<QueuePtr> marked = DeepLookupMidsParser::markPartsWithoutSegments(outcome.withoutSegments);
    EXPECT_EQ(marked, (QList<QueuePtr>{j2}));
    EXPECT_EQ(j2->status(), JobStatus::SegmentsDownloadError);
    EXPECT_EQ(j1->status(), JobStatus::DownloadingSegments);
    EXPECT_EQ(j3->status(), JobStatus::DownloadingSegments);
    const QString prefix = QStringLiteral("[DeepLookupMidsParser markPartsWithoutSegments] ALERT: ");
    EXPECT_TRUE(console.contains(prefix + QStringLiteral("Segment fetch error for FID: B (b.rar)")));
    EXPECT_TRUE(console.contains(prefix + QStringLiteral("Segment fetch error for FID: C (c.rar)")));
    spinEventLoop(10);
}
