// The road of a search-service job with the engine as the program wires it:
// a search on the scripted service gives a result that knows only its
// identity; queued, it fetches its file list and the article lists of its
// files from the service, then downloads them from the scripted news server
// to the final folder.

#include "EngineEndToEnd.h"

#include "queue/QueueController.h"
#include "search/DeepLookupController.h"
#include "search/DeepLookupControllerDelegate.h"
#include "search/DeepLookupObject.h"
#include "search/DeepLookupSocket.h"

#include "support/ArticleFixtures.h"
#include "support/DeepLookupReplyBuilder.h"
#include "support/EventLoop.h"
#include "support/ScriptedHttpServer.h"

#include <QDebug>
#include <QDir>
#include <QFileInfo>

namespace {

const QByteArray kSearch = DeepLookupSocket::kSearchPath.toLatin1();
const QByteArray kFids = DeepLookupSocket::kChildFilesPath.toLatin1();
const QByteArray kMids = DeepLookupSocket::kMidsPath.toLatin1();

class Page : public DeepLookupControllerDelegate
{
public:
    void searchResults(const DeepLookupContentParser::Result& result) override
    {
        if (result.contentArray) results.append(*result.contentArray);
        ++ends;
    }
    void searchFailed(const QString& title, const QString& subtitle) override
    {
        failures.append(title + QLatin1Char('|') + subtitle);
        ++ends;
    }
    QList<QueuePtr> results;
    QStringList failures;
    int ends = 0;
};

class SearchJobEndToEnd : public EngineEndToEnd
{
protected:
    ScriptedHttpServer service;
    Page page;

    void SetUp() override
    {
        EngineEndToEnd::SetUp();
        ASSERT_TRUE(service.start());
        ASSERT_TRUE(DeepLookupSocket::setServiceURLForTesting(service.baseUrl()));
        engine->deepLookupController()->setDelegate(&page);
    }
    void TearDown() override
    {
        EngineEndToEnd::TearDown();
        DeepLookupSocket::setServiceURLForTesting(QUrl());
    }

    static QByteArray fidOf(const PostedFile& f) { return "FID-" + f.name.toUtf8(); }

    // The file list of the job: one record per file, as the service words
    // its subjects.
    static QByteArray fileList(const QList<PostedFile>& files)
    {
        QList<QByteArrayList> rows = {{"INFO", QByteArray::number(files.size()) + " files"}};
        int index = 1;
        for (const PostedFile& f : files) {
            DeepLookupFileRecord r;
            r.fid = fidOf(f);
            r.title = "Holiday Pictures [" + QByteArray::number(index++) + "/" +
                      QByteArray::number(files.size()) + "] - \"" + f.name.toUtf8() + "\" yEnc (1/" +
                      QByteArray::number(f.mids.size()) + ")";
            r.expected = r.available = QByteArray::number(f.mids.size());
            r.bytes = QByteArray::number(f.data.size());
            rows.append(r.fields());
        }
        return HttpReply::tabLines(rows);
    }

    // The articles of every file the request names.
    static HttpReply articleLists(const HttpRequestRecord& request, const QList<PostedFile>& files)
    {
        QList<QByteArrayList> rows = {{"INFO", "ok"}};
        const QStringList fids = request.formValue(QStringLiteral("fids")).split(u',', Qt::SkipEmptyParts);
        for (const PostedFile& f : files) {
            if (!fids.contains(QString::fromUtf8(fidOf(f)))) continue;
            for (qsizetype i = 0; i < f.mids.size(); ++i)
                rows.append(DeepLookupReplyBuilder::data(fidOf(f), f.mids[i], f.bodies[i].size(), i + 1,
                                                         f.mids.size()));
        }
        return HttpReply::text(HttpReply::tabLines(rows));
    }
};

TEST_F(SearchJobEndToEnd, AResultIsCompletedFromTheServiceAndDownloadedToTheFinalFolder)
{
    ScriptedNntpServer& news = addServer(QStringLiteral("Main"), 2);
    const QList<PostedFile> files = {
        post(QStringLiteral("photos.bin"), ArticleFixtures::randomBytes(250000, 61), 40000),
        post(QStringLiteral("notes.dat"), ArticleFixtures::randomBytes(90000, 62), 40000),
    };
    for (const PostedFile& f : files)
        serve(news, f);

    DeepLookupSearchRecord found;
    found.title = "Holiday Pictures";
    found.qid = "QID-4711";
    found.fid = "FID-root";
    found.totalfiles = "2";
    found.expected = found.available = "9";
    found.bytes = "340000";
    service.route("POST", kSearch, HttpReply::text(HttpReply::tabLines({{"INFO", "1|1|1"}, found.fields()})));
    service.route("POST", kFids, HttpReply::text(fileList(files)));
    service.route("POST", kMids, [files](const HttpRequestRecord& r) { return articleLists(r, files); });

    DeepLookupObject query;
    query.setTitle(QStringLiteral("holiday"));
    engine->deepLookupController()->searchFor(query);
    ASSERT_TRUE(waitUntil([&] { return page.ends > 0; }, 20000));
    ASSERT_TRUE(page.failures.isEmpty()) << page.failures.join(u' ').toStdString();
    ASSERT_EQ(page.results.size(), 1);
    const QueuePtr job = page.results.first();
    // What a result knows: who it is, not what it holds.
    EXPECT_EQ(job->qid(), QStringLiteral("QID-4711"));
    EXPECT_FALSE(job->filelistReceived());
    EXPECT_EQ(job->filepartCount(), 0);

    engine->queueController()->addDPRootObjectToQueue(job);
    ASSERT_TRUE(waitForCode(job, 10, 60000))
        << QDebug::toString(codesOf(job)).toStdString() << " " << job->commentTextField().toStdString();

    const QList<qint64> codes = codesOf(job);
    EXPECT_TRUE(containsInOrder(codes, {106, 107, 108, 109, 105, 1, 2, 17, 37, 10}))
        << QDebug::toString(codes).toStdString();
    EXPECT_EQ(codes.last(), 10) << QDebug::toString(codes).toStdString();

    ASSERT_EQ(service.requestsFor(kFids).size(), 1);
    EXPECT_EQ(service.requestsFor(kFids).first().formValue(QStringLiteral("qid")),
              QStringLiteral("QID-4711"));
    ASSERT_EQ(service.requestsFor(kMids).size(), 1);
    QStringList asked =
        service.requestsFor(kMids).first().formValue(QStringLiteral("fids")).split(u',', Qt::SkipEmptyParts);
    asked.sort();
    EXPECT_EQ(asked, QStringList({QStringLiteral("FID-notes.dat"), QStringLiteral("FID-photos.bin")}));
    for (const PostedFile& f : files)
        for (const QByteArray& mid : f.mids)
            EXPECT_EQ(news.bodyRequests("<" + mid + ">"), 1) << mid.toStdString();

    const QString folder = job->downloadUrl();
    EXPECT_EQ(QFileInfo(folder).absolutePath(), QFileInfo(finalFolder).absoluteFilePath())
        << folder.toStdString();
    EXPECT_TRUE(entriesOf(downloadFolder).isEmpty()) << entriesOf(downloadFolder).join(u' ').toStdString();
    EXPECT_EQ(filesBelow(folder), QStringList({QStringLiteral("notes.dat"), QStringLiteral("photos.bin")}));
    for (const PostedFile& f : files) {
        const QByteArray written = fileBytes(QDir(folder).filePath(f.name));
        EXPECT_EQ(written.size(), f.data.size()) << f.name.toStdString();
        EXPECT_TRUE(written == f.data) << f.name.toStdString();
    }
}

} // namespace
