#include "core/Utils.h"
#include "platform/UserDefaults.h"
#include "posting/NZBCreator.h"
#include "queue/QueueController.h"
#include "queue/Segment.h"

#include "queue/StatusCodes.h"
#include "support/EventLoop.h"
#include "support/TempHome.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QFileInfo>

namespace {

struct UploadJobs : ::testing::Test
{
    TempHome home;
    QString files = home.makeFolder("to-post");
    QueueController qc;
    QStringList connected;

    UploadJobs()
    {
        UserDefaults::standard().setInteger(1, "queueCleaningTag");
        qc.neighbours().connectServerID = [this](const QString& id) { connected.append(id); };
    }

    QString makeFile(const QString& name, qint64 size)
    {
        const QString path = files + "/" + name;
        QFile f(path);
        EXPECT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(QByteArray(size, 'x'));
        return path;
    }

    static QueuePtr upload(const QStringList& urls, double maxArticleSize = 384000)
    {
        const QueuePtr q = Queue::create();
        q->setIsUploadObject(true);
        q->setIsBinaryUpload(true);
        q->setTitle("Holiday");
        q->setServerID("srv-1");
        q->setPoster("Me <me@example.invalid>");
        q->setGroups("alt.binaries.test");
        q->setRawUrls(urls);
        q->setMaxArticleSize(maxArticleSize);
        return q;
    }

    // What a connection does with every article of the job once it is posted.
    static void postEverything(const QueuePtr& job)
    {
        job->setStatus(UploadStatus::Uploading);
        for (const QueuePtr& part : job->fileparts()) {
            for (const SegmentPtr& s : part->segments()) {
                s->setMid(QStringLiteral("Part%1of%2.x@y.local").arg(s->segnr()).arg(s->segtotal()));
                s->setFilename(QStringLiteral("Holiday - \"%1\" yEnc (%2/%3)")
                                   .arg(part->filename())
                                   .arg(s->segnr())
                                   .arg(s->segtotal()));
                s->setStatus(ArticleStatus::Downloaded);
                part->decreaseTotalSegmentsLeftToDownload();
                job->decreaseTotalSegmentsLeftToDownload();
            }
        }
    }
};

TEST_F(UploadJobs, FilesAreCutIntoArticlesOfTheJobsArticleSize)
{
    const struct
    {
        qint64 size;
        qint64 articles;
    } cases[] = {{1000000, 3}, {768000, 2}, {384001, 2}, {1, 1}};
    for (const auto& c : cases) {
        const QueuePtr job = upload({makeFile("f.bin", c.size)});
        qc.makeFilePartObjectsFromUploadObject(job);
        ASSERT_EQ(job->fileparts().size(), 1) << c.size;
        const QueuePtr part = job->fileparts().first();
        EXPECT_EQ(part->totalSegments(), c.articles) << c.size;
        ASSERT_EQ(part->segments().size(), c.articles) << c.size;
        for (qsizetype i = 0; i < part->segments().size(); ++i) {
            const SegmentPtr s = part->segments()[i];
            EXPECT_EQ(s->segnr(), i + 1);
            EXPECT_EQ(s->segtotal(), c.articles);
            EXPECT_EQ(s->status(), ArticleStatus::Queued);
            EXPECT_EQ(s->queue(), job);
            EXPECT_EQ(s->filepart(), part);
        }
        EXPECT_EQ(part->status(), FilePartStatus::QueuedForUpload);
        EXPECT_EQ(part->checkbox(), 1);
        EXPECT_TRUE(part->checkboxDisabled());
        EXPECT_EQ(part->bytes(), double(c.size));
    }
}

TEST_F(UploadJobs, SeveralFilesKeepTheirOrderAndTheJobSumsThem)
{
    // An empty file is left out: no article of it could ever complete.
    const QueuePtr job = upload({makeFile("c.bin", 1000000), makeFile("empty.bin", 0), makeFile("a.bin", 10),
                                 makeFile("b.bin", 768000)});
    qc.makeFilePartObjectsFromUploadObject(job);
    QStringList names;
    for (const QueuePtr& p : job->fileparts())
        names.append(p->filename());
    EXPECT_EQ(names, QStringList({"c.bin", "a.bin", "b.bin"}));
    EXPECT_EQ(job->bytes(), 1768010.0);
    EXPECT_EQ(job->totalBytesLeft(), 1768010.0);
    EXPECT_EQ(job->totalSegments(), 6);
    EXPECT_EQ(job->totalSegmentsLeftToDownload(), 6);
    EXPECT_EQ(job->fileparts()[2]->fileUrl(), files + "/b.bin");
}

TEST_F(UploadJobs, ATextPostIsOnePartNamedAfterTheTitleWithOneArticle)
{
    const QueuePtr job = upload({});
    job->setIsBinaryUpload(false);
    job->setBytes(1234);
    qc.makeFilePartObjectsFromUploadObject(job);
    ASSERT_EQ(job->fileparts().size(), 1);
    const QueuePtr part = job->fileparts().first();
    EXPECT_EQ(part->filename(), "Holiday");
    EXPECT_EQ(part->title(), "Holiday");
    EXPECT_EQ(part->bytes(), 1234.0);
    EXPECT_EQ(part->segments().size(), 1);
    EXPECT_EQ(job->totalSegments(), 1);
    EXPECT_EQ(job->totalSegmentsLeftToDownload(), 1);
    EXPECT_EQ(job->totalBytesLeft(), 1234.0);
}

TEST_F(UploadJobs, AJobWithNothingToCutStopsWithAnErrorInsteadOfWaiting)
{
    const struct
    {
        const char* what;
        qint64 fileSize;
        double articleSize;
    } cases[] = {{"no article size", 1000, 0}, {"only an empty file", 0, 384000}};
    for (const auto& c : cases) {
        const QueuePtr job = upload({makeFile("e.bin", c.fileSize)}, c.articleSize);
        job->setDelegate(&qc);
        job->setStatus(UploadStatus::AddingToQueue);
        ASSERT_TRUE(waitUntil([&] { return job->commentTextField() == "Error while uploading"; }))
            << c.what << " at " << job->status();
        EXPECT_EQ(job->status(), UploadStatus::UploadError) << c.what;
        EXPECT_TRUE(connected.isEmpty()) << c.what;
    }
}

TEST_F(UploadJobs, FilesThenTheirNzbArePostedAndTheJobFinishes)
{
    const QString nzbFolder = home.makeFolder("nzb");
    UserDefaults::standard().setObject(nzbFolder, "uploadNZBExportPath");
    const QueuePtr job = upload({makeFile("a.bin", 1000000), makeFile("b.bin", 500)});
    job->setMakeNZB(true);
    job->setUploadNZB(true);
    job->setNzbExportUrl(nzbFolder + "/Holiday.nzb");
    job->setDelegate(&qc);

    job->setStatus(UploadStatus::AddingToQueue);
    // Queued (201) asks for a connection to the job's server.
    ASSERT_TRUE(waitUntil([&] { return connected.size() == 1; })) << job->status();
    ASSERT_EQ(qc.queueArray(), QList<QueuePtr>({job}));
    EXPECT_EQ(connected, QStringList({"srv-1"}));
    EXPECT_EQ(job->totalSegments(), 4);

    postEverything(job);
    ASSERT_TRUE(waitUntil([&] { return connected.size() == 2; })) << job->status();
    // The second round posts the NZB file itself, and writes no second NZB.
    ASSERT_EQ(job->fileparts().size(), 1);
    EXPECT_EQ(job->fileparts().first()->filename(), "Holiday.nzb");
    EXPECT_FALSE(job->makeNZB());
    EXPECT_TRUE(QFileInfo(nzbFolder + "/Holiday.nzb").size() > 0);
    EXPECT_EQ(job->bytes(), double(QFileInfo(nzbFolder + "/Holiday.nzb").size()));

    postEverything(job);
    ASSERT_TRUE(waitUntil([&] { return job->commentTextField() == "Upload finished"; })) << job->status();
    EXPECT_EQ(job->status(), UploadStatus::Finished);
    EXPECT_EQ(connected.size(), 2);
}

TEST_F(UploadJobs, AnNzbThatCannotBeWrittenEndsTheJobWithTheArticlesPosted)
{
    const QueuePtr job = upload({makeFile("a.bin", 100)});
    job->setMakeNZB(true);
    job->setUploadNZB(true);
    job->setNzbExportUrl(home.path() + "/no-such-folder/Holiday.nzb");
    job->setDelegate(&qc);
    job->setStatus(UploadStatus::AddingToQueue);
    ASSERT_TRUE(waitUntil([&] { return connected.size() == 1; })) << job->status();
    postEverything(job);
    ASSERT_TRUE(waitUntil([&] { return job->commentTextField() == "Upload finished... Error creating NZB"; }))
        << job->status();
    spinEventLoop(100);
    EXPECT_EQ(job->status(), UploadStatus::NZBCreationError);
    EXPECT_EQ(qc.queueArray(), QList<QueuePtr>({job}));
}

TEST_F(UploadJobs, ACancelledJobIsNotTurnedIntoAnNzbUpload)
{
    const QueuePtr job = upload({makeFile("a.bin", 100)});
    job->setNzbExportUrl(files + "/Holiday.nzb");
    job->setMakeNZB(true);
    qc.makeFilePartObjectsFromUploadObject(job);
    job->setIsCancelled(true);
    qc.prepairNZBToUpload(job);
    EXPECT_EQ(job->rawUrls(), QStringList({files + "/a.bin"}));
    EXPECT_TRUE(job->makeNZB());
    EXPECT_EQ(job->fileparts().size(), 1);
}

TEST_F(UploadJobs, RestoredUploadsGoToTheTopOrBeforeTheFirstFinishedJob)
{
    UserDefaults::standard().setInteger(3, "queueCleaningTag");
    const auto root = [](const QString& title, qint64 status) {
        const QueuePtr q = Queue::create();
        q->setIsNZB(true);
        q->setTitle(title);
        q->setStatus(status);
        return q;
    };
    ASSERT_TRUE(qc.addNZBRootObjectToQueue(root("queued", 105)));
    ASSERT_TRUE(qc.addNZBRootObjectToQueue(root("done", 10)));

    const QueuePtr first = upload({});
    first->setTitle("first");
    first->setDownloadFirst(true);
    first->setBytes(2048);
    qc.addRestoredUploadQueueObjectToQueueArray(first);
    const QueuePtr middle = upload({});
    middle->setTitle("middle");
    qc.addRestoredUploadQueueObjectToQueueArray(middle);
    UserDefaults::standard().setInteger(2, "queueCleaningTag");
    const QueuePtr last = upload({});
    last->setTitle("last");
    qc.addRestoredUploadQueueObjectToQueueArray(last);

    QStringList titles;
    for (const QueuePtr& q : qc.queueArray())
        titles.append(q->title());
    EXPECT_EQ(titles, QStringList({"first", "queued", "middle", "done", "last"}));
    EXPECT_FALSE(first->downloadFirst());
    EXPECT_EQ(first->delegate(), &qc);
    EXPECT_EQ(first->totalBytesTextField(), Utils::formatBytes(2048));
}

} // namespace
