// The newsgroup list from the request to the store: the request job's
// article served by a real connection against the scripted server, the
// queue's result notification, the parser and newsgroups.db.

#include "ConnectionFixture.h"

#include "nntp/DBNewsgroups.h"
#include "nntp/NewsGroupDownloadController.h"
#include "nntp/NewsGroupDownloadControllerDelegate.h"
#include "nntp/NewsgroupListParser.h"
#include "platform/NotificationHub.h"

#include "queue/StatusCodes.h"
#include "support/FakeNewsgroupListQueue.h"

namespace {

class Replies : public NewsGroupDownloadControllerDelegate
{
public:
    void newsgroupsReceived(const QByteArray& reply) override { replies.append(reply); }
    void connectionIsClosed() override { ++closed; }
    QList<QByteArray> replies;
    int closed = 0;
};

class NewsgroupDownload : public Connection
{
protected:
    FakeNewsgroupListQueue queue;
    Replies delegate;
    NewsGroupDownloadController controller;

    void SetUp() override
    {
        Connection::SetUp();
        controller.setDelegate(&delegate);
        controller.setQueueController(&queue);
        // What the queue will do: the job's one article to a connection of
        // the job's server.
        queue.onQueued = [this](const QueuePtr& job) {
            manager->addSegment(job->fileparts().first()->segments().first());
            manager->openConnection(slot());
        };
    }

    // Runs one request to the queue's result and answers the reply block.
    QByteArray fetch()
    {
        controller.getNewsGroupListFromServerID(QStringLiteral("1"));
        EXPECT_TRUE(waitForHandIns(1));
        if (manager->handIns().isEmpty()) return {};
        EXPECT_EQ(manager->handIns().first().segment,
                  controller.queueRequestObject()->fileparts().first()->segments().value(0));
        NotificationHub::defaultCenter().post(
            QString::fromLatin1(NewsGroupDownloadController::kResultNotification), nullptr,
            {{QStringLiteral("status"), QStringLiteral("ok")}});
        EXPECT_EQ(delegate.closed, 1);
        return delegate.replies.value(0);
    }
};

} // namespace

TEST_F(NewsgroupDownload, TheServersListReachesTheStore)
{
    server.addGroup("alt.test", 200, 101, 'y');
    server.addGroup("a.b", 5, 5, 'n');
    const QByteArray reply = fetch();
    EXPECT_EQ(reply, QByteArray("alt.test 200 101 y\r\na.b 5 5 n\r\n.\r\n"));
    EXPECT_EQ(lines(), QList<QByteArray>({"LIST"}));
    EXPECT_EQ(controller.queueRequestObject()->status(), JobStatus::Finished);

    const QList<NewsgroupSelectorItem> items = NewsgroupListParser::parse(reply);
    EXPECT_EQ(items, QList<NewsgroupSelectorItem>(
                         {{QStringLiteral("a.b"), 0, false}, {QStringLiteral("alt.test"), 99, false}}));
    EXPECT_TRUE(DBNewsgroups().saveAll(items));
    EXPECT_EQ(DBNewsgroups().loadAll(),
              QList<NewsgroupSelectorItem>(
                  {{QStringLiteral("a.b"), 0, false}, {QStringLiteral("alt.test"), 99, true}}));
}

// A server without groups answers the status line and the terminating line
// only; the connection completes that block and the list reads as empty.
TEST_F(NewsgroupDownload, AnEmptyListCompletesAndReadsAsEmpty)
{
    server.addRule(NntpRule::on("LIST").replyRaw("215 list follows\r\n.\r\n"));
    const QByteArray reply = fetch();
    EXPECT_EQ(reply, QByteArray(".\r\n"));
    EXPECT_TRUE(NewsgroupListParser::isEmptyList(reply));
}
