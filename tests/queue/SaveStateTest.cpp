#include "core/Logger.h"
#include "platform/UserDefaults.h"
#include "queue/DBSaveRestore.h"
#include "queue/QueueController.h"
#include "queue/SaveRestoreController.h"
#include "queue/StatusCodes.h"

#include "support/EventLoop.h"
#include "support/LogFileReader.h"
#include "support/ScriptedDialogAnswerer.h"
#include "support/SqliteProbe.h"
#include "support/StatusRecordingQueueController.h"
#include "support/TempHome.h"
#include "support/TmpfsMount.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QMutexLocker>
#include <QThreadPool>

#include <atomic>
#include <csignal>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace {

QueuePtr makeJob(const QString& title, qint64 status, qint64 restorePoint)
{
    const QueuePtr job = Queue::create();
    job->setIsNZB(true);
    job->setTitle(title);
    job->setQid("qid-" + title);
    job->setStatus(status);
    job->setRestorePoint(restorePoint);
    job->setDownloadUrl("/downloads/" + title);
    job->setGroups("alt.binaries.test");
    job->setBytes(1234.9);
    return job;
}

// A part with `articles` articles "<title-name-i@x>" of 100 bytes each.
QueuePtr addPart(const QueuePtr& job, const QString& name, qint64 status, int articles,
                 qint64 articleStatus = 2)
{
    const QueuePtr part = Queue::create();
    part->setIsFilepart(true);
    part->setQueue(job);
    part->setFid("fid-" + name);
    part->setFilename(name);
    part->setTitle(name);
    part->setStatus(status);
    part->setCheckbox(1);
    part->setBytes(100.0 * articles);
    QList<SegmentPtr> segs;
    for (int i = 1; i <= articles; ++i) {
        const SegmentPtr s = Segment::create();
        s->setMid(QStringLiteral("<%1-%2-%3@x>").arg(job->title(), name).arg(i));
        s->setBytes(100);
        s->setSegnr(i);
        s->setStatus(articleStatus);
        s->setQueue(job);
        s->setFilepart(part);
        segs.append(s);
    }
    part->setSegments(segs);
    job->appendFilepart(part);
    return part;
}

QStringList midsOf(const QueuePtr& part)
{
    QStringList out;
    for (const SegmentPtr& s : part->segments())
        out.append(s->mid());
    return out;
}

QueuePtr byTitle(const QList<QueuePtr>& jobs, const QString& title)
{
    for (const QueuePtr& q : jobs) {
        if (q->title() == title) return q;
    }
    return nullptr;
}

struct SaveState : ::testing::Test
{
    TempHome home;
    QueueController saved;

    QString dbPath() { return DBSaveRestore().databasePath(); }

    bool save()
    {
        SaveRestoreController saver;
        saver.setQueueController(&saved);
        return saver.saveQueue();
    }

    // Loads on a background thread, as at start-up, into a fresh scheduler,
    // and waits until `expectedJobs` jobs were handed over.
    QList<QueuePtr> restore(QueueController& into, qsizetype expectedJobs,
                            const std::function<void(SaveRestoreController&)>& prepare = {})
    {
        SaveRestoreController loader;
        loader.setQueueController(&into);
        if (prepare) prepare(loader);
        std::atomic<bool> done{false};
        std::thread t([&] {
            loader.loadQueue();
            done = true;
        });
        EXPECT_TRUE(waitUntil([&] { return done.load(); }, 20000));
        t.join();
        EXPECT_TRUE(waitUntil([&] { return into.queueArray().size() >= expectedJobs; }, 20000));
        // Every analysis done and its hand-over run on this thread.
        EXPECT_TRUE(waitUntil([] { return QThreadPool::globalInstance()->activeThreadCount() == 0; }, 20000));
        QCoreApplication::sendPostedEvents();
        spinEventLoop(50);
        return into.queueArray();
    }

    QStringList storedTitles(int type)
    {
        return sqliteColumn(dbPath(),
                            QStringLiteral("SELECT title FROM queue WHERE type = %1 ORDER BY ID").arg(type));
    }
    qsizetype storedRows() { return sqliteColumn(dbPath(), "SELECT ID FROM queue").size(); }
};

TEST_F(SaveState, ADownloadJobComesBackQueuedWithItsArticles)
{
    const QueuePtr job = makeJob("movie", 1, RestorePoint::Queued);
    job->setPassword("secret");
    job->setHasRepairFiles(true);
    addPart(job, "a.rar", 1001, 3, 2);
    const QueuePtr written = addPart(job, "b.rar", 1010, 0);
    addPart(job, "c.rar", 1020, 2, 1);
    const QueuePtr unchecked = addPart(job, "d.par2", 0, 2, 99);
    unchecked->setCheckbox(0);
    unchecked->setIspar(true);
    written->setIsSampleFile(true);
    ASSERT_TRUE(saved.addNZBRootObjectToQueue(job));
    ASSERT_TRUE(save());

    QueueController into;
    const QList<QueuePtr> back = restore(into, 1);
    ASSERT_EQ(back.size(), 1);
    const QueuePtr r = back[0];
    EXPECT_EQ(r->title(), "movie");
    EXPECT_EQ(r->qid(), "qid-movie");
    EXPECT_EQ(r->status(), JobStatus::QueuedForDownload);
    EXPECT_EQ(r->password(), "secret");
    EXPECT_TRUE(r->hasPassword());
    EXPECT_TRUE(r->hasRepairFiles());
    EXPECT_TRUE(r->isNZB());
    EXPECT_TRUE(r->isRestored());
    EXPECT_TRUE(r->segmentsReceived());
    EXPECT_EQ(r->bytes(), 1234.0);
    EXPECT_EQ(r->downloadUrl(), "/downloads/movie");
    EXPECT_EQ(r->groups(), "alt.binaries.test");
    ASSERT_EQ(r->filepartCount(), 4);
    EXPECT_EQ(r->totalfiles(), 4);
    const QList<QueuePtr> parts = r->fileparts();
    // Downloading and waiting for the disk: fetched again, queued at once,
    // each with all of its articles still to download.
    EXPECT_EQ(parts[0]->status(), FilePartStatus::Queued);
    EXPECT_EQ(parts[2]->status(), FilePartStatus::Queued);
    EXPECT_EQ(parts[0]->totalSegmentsLeftToDownload(), 3);
    EXPECT_EQ(parts[2]->totalSegmentsLeftToDownload(), 2);
    EXPECT_EQ(r->totalSegmentsLeftToDownload(), 5);
    EXPECT_EQ(midsOf(parts[0]), midsOf(job->fileparts()[0]));
    for (const QueuePtr& p : {parts[0], parts[2], parts[3]}) {
        for (const SegmentPtr& s : p->segments()) {
            EXPECT_EQ(s->status(), ArticleStatus::Queued);
            EXPECT_EQ(s->filepart(), p);
            EXPECT_EQ(s->queue(), r);
        }
    }
    // Finished: downloaded before, not selected again.
    EXPECT_EQ(parts[1]->status(), FilePartStatus::Finished);
    EXPECT_TRUE(parts[1]->isDownloaded());
    EXPECT_TRUE(parts[1]->isPreviouslyDownloaded());
    EXPECT_EQ(parts[1]->checkbox(), 0);
    EXPECT_TRUE(parts[1]->isSampleFile());
    // Not selected: left alone.
    EXPECT_EQ(parts[3]->status(), JobStatus::Idle);
    EXPECT_TRUE(parts[3]->ispar());
    EXPECT_EQ(parts[3]->segmentCount(), 2);
    for (const QueuePtr& p : parts) {
        EXPECT_EQ(p->queue(), r);
        EXPECT_TRUE(p->observersRunning());
        EXPECT_EQ(p->delegate(), &into);
    }
    EXPECT_TRUE(r->observersRunning());
    EXPECT_EQ(r->delegate(), &into);
}

// An article's number shows in its connection's row ("a.rar (7/44)") and
// picks out a file's first article for the hand-out: a restored download
// keeps it, also for articles listed out of order. A save state written
// before the numbers were kept numbers them in their saved order.
TEST_F(SaveState, DownloadArticlesComeBackWithTheirNumbers)
{
    const QueuePtr job = makeJob("movie", 1, RestorePoint::Queued);
    const QueuePtr part = addPart(job, "a.rar", 1001, 3, 99);
    const QList<qint64> listed{3, 1, 2};
    for (int i = 0; i < 3; ++i)
        part->segments()[i]->setSegnr(listed[i]);
    ASSERT_TRUE(saved.addNZBRootObjectToQueue(job));
    ASSERT_TRUE(save());
    const auto numbers = [](const QueuePtr& restored) {
        QList<qint64> out;
        for (const SegmentPtr& s : restored->fileparts().value(0)->segments())
            out << s->segnr();
        return out;
    };
    {
        QueueController into;
        const QList<QueuePtr> back = restore(into, 1);
        ASSERT_EQ(back.size(), 1);
        EXPECT_EQ(numbers(back[0]), listed);
    }
    ASSERT_TRUE(sqliteExec(dbPath(), QStringLiteral("UPDATE queue SET issample = NULL WHERE type = 3")));
    QueueController into;
    const QList<QueuePtr> back = restore(into, 1);
    ASSERT_EQ(back.size(), 1);
    EXPECT_EQ(numbers(back[0]), QList<qint64>({1, 2, 3}));
}

struct RestorePointCase
{
    qint64 restorePoint;
    qint64 savedStatus;
    bool restored;
    qint64 restoredStatus;
    QString comment;
};

void PrintTo(const RestorePointCase& c, std::ostream* os)
{
    *os << "restore point " << c.restorePoint << ", status " << c.savedStatus;
}

class SaveStateRestorePoint : public SaveState, public ::testing::WithParamInterface<RestorePointCase>
{
};

TEST_P(SaveStateRestorePoint, DecidesTheStatusAJobComesBackIn)
{
    const RestorePointCase c = GetParam();
    const QueuePtr job = makeJob("job", c.savedStatus, c.restorePoint);
    addPart(job, "a.bin", 1010, 0);
    ASSERT_TRUE(saved.addNZBRootObjectToQueue(job));
    // A second job after it shows that a dropped job takes its parts along.
    const QueuePtr next = makeJob("next", 1, RestorePoint::Queued);
    addPart(next, "n.bin", 1099, 1, 99);
    ASSERT_TRUE(saved.addNZBRootObjectToQueue(next));
    ASSERT_TRUE(save());

    StatusRecordingQueueController into;
    const QList<QueuePtr> back = restore(into, c.restored ? 2 : 1);
    const QueuePtr r = byTitle(back, "job");
    ASSERT_EQ(r != nullptr, c.restored);
    const QueuePtr n = byTitle(back, "next");
    ASSERT_TRUE(n);
    EXPECT_EQ(n->filepartCount(), 1);
    EXPECT_EQ(n->fileparts()[0]->segmentCount(), 1);
    if (!r) return;
    // The state machine takes the job on from there at once (a downloaded
    // job is analysed again), so the code it came back in is the first one
    // reported.
    ASSERT_FALSE(into.statusesOf("job").isEmpty());
    EXPECT_EQ(into.statusesOf("job").first(), c.restoredStatus);
    if (!c.comment.isEmpty()) {
        EXPECT_EQ(r->commentTextField(), c.comment);
    }
    EXPECT_EQ(r->filepartCount(), 1);
}

INSTANTIATE_TEST_SUITE_P(
    Points, SaveStateRestorePoint,
    ::testing::Values(RestorePointCase{RestorePoint::Queued, 1, true, 105, ""}, RestorePointCase{RestorePoint::Downloaded, 40, true, 17, ""},
                      RestorePointCase{RestorePoint::Repairing, 14, true, 17, ""}, RestorePointCase{RestorePoint::Cancelled, 1, false, 0, ""},
                      RestorePointCase{RestorePoint::Error, 42, true, 42, "Not enough blocks to repair archive"},
                      RestorePointCase{RestorePoint::None, 34, true, 34, ""},
                      // Past the extraction: each goes on at the step it was in.
                      RestorePointCase{RestorePoint::Repairing, 58, true, 58, ""}, RestorePointCase{RestorePoint::Downloaded, 59, true, 53, ""},
                      RestorePointCase{RestorePoint::Repairing, 55, true, 53, ""}, RestorePointCase{RestorePoint::Downloaded, 38, true, 38, ""},
                      RestorePointCase{RestorePoint::Repairing, 52, true, 52, ""}, RestorePointCase{RestorePoint::Downloaded, 37, true, 37, ""},
                      // Still before the archives can be gone: checked again.
                      RestorePointCase{RestorePoint::Repairing, 32, true, 17, ""},
                      RestorePointCase{RestorePoint::Downloaded, 61, true, 61,
                                       "Unable to move files (Disk is full or not accessable)."}));

TEST_F(SaveState, JobsNotWorthKeepingAreNotWrittenAndTheOthersKeepTheirOrder)
{
    UserDefaults::standard().setInteger(1, "queueCleaningTag");
    const QueuePtr finished = makeJob("finished", 10, RestorePoint::Finished);
    const QueuePtr cancelled = makeJob("cancelled", 1, RestorePoint::Queued);
    cancelled->setIsCancelled(true);
    const QueuePtr newsgroups = makeJob("newsgroups", 1, RestorePoint::Queued);
    newsgroups->setIsNZB(false);
    newsgroups->setIsNewsgroupsRequest(true);
    const QueuePtr upload222 = makeJob("upload222", 222, RestorePoint::None);
    upload222->setIsNZB(false);
    upload222->setIsUploadObject(true);
    for (const QueuePtr& q : {makeJob("first", 1, RestorePoint::Queued), finished, cancelled, makeJob("second", 17, RestorePoint::Downloaded),
                              newsgroups, upload222, makeJob("third", 105, RestorePoint::Queued)}) {
        addPart(q, "x.bin", 1099, 1, 99);
        saved.addRootQueueObjectToQueueArray(q);
    }
    ASSERT_TRUE(save());
    EXPECT_EQ(storedTitles(1), QStringList({"first", "second", "third"}));
    EXPECT_TRUE(storedTitles(4).isEmpty());
    EXPECT_EQ(storedRows(), 9);
}

TEST_F(SaveState, UploadsKeepTheirArticleStates)
{
    UserDefaults::standard().setString(home.makeFolder("exports"), "uploadNZBExportPath");
    const QueuePtr done = makeJob("done", 204, RestorePoint::None);
    done->setIsNZB(false);
    done->setIsUploadObject(true);
    addPart(done, "d.bin", 1203, 2, 21);

    const QueuePtr up = makeJob("up load", 203, RestorePoint::None);
    up->setIsNZB(false);
    up->setIsUploadObject(true);
    up->setIsBinaryUpload(true);
    up->setMakeNZB(true);
    up->setServerID("server-1");
    up->setMaxArticleSize(384000.7);
    up->setPoster("me <me@x>");
    up->setTotalSegments(3);
    const QueuePtr part = addPart(up, "u.bin", 1202, 3, 21);
    part->setFileUrl("/files/u.bin");
    part->setTotalSegments(3);
    part->segments()[0]->setFilename("subject of u.bin");
    part->segments()[2]->setStatus(ArticleStatus::Uploading);
    up->setBytes(300);

    const QueuePtr text = makeJob("text", 201, RestorePoint::None);
    text->setIsNZB(false);
    text->setIsUploadObject(true);
    text->setTextBody("Hello,\r\nthe body\r\n");
    addPart(text, "post", 1201, 1, 99);

    for (const QueuePtr& q : {done, up, text})
        saved.addRootQueueObjectToQueueArray(q);
    const QString textMid = text->fileparts()[0]->segments()[0]->mid();
    ASSERT_TRUE(save());
    // The save changes nothing on the live jobs, which may still be running.
    EXPECT_EQ(done->status(), UploadStatus::Uploaded);
    EXPECT_EQ(text->fileparts()[0]->segments()[0]->mid(), textMid);
    EXPECT_EQ(storedTitles(4), QStringList({"done", "up load", "text"}));
    // The finished upload is stored without its parts.
    EXPECT_EQ(storedTitles(2), QStringList({"u.bin", "post"}));

    QueueController into;
    const QList<QueuePtr> back = restore(into, 3);
    const QueuePtr d = byTitle(back, "done");
    ASSERT_TRUE(d);
    EXPECT_EQ(d->status(), UploadStatus::Finished);
    EXPECT_EQ(d->filepartCount(), 0);

    const QueuePtr u = byTitle(back, "up load");
    ASSERT_TRUE(u);
    EXPECT_EQ(u->status(), UploadStatus::Queued);
    EXPECT_TRUE(u->isBinaryUpload());
    EXPECT_TRUE(u->makeNZB());
    EXPECT_EQ(u->serverID(), "server-1");
    EXPECT_EQ(u->maxArticleSize(), 384000.0);
    EXPECT_EQ(u->poster(), "me <me@x>");
    EXPECT_EQ(u->nzbExportUrl(), QDir(home.path() + "/exports").filePath("up_load.nzb"));
    ASSERT_EQ(u->filepartCount(), 1);
    const QueuePtr up2 = u->fileparts()[0];
    EXPECT_EQ(up2->status(), FilePartStatus::QueuedForUpload);
    EXPECT_EQ(up2->fileUrl(), "/files/u.bin");
    EXPECT_TRUE(up2->checkboxDisabled());
    const QList<SegmentPtr> segs = up2->segments();
    ASSERT_EQ(segs.size(), 3);
    EXPECT_EQ(segs[0]->filename(), "subject of u.bin");
    EXPECT_EQ(segs[0]->status(), ArticleStatus::Uploaded);
    EXPECT_EQ(segs[2]->status(), ArticleStatus::Queued);
    EXPECT_EQ(segs[2]->segnr(), 3);
    EXPECT_EQ(segs[2]->segtotal(), 3);
    // One article left, the bytes of the two uploaded ones taken off.
    EXPECT_EQ(up2->totalSegmentsLeftToDownload(), 1);
    EXPECT_EQ(u->totalSegmentsLeftToDownload(), 1);
    EXPECT_EQ(up2->totalBytesLeft(), 100.0);
    EXPECT_EQ(u->totalBytesLeft(), 100.0);

    const QueuePtr t = byTitle(back, "text");
    ASSERT_TRUE(t);
    EXPECT_EQ(t->textBody(), "Hello,\r\nthe body\r\n");
    ASSERT_EQ(t->filepartCount(), 1);
    ASSERT_EQ(t->fileparts()[0]->segmentCount(), 1);
    EXPECT_TRUE(t->fileparts()[0]->segments()[0]->mid().isEmpty());
}

TEST_F(SaveState, AnEmptyPasswordLeavesNoPassword)
{
    const QueuePtr job = makeJob("job", 1, RestorePoint::Queued);
    addPart(job, "a.bin", 1099, 1, 99);
    ASSERT_TRUE(saved.addNZBRootObjectToQueue(job));
    ASSERT_TRUE(save());
    QueueController into;
    const QList<QueuePtr> back = restore(into, 1);
    ASSERT_EQ(back.size(), 1);
    EXPECT_FALSE(back[0]->hasPassword());
    EXPECT_TRUE(back[0]->password().isEmpty());
}

TEST_F(SaveState, AnEmptyOrMissingStoreRestoresNothing)
{
    QueueController into;
    EXPECT_TRUE(restore(into, 0).isEmpty());
    Logger::shared()->flush();
    const LogFileReader log(home.logFilePath());
    EXPECT_EQ(log.linesWithMessage("Loading previous SaveState.").size(), 1);
    EXPECT_TRUE(log.linesContaining("SaveState loaded from database").isEmpty());
}

TEST_F(SaveState, ATableOfAnotherShapeIsRefusedWhole)
{
    for (const char* extra : {"", ", isnzb INTEGER, extra TEXT"}) {
        SCOPED_TRACE(extra);
        QFile::remove(dbPath());
        const QString columns = QString::fromLatin1("ID INTEGER PRIMARY KEY, type INTEGER, identifier TEXT, "
                                                    "title TEXT, status INTEGER, paused INTEGER, "
                                                    "password TEXT, bytes INTEGER, ispar INTEGER, ismainpar "
                                                    "INTEGER, issample INTEGER, totsegments "
                                                    "INTEGER, path TEXT, restorepoint INTEGER, groups TEXT, "
                                                    "maxsize INTEGER, serverid TEXT, embnzb "
                                                    "INTEGER%1")
                                    .arg(QLatin1String(extra));
        ASSERT_TRUE(
            sqliteExec(dbPath(), "DROP TABLE IF EXISTS queue; CREATE TABLE queue (" + columns + ");"));
        ASSERT_TRUE(sqliteExec(
            dbPath(), "INSERT INTO queue (type, title, status, restorepoint) VALUES (1, 'a', 1, 1)"));
        QueueController into;
        EXPECT_TRUE(restore(into, 0).isEmpty());
    }
    Logger::shared()->flush();
    EXPECT_EQ(LogFileReader(home.logFilePath())
                  .linesWithMessage("Incompatible SaveState version. Import is cancelled.")
                  .size(),
              2);
}

TEST_F(SaveState, PartsBelongToTheirJobByKeyNotByRowOrder)
{
    const QueuePtr a = makeJob("a", 1, RestorePoint::Queued);
    addPart(a, "a.bin", 1099, 2, 99);
    const QueuePtr b = makeJob("b", 1, RestorePoint::Queued);
    addPart(b, "b1.bin", 1099, 2, 99);
    addPart(b, "b2.bin", 1099, 1, 99);
    ASSERT_TRUE(saved.addNZBRootObjectToQueue(a));
    ASSERT_TRUE(saved.addNZBRootObjectToQueue(b));
    ASSERT_TRUE(save());
    // Job b's row is lost, and one article of a's part is moved to the end
    // of the table: b's parts must not become a's, and the article stays a's.
    ASSERT_TRUE(sqliteExec(dbPath(), "DELETE FROM queue WHERE type = 1 AND title = 'b'"));
    ASSERT_TRUE(sqliteExec(dbPath(), "UPDATE queue SET ID = 1000 WHERE title = '<a-a.bin-2@x>'"));

    QueueController into;
    const QList<QueuePtr> back = restore(into, 1);
    ASSERT_EQ(back.size(), 1);
    ASSERT_EQ(back[0]->filepartCount(), 1);
    EXPECT_EQ(midsOf(back[0]->fileparts()[0]), QStringList({"<a-a.bin-1@x>", "<a-a.bin-2@x>"}));
}

TEST_F(SaveState, RowsWithoutKeysAreTiedByTheirOrder)
{
    // A file written without keys: parts follow their job, articles their part.
    ASSERT_TRUE(DBSaveRestore().clearDatabase());
    ASSERT_TRUE(sqliteExec(
        dbPath(), "INSERT INTO queue (ID,type,identifier,title,status,paused,restorepoint,isnzb) VALUES "
                  "(1,1,'q','old',1,0,1,1),(2,2,'f','p.bin',1001,1,NULL,NULL),"
                  "(3,3,NULL,'<m1@x>',2,NULL,NULL,NULL),(4,3,NULL,'<m2@x>',2,NULL,NULL,NULL)"));
    QueueController into;
    const QList<QueuePtr> back = restore(into, 1);
    ASSERT_EQ(back.size(), 1);
    ASSERT_EQ(back[0]->filepartCount(), 1);
    EXPECT_EQ(midsOf(back[0]->fileparts()[0]), QStringList({"<m1@x>", "<m2@x>"}));
}

TEST_F(SaveState, TheSaveReadsTheQueueOnlyWhileNoOneElseHoldsItsLock)
{
    ASSERT_TRUE(saved.addNZBRootObjectToQueue(makeJob("first", 1, RestorePoint::Queued)));
    std::atomic<bool> done{false};
    std::thread saver;
    {
        // A connection still open holds the lock while it takes an article.
        QMutexLocker lock(&saved.arrayLock());
        saver = std::thread([&] {
            save();
            done = true;
        });
        spinEventLoop(300);
        EXPECT_FALSE(done.load());
        ASSERT_TRUE(saved.addNZBRootObjectToQueue(makeJob("second", 1, RestorePoint::Queued)));
    }
    ASSERT_TRUE(waitUntil([&] { return done.load(); }, 20000));
    saver.join();
    EXPECT_EQ(storedTitles(1), QStringList({"first", "second"}));
}

TEST_F(SaveState, ASaveThatFailsHalfWayLeavesThePreviousQueue)
{
    const QueuePtr a = makeJob("a", 1, RestorePoint::Queued);
    addPart(a, "a.bin", 1099, 5, 99);
    ASSERT_TRUE(saved.addNZBRootObjectToQueue(a));
    ASSERT_TRUE(save());
    const qsizetype before = storedRows();

    const QueuePtr b = makeJob("b", 1, RestorePoint::Queued);
    addPart(b, "b.bin", 1099, 50, 99);
    ASSERT_TRUE(saved.addNZBRootObjectToQueue(b));
    ASSERT_TRUE(sqliteExec(dbPath(),
                           "CREATE TRIGGER refuse BEFORE INSERT ON queue WHEN NEW.title = '<b-b.bin-25@x>' "
                           "BEGIN SELECT RAISE(ABORT, 'refused'); END;"));
    EXPECT_FALSE(save());
    EXPECT_EQ(storedRows(), before);
    EXPECT_EQ(storedTitles(1), QStringList({"a"}));
    Logger::shared()->flush();
    EXPECT_EQ(LogFileReader(home.logFilePath()).linesWithMessage("Commit Failed!").size(), 1);
}

TEST_F(SaveState, AKilledSaveLeavesThePreviousQueue)
{
    const QueuePtr a = makeJob("a", 1, RestorePoint::Queued);
    addPart(a, "a.bin", 1099, 10, 99);
    ASSERT_TRUE(saved.addNZBRootObjectToQueue(a));
    ASSERT_TRUE(save());
    const QStringList before = sqliteColumn(dbPath(), "SELECT title FROM queue ORDER BY ID");

    // A queue large enough that its save takes a while.
    for (int j = 0; j < 40; ++j) {
        const QueuePtr big = makeJob(QStringLiteral("big%1").arg(j), 1, 1);
        for (int p = 0; p < 50; ++p)
            addPart(big, QStringLiteral("p%1.bin").arg(p), 1099, 100, 99);
        ASSERT_TRUE(saved.addNZBRootObjectToQueue(big));
    }
    const QString journal = dbPath() + "-journal";
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        SaveRestoreController saver;
        saver.setQueueController(&saved);
        saver.saveQueue();
        _exit(0);
    }
    // Kill the writer while its transaction is open.
    QElapsedTimer timer;
    timer.start();
    bool inTransaction = false;
    while (timer.elapsed() < 20000) {
        if (QFileInfo::exists(journal)) {
            inTransaction = true;
            break;
        }
        int status = 0;
        if (waitpid(child, &status, WNOHANG) == child) break;
    }
    if (inTransaction) usleep(20000);
    kill(child, SIGKILL);
    waitpid(child, nullptr, 0);
    if (!inTransaction) GTEST_SKIP() << "the save ended before it could be interrupted";

    EXPECT_EQ(sqliteColumn(dbPath(), "SELECT title FROM queue ORDER BY ID"), before);
    QueueController into;
    const QList<QueuePtr> back = restore(into, 1);
    ASSERT_EQ(back.size(), 1);
    EXPECT_EQ(back[0]->title(), "a");
    EXPECT_EQ(back[0]->fileparts()[0]->segmentCount(), 10);
}

TEST_F(SaveState, ASaveOntoAFullDiskLeavesThePreviousQueue)
{
    const QString dbFolder = QFileInfo(dbPath()).path();
    QDir(dbFolder).removeRecursively();
    QDir().mkpath(dbFolder);
    TmpfsMount disk(dbFolder, 256 * 1024);
    if (!disk.isMounted()) GTEST_SKIP() << "no tmpfs can be mounted here (needs root)";

    const QueuePtr a = makeJob("a", 1, RestorePoint::Queued);
    addPart(a, "a.bin", 1099, 10, 99);
    ASSERT_TRUE(saved.addNZBRootObjectToQueue(a));
    ASSERT_TRUE(save());
    for (int j = 0; j < 20; ++j) {
        const QueuePtr big = makeJob(QStringLiteral("big%1").arg(j), 1, 1);
        addPart(big, "p.bin", 1099, 500, 99);
        ASSERT_TRUE(saved.addNZBRootObjectToQueue(big));
    }
    EXPECT_FALSE(save());
    QueueController into;
    const QList<QueuePtr> back = restore(into, 1);
    ASSERT_EQ(back.size(), 1);
    EXPECT_EQ(back[0]->title(), "a");
    EXPECT_EQ(back[0]->fileparts()[0]->segmentCount(), 10);
}

TEST_F(SaveState, ASearchJobSavedBeforeItsArticleListsArrivedFetchesThemAgain)
{
    const QueuePtr search = makeJob("search", 108, RestorePoint::Queued);
    search->setIsNZB(false);
    search->setFilelistReceived(true);
    const QueuePtr p = addPart(search, "s.bin", 0, 0);
    p->setCheckbox(1);
    const QueuePtr empty = makeJob("nolist", 106, RestorePoint::Queued);
    empty->setIsNZB(false);
    saved.addRootQueueObjectToQueueArray(search);
    saved.addRootQueueObjectToQueueArray(empty);
    ASSERT_TRUE(save());

    QueueController into;
    const QList<QueuePtr> back = restore(into, 2);
    const QueuePtr s = byTitle(back, "search");
    ASSERT_TRUE(s);
    EXPECT_TRUE(s->filelistReceived());
    EXPECT_FALSE(s->segmentsReceived());
    // Not queued without articles.
    EXPECT_EQ(s->fileparts()[0]->status(), JobStatus::Idle);
    const QueuePtr e = byTitle(back, "nolist");
    ASSERT_TRUE(e);
    EXPECT_FALSE(e->filelistReceived());
    EXPECT_FALSE(e->segmentsReceived());
}

TEST_F(SaveState, JobsNotStartedWhenTheLoadIsCancelledAreNotHandedOver)
{
    for (const char* title : {"one", "two", "three"}) {
        const QueuePtr q = makeJob(title, 1, 1);
        addPart(q, "x.bin", 1099, 1, 99);
        ASSERT_TRUE(saved.addNZBRootObjectToQueue(q));
    }
    ASSERT_TRUE(save());

    QueueController into;
    SaveRestoreController* running = nullptr;
    // The first job's start step queues its part, which adds the job: the
    // user cancels right then.
    QObject::connect(&into, &QueueController::queueArrayDidChange, [&] {
        if (running) running->cancelLoading();
        running = nullptr;
    });
    const QList<QueuePtr> back = restore(into, 1, [&](SaveRestoreController& loader) { running = &loader; });
    spinEventLoop(200);
    ASSERT_EQ(into.queueArray().size(), 1);
    EXPECT_EQ(into.queueArray()[0]->title(), "one");
    Logger::shared()->flush();
    EXPECT_EQ(LogFileReader(home.logFilePath())
                  .linesWithMessage("Restoring SaveState has been cancelled by the user.")
                  .size(),
              1);
}

TEST_F(SaveState, APartSavedOnItsWayToTheDiskComesBackWrittenOrIsFetchedAgain)
{
    // Saved while the queue runs: one part's file is written and its
    // articles let go (1017), one is being written (1019).
    const QueuePtr job = makeJob("running", JobStatus::Downloading, RestorePoint::Queued);
    addPart(job, "written.bin", FilePartStatus::WriteFinished, 0);
    addPart(job, "writing.bin", FilePartStatus::Writing, 4, ArticleStatus::Downloaded);
    ASSERT_TRUE(saved.addNZBRootObjectToQueue(job));
    ASSERT_TRUE(save());

    QueueController into;
    const QList<QueuePtr> back = restore(into, 1);
    ASSERT_EQ(back.size(), 1);
    const QList<QueuePtr> parts = back[0]->fileparts();
    ASSERT_EQ(parts.size(), 2);
    EXPECT_EQ(parts[0]->status(), FilePartStatus::Finished);
    EXPECT_TRUE(parts[0]->isDownloaded());
    EXPECT_EQ(parts[0]->checkbox(), 0);
    EXPECT_EQ(parts[1]->status(), FilePartStatus::Queued);
    EXPECT_EQ(parts[1]->totalSegmentsLeftToDownload(), 4);
    EXPECT_EQ(back[0]->totalSegmentsLeftToDownload(), 4);
}

TEST_F(SaveState, WhenRestoredWaitsForTheLastJobHandedOver)
{
    for (const char* title : {"one", "two", "three"}) {
        const QueuePtr q = makeJob(title, JobStatus::AllFilesWritten, 2); // handed over after the analysis
        addPart(q, "x.bin", FilePartStatus::Finished, 0);
        ASSERT_TRUE(saved.addNZBRootObjectToQueue(q));
    }
    ASSERT_TRUE(save());

    QueueController into;
    SaveRestoreController loader;
    loader.setQueueController(&into);
    int firstCalled = 0, secondCalled = 0;
    qsizetype jobsWhenCalled = -1;
    // The analyses cannot hand over while this thread is busy here: the
    // hand-overs run on it.
    loader.loadQueue();
    loader.whenRestored([&] {
        ++firstCalled;
        jobsWhenCalled = into.queueArray().size();
    });
    EXPECT_EQ(firstCalled, 0);
    ASSERT_TRUE(waitUntil([&] { return firstCalled == 1; }, 20000));
    EXPECT_EQ(jobsWhenCalled, 3);
    // Once restored, at once.
    loader.whenRestored([&] { ++secondCalled; });
    EXPECT_EQ(secondCalled, 1);
    spinEventLoop(50);
    EXPECT_EQ(firstCalled, 1);
}

} // namespace

TEST_F(SaveState, AJobIsStoredOnlyOnceItsImportHasEnded)
{
    const QueuePtr kept = makeJob("kept", 105, RestorePoint::Queued);
    addPart(kept, "k.bin", 1099, 2, 99);
    const QueuePtr importing = makeJob("importing", JobStatus::ParsingNZB, RestorePoint::None);
    importing->setIsImporting(true);
    addPart(importing, "i.bin", 0, 3, 99);
    ASSERT_TRUE(saved.addNZBRootObjectToQueue(kept));
    ASSERT_TRUE(saved.addNZBRootObjectToQueue(importing));
    ASSERT_TRUE(save());
    EXPECT_EQ(storedTitles(1), QStringList({"kept"}));
    EXPECT_EQ(storedRows(), 1 + 1 + 2);

    importing->setIsImporting(false);
    importing->setStatus(JobStatus::NZBParsed);
    ASSERT_TRUE(save());
    EXPECT_EQ(storedTitles(1), QStringList({"kept", "importing"}));
    EXPECT_EQ(storedRows(), 4 + 1 + 1 + 3);
}

// Rows that can make no job that moves, as older versions (or a damaged
// file) left them, beside jobs that can: the former are dropped, each with
// one message, and the rest of the queue comes back.
TEST_F(SaveState, RowsThatCannotMakeAMovingJobAreDroppedWithAMessageEach)
{
    ScriptedDialogAnswerer answerer;
    ASSERT_TRUE(DBSaveRestore().clearDatabase());
    // type, identifier, title, status, paused, restorepoint, isnzb; parts
    // and articles name their owner's row in restorepoint.
    ASSERT_TRUE(sqliteExec(
        dbPath(), "INSERT INTO queue (ID,type,identifier,title,status,paused,totsegments,path,restorepoint,isnzb) "
                  "VALUES "
                  // Stored at its admission, before its NZB file was read.
                  "(1,1,'q1','Parsing',99,0,0,'',0,1),"
                  "(2,1,'q2','Kept',105,0,1,'/d/Kept',1,1),"
                  "(3,2,'f2','k.bin',1099,1,1,NULL,2,NULL),"
                  "(4,3,NULL,'<k1@x>',99,NULL,NULL,NULL,3,NULL),"
                  // A part not written yet and without its articles.
                  "(5,1,'q3','Half',105,0,2,'/d/Half',1,1),"
                  "(6,2,'f3','h1.bin',1099,1,1,NULL,5,NULL),"
                  "(7,3,NULL,'<h1@x>',99,NULL,NULL,NULL,6,NULL),"
                  "(8,2,'f4','h2.bin',1099,1,1,NULL,5,NULL),"
                  // A status no version ever had.
                  "(9,1,'q4','Strange',4242,0,1,'/d/Strange',0,1),"
                  "(10,2,'f5','s.bin',1099,1,1,NULL,9,NULL),"
                  "(11,3,NULL,'<s1@x>',99,NULL,NULL,NULL,10,NULL),"
                  // A job without parts at all.
                  "(12,1,'q5','Empty',105,0,0,'/d/Empty',1,1),"
                  // An NZB that could not be read: an error with no parts,
                  // as it was.
                  "(13,1,'q6','Unreadable',28,0,0,'/d/Unreadable',0,1)"));
    QueueController into;
    const QList<QueuePtr> back = restore(into, 2);
    QStringList titles;
    for (const QueuePtr& q : back)
        titles << q->title();
    titles.sort();
    EXPECT_EQ(titles, QStringList({"Kept", "Unreadable"}));
    ASSERT_EQ(byTitle(back, "Kept")->filepartCount(), 1);
    EXPECT_EQ(midsOf(byTitle(back, "Kept")->fileparts()[0]), QStringList({"<k1@x>"}));
    EXPECT_EQ(byTitle(back, "Unreadable")->status(), JobStatus::NZBParseError);

    QStringList asked = answerer.askedTitles();
    asked.sort();
    EXPECT_EQ(asked, QStringList({"The job Empty could not be restored.", "The job Half could not be restored.",
                                  "The job Parsing could not be restored.",
                                  "The job Strange could not be restored."}));
    for (const DialogRequest& r : answerer.asked())
        EXPECT_EQ(r.info, "Add its NZB again.");
    Logger::shared()->flush();
    const LogFileReader log(home.logFilePath());
    for (const char* line : {"Not restored, its import had not ended :: Parsing",
                             "Not restored, its file h2.bin has no articles :: Half",
                             "Not restored, its status 4242 is unknown :: Strange",
                             "Not restored, it has no files :: Empty"})
        EXPECT_EQ(log.linesWithMessage(QString::fromLatin1(line)).size(), 1) << line;
}
