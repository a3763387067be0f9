// Times the NZB export of search results: the parse of an export reply of
// 200 files with 500 articles each (100,000 SEG records), done off the main
// thread (target: under 150 ms), and 200 results merged one by one into one
// file, with the bytes the process wrote against the size of the file it
// made (target: at most 1.01 times, so no merge rewrites what is there).

#include "queue/Queue.h"
#include "search/NZBExportParser.h"
#include "search/NZBExportWriter.h"

#include "support/DeepLookupReplyBuilder.h"
#include "support/ScriptedHttpServer.h"
#include "support/TempHome.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QThreadPool>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <functional>
#include <vector>

namespace {

using R = DeepLookupReplyBuilder;

double timeMs(const std::function<void()>& run)
{
    const auto start = std::chrono::steady_clock::now();
    run();
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
}

QString exportReply(int result, int files, int segments)
{
    QList<QByteArrayList> rows = {{"INFO", "1|result|ok"}};
    const QByteArray n = QByteArray::number(result);
    rows.append(R::exportResult("Result " + n, "123456789", 1700000000 + result,
                                "alt.binaries.test,alt.binaries.misc", "poster@example.invalid", files));
    for (int f = 0; f < files; ++f) {
        const QByteArray fn = QByteArray::number(f);
        rows.append(R::exportFile("Result " + n + " [" + fn + "/" + QByteArray::number(files) + "] - \"r" +
                                      n + ".part" + fn + ".rar\" yEnc (1/" + QByteArray::number(segments) +
                                      ")",
                                  "384000000", 1700000001));
        for (int s = 1; s <= segments; ++s)
            rows.append(R::exportSegment("part" + QByteArray::number(s) + "of" +
                                             QByteArray::number(segments) + "." + fn + "." + n +
                                             "@news.example.invalid",
                                         "396800", s));
    }
    return QString::fromUtf8(HttpReply::tabLines(rows));
}

// Bytes this process has handed to write() so far.
qint64 bytesWritten()
{
    QFile io(QStringLiteral("/proc/self/io"));
    if (!io.open(QIODevice::ReadOnly)) return -1;
    for (const QByteArray& line : io.readAll().split('\n'))
        if (line.startsWith("wchar:")) return line.mid(6).trimmed().toLongLong();
    return -1;
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    TempHome home;

    const QString big = exportReply(1, 200, 500);
    std::vector<double> runs;
    for (int i = 0; i < 7; ++i) {
        double ms = 0;
        // On a pool thread, as the controller parses.
        QThreadPool::globalInstance()->start([&] {
            ms = timeMs([&] {
                const NZBExportParser::Result result = NZBExportParser().parseSearchResult(big);
                if (!result.contentArray || result.contentArray->first()->filepartCount() != 200)
                    std::abort();
            });
        });
        QThreadPool::globalInstance()->waitForDone();
        runs.push_back(ms);
    }
    std::sort(runs.begin(), runs.end());
    std::printf("export reply, 200 files x 500 segments (%.1f MB): parse best %.1f ms, median %.1f ms "
                "(target < 150 ms)\n",
                big.size() / 1e6, runs.front(), runs[runs.size() / 2]);

    constexpr int kResults = 200;
    QList<QueuePtr> roots;
    for (int r = 0; r < kResults; ++r)
        roots.append(NZBExportParser().parseSearchResult(exportReply(r, 10, 100)).contentArray->first());
    const QString path = QDir(home.path()).filePath(QStringLiteral("merged.nzb"));
    const qint64 before = bytesWritten();
    const double mergeMs = timeMs([&] {
        for (const QueuePtr& root : roots) {
            root->setNzbExportUrl(path);
            NZBExportWriter writer;
            writer.createdNZBForQueue(root, true);
            if (writer.hasErrors()) std::abort();
        }
    });
    const qint64 written = bytesWritten() - before;
    const qint64 size = QFileInfo(path).size();
    std::printf("200 results of 10 files x 100 segments merged one by one: %.1f ms in all (%.2f ms each), "
                "file %.1f MB, bytes written %.4f x the file (target <= 1.01; log lines included)\n",
                mergeMs, mergeMs / kResults, size / 1e6, double(written) / double(size));
    return 0;
}
