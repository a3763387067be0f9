#include "queue/Queue.h"
#include "queue/ServerIDRegistry.h"

#include "queue/StatusCodes.h"
#include "support/EventLoop.h"
#include "support/TempHome.h"

#include <gtest/gtest.h>

namespace {

SegmentPtr article(qint64 number, const char* mid, double bytes)
{
    SegmentPtr segment = Segment::create();
    segment->setSegnr(number);
    segment->setMid(QString::fromUtf8(mid));
    segment->setBytes(bytes);
    segment->setStatus(ArticleStatus::Queued);
    return segment;
}

QList<qint64> numbersOf(const QList<SegmentPtr>& segments)
{
    QList<qint64> numbers;
    for (const SegmentPtr& s : segments)
        numbers.append(s->segnr());
    return numbers;
}

QStringList midsOf(const QList<SegmentPtr>& segments)
{
    QStringList mids;
    for (const SegmentPtr& s : segments)
        mids.append(s->mid());
    return mids;
}

class Segments : public ::testing::Test
{
protected:
    TempHome home;
    QueuePtr part = Queue::create();

    void TearDown() override { spinEventLoop(20); }
};

} // namespace

TEST_F(Segments, OrderedByNumberWithDuplicatesKeptOnce)
{
    const SegmentPtr firstTwo = article(2, "<b@x>", 200);
    const qsizetype dropped = part->setOrderedSegments({
        article(3, "<c@x>", 300), article(1, "<a@x>", 100), firstTwo,
        article(2, "<b-repost@x>", 250),                    // same number
        article(5, "<e@x>", 500), article(4, "<a@x>", 400), // same message-id as number 1
        article(6, "<f@x>", 600), article(6, "<f@x>", 600), // repeated entry
    });
    EXPECT_EQ(dropped, 3);
    const QList<SegmentPtr> kept = part->segments();
    EXPECT_EQ(numbersOf(kept), QList<qint64>({1, 2, 3, 5, 6}));
    EXPECT_EQ(kept[1], firstTwo);
    EXPECT_EQ(part->totalSegments(), 5);
    EXPECT_EQ(part->bytes(), 100.0 + 200 + 300 + 500 + 600);
}

TEST_F(Segments, ArticlesWithoutNumberKeepTheirOrderAndAreMatchedByMessageId)
{
    const qsizetype dropped = part->setOrderedSegments({
        article(2, "<two@x>", 2),
        article(0, "<z@x>", 10),
        article(0, "<y@x>", 20),
        article(1, "<one@x>", 1),
        article(0, "<z@x>", 10), // same message-id
        article(0, "", 5),       // no message-id: nothing to match
        article(0, "", 5),
    });
    EXPECT_EQ(dropped, 1);
    const QList<SegmentPtr> kept = part->segments();
    EXPECT_EQ(midsOf(kept), QStringList({"<z@x>", "<y@x>", "", "", "<one@x>", "<two@x>"}));
    EXPECT_EQ(part->totalSegments(), 6);
    EXPECT_EQ(part->bytes(), 10.0 + 20 + 5 + 5 + 1 + 2);
}

TEST_F(Segments, AnInOrderListIsTakenAsItIs)
{
    QList<SegmentPtr> list;
    for (int i = 1; i <= 500; ++i)
        list.append(article(i, QByteArray("<" + QByteArray::number(i) + "@x>").constData(), 1000));
    const QList<SegmentPtr> original = list;
    EXPECT_EQ(part->setOrderedSegments(list), 0);
    EXPECT_EQ(part->segments(), original);
    EXPECT_EQ(part->totalSegments(), 500);
    EXPECT_EQ(part->bytes(), 500000.0);
    EXPECT_EQ(part->setOrderedSegments({}), 0);
    EXPECT_EQ(part->segmentCount(), 0);
    EXPECT_EQ(part->bytes(), 0.0);
}

TEST(Segment, MessageIdsRoundTripAsBytes)
{
    const SegmentPtr segment = Segment::create();
    EXPECT_TRUE(segment->mid().isEmpty());
    segment->setMid(QStringLiteral("<part1of9.ÄÖ\u20ac@news.example>"));
    EXPECT_EQ(segment->mid(), QStringLiteral("<part1of9.ÄÖ\u20ac@news.example>"));
    EXPECT_EQ(segment->midBytes(), QStringLiteral("<part1of9.ÄÖ\u20ac@news.example>").toUtf8());
    // A text post keeps its body in the same field at save time.
    const QByteArray body(100000, 'x');
    segment->setMid(QByteArrayView(body));
    EXPECT_EQ(segment->midBytes(), body);
    segment->setMid(QString());
    EXPECT_TRUE(segment->midBytes().isEmpty());
}

TEST(Segment, RareTextsAndDefaults)
{
    const SegmentPtr segment = Segment::create();
    EXPECT_EQ(segment->status(), ArticleStatus::NotSet);
    EXPECT_TRUE(segment->fid().isNull());
    EXPECT_TRUE(segment->filename().isNull());
    segment->setFid("fid-1");
    segment->setFilename("subject line");
    EXPECT_EQ(segment->fid(), "fid-1");
    EXPECT_EQ(segment->filename(), "subject line");
    segment->setFilename(QString());
    EXPECT_TRUE(segment->filename().isNull());
    EXPECT_EQ(segment->fid(), "fid-1");
}

TEST(Segment, UsedServerIDsAreASetInOrderOfAddition)
{
    const SegmentPtr segment = Segment::create();
    const QString late = "server-late-" + QString::number(quintptr(segment.get()));
    const QString early = "server-early-" + QString::number(quintptr(segment.get()));
    ServerIDRegistry::tokenFor(early);
    EXPECT_FALSE(segment->hasUsedServerID(late)); // never seen: no number given
    segment->addUsedServerID(late);
    segment->addUsedServerID(early);
    segment->addUsedServerID(late);
    EXPECT_EQ(segment->usedServerIDs(), QStringList({late, early}));
    EXPECT_TRUE(segment->hasUsedServerID(early));
    EXPECT_TRUE(segment->hasUsedServerToken(ServerIDRegistry::findToken(late)));
    EXPECT_FALSE(segment->hasUsedServerID("another"));
    segment->removeAllUsedServerIDs();
    EXPECT_TRUE(segment->usedServerIDs().isEmpty());
    EXPECT_FALSE(segment->hasUsedServerID(late));
}

// What one server fails says nothing of another: each has its own count,
// and the counts live beside the body without disturbing it.
TEST(Segment, FetchFailuresAreCountedPerServer)
{
    const SegmentPtr segment = Segment::create();
    const int a = ServerIDRegistry::tokenFor("failures-a");
    const int b = ServerIDRegistry::tokenFor("failures-b");
    EXPECT_EQ(segment->fetchFailures(a), 0);
    EXPECT_EQ(segment->addFetchFailure(a), 1);
    EXPECT_EQ(segment->addFetchFailure(a), 2);
    EXPECT_EQ(segment->addFetchFailure(b), 1);
    EXPECT_EQ(segment->addFetchFailure(), 1) << "attempts of no server";
    EXPECT_EQ(segment->fetchFailures(a), 2);
    EXPECT_EQ(segment->fetchFailures(b), 1);
    EXPECT_EQ(segment->fetchFailures(), 1);
    segment->setFiledata("body");
    segment->setFiledata(QByteArray());
    EXPECT_EQ(segment->fetchFailures(a), 2);
    EXPECT_TRUE(segment->filedata().isNull());
}

TEST(Segment, UsedServerIDsBeyondSixtyFourServers)
{
    QStringList ids;
    for (int i = 0; i < 100; ++i)
        ids.append("many-" + QString::number(i));
    const SegmentPtr segment = Segment::create();
    segment->setUsedServerIDs(ids);
    EXPECT_EQ(segment->usedServerIDs(), ids);
    for (const QString& id : ids)
        EXPECT_TRUE(segment->hasUsedServerID(id)) << id.toStdString();
    EXPECT_FALSE(segment->hasUsedServerID("many-100"));
}
