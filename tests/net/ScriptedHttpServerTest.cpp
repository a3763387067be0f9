#include "support/ScriptedHttpServer.h"
#include "support/EventLoop.h"

#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QTcpSocket>

#include <zlib.h>

namespace {

struct Fetched
{
    bool finished = false;
    QNetworkReply::NetworkError error = QNetworkReply::NoError;
    int status = 0;
    QByteArray body;
    QByteArray contentEncoding;
    qint64 ms = 0;
};

Fetched fetch(QNetworkAccessManager& nam, QNetworkRequest request, const QByteArray& method = "GET",
              const QByteArray& body = {})
{
    QElapsedTimer clock;
    clock.start();
    QNetworkReply* reply = method == "POST" ? nam.post(request, body) : nam.get(request);
    Fetched f;
    QObject::connect(reply, &QNetworkReply::finished, [&] { f.finished = true; });
    waitUntil([&] { return f.finished; }, 10000);
    f.ms = clock.elapsed();
    f.error = reply->error();
    f.status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    if (reply->isOpen()) f.body = reply->readAll();
    f.contentEncoding = reply->rawHeader("Content-Encoding");
    reply->deleteLater();
    return f;
}

QNetworkRequest formPost(const QUrl& url)
{
    QNetworkRequest r(url);
    r.setHeader(QNetworkRequest::ContentTypeHeader, "application/x-www-form-urlencoded");
    return r;
}

QByteArray gunzip(const QByteArray& in)
{
    z_stream s{};
    if (inflateInit2(&s, 15 + 16) != Z_OK) return {};
    QByteArray out;
    char buf[4096];
    s.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(in.constData()));
    s.avail_in = uInt(in.size());
    int rc = Z_OK;
    while (rc == Z_OK) {
        s.next_out = reinterpret_cast<Bytef*>(buf);
        s.avail_out = sizeof buf;
        rc = inflate(&s, Z_NO_FLUSH);
        out.append(buf, qsizetype(sizeof buf - s.avail_out));
    }
    inflateEnd(&s);
    return rc == Z_STREAM_END ? out : QByteArray();
}

// Sends bytes on one raw connection and collects what comes back until the
// server closes it or `ms` pass.
QByteArray rawExchange(quint16 port, const QByteArray& bytes, int ms = 3000)
{
    QTcpSocket socket;
    socket.connectToHost(QHostAddress::LocalHost, port);
    if (!socket.waitForConnected(3000)) return {};
    socket.write(bytes);
    QByteArray got;
    QElapsedTimer clock;
    clock.start();
    while (clock.elapsed() < ms && socket.state() == QAbstractSocket::ConnectedState) {
        if (socket.waitForReadyRead(100)) got += socket.readAll();
    }
    got += socket.readAll();
    return got;
}

struct HttpServerFixture : ::testing::Test
{
    ScriptedHttpServer server;
    QNetworkAccessManager nam;

    void SetUp() override
    {
        ASSERT_TRUE(server.start());
        ASSERT_NE(server.port(), 0);
        EXPECT_EQ(server.baseUrl().toString(), QString("http://127.0.0.1:%1").arg(server.port()));
    }
};

} // namespace

TEST_F(HttpServerFixture, RoutesByMethodAndPath)
{
    server.route("GET", "/docs/appdocs_queue.html", HttpReply::html("<html>queue help</html>"));
    server.route("POST", "/docs/appdocs_queue.html", HttpReply::text("posted"));
    server.route("*", "/any", HttpReply::text("any method"));
    server.route("GET", "/docs/*", HttpReply::html("<html>other page</html>"));
    server.route("GET", "/docs/appdocs_deeplookup.html", HttpReply::html("<html>search help</html>"));

    EXPECT_EQ(fetch(nam, QNetworkRequest(server.url("/docs/appdocs_queue.html"))).body,
              "<html>queue help</html>")
        << "an exact path beats a later prefix route";
    EXPECT_EQ(fetch(nam, QNetworkRequest(server.url("/docs/appdocs_deeplookup.html"))).body,
              "<html>search help</html>");
    EXPECT_EQ(fetch(nam, QNetworkRequest(server.url("/docs/appdocs_.html"))).body, "<html>other page</html>");
    server.route("GET", "/docs/appdocs_deeplookup.html", HttpReply::html("<html>replaced</html>"));
    EXPECT_EQ(fetch(nam, QNetworkRequest(server.url("/docs/appdocs_deeplookup.html"))).body,
              "<html>replaced</html>")
        << "the latest route of a path wins";
    EXPECT_EQ(fetch(nam, formPost(server.url("/docs/appdocs_queue.html")), "POST", "x=1").body, "posted");
    EXPECT_EQ(fetch(nam, formPost(server.url("/any")), "POST", "x").body, "any method");
    EXPECT_EQ(fetch(nam, QNetworkRequest(server.url("/any?q=1"))).body, "any method")
        << "the query is not routed";

    const Fetched missing = fetch(nam, QNetworkRequest(server.url("/nothing/here")));
    EXPECT_EQ(missing.status, 404);
    EXPECT_EQ(missing.error, QNetworkReply::ContentNotFoundError);
    EXPECT_TRUE(missing.body.split('\n').contains("<title>404 Not Found</title>"))
        << missing.body.toStdString();

    server.setDefaultReply(HttpReply::text("fallback", 200));
    EXPECT_EQ(fetch(nam, QNetworkRequest(server.url("/nothing/here"))).body, "fallback");
    server.clearScript();
    EXPECT_EQ(fetch(nam, QNetworkRequest(server.url("/any"))).status, 404);
}

TEST_F(HttpServerFixture, RecordsEveryRequest)
{
    server.route("POST", "/search/search_v1.html",
                 HttpReply::text(HttpReply::tabLines({{"INFO", "2"}, {"DATA", "a b", "ü"}})));
    server.route("POST", "/search/getfids_v1.html",
                 HttpReply::text(HttpReply::envelope({"X", "Service down", "Please come back later."})));

    QNetworkRequest search = formPost(server.url("/search/search_v1.html"));
    search.setRawHeader("X-Test", "one");
    const QByteArray body = "query=%C3%A4%2B%3D%3F%26%20b&hideobfuscated=1&limit=&";
    const Fetched a = fetch(nam, search, "POST", body);
    EXPECT_EQ(a.body, "INFO\t2\nDATA\ta b\t\xc3\xbc\n");
    const Fetched b = fetch(nam, formPost(server.url("/search/getfids_v1.html?x=1")), "POST", "qid=abc&e=0");
    EXPECT_EQ(b.body, "[START]\tX\tService down\tPlease come back later.\t[END]");
    fetch(nam, QNetworkRequest(server.url("/help")));

    ASSERT_EQ(server.requestCount(), 3);
    const QList<HttpRequestRecord> r = server.requests();
    EXPECT_EQ(r[0].method, "POST");
    EXPECT_EQ(r[0].path, "/search/search_v1.html");
    EXPECT_EQ(r[0].version, "HTTP/1.1");
    EXPECT_EQ(r[0].body, body);
    EXPECT_EQ(r[0].header("x-test"), "one");
    EXPECT_EQ(r[0].header("Content-Type"), "application/x-www-form-urlencoded");
    EXPECT_EQ(r[0].header("Content-Length"), QByteArray::number(body.size()));
    EXPECT_FALSE(r[0].hasHeader("X-Missing"));
    EXPECT_EQ(r[0].formValue("query"), QString::fromUtf8("ä+=?& b"));
    EXPECT_EQ(r[0].formValue("hideobfuscated"), "1");
    ASSERT_EQ(r[0].formItems().size(), 3);
    EXPECT_EQ(r[0].formItems()[2], (QPair<QString, QString>("limit", "")));
    EXPECT_EQ(r[1].target, "/search/getfids_v1.html?x=1");
    EXPECT_EQ(r[1].path, "/search/getfids_v1.html");
    EXPECT_EQ(r[1].query, "x=1");
    EXPECT_EQ(r[2].method, "GET");
    EXPECT_TRUE(r[2].body.isEmpty());
    EXPECT_EQ(server.requestsFor("/help").size(), 1);
    EXPECT_GE(r[0].connection, 1);

    server.clearRequests();
    EXPECT_EQ(server.requestCount(), 0);
}

TEST_F(HttpServerFixture, QueuedRepliesComeFirstInOrder)
{
    server.route("POST", "/search/getmids_v1.html", HttpReply::text("DATA\tsteady"));
    server.enqueue("POST", "/search/getmids_v1.html", HttpReply::errorPage(500));
    server.enqueue("POST", "/search/getmids_v1.html", HttpReply::text("DATA\tsecond"));
    const QUrl url = server.url("/search/getmids_v1.html");
    EXPECT_EQ(fetch(nam, formPost(url), "POST", "fids=1&ero=0").status, 500);
    EXPECT_EQ(fetch(nam, formPost(url), "POST", "fids=1&ero=0").body, "DATA\tsecond");
    EXPECT_EQ(fetch(nam, formPost(url), "POST", "fids=1&ero=0").body, "DATA\tsteady");
    EXPECT_EQ(fetch(nam, formPost(url), "POST", "fids=1&ero=0").body, "DATA\tsteady");
}

TEST_F(HttpServerFixture, GzipBodiesAreInflatedByTheClient)
{
    const QByteArray text = QByteArray("FILE\tsubject\t").repeated(200);
    server.route("POST", "/search/search_v1.html", HttpReply::text(text).withGzip());

    const Fetched inflated = fetch(nam, formPost(server.url("/search/search_v1.html")), "POST", "query=a&");
    EXPECT_EQ(inflated.error, QNetworkReply::NoError);
    EXPECT_EQ(inflated.body, text);
    EXPECT_TRUE(server.requests().value(0).header("Accept-Encoding").contains("gzip"));

    // Asking for gzip by hand leaves the bytes to the caller: they are gzip.
    QNetworkRequest byHand = formPost(server.url("/search/search_v1.html"));
    byHand.setRawHeader("Accept-Encoding", "gzip");
    const Fetched raw = fetch(nam, byHand, "POST", "query=a&");
    EXPECT_EQ(raw.contentEncoding, "gzip");
    EXPECT_LT(raw.body.size(), text.size());
    EXPECT_EQ(gunzip(raw.body), text);
}

TEST_F(HttpServerFixture, ContentLengthAndChunkedFraming)
{
    const QByteArray body = QByteArray("0123456789").repeated(10);
    server.route("GET", "/length", HttpReply::text(body));
    server.route("GET", "/chunked", HttpReply::text(body).withChunked(32));

    EXPECT_EQ(fetch(nam, QNetworkRequest(server.url("/chunked"))).body, body);
    EXPECT_EQ(fetch(nam, QNetworkRequest(server.url("/length"))).body, body);

    const QByteArray chunked =
        rawExchange(server.port(), "GET /chunked HTTP/1.1\r\nHost: x\r\nConnection: close\r\n\r\n");
    EXPECT_TRUE(chunked.startsWith("HTTP/1.1 200 OK\r\n")) << chunked.toStdString();
    EXPECT_TRUE(chunked.contains("\r\nTransfer-Encoding: chunked\r\n"));
    EXPECT_FALSE(chunked.contains("Content-Length"));
    EXPECT_TRUE(
        chunked.endsWith("\r\n20\r\n" + body.mid(64, 32) + "\r\n4\r\n" + body.right(4) + "\r\n0\r\n\r\n"))
        << chunked.toStdString();

    const QByteArray length =
        rawExchange(server.port(), "GET /length HTTP/1.1\r\nHost: x\r\nConnection: close\r\n\r\n");
    EXPECT_TRUE(length.contains("\r\nContent-Length: 100\r\n"));
    EXPECT_TRUE(length.contains("\r\nConnection: close\r\n"));
    EXPECT_TRUE(length.endsWith("\r\n\r\n" + body));
}

TEST_F(HttpServerFixture, RawAndNonAsciiBytes)
{
    QByteArray binary;
    for (int i = 0; i < 256; ++i)
        binary.append(char(i));
    server.route("GET", "/bytes", HttpReply::text(binary, 200, "application/octet-stream"));
    server.route("GET", "/raw",
                 HttpReply::rawBytes("HTTP/1.1 203 Odd\r\nX-Raw: 1\r\nContent-Length: 3\r\n\r\nabc"));

    EXPECT_EQ(fetch(nam, QNetworkRequest(server.url("/bytes"))).body, binary);
    const Fetched raw = fetch(nam, QNetworkRequest(server.url("/raw")));
    EXPECT_EQ(raw.status, 203);
    EXPECT_EQ(raw.body, "abc");
}

TEST_F(HttpServerFixture, ServerErrorsCarryTheirBody)
{
    server.route("POST", "/search/search_v1.html", HttpReply::text("INFO\tstill a good body", 500));
    const Fetched f = fetch(nam, formPost(server.url("/search/search_v1.html")), "POST", "query=a&");
    EXPECT_EQ(f.status, 500);
    EXPECT_EQ(f.error, QNetworkReply::InternalServerError);
    EXPECT_EQ(f.body, "INFO\tstill a good body");

    server.route("GET", "/page", HttpReply::errorPage(503));
    const Fetched page = fetch(nam, QNetworkRequest(server.url("/page")));
    EXPECT_EQ(page.status, 503);
    EXPECT_TRUE(page.body.contains("<title>503 Service Unavailable</title>"));
}

TEST_F(HttpServerFixture, DelayBeforeTheAnswer)
{
    server.route("GET", "/slow", HttpReply::text("late").withDelay(400));
    const Fetched f = fetch(nam, QNetworkRequest(server.url("/slow")));
    EXPECT_EQ(f.body, "late");
    EXPECT_GE(f.ms, 350);

    // Past the client's time-out: the client gives up; the request was still
    // recorded, and the late answer to a closed connection harms nothing.
    server.route("GET", "/slower", HttpReply::text("too late").withDelay(1500));
    QNetworkRequest impatient(server.url("/slower"));
    impatient.setTransferTimeout(200);
    const Fetched t = fetch(nam, impatient);
    EXPECT_EQ(t.error, QNetworkReply::OperationCanceledError);
    EXPECT_LT(t.ms, 1400);
    EXPECT_EQ(server.requestsFor("/slower").size(), 1);
    spinEventLoop(1500);
    EXPECT_EQ(fetch(nam, QNetworkRequest(server.url("/slow"))).body, "late");
}

TEST_F(HttpServerFixture, ClosedWithoutAnAnswer)
{
    server.route("POST", "/search/search_v1.html", HttpReply::noAnswer());
    const Fetched f = fetch(nam, formPost(server.url("/search/search_v1.html")), "POST", "query=a&");
    EXPECT_TRUE(f.finished);
    EXPECT_EQ(f.error, QNetworkReply::RemoteHostClosedError);
    EXPECT_TRUE(f.body.isEmpty());
    // Qt's client sends a request once more, on a new connection, when the
    // first is closed before any answer: the server sees it twice.
    EXPECT_EQ(server.requestCount(), 2);
    EXPECT_EQ(server.connectionCount(), 2);

    HttpReply lateClose = HttpReply::noAnswer();
    lateClose.delayMs = 300;
    server.route("GET", "/hang-up", lateClose);
    const Fetched g = fetch(nam, QNetworkRequest(server.url("/hang-up")));
    EXPECT_EQ(g.error, QNetworkReply::RemoteHostClosedError);
    EXPECT_GE(g.ms, 250);
}

TEST_F(HttpServerFixture, OneConnectionIsAnsweredInOrder)
{
    server.route("GET", "/first", HttpReply::text("first").withDelay(300));
    server.route("GET", "/second", HttpReply::text("second"));
    const QByteArray got =
        rawExchange(server.port(), "GET /first HTTP/1.1\r\nHost: x\r\n\r\n"
                                   "GET /second HTTP/1.1\r\nHost: x\r\nConnection: close\r\n\r\n");
    const qsizetype first = got.indexOf("\r\n\r\nfirst");
    const qsizetype second = got.indexOf("\r\n\r\nsecond");
    ASSERT_GE(first, 0) << got.toStdString();
    EXPECT_GT(second, first) << got.toStdString();
    const QList<HttpRequestRecord> r = server.requests();
    ASSERT_EQ(r.size(), 2);
    EXPECT_EQ(r[0].connection, r[1].connection);

    // A request that cannot be read is refused and the connection closed.
    const QByteArray bad = rawExchange(server.port(), "NONSENSE\r\n\r\n");
    EXPECT_TRUE(bad.startsWith("HTTP/1.1 400 Bad Request\r\n")) << bad.toStdString();
    EXPECT_EQ(server.requestCount(), 2);
}

TEST_F(HttpServerFixture, ChunkedRequestBodiesAreJoined)
{
    server.route("POST", "/echo",
                 [](const HttpRequestRecord& r) { return HttpReply::text("got " + r.body); });
    const QByteArray got =
        rawExchange(server.port(), "POST /echo HTTP/1.1\r\nHost: x\r\nTransfer-Encoding: chunked\r\n"
                                   "Connection: close\r\n\r\n"
                                   "3\r\nabc\r\n5;ext=1\r\ndefgh\r\n0\r\n\r\n");
    EXPECT_TRUE(got.endsWith("\r\n\r\ngot abcdefgh")) << got.toStdString();
    EXPECT_EQ(server.requests().value(0).body, "abcdefgh");
}

TEST_F(HttpServerFixture, HandlersSeeTheRequestAndAClientMayBlock)
{
    server.route("POST", "/search/getmids_v1.html", [](const HttpRequestRecord& r) {
        return HttpReply::text(
            HttpReply::tabLines({{"DATA", r.formValue("fids").toUtf8(), "mid@x", "100", "1", "1"}}));
    });
    // The server answers on its own thread even while this thread waits without
    // an event loop.
    QTcpSocket socket;
    socket.connectToHost(QHostAddress::LocalHost, server.port());
    ASSERT_TRUE(socket.waitForConnected(3000));
    socket.write(
        "POST /search/getmids_v1.html HTTP/1.1\r\nHost: x\r\nContent-Length: 12\r\n\r\nfids=f1&ero=");
    QByteArray got;
    while (!got.contains("\n") || !got.endsWith("\n")) {
        if (!socket.waitForReadyRead(3000)) break;
        got += socket.readAll();
    }
    EXPECT_TRUE(got.endsWith("\r\n\r\nDATA\tf1\tmid@x\t100\t1\t1\n")) << got.toStdString();
}

TEST(HttpServer, StopsWithOpenAndWaitingConnections)
{
    auto server = std::make_unique<ScriptedHttpServer>();
    ASSERT_TRUE(server->start());
    server->route("GET", "/wait", HttpReply::text("never").withDelay(60000));
    QNetworkAccessManager nam;
    QNetworkReply* reply = nam.get(QNetworkRequest(server->url("/wait")));
    ASSERT_TRUE(server->waitForRequests(1, 3000));
    QElapsedTimer clock;
    clock.start();
    server.reset();
    EXPECT_LT(clock.elapsed(), 2000);
    bool finished = false;
    QObject::connect(reply, &QNetworkReply::finished, [&] { finished = true; });
    EXPECT_TRUE(waitUntil([&] { return finished || reply->isFinished(); }, 3000));
    EXPECT_NE(reply->error(), QNetworkReply::NoError);
    delete reply;

    // Started again on another port after a stop.
    ScriptedHttpServer again;
    ASSERT_TRUE(again.start());
    const quint16 first = again.port();
    again.stop();
    EXPECT_EQ(again.port(), 0);
    ASSERT_TRUE(again.start());
    EXPECT_NE(again.port(), 0);
    EXPECT_NE(first, 0);
}
