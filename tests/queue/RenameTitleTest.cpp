#include "core/Logger.h"
#include "queue/QueueController.h"
#include "queue/QueueFilesController.h"
#include "queue/RenameTitleController.h"

#include "queue/StatusCodes.h"
#include "support/EventLoop.h"
#include "support/LogFileReader.h"
#include "support/TempHome.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace {

struct RenameTitle : ::testing::Test
{
    TempHome home;
    QString downloads = home.makeFolder("dl");
    RenameTitleController renamer;

    // A finished job "old" with two parts (one a PAR2 file) in its folder.
    QueuePtr job(const QString& newtitle, bool withRepairFiles = true, int parts = 2)
    {
        const QString folder = QDir(downloads).filePath("old");
        QDir().mkpath(folder);
        QFile f(QDir(folder).filePath("a.bin"));
        f.open(QIODevice::WriteOnly);
        f.write("data");
        const QueuePtr root = Queue::create();
        root->setTitle("old");
        root->setDownloadUrl(folder);
        root->setHasRepairFiles(withRepairFiles);
        for (int i = 0; i < parts; ++i) {
            const QueuePtr p = Queue::create();
            p->setIsFilepart(true);
            p->setQueue(root);
            root->appendFilepart(p);
        }
        root->setNewtitle(newtitle);
        // Lets the model derive `titleWillChange` from the new title.
        spinEventLoop(20);
        return root;
    }
};

TEST_F(RenameTitle, AnExistingFolderOfTheNewTitleGivesTitleDotOne)
{
    QDir().mkpath(QDir(downloads).filePath("new"));
    const QueuePtr root = job("new");
    renamer.renameTitleForQueue(root);
    const QString moved = QDir(downloads).filePath("new.1");
    EXPECT_EQ(root->title(), "new.1");
    EXPECT_EQ(root->downloadUrl(), moved);
    EXPECT_TRUE(QFileInfo::exists(QDir(moved).filePath("a.bin")));
    EXPECT_FALSE(QFileInfo::exists(QDir(downloads).filePath("old")));
    EXPECT_TRUE(QFileInfo(QDir(downloads).filePath("new")).isDir());
    EXPECT_TRUE(root->newtitle().isEmpty());
    spinEventLoop(20);
    EXPECT_FALSE(root->titleWillChange());
    Logger::shared()->flush();
    EXPECT_EQ(LogFileReader(home.logFilePath()).linesWithMessage("Renamed :: old to :: new.1").size(), 1);
}

TEST_F(RenameTitle, AJobWithoutRepairFilesOrWithOnePartKeepsItsFolder)
{
    for (auto [repair, parts] : {std::pair{false, 2}, std::pair{true, 1}}) {
        const QueuePtr root = job("other", repair, parts);
        ASSERT_TRUE(root->titleWillChange());
        renamer.renameTitleForQueue(root);
        EXPECT_FALSE(root->titleWillChange());
        EXPECT_EQ(root->newtitle(), "other");
        EXPECT_EQ(root->title(), "old");
        EXPECT_FALSE(QFileInfo::exists(QDir(downloads).filePath("other")));
    }
}

TEST_F(RenameTitle, ANewTitleCannotLeadTheFolderOutOfItsParent)
{
    const QueuePtr escaping = job("../../escaped");
    renamer.renameTitleForQueue(escaping);
    EXPECT_EQ(QFileInfo(escaping->downloadUrl()).dir().path(), downloads);
    EXPECT_TRUE(QFileInfo(escaping->downloadUrl()).isDir());
    EXPECT_FALSE(QFileInfo::exists(QDir(home.path()).filePath("escaped")));

    QDir(escaping->downloadUrl()).removeRecursively();
    const QueuePtr dots = job("..");
    renamer.renameTitleForQueue(dots);
    EXPECT_EQ(dots->title(), "old");
    EXPECT_EQ(dots->downloadUrl(), QDir(downloads).filePath("old"));
    EXPECT_TRUE(dots->newtitle().isEmpty());
}

TEST_F(RenameTitle, AFolderThatCannotBeMadeChangesNothing)
{
    const QueuePtr root = job("new");
    // The job's folder lies below a file: no folder can be made beside it.
    const QString blocker = QDir(downloads).filePath("file");
    QFile(blocker).open(QIODevice::WriteOnly);
    root->setDownloadUrl(QDir(blocker).filePath("old"));
    renamer.renameTitleForQueue(root);
    EXPECT_EQ(root->title(), "old");
    EXPECT_EQ(root->downloadUrl(), QDir(blocker).filePath("old"));
    EXPECT_TRUE(root->newtitle().isEmpty());
    Logger::shared()->flush();
    EXPECT_EQ(LogFileReader(home.logFilePath()).linesWithMessage("Cannot rename! Newpath is nil").size(), 1);
}

TEST_F(RenameTitle, AFolderThatCannotBeMovedKeepsTheJobWhereItsFilesAre)
{
    const QueuePtr root = job("new");
    // The job's folder is gone (removed outside the program): the move fails.
    const QString gone = root->downloadUrl();
    ASSERT_TRUE(QDir(gone).removeRecursively());
    renamer.renameTitleForQueue(root);
    EXPECT_EQ(root->title(), "old");
    EXPECT_EQ(root->downloadUrl(), gone);
    EXPECT_TRUE(root->newtitle().isEmpty());
    EXPECT_FALSE(QFileInfo::exists(QDir(downloads).filePath("new")));
}

TEST_F(RenameTitle, AnEmptyTitleThroughTheSchedulerChangesNothing)
{
    QueueController qc;
    qc.setRenameTitleController(&renamer);
    const QueuePtr root = job("");
    root->setStatus(JobStatus::Finished);
    qc.renameQueue(root, "");
    EXPECT_EQ(root->title(), "old");
    qc.renameQueue(root, "fresh");
    EXPECT_EQ(root->title(), "fresh");
    EXPECT_TRUE(QFileInfo(QDir(downloads).filePath("fresh")).isDir());
    // Not finished yet: the title waits for the end of the job.
    const QueuePtr running = job("");
    running->setStatus(JobStatus::Downloading);
    qc.renameQueue(running, "later");
    EXPECT_EQ(running->newtitle(), "later");
    EXPECT_EQ(running->title(), "old");
}

struct RecordingFilesDelegate : QueueFilesControllerDelegate
{
    int enter = 0, cmdD = 0;
    void enterKeyPressedInFiles() override { ++enter; }
    void cmdDKeyPressedInFiles() override { ++cmdD; }
};

TEST(QueueFiles, RowsByNumberAndCheckboxClicksGoToTheScheduler)
{
    TempHome home;
    QueueController qc;
    QueueFilesController files;
    files.setQueueController(&qc);
    const QueuePtr root = Queue::create();
    root->setIsNZB(true);
    root->setTitle("job");
    // As the import leaves a parsed job: its file and article lists known.
    root->setFilelistReceived(true);
    root->setSegmentsReceived(true);
    const QueuePtr upload = Queue::create();
    upload->setIsUploadObject(true);
    QList<QueuePtr> rows;
    for (const QueuePtr& owner : {root, root, upload}) {
        const QueuePtr p = Queue::create();
        p->setIsFilepart(true);
        p->setQueue(owner);
        p->setQidnr(Queue::makeQidnr());
        p->setCheckbox(1);
        p->setSegments({Segment::create()});
        owner->appendFilepart(p);
        rows.append(p);
    }
    files.setQueuefilesArray(rows);
    EXPECT_EQ(files.getObjectForFidnr(rows[1]->qidnr()), rows[1]);
    EXPECT_EQ(files.getObjectForFidnr(-1), nullptr);

    files.checkboxClickedOnFidNr(-1);
    files.checkboxClickedOnFidNr(rows[2]->qidnr());
    EXPECT_TRUE(qc.queueArray().isEmpty());
    EXPECT_EQ(rows[2]->status(), JobStatus::Idle);

    files.checkboxClickedOnFidNr(rows[0]->qidnr());
    EXPECT_EQ(rows[0]->status(), FilePartStatus::Queued);
    EXPECT_EQ(rows[1]->status(), JobStatus::Idle);
    EXPECT_EQ(qc.queueArray(), QList<QueuePtr>({root}));

    RecordingFilesDelegate delegate;
    files.enterKeyPressedOnIndexSet({0});
    files.setDelegate(&delegate);
    files.enterKeyPressedOnIndexSet({0, 1});
    files.cmdDKeyPressedOnIndexSet({});
    EXPECT_EQ(delegate.enter, 1);
    EXPECT_EQ(delegate.cmdD, 1);
}

} // namespace
