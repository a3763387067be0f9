#pragma once

#include <QByteArray>
#include <QByteArrayList>
#include <QList>
#include <QMutex>
#include <QPair>
#include <QSslCertificate>
#include <QSslKey>
#include <QString>
#include <QUrl>

#include <functional>
#include <memory>
#include <optional>

class QThread;

// One request as the server received it.
struct HttpRequestRecord
{
    int connection = 0;                           // 1, 2, ... in the order the server accepted connections
    QByteArray method;                            // "GET", "POST", ...
    QByteArray target;                            // as on the request line: path and query
    QByteArray path;                              // the target up to "?"
    QByteArray query;                             // after "?", without it
    QByteArray version;                           // "HTTP/1.1"
    QList<QPair<QByteArray, QByteArray>> headers; // in order, as sent
    QByteArray body;                              // chunked bodies already joined

    // The first header of that name (case-insensitive); empty when absent.
    QByteArray header(const QByteArray& name) const;
    bool hasHeader(const QByteArray& name) const;
    // The body read as "application/x-www-form-urlencoded" pairs, in order.
    QList<QPair<QString, QString>> formItems() const;
    QString formValue(const QString& key) const;
};

// What the server answers to one request.
struct HttpReply
{
    enum class Framing { ContentLength, Chunked };

    int status = 200;
    QByteArray reason; // empty: the usual phrase of the status
    QList<QPair<QByteArray, QByteArray>> headers;
    QByteArray body; // sent as it stands (any bytes)
    Framing framing = Framing::ContentLength;
    int chunkSize = 1024;
    bool gzip = false;               // the body goes out gzip-encoded with "Content-Encoding: gzip"
    int delayMs = 0;                 // wait before answering (or before closing)
    bool closeWithoutAnswer = false; // close the connection, no byte sent
    bool closeAfterAnswer = false;   // "Connection: close", then close
    std::optional<QByteArray> raw;   // sent instead of a composed answer, then the connection is closed

    static HttpReply text(const QByteArray& body, int status = 200,
                          const QByteArray& contentType = "text/plain; charset=utf-8");
    static HttpReply html(const QByteArray& body, int status = 200);
    // A web server's own error page, "<title>404 Not Found</title>" on a line
    // of its own.
    static HttpReply errorPage(int status);
    static HttpReply rawBytes(const QByteArray& bytes);
    static HttpReply noAnswer();

    HttpReply& withHeader(const QByteArray& name, const QByteArray& value);
    HttpReply& withDelay(int ms);
    HttpReply& withGzip();
    HttpReply& withChunked(int chunkSize = 1024);
    HttpReply& withClose();

    // Line-and-TAB framed records: fields joined by TAB, every line ending in
    // "\n".
    static QByteArray tabLines(const QList<QByteArrayList>& rows);
    // The reply envelope: "[START]", TAB, the fields joined by TAB, TAB, "[END]".
    static QByteArray envelope(const QByteArrayList& fields);
    static QByteArray reasonPhrase(int status);
};

// A scripted HTTP/1.1 server on 127.0.0.1 (plain, or TLS with a certificate and
// key that the caller brings) for tests: it routes requests by method and path
// to scripted replies, records every request, and answers anything else with a
// 404 error page. It runs on its own thread, so a client may block the test's
// thread while it waits; connections are kept alive and their requests answered
// in order.
class ScriptedHttpServer
{
public:
    using Handler = std::function<HttpReply(const HttpRequestRecord&)>;

    ScriptedHttpServer();
    ~ScriptedHttpServer(); // closes every connection and stops the thread

    ScriptedHttpServer(const ScriptedHttpServer&) = delete;
    ScriptedHttpServer& operator=(const ScriptedHttpServer&) = delete;

    // Listens on a free port of 127.0.0.1; false when that fails.
    bool start();
    bool startTls(const QSslCertificate& certificate, const QSslKey& key,
                  const QList<QSslCertificate>& chain = {});
    void stop();

    quint16 port() const;
    bool isTls() const;
    QUrl baseUrl() const; // "http://127.0.0.1:<port>" or "https://..."
    QUrl url(const QString& pathAndQuery) const;

    // `method` "*" matches any method; a `path` ending in "*" matches every
    // path that starts with what comes before it. A route of the exact path
    // beats a prefix route; among equals the latest wins. A handler runs on
    // the server's thread.
    void route(const QByteArray& method, const QByteArray& path, const HttpReply& reply);
    void route(const QByteArray& method, const QByteArray& path, Handler handler);
    // One-shot replies, used in order before the routes of that path.
    void enqueue(const QByteArray& method, const QByteArray& path, const HttpReply& reply);
    // The answer when nothing matches (a 404 error page at first).
    void setDefaultReply(const HttpReply& reply);
    void clearScript();

    QList<HttpRequestRecord> requests() const;
    QList<HttpRequestRecord> requestsFor(const QByteArray& path) const;
    qsizetype requestCount() const;
    void clearRequests();
    int connectionCount() const;
    // Runs the calling thread's event loop until `count` requests have been
    // recorded or `ms` have passed.
    bool waitForRequests(qsizetype count, int ms = 5000) const;

    class Worker;

private:
    friend class Worker;
    struct Route
    {
        QByteArray method;
        QByteArray path;
        Handler handler;
    };
    struct Queued
    {
        QByteArray method;
        QByteArray path;
        HttpReply reply;
    };
    static bool matches(const QByteArray& method, const QByteArray& path, const HttpRequestRecord& request);
    HttpReply replyFor(const HttpRequestRecord& request);
    void record(const HttpRequestRecord& request);
    int nextConnectionId();
    bool listen(bool tls, const QSslCertificate& certificate, const QSslKey& key,
                const QList<QSslCertificate>& chain);

    mutable QMutex mutex_;
    QList<Route> routes_;
    QList<Queued> queued_;
    HttpReply defaultReply_;
    QList<HttpRequestRecord> requests_;
    int connections_ = 0;
    quint16 port_ = 0;
    bool tls_ = false;

    std::unique_ptr<QThread> thread_;
    Worker* worker_ = nullptr;
};
