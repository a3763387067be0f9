// How fast the scripted NNTP server serves article bodies from memory, so
// that benchmarks of the download path can tell the client's limits from the
// server's. Clients are plain (or TLS) QTcpSockets, one thread each, that send
// BODY, read the reply into a fixed buffer and only look for the terminator.
//
//   bench_nntp_server_throughput [seconds per run, default 2]

#include "support/ArticleFixtures.h"
#include "support/ScriptedNntpServer.h"
#include "support/TestCertificates.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QElapsedTimer>
#include <QSslSocket>
#include <QThread>

#include <cstdio>
#include <cstring>
#include <vector>

namespace {

constexpr int kArticles = 32;
constexpr qsizetype kArticleBytes = 700 * 1024;

QByteArray mid(int i)
{
    return "<bench" + QByteArray::number(i) + "@test>";
}

struct Result
{
    qint64 bytes = 0;
    qint64 articles = 0;
    bool failed = false;
};

// One client connection: BODY after BODY until the deadline.
void runClient(quint16 port, bool tls, int first, qint64 deadlineMs, Result* result)
{
    QSslSocket socket;
    if (tls) {
        socket.setSslConfiguration(TestCertificates::shared().clientConfigurationTrustingCa());
        socket.connectToHostEncrypted(QStringLiteral("127.0.0.1"), port);
        if (!socket.waitForEncrypted(10000)) {
            result->failed = true;
            return;
        }
    } else {
        socket.connectToHost(QStringLiteral("127.0.0.1"), port);
        if (!socket.waitForConnected(10000)) {
            result->failed = true;
            return;
        }
    }
    socket.setReadBufferSize(0);
    // The greeting.
    while (!socket.canReadLine()) {
        if (!socket.waitForReadyRead(10000)) {
            result->failed = true;
            return;
        }
    }
    socket.readLine();

    std::vector<char> buffer(256 * 1024);
    QDeadlineTimer deadline(deadlineMs);
    int next = first;
    while (!deadline.hasExpired()) {
        socket.write("BODY " + mid(next % kArticles) + "\r\n");
        ++next;
        char tail[5] = {};
        qint64 got = 0;
        for (;;) {
            if (socket.bytesAvailable() == 0 && !socket.waitForReadyRead(10000)) {
                result->failed = true;
                return;
            }
            const qint64 n = socket.read(buffer.data(), qint64(buffer.size()));
            if (n <= 0) continue;
            got += n;
            if (n >= 5) {
                std::memcpy(tail, buffer.data() + n - 5, 5);
            } else {
                std::memmove(tail, tail + n, size_t(5 - n));
                std::memcpy(tail + 5 - n, buffer.data(), size_t(n));
            }
            if (got >= 5 && std::memcmp(tail, "\r\n.\r\n", 5) == 0) break;
        }
        result->bytes += got;
        ++result->articles;
    }
}

void run(const char* label, quint16 port, bool tls, int connections, int seconds)
{
    std::vector<Result> results(static_cast<size_t>(connections));
    std::vector<QThread*> threads;
    QElapsedTimer clock;
    clock.start();
    for (int i = 0; i < connections; ++i) {
        threads.push_back(
            QThread::create(runClient, port, tls, i * 7, qint64(seconds) * 1000, &results[size_t(i)]));
        threads.back()->start();
    }
    for (QThread* thread : threads) {
        thread->wait();
        delete thread;
    }
    const double elapsed = double(clock.nsecsElapsed()) / 1e9;
    qint64 bytes = 0;
    qint64 articles = 0;
    bool failed = false;
    for (const Result& r : results) {
        bytes += r.bytes;
        articles += r.articles;
        failed = failed || r.failed;
    }
    std::printf(
        "%-5s %2d connection%s: %8.1f MB/s  %7.0f articles/s  (%lld articles of %lld bytes, %.2f s)%s\n",
        label, connections, connections == 1 ? " " : "s", double(bytes) / elapsed / 1e6,
        double(articles) / elapsed, static_cast<long long>(articles),
        static_cast<long long>(articles ? bytes / articles : 0), elapsed, failed ? "  FAILED" : "");
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const int seconds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 2;

    ScriptedNntpServer plain;
    ScriptedNntpServer tls;
    for (int i = 0; i < kArticles; ++i) {
        const QByteArray body = ArticleFixtures::yencLikeBody(kArticleBytes, quint32(i + 1));
        plain.addArticle(mid(i), body);
        tls.addArticle(mid(i), body);
    }
    if (!plain.start() || !tls.startTls()) {
        std::fprintf(stderr, "cannot start the servers\n");
        return 1;
    }
    std::printf("articles of %lld KiB, %d s per run, %d cores\n",
                static_cast<long long>(kArticleBytes / 1024), seconds, QThread::idealThreadCount());
    for (const int connections : {1, 20}) {
        run("plain", plain.port(), false, connections, seconds);
    }
    for (const int connections : {1, 20}) {
        run("TLS", tls.port(), true, connections, seconds);
    }
    return 0;
}
