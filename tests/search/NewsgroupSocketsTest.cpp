#include "search/IndexedNewsgroupSocket.h"
#include "search/RequestNewsgroupSocket.h"

#include "search/DeepLookupSocket.h"
#include "support/EventLoop.h"
#include "support/ScriptedHttpServer.h"
#include "support/TempHome.h"

#include <gtest/gtest.h>

#include <QTcpServer>

#include <functional>
#include <memory>

namespace {

const QString kRetry = QStringLiteral("Please try again or contact support.");

// The page of either request: every report as "failed <title>|<subtitle>"
// or "result <text>".
class Page : public IndexedNewsGroupsSocketDelegate, public RequestNewsGroupSocketDelegate
{
public:
    QStringList events;

    void newsgroupsDownloaded(const QString& text) override { events.append("result " + text); }
    void downloadFailed(const QString& title, const QString& subtitle) override
    {
        events.append("failed " + title + "|" + subtitle);
    }
    void serverResponse(const QString& text) override { events.append("result " + text); }
    void connectionError(const QString& title, const QString& subtitle) override
    {
        events.append("failed " + title + "|" + subtitle);
    }
};

// One request of either kind, started against the service.
struct Kind
{
    const char* name;
    QByteArray path;
    QByteArray body;
    std::function<std::unique_ptr<DeepLookupNewsgroupRequest>(Page&)> start;
};

const Kind kKinds[] = {
    {"newsgroup list", "/search/getnewsgroups_v1.html", "",
     [](Page& page) {
         auto s = std::make_unique<IndexedNewsgroupSocket>();
         s->setDelegate(&page);
         s->downloadNewsGroupList();
         return std::unique_ptr<DeepLookupNewsgroupRequest>(std::move(s));
     }},
    {"newsgroup request", "/search/request_newsgroup_v1.html", "alt.binaries.new.group&x=1",
     [](Page& page) {
         auto s = std::make_unique<RequestNewsgroupSocket>();
         s->setDelegate(&page);
         s->submitRequestForNewsgroup(QStringLiteral("alt.binaries.new.group&x=1"));
         return std::unique_ptr<DeepLookupNewsgroupRequest>(std::move(s));
     }},
};

class NewsgroupRequests : public ::testing::Test
{
protected:
    TempHome home;
    ScriptedHttpServer service;

    void SetUp() override
    {
        ASSERT_TRUE(service.start());
        ASSERT_TRUE(DeepLookupSocket::setServiceURLForTesting(service.baseUrl()));
    }
    void TearDown() override
    {
        DeepLookupSocket::setServiceURLForTesting(QUrl());
        DeepLookupSocket::setTimeoutForTesting(0);
    }

    // The reports of one request of `kind`, once it ended and a little
    // time passed for a report that should not come.
    QStringList run(const Kind& kind)
    {
        Page page;
        std::unique_ptr<DeepLookupNewsgroupRequest> request = kind.start(page);
        waitUntil([&] { return !request->isRunning(); }, 10000);
        spinEventLoop(100);
        return page.events;
    }
};

const QByteArray kList = HttpReply::tabLines({{"LIST"},
                                              {"LIST", "alt.binaries.test", "0"},
                                              {"LIST", "alt.binaries.ero", "1"},
                                              {"LIST", "alt.binaries.two.fields"},
                                              {"LIST", "alt.binaries.more", "0", "extra"}});

} // namespace

TEST_F(NewsgroupRequests, EachRequestGoesToItsPathWithItsBody)
{
    service.setDefaultReply(HttpReply::text("INFO\tok\tfine\n"));
    for (const Kind& kind : kKinds) {
        service.clearRequests();
        run(kind);
        ASSERT_EQ(service.requestCount(), 1) << kind.name;
        const HttpRequestRecord r = service.requests().first();
        EXPECT_EQ(r.method, QByteArray("POST")) << kind.name;
        EXPECT_EQ(r.path, kind.path) << kind.name;
        EXPECT_EQ(r.body, kind.body) << kind.name;
        EXPECT_EQ(r.header("Accept-Encoding"), QByteArray("gzip")) << kind.name;
    }
}

TEST_F(NewsgroupRequests, AListReplyGivesOneGroupPerLineOfThreeFields)
{
    service.route("POST", kKinds[0].path, HttpReply::text(kList).withGzip());
    const QStringList events = run(kKinds[0]);
    ASSERT_EQ(events, QStringList{"result " + QString::fromUtf8(kList)});
    const QList<IndexedNG> groups = IndexedNewsgroupSocket::newsgroupsFromList(QString::fromUtf8(kList));
    ASSERT_EQ(groups.size(), 3);
    EXPECT_EQ(groups[0].newsgroup(), QStringLiteral("alt.binaries.test"));
    EXPECT_FALSE(groups[0].ero());
    EXPECT_EQ(groups[1].newsgroup(), QStringLiteral("alt.binaries.ero"));
    EXPECT_TRUE(groups[1].ero());
    EXPECT_EQ(groups[2].newsgroup(), QStringLiteral("alt.binaries.more"));
}

// How each reply ends a request, for both requests alike.
TEST_F(NewsgroupRequests, RepliesEndTheRequestWithAndWithoutTheResult)
{
    const QByteArray html = "<html><body>Maintenance</body></html>\n";
    struct Case
    {
        const char* name;
        HttpReply reply;
        QStringList events;
    };
    const Case cases[] = {
        {"envelope",
         HttpReply::text(HttpReply::envelope({"X", "Request noted", "Thank you"})),
         {"failed Request noted|Thank you"}},
        {"envelope of two fields",
         HttpReply::text(HttpReply::envelope({"X", "T"})),
         {"failed No valid response from server (103)|" + kRetry}},
        {"too short", HttpReply::text("ab"), {"failed No valid response from server (104)|" + kRetry}},
        {"said to be gzip, but not",
         HttpReply::text(kList).withHeader("Content-Encoding", "gzip"),
         {"failed No valid response from server (102)|" + kRetry}},
        {"HTML",
         HttpReply::html(html),
         {"failed No data received from server|" + kRetry, "result " + QString::fromUtf8(html)}},
        {"records of the search",
         HttpReply::text("FILE\tx\ty\n"),
         {"failed No data received from server|" + kRetry, "result FILE\tx\ty\n"}},
        {"INFO",
         HttpReply::text("INFO\tAdded\tThe group is indexed soon\n"),
         {"result INFO\tAdded\tThe group is indexed soon\n"}},
        {"DATA, HTTP 500", HttpReply::text("DATA\ta\tb\n", 500), {"result DATA\ta\tb\n"}},
    };
    for (const Kind& kind : kKinds) {
        for (const Case& c : cases) {
            service.clearScript();
            service.route("POST", kind.path, c.reply);
            EXPECT_EQ(run(kind), c.events) << kind.name << ", " << c.name;
        }
    }
}

TEST_F(NewsgroupRequests, ConnectionFailuresNameNoService)
{
    DeepLookupSocket::setTimeoutForTesting(300);
    service.setDefaultReply(HttpReply::text(kList).withDelay(3000));
    for (const Kind& kind : kKinds)
        EXPECT_EQ(run(kind), QStringList{"failed No response from server.|" + kRetry}) << kind.name;

    QTcpServer closed;
    ASSERT_TRUE(closed.listen(QHostAddress::LocalHost));
    const quint16 port = closed.serverPort();
    closed.close();
    ASSERT_TRUE(
        DeepLookupSocket::setServiceURLForTesting(QUrl(QStringLiteral("http://127.0.0.1:%1").arg(port))));
    for (const Kind& kind : kKinds)
        EXPECT_EQ(run(kind), QStringList{"failed Could not connect to server.|" + kRetry}) << kind.name;
}

TEST_F(NewsgroupRequests, AUserThatDropsTheRequestOnTheFailureHearsNothingMore)
{
    service.route("POST", kKinds[0].path, HttpReply::html("<html></html>\n"));
    Page page;
    auto socket = std::make_unique<IndexedNewsgroupSocket>();
    socket->setDelegate(&page);
    struct Dropper : IndexedNewsGroupsSocketDelegate
    {
        std::unique_ptr<IndexedNewsgroupSocket>* socket = nullptr;
        QStringList events;
        void downloadFailed(const QString& title, const QString&) override
        {
            events.append(title);
            socket->reset();
        }
        void newsgroupsDownloaded(const QString&) override { events.append("result"); }
    } dropper;
    dropper.socket = &socket;
    socket->setDelegate(&dropper);
    socket->downloadNewsGroupList();
    ASSERT_TRUE(waitUntil([&] { return !socket; }, 10000));
    spinEventLoop(100);
    EXPECT_EQ(dropper.events, QStringList{"No data received from server"});
}
