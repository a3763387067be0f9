// The search controller and the completion of search-service jobs in the
// scheduler, against the scripted search service on 127.0.0.1.

#include "search/DeepLookupController.h"

#include "platform/NotificationHub.h"
#include "queue/Queue.h"
#include "queue/QueueController.h"
#include "queue/Segment.h"
#include "search/DeepLookupControllerDelegate.h"
#include "search/DeepLookupObject.h"
#include "search/DeepLookupSocket.h"

#include "queue/StatusCodes.h"
#include "support/DeepLookupReplyBuilder.h"
#include "support/EventLoop.h"
#include "support/LogFileReader.h"
#include "support/ScriptedDialogAnswerer.h"
#include "support/ScriptedHttpServer.h"
#include "support/TempHome.h"

#include <gtest/gtest.h>

#include <QRegularExpression>

namespace {

const QByteArray kFids = DeepLookupSocket::kChildFilesPath.toLatin1();
const QByteArray kMids = DeepLookupSocket::kMidsPath.toLatin1();
const QByteArray kSearch = DeepLookupSocket::kSearchPath.toLatin1();

// Plays the job state machine's dispatcher for the search-service codes, so
// that a job moves through them as it would in the program.
class SearchCodeDispatcher : public QueueObjectDelegate
{
public:
    explicit SearchCodeDispatcher(QueueController& qc) : qc_(qc) {}
    void statusChangedForQueueObject(const QueuePtr& queue, qint64, qint64 toValue) override
    {
        codes.append(toValue);
        switch (toValue) {
        case 106:
            qc_.queueRootStatusToDownloadFilelist(queue);
            break;
        case 107:
            qc_.queueRootStatusToDownloadFilelistFinished(queue);
            break;
        case 108:
            qc_.queueRootStatusToDownloadSegments(queue);
            break;
        case 109:
            qc_.queueRootStatusToDownloadSegmentsFinished(queue);
            break;
        case 110:
            qc_.queueRootStatusToDownloadSegmentsError(queue);
            break;
        default:
            break;
        }
    }
    QList<qint64> codes;

private:
    QueueController& qc_;
};

class Page : public DeepLookupControllerDelegate
{
public:
    void searchResults(const DeepLookupContentParser::Result& result) override
    {
        ends.append(QStringLiteral("results"));
        results.append(result);
    }
    void searchFailed(const QString& title, const QString& subtitle) override
    {
        ends.append(QStringLiteral("failed: ") + title + QLatin1Char('|') + subtitle);
    }
    void searchCancelled() override { ends.append(QStringLiteral("cancelled")); }
    QStringList ends;
    QList<DeepLookupContentParser::Result> results;
};

// Answers an article-list request with `count` articles for every fid it
// names, except those in `omit`.
HttpReply articlesFor(const HttpRequestRecord& request, int count, const QStringList& omit = {})
{
    QList<QByteArrayList> rows = {{"INFO", "ok"}};
    for (const QString& fid : request.formValue(QStringLiteral("fids")).split(QLatin1Char(','))) {
        if (fid.isEmpty() || omit.contains(fid)) continue;
        for (int n = 1; n <= count; ++n)
            rows.append(DeepLookupReplyBuilder::data(
                fid.toLatin1(), fid.toLatin1() + "." + QByteArray::number(n) + "@x", 1000, n, count));
    }
    return HttpReply::text(HttpReply::tabLines(rows));
}

QByteArrayList fileRecord(const QByteArray& fid, const QByteArray& name)
{
    DeepLookupFileRecord r;
    r.fid = fid;
    r.title = "Show [1/2] - \"" + name + "\" yEnc";
    return r.fields();
}

class SearchJobs : public ::testing::Test
{
protected:
    TempHome home;
    ScriptedDialogAnswerer answers;
    ScriptedHttpServer server;
    QueueController qc;
    DeepLookupController dl;
    SearchCodeDispatcher dispatcher{qc};
    Page page;

    void SetUp() override
    {
        ASSERT_TRUE(server.start());
        ASSERT_TRUE(DeepLookupSocket::setServiceURLForTesting(server.baseUrl()));
        dl.setQueueController(&qc);
        dl.setDelegate(&page);
        qc.setDeepLookupController(&dl);
    }
    void TearDown() override
    {
        DeepLookupSocket::setServiceURLForTesting(QUrl());
        DeepLookupSocket::setTimeoutForTesting(0);
    }

    // A search-service job in the queue, not started.
    QueuePtr job(const QString& qid, bool ero = false)
    {
        QueuePtr j = Queue::create();
        j->setQid(qid);
        j->setTitle(qid);
        j->setEro(ero);
        j->setDelegate(&dispatcher);
        qc.addRootQueueObjectToQueueArray(j);
        return j;
    }
    // A job whose file list is in: `parts` parts with fids "<qid>-<n>".
    QueuePtr jobWithParts(const QString& qid, int parts, bool ero = false)
    {
        QueuePtr j = job(qid, ero);
        QList<QueuePtr> list;
        for (int n = 1; n <= parts; ++n) {
            QueuePtr p = Queue::create();
            p->setIsFilepart(true);
            p->setFid(qid + QLatin1Char('-') + QString::number(n));
            p->setFilename(p->fid() + QStringLiteral(".bin"));
            list.append(p);
        }
        qc.addFileparts(list, j);
        j->setFilelistReceived(true);
        return j;
    }
    static QStringList requestedFids(const HttpRequestRecord& r)
    {
        return r.formValue(QStringLiteral("fids")).split(QLatin1Char(','), Qt::SkipEmptyParts);
    }
    bool settled(const std::function<bool()>& done, int ms = 5000)
    {
        const bool ok = waitUntil(done, ms);
        spinEventLoop(50);
        return ok;
    }
};

} // namespace

// The whole road of a result job: its file list, its article lists, and its
// checked parts prepared for download.
TEST_F(SearchJobs, AJobGetsItsFileListAndArticlesAndIsQueued)
{
    server.route(
        "POST", kFids,
        HttpReply::text(HttpReply::tabLines(
            {{"INFO", "2 files"}, fileRecord("F1", "a.part1.rar"), fileRecord("F2", "a.part2.rar")})));
    server.route("POST", kMids, [](const HttpRequestRecord& r) { return articlesFor(r, 3); });
    QList<QVariantMap> received;
    NotificationHub::defaultCenter().addObserver(QStringLiteral("NewFilepartsReceived"), &qc,
                                                 [&](const Notification& n) { received.append(n.userInfo); });

    const QueuePtr j = job(QStringLiteral("Q1"));
    j->setShouldDownloadSegments(true);
    j->setShouldSelectAllFileparts(true);
    j->setStatus(JobStatus::DownloadingFilelist);
    ASSERT_TRUE(settled([&] { return j->status() == JobStatus::QueuedForDownload; }));

    EXPECT_EQ(dispatcher.codes, QList<qint64>({106, 107, 0, 108, 109, 0, 105}));
    ASSERT_EQ(server.requestsFor(kFids).size(), 1);
    EXPECT_EQ(server.requestsFor(kFids).first().body, QByteArray("qid=Q1&e=0"));
    ASSERT_EQ(server.requestsFor(kMids).size(), 1);
    EXPECT_EQ(server.requestsFor(kMids).first().body, QByteArray("fids=F1,F2&ero=0"));

    ASSERT_EQ(j->filepartCount(), 2);
    for (const QueuePtr& part : j->fileparts()) {
        EXPECT_EQ(part->queue(), j);
        EXPECT_EQ(part->delegate(), &qc);
        EXPECT_EQ(part->checkbox(), 1);
        EXPECT_EQ(part->status(), FilePartStatus::Queued);
        ASSERT_EQ(part->segmentCount(), 3);
        EXPECT_EQ(part->segments().first()->mid(), QStringLiteral("<%1.1@x>").arg(part->fid()));
    }
    EXPECT_EQ(j->fileparts().first()->filename(), QStringLiteral("a.part1.rar"));
    EXPECT_TRUE(j->filelistReceived());
    EXPECT_TRUE(j->segmentsReceived());
    EXPECT_FALSE(j->shouldDownloadSegments());
    EXPECT_FALSE(j->shouldSelectAllFileparts());
    EXPECT_FALSE(j->checkboxDisabled());
    ASSERT_EQ(received.size(), 1);
    EXPECT_EQ(received.first().value(QStringLiteral("queue")).value<QueuePtr>(), j);
    EXPECT_FALSE(dl.isDownloadingFids());
    EXPECT_FALSE(dl.isDownloadingMids());
    EXPECT_TRUE(answers.asked().isEmpty());
    EXPECT_TRUE(page.ends.isEmpty()) << "list requests do not talk to the page";
}

TEST_F(SearchJobs, WithoutWantedArticlesAJobRestsAtZeroWithItsList)
{
    server.route("POST", kFids,
                 HttpReply::text(HttpReply::tabLines({{"INFO", "1"}, fileRecord("F1", "a.bin")})));
    const QueuePtr j = job(QStringLiteral("Q1"));
    j->setStatus(JobStatus::DownloadingFilelist);
    ASSERT_TRUE(settled([&] { return dispatcher.codes.size() == 3; }));
    EXPECT_EQ(dispatcher.codes, QList<qint64>({106, 107, 0}));
    EXPECT_EQ(j->filepartCount(), 1);
    EXPECT_TRUE(server.requestsFor(kMids).isEmpty());
}

// One file-list request at a time, in the order asked; a job asked for twice
// is queued twice and its first answer removes both.
TEST_F(SearchJobs, FileListsGoOneAtATimeInOrder)
{
    server.route("POST", kFids, [](const HttpRequestRecord& r) {
        const QByteArray qid = r.formValue(QStringLiteral("qid")).toLatin1();
        return HttpReply::text(HttpReply::tabLines({{"INFO", "1"}, fileRecord(qid + "-F", "x.bin")}))
            .withDelay(150);
    });
    const QueuePtr a = job(QStringLiteral("A"));
    const QueuePtr b = job(QStringLiteral("B"));
    dl.getFidsFor(a);
    dl.getFidsFor(a);
    dl.getFidsFor(b);
    dl.getFidsFor(nullptr);
    EXPECT_EQ(dl.fidDownloadQueue(), QList<QueuePtr>({a, a, b}));
    EXPECT_TRUE(dl.isDownloadingFids());
    ASSERT_TRUE(server.waitForRequests(1));
    spinEventLoop(60);
    EXPECT_EQ(server.requestCount(), 1) << "the second waits for the first";

    ASSERT_TRUE(settled([&] { return b->filelistReceived(); }));
    QByteArrayList bodies;
    for (const HttpRequestRecord& r : server.requestsFor(kFids))
        bodies.append(r.body);
    EXPECT_EQ(bodies, QByteArrayList({"qid=A&e=0", "qid=B&e=0"}));
    EXPECT_TRUE(dl.fidDownloadQueue().isEmpty());
    EXPECT_FALSE(dl.isDownloadingFids());
    EXPECT_EQ(a->filepartCount(), 1);
}

// A failed file list is an error: it is shown, the job keeps no list and
// is not taken as having one, and the next job's request still goes out.
TEST_F(SearchJobs, AFailedFileListIsAnErrorAndTheQueueGoesOn)
{
    const struct
    {
        const char* name;
        HttpReply reply;
        QString alertTitle;
    } cases[] = {
        {"reply error", HttpReply::text(HttpReply::tabLines({{"ERROR", "Result expired"}})),
         QStringLiteral("Result expired")},
        {"envelope", HttpReply::text(HttpReply::envelope({"x", "Service down", "Later"})),
         QStringLiteral("Service down")},
        {"time-out", HttpReply::text("INFO\tlate\n").withDelay(1500),
         QStringLiteral("No response from the DeepLookup server.")},
    };
    DeepLookupSocket::setTimeoutForTesting(300);
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        server.clearScript();
        server.clearRequests();
        dispatcher.codes.clear();
        const int before = int(answers.asked().size());
        server.enqueue("POST", kFids, c.reply);
        server.route("POST", kFids,
                     HttpReply::text(HttpReply::tabLines({{"INFO", "1"}, fileRecord("G", "g.bin")})));
        const QueuePtr bad = job(QStringLiteral("BAD-") + QLatin1String(c.name));
        const QueuePtr good = job(QStringLiteral("GOOD-") + QLatin1String(c.name));
        bad->setStatus(JobStatus::DownloadingFilelist);
        good->setStatus(JobStatus::DownloadingFilelist);
        ASSERT_TRUE(settled([&] { return good->filelistReceived(); }));
        EXPECT_FALSE(bad->filelistReceived());
        EXPECT_EQ(bad->filepartCount(), 0);
        EXPECT_EQ(bad->status(), JobStatus::Idle);
        ASSERT_EQ(answers.asked().size(), before + 1);
        EXPECT_TRUE(answers.asked().last().title.startsWith(c.alertTitle))
            << answers.asked().last().title.toStdString();
        EXPECT_EQ(answers.asked().last().info, QStringLiteral("Please try again."));
        EXPECT_FALSE(dl.isDownloadingFids());
    }
}

// Article lists go in batches of 200 parts, whatever job they belong to; a
// batch of parts of both content flags goes out as one request per flag.
TEST_F(SearchJobs, ArticleListsGoInBatchesOf200AndEveryPartGetsItsArticles)
{
    server.route("POST", kMids, [](const HttpRequestRecord& r) { return articlesFor(r, 2); });
    const QueuePtr a = jobWithParts(QStringLiteral("A"), 150);
    const QueuePtr b = jobWithParts(QStringLiteral("B"), 150, true);
    const QueuePtr c = jobWithParts(QStringLiteral("C"), 120);
    for (const QueuePtr& j : {a, b, c})
        j->setStatus(JobStatus::DownloadingSegments);
    ASSERT_TRUE(settled([&] {
        return a->segmentsReceived() && b->segmentsReceived() && c->segmentsReceived() &&
               !dl.isDownloadingMids();
    }));

    QList<QPair<int, QByteArray>> sent;
    for (const HttpRequestRecord& r : server.requestsFor(kMids))
        sent.append({int(requestedFids(r).size()), r.formValue(QStringLiteral("ero")).toLatin1()});
    // 200 (150 of A, 50 of B), 200 (100 of B, 100 of C), 20 of C.
    const QList<QPair<int, QByteArray>> expected = {{150, "0"}, {50, "1"}, {100, "0"}, {100, "1"}, {20, "0"}};
    EXPECT_EQ(sent, expected);
    for (const QueuePtr& j : {a, b, c}) {
        for (const QueuePtr& p : j->fileparts())
            ASSERT_EQ(p->segmentCount(), 2) << p->fid().toStdString();
    }
    EXPECT_TRUE(answers.asked().isEmpty());
}

// A part that receives no articles ends its own job's completion (110), and
// the job of every other part goes on.
TEST_F(SearchJobs, APartWithoutArticlesEndsOnlyItsOwnJob)
{
    server.route("POST", kMids,
                 [](const HttpRequestRecord& r) { return articlesFor(r, 1, {QStringLiteral("A-1")}); });
    const QueuePtr a = jobWithParts(QStringLiteral("A"), 2);
    const QueuePtr b = jobWithParts(QStringLiteral("B"), 2);
    for (const QueuePtr& j : {a, b}) {
        for (const QueuePtr& p : j->fileparts())
            p->setCheckbox(1);
    }
    a->setIsReplyPost(true);
    int replyErrors = 0;
    NotificationHub::defaultCenter().addObserver(QStringLiteral("BodyDownloadedErrorForReplyPost"), &qc,
                                                 [&](const Notification&) { ++replyErrors; });
    a->setStatus(JobStatus::DownloadingSegments);
    b->setStatus(JobStatus::DownloadingSegments);
    ASSERT_TRUE(settled([&] { return b->status() == JobStatus::QueuedForDownload && a->isCancelled(); }));

    EXPECT_TRUE(a->fileparts().at(1)->segmentCount() > 0);
    EXPECT_FALSE(a->segmentsReceived());
    EXPECT_FALSE(a->checkboxDisabled());
    for (const QueuePtr& p : a->fileparts())
        EXPECT_EQ(p->checkbox(), 0);
    EXPECT_EQ(replyErrors, 2);
    EXPECT_TRUE(b->segmentsReceived());
    EXPECT_EQ(b->fileparts().at(0)->status(), FilePartStatus::Queued);
    EXPECT_EQ(server.requestsFor(kMids).size(), 1) << "the failed part is not asked for again";
}

// A request that fails on its connection closes its step: the batch's jobs
// end at 110, the flag is cleared, and a later batch goes out.
TEST_F(SearchJobs, AConnectionFailureDoesNotHoldBackLaterBatches)
{
    DeepLookupSocket::setTimeoutForTesting(300);
    server.enqueue("POST", kMids, HttpReply::text("INFO\tlate\n").withDelay(1500));
    server.route("POST", kMids, [](const HttpRequestRecord& r) { return articlesFor(r, 1); });
    const QueuePtr a = jobWithParts(QStringLiteral("A"), 2);
    a->setStatus(JobStatus::DownloadingSegments);
    ASSERT_TRUE(settled([&] { return a->isCancelled() && !dl.isDownloadingMids(); }));
    ASSERT_FALSE(page.ends.isEmpty());
    EXPECT_EQ(page.ends.first(), QStringLiteral("failed: No response from the DeepLookup server.|") +
                                     DeepLookupSocket::kPleaseTryAgain);

    const QueuePtr b = jobWithParts(QStringLiteral("B"), 2);
    b->setStatus(JobStatus::DownloadingSegments);
    ASSERT_TRUE(settled([&] { return b->segmentsReceived(); }));
    EXPECT_EQ(server.requestsFor(kMids).size(), 2);
}

// The page's search ends once, by its own outcome, even when a list request
// fails while it runs.
TEST_F(SearchJobs, AListFailureDuringASearchDoesNotEndTheSearch)
{
    DeepLookupSearchRecord record;
    server.route("POST", kSearch,
                 HttpReply::text(HttpReply::tabLines({{"INFO", "1|2|3"}, record.fields()})).withDelay(400));
    server.route("POST", kFids, HttpReply::noAnswer());
    DeepLookupObject query;
    query.setTitle(QStringLiteral("show"));
    dl.searchFor(query);
    const QueuePtr j = job(QStringLiteral("Q"));
    j->setStatus(JobStatus::DownloadingFilelist);
    // The list request fails (and is shown) while the search still runs.
    ASSERT_TRUE(waitUntil([&] { return answers.asked().size() == 1; }, 350));
    EXPECT_FALSE(dl.isDownloadingFids());
    EXPECT_TRUE(page.ends.isEmpty());
    ASSERT_TRUE(settled([&] { return !page.ends.isEmpty(); }));
    EXPECT_EQ(page.ends, QStringList({QStringLiteral("results")}));
    ASSERT_EQ(page.results.size(), 1);
    ASSERT_TRUE(page.results.first().contentArray);
    EXPECT_EQ(page.results.first().contentArray->size(), 1);
    EXPECT_EQ(dl.socket(), nullptr);
    EXPECT_FALSE(dl.isDownloadingFids());
    EXPECT_FALSE(j->filelistReceived());
}

TEST_F(SearchJobs, SearchFailureAndCancel)
{
    dl.cancelSearch();
    EXPECT_TRUE(page.ends.isEmpty()) << "no search, nothing told";

    server.route("POST", kSearch, HttpReply::text(HttpReply::envelope({"x", "Busy", "Come back later"})));
    DeepLookupObject query;
    query.setTitle(QStringLiteral("a"));
    dl.searchFor(query);
    ASSERT_TRUE(settled([&] { return !page.ends.isEmpty(); }));
    EXPECT_EQ(page.ends, QStringList({QStringLiteral("failed: Busy|Come back later")}));
    // The page's message goes away; the program's log keeps why.
    EXPECT_EQ(LogFileReader(home.logFilePath()).linesWithMessage("DeepLookup search failed :: Busy (Come back later)").size(), 1)
        << LogFileReader(home.logFilePath()).lines().join(u'\n').toStdString();

    page.ends.clear();
    server.route("POST", kSearch, HttpReply::text("INFO\t1|2|3\n").withDelay(1000));
    dl.searchFor(query);
    ASSERT_TRUE(server.waitForRequests(2));
    dl.cancelSearch();
    EXPECT_EQ(page.ends, QStringList({QStringLiteral("cancelled")}));
    EXPECT_EQ(dl.socket(), nullptr);
    spinEventLoop(1200);
    EXPECT_EQ(page.ends.size(), 1);
}

// What a batch may hold.
TEST_F(SearchJobs, TheBatchHoldsOnlyPartsStillWaitingForArticles)
{
    // Not at 108 through the dispatcher, so that nothing is fetched here.
    const QueuePtr wanted = jobWithParts(QStringLiteral("W"), 3);
    const QueuePtr nzb = jobWithParts(QStringLiteral("N"), 1);
    const QueuePtr idle = jobWithParts(QStringLiteral("I"), 1);
    const QueuePtr done = jobWithParts(QStringLiteral("D"), 1);
    for (const QueuePtr& j : {wanted, nzb, idle, done})
        j->setDelegate(nullptr);
    wanted->setStatus(JobStatus::DownloadingSegments);
    nzb->setStatus(JobStatus::DownloadingSegments);
    nzb->setIsNZB(true);
    done->setStatus(JobStatus::DownloadingSegments);
    done->setSegmentsReceived(true);
    wanted->fileparts().at(0)->setFid(QString());
    wanted->fileparts().at(1)->appendSegment(std::make_shared<Segment>());

    EXPECT_EQ(qc.getNextObjectsForDownloadingMids(200).keys(), QStringList({QStringLiteral("W-3")}));
    EXPECT_TRUE(qc.getNextObjectsForDownloadingMids(0).isEmpty());
    wanted->fileparts().at(2)->appendSegment(std::make_shared<Segment>());
    EXPECT_TRUE(qc.getNextObjectsForDownloadingMids(200).isEmpty());

    // An empty batch sends nothing and leaves the flag cleared.
    dl.startDownloadingMids();
    EXPECT_FALSE(dl.isDownloadingMids());
    spinEventLoop(50);
    EXPECT_EQ(server.requestCount(), 0);
}

TEST_F(SearchJobs, PartialAndEmptyArticleReplies)
{
    const QueuePtr j = jobWithParts(QStringLiteral("P"), 2);
    j->setDelegate(nullptr);
    j->setStatus(JobStatus::DownloadingSegments);
    const QueuePtr first = j->fileparts().at(0);
    first->setStatus(FilePartStatus::Queued);
    first->appendSegment(std::make_shared<Segment>());
    qc.midsQueryResults({first});
    EXPECT_EQ(first->status(), JobStatus::Idle);
    EXPECT_EQ(j->status(), JobStatus::DownloadingSegments) << "waits for the next batch";
    EXPECT_FALSE(j->segmentsReceived());

    qc.midsQueryResults({});
    ASSERT_EQ(answers.asked().size(), 1);
    EXPECT_EQ(answers.asked().first().title, QStringLiteral("No articles received."));
    EXPECT_EQ(answers.asked().first().info, QStringLiteral("The file does not exists on the server."));
    EXPECT_EQ(j->status(), JobStatus::DownloadingSegments);
}

TEST_F(SearchJobs, AHeaderRequestEndsAtSegmentsDownloadedWithNothingQueued)
{
    server.route("POST", kMids, [](const HttpRequestRecord& r) { return articlesFor(r, 1); });
    const QueuePtr j = jobWithParts(QStringLiteral("H"), 1);
    j->setIsHeaderRequest(true);
    j->fileparts().first()->setCheckbox(1);
    QList<QueuePtr> handed;
    NotificationHub::defaultCenter().addObserver(
        QStringLiteral("MSGIDDownloadedForReplyPost"), &qc, [&](const Notification& n) {
            handed.append(n.userInfo.value(QStringLiteral("queueobject")).value<QueuePtr>());
        });
    j->setStatus(JobStatus::DownloadingSegments);
    ASSERT_TRUE(settled([&] { return !handed.isEmpty(); }));
    EXPECT_EQ(handed, QList<QueuePtr>({j}));
    EXPECT_EQ(j->status(), JobStatus::SegmentsDownloaded);
    EXPECT_EQ(j->fileparts().first()->status(), JobStatus::Idle);
}
