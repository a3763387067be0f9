// Download throughput of the connections (TCPSocket): one and 20 connections
// fetching 700 KB articles from the scripted news server, plain and TLS.
// The server runs as a separate process (scripted_nntp_server), so the CPU
// time measured is the client's alone: the connection threads, the fake
// manager's hand-out and the main thread's row updates.
//
//   bench_nntp_connection [articles per connection, default 300]

#include "nntp/NntpTlsConfiguration.h"
#include "nntp/TCPSocket.h"
#include "queue/Queue.h"

#include "support/ArticleFixtures.h"
#include "support/EventLoop.h"
#include "support/FakeConnectionsManager.h"
#include "support/TempHome.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QSslCertificate>
#include <QTemporaryDir>
#include <QThread>

#include <cstdio>
#include <sys/resource.h>

namespace {

constexpr int kArticles = 32;
constexpr qsizetype kArticleBytes = 700 * 1024;

double cpuSeconds()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return double(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
           double(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

struct Server
{
    QProcess process;
    quint16 port = 0;

    bool start(const QString& program, const QString& folder, bool tls, const QString& caFile)
    {
        QStringList arguments = {QStringLiteral("--stop-on-eof"), folder};
        if (tls) arguments << QStringLiteral("--tls") << QStringLiteral("--ca-out") << caFile;
        process.start(program, arguments);
        if (!process.waitForStarted(10000) || !process.waitForReadyRead(20000)) return false;
        port = quint16(process.readLine().trimmed().toUInt());
        return port != 0;
    }
    ~Server()
    {
        process.closeWriteChannel();
        if (!process.waitForFinished(5000)) process.kill();
        process.waitForFinished(2000);
    }
};

void run(const char* label, quint16 port, bool tls, int connections, int perConnection)
{
    FakeConnectionsManager manager;
    manager.keepBodies = false;
    QueuePtr job = Queue::create();
    job->setTitle(QStringLiteral("bench"));
    QueuePtr part = Queue::create();
    part->setIsFilepart(true);
    part->setQueue(job);
    part->setFilename(QStringLiteral("bench.bin"));
    const int total = connections * perConnection;
    part->setTotalSegments(total);
    for (int i = 0; i < total; ++i) {
        SegmentPtr segment = Segment::create();
        segment->setMid(QByteArrayView("<bench" + QByteArray::number(i % kArticles) + "@test>"));
        segment->setSegnr(i + 1);
        segment->setBytes(double(kArticleBytes));
        segment->setQueue(job);
        segment->setFilepart(part);
        manager.addSegment(segment);
    }

    const double cpuBefore = cpuSeconds();
    QElapsedTimer clock;
    clock.start();
    for (int i = 0; i < connections; ++i)
        manager.openConnection(manager.makeSlot(port, tls));
    const bool done = waitUntil([&] { return manager.handInCount() >= total; }, 600000);
    const double elapsed = double(clock.nsecsElapsed()) / 1e9;
    const double cpu = cpuSeconds() - cpuBefore;
    const double bytes = double(manager.handedInBytes());
    std::printf("%-5s %2d connection%s: %8.1f MB/s  %6.2f CPU s/GB  (%d articles, %.2f GB in %.2f s)%s\n",
                label, connections, connections == 1 ? " " : "s", bytes / elapsed / 1e6, cpu / (bytes / 1e9),
                total, bytes / 1e9, elapsed, done ? "" : "  INCOMPLETE");
    std::fflush(stdout);
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const int perConnection = argc > 1 ? std::max(1, std::atoi(argv[1])) : 300;
    TempHome home;

    QTemporaryDir folder;
    for (int i = 0; i < kArticles; ++i) {
        QFile f(folder.filePath(QStringLiteral("bench%1@test").arg(i)));
        const QByteArray body = ArticleFixtures::yencLikeBody(kArticleBytes, quint32(i + 1));
        if (!f.open(QIODevice::WriteOnly) || f.write(body) != body.size()) {
            std::fprintf(stderr, "cannot write the articles\n");
            return 1;
        }
    }
    const QString program = QDir(QCoreApplication::applicationDirPath())
                                .filePath(QStringLiteral("../tests/tools/scripted_nntp_server"));
    if (!QFileInfo(program).isExecutable()) {
        std::fprintf(stderr, "scripted_nntp_server not found at %s\n", qPrintable(program));
        return 1;
    }
    QTemporaryDir caFolder;
    const QString caFile = caFolder.filePath(QStringLiteral("ca.pem"));
    Server plain;
    Server tls;
    if (!plain.start(program, folder.path(), false, QString()) ||
        !tls.start(program, folder.path(), true, caFile)) {
        std::fprintf(stderr, "cannot start the servers\n");
        return 1;
    }
    NntpTlsConfiguration::addCaCertificates(QSslCertificate::fromPath(caFile));

    std::printf("articles of %lld KiB, %d per connection, %d cores\n",
                static_cast<long long>(kArticleBytes / 1024), perConnection, QThread::idealThreadCount());
    for (const int connections : {1, 20})
        run("plain", plain.port, false, connections, perConnection);
    for (const int connections : {1, 20})
        run("TLS", tls.port, true, connections, perConnection);
    return 0;
}
