// The whole download road with the engine as the program wires it: an NZB
// file imported, its articles fetched from scripted news servers over
// several connections, decoded, written and moved to the final folder, the
// job run to its end.

#include "EngineEndToEnd.h"

#include "queue/ArticleDecodePool.h"
#include "queue/FileWriteController.h"
#include "queue/QueueController.h"

#include "queue/StatusCodes.h"
#include "support/EventLoop.h"
#include "support/LogFileReader.h"
#include "support/NntpRule.h"
#include "support/TmpfsMount.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSemaphore>

#include <gtest/gtest.h>

#include <algorithm>

namespace {

class DownloadEndToEnd : public EngineEndToEnd
{
protected:
    QString writeNzb(const QList<PostedFile>& files, const SegmentArrangement& arrange = {})
    {
        return EngineEndToEnd::writeNzb(files, QStringLiteral("Holiday Pictures"), arrange);
    }

    // The BODY commands a server received, message-ids as sent.
    static QList<QByteArray> bodies(const ScriptedNntpServer& server)
    {
        QList<QByteArray> out;
        for (const QByteArray& line : server.commandLines())
            if (line.startsWith("BODY ")) out.append(line.mid(5));
        return out;
    }

    bool waitUntilFinished(const QueuePtr& job)
    {
        return waitUntil([&] { return job->status() == JobStatus::Finished; }, 60000);
    }

    // Both files as posted in the job's folder below the final folder, the
    // download folder of the job gone with the move.
    void expectFilesInFinalFolder(const QueuePtr& job, const QList<PostedFile>& files)
    {
        const QString folder = job->downloadUrl();
        EXPECT_EQ(QFileInfo(folder).absolutePath(), QFileInfo(finalFolder).absoluteFilePath())
            << folder.toStdString();
        EXPECT_TRUE(
            QDir(downloadFolder).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden).isEmpty())
            << QDir(downloadFolder)
                   .entryList(QDir::AllEntries | QDir::NoDotAndDotDot)
                   .join(u' ')
                   .toStdString();
        // One move: a second run of the job's steps would leave a second
        // folder beside it.
        EXPECT_EQ(QDir(finalFolder).entryList(QDir::AllEntries | QDir::NoDotAndDotDot),
                  QStringList({QFileInfo(folder).fileName()}));
        for (const PostedFile& f : files) {
            const QByteArray written = fileBytes(QDir(folder).filePath(f.name));
            EXPECT_EQ(written.size(), f.data.size()) << f.name.toStdString();
            EXPECT_TRUE(written == f.data) << f.name.toStdString();
        }
    }
};

TEST_F(DownloadEndToEnd, AnNzbDownloadsOverSeveralConnectionsToTheFinalFolder)
{
    ScriptedNntpServer& server = addServer(QStringLiteral("Main"), 3);
    const PostedFile photos = PostedFile::make(QStringLiteral("photos.bin"), 250000, 40000, 7);
    const PostedFile notes = PostedFile::make(QStringLiteral("notes.dat"), 90000, 40000, 11);
    serve(server, photos);
    serve(server, notes);

    const QueuePtr job = import(writeNzb({photos, notes}));
    ASSERT_TRUE(job);
    ASSERT_TRUE(waitUntilFinished(job))
        << "status " << job->status() << " " << job->commentTextField().toStdString();

    EXPECT_GE(server.peakConnections(), 2);
    for (const PostedFile* f : {&photos, &notes})
        for (const QByteArray& mid : f->mids)
            EXPECT_EQ(server.bodyRequests("<" + mid + ">"), 1) << mid.toStdString();
    EXPECT_EQ(bodies(server).size(), photos.mids.size() + notes.mids.size());
    expectFilesInFinalFolder(job, {photos, notes});
}

// A download folder on a file system that fills up: the job stops at 50,
// paused, and every line and comment about it says why (the write once only
// logged "Error building filepart in datablock big50.bin:"); once the disk
// has room and the user resumes, the file is written whole.
TEST_F(DownloadEndToEnd, AFullDiskStopsTheJobWithItsReasonAndResumeWritesTheFile)
{
    TmpfsMount disk(downloadFolder, 128 * 1024);
    if (!disk.isMounted()) GTEST_SKIP() << "cannot mount a tmpfs here";
    ScriptedNntpServer& server = addServer(QStringLiteral("Main"), 2);
    const PostedFile big = PostedFile::make(QStringLiteral("big50.bin"), 400000, 50000, 50);
    serve(server, big);

    const QueuePtr job = import(writeNzb({big}));
    ASSERT_TRUE(job);
    ASSERT_TRUE(waitForCode(job, JobStatus::FilePartFailed, 60000)) << job->status();
    ASSERT_TRUE(waitUntil([&] { return job->isPaused(); }, 10000));
    const QString comment = job->commentTextField();
    EXPECT_TRUE(comment.startsWith("(Paused) Disk not accessable or no disk space left.")) << comment.toStdString();
    EXPECT_TRUE(comment.contains("big50.bin: No space left on device")) << comment.toStdString();

    const LogFileReader log(home.logFilePath());
    EXPECT_FALSE(log.linesContaining("Error writing file: big50.bin (No space left on device)").isEmpty());
    for (const QString& line : log.linesContaining("big50.bin")) {
        EXPECT_FALSE(line.trimmed().endsWith(u':')) << line.toStdString();
        EXPECT_FALSE(line.contains(" 50 ()")) << line.toStdString();
    }

    ASSERT_TRUE(disk.setSize(4 << 20));
    scheduler->resumeQueueObject(job);
    ASSERT_TRUE(waitForCode(job, JobStatus::Finished, 60000))
        << "status " << job->status() << " " << job->commentTextField().toStdString();
    const QString written = QDir(job->downloadUrl()).filePath(QStringLiteral("big50.bin"));
    ASSERT_TRUE(waitUntil([&] { return QFileInfo::exists(written); }, 10000)) << written.toStdString();
    EXPECT_TRUE(fileBytes(written) == big.data);
}

TEST_F(DownloadEndToEnd, SegmentsListedOutOfOrderOrTwiceAreFetchedOnceEachAndEveryFileWritten)
{
    ScriptedNntpServer& server = addServer(QStringLiteral("Main"), 4);
    const QList<PostedFile> files = {PostedFile::make(QStringLiteral("disc.iso"), 150000, 30000, 41),
                                     PostedFile::make(QStringLiteral("cover.jpg"), 120000, 30000, 42),
                                     PostedFile::make(QStringLiteral("readme.txt"), 70000, 30000, 43)};
    for (const PostedFile& f : files)
        serve(server, f);

    const QString nzb = writeNzb(files, [](int file, QList<NzbFixture::Article>& articles) {
        if (file == 0) std::reverse(articles.begin(), articles.end());
        if (file == 1) std::rotate(articles.begin(), articles.begin() + 2, articles.end());
        if (file == 2) articles.insert(1, articles.at(2)); // segment 3 listed twice
    });
    const QueuePtr job = import(nzb);
    ASSERT_TRUE(job);
    ASSERT_TRUE(waitUntilFinished(job))
        << "status " << job->status() << " " << job->commentTextField().toStdString();

    qsizetype articles = 0;
    for (const PostedFile& f : files) {
        articles += f.mids.size();
        for (const QByteArray& mid : f.mids)
            EXPECT_EQ(server.bodyRequests("<" + mid + ">"), 1) << mid.toStdString();
    }
    EXPECT_EQ(bodies(server).size(), articles);
    EXPECT_GE(server.peakConnections(), 2);

    // Every part was downloaded whole, then written, and ended finished; the
    // job had all of its files written before its last steps.
    ASSERT_EQ(job->fileparts().size(), files.size());
    for (const QueuePtr& part : job->fileparts()) {
        const QList<qint64> seen = scheduler->statusesOfFilepart(part);
        const qsizetype downloaded = seen.indexOf(1002);
        EXPECT_GE(downloaded, 0) << part->title().toStdString();
        EXPECT_GT(seen.indexOf(1017, downloaded), downloaded) << part->title().toStdString();
        EXPECT_EQ(seen.value(seen.size() - 1), 1010) << part->title().toStdString();
        EXPECT_EQ(part->status(), FilePartStatus::Finished);
    }
    const QList<qint64> jobSeen = scheduler->statusesOf(job->title());
    const qsizetype written = jobSeen.indexOf(17);
    EXPECT_GE(written, 0);
    EXPECT_EQ(jobSeen.indexOf(10, written), jobSeen.size() - 1);
    expectFilesInFinalFolder(job, files);
}

TEST_F(DownloadEndToEnd, AnArticleTheMainServerLacksComesFromTheBackupServer)
{
    ScriptedNntpServer& main = addServer(QStringLiteral("Main"), 2);
    ScriptedNntpServer& fill = addServer(QStringLiteral("Fill"), 1, true);
    const PostedFile photos = PostedFile::make(QStringLiteral("photos.bin"), 250000, 40000, 21);
    const PostedFile notes = PostedFile::make(QStringLiteral("notes.dat"), 90000, 40000, 22);
    serve(main, photos);
    serve(main, notes);
    serve(fill, photos);
    serve(fill, notes);
    const QByteArray missing = "<" + photos.mids[3] + ">";
    main.addRule(NntpRule::on("BODY").withArgument(missing).reply(430, "No such article"));

    const QueuePtr job = import(writeNzb({photos, notes}));
    ASSERT_TRUE(job);
    ASSERT_TRUE(waitUntilFinished(job))
        << "status " << job->status() << " " << job->commentTextField().toStdString();

    EXPECT_EQ(main.bodyRequests(missing), 1);
    EXPECT_EQ(bodies(fill), QList<QByteArray>({missing}));
    for (const PostedFile* f : {&photos, &notes})
        for (const QByteArray& mid : f->mids)
            EXPECT_EQ(main.bodyRequests("<" + mid + ">"), 1) << mid.toStdString();
    EXPECT_EQ(bodies(main).size(), photos.mids.size() + notes.mids.size());
    expectFilesInFinalFolder(job, {photos, notes});
}

// A file many times larger than the bodies a part may hold: its articles
// go to the part's spool while it downloads, and the file ends whole.
TEST_F(DownloadEndToEnd, AFileLargerThanTheHeldBodiesIsSpooledWhileItDownloads)
{
    FileWriteController& writer = engine->queueController()->fileWriteController();
    ScriptedNntpServer& server = addServer(QStringLiteral("Main"), 3);
    const PostedFile video = PostedFile::make(QStringLiteral("video.mkv"), 1500000, 40000, 31);
    const PostedFile notes = PostedFile::make(QStringLiteral("notes.dat"), 30000, 40000, 32);
    serve(server, video);
    serve(server, notes);

    const QueuePtr job = import(writeNzb({video, notes}));
    ASSERT_TRUE(job);
    ASSERT_TRUE(waitUntilFinished(job))
        << "status " << job->status() << " " << job->commentTextField().toStdString();

    EXPECT_GT(writer.spooledBytes(), 0);
    for (const QByteArray& mid : video.mids)
        EXPECT_EQ(server.bodyRequests("<" + mid + ">"), 1) << mid.toStdString();
    expectFilesInFinalFolder(job, {video, notes});
}

// The connections hold back while the decoding of downloaded bodies is
// behind: with the decode pool held up past its bound, no body is asked
// for at all; once it drains the download goes on, and with a bound of
// about one body (the connections waiting often) the file still ends whole,
// each article fetched once.
TEST_F(DownloadEndToEnd, ConnectionsHoldBackWhileTheDecodingIsBehind)
{
    ArticleDecodePool& pool = engine->queueController()->fileWriteController().decodePool();
    ScriptedNntpServer& server = addServer(QStringLiteral("Main"), 3);
    const PostedFile video = PostedFile::make(QStringLiteral("video.mkv"), 600000, 40000, 33);
    const PostedFile notes = PostedFile::make(QStringLiteral("notes.dat"), 90000, 40000, 34);
    serve(server, video);
    serve(server, notes);
    QSemaphore held;
    pool.run(pool.backlogLimit() + 1, [&held] { held.acquire(); });
    ASSERT_TRUE(pool.isBehind());

    const QueuePtr job = import(writeNzb({video, notes}));
    ASSERT_TRUE(job);
    ASSERT_TRUE(waitUntil([&] { return server.connectionsOpened() > 0; }, 20000));
    spinEventLoop(500);
    EXPECT_TRUE(bodies(server).isEmpty()) << bodies(server).size();

    pool.setBacklogLimit(45000);
    held.release();
    ASSERT_TRUE(waitUntilFinished(job))
        << "status " << job->status() << " " << job->commentTextField().toStdString();
    for (const PostedFile* f : {&video, &notes})
        for (const QByteArray& mid : f->mids)
            EXPECT_EQ(server.bodyRequests("<" + mid + ">"), 1) << mid.toStdString();
    expectFilesInFinalFolder(job, {video, notes});
}

} // namespace
