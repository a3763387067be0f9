// Times the search-service parsers on replies of the sizes the service
// sends: a search page of 1,000 results checked against a download history
// of 100,000 ids (parsed on the main thread), the file list of a result of
// 500 files, and the article lists of one batch of 200 file parts with 1,000
// articles each (200,000 DATA records, parsed on a background thread), plus
// the judging and decoding of that reply as the socket does it.

#include "queue/Queue.h"
#include "search/DeepLookupChildsParser.h"
#include "search/DeepLookupContentParser.h"
#include "search/DeepLookupMidsParser.h"
#include "search/DeepLookupSocket.h"

#include "support/DeepLookupReplyBuilder.h"
#include "support/ScriptedHttpServer.h"
#include "support/TempHome.h"

#include <QCoreApplication>
#include <QSet>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <functional>
#include <vector>

namespace {

double bestOfMs(int runs, const std::function<void()>& run)
{
    double best = 1e300;
    for (int i = 0; i < runs; ++i) {
        const auto start = std::chrono::steady_clock::now();
        run();
        const auto end = std::chrono::steady_clock::now();
        best = std::min(best, std::chrono::duration<double, std::milli>(end - start).count());
    }
    return best;
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    TempHome home;

    QSet<QString> history;
    for (int i = 0; i < 100000; ++i)
        history.insert(QStringLiteral("QID-%1").arg(i * 7));
    const DownloadHistoryContains contains = [&](const QString& id) { return history.contains(id); };

    QList<QByteArrayList> rows;
    for (int i = 0; i < 1000; ++i) {
        DeepLookupSearchRecord r;
        r.qid = "QID-" + QByteArray::number(i * 3);
        r.fid = "FID-" + QByteArray::number(i);
        r.totalfiles = i % 10 == 0 ? "1" : "40";
        r.archives = "30";
        r.par2Files = "8";
        r.available = "9";
        rows.append(r.fields());
    }
    const QString searchReply = QString::fromUtf8(HttpReply::tabLines(rows));
    const double searchMs = bestOfMs(5, [&] {
        DeepLookupContentParser parser;
        parser.setDownloadHistoryContainsQid(contains);
        parser.setDownloadHistoryContainsFid(contains);
        const DeepLookupContentParser::Result result = parser.parseSearchResult(searchReply);
        if (!result.contentArray || result.contentArray->size() != 1000) std::abort();
    });
    std::printf("search reply, 1000 results, 100k history ids: %.2f ms\n", searchMs);

    rows.clear();
    for (int i = 0; i < 500; ++i) {
        DeepLookupFileRecord r;
        r.fid = "FID-" + QByteArray::number(i);
        r.title = "Some.Show [" + QByteArray::number(i) + "/500] - \"some.show.part" + QByteArray::number(i) +
                  ".rar\" yEnc";
        rows.append(r.fields());
    }
    const QString fileList = QString::fromUtf8(HttpReply::tabLines(rows));
    const double filesMs = bestOfMs(5, [&] {
        DeepLookupChildsParser parser;
        parser.setDownloadHistoryContainsFid(contains);
        const DeepLookupChildsParser::Result result = parser.parseQueryResult(fileList, Queue::create());
        if (result.contentArray.size() != 500) std::abort();
    });
    std::printf("file list, 500 files: %.2f ms\n", filesMs);

    constexpr int kParts = 200;
    constexpr int kArticles = 1000;
    rows.clear();
    rows.reserve(kParts * kArticles);
    for (int p = 0; p < kParts; ++p)
        for (int n = kArticles; n >= 1; --n) // out of order, as the worst case
            rows.append(DeepLookupReplyBuilder::data("FID-" + QByteArray::number(p),
                                                     "part" + QByteArray::number(n) + "of" +
                                                         QByteArray::number(kArticles) + ".file" +
                                                         QByteArray::number(p) + "@news.example.com",
                                                     396000, n, kArticles));
    const QByteArray midsBytes = HttpReply::tabLines(rows);
    rows.clear();
    std::printf("article-list reply: %lld records, %.1f MB\n", qlonglong(kParts) * kArticles,
                midsBytes.size() / 1e6);

    QString midsText;
    const double judgeMs = bestOfMs(3, [&] {
        midsText = DeepLookupSocket::decodeReplyText(midsBytes);
        if (DeepLookupSocket::judgeReply(true, midsText).failure) std::abort();
    });
    std::printf("decode and judge: %.2f ms\n", judgeMs);

    const double midsMs = bestOfMs(3, [&] {
        const QueuePtr job = Queue::create();
        FilepartsByFid batch;
        for (int p = 0; p < kParts; ++p) {
            QueuePtr part = Queue::create();
            part->setIsFilepart(true);
            part->setFid(QStringLiteral("FID-%1").arg(p));
            part->setQueue(job);
            job->appendFilepart(part);
            batch.insert(part->fid(), part);
        }
        DeepLookupMidsParser().parseQueryResult(midsText, batch);
        const DeepLookupMidsParser::BatchOutcome outcome = DeepLookupMidsParser::checkBatch(batch);
        if (outcome.received.size() != kParts || batch.first()->segmentCount() != kArticles) std::abort();
    });
    std::printf("article lists, 200 parts x 1000 articles, parsed and sorted out: %.2f ms\n", midsMs);
    return 0;
}
