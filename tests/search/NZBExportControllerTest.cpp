#include "search/NZBExportController.h"

#include "platform/Dispatch.h"
#include "queue/Queue.h"
#include "search/DeepLookupSocket.h"
#include "support/DeepLookupReplyBuilder.h"
#include "support/EventLoop.h"
#include "support/ScriptedHttpServer.h"
#include "support/TempHome.h"
#include "support/TestFiles.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QTcpServer>

namespace {

using R = DeepLookupReplyBuilder;
const QByteArray kExport = DeepLookupSocket::kNZBExportPath.toLatin1();

class Window : public NZBExportControllerDelegate
{
public:
    struct Call
    {
        QString kind, title, subtitle;
        QueuePtr obj;
        NZBExportParser::Result result;
        bool onMain = false;
    };
    QList<Call> calls;

    void searchResults(const NZBExportParser::Result& result, const QueuePtr& job) override
    {
        calls.append({"results", {}, {}, job, result, Dispatch::isMainThread()});
    }
    void searchFailed(const QString& title, const QString& subtitle, const QueuePtr& obj) override
    {
        calls.append({"failed", title, subtitle, obj, {}, Dispatch::isMainThread()});
    }
    void searchCancelledForObj(const QueuePtr& obj) override
    {
        calls.append({"cancelled", {}, {}, obj, {}, Dispatch::isMainThread()});
    }
    void nzbWriteFinishedForQueue(const QueuePtr& job) override
    {
        calls.append({"written", {}, {}, job, {}, Dispatch::isMainThread()});
    }
    void nzbWriteFailed(const QString& title, const QString& subtitle, const QueuePtr& obj) override
    {
        calls.append({"write failed", title, subtitle, obj, {}, Dispatch::isMainThread()});
    }

    QStringList kinds() const
    {
        QStringList out;
        for (const Call& c : calls)
            out.append(c.kind);
        return out;
    }
    // Waits for `count` calls, then a little longer, so that a call that
    // should not come has had its chance.
    bool waitFor(qsizetype count)
    {
        const bool reached = waitUntil([&] { return calls.size() >= count; }, 10000);
        spinEventLoop(150);
        return reached && calls.size() == count;
    }
};

class ExportController : public ::testing::Test
{
protected:
    TempHome home;
    ScriptedHttpServer service;
    Window window;
    NZBExportController controller;

    void SetUp() override
    {
        ASSERT_TRUE(service.start());
        ASSERT_TRUE(DeepLookupSocket::setServiceURLForTesting(service.baseUrl()));
        controller.setDelegate(&window);
    }
    void TearDown() override { DeepLookupSocket::setServiceURLForTesting(QUrl()); }

    static QueuePtr result(const QString& qid, bool ero = false)
    {
        QueuePtr job = Queue::create();
        job->setQid(qid);
        job->setEro(ero);
        return job;
    }
};

const QByteArray kTwoResults = HttpReply::tabLines({
    {"INFO", "2|results|found"},
    R::exportResult("Later", "20", 1700000500, "alt.binaries.x", "p@x", 1),
    R::exportFile("later \"l.bin\"", "20", 1700000501),
    R::exportSegment("l.1@x", "20", 1),
    R::exportResult("Earlier", "10", 1700000100, "alt.binaries.x", "p@x", 1),
    R::exportFile("earlier \"e.bin\"", "10", 1700000101),
    R::exportSegment("e.1@x", "10", 1),
});

} // namespace

TEST_F(ExportController, TheRequestCarriesTheResultAndTheReplyComesBackParsedOnTheMainThread)
{
    service.route("POST", kExport, HttpReply::text(kTwoResults).withGzip());
    const QueuePtr plain = result(QStringLiteral("QID 1&2"));
    const QueuePtr ero = result(QStringLiteral("QID-3"), true);
    for (const QueuePtr& job : {plain, ero}) {
        ASSERT_TRUE(controller.downloadContentForQueue(job));
        ASSERT_TRUE(window.waitFor(window.calls.size() + 1));
    }
    const QList<HttpRequestRecord> requests = service.requestsFor(kExport);
    ASSERT_EQ(requests.size(), 2);
    EXPECT_EQ(requests[0].body, QByteArray("qid=QID%201%262&"));
    EXPECT_EQ(requests[1].body, QByteArray("qid=QID-3&ero=1&"));

    ASSERT_EQ(window.kinds(), (QStringList{"results", "results"}));
    const Window::Call& first = window.calls[0];
    EXPECT_EQ(first.obj, plain);
    EXPECT_TRUE(first.onMain);
    ASSERT_TRUE(first.result.contentArray);
    ASSERT_EQ(first.result.contentArray->size(), 2);
    EXPECT_EQ(first.result.contentArray->at(0)->title(), QStringLiteral("Earlier"));
    EXPECT_EQ(first.result.contentArray->at(1)->title(), QStringLiteral("Later"));
    EXPECT_NE(first.result.contentArray->at(0), plain); // new roots, not the result asked for
    EXPECT_EQ(first.result.info, (QStringList{"2", "results", "found"}));
    EXPECT_EQ(window.calls[1].obj, ero);
    EXPECT_EQ(controller.socket(), nullptr);

    // The service's own error after its INFO line is a reply, for the window
    // to show (a reply that starts with ERROR fails in the socket).
    service.route("POST", kExport, HttpReply::text(HttpReply::tabLines({{"INFO", "0"}, {"ERROR", "Gone"}})));
    window.calls.clear();
    ASSERT_TRUE(controller.downloadContentForQueue(plain));
    ASSERT_TRUE(window.waitFor(1));
    EXPECT_EQ(window.calls[0].kind, QStringLiteral("results"));
    EXPECT_EQ(window.calls[0].result.error, QStringLiteral("Gone"));
    EXPECT_FALSE(window.calls[0].result.contentArray);

    EXPECT_FALSE(controller.downloadContentForQueue(nullptr));
}

// A failure of the request is reported once, and no parse or result follows
// it (the socket goes on to its result call, which reaches no one).
TEST_F(ExportController, AFailedRequestIsReportedOnceAndNothingElse)
{
    struct Case
    {
        const char* name;
        HttpReply reply;
        QString title;
        QString subtitle;
    };
    const Case cases[] = {
        {"envelope", HttpReply::text(HttpReply::envelope({"X", "Busy", "Come back later"})), "Busy",
         "Come back later"},
        {"HTML", HttpReply::html("<html><body>maintenance</body></html>"), "No data received from server",
         "Please try again or contact support."},
        {"too short", HttpReply::text("ab"), "No valid response from server (104)",
         "Please try again or contact support."},
    };
    const QueuePtr job = result(QStringLiteral("Q"));
    for (const Case& c : cases) {
        service.clearScript();
        service.route("POST", kExport, c.reply);
        window.calls.clear();
        ASSERT_TRUE(controller.downloadContentForQueue(job)) << c.name;
        ASSERT_TRUE(window.waitFor(1)) << c.name << ": " << window.kinds().join(u',').toStdString();
        EXPECT_EQ(window.calls[0].kind, QStringLiteral("failed")) << c.name;
        EXPECT_EQ(window.calls[0].title, c.title) << c.name;
        EXPECT_EQ(window.calls[0].subtitle, c.subtitle) << c.name;
        EXPECT_EQ(window.calls[0].obj, job) << c.name;
    }

    // A connection that cannot be made.
    QTcpServer closed;
    ASSERT_TRUE(closed.listen(QHostAddress::LocalHost));
    const quint16 port = closed.serverPort();
    closed.close();
    ASSERT_TRUE(
        DeepLookupSocket::setServiceURLForTesting(QUrl(QStringLiteral("http://127.0.0.1:%1").arg(port))));
    window.calls.clear();
    ASSERT_TRUE(controller.downloadContentForQueue(job));
    ASSERT_TRUE(window.waitFor(1));
    EXPECT_EQ(window.calls[0].title, QStringLiteral("Could not connect to DeepLookup server."));
}

TEST_F(ExportController, CancelWhileIdleDoesNothingAndWhileRunningReportsOnce)
{
    controller.cancelSearch();
    spinEventLoop(50);
    EXPECT_TRUE(window.calls.isEmpty());

    service.route("POST", kExport, HttpReply::text(kTwoResults).withDelay(400));
    const QueuePtr job = result(QStringLiteral("Q"));
    ASSERT_TRUE(controller.downloadContentForQueue(job));
    ASSERT_TRUE(service.waitForRequests(1));
    controller.cancelSearch();
    controller.cancelSearch();
    ASSERT_EQ(window.calls.size(), 1);
    EXPECT_EQ(window.calls[0].kind, QStringLiteral("cancelled"));
    EXPECT_EQ(window.calls[0].obj, job);
    spinEventLoop(800);
    EXPECT_EQ(window.calls.size(), 1);
}

TEST_F(ExportController, ExportWritesTheRootToTheGivenFileAndReports)
{
    service.route("POST", kExport, HttpReply::text(kTwoResults));
    ASSERT_TRUE(controller.downloadContentForQueue(result(QStringLiteral("Q"))));
    ASSERT_TRUE(window.waitFor(1));
    ASSERT_TRUE(window.calls[0].result.contentArray);
    const QList<QueuePtr> roots = *window.calls[0].result.contentArray;
    const QString path = QDir(home.makeFolder(QStringLiteral("nzb"))).filePath(QStringLiteral("both.nzb"));
    controller.setClock([] { return 1700009000.0; });

    controller.exportNZBForQueue(roots[0], path, true);
    controller.exportNZBForQueue(roots[1], path, true);
    ASSERT_EQ(window.kinds(), (QStringList{"results", "written", "written"}));
    EXPECT_EQ(window.calls[1].obj, roots[0]);
    EXPECT_EQ(roots[1]->nzbExportUrl(), path);
    EXPECT_FALSE(controller.isWriting());
    const QByteArray nzb = fileBytes(path);
    EXPECT_EQ(nzb.count("<file "), 2);
    EXPECT_EQ(nzb.count("date=\"1700009000\""), 2);
    EXPECT_LT(nzb.indexOf("e.1@x"), nzb.indexOf("l.1@x"));

    // Without merge an existing file is not written to.
    controller.exportNZBForQueue(roots[0], path, false);
    ASSERT_EQ(window.calls.size(), 4);
    EXPECT_EQ(window.calls[3].kind, QStringLiteral("write failed"));
    EXPECT_EQ(window.calls[3].title, QStringLiteral("NZB export error"));
    EXPECT_EQ(fileBytes(path), nzb);
}
