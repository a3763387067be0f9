// A search result saved as an NZB file through the scripted search service
// is the program's own input again: the NZB import reads it, names and all,
// and the job downloads from the scripted news server to the same bytes.

#include "EngineEndToEnd.h"

#include "queue/QueueController.h"
#include "queue/StatusCodes.h"
#include "search/DeepLookupSocket.h"
#include "search/NZBExportController.h"

#include "support/ArticleFixtures.h"
#include "support/DeepLookupReplyBuilder.h"
#include "support/EventLoop.h"
#include "support/NzbFixture.h"
#include "support/ScriptedHttpServer.h"

#include <QDebug>
#include <QDir>

namespace {

class ExportWindow : public NZBExportControllerDelegate
{
public:
    void searchResults(const NZBExportParser::Result& result, const QueuePtr&) override
    {
        if (result.contentArray) roots = *result.contentArray;
        ++ends;
    }
    void searchFailed(const QString& title, const QString&, const QueuePtr&) override
    {
        failures.append(title);
        ++ends;
    }
    void nzbWriteFinishedForQueue(const QueuePtr&) override { ++written; }
    void nzbWriteFailed(const QString& title, const QString& subtitle, const QueuePtr&) override
    {
        failures.append(title + QLatin1Char('|') + subtitle);
    }
    QList<QueuePtr> roots;
    QStringList failures;
    int ends = 0;
    int written = 0;
};

class NZBExportEndToEnd : public EngineEndToEnd
{
protected:
    ScriptedHttpServer service;

    void SetUp() override
    {
        EngineEndToEnd::SetUp();
        ASSERT_TRUE(service.start());
        ASSERT_TRUE(DeepLookupSocket::setServiceURLForTesting(service.baseUrl()));
    }
    void TearDown() override
    {
        EngineEndToEnd::TearDown();
        DeepLookupSocket::setServiceURLForTesting(QUrl());
    }

    // The export reply of a result holding `files`, as the service words it.
    static QByteArray exportReply(const QByteArray& title, const QList<PostedFile>& files)
    {
        using R = DeepLookupReplyBuilder;
        qint64 total = 0;
        for (const PostedFile& f : files)
            total += f.data.size();
        QList<QByteArrayList> rows = {{"INFO", "1|result|ok"},
                                      R::exportResult(title, QByteArray::number(total), 1700000000,
                                                      "alt.binaries.test,alt.binaries.misc", "Jörg <j@x>",
                                                      files.size())};
        int index = 1;
        for (const PostedFile& f : files) {
            const QString subject =
                NzbFixture::subjectFor(f.postedName, index++, int(files.size()), int(f.mids.size()));
            rows.append(R::exportFile(subject.toUtf8(), QByteArray::number(f.data.size()), 1700000001));
            for (qsizetype i = 0; i < f.mids.size(); ++i)
                rows.append(R::exportSegment(f.mids[i], QByteArray::number(f.bodies[i].size()), i + 1));
        }
        return HttpReply::tabLines(rows);
    }
};

TEST_F(NZBExportEndToEnd, AnExportedResultWithANonAsciiSubjectDownloadsToTheSameBytes)
{
    ScriptedNntpServer& news = addServer(QStringLiteral("Main"), 2);
    const QList<PostedFile> files = {
        post(QStringLiteral("Grüße aus Köln – €.bin"), ArticleFixtures::randomBytes(150000, 71), 40000),
        post(QStringLiteral("日本の写真.dat"), ArticleFixtures::randomBytes(60000, 72), 40000),
    };
    for (const PostedFile& f : files)
        serve(news, f);
    service.route("POST", DeepLookupSocket::kNZBExportPath.toLatin1(),
                  HttpReply::text(exportReply("Grüße aus Köln", files)).withGzip());

    ExportWindow window;
    NZBExportController exporter;
    exporter.setDelegate(&window);
    const QueuePtr result = Queue::create();
    result->setQid(QStringLiteral("QID-ä1"));
    ASSERT_TRUE(exporter.downloadContentForQueue(result));
    ASSERT_TRUE(waitUntil([&] { return window.ends > 0; }, 20000));
    ASSERT_TRUE(window.failures.isEmpty()) << window.failures.join(u' ').toStdString();
    ASSERT_EQ(window.roots.size(), 1);
    EXPECT_EQ(service.requests().first().body, QByteArray("qid=QID-%C3%A41&"));

    const QString nzb =
        QDir(home.makeFolder(QStringLiteral("exports"))).filePath(QStringLiteral("grüße.nzb"));
    exporter.exportNZBForQueue(window.roots.first(), nzb, true);
    ASSERT_EQ(window.written, 1) << window.failures.join(u' ').toStdString();

    const QueuePtr job = import(nzb);
    ASSERT_TRUE(job);
    ASSERT_TRUE(waitForCode(job, JobStatus::Finished, 60000))
        << QDebug::toString(codesOf(job)).toStdString() << " " << job->commentTextField().toStdString();
    // The names came through the document as they were posted.
    ASSERT_EQ(job->filepartCount(), 2);
    EXPECT_EQ(job->fileparts().at(0)->filename(), files[0].name);
    EXPECT_EQ(job->fileparts().at(1)->filename(), files[1].name);

    const QString folder = job->downloadUrl();
    QStringList names = {files[0].name, files[1].name};
    names.sort();
    EXPECT_EQ(filesBelow(folder), names);
    for (const PostedFile& f : files) {
        const QByteArray written = fileBytes(QDir(folder).filePath(f.name));
        EXPECT_EQ(written.size(), f.data.size()) << f.name.toStdString();
        EXPECT_TRUE(written == f.data) << f.name.toStdString();
    }
}

} // namespace
