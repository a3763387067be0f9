#include "support/ScriptedHttpServer.h"

#include "support/EventLoop.h"

#include <QHash>
#include <QHostAddress>
#include <QMap>
#include <QPointer>
#include <QSslConfiguration>
#include <QSslSocket>
#include <QTcpServer>
#include <QThread>
#include <QTimer>

#include <zlib.h>

namespace {

constexpr qsizetype kMaxHeaderBytes = 64 * 1024;
constexpr qint64 kMaxBodyBytes = 64 * 1024 * 1024;

QByteArray gzipEncode(const QByteArray& data)
{
    z_stream s{};
    if (deflateInit2(&s, Z_DEFAULT_COMPRESSION, Z_DEFLATED, 15 + 16, 8, Z_DEFAULT_STRATEGY) != Z_OK)
        return {};
    QByteArray out(qsizetype(deflateBound(&s, uLong(data.size()))) + 32, '\0');
    s.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(data.constData()));
    s.avail_in = uInt(data.size());
    s.next_out = reinterpret_cast<Bytef*>(out.data());
    s.avail_out = uInt(out.size());
    deflate(&s, Z_FINISH);
    out.resize(qsizetype(s.total_out));
    deflateEnd(&s);
    return out;
}

QString formDecode(QByteArray text)
{
    text.replace('+', ' ');
    return QString::fromUtf8(QByteArray::fromPercentEncoding(text));
}

} // namespace

// ---------------------------------------------------------------------------

QByteArray HttpRequestRecord::header(const QByteArray& name) const
{
    for (const auto& h : headers)
        if (h.first.compare(name, Qt::CaseInsensitive) == 0) return h.second;
    return {};
}

bool HttpRequestRecord::hasHeader(const QByteArray& name) const
{
    for (const auto& h : headers)
        if (h.first.compare(name, Qt::CaseInsensitive) == 0) return true;
    return false;
}

QList<QPair<QString, QString>> HttpRequestRecord::formItems() const
{
    QList<QPair<QString, QString>> items;
    for (const QByteArray& pair : body.split('&')) {
        if (pair.isEmpty()) continue;
        const qsizetype eq = pair.indexOf('=');
        if (eq < 0)
            items.append({formDecode(pair), QString()});
        else
            items.append({formDecode(pair.left(eq)), formDecode(pair.mid(eq + 1))});
    }
    return items;
}

QString HttpRequestRecord::formValue(const QString& key) const
{
    for (const auto& item : formItems())
        if (item.first == key) return item.second;
    return {};
}

// ---------------------------------------------------------------------------

HttpReply HttpReply::text(const QByteArray& body, int status, const QByteArray& contentType)
{
    HttpReply r;
    r.status = status;
    r.body = body;
    r.headers.append({"Content-Type", contentType});
    return r;
}

HttpReply HttpReply::html(const QByteArray& body, int status)
{
    return text(body, status, "text/html; charset=utf-8");
}

HttpReply HttpReply::errorPage(int status)
{
    const QByteArray phrase = reasonPhrase(status);
    const QByteArray code = QByteArray::number(status);
    const QByteArray page = "<!DOCTYPE HTML PUBLIC \"-//IETF//DTD HTML 2.0//EN\">\n"
                            "<html><head>\n"
                            "<title>" +
                            code + " " + phrase +
                            "</title>\n"
                            "</head><body>\n"
                            "<h1>" +
                            phrase +
                            "</h1>\n"
                            "<p>The server could not answer the request.</p>\n"
                            "</body></html>\n";
    return text(page, status, "text/html; charset=iso-8859-1");
}

HttpReply HttpReply::rawBytes(const QByteArray& bytes)
{
    HttpReply r;
    r.raw = bytes;
    return r;
}

HttpReply HttpReply::noAnswer()
{
    HttpReply r;
    r.closeWithoutAnswer = true;
    return r;
}

HttpReply& HttpReply::withHeader(const QByteArray& name, const QByteArray& value)
{
    for (auto& h : headers) {
        if (h.first.compare(name, Qt::CaseInsensitive) == 0) {
            h.second = value;
            return *this;
        }
    }
    headers.append({name, value});
    return *this;
}

HttpReply& HttpReply::withDelay(int ms)
{
    delayMs = ms;
    return *this;
}

HttpReply& HttpReply::withGzip()
{
    gzip = true;
    return *this;
}

HttpReply& HttpReply::withChunked(int size)
{
    framing = Framing::Chunked;
    chunkSize = size > 0 ? size : 1;
    return *this;
}

HttpReply& HttpReply::withClose()
{
    closeAfterAnswer = true;
    return *this;
}

QByteArray HttpReply::tabLines(const QList<QByteArrayList>& rows)
{
    QByteArray out;
    for (const QByteArrayList& row : rows)
        out += row.join('\t') + '\n';
    return out;
}

QByteArray HttpReply::envelope(const QByteArrayList& fields)
{
    return "[START]\t" + fields.join('\t') + "\t[END]";
}

QByteArray HttpReply::reasonPhrase(int status)
{
    static const QMap<int, QByteArray> phrases{
        {100, "Continue"},          {200, "OK"},
        {201, "Created"},           {204, "No Content"},
        {301, "Moved Permanently"}, {302, "Found"},
        {304, "Not Modified"},      {400, "Bad Request"},
        {401, "Unauthorized"},      {403, "Forbidden"},
        {404, "Not Found"},         {405, "Method Not Allowed"},
        {408, "Request Timeout"},   {500, "Internal Server Error"},
        {502, "Bad Gateway"},       {503, "Service Unavailable"},
        {504, "Gateway Timeout"},
    };
    return phrases.value(status, "Status");
}

// ---------------------------------------------------------------------------

// Lives on the server's thread and owns everything network there.
class ScriptedHttpServer::Worker : public QObject
{
public:
    explicit Worker(ScriptedHttpServer* owner) : owner_(owner), listener_(new Listener(this)) {}

    bool listen(bool tls, const QSslCertificate& cert, const QSslKey& key,
                const QList<QSslCertificate>& chain)
    {
        tls_ = tls;
        if (tls) {
            config_ = QSslConfiguration::defaultConfiguration();
            config_.setLocalCertificate(cert);
            config_.setLocalCertificateChain(QList<QSslCertificate>{cert} + chain);
            config_.setPrivateKey(key);
            config_.setPeerVerifyMode(QSslSocket::VerifyNone);
        }
        return listener_->listen(QHostAddress::LocalHost, 0);
    }
    quint16 port() const { return listener_->serverPort(); }

    void shutdown()
    {
        listener_->close();
        const QList<QSslSocket*> sockets = connections_.keys(); // abort() removes them from the table
        for (QSslSocket* s : sockets)
            s->abort();
        connections_.clear();
    }

private:
    struct Connection
    {
        int id = 0;
        QByteArray buffer;
        bool busy = false; // an answer is pending (delayed)
        bool closing = false;
    };

    class Listener : public QTcpServer
    {
    public:
        // A child of the worker, so that it moves to the server's thread with it.
        explicit Listener(Worker* worker) : QTcpServer(worker), worker_(worker) {}

    protected:
        void incomingConnection(qintptr handle) override { worker_->accept(handle); }

    private:
        Worker* worker_;
    };

    void accept(qintptr handle)
    {
        auto* socket = new QSslSocket(this);
        if (!socket->setSocketDescriptor(handle)) {
            delete socket;
            return;
        }
        QPointer<QSslSocket> guard(socket);
        Connection c;
        c.id = owner_->nextConnectionId();
        connections_.insert(socket, c);
        connect(socket, &QSslSocket::readyRead, this, [this, guard] { process(guard); });
        connect(socket, &QSslSocket::disconnected, this, [this, socket] {
            connections_.remove(socket);
            socket->deleteLater();
        });
        // A failed handshake ends the connection; the client sees the error.
        connect(socket, &QSslSocket::sslErrors, socket,
                [socket](const QList<QSslError>&) { socket->abort(); });
        if (tls_) {
            socket->setSslConfiguration(config_);
            socket->startServerEncryption();
        }
    }

    // Takes one whole request off the buffer. Returns nothing while it is
    // incomplete; sets `bad` for a request that cannot be read.
    static std::optional<HttpRequestRecord> parse(QByteArray& buffer, bool* bad)
    {
        const qsizetype end = buffer.indexOf("\r\n\r\n");
        if (end < 0) {
            *bad = buffer.size() > kMaxHeaderBytes;
            return std::nullopt;
        }
        const QList<QByteArray> lines = buffer.left(end).split('\n');
        const QList<QByteArray> first = lines.value(0).trimmed().split(' ');
        if (first.size() != 3) {
            *bad = true;
            return std::nullopt;
        }
        HttpRequestRecord r;
        r.method = first[0];
        r.target = first[1];
        r.version = first[2];
        const qsizetype q = r.target.indexOf('?');
        r.path = q < 0 ? r.target : r.target.left(q);
        r.query = q < 0 ? QByteArray() : r.target.mid(q + 1);
        for (qsizetype i = 1; i < lines.size(); ++i) {
            const QByteArray line = lines[i].trimmed();
            const qsizetype colon = line.indexOf(':');
            if (colon <= 0) {
                *bad = true;
                return std::nullopt;
            }
            r.headers.append({line.left(colon).trimmed(), line.mid(colon + 1).trimmed()});
        }

        qsizetype pos = end + 4;
        if (r.header("Transfer-Encoding").toLower().contains("chunked")) {
            QByteArray body;
            for (;;) {
                const qsizetype lineEnd = buffer.indexOf("\r\n", pos);
                if (lineEnd < 0) return std::nullopt;
                bool ok = false;
                const qint64 size =
                    buffer.mid(pos, lineEnd - pos).split(';').value(0).trimmed().toLongLong(&ok, 16);
                if (!ok || size < 0 || size > kMaxBodyBytes) {
                    *bad = true;
                    return std::nullopt;
                }
                pos = lineEnd + 2;
                if (size == 0) {
                    // No trailers are sent by the clients under test.
                    if (buffer.size() < pos + 2) return std::nullopt;
                    pos += 2;
                    break;
                }
                if (buffer.size() < pos + size + 2) return std::nullopt;
                body += buffer.mid(pos, qsizetype(size));
                pos += qsizetype(size) + 2;
            }
            r.body = body;
        } else if (r.hasHeader("Content-Length")) {
            bool ok = false;
            const qint64 size = r.header("Content-Length").toLongLong(&ok);
            if (!ok || size < 0 || size > kMaxBodyBytes) {
                *bad = true;
                return std::nullopt;
            }
            if (buffer.size() < pos + size) return std::nullopt;
            r.body = buffer.mid(pos, qsizetype(size));
            pos += qsizetype(size);
        }
        buffer.remove(0, pos);
        return r;
    }

    void process(const QPointer<QSslSocket>& socket)
    {
        for (;;) {
            if (!socket) return;
            auto it = connections_.find(socket.data());
            if (it == connections_.end()) return;
            Connection& c = *it;
            c.buffer += socket->readAll();
            if (c.busy || c.closing) return;
            bool bad = false;
            std::optional<HttpRequestRecord> request = parse(c.buffer, &bad);
            if (bad) {
                c.closing = true;
                HttpReply r = HttpReply::errorPage(400);
                r.closeAfterAnswer = true;
                send(socket, r);
                socket->disconnectFromHost();
                return;
            }
            if (!request) return;
            request->connection = c.id;
            owner_->record(*request);
            HttpReply reply = owner_->replyFor(*request);
            if (request->header("Connection").toLower() == "close") reply.closeAfterAnswer = true;
            c.busy = true;
            if (reply.delayMs > 0) {
                QTimer::singleShot(reply.delayMs, socket.data(),
                                   [this, socket, reply] { answer(socket, reply); });
                return;
            }
            answer(socket, reply);
        }
    }

    void answer(const QPointer<QSslSocket>& socket, const HttpReply& reply)
    {
        if (!socket) return;
        auto it = connections_.find(socket.data());
        if (it == connections_.end()) return;
        it->busy = false;
        if (reply.closeWithoutAnswer) {
            it->closing = true;
            socket->disconnectFromHost();
            return;
        }
        send(socket, reply);
        if (reply.raw || reply.closeAfterAnswer) {
            it->closing = true;
            socket->disconnectFromHost();
            return;
        }
        // Requests that arrived during a delay are answered in order.
        if (!it->buffer.isEmpty() && reply.delayMs > 0)
            QTimer::singleShot(0, socket.data(), [this, socket] { process(socket); });
    }

    static void send(QSslSocket* socket, const HttpReply& reply)
    {
        if (reply.raw) {
            socket->write(*reply.raw);
            return;
        }
        const QByteArray body = reply.gzip ? gzipEncode(reply.body) : reply.body;
        QByteArray out = "HTTP/1.1 " + QByteArray::number(reply.status) + ' ' +
                         (reply.reason.isEmpty() ? HttpReply::reasonPhrase(reply.status) : reply.reason) +
                         "\r\n";
        bool hasEncoding = false;
        for (const auto& h : reply.headers) {
            out += h.first + ": " + h.second + "\r\n";
            hasEncoding |= h.first.compare("Content-Encoding", Qt::CaseInsensitive) == 0;
        }
        if (reply.gzip && !hasEncoding) out += "Content-Encoding: gzip\r\n";
        if (reply.framing == HttpReply::Framing::Chunked)
            out += "Transfer-Encoding: chunked\r\n";
        else
            out += "Content-Length: " + QByteArray::number(body.size()) + "\r\n";
        if (reply.closeAfterAnswer) out += "Connection: close\r\n";
        out += "\r\n";
        if (reply.framing == HttpReply::Framing::Chunked) {
            for (qsizetype at = 0; at < body.size(); at += reply.chunkSize) {
                const QByteArray chunk = body.mid(at, reply.chunkSize);
                out += QByteArray::number(chunk.size(), 16) + "\r\n" + chunk + "\r\n";
            }
            out += "0\r\n\r\n";
        } else {
            out += body;
        }
        socket->write(out);
    }

    ScriptedHttpServer* owner_;
    Listener* listener_;
    bool tls_ = false;
    QSslConfiguration config_;
    QHash<QSslSocket*, Connection> connections_;
};

// ---------------------------------------------------------------------------

ScriptedHttpServer::ScriptedHttpServer() : defaultReply_(HttpReply::errorPage(404))
{}

ScriptedHttpServer::~ScriptedHttpServer()
{
    stop();
}

bool ScriptedHttpServer::start()
{
    return listen(false, QSslCertificate(), QSslKey(), {});
}

bool ScriptedHttpServer::startTls(const QSslCertificate& certificate, const QSslKey& key,
                                  const QList<QSslCertificate>& chain)
{
    return listen(true, certificate, key, chain);
}

bool ScriptedHttpServer::listen(bool tls, const QSslCertificate& certificate, const QSslKey& key,
                                const QList<QSslCertificate>& chain)
{
    stop();
    thread_ = std::make_unique<QThread>();
    thread_->setObjectName(QStringLiteral("ScriptedHttpServer"));
    worker_ = new Worker(this);
    worker_->moveToThread(thread_.get());
    thread_->start();
    bool ok = false;
    quint16 port = 0;
    QMetaObject::invokeMethod(
        worker_,
        [&] {
            ok = worker_->listen(tls, certificate, key, chain);
            port = worker_->port();
        },
        Qt::BlockingQueuedConnection);
    if (!ok) {
        stop();
        return false;
    }
    QMutexLocker lock(&mutex_);
    port_ = port;
    tls_ = tls;
    return true;
}

void ScriptedHttpServer::stop()
{
    if (!thread_) return;
    QMetaObject::invokeMethod(
        worker_, [this] { worker_->shutdown(); }, Qt::BlockingQueuedConnection);
    thread_->quit();
    thread_->wait();
    delete worker_; // its thread has ended: nothing of it runs any more
    worker_ = nullptr;
    thread_.reset();
    QMutexLocker lock(&mutex_);
    port_ = 0;
}

quint16 ScriptedHttpServer::port() const
{
    QMutexLocker lock(&mutex_);
    return port_;
}

bool ScriptedHttpServer::isTls() const
{
    QMutexLocker lock(&mutex_);
    return tls_;
}

QUrl ScriptedHttpServer::baseUrl() const
{
    QMutexLocker lock(&mutex_);
    return QUrl(QStringLiteral("%1://127.0.0.1:%2").arg(tls_ ? "https" : "http").arg(port_));
}

QUrl ScriptedHttpServer::url(const QString& pathAndQuery) const
{
    return QUrl(baseUrl().toString() + pathAndQuery);
}

void ScriptedHttpServer::route(const QByteArray& method, const QByteArray& path, const HttpReply& reply)
{
    route(method, path, [reply](const HttpRequestRecord&) { return reply; });
}

void ScriptedHttpServer::route(const QByteArray& method, const QByteArray& path, Handler handler)
{
    QMutexLocker lock(&mutex_);
    routes_.append({method, path, std::move(handler)});
}

void ScriptedHttpServer::enqueue(const QByteArray& method, const QByteArray& path, const HttpReply& reply)
{
    QMutexLocker lock(&mutex_);
    queued_.append({method, path, reply});
}

void ScriptedHttpServer::setDefaultReply(const HttpReply& reply)
{
    QMutexLocker lock(&mutex_);
    defaultReply_ = reply;
}

void ScriptedHttpServer::clearScript()
{
    QMutexLocker lock(&mutex_);
    routes_.clear();
    queued_.clear();
    defaultReply_ = HttpReply::errorPage(404);
}

QList<HttpRequestRecord> ScriptedHttpServer::requests() const
{
    QMutexLocker lock(&mutex_);
    return requests_;
}

QList<HttpRequestRecord> ScriptedHttpServer::requestsFor(const QByteArray& path) const
{
    QMutexLocker lock(&mutex_);
    QList<HttpRequestRecord> out;
    for (const HttpRequestRecord& r : requests_)
        if (r.path == path) out.append(r);
    return out;
}

qsizetype ScriptedHttpServer::requestCount() const
{
    QMutexLocker lock(&mutex_);
    return requests_.size();
}

void ScriptedHttpServer::clearRequests()
{
    QMutexLocker lock(&mutex_);
    requests_.clear();
}

int ScriptedHttpServer::connectionCount() const
{
    QMutexLocker lock(&mutex_);
    return connections_;
}

bool ScriptedHttpServer::waitForRequests(qsizetype count, int ms) const
{
    return waitUntil([&] { return requestCount() >= count; }, ms);
}

bool ScriptedHttpServer::matches(const QByteArray& method, const QByteArray& path,
                                 const HttpRequestRecord& request)
{
    if (method != "*" && method != request.method) return false;
    if (path.endsWith('*')) return request.path.startsWith(path.left(path.size() - 1));
    return path == request.path;
}

HttpReply ScriptedHttpServer::replyFor(const HttpRequestRecord& request)
{
    Handler handler;
    {
        QMutexLocker lock(&mutex_);
        for (qsizetype i = 0; i < queued_.size(); ++i) {
            if (matches(queued_[i].method, queued_[i].path, request)) return queued_.takeAt(i).reply;
        }
        // An exact path beats a prefix; among equals the latest route wins.
        for (bool prefix : {false, true}) {
            for (qsizetype i = routes_.size() - 1; i >= 0 && !handler; --i) {
                if (routes_[i].path.endsWith('*') == prefix &&
                    matches(routes_[i].method, routes_[i].path, request))
                    handler = routes_[i].handler;
            }
        }
        if (!handler) return defaultReply_;
    }
    // Outside the lock: a handler may script the server itself.
    return handler(request);
}

void ScriptedHttpServer::record(const HttpRequestRecord& request)
{
    QMutexLocker lock(&mutex_);
    requests_.append(request);
}

int ScriptedHttpServer::nextConnectionId()
{
    QMutexLocker lock(&mutex_);
    return ++connections_;
}
