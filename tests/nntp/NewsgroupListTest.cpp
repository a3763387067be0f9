// The LIST reply parser and the newsgroup-list request controller (with a
// recording queue in place of the download queue).

#include "nntp/NewsGroupDownloadController.h"
#include "nntp/NewsGroupDownloadControllerDelegate.h"
#include "nntp/NewsgroupListParser.h"
#include "platform/NotificationHub.h"
#include "queue/Queue.h"

#include "queue/StatusCodes.h"
#include "support/EventLoop.h"
#include "support/FakeNewsgroupListQueue.h"
#include "support/NewsgroupItemPrinting.h"
#include "support/TempHome.h"

#include <gtest/gtest.h>

#include <limits>
#include <thread>

namespace {

using Items = QList<NewsgroupSelectorItem>;

NewsgroupSelectorItem item(const char* name, qint64 count)
{
    return {QString::fromLatin1(name), count, false};
}

} // namespace

TEST(NewsgroupListParser, Lines)
{
    struct Case
    {
        const char* name;
        QByteArray reply;
        Items expected;
    };
    const Case cases[] = {
        {"the reply of the example",
         "alt.test 200 101 y\r\na.b 5 5 n\r\n.\r\n",
         {item("a.b", 0), item("alt.test", 99)}},
        {"LF line ends", "alt.test 200 101 y\na.b 5 5 n\n.\n", {item("a.b", 0), item("alt.test", 99)}},
        {"short lines and a dotted first field",
         "ab\nx\r\n\r\nalt.bad. 9 1 y\r\n.. 1 1 y\r\nok.group 3 1 y\r\n",
         {item("ok.group", 2)}},
        {"a name alone counts 0",
         "alt.lonely\r\nalt.pair 7\r\n",
         {item("alt.lonely", 0), item("alt.pair", 0)}},
        {"runs of blanks and tabs", "alt.spaced  30 \t 10  y\r\n", {item("alt.spaced", 20)}},
        {"an empty group counts 0, not -1", "alt.empty 0000000100 0000000101 y\r\n", {item("alt.empty", 0)}},
        {"junk after the digits", "alt.junk 12abc 2x y\r\n", {item("alt.junk", 10)}},
        {"a line with a high byte is dropped alone",
         "alt.caf\xc3\xa9 5 1 y\r\nalt.plain 5 1 y\r\n",
         {item("alt.plain", 4)}},
        {"case does not order",
         "B.second 1 1 y\r\na.first 1 1 y\r\nC.third 1 1 y\r\n",
         {item("a.first", 0), item("B.second", 0), item("C.third", 0)}},
        {"no terminating line", "z.last 2 1 y\r\nm.mid 2 1 y", {item("m.mid", 1), item("z.last", 1)}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(NewsgroupListParser::parse(c.reply), c.expected);
    }
}

TEST(NewsgroupListParser, EmptyReplies)
{
    for (const QByteArray& reply :
         {QByteArray(), QByteArray(".\r\n"), QByteArray("\r\n.\r\n"), QByteArray(".")}) {
        SCOPED_TRACE(reply.toStdString());
        EXPECT_TRUE(NewsgroupListParser::isEmptyList(reply));
        EXPECT_TRUE(NewsgroupListParser::parse(reply).isEmpty());
    }
    EXPECT_FALSE(NewsgroupListParser::isEmptyList("a.b 1 1 y\r\n.\r\n"));
    // Not empty, yet nothing usable in it.
    EXPECT_FALSE(NewsgroupListParser::isEmptyList("x\r\n.\r\n"));
    EXPECT_TRUE(NewsgroupListParser::parse("x\r\n.\r\n").isEmpty());
}

TEST(NewsgroupListParser, IntegerValues)
{
    constexpr qint64 kMax = std::numeric_limits<qint64>::max();
    constexpr qint64 kMin = std::numeric_limits<qint64>::min();
    EXPECT_EQ(NewsgroupListParser::integerValue("0000012"), 12);
    EXPECT_EQ(NewsgroupListParser::integerValue("101\r"), 101);
    EXPECT_EQ(NewsgroupListParser::integerValue("-7"), -7);
    EXPECT_EQ(NewsgroupListParser::integerValue("+7"), 7);
    EXPECT_EQ(NewsgroupListParser::integerValue("y"), 0);
    EXPECT_EQ(NewsgroupListParser::integerValue(""), 0);
    EXPECT_EQ(NewsgroupListParser::integerValue("9223372036854775807"), kMax);
    EXPECT_EQ(NewsgroupListParser::integerValue("99999999999999999999"), kMax);
    EXPECT_EQ(NewsgroupListParser::integerValue("-9223372036854775808"), kMin);
    EXPECT_EQ(NewsgroupListParser::integerValue("-99999999999999999999"), kMin);
    // A difference beyond 64 bits saturates instead of wrapping.
    EXPECT_EQ(NewsgroupListParser::parse("a.huge 99999999999999999999 -99999999999999999999 y\r\n"),
              Items({item("a.huge", kMax)}));
}

// ---------------------------------------------------------------------------
// The request controller

namespace {

class RecordingDelegate : public NewsGroupDownloadControllerDelegate
{
public:
    void newsgroupsReceived(const QByteArray& reply) override { replies.append(reply); }
    void connectionStatusReceived(const QString& text) override { events.append(text); }
    void connectionIsClosed() override { events.append(QStringLiteral("(closed)")); }

    QList<QByteArray> replies;
    QStringList events;
};

class NewsgroupRequest : public ::testing::Test
{
protected:
    TempHome home;
    FakeNewsgroupListQueue queue;
    RecordingDelegate delegate;
    NewsGroupDownloadController controller;

    void SetUp() override
    {
        controller.setDelegate(&delegate);
        controller.setQueueController(&queue);
    }

    static void postResult(const QString& status)
    {
        NotificationHub::defaultCenter().post(
            QString::fromLatin1(NewsGroupDownloadController::kResultNotification), nullptr,
            {{QStringLiteral("status"), status}});
    }
    // What the queue and a connection do with the job: the reply block in
    // the article, the article booked.
    static void serve(const QueuePtr& job, const QByteArray& reply)
    {
        const SegmentPtr segment = job->fileparts().first()->segments().first();
        segment->setFiledata(reply);
        segment->setStatus(ArticleStatus::Downloaded);
    }
};

} // namespace

TEST_F(NewsgroupRequest, TheJobHasOnePartWithOneArticle)
{
    const QueuePtr root = NewsGroupDownloadController::makeQueueObject();
    EXPECT_EQ(root->title(), QStringLiteral("Refreshing Newsgroups Listing"));
    EXPECT_EQ(root->bytes(), 100.0);
    EXPECT_EQ(root->totalBytesLeft(), 100.0);
    EXPECT_EQ(root->totalSegments(), 1);
    EXPECT_EQ(root->totalSegmentsLeftToDownload(), 1);
    EXPECT_TRUE(root->isNewsgroupsRequest());
    EXPECT_TRUE(root->segmentsReceived());
    EXPECT_TRUE(root->filelistReceived());
    EXPECT_EQ(root->checkbox(), 1);
    EXPECT_FALSE(root->isFilepart());
    ASSERT_EQ(root->fileparts().size(), 1);

    const QueuePtr part = root->fileparts().first();
    EXPECT_EQ(part->queue(), root);
    EXPECT_TRUE(part->isFilepart());
    EXPECT_TRUE(part->checkboxDisabled());
    EXPECT_EQ(part->checkbox(), 1);
    EXPECT_EQ(part->title(), QStringLiteral("Refreshing Newsgroups Listing"));
    EXPECT_EQ(part->filename(), QStringLiteral("Refreshing Newsgroups Listing"));
    EXPECT_EQ(part->bytes(), 100.0);
    EXPECT_EQ(part->totalBytesLeft(), 100.0);
    EXPECT_EQ(part->totalSegments(), 1);
    EXPECT_EQ(part->totalSegmentsLeftToDownload(), 1);
    EXPECT_EQ(part->status(), FilePartStatus::Queued);
    ASSERT_EQ(part->segments().size(), 1);

    const SegmentPtr segment = part->segments().first();
    EXPECT_EQ(segment->queue(), root);
    EXPECT_EQ(segment->filepart(), part);
    EXPECT_EQ(segment->segnr(), 1);
    EXPECT_EQ(segment->segtotal(), 1);
    EXPECT_EQ(segment->status(), ArticleStatus::Queued);
}

TEST_F(NewsgroupRequest, ARequestIsQueuedForItsServer)
{
    controller.getNewsGroupListFromServerID(QStringLiteral("17023456789012"));
    const QueuePtr job = controller.queueRequestObject();
    ASSERT_TRUE(job);
    EXPECT_EQ(job->serverID(), QStringLiteral("17023456789012"));
    ASSERT_EQ(queue.calls().size(), 1);
    EXPECT_EQ(queue.calls().first().queue, job);
    EXPECT_EQ(queue.calls().first().checkbox, 1);
    EXPECT_EQ(delegate.events, QStringList({"Newsgroups listing queued for download"}));
}

TEST_F(NewsgroupRequest, WithoutAServerNothingIsQueued)
{
    controller.getNewsGroupListFromServerID(QString());
    EXPECT_TRUE(queue.calls().isEmpty());
    EXPECT_FALSE(controller.queueRequestObject());
    EXPECT_EQ(delegate.events, QStringList({"Unknown server selected"}));
    // A result for someone else's request is not ours.
    postResult(QStringLiteral("ok"));
    EXPECT_EQ(delegate.events, QStringList({"Unknown server selected"}));
}

TEST_F(NewsgroupRequest, TheReplyGoesToTheDelegateAndLeavesTheQueue)
{
    controller.getNewsGroupListFromServerID(QStringLiteral("1"));
    const QueuePtr job = controller.queueRequestObject();
    const QueuePtr part = job->fileparts().first();
    const SegmentPtr segment = part->segments().first();
    serve(job, "alt.test 200 101 y\r\n.\r\n");

    postResult(QStringLiteral("ok"));
    EXPECT_EQ(delegate.replies, QList<QByteArray>({"alt.test 200 101 y\r\n.\r\n"}));
    EXPECT_EQ(delegate.events.last(), QStringLiteral("(closed)"));
    EXPECT_TRUE(segment->filedata().isEmpty());
    EXPECT_TRUE(part->segments().isEmpty());
    EXPECT_EQ(job->status(), JobStatus::Finished);
}

TEST_F(NewsgroupRequest, AResultOtherThanOkOnlyClosesTheConnection)
{
    controller.getNewsGroupListFromServerID(QStringLiteral("1"));
    serve(controller.queueRequestObject(), "alt.test 2 1 y\r\n.\r\n");
    postResult(QStringLiteral("failed"));
    EXPECT_TRUE(delegate.replies.isEmpty());
    EXPECT_EQ(delegate.events.last(), QStringLiteral("(closed)"));
}

TEST_F(NewsgroupRequest, CancellingTakesTheJobOutAndDropsALateReply)
{
    controller.getNewsGroupListFromServerID(QStringLiteral("1"));
    const QueuePtr job = controller.queueRequestObject();
    controller.cancel();
    EXPECT_TRUE(controller.cancelled());
    ASSERT_EQ(queue.calls().size(), 2);
    EXPECT_EQ(queue.calls().last().queue, job);
    EXPECT_EQ(queue.calls().last().checkbox, 0);
    EXPECT_TRUE(queue.queued().isEmpty());

    serve(job, "alt.test 2 1 y\r\n.\r\n");
    postResult(QStringLiteral("ok"));
    EXPECT_TRUE(delegate.replies.isEmpty());
    EXPECT_EQ(job->status(), JobStatus::Finished);

    // A new request starts afresh.
    controller.getNewsGroupListFromServerID(QStringLiteral("2"));
    EXPECT_FALSE(controller.cancelled());
    EXPECT_EQ(queue.queued(), QList<QueuePtr>({controller.queueRequestObject()}));
}

TEST_F(NewsgroupRequest, AResultPostedOnAnotherThreadIsHandledOnTheMainThread)
{
    controller.getNewsGroupListFromServerID(QStringLiteral("1"));
    serve(controller.queueRequestObject(), "a.b 2 1 y\r\n.\r\n");
    std::thread poster([] { postResult(QStringLiteral("ok")); });
    poster.join();
    EXPECT_TRUE(delegate.replies.isEmpty()) << "not on the poster's thread";
    ASSERT_TRUE(waitUntil([&] { return delegate.replies.size() == 1; }));
}

TEST_F(NewsgroupRequest, WithoutAQueueTheWindowIsNotLeftWaiting)
{
    NewsGroupDownloadController lone;
    RecordingDelegate d;
    lone.setDelegate(&d);
    lone.getNewsGroupListFromServerID(QStringLiteral("1"));
    EXPECT_EQ(d.events, QStringList({"(closed)"}));
}
