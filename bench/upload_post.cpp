// Posts a 1 GiB file over 8 connections to the scripted news server on
// 127.0.0.1, with the engine wired as the program wires it: the upload job
// cut into articles, each article read from disk, named and yEnc-encoded by
// the connection that takes it, then posted. Prints the rate in MB/s of file
// data (from the job's start to the server's receipt of the last article)
// and the peak resident set of the whole process, server included (it keeps
// the size of each post, not its bytes).
//
//   bench_upload_post [MiB, default 1024]

#include "engine/EngineControllers.h"
#include "nntp/NNTPServersController.h"
#include "queue/Queue.h"
#include "queue/QueueController.h"

#include "support/EventLoop.h"
#include "support/ScriptedDialogAnswerer.h"
#include "support/ScriptedNntpServer.h"
#include "support/ScriptedServerEntry.h"
#include "support/TempHome.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QRandomGenerator>

#include <cstdio>
#include <cstdlib>
#include <sys/resource.h>

namespace {

constexpr double kArticleBytes = 384000;
constexpr int kConnections = 8;

bool writeRandomFile(const QString& path, qint64 bytes)
{
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly)) return false;
    QByteArray chunk(4 << 20, Qt::Uninitialized);
    QRandomGenerator rng(11);
    for (qint64 written = 0; written < bytes; written += chunk.size()) {
        rng.fillRange(reinterpret_cast<quint32*>(chunk.data()), chunk.size() / 4);
        const qint64 n = std::min<qint64>(chunk.size(), bytes - written);
        if (f.write(chunk.constData(), n) != n) return false;
    }
    return true;
}

qint64 postedBytes(const ScriptedNntpServer& server, qsizetype* count)
{
    const QList<NntpPostedArticle> posts = server.postedArticles();
    qint64 total = 0;
    for (const NntpPostedArticle& p : posts)
        total += p.size;
    *count = posts.size();
    return total;
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const qint64 mebibytes = argc > 1 ? std::atoll(argv[1]) : 1024;
    const qint64 fileBytes = mebibytes << 20;

    TempHome home;
    ScriptedDialogAnswerer dialogs;
    const QString path = home.makeFolder("to-post") + "/big.bin";
    if (!writeRandomFile(path, fileBytes)) {
        std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
        return 1;
    }

    ScriptedNntpServer server;
    server.setKeepPostedBytes(false);
    if (!server.start()) {
        std::fprintf(stderr, "server: %s\n", qPrintable(server.errorString()));
        return 1;
    }

    int rc = 0;
    {
        EngineControllers engine;
        engine.initControllers();
        NNTPServersController* list = engine.nntpServersController();
        const NNTPServerObjectPtr entry =
            addScriptedServerEntry(*list, server, QStringLiteral("Bench"), kConnections);
        list->buildLocalArrays();

        const QueuePtr job = Queue::create();
        job->setIsUploadObject(true);
        job->setIsBinaryUpload(true);
        job->setTitle(QStringLiteral("Bench"));
        job->setServerID(entry->upServerID());
        job->setPoster(QStringLiteral("Bench <bench@example.invalid>"));
        job->setGroups(QStringLiteral("alt.binaries.test"));
        job->setRawUrls({path});
        job->setMaxArticleSize(kArticleBytes);
        job->setMakeNZB(false);
        job->setDelegate(engine.queueController());

        const qint64 articles = (fileBytes + qint64(kArticleBytes) - 1) / qint64(kArticleBytes);
        QElapsedTimer timer;
        timer.start();
        job->setStatus(200);
        qsizetype posted = 0;
        const bool all = waitUntil(
            [&] {
                postedBytes(server, &posted);
                const qint64 status = job->status();
                const bool stopped = status == 240 || status == 249 || status == 210 || status == 300;
                return posted >= articles || stopped;
            },
            30 * 60 * 1000);
        const double seconds = double(timer.nsecsElapsed()) / 1e9;
        const qint64 wire = postedBytes(server, &posted);
        // The job's own end, after the last reply was read.
        waitUntil([&] { return job->status() == 205; }, 60000);

        rusage usage{};
        getrusage(RUSAGE_SELF, &usage);
        std::printf("file: %lld MiB in %lld articles of %.0f bytes, %d connections\n", (long long)mebibytes,
                    (long long)articles, kArticleBytes, kConnections);
        std::printf("posted: %lld articles, %lld bytes on the wire, peak %d connections\n", (long long)posted,
                    (long long)wire, server.peakConnections());
        std::printf("time: %.2f s, %.0f MB/s of file data\n", seconds, double(fileBytes) / seconds / 1e6);
        std::printf("job status: %lld (%s)\n", (long long)job->status(), qPrintable(job->commentTextField()));
        std::printf("peak resident set: %.1f MB\n", double(usage.ru_maxrss) / 1024.0);
        if (!all || posted != articles) rc = 1;
    }
    server.stop();
    return rc;
}
