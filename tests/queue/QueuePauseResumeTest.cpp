#include "QueueStatesHarness.h"

#include "nntp/NewsGroupDownloadController.h"
#include "nntp/NewsGroupDownloadControllerDelegate.h"
#include "platform/NotificationHub.h"
#include "postprocess/RepairObject.h"
#include "queue/QCodeClass.h"

#include "queue/StatusCodes.h"
#include "support/LogFileReader.h"

#include <gtest/gtest.h>

namespace {

QString textOf(qint64 code)
{
    return QCodeClass::code2Text(code).value_or(QString());
}

struct FileParts : ::testing::Test, QueueStatesHarness
{
    // A job queued and downloading: parts at 1001 with their articles
    // handed out.
    QueuePtr downloading(const QString& title, const QStringList& files)
    {
        const QueuePtr root = makeJob(title, files);
        EXPECT_TRUE(qc.addNZBRootObjectToQueue(root));
        root->setStatus(JobStatus::NZBParsed);
        settle();
        root->setStatus(JobStatus::Downloading);
        for (const QueuePtr& part : root->fileparts()) {
            if (part->status() == FilePartStatus::Queued) part->setStatus(FilePartStatus::Downloading);
        }
        settle();
        calls.clear();
        forgetCodes();
        return root;
    }

    // What the writer does with a part it was given: the file on disk, the
    // part marked downloaded, then 1017.
    void written(const QueuePtr& part)
    {
        writeFileOf(part);
        part->setIsDownloaded(true);
        part->setStatus(FilePartStatus::WriteFinished);
    }
};

// ---- The dispatcher

TEST_F(FileParts, ADownloadedPartGoesToTheWriterAndFinishesIntoTheHistory)
{
    const QueuePtr root = downloading("Job", {"Job.mkv", "Job.nfo"});
    const QueuePtr mkv = partNamed(root, "Job.mkv");
    mkv->setDecodedFileData("decoded");
    mkv->setStatus(FilePartStatus::Downloaded);
    settle();
    EXPECT_EQ(mkv->status(), FilePartStatus::WaitingForDiskWrite);
    EXPECT_EQ(calls, QStringList{"write Job.mkv"});
    EXPECT_EQ(qc.filesInWriteQueue(), 1);

    written(mkv);
    settle();
    EXPECT_EQ(codesOf(mkv), (QList<qint64>{1002, 1020, 1017, 1010}));
    EXPECT_EQ(qc.filesInWriteQueue(), 0);
    EXPECT_TRUE(mkv->decodedFileData().isEmpty());
    EXPECT_EQ(calls, (QStringList{"write Job.mkv", "history Job.mkv"}));
    // One part is still to come: the job goes on downloading.
    EXPECT_EQ(root->status(), JobStatus::Downloading);
}

TEST_F(FileParts, TheLastWrittenPartEndsTheDownload)
{
    const QueuePtr root = downloading("Single", {"Single.mkv"});
    const QueuePtr mkv = root->fileparts().first();
    mkv->setStatus(FilePartStatus::Downloaded);
    settle();
    written(mkv);
    settle();
    // 17, then (no PAR2 file, one file) finished and released at once.
    EXPECT_EQ(codesOf(root).mid(0, 3), (QList<qint64>{17, 10, 103}));
    EXPECT_TRUE(root->isDownloaded());
    EXPECT_EQ(root->restorePoint(), RestorePoint::Cancelled);
    EXPECT_TRUE(qc.queueArray().isEmpty());
}

TEST_F(FileParts, ANewsgroupListIsReadNotWritten)
{
    const QueuePtr root = makeJob("Groups", {"newsgroups"}, 1);
    root->setIsNZB(false);
    root->setIsNewsgroupsRequest(true);
    ASSERT_TRUE(qc.addNewsgroupsListingRequestToQueue(root));
    root->setServerID("srv");
    root->setStatus(JobStatus::NZBParsed);
    settle();
    EXPECT_EQ(calls, QStringList{"open 1 srv"});

    QObject owner;
    QVariantMap result;
    NotificationHub::defaultCenter().addObserver("NewsgroupListDownloadResult", &owner,
                                                 [&](const Notification& n) { result = n.userInfo; });
    const QueuePtr part = root->fileparts().first();
    part->setStatus(FilePartStatus::Downloading);
    part->setIsDownloaded(true);
    part->setStatus(FilePartStatus::Downloaded);
    settle();
    EXPECT_EQ(codesOf(part), (QList<qint64>{0, 1099, 1001, 1002, 1017, 1010}));
    EXPECT_EQ(result.value("status").toString(), "ok");
    EXPECT_FALSE(calls.contains("write newsgroups"));
}

// The request as the newsgroup-list download hands it in: its part already
// marked queued, its one article to the request's own server.
TEST_F(FileParts, ANewsgroupListRequestIsQueuedAndItsReplyHandedBack)
{
    struct Delegate : NewsGroupDownloadControllerDelegate
    {
        QByteArray reply;
        bool closed = false;
        void newsgroupsReceived(const QByteArray& r) override { reply = r; }
        void connectionIsClosed() override { closed = true; }
    } delegate;
    NewsGroupDownloadController download;
    download.setDelegate(&delegate);
    download.setQueueController(&qc);
    download.getNewsGroupListFromServerID("srv");
    settle();
    ASSERT_EQ(qc.queueArray().size(), 1);
    const QueuePtr root = qc.queueArray().first();
    const QueuePtr part = root->fileparts().first();
    EXPECT_EQ(root->status(), JobStatus::QueuedForDownload);
    EXPECT_EQ(part->status(), FilePartStatus::Queued);
    EXPECT_EQ(calls, QStringList{"open 1 srv"});
    EXPECT_EQ(part->totalSegmentsLeftToDownload(), 1);

    // A second request while one is queued is refused.
    EXPECT_FALSE(qc.addNewsgroupsListingRequestToQueue(root));

    // The connection's LIST reply.
    part->setStatus(FilePartStatus::Downloading);
    part->segments().first()->setFiledata("alt.test 2 1 y\r\n.\r\n");
    part->setIsDownloaded(true);
    part->setStatus(FilePartStatus::Downloaded);
    ASSERT_TRUE(waitUntil([&] { return delegate.closed; }));
    EXPECT_EQ(delegate.reply, "alt.test 2 1 y\r\n.\r\n");
    settle();
    EXPECT_EQ(root->status(), JobStatus::Finished);
}

TEST_F(FileParts, AFailedWritePausesTheJobAndResumeWritesAgain)
{
    const QueuePtr root = downloading("Disk", {"Disk.mkv", "Disk.nfo"});
    const QueuePtr mkv = partNamed(root, "Disk.mkv");
    mkv->setStatus(FilePartStatus::Downloaded);
    settle();
    mkv->setStatus(FilePartStatus::WriteFailed);
    settle();
    EXPECT_EQ(root->status(), JobStatus::FilePartFailed);
    EXPECT_TRUE(root->isPaused());
    EXPECT_TRUE(root->diskNotReady());
    EXPECT_EQ(root->commentTextField(),
              "(Paused) Disk not accessable or no disk space left. Click resume to continue.");
    EXPECT_EQ(root->dpStatusTextField(), "Disk not ready");
    EXPECT_EQ(qc.filesInWriteQueue(), 0);
    EXPECT_EQ(LogFileReader(home.logFilePath()).linesContaining("Error writing file: Disk.mkv").size(), 1);

    calls.clear();
    qc.resumeQueueObject(root);
    settle();
    EXPECT_FALSE(root->isPaused());
    EXPECT_FALSE(root->diskNotReady());
    EXPECT_EQ(root->status(), JobStatus::QueuedForDownload);
    EXPECT_EQ(mkv->status(), FilePartStatus::WaitingForDiskWrite);
    EXPECT_EQ(calls, (QStringList{"connectAll", "write Disk.mkv"}));
}

// A write the disk refused says why: in the log, in the job's comment while
// it is paused, and in the status line of its code, which has no text.
TEST_F(FileParts, AFailedWriteGivesItsReasonEverywhereTheUserLooks)
{
    const QueuePtr root = downloading("Full", {"big50.bin"});
    const QueuePtr part = partNamed(root, "big50.bin");
    part->setStatus(FilePartStatus::Downloaded);
    settle();
    part->setFailureReason("No space left on device");
    part->setStatus(FilePartStatus::WriteFailed);
    settle();
    ASSERT_TRUE(root->isPaused());
    EXPECT_EQ(root->commentTextField(), "(Paused) Disk not accessable or no disk space left. Click resume to "
                                        "continue. (big50.bin: No space left on device)");
    const LogFileReader log(home.logFilePath());
    EXPECT_EQ(log.linesContaining("Error writing file: big50.bin (No space left on device)").size(), 1);
    EXPECT_EQ(log.linesContaining("Full 50 (Could not write big50.bin: No space left on device)").size(), 1);

    // Resumed, the reason is gone with the stop.
    qc.resumeQueueObject(root);
    settle();
    EXPECT_TRUE(root->failureReason().isEmpty());
}

// The codes without a text of their own (34 once read, 22 while more repair
// blocks are fetched, 50 when a file failed) are never shown or logged
// without a reason: the job's comment carries it, also once it is paused.
TEST_F(FileParts, ACodeWithoutTextIsShownWithItsReason)
{
    const QueuePtr read = makeJob("Read", {"Read.rar"});
    ASSERT_TRUE(qc.addNZBRootObjectToQueue(read));
    read->setStatus(JobStatus::NZBParsed);
    settle();

    UserDefaults::standard().setBool(true, "enableFileRepair");
    const QueuePtr blocks = downloading("Blocks", {"Blocks.rar", "Blocks.par2"});
    blocks->setStatus(JobStatus::NeedsMoreRepairBlocks);
    settle();
    qc.pauseQueueObject(blocks);
    settle();
    ASSERT_TRUE(blocks->isPaused());
    EXPECT_EQ(blocks->commentTextField(), "(Paused) Downloading 0 more repair blocks");

    const QueuePtr decode = downloading("Decode", {"Decode.rar"});
    partNamed(decode, "Decode.rar")->setStatus(FilePartStatus::DecodeError);
    settle();
    EXPECT_EQ(decode->commentTextField(), textOf(FilePartStatus::DecodeError));

    const QueuePtr held = downloading("Held", {"Held.rar"});
    held->setCommentTextField(QString());
    held->setStatus(JobStatus::FilePartFailed);
    held->setIsPaused(true);
    settle();
    EXPECT_EQ(held->commentTextField(),
              "(Paused) A file could not be written or decoded. Click resume to try again.");

    const LogFileReader log(home.logFilePath());
    EXPECT_EQ(log.linesContaining("Read 34 (NZB read, waiting to be queued)").size(), 1);
    EXPECT_EQ(log.linesContaining("Decode 50 (Decode error)").size(), 1);
    EXPECT_EQ(log.linesContaining("Blocks 22 (Downloading 0 more repair blocks)").size(), 1);
    for (const char* code : {" 22 ()", " 34 ()", " 50 ()"})
        EXPECT_TRUE(log.linesContaining(code).isEmpty()) << code;
}

TEST_F(FileParts, ADecodeErrorStopsTheJobWithThePartsText)
{
    const QueuePtr root = downloading("Bad", {"Bad.mkv", "Bad.nfo"});
    const QueuePtr mkv = partNamed(root, "Bad.mkv");
    mkv->setDecodedFileData("x");
    mkv->setStatus(FilePartStatus::DecodeError);
    settle();
    EXPECT_EQ(root->status(), JobStatus::FilePartFailed);
    EXPECT_EQ(root->commentTextField(), textOf(1024));
    EXPECT_TRUE(mkv->decodedFileData().isEmpty());
    EXPECT_EQ(LogFileReader(home.logFilePath()).linesContaining("Decode error for: Bad.mkv").size(), 1);
}

TEST_F(FileParts, UploadPartsShowTheirFileAndAreLockedWhenSent)
{
    const QueuePtr root = makeJob("Up", {"up.bin"}, 1);
    const QueuePtr part = root->fileparts().first();
    part->setStatus(FilePartStatus::Uploading);
    settle();
    EXPECT_EQ(root->commentTextField(), "Uploading: up.bin");
    EXPECT_EQ(LogFileReader(home.logFilePath()).linesContaining("Uploading: up.bin").size(), 1);
    part->setStatus(FilePartStatus::Uploaded);
    settle();
    EXPECT_TRUE(part->checkboxDisabled());
}

// A cancelled part whose write finished (the writer skipped it) is not a
// finished file: no history record, and its job is not moved on.
TEST_F(FileParts, ACancelledPartNeverTakesTheSuccessPath)
{
    const QueuePtr root = downloading("Cancel", {"Cancel.mkv"});
    const QueuePtr mkv = root->fileparts().first();
    mkv->setStatus(FilePartStatus::Downloaded);
    settle();
    mkv->setStatus(FilePartStatus::Writing);
    settle();
    qc.cancelDPFilepart(mkv);
    EXPECT_EQ(mkv->status(), FilePartStatus::Writing);
    mkv->setStatus(FilePartStatus::WriteFinished);
    settle();
    EXPECT_FALSE(codesOf(mkv).contains(1010));
    EXPECT_EQ(codesOf(mkv).last(), 0);
    EXPECT_FALSE(calls.contains("history Cancel.mkv"));
    EXPECT_FALSE(codesOf(root).contains(17));
    EXPECT_EQ(qc.filesInWriteQueue(), 0);

    // Marked cancelled at 1010 (the writer already reported) does the same.
    const QueuePtr other = downloading("Cancel2", {"Cancel2.mkv"});
    const QueuePtr part = other->fileparts().first();
    part->setIsCancelled(true);
    part->setStatus(FilePartStatus::Finished);
    settle();
    EXPECT_FALSE(calls.contains("history Cancel2.mkv"));
    EXPECT_FALSE(codesOf(other).contains(17));
    EXPECT_EQ(part->status(), JobStatus::Idle);
}

// ---- Completion of a job

struct CompletionCase
{
    const char* name;
    bool volumeLeft; // a recovery volume is still unchecked
    bool unchecked;  // an ordinary file was unchecked by the user
    bool withSet;    // the job has its PAR2 set
    bool canRepair;
    // The job's codes after the last write, leaving out the 105 of a
    // finished priority part.
    QList<qint64> expected;
};

void PrintTo(const CompletionCase& c, std::ostream* os)
{
    *os << c.name;
}

class Completion : public FileParts, public ::testing::WithParamInterface<CompletionCase>
{
};

TEST_P(Completion, TheLastPartSetsTheJobsNextCode)
{
    const CompletionCase& c = GetParam();
    QStringList files = {"C.mkv", "C.nfo", "C.par2"};
    if (c.volumeLeft) files.append("C.vol00+02.par2");
    const QueuePtr root = downloading("C", files);
    if (c.withSet) {
        const RepairObjectPtr set = RepairObject::create();
        set->setFilepart(partNamed(root, "C.par2"));
        root->setRepairObject(set);
    }
    if (c.unchecked) {
        partNamed(root, "C.nfo")->setCheckbox(0);
        partNamed(root, "C.nfo")->setStatus(JobStatus::Idle);
    }
    settle();
    forgetCodes();
    // One write after the other, as the writer reports them; the set
    // becomes repairable with the last one.
    QList<QueuePtr> pending;
    for (const QueuePtr& part : root->fileparts()) {
        if (part->status() == FilePartStatus::Downloading) pending.append(part);
    }
    for (const QueuePtr& part : pending) {
        if (part == pending.last()) root->setCanRepair(c.canRepair);
        written(part);
        settle();
    }
    QList<qint64> codes = codesOf(root);
    codes.removeAll(105);
    EXPECT_EQ(codes, c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, Completion,
    ::testing::Values(CompletionCase{"AllDownloaded", false, false, true, false, {17}},
                      CompletionCase{"OnlyAVolumeLeft", true, false, true, false, {17}},
                      CompletionCase{"FileLeftSetShort", false, true, true, false, {22}},
                      CompletionCase{"FileLeftNoSet", false, true, false, false, {16}},
                      CompletionCase{"FileLeftSetRepairable", false, true, true, true, {16, 14}},
                      CompletionCase{"AllDownloadedRepairable", false, false, true, true, {17, 14}}),
    [](const auto& info) { return std::string(info.param.name); });

// Two writes reported before the main thread got to either: the job is
// completed once.
TEST_F(FileParts, ACompletionReportedTwiceRunsTheJobStepOnce)
{
    const QueuePtr root = downloading("Twice", {"Twice.mkv", "Twice.nfo"});
    for (const QueuePtr& part : root->fileparts())
        written(part);
    settle();
    EXPECT_EQ(codesOf(root).count(17), 1);
    EXPECT_EQ(codesOf(root).count(47), 1);
}

TEST_F(FileParts, AFinishedPar2PartMovesARepairableJobTo14WhileOthersDownload)
{
    const QueuePtr root = downloading("R", {"R.part1.rar", "R.part2.rar", "R.par2"});
    const QueuePtr par = partNamed(root, "R.par2");
    ASSERT_TRUE(par->isPriority());
    const RepairObjectPtr set = RepairObject::create();
    set->setFilepart(par);
    root->setRepairObject(set);
    root->setCanRepair(true);
    written(par);
    settle();
    // The priority part's job goes back to queued, then to repair.
    EXPECT_EQ(codesOf(root), (QList<qint64>{105, 14}));
    EXPECT_TRUE(qc.priorityQueueArray().isEmpty());
    EXPECT_EQ(root->restorePoint(), RestorePoint::Repairing);
    EXPECT_TRUE(calls.contains("rescan"));
}

// A finished priority part asks only a downloading job to be queued again:
// a job stopped for missing articles or a failed write keeps its stop.
TEST_F(FileParts, APriorityFinishDoesNotOverwriteAStop)
{
    for (const qint64 stop : {27, 50}) {
        const QueuePtr root = downloading(QStringLiteral("Stop%1").arg(stop), {"S.rar", "S.par2"});
        const QueuePtr par = partNamed(root, "S.par2");
        root->setIsMissing(stop == 27);
        root->setStatus(stop);
        root->setIsPaused(true);
        settle();
        forgetCodes();
        written(par);
        settle();
        EXPECT_FALSE(codesOf(root).contains(105)) << stop;
        EXPECT_EQ(root->status(), stop);

        // And resume still acts on the reason.
        qc.resumeQueueObject(root);
        settle();
        EXPECT_EQ(root->status(), JobStatus::QueuedForDownload) << stop;
        EXPECT_FALSE(root->isMissing());
        EXPECT_EQ(root->forceDownload(), stop == 27);
    }
}

// Queued again, a job asks for the backup servers that hold work of it
// besides every download server, which reaches only the normal ones: an
// article routed to a backup server before the job stopped, or a whole file
// given to one, would otherwise wait for it for ever.
TEST_F(FileParts, AResumedJobWakesTheBackupServersItsWorkWasRoutedTo)
{
    const QueuePtr root = downloading("Routed", {"R.rar", "R.par2"});
    const QList<SegmentPtr> articles = partNamed(root, "R.rar")->segments();
    ASSERT_EQ(articles.size(), 2);
    root->appendPartDownloadBackupServer({"C", articles[0]});
    root->appendPartDownloadBackupServer({"C", articles[1]});
    qc.enableBackupServer("D", root);
    root->setIsMissing(true);
    root->setStatus(JobStatus::PausedPossiblyIncomplete);
    root->setIsPaused(true);
    settle();
    calls.clear();

    qc.resumeQueueObject(root);
    settle();
    EXPECT_EQ(root->status(), JobStatus::QueuedForDownload);
    EXPECT_EQ(calls, (QStringList{"connectAll", "connect D", "connect C"}));

    // A job with no such work asks for the normal servers alone.
    const QueuePtr plain = downloading("Plain", {"P.rar"});
    plain->setStatus(JobStatus::NewsServerUnreachable);
    plain->setIsPaused(true);
    settle();
    calls.clear();
    qc.resumeQueueObject(plain);
    settle();
    EXPECT_EQ(plain->status(), JobStatus::QueuedForDownload);
    EXPECT_EQ(calls, QStringList{"connectAll"});
}

// ---- Checks

TEST_F(FileParts, FilesWereWrittenOnlyWhenOneIsOnDisk)
{
    const QueuePtr root = makeJob("W", {"W.mkv", "W.nfo"}, 1, false);
    EXPECT_FALSE(qc.checkIfFilesWereWritten(root));
    for (const QueuePtr& part : root->fileparts())
        part->setIsDownloaded(true);
    EXPECT_FALSE(qc.checkIfFilesWereWritten(root));
    const QString missing = QDir(root->downloadUrl()).filePath("W.mkv");
    EXPECT_GE(LogFileReader(home.logFilePath())
                  .linesContaining("Downloaded file not found on disk :: " + missing)
                  .size(),
              1);
    writeFileOf(partNamed(root, "W.nfo"));
    EXPECT_TRUE(qc.checkIfFilesWereWritten(root));
    EXPECT_FALSE(qc.checkIfFilesWereWritten(makeJob("None", {}, 1, false)));
}

// A part the writer has marked downloaded but not yet reported (its
// recovery blocks may still be being counted) keeps the job from being
// complete, and from being moved on by flags its set already got from
// that part; its own report completes the job, once, and the job steps on
// from there.
TEST_F(FileParts, APartStillBeingWrittenKeepsTheJobFromItsEnd)
{
    const QueuePtr root = downloading("Late", {"Late.part1.rar", "Late.part2.rar", "Late.par2"});
    const QueuePtr par = partNamed(root, "Late.par2");
    const QueuePtr first = partNamed(root, "Late.part1.rar");
    const QueuePtr second = partNamed(root, "Late.part2.rar");
    const RepairObjectPtr set = RepairObject::create();
    set->setFilepart(par);
    root->setRepairObject(set);
    written(par);
    settle();
    for (const qint64 writing : {1020, 1019}) {
        second->setIsDownloaded(true);
        second->setStatus(writing);
        EXPECT_FALSE(qc.checkIfAllFilepartsAreWrittenFor(root)) << writing;
    }
    // The second file's blocks are counted: nothing is missing.
    root->setCanExtract(true);
    settle();
    forgetCodes();
    written(first);
    settle();
    EXPECT_FALSE(codesOf(root).contains(17)) << QDebug::toString(codesOf(root)).toStdString();
    EXPECT_FALSE(codesOf(root).contains(47)) << QDebug::toString(codesOf(root)).toStdString();

    writeFileOf(second);
    second->setStatus(FilePartStatus::WriteFinished);
    settle();
    QList<qint64> codes = codesOf(root);
    codes.removeAll(105);
    EXPECT_EQ(codes.mid(0, 2), (QList<qint64>{17, 47})) << QDebug::toString(codesOf(root)).toStdString();
    EXPECT_EQ(codesOf(root).count(17), 1);
}

TEST_F(FileParts, DownloadedAndWrittenChecks)
{
    const QueuePtr root = makeJob("K", {"K.mkv", "K.par2", "K-sample.mkv"}, 1, false);
    partNamed(root, "K.mkv")->setIsDownloaded(true);
    partNamed(root, "K-sample.mkv")->setCheckbox(0);
    partNamed(root, "K.par2")->setCheckbox(0);
    setBool("ignoreSampleFiles", false);
    EXPECT_FALSE(qc.checkIfAllFilepartsAreDownloadedFor(root));
    setBool("ignoreSampleFiles", true);
    EXPECT_TRUE(qc.checkIfAllFilepartsAreDownloadedFor(root));
    EXPECT_TRUE(qc.checkIfAllFilepartsAreWrittenFor(root));
    partNamed(root, "K.par2")->setCheckbox(1);
    EXPECT_FALSE(qc.checkIfAllFilepartsAreWrittenFor(root));
    EXPECT_FALSE(qc.checkIfNZBOnlyContainsSampleFiles(root));
    EXPECT_TRUE(qc.checkIfNZBOnlyContainsSampleFiles(makeJob("S", {"S-sample.mkv", "S.par2"}, 1, false)));
    const QueuePtr empty = makeJob("E", {}, 1, false);
    EXPECT_TRUE(qc.checkIfAllFilepartsAreDownloadedFor(empty));
    EXPECT_TRUE(qc.checkIfAllFilepartsAreWrittenFor(empty));
    EXPECT_TRUE(qc.checkIfNZBOnlyContainsSampleFiles(empty));
}

// ---- Pause and resume

struct PauseCase
{
    qint64 status;
    bool asked;  // shouldPause is set
    bool paused; // and takes effect at once
};

void PrintTo(const PauseCase& c, std::ostream* os)
{
    *os << "status " << c.status;
}

class Pausing : public FileParts, public ::testing::WithParamInterface<PauseCase>
{
};

TEST_P(Pausing, AtOnceOnlyWhereTheJobCanStop)
{
    const QueuePtr root = makeJob("Pause", {"a.rar"}, 1, false);
    root->setStatus(GetParam().status);
    settle();
    root->setDelegate(&qc);
    qc.pauseQueueObject(root);
    settle();
    EXPECT_EQ(root->shouldPause(), GetParam().asked);
    EXPECT_EQ(root->isPaused(), GetParam().paused);
    if (GetParam().paused) {
        // A code without a text of its own shows its reason.
        const QString text = GetParam().status == JobStatus::NeedsMoreRepairBlocks
                                 ? QStringLiteral("Fetching more repair blocks")
                                 : textOf(GetParam().status);
        EXPECT_EQ(root->commentTextField(), "(Paused) " + text);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Codes, Pausing,
    ::testing::Values(PauseCase{8, false, false}, PauseCase{9, false, false}, PauseCase{10, false, false},
                      PauseCase{42, false, false}, PauseCase{52, false, false}, PauseCase{205, false, false},
                      PauseCase{206, false, false}, PauseCase{44, true, false}, PauseCase{14, true, false},
                      PauseCase{1, true, true}, PauseCase{3, true, true}, PauseCase{5, true, true},
                      PauseCase{22, true, true}, PauseCase{31, true, true}, PauseCase{105, true, true},
                      PauseCase{201, true, true}, PauseCase{203, true, true}, PauseCase{221, true, true},
                      PauseCase{225, true, true}),
    [](const auto& info) { return std::to_string(info.param.status); });

TEST_F(FileParts, APauseAskedDuringAStepTakesEffectAtTheNextStep)
{
    const QueuePtr root = makeJob("Next", {"Next.rar"}, 1, false);
    root->setStatus(JobStatus::JoiningFileParts);
    settle();
    root->setDelegate(&qc);
    qc.pauseQueueObject(root);
    settle();
    ASSERT_FALSE(root->isPaused());
    // The join is done; the next step does not start.
    root->setStatus(JobStatus::PrepareJoiningFileParts);
    settle();
    EXPECT_TRUE(root->isPaused());
    EXPECT_EQ(root->status(), JobStatus::PrepareJoiningFileParts);
    EXPECT_FALSE(calls.contains("rescan"));

    // Resuming repeats the held step.
    forgetCodes();
    qc.resumeQueueObject(root);
    settle();
    ASSERT_FALSE(codesOf(root).isEmpty());
    EXPECT_EQ(codesOf(root).first(), 47);
    EXPECT_FALSE(root->shouldPause());
}

struct ResumeCase
{
    qint64 status;
    qint64 expected;
};

void PrintTo(const ResumeCase& c, std::ostream* os)
{
    *os << "status " << c.status;
}

class Resuming : public FileParts, public ::testing::WithParamInterface<ResumeCase>
{
};

TEST_P(Resuming, ReturnsToTheStatusOfTheTable)
{
    const QueuePtr root = makeJob("Resume", {"a.rar", "b.rar"}, 1, false);
    root->setStatus(GetParam().status);
    root->setIsPaused(true);
    root->setShouldPause(true);
    root->setPwdDectected(true);
    if (GetParam().status == 27) root->setIsMissing(true);
    if (GetParam().status == 40) root->setHasRepairFiles(false);
    if (GetParam().status == 50) root->fileparts().first()->setStatus(FilePartStatus::WriteFailed);
    settle();
    root->setDelegate(&qc);
    for (const QueuePtr& part : root->fileparts())
        part->setDelegate(&qc);

    qc.resumeQueueObject(root);
    settle();
    EXPECT_FALSE(root->isPaused());
    EXPECT_FALSE(root->shouldPause());
    EXPECT_FALSE(root->pwdDectected());
    ASSERT_FALSE(codesOf(root).isEmpty());
    EXPECT_EQ(codesOf(root).first(), GetParam().expected);
    EXPECT_EQ(root->forceDownload(), GetParam().status == 27);
    if (GetParam().status == 27) {
        EXPECT_FALSE(root->isMissing());
    }
    if (GetParam().status == 40) {
        EXPECT_TRUE(root->hasRepairFiles());
    }
    if (GetParam().status == 50) {
        EXPECT_EQ(codesOf(root->fileparts().first()).value(0), 1020);
        EXPECT_TRUE(calls.contains("write a.rar"));
    }
}

INSTANTIATE_TEST_SUITE_P(Table, Resuming,
                         ::testing::Values(ResumeCase{1, 105}, ResumeCase{39, 105}, ResumeCase{41, 105},
                                           ResumeCase{51, 105}, ResumeCase{105, 105}, ResumeCase{3, 14},
                                           ResumeCase{5, 20}, ResumeCase{27, 105}, ResumeCase{40, 105},
                                           ResumeCase{50, 105}, ResumeCase{201, 201}, ResumeCase{203, 201},
                                           ResumeCase{221, 220}, ResumeCase{225, 224}, ResumeCase{44, 44},
                                           ResumeCase{36, 36}),
                         [](const auto& info) { return std::to_string(info.param.status); });

// A job stopped for missing articles whose code was changed meanwhile still
// downloads on with the servers it had skipped.
TEST_F(FileParts, ResumeActsOnTheMissingArticlesFlag)
{
    const QueuePtr root = makeJob("Missing", {"a.rar"}, 1, false);
    root->setIsMissing(true);
    root->setStatus(JobStatus::QueuedForDownload);
    root->setIsPaused(true);
    settle();
    root->setDelegate(&qc);
    qc.resumeQueueObject(root);
    settle();
    EXPECT_TRUE(root->forceDownload());
    EXPECT_FALSE(root->isMissing());
    EXPECT_EQ(codesOf(root).value(0), 105);
}

TEST_F(FileParts, AFullDiskPausesEveryJobOnceAndHoldsResumeUntilSpaceIsBack)
{
    const QueuePtr a = downloading("A", {"A.rar", "A.par2"});
    const QueuePtr b = downloading("B", {"B.rar", "B.par2"});
    b->setPwdDectected(true);
    qc.outOfDiskSpace(true);
    settle();
    EXPECT_TRUE(qc.noDiskSpace());
    for (const QueuePtr& root : {a, b}) {
        EXPECT_TRUE(root->shouldPause());
        EXPECT_TRUE(root->isPaused());
    }
    EXPECT_EQ(a->commentTextField(), "(Paused) You are almost out of disk space. Click resume to continue.");
    EXPECT_EQ(a->dpStatusTextField(), "Out of diskspace");
    EXPECT_EQ(b->commentTextField(), "(Paused) Archive is password protected.");
    EXPECT_EQ(b->dpStatusTextField(), "Password protected");

    // Resume is refused, also for the password stop; a second alarm leaves
    // the jobs alone.
    qc.resumeQueueObject(a);
    qc.resumeQueueObject(b);
    a->setShouldPause(false);
    qc.outOfDiskSpace(true);
    settle();
    EXPECT_TRUE(a->isPaused());
    EXPECT_TRUE(b->isPaused());
    EXPECT_TRUE(b->pwdDectected());
    EXPECT_FALSE(a->shouldPause());

    // A step does not start while the disk is full.
    const QueuePtr c = downloading("C", {"C.rar"});
    c->setStatus(JobStatus::QueuedForRepair);
    settle();
    EXPECT_TRUE(c->isPaused());
    EXPECT_FALSE(calls.contains("rescan"));

    // Space is back: the jobs the full disk stopped go on by themselves; the
    // one stopped for its password waits for the user.
    forgetCodes();
    calls.clear();
    qc.outOfDiskSpace(false);
    settle();
    EXPECT_FALSE(a->isPaused());
    EXPECT_EQ(codesOf(a).value(0), 105);
    EXPECT_FALSE(c->isPaused());
    EXPECT_TRUE(calls.contains("rescan"));
    EXPECT_TRUE(b->isPaused());
    EXPECT_TRUE(b->pwdDectected());
}

// Only the jobs the full disk stopped go on when space is back: one the user
// had paused before, or paused while the disk was full, stays paused; one that
// never reached a step where it would stop has its pause request dropped.
TEST_F(FileParts, WhenSpaceIsBackOnlyTheJobsTheFullDiskStoppedGoOn)
{
    const QueuePtr before = downloading("Before", {"Before.rar"});
    const QueuePtr during = downloading("During", {"During.rar"});
    const QueuePtr stopped = downloading("Stopped", {"Stopped.rar"});
    const QueuePtr joining = downloading("Joining", {"Joining.rar"});
    joining->setStatus(JobStatus::JoiningFileParts);
    qc.pauseQueueObject(before);
    settle();
    ASSERT_TRUE(before->isPaused());

    qc.outOfDiskSpace(true);
    settle();
    qc.pauseQueueObject(during);
    settle();
    EXPECT_TRUE(stopped->isPaused());
    EXPECT_FALSE(joining->isPaused());
    EXPECT_TRUE(joining->shouldPause());

    forgetCodes();
    qc.outOfDiskSpace(false);
    settle();
    EXPECT_TRUE(before->isPaused());
    EXPECT_TRUE(during->isPaused());
    EXPECT_FALSE(stopped->isPaused());
    EXPECT_FALSE(stopped->shouldPause());
    EXPECT_EQ(codesOf(stopped).value(0), 105);
    EXPECT_FALSE(joining->shouldPause());
    EXPECT_TRUE(codesOf(joining).isEmpty());
    EXPECT_TRUE(codesOf(before).isEmpty());

    // A second "space is back" changes nothing.
    qc.outOfDiskSpace(false);
    settle();
    EXPECT_TRUE(before->isPaused());
}

TEST_F(FileParts, TheProgressBarColourComesFromTheSettings)
{
    const QueuePtr root = makeJob("Colour", {}, 1, false);
    qc.changeProgressBarColor("errorColor", root);
    const QColor error = root->colorProgressBar();
    EXPECT_EQ(error, UserDefaults::standard().colorForKey("ProgressBarColorProperties", "errorColor"));
    EXPECT_TRUE(error.isValid());
    qc.changeProgressBarColor("noSuchColor", root);
    EXPECT_EQ(root->colorProgressBar(), error);
}

TEST_F(FileParts, AfterTerminationNoStepStarts)
{
    const QueuePtr root = makeJob("End", {"End.rar"}, 1);
    NotificationHub::defaultCenter().post("ApplicationWillTerminate", nullptr, {});
    EXPECT_TRUE(qc.isTerminated());
    root->setStatus(JobStatus::QueuedForRepair);
    root->setStatus(JobStatus::ReversingFilenames);
    settle();
    EXPECT_FALSE(root->isPaused());
    EXPECT_FALSE(calls.contains("rescan"));
    EXPECT_EQ(codesOf(root), (QList<qint64>{14, 38}));
}

} // namespace
