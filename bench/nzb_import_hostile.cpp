// Imports NZB files that a careless or hostile indexer could hand out,
// through the import as the program runs it (the scheduler admits the job,
// the parser runs on the import queue, the job's parts are queued for
// download on the main thread), and prints for each: the job's status and
// number of files, the time until the import is over, the longest time the
// main thread was kept from its event loop in one go, the peak resident size
// above what the process held before (VmHWM), and what stays resident after.
// The import is over when the job's last part is queued for download.
//
//   nested:  50 MB of elements nested in one another, no file at all
//   files:   100,000 files of one article each (about 25 MB of XML)

#include "queue/NZBController.h"
#include "queue/QueueController.h"
#include "queue/StatusCodes.h"

#include "support/MainThreadStallMeter.h"
#include "support/ProcessMemory.h"
#include "support/TempHome.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>

#include <cstdio>

namespace {

void writeNested(const QString& path, qint64 bytes)
{
    QFile out(path);
    out.open(QIODevice::WriteOnly);
    out.write("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<nzb>");
    const qint64 depth = bytes / 7;
    QByteArray block;
    for (int i = 0; i < 4096; ++i)
        block.append("<x>");
    for (qint64 n = 0; n < depth; n += 4096)
        out.write(block);
    block.replace("<x>", "</x>");
    for (qint64 n = 0; n < depth; n += 4096)
        out.write(block);
    out.write("</nzb>\n");
}

void writeFiles(const QString& path, int files)
{
    QFile out(path);
    out.open(QIODevice::WriteOnly);
    out.write("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<nzb xmlns=\"http://www.newzbin.com/DTD/2003/nzb\">\n");
    for (int f = 0; f < files; ++f) {
        const QByteArray n = QByteArray::number(f);
        out.write("<file poster=\"p@example.invalid\" subject=\"&quot;file" + n +
                  ".bin&quot; yEnc (1/1)\"><groups><group>alt.binaries.test</group></groups><segments>"
                  "<segment bytes=\"1000\" number=\"1\">" +
                  n + "@bench.invalid</segment></segments></file>\n");
    }
    out.write("</nzb>\n");
}

void importOnce(const char* label, const QString& path)
{
    QueueController queueController;
    NZBController nzbController;
    nzbController.setQueueController(&queueController);
    queueController.setNzbController(&nzbController);
    QCoreApplication::sendPostedEvents();

    const long rss0 = ProcessMemory::statusKiB("VmRSS:");
    ProcessMemory::resetPeak();
    MainThreadStallMeter meter;
    meter.start();
    QElapsedTimer clock;
    clock.start();
    nzbController.parseFileUrl(path, false);
    const QueuePtr root = queueController.queueArray().value(0);
    while (nzbController.nzbImportQueue().operationCount() > 0 ||
           (root && root->status() == JobStatus::NZBParsed))
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    // Until its last part is queued for download, and the change reports
    // that follow have been handled.
    const auto lastQueued = [&root] {
        const QList<QueuePtr> parts = root ? root->fileparts() : QList<QueuePtr>();
        return parts.isEmpty() || parts.last()->status() == FilePartStatus::Queued;
    };
    while (queueController.queueArray().contains(root) && !lastQueued())
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    for (int i = 0; i < 20; ++i)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    const qint64 ms = clock.elapsed();
    meter.stop();
    const long peak = ProcessMemory::statusKiB("VmHWM:");
    const long rss1 = ProcessMemory::statusKiB("VmRSS:");
    const QueuePtr job = queueController.queueArray().value(0);
    std::printf("%-7s %7lld %6lld %9.2f %11lld %12.1f %12.1f\n", label,
                static_cast<long long>(job ? job->status() : -1),
                static_cast<long long>(job ? job->fileparts().size() : 0), double(ms) / 1000.0,
                static_cast<long long>(meter.longestMs()), double(peak - rss0) / 1024.0,
                double(rss1 - rss0) / 1024.0);
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    TempHome home;
    const QDir folder(home.makeFolder("nzbs"));
    const QString nested = folder.filePath("nested.nzb");
    const QString files = folder.filePath("files.nzb");
    writeNested(nested, 50'000'000);
    writeFiles(files, 100'000);
    std::printf("%-7s %7s %6s %9s %11s %12s %12s\n", "NZB", "status", "files", "time (s)", "longest (ms)",
                "peak (MiB)", "after (MiB)");
    importOnce("nested", nested);
    importOnce("files", files);
    std::printf("\ntargets: the main thread never busy more than about 100 ms in one go; memory bounded\n");
    return 0;
}
