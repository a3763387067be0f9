#include "search/DeepLookupSocket.h"

#include "platform/UserDefaults.h"
#include "queue/Queue.h"
#include "search/DeepLookupChildsParser.h"
#include "search/DeepLookupMidsParser.h"
#include "search/DeepLookupObject.h"
#include "search/DeepLookupSocketDelegate.h"
#include "support/DeepLookupReplyBuilder.h"
#include "support/EventLoop.h"
#include "support/MessageCapture.h"
#include "support/ScriptedHttpServer.h"
#include "support/TempHome.h"

#include <gtest/gtest.h>

#include <QTcpServer>

#include <atomic>

#include <functional>

namespace {

const QString kRetry = QStringLiteral("Please try again or contact support.");

// One delegate call as the socket made it.
struct Event
{
    QString kind; // "search", "childs", "mids", "export", "failed", "cancelled"
    std::optional<QString> text;
    QString title;
    QString subtitle;
    QueuePtr obj;
    DeepLookupSocket* socket = nullptr;
};

class Recorder : public DeepLookupSocketDelegate
{
public:
    QList<Event> events;
    // Run inside searchFailed, after recording (may release the socket).
    std::function<void(DeepLookupSocket&)> onFailed;
    std::function<void(DeepLookupSocket&)> onResult;

    void searchResults(DeepLookupSocket& s, const std::optional<QString>& text) override
    {
        result(s, {"search", text, {}, {}, nullptr, &s});
    }
    void childFilesQueryResults(DeepLookupSocket& s, const std::optional<QString>& text,
                                const QueuePtr& obj) override
    {
        result(s, {"childs", text, {}, {}, obj, &s});
    }
    void midsQueryResults(DeepLookupSocket& s, const std::optional<QString>& text) override
    {
        result(s, {"mids", text, {}, {}, nullptr, &s});
    }
    void nzbExportSearchResults(DeepLookupSocket& s, const std::optional<QString>& text,
                                const QueuePtr& obj) override
    {
        result(s, {"export", text, {}, {}, obj, &s});
    }
    void searchFailed(DeepLookupSocket& s, const QString& title, const QString& subtitle,
                      const QueuePtr& obj) override
    {
        events.append({"failed", std::nullopt, title, subtitle, obj, &s});
        if (onFailed) onFailed(s);
    }
    void searchCancelledForObj(DeepLookupSocket& s, const QueuePtr& obj) override
    {
        events.append({"cancelled", std::nullopt, {}, {}, obj, &s});
    }

    QStringList kinds() const
    {
        QStringList k;
        for (const Event& e : events)
            k.append(e.kind);
        return k;
    }
    // Waits until `count` calls were made, then a little longer, so that a
    // call that should not come has had its chance.
    bool waitFor(qsizetype count, int ms = 5000)
    {
        const bool reached = waitUntil([&] { return events.size() >= count; }, ms);
        spinEventLoop(100);
        return reached && events.size() == count;
    }

private:
    void result(DeepLookupSocket& s, const Event& e)
    {
        events.append(e);
        if (onResult) onResult(s);
    }
};

class SearchClient : public ::testing::Test
{
protected:
    TempHome home;
    ScriptedHttpServer server;
    Recorder recorder;

    void SetUp() override
    {
        ASSERT_TRUE(server.start());
        ASSERT_TRUE(DeepLookupSocket::setServiceURLForTesting(server.baseUrl()));
    }
    void TearDown() override
    {
        DeepLookupSocket::setServiceURLForTesting(QUrl());
        DeepLookupSocket::setTimeoutForTesting(0);
    }

    std::unique_ptr<DeepLookupSocket> socket()
    {
        auto s = std::make_unique<DeepLookupSocket>();
        s->setDelegate(&recorder);
        return s;
    }

    static DeepLookupObject query(const QString& title)
    {
        DeepLookupObject q;
        q.setTitle(title);
        return q;
    }

    static QueuePtr job(const QString& qid, bool ero = false)
    {
        QueuePtr j = Queue::create();
        j->setQid(qid);
        j->setEro(ero);
        return j;
    }

    static QueuePtr part(const QueuePtr& root, const QString& fid)
    {
        QueuePtr p = Queue::create();
        p->setIsFilepart(true);
        p->setFid(fid);
        p->setQueue(root);
        root->appendFilepart(p);
        return p;
    }

    // Runs one search against a scripted reply and returns the calls.
    QList<Event> searchWithReply(const HttpReply& reply)
    {
        server.clearScript();
        server.route("POST", DeepLookupSocket::kSearchPath.toUtf8(), reply);
        recorder.events.clear();
        auto s = socket();
        EXPECT_TRUE(s->startDeepLookupFor(query(QStringLiteral("x"))));
        waitUntil([&] { return !s->isRunning(); }, 10000);
        spinEventLoop(50);
        return recorder.events;
    }
};

const QByteArray kGoodSearchReply =
    HttpReply::tabLines({{"INFO", "1|2|3"}, DeepLookupSearchRecord().fields()});

} // namespace

TEST_F(SearchClient, RequestFrameAndBodiesOnTheWire)
{
    server.setDefaultReply(HttpReply::text(kGoodSearchReply));
    UserDefaults::standard().setBool(true, QStringLiteral("dpHidePwdEntries"));

    struct Case
    {
        const char* name;
        std::function<bool(DeepLookupSocket&)> start;
        QByteArray path;
        QByteArray body;
    };
    const QueuePtr plain = job(QStringLiteral("QID-1"));
    const QueuePtr ero = job(QStringLiteral("QID-2"), true);
    const FilepartsByFid mixed{{"f1", part(plain, "f1")}, {"f2", part(plain, "f2")}, {"e1", part(ero, "e1")}};
    const Case cases[] = {
        {"escaped title",
         [](DeepLookupSocket& s) { return s.startDeepLookupFor(query(QStringLiteral("ä+=?& b"))); },
         "/search/search_v1.html", "query=%C3%A4%2B%3D%3F%26%20b&hidepwd=1&"},
        {"empty title", [](DeepLookupSocket& s) { return s.startDeepLookupFor(query(QString())); },
         "/search/search_v1.html", "query=&hidepwd=1&"},
        {"no title", [](DeepLookupSocket& s) { return s.startDeepLookupFor(DeepLookupObject()); },
         "/search/search_v1.html", "hidepwd=1&"},
        {"file list", [&](DeepLookupSocket& s) { return s.getChildFilesFor(ero); }, "/search/getfids_v1.html",
         "qid=QID-2&e=1"},
        {"article lists of a mixed batch", [&](DeepLookupSocket& s) { return s.getMidsForObjects(mixed); },
         "/search/getmids_v1.html", "fids=f1,f2&ero=0"},
        {"export", [&](DeepLookupSocket& s) { return s.startNZBExportSearchFor(plain); },
         "/search/nzbexport_v1.html", "qid=QID-1&"},
        {"export with the content flag", [&](DeepLookupSocket& s) { return s.startNZBExportSearchFor(ero); },
         "/search/nzbexport_v1.html", "qid=QID-2&ero=1&"},
    };
    for (const Case& c : cases) {
        server.clearRequests();
        auto s = socket();
        ASSERT_TRUE(c.start(*s)) << c.name;
        ASSERT_TRUE(server.waitForRequests(1)) << c.name;
        const HttpRequestRecord request = server.requests().first();
        EXPECT_EQ(request.method, QByteArray("POST")) << c.name;
        EXPECT_EQ(request.path, c.path) << c.name;
        EXPECT_EQ(request.body, c.body) << c.name;
        EXPECT_EQ(request.header("Accept-Encoding"), QByteArray("gzip")) << c.name;
        EXPECT_EQ(request.header("Content-Type"), QByteArray("application/x-www-form-urlencoded")) << c.name;
        EXPECT_EQ(request.header("Content-Length"), QByteArray::number(c.body.size())) << c.name;
        waitUntil([&] { return !s->isRunning(); });
    }
}

TEST_F(SearchClient, EachKindReachesItsOwnResultCall)
{
    server.setDefaultReply(HttpReply::text(kGoodSearchReply));
    const QueuePtr j = job(QStringLiteral("Q"));
    auto s = socket();
    ASSERT_TRUE(s->startDeepLookupFor(query(QStringLiteral("x"))));
    ASSERT_TRUE(recorder.waitFor(1));
    EXPECT_EQ(s->queryType(), DeepLookupSocket::QuerySearch);
    ASSERT_TRUE(s->getChildFilesFor(j));
    ASSERT_TRUE(recorder.waitFor(2));
    ASSERT_TRUE(s->getMidsForObjects({{"f", part(j, "f")}}));
    ASSERT_TRUE(recorder.waitFor(3));
    ASSERT_TRUE(s->startNZBExportSearchFor(j));
    ASSERT_TRUE(recorder.waitFor(4));
    EXPECT_EQ(recorder.kinds(), (QStringList{"search", "childs", "mids", "export"}));
    for (const Event& e : recorder.events) {
        EXPECT_EQ(e.text, QString::fromUtf8(kGoodSearchReply)) << e.kind.toStdString();
        EXPECT_EQ(e.socket, s.get());
    }
    EXPECT_EQ(recorder.events[0].obj, nullptr);
    EXPECT_EQ(recorder.events[1].obj, j);
    EXPECT_EQ(recorder.events[3].obj, j);
    EXPECT_FALSE(s->failure());
}

TEST_F(SearchClient, ReplyJudgementOverTheWire)
{
    struct Case
    {
        const char* name;
        HttpReply reply;
        std::optional<QString> title; // a failure first, with this title
        QString subtitle;
        QString text;
    };
    const QByteArray html = "<html><head><title>Maintenance</title></head><body>Back soon</body></html>\n";
    const Case cases[] = {
        {"envelope X/T/S", HttpReply::text(HttpReply::envelope({"X", "T", "S"})), QStringLiteral("T"),
         QStringLiteral("S"), QStringLiteral("X\tT\tS")},
        {"envelope of two fields", HttpReply::text(HttpReply::envelope({"X", "T"})),
         QStringLiteral("No valid response from server (103)"), kRetry, QStringLiteral("X\tT")},
        {"ab", HttpReply::text("ab"), QStringLiteral("No valid response from server (104)"), kRetry,
         QStringLiteral("ab")},
        {"empty body", HttpReply::text(""), QStringLiteral("No valid response from server (104)"), kRetry,
         QString()},
        {"HTML page", HttpReply::html(html), QStringLiteral("No data received from server"), kRetry,
         QString::fromUtf8(html)},
        {"error page", HttpReply::errorPage(404), QStringLiteral("No data received from server"), kRetry,
         QString::fromUtf8(HttpReply::errorPage(404).body)},
        // The status is not looked at: the body decides.
        {"500 with a good body", HttpReply::text(kGoodSearchReply, 500), std::nullopt, QString(),
         QString::fromUtf8(kGoodSearchReply)},
        {"chunked", HttpReply::text(kGoodSearchReply).withChunked(7), std::nullopt, QString(),
         QString::fromUtf8(kGoodSearchReply)},
    };
    for (const Case& c : cases) {
        const QList<Event> events = searchWithReply(c.reply);
        const qsizetype resultAt = c.title ? 1 : 0;
        ASSERT_EQ(events.size(), resultAt + 1) << c.name;
        if (c.title) {
            EXPECT_EQ(events[0].kind, QStringLiteral("failed")) << c.name;
            EXPECT_EQ(events[0].title, *c.title) << c.name;
            EXPECT_EQ(events[0].subtitle, c.subtitle) << c.name;
        }
        EXPECT_EQ(events[resultAt].kind, QStringLiteral("search")) << c.name;
        EXPECT_EQ(events[resultAt].text, c.text) << c.name;
    }
}

TEST_F(SearchClient, GzipBodiesAreInflated)
{
    QList<QByteArrayList> rows;
    for (int i = 0; i < 20000; ++i)
        rows.append(DeepLookupReplyBuilder::data("FID-1", "part" + QByteArray::number(i) + "@news.example",
                                                 384000, i + 1, 20000));
    const QByteArray big = HttpReply::tabLines(rows);
    for (const HttpReply& reply :
         {HttpReply::text(kGoodSearchReply).withGzip(), HttpReply::text(big).withGzip(),
          HttpReply::text(big).withGzip().withChunked(1000)}) {
        const QList<Event> events = searchWithReply(reply);
        ASSERT_EQ(events.size(), 1);
        EXPECT_EQ(events[0].kind, QStringLiteral("search"));
        ASSERT_TRUE(events[0].text);
        EXPECT_EQ(events[0].text->toUtf8(), reply.body);
    }

    // Said to be gzip, but it is not, or it is cut short: unreadable.
    HttpReply notGzip = HttpReply::text(kGoodSearchReply).withHeader("Content-Encoding", "gzip");
    HttpReply cutShort = HttpReply::rawBytes([] {
        QByteArray head = "HTTP/1.1 200 OK\r\nContent-Encoding: gzip\r\nContent-Type: text/plain\r\n";
        // A gzip header and part of a deflate stream, then the connection ends.
        const QByteArray partial = QByteArray::fromHex("1f8b0800000000000003f3f4");
        return head + "Content-Length: " + QByteArray::number(partial.size()) + "\r\n\r\n" + partial;
    }());
    for (const HttpReply& reply : {notGzip, cutShort}) {
        const QList<Event> events = searchWithReply(reply);
        ASSERT_EQ(events.size(), 2);
        EXPECT_EQ(events[0].title, QStringLiteral("No valid response from server (102)"));
        EXPECT_EQ(events[1].kind, QStringLiteral("search"));
        EXPECT_EQ(events[1].text, std::nullopt);
    }
}

TEST_F(SearchClient, RepliesAboveAsciiAreReadNotFailed)
{
    const QByteArray utf8 = "FILE\tK\xC3\xA4se \xE2\x82\xAC \"Gr\xC3\xBC\xC3\x9F"
                            "e.txt\"\n";
    QList<Event> events = searchWithReply(HttpReply::text(utf8).withGzip());
    ASSERT_EQ(events.size(), 1);
    EXPECT_EQ(events[0].text, QStringLiteral("FILE\tKäse € \"Grüße.txt\"\n"));

    const QByteArray latin1 = "FILE\tK\xE4se \"Gr\xFC\xDF"
                              "e.txt\"\n";
    events = searchWithReply(HttpReply::text(latin1, 200, "text/plain; charset=iso-8859-1"));
    ASSERT_EQ(events.size(), 1);
    EXPECT_EQ(events[0].text, QStringLiteral("FILE\tKäse \"Grüße.txt\"\n"));
}

TEST_F(SearchClient, TimeOutReportsItsTextAndNothingElse)
{
    MessageCapture console("binorama.deeplookup");
    DeepLookupSocket::setTimeoutForTesting(300);
    server.route("POST", DeepLookupSocket::kChildFilesPath.toUtf8(),
                 HttpReply::text(kGoodSearchReply).withDelay(3000));
    const QueuePtr j = job(QStringLiteral("Q"));
    auto s = socket();
    ASSERT_TRUE(s->getChildFilesFor(j));
    EXPECT_TRUE(s->isRunning());
    ASSERT_TRUE(waitUntil([&] { return !recorder.events.isEmpty(); }, 5000));
    spinEventLoop(300);
    ASSERT_EQ(recorder.events.size(), 1);
    EXPECT_EQ(recorder.events[0].kind, QStringLiteral("failed"));
    EXPECT_EQ(recorder.events[0].title, QStringLiteral("No response from the DeepLookup server."));
    EXPECT_EQ(recorder.events[0].subtitle, kRetry);
    EXPECT_EQ(recorder.events[0].obj, j);
    EXPECT_TRUE(s->connectionFailed());
    EXPECT_FALSE(s->isRunning());
    ASSERT_FALSE(console.lines().isEmpty());
    EXPECT_TRUE(console.lines().first().startsWith(QLatin1String("[DeepLookupSocket connectionDidFail] ")));
}

TEST_F(SearchClient, RefusedConnectionReportsItsText)
{
    QTcpServer closed;
    ASSERT_TRUE(closed.listen(QHostAddress::LocalHost));
    const quint16 port = closed.serverPort();
    closed.close();
    ASSERT_TRUE(
        DeepLookupSocket::setServiceURLForTesting(QUrl(QStringLiteral("http://127.0.0.1:%1").arg(port))));
    auto s = socket();
    ASSERT_TRUE(s->startDeepLookupFor(query(QStringLiteral("x"))));
    ASSERT_TRUE(recorder.waitFor(1));
    EXPECT_EQ(recorder.events[0].kind, QStringLiteral("failed"));
    EXPECT_EQ(recorder.events[0].title, QStringLiteral("Could not connect to DeepLookup server."));
    EXPECT_EQ(recorder.events[0].subtitle, kRetry);
    EXPECT_EQ(recorder.events[0].obj, nullptr);
    EXPECT_TRUE(s->connectionFailed());
}

TEST_F(SearchClient, AfterAConnectionFailureLaterRequestsGoOutAndARunningSearchStillEnds)
{
    server.route("POST", DeepLookupSocket::kSearchPath.toUtf8(),
                 HttpReply::text(kGoodSearchReply).withDelay(500));
    // The file-list service hangs up (every try of the manager) until told
    // otherwise.
    auto hangUp = std::make_shared<std::atomic<bool>>(true);
    const QByteArray fileList = HttpReply::tabLines({DeepLookupFileRecord().fields()});
    server.route("POST", DeepLookupSocket::kChildFilesPath.toUtf8(),
                 [hangUp, fileList](const HttpRequestRecord&) {
                     return hangUp->load() ? HttpReply::noAnswer() : HttpReply::text(fileList);
                 });
    const QueuePtr j = job(QStringLiteral("Q"));

    auto search = socket();
    auto files = socket();
    ASSERT_TRUE(search->startDeepLookupFor(query(QStringLiteral("x"))));
    ASSERT_TRUE(files->getChildFilesFor(j));
    // The file list fails first, on its own socket, and says so: no result
    // call will close its step, so the owner closes it on this report.
    ASSERT_TRUE(waitUntil([&] { return !recorder.events.isEmpty(); }));
    EXPECT_EQ(recorder.events[0].kind, QStringLiteral("failed"));
    EXPECT_EQ(recorder.events[0].subtitle, kRetry);
    EXPECT_EQ(recorder.events[0].socket, files.get());
    EXPECT_EQ(recorder.events[0].obj, j);
    EXPECT_TRUE(files->connectionFailed());
    EXPECT_EQ(files->queryType(), DeepLookupSocket::QueryChildFiles);
    EXPECT_FALSE(files->isRunning());
    EXPECT_TRUE(search->isRunning());

    // The search is untouched and ends with its result.
    ASSERT_TRUE(recorder.waitFor(2));
    EXPECT_EQ(recorder.events[1].kind, QStringLiteral("search"));
    EXPECT_EQ(recorder.events[1].socket, search.get());
    EXPECT_FALSE(search->failure());

    // The same job asks again and gets its list.
    hangUp->store(false);
    ASSERT_TRUE(files->getChildFilesFor(j));
    ASSERT_TRUE(recorder.waitFor(3));
    EXPECT_EQ(recorder.events[2].kind, QStringLiteral("childs"));
    EXPECT_FALSE(files->connectionFailed());
    EXPECT_FALSE(files->failure());
    const DeepLookupChildsParser::Result list =
        DeepLookupChildsParser().parseQueryResult(recorder.events[2].text, j);
    EXPECT_FALSE(list.failed());
    EXPECT_EQ(list.contentArray.size(), 1);
}

TEST_F(SearchClient, FileListErrorPageIsAnErrorForTheJob)
{
    server.route("POST", DeepLookupSocket::kChildFilesPath.toUtf8(), HttpReply::errorPage(404));
    const QueuePtr j = job(QStringLiteral("Q"));
    auto s = socket();
    ASSERT_TRUE(s->getChildFilesFor(j));
    ASSERT_TRUE(recorder.waitFor(2));
    EXPECT_EQ(recorder.kinds(), (QStringList{"failed", "childs"}));
    ASSERT_TRUE(s->failure());
    const DeepLookupChildsParser::Result list =
        DeepLookupChildsParser().parseQueryResult(recorder.events[1].text, j, s->failure()->title);
    EXPECT_TRUE(list.failed());
    EXPECT_EQ(list.error, QStringLiteral("404 Page Not Found"));
}

TEST_F(SearchClient, BatchesOfMixedContentFlagsAllGetTheirArticles)
{
    const QueuePtr plain = job(QStringLiteral("P"));
    const QueuePtr ero = job(QStringLiteral("E"), true);
    FilepartsByFid batch;
    for (const QString& fid : {QStringLiteral("p1"), QStringLiteral("p2")})
        batch.insert(fid, part(plain, fid));
    for (const QString& fid : {QStringLiteral("e1"), QStringLiteral("e2")})
        batch.insert(fid, part(ero, fid));
    // The service answers every fid it is asked for.
    server.route("POST", DeepLookupSocket::kMidsPath.toUtf8(), [](const HttpRequestRecord& request) {
        QList<QByteArrayList> rows;
        for (const QByteArray& fid : request.formValue("fids").toUtf8().split(','))
            for (int n = 1; n <= 2; ++n)
                rows.append(
                    DeepLookupReplyBuilder::data(fid, fid + "." + QByteArray::number(n) + "@x", 100, n, 2));
        return HttpReply::text(HttpReply::tabLines(rows));
    });

    const QList<FilepartsByFid> requests = DeepLookupSocket::makeMidsBatches(batch, 200);
    ASSERT_EQ(requests.size(), 2);
    DeepLookupMidsParser parser;
    for (const FilepartsByFid& request : requests) {
        recorder.events.clear();
        auto s = socket();
        ASSERT_TRUE(s->getMidsForObjects(request));
        ASSERT_TRUE(recorder.waitFor(1));
        ASSERT_EQ(recorder.events[0].kind, QStringLiteral("mids"));
        parser.parseQueryResult(recorder.events[0].text, request);
    }
    QList<QByteArray> bodies;
    for (const HttpRequestRecord& r : server.requests())
        bodies.append(r.body);
    EXPECT_EQ(bodies, (QList<QByteArray>{"fids=p1,p2&ero=0", "fids=e1,e2&ero=1"}));
    const DeepLookupMidsParser::BatchOutcome outcome = DeepLookupMidsParser::checkBatch(batch);
    EXPECT_EQ(outcome.received.size(), 4);
    EXPECT_TRUE(outcome.withoutSegments.isEmpty());
    for (const QueuePtr& p : batch)
        EXPECT_EQ(p->segmentCount(), 2) << p->fid().toStdString();

    // An empty batch sends nothing and reports nothing.
    recorder.events.clear();
    server.clearRequests();
    auto s = socket();
    EXPECT_FALSE(s->getMidsForObjects({}));
    EXPECT_FALSE(s->isRunning());
    spinEventLoop(100);
    EXPECT_EQ(server.requestCount(), 0);
    EXPECT_TRUE(recorder.events.isEmpty());
}

TEST_F(SearchClient, CancelEndsTheRequestAtOnceAndOnlyOnce)
{
    server.route("POST", DeepLookupSocket::kNZBExportPath.toUtf8(),
                 HttpReply::text(kGoodSearchReply).withDelay(300));
    const QueuePtr j = job(QStringLiteral("Q"));
    auto s = socket();
    s->cancelSearch(); // nothing runs: nothing to report
    EXPECT_TRUE(recorder.events.isEmpty());
    ASSERT_TRUE(s->startNZBExportSearchFor(j));
    ASSERT_TRUE(server.waitForRequests(1));
    s->cancelSearch();
    ASSERT_EQ(recorder.events.size(), 1);
    EXPECT_EQ(recorder.events[0].kind, QStringLiteral("cancelled"));
    EXPECT_EQ(recorder.events[0].obj, j);
    EXPECT_FALSE(s->isRunning());
    s->cancelSearch();
    spinEventLoop(600);
    EXPECT_EQ(recorder.events.size(), 1);
}

TEST_F(SearchClient, OneRequestAtATime)
{
    server.setDefaultReply(HttpReply::text(kGoodSearchReply).withDelay(200));
    auto s = socket();
    ASSERT_TRUE(s->startDeepLookupFor(query(QStringLiteral("a"))));
    EXPECT_FALSE(s->startDeepLookupFor(query(QStringLiteral("b"))));
    EXPECT_FALSE(s->getChildFilesFor(job(QStringLiteral("Q"))));
    EXPECT_FALSE(s->getChildFilesFor(nullptr));
    ASSERT_TRUE(recorder.waitFor(1));
    EXPECT_EQ(server.requestCount(), 1);
    EXPECT_EQ(server.requests().first().body, QByteArray("query=a&"));
}

TEST_F(SearchClient, OwnersMayReleaseTheSocketOrLeaveInsideAnyCall)
{
    server.route("POST", DeepLookupSocket::kSearchPath.toUtf8(), HttpReply::text("ab"));
    server.route("POST", DeepLookupSocket::kChildFilesPath.toUtf8(), HttpReply::text(kGoodSearchReply));

    // Released in the failure call: nothing follows, nothing breaks.
    {
        auto s = socket();
        recorder.onFailed = [&](DeepLookupSocket&) { s.reset(); };
        ASSERT_TRUE(s->startDeepLookupFor(query(QStringLiteral("x"))));
        ASSERT_TRUE(recorder.waitFor(1));
        EXPECT_EQ(recorder.kinds(), QStringList{"failed"});
        EXPECT_EQ(s, nullptr);
    }
    // The delegate leaves in the failure call: the result call reaches no one.
    recorder.events.clear();
    {
        auto s = socket();
        recorder.onFailed = [](DeepLookupSocket& socket) { socket.setDelegate(nullptr); };
        ASSERT_TRUE(s->startDeepLookupFor(query(QStringLiteral("x"))));
        ASSERT_TRUE(recorder.waitFor(1));
        EXPECT_EQ(recorder.kinds(), QStringList{"failed"});
    }
    // Released in the result call.
    recorder.events.clear();
    recorder.onFailed = nullptr;
    {
        auto s = socket();
        recorder.onResult = [&](DeepLookupSocket&) { s.reset(); };
        ASSERT_TRUE(s->getChildFilesFor(job(QStringLiteral("Q"))));
        ASSERT_TRUE(recorder.waitFor(1));
        EXPECT_EQ(s, nullptr);
    }
    // A delegate destroyed while its request runs is not called, and a socket
    // released while running drops its request quietly.
    {
        auto orphaned = std::make_unique<DeepLookupSocket>();
        {
            Recorder gone;
            orphaned->setDelegate(&gone);
            ASSERT_TRUE(orphaned->getChildFilesFor(job(QStringLiteral("Q"))));
        }
        EXPECT_EQ(orphaned->delegate(), nullptr);
        spinEventLoop(300);
        auto dropped = socket();
        ASSERT_TRUE(dropped->getChildFilesFor(job(QStringLiteral("Q"))));
        dropped.reset();
        spinEventLoop(300);
    }
    EXPECT_EQ(recorder.events.size(), 1);
}
