#include "QueueStatesHarness.h"

#include "platform/Dispatch.h"
#include "platform/NotificationHub.h"
#include "postprocess/RepairObject.h"
#include "queue/NZBController.h"
#include "queue/QCodeClass.h"

#include "queue/StatusCodes.h"
#include "support/LogFileReader.h"
#include "support/NzbFixture.h"
#include "support/TmpfsMount.h"

#include <gtest/gtest.h>

#include <QDirIterator>
#include <QFile>

namespace {

QString textOf(qint64 code)
{
    return QCodeClass::code2Text(code).value_or(QString());
}

const QByteArray rarSignature("Rar!\x1a\x07\x00", 7);
const QByteArray sevenZipSignature("7z\xbc\xaf\x27\x1c", 6);

QStringList filesBelow(const QString& folder)
{
    QStringList names;
    QDirIterator it(folder, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
    while (it.hasNext())
        names.append(QDir(folder).relativeFilePath(it.next()));
    names.sort();
    return names;
}

void writeFile(const QString& path, const QByteArray& content)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(content);
}

// The scheduler with a post-processing runner that plays a script: woken
// with rescan, it takes the job the scheduler offers and, for the code it
// finds, does the scripted work and sets the scripted codes, as the real
// runner reports them (on the main thread, later).
struct JobStates : ::testing::Test, QueueStatesHarness
{
    QHash<qint64, QList<qint64>> runnerCodes;
    // Work on the job's files before the runner's last code.
    std::function<void(const QueuePtr&, qint64)> runnerWork;
    QString downloads = home.makeFolder("downloads");
    // A runner's turn still queued when the test ends is dropped.
    std::shared_ptr<int> alive_ = std::make_shared<int>(0);

    JobStates()
    {
        UserDefaults::standard().setObject(downloads, "downloadPath");
        qc.neighbours().rescan = [this] {
            calls.append("rescan");
            Dispatch::onMain([this, alive = std::weak_ptr<int>(alive_)] {
                if (!alive.expired()) runOnce();
            });
        };
        qc.neighbours().addObfuscatedControllerOperation = [this](const QueuePtr& q) {
            calls.append("obfuscation " + q->title());
            Dispatch::onMain([q] {
                q->setStatus(JobStatus::ObfuscationCheck);
                q->setStatus(JobStatus::ObfuscationCheckDone);
            });
        };
    }

    void runOnce()
    {
        const QueuePtr job = qc.getFirstRepairOrExtractObject();
        if (!job) return;
        const qint64 at = job->status();
        const QList<qint64> codes = runnerCodes.value(at);
        for (qsizetype i = 0; i < codes.size(); ++i) {
            if (i == codes.size() - 1 && runnerWork) runnerWork(job, at);
            job->setStatus(codes[i]);
        }
    }

    // The codes of a job from its first `from` on.
    QList<qint64> codesFrom(const QueuePtr& q, qint64 from) const
    {
        const QList<qint64> all = codesOf(q);
        const qsizetype i = all.indexOf(from);
        return i < 0 ? QList<qint64>() : all.mid(i);
    }

    // A job in the queue whose files are all on disk, at 17 as the parts
    // side leaves it; the content of each file comes from `content`.
    QueuePtr downloadedJob(const QString& title, const QStringList& files,
                           const std::function<QByteArray(const QString&)>& content = {})
    {
        const QueuePtr root = makeJob(title, files, 1, false);
        EXPECT_TRUE(qc.addNZBRootObjectToQueue(root));
        for (const QueuePtr& part : root->fileparts()) {
            if (part->checkbox() != 1) continue;
            writeFileOf(part, content ? content(part->filename()) : QByteArray("data"));
            part->setIsDownloaded(true);
            part->setStatus(FilePartStatus::Finished);
        }
        settle();
        // Only now: the parts' own reports would complete the job.
        for (const QueuePtr& part : root->fileparts())
            part->setDelegate(&qc);
        forgetCodes();
        return root;
    }

    RepairObjectPtr setOf(const QueuePtr& root, const QStringList& members)
    {
        const RepairObjectPtr set = RepairObject::create();
        set->setQid(root->qid());
        for (const QueuePtr& part : root->fileparts()) {
            if (part->ispar() && !FileUtils::checkIfRepairVolumeFile(part->filename()))
                set->setFilepart(part);
        }
        for (const QString& name : members) {
            const RepairObjectPtr child = RepairObject::create();
            child->setFilename(name);
            set->appendChild(child);
        }
        root->setRepairObject(set);
        return set;
    }

    bool waitForStatus(const QueuePtr& q, qint64 status)
    {
        return waitUntil(
            [&] { return q->status() == status && !codesOf(q).isEmpty() && codesOf(q).last() == status; },
            10000);
    }
};

// ---- The chain of a download

TEST_F(JobStates, ARepairedExtractedJobRunsTheWholeChainIntoItsFinalFolder)
{
    const QString final = home.makeFolder("final");
    UserDefaults::standard().setObject(final, "moveAfterDownloadPath");
    setBool("moveAfterDownload", true);
    runnerCodes = {{14, {3, 20}}, {15, {5, 21}}};
    runnerWork = [](const QueuePtr& job, qint64 at) {
        if (at != 15) return;
        writeFile(QDir(job->downloadUrl()).filePath("temp/Movie.mkv"), "movie");
        job->setRarfiles({});
        job->setDidExtractFiles(true);
    };

    const QueuePtr root = makeJob("Movie", {"Movie.part1.rar", "Movie.part2.rar", "Movie.par2"});
    root->setGroups("alt.binaries.test");
    ASSERT_TRUE(qc.addNZBRootObjectToQueue(root));
    root->setStatus(JobStatus::NZBParsed);
    settle();
    setOf(root, {"Movie.part1.rar", "Movie.part2.rar"});
    const QString folder = root->downloadUrl();
    for (const QueuePtr& part : root->fileparts())
        part->setStatus(FilePartStatus::Downloading);
    settle();
    // The writer's reports, the PAR2 file first; the set is repairable once
    // everything is in.
    for (const char* name : {"Movie.par2", "Movie.part1.rar", "Movie.part2.rar"}) {
        const QueuePtr part = partNamed(root, name);
        writeFileOf(part, QString(name).endsWith(".rar") ? rarSignature + "volume" : QByteArray("par2"));
        if (QString(name) == "Movie.part2.rar") root->setCanRepair(true);
        part->setIsDownloaded(true);
        part->setStatus(FilePartStatus::WriteFinished);
        settle();
    }
    ASSERT_TRUE(waitForStatus(root, 10));

    EXPECT_EQ(codesFrom(root, 17),
              (QList<qint64>{17, 14, 3, 20, 47, 45, 15, 5, 21, 30, 31, 32, 58, 59, 53, 38, 52, 37, 10}));
    EXPECT_EQ(root->restorePoint(), RestorePoint::Finished);
    // Its comment says that it was repaired, as a failed job's says why.
    EXPECT_EQ(root->commentTextField(), textOf(10) + " (repaired)");
    EXPECT_TRUE(root->isPreviouslyDownloaded());
    EXPECT_EQ(root->colorProgressBar(),
              UserDefaults::standard().colorForKey("ProgressBarColorProperties", "finishedColor"));
    // The archives were deleted after the extraction, the temporary folder
    // emptied into the job's, and the job's moved to the final folder.
    EXPECT_TRUE(root->downloadUrl().startsWith(final + "/"));
    EXPECT_EQ(filesBelow(root->downloadUrl()), (QStringList{"Movie.mkv", "Movie.par2"}));
    EXPECT_FALSE(QFileInfo::exists(folder));
    EXPECT_EQ(calls.count("rescan"), 2);
    EXPECT_EQ(calls.count("obfuscation Movie"), 1);
    const LogFileReader log(home.logFilePath());
    EXPECT_EQ(log.linesContaining("Moving files :: " + folder + " => " + root->downloadUrl()).size(), 1);
    EXPECT_EQ(log.linesContaining("Cleaning up the download folder :: " + folder).size(), 1);
}

TEST_F(JobStates, AWriteReportedAfterTheJobMovedOnDoesNotRunTheChainAgain)
{
    const QString final = home.makeFolder("final");
    UserDefaults::standard().setObject(final, "moveAfterDownloadPath");
    setBool("moveAfterDownload", true);
    const QueuePtr root = makeJob("Pictures", {"one.bin", "two.bin"});
    ASSERT_TRUE(qc.addNZBRootObjectToQueue(root));
    root->setStatus(JobStatus::NZBParsed);
    settle();
    const QString folder = root->downloadUrl();
    for (const QueuePtr& part : root->fileparts())
        part->setStatus(FilePartStatus::Downloading);
    settle();
    // The writer has put the second file in place (and marked it) by the
    // time the scheduler handles the first one's outcome; the second outcome
    // reaches the scheduler only after the job has moved on.
    const QueuePtr one = partNamed(root, "one.bin");
    const QueuePtr two = partNamed(root, "two.bin");
    for (const QueuePtr& part : {one, two}) {
        writeFileOf(part, part->filename().toUtf8());
        part->setIsDownloaded(true);
    }
    one->setStatus(FilePartStatus::WriteFinished);
    settle();
    two->setStatus(FilePartStatus::WriteFinished);
    ASSERT_TRUE(waitForStatus(root, 10));
    settle();

    EXPECT_EQ(codesOf(root).count(17), 1) << ::testing::PrintToString(codesOf(root));
    EXPECT_EQ(codesOf(root).count(37), 1);
    EXPECT_EQ(root->status(), JobStatus::Finished);
    EXPECT_EQ(root->downloadUrl(), final + "/Pictures");
    EXPECT_EQ(filesBelow(root->downloadUrl()), (QStringList{"one.bin", "two.bin"}));
    EXPECT_FALSE(QFileInfo::exists(folder));
    const LogFileReader log(home.logFilePath());
    EXPECT_EQ(log.linesContaining("Moving files :: " + folder).size(), 1);
}

// A job whose files came with articles missing (or failing their CRC check
// on every server) goes on to its end only where its own PAR2 set covers
// those files: the set's slice checks prove them intact, or its repair mends
// them. A damaged file no set covers stops the job at "Not enough repair
// blocks"; damage in a PAR2 volume costs only that volume's blocks.
TEST_F(JobStates, ADamagedFileGoesOnOnlyWhereItsJobsSetCoversIt)
{
    struct Case
    {
        const char* title;
        QStringList files;
        QStringList members; // of the job's set; none: no set
        const char* damaged; // the part that lost an article
        bool failedCheck;    // the article failed its CRC check rather than went missing
        bool intactByTheSet; // the set's checks found its members whole
        qint64 next;
    };
    const Case cases[] = {
        {"Lone", {"film.mkv"}, {}, "film.mkv", false, false, JobStatus::NotEnoughRepairBlocks},
        {"Pair", {"a.bin", "b.bin"}, {}, "b.bin", true, false, JobStatus::NotEnoughRepairBlocks},
        {"Outside",
         {"film.mkv", "film.nfo", "film.par2"},
         {"film.mkv"},
         "film.nfo",
         false,
         true,
         JobStatus::NotEnoughRepairBlocks},
        {"Member",
         {"film.mkv", "film.par2"},
         {"film.mkv"},
         "film.mkv",
         false,
         false,
         JobStatus::QueuedForRepair},
        {"Volume",
         {"film.mkv", "film.par2", "film.vol0+1.par2"},
         {"film.mkv"},
         "film.vol0+1.par2",
         false,
         true,
         JobStatus::Finished},
        {"Whole", {"film.mkv"}, {}, "", false, false, JobStatus::Finished},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.title);
        const QueuePtr root = downloadedJob(c.title, c.files);
        if (!c.members.isEmpty()) {
            const RepairObjectPtr set = setOf(root, c.members);
            for (const RepairObjectPtr& member : set->childs())
                partNamed(root, member->filename())->setRepairObject(member);
            root->setCanExtract(c.intactByTheSet);
            root->setCanRepair(!c.intactByTheSet);
        }
        if (const QueuePtr part = partNamed(root, c.damaged)) {
            part->setIsDownloaded(true);
            if (c.failedCheck) {
                part->incrementArticlesFailedCheck();
                root->incrementArticlesFailedCheck();
            } else {
                part->setTotalMissingArticles(1);
                root->incrementTotalMissingArticles();
            }
        }
        forgetCodes();
        root->setStatus(JobStatus::AllFilesWritten);
        EXPECT_TRUE(waitUntil([&] { return codesOf(root).contains(c.next); }, 10000))
            << ::testing::PrintToString(codesOf(root));
        EXPECT_EQ(codesOf(root).contains(JobStatus::Finished), c.next == JobStatus::Finished);
        if (c.next == JobStatus::NotEnoughRepairBlocks) {
            EXPECT_EQ(root->commentTextField(), textOf(JobStatus::NotEnoughRepairBlocks));
        }
    }
}

TEST_F(JobStates, AFinishedJobSaysHowManyArticlesFailedTheirCrcCheck)
{
    const QueuePtr intact = makeJob("Intact", {"one.bin"});
    const QueuePtr damaged = makeJob("Damaged", {"two.bin"});
    for (const QueuePtr& job : {intact, damaged})
        ASSERT_TRUE(qc.addNZBRootObjectToQueue(job));
    damaged->incrementArticlesFailedCheck();
    damaged->incrementArticlesFailedCheck();
    for (const QueuePtr& job : {intact, damaged})
        job->setStatus(JobStatus::Finished);
    settle();
    const QString finished = QCodeClass::code2Text(JobStatus::Finished).value_or(QString());
    EXPECT_EQ(intact->commentTextField(), finished);
    EXPECT_EQ(damaged->commentTextField(), finished + " (2 articles failed their CRC check)");
    const LogFileReader log(home.logFilePath());
    EXPECT_EQ(log.linesContaining("2 articles of Damaged failed their CRC check on every server").size(), 1);
}

TEST_F(JobStates, AnArchiveInsideAnArchiveIsExtractedOnTheNextPass)
{
    setBool("enableFileObfuscationCorrection", false);
    runnerCodes = {{15, {5, 21}}, {54, {55, 56}}};
    runnerWork = [](const QueuePtr& job, qint64 at) {
        const QDir temp(QDir(job->downloadUrl()).filePath("temp"));
        if (at == 15) writeFile(temp.filePath("inner.7z"), sevenZipSignature + "inner");
        if (at == 54) writeFile(temp.filePath("deep/file.txt"), "deep");
        job->setRarfiles({});
        job->setZ7files({});
        job->setDidExtractFiles(true);
    };
    const QueuePtr root = downloadedJob("Nest", {"Nest.rar", "Nest.nfo"}, [](const QString& name) {
        return name.endsWith(".rar") ? rarSignature + "outer" : QByteArray("info");
    });
    root->setStatus(JobStatus::AllFilesWritten);
    ASSERT_TRUE(waitForStatus(root, 10));
    EXPECT_EQ(codesOf(root), (QList<qint64>{17, 47, 45, 15, 5,  21, 30, 32, 58, 59, 53, 54,
                                            55, 56, 30, 32, 58, 59, 53, 38, 52, 37, 10}));
    EXPECT_EQ(filesBelow(root->downloadUrl()), (QStringList{"Nest.nfo", "file.txt"}));
    EXPECT_TRUE(root->canExtract());
}

// An archive that holds itself: each pass brings it back.
TEST_F(JobStates, NestedExtractionEndsAfterABoundedNumberOfPasses)
{
    setBool("enableFileObfuscationCorrection", false);
    setBool("enableFileReverseCorrection", false);
    runnerCodes = {{15, {5, 21}}, {54, {55, 56}}};
    runnerWork = [](const QueuePtr& job, qint64) {
        writeFile(QDir(job->downloadUrl()).filePath("temp/self.7z"), sevenZipSignature + "again");
        job->setRarfiles({});
        job->setZ7files({});
        job->setDidExtractFiles(true);
    };
    const QueuePtr root = downloadedJob("Quine", {"Quine.rar", "Quine.nfo"}, [](const QString& name) {
        return name.endsWith(".rar") ? rarSignature + "outer" : QByteArray("info");
    });
    root->setStatus(JobStatus::AllFilesWritten);
    ASSERT_TRUE(waitForStatus(root, 10));
    EXPECT_EQ(codesOf(root).count(54), QueueController::kMaxNestedExtractionPasses);
    EXPECT_EQ(codesOf(root).count(57), 1);
    EXPECT_EQ(LogFileReader(home.logFilePath()).linesContaining("Sub-extracting error for Quine").size(), 1);

    // The next download of the job starts counting again.
    writeFileOf(partNamed(root, "Quine.rar"), rarSignature + "outer");
    forgetCodes();
    root->setStatus(JobStatus::AllFilesWritten);
    ASSERT_TRUE(waitForStatus(root, 10));
    EXPECT_EQ(codesOf(root).count(54), QueueController::kMaxNestedExtractionPasses);
}

TEST_F(JobStates, ASingleFileWithoutRepairFilesEndsAtOnce)
{
    const QueuePtr root = downloadedJob("One", {"One.mkv"});
    // Cleaning the finished job away also lets go of its parts.
    const QueuePtr part = root->fileparts().first();
    root->setStatus(JobStatus::AllFilesWritten);
    settle();
    EXPECT_EQ(codesOf(root).mid(0, 2), (QList<qint64>{17, 10}));
    EXPECT_TRUE(root->isDownloaded());
    EXPECT_TRUE(root->isCancelled());
    EXPECT_EQ(part->status(), JobStatus::Idle);
    EXPECT_TRUE(QFileInfo::exists(QDir(root->downloadUrl()).filePath("One.mkv")));
}

// ---- The download-finished decisions

struct FinishedCase
{
    const char* name;
    QStringList files = {};
    bool writeFiles = true;
    bool withSet = false;
    QStringList setMembers = {};
    bool uncheckMainPar2 = false;
    bool repairAfterJoin = false;
    qint64 blocksRequired = 0;
    bool canRepair = false;
    bool canExtract = false;
    qint64 expected = 0;
};

void PrintTo(const FinishedCase& c, std::ostream* os)
{
    *os << c.name;
}

class DownloadFinished : public JobStates, public ::testing::WithParamInterface<FinishedCase>
{
};

TEST_P(DownloadFinished, TheFirstMatchingStepSetsTheNextCode)
{
    const FinishedCase& c = GetParam();
    const QueuePtr root = makeJob("F", c.files, 1, false);
    ASSERT_TRUE(qc.addNZBRootObjectToQueue(root));
    for (const QueuePtr& part : root->fileparts()) {
        if (c.uncheckMainPar2 && part->ispar()) {
            part->setCheckbox(0);
            continue;
        }
        if (part->checkbox() != 1) continue;
        if (c.writeFiles) writeFileOf(part);
        part->setIsDownloaded(true);
    }
    if (c.withSet) setOf(root, c.setMembers);
    root->setRepairAfterJoin(c.repairAfterJoin);
    root->setBlocksRequired(c.blocksRequired);
    root->setCanRepair(c.canRepair);
    root->setCanExtract(c.canExtract);
    settle();
    forgetCodes();
    for (const QueuePtr& part : root->fileparts())
        part->setDelegate(&qc);

    root->setStatus(JobStatus::AllFilesWritten);
    settle();
    ASSERT_GE(codesOf(root).size(), 2);
    EXPECT_EQ(codesOf(root)[1], c.expected);
    // Queued again (105) clears it.
    EXPECT_EQ(root->isDownloaded(), c.expected != 105);
    EXPECT_TRUE(root->isPreviouslyDownloaded());
}

INSTANTIATE_TEST_SUITE_P(
    Steps, DownloadFinished,
    ::testing::Values(
        FinishedCase{.name = "NothingOnDisk", .files = {"a.mkv"}, .writeFiles = false, .expected = 60},
        FinishedCase{.name = "MainPar2Replaced",
                     .files = {"a.mkv", "a.par2"},
                     .uncheckMainPar2 = true,
                     .expected = 105},
        FinishedCase{.name = "NoPar2Left", .files = {"a.mkv", "a.par2"}, .expected = 42},
        FinishedCase{.name = "SeveralFilesWithoutRepairFiles", .files = {"a.mkv", "a.nfo"}, .expected = 47},
        FinishedCase{.name = "OneFileWithoutRepairFiles", .files = {"a.mkv"}, .expected = 10},
        FinishedCase{.name = "PiecesJoinedBeforeRepair",
                     .files = {"a.mkv.001", "a.mkv.002", "a.par2"},
                     .withSet = true,
                     .setMembers = {"a.mkv"},
                     .expected = 47},
        FinishedCase{.name = "PiecesTheSetDescribes",
                     .files = {"a.mkv.001", "a.mkv.002", "a.par2"},
                     .withSet = true,
                     .setMembers = {"a.mkv.001", "a.mkv.002"},
                     .blocksRequired = 2,
                     .expected = 22},
        FinishedCase{.name = "AfterTheJoinNothingMissing",
                     .files = {"a.mkv.001", "a.mkv.002", "a.par2"},
                     .withSet = true,
                     .setMembers = {"a.mkv"},
                     .repairAfterJoin = true,
                     .expected = 45},
        FinishedCase{.name = "AfterTheJoinRepairable",
                     .files = {"a.mkv.001", "a.mkv.002", "a.par2"},
                     .withSet = true,
                     .setMembers = {"a.mkv"},
                     .repairAfterJoin = true,
                     .canRepair = true,
                     .expected = 14},
        FinishedCase{.name = "BlocksMissing",
                     .files = {"a.mkv", "a.nfo", "a.par2"},
                     .withSet = true,
                     .setMembers = {"a.mkv"},
                     .blocksRequired = 3,
                     .expected = 22},
        FinishedCase{.name = "Repairable",
                     .files = {"a.mkv", "a.par2"},
                     .withSet = true,
                     .setMembers = {"a.mkv"},
                     .canRepair = true,
                     .expected = 14},
        FinishedCase{.name = "Intact",
                     .files = {"a.mkv", "a.par2"},
                     .withSet = true,
                     .setMembers = {"a.mkv"},
                     .canExtract = true,
                     .expected = 47}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(JobStates, AReplacementMainPar2IsQueuedAndWithoutOneTheJobStaysAt42)
{
    const QueuePtr root = downloadedJob("Main", {"Main.mkv", "Main.par2", "Main.vol00+01.par2"});
    const QueuePtr main = partNamed(root, "Main.par2");
    main->setCheckbox(0);
    main->setIsDownloaded(false);
    root->setStatus(JobStatus::AllFilesWritten);
    settle();
    EXPECT_EQ(main->checkbox(), 1);
    EXPECT_EQ(main->status(), FilePartStatus::Queued);
    EXPECT_EQ(codesOf(root).mid(0, 2), (QList<qint64>{17, 105}));
    EXPECT_EQ(LogFileReader(home.logFilePath()).linesContaining("Making Main.par2 as main PAR2.").size(), 1);

    // The only PAR2 file arrived but could not be read as one.
    const QueuePtr none = downloadedJob("None", {"None.mkv", "None.par2"});
    none->setStatus(JobStatus::AllFilesWritten);
    settle();
    EXPECT_EQ(codesOf(none), (QList<qint64>{17, 42}));
    EXPECT_EQ(none->status(), JobStatus::NotEnoughRepairBlocks);
    EXPECT_EQ(none->commentTextField(), "All repair files are corrupt.");
    EXPECT_EQ(none->restorePoint(), RestorePoint::Error);
    EXPECT_EQ(
        LogFileReader(home.logFilePath()).linesContaining("All repair files are corrupt for :: None.").size(),
        1);
}

TEST_F(JobStates, SplitPiecesAreNamesEndingInADotAndDigits)
{
    const QueuePtr root = makeJob("S", {"a.001", "a.7z.002", "a.001.par2", "a.mkv", "a.par2"}, 1, false);
    setOf(root, {"a.mkv"});
    EXPECT_TRUE(qc.shouldJoinFilesBeforeRepair(root));
    setOf(root, {"a.7z.002"});
    EXPECT_FALSE(qc.shouldJoinFilesBeforeRepair(root));
    const QueuePtr whole = makeJob("W", {"a.001.par2", "a.mkv", "a.7z"}, 1, false);
    setOf(whole, {"a.mkv", "a.7z"});
    EXPECT_FALSE(qc.shouldJoinFilesBeforeRepair(whole));
    whole->setDelegate(&qc);
    writeFileOf(whole->fileparts().last(), sevenZipSignature + "body");
    whole->setStatus(JobStatus::PrepareJoiningFileParts);
    settle();
    // No piece: the join is skipped, and the archive is found.
    EXPECT_EQ(codesOf(whole).mid(0, 3), (QList<qint64>{47, 45, 15}));
}

// ---- More recovery blocks

struct GreedyCase
{
    const char* name;
    qint64 required;
    QStringList volumes;
    QStringList finished; // volumes already at 1010
    QStringList expectedQueued;
    qint64 expectedRequired;
    QString expectedComment;
    qint64 expectedCode; // 0: stays at 22
};

void PrintTo(const GreedyCase& c, std::ostream* os)
{
    *os << c.name;
}

class MoreBlocks : public JobStates, public ::testing::WithParamInterface<GreedyCase>
{
};

TEST_P(MoreBlocks, VolumesAreChosenFirstFitInFileOrder)
{
    const GreedyCase& c = GetParam();
    setBool("ignoreSampleFiles", true);
    QStringList files = {"R.mkv", "R.par2"};
    files += c.volumes;
    const QueuePtr root = downloadedJob("R", files);
    setOf(root, {"R.mkv"});
    for (const QString& name : c.finished)
        partNamed(root, name)->setStatus(FilePartStatus::Finished);
    root->setBlocksRequired(c.required);
    // At 22 without its handler: the choice is made below, once.
    root->setDelegate(nullptr);
    root->setStatus(JobStatus::NeedsMoreRepairBlocks);
    settle();
    root->setDelegate(&qc);

    // The choice's own comment, before the queued volumes' 105 replaces it.
    qc.queueNeedsMoreRepairBlocks(root);
    EXPECT_EQ(root->commentTextField(), c.expectedComment);
    EXPECT_EQ(root->blocksRequired(), c.expectedRequired);
    QStringList queued;
    for (const QString& name : c.volumes) {
        const QueuePtr part = partNamed(root, name);
        if (part->status() == FilePartStatus::Queued) {
            queued.append(name);
            EXPECT_EQ(part->checkbox(), 1);
        }
    }
    EXPECT_EQ(queued, c.expectedQueued);
    settle();
    // The volumes are fetched (105), or the repair is given up.
    EXPECT_EQ(codesOf(root).value(0), c.expectedCode ? c.expectedCode : 105);
    if (!c.expectedQueued.isEmpty()) {
        EXPECT_EQ(LogFileReader(home.logFilePath()).linesContaining(c.expectedComment + " for R.par2").size(),
                  1);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Choices, MoreBlocks,
    ::testing::Values(GreedyCase{"LargeEarlyVolumeFirst",
                                 12,
                                 {"R.vol00+08.par2", "R.vol08+16.par2", "R.vol24+04.par2"},
                                 {},
                                 {"R.vol00+08.par2", "R.vol08+16.par2"},
                                 -12,
                                 "Downloading 24 more repair blocks",
                                 0},
                      GreedyCase{"NotEnough",
                                 30,
                                 {"R.vol00+08.par2", "R.vol08+16.par2"},
                                 {},
                                 {},
                                 30,
                                 "Not enough repair blocks available (Requires 30 more blocks)",
                                 42},
                      GreedyCase{"FinishedAndSampleVolumesPassedOver",
                                 4,
                                 {"R.vol00+08.par2", "R-sample.vol08+16.par2", "R.vol24+04.par2"},
                                 {"R.vol00+08.par2"},
                                 {"R.vol24+04.par2"},
                                 0,
                                 "Downloading 4 more repair blocks",
                                 0}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(JobStates, WithRepairOffMoreBlocksMovesOnToJoining)
{
    setBool("enableFileRepair", false);
    const QueuePtr root = downloadedJob("Off", {"Off.mkv", "Off.par2", "Off.vol00+08.par2"});
    root->setBlocksRequired(5);
    root->setIsPaused(true);
    root->setStatus(JobStatus::NeedsMoreRepairBlocks);
    settle();
    EXPECT_EQ(codesOf(root).mid(0, 2), (QList<qint64>{22, 47}));
    EXPECT_FALSE(root->isPaused());
    // No volume is fetched.
    EXPECT_EQ(partNamed(root, "Off.vol00+08.par2")->checkbox(), 0);
    EXPECT_FALSE(codesOf(root).contains(105));
}

// ---- The step guard

TEST_F(JobStates, AStepAskedToPauseDoesNotStartAndResumeRepeatsIt)
{
    for (const qint64 step : {14, 15, 43, 54}) {
        const QueuePtr root = downloadedJob(QStringLiteral("G%1").arg(step), {"G.mkv", "G.par2"});
        root->setShouldPause(true);
        root->setStatus(step);
        settle();
        EXPECT_TRUE(root->isPaused()) << step;
        EXPECT_FALSE(calls.contains("rescan")) << step;
        EXPECT_EQ(root->commentTextField(), "(Paused) " + textOf(step)) << step;
        EXPECT_EQ(qc.getFirstRepairOrExtractObject(), nullptr);

        forgetCodes();
        qc.resumeQueueObject(root);
        settle();
        EXPECT_EQ(codesOf(root).value(0), step);
        EXPECT_TRUE(calls.contains("rescan")) << step;
        calls.clear();
        qc.removeObjectFromQueue(root);
    }
}

TEST_F(JobStates, TheRunnerGetsTheFirstJobThatIsNeitherPausedNorCancelled)
{
    QList<QueuePtr> roots;
    for (const char* title : {"a", "b", "c", "d", "e"}) {
        roots.append(makeJob(title, {}, 1, false));
        ASSERT_TRUE(qc.addNZBRootObjectToQueue(roots.last()));
    }
    for (const QueuePtr& root : roots)
        root->setDelegate(nullptr);
    roots[0]->setStatus(JobStatus::Finished);
    roots[1]->setStatus(JobStatus::QueuedForRepair);
    roots[1]->setIsPaused(true);
    roots[2]->setStatus(JobStatus::ReadyToJoinFileParts);
    roots[2]->setIsCancelled(true);
    roots[3]->setStatus(JobStatus::ReadyForDeepExtraction);
    roots[4]->setStatus(JobStatus::QueuedForExtraction);
    EXPECT_EQ(qc.getFirstRepairOrExtractObject(), roots[3]);
    roots[3]->setStatus(JobStatus::DeepExtracting);
    EXPECT_EQ(qc.getFirstRepairOrExtractObject(), roots[4]);
    roots[4]->setStatus(JobStatus::Extracting);
    EXPECT_EQ(qc.getFirstRepairOrExtractObject(), nullptr);
}

// ---- Clean-up, embedded NZB and the final move

TEST_F(JobStates, WithEveryCleanUpSwitchOffTheFolderIsLeftAlone)
{
    for (const char* key : {"enableFileRepair", "deleteUserDefinedFiles", "deleteEmptyFolders"})
        setBool(key, false);
    const QueuePtr root = downloadedJob("Keep", {"Keep.mkv", "Keep.nfo"});
    QDir(root->downloadUrl()).mkdir("empty");
    root->setStatus(JobStatus::CleaningUp);
    settle();
    EXPECT_EQ(codesOf(root).mid(0, 3), (QList<qint64>{52, 37, 10}));
    EXPECT_TRUE(QFileInfo::exists(QDir(root->downloadUrl()).filePath("empty")));
    EXPECT_TRUE(
        LogFileReader(home.logFilePath()).linesContaining("Cleaning up the download folder").isEmpty());

    // With the empty-folder switch on, the clean-up runs in the background.
    setBool("deleteEmptyFolders", true);
    forgetCodes();
    root->setStatus(JobStatus::CleaningUp);
    ASSERT_TRUE(waitForStatus(root, 10));
    EXPECT_FALSE(QFileInfo::exists(QDir(root->downloadUrl()).filePath("empty")));
}

TEST_F(JobStates, AJobOfOnlyRepairFilesThatCannotRepairSkipsTheCleanUp)
{
    const QueuePtr root = downloadedJob("Pars", {"Pars.par2"});
    root->setIsParsOnly(true);
    root->setStatus(JobStatus::CleaningUp);
    settle();
    EXPECT_EQ(codesOf(root).mid(0, 2), (QList<qint64>{52, 37}));
}

TEST_F(JobStates, AnEmbeddedNZBHoldsTheJobAtCleaningUpAndIsImported)
{
    NZBController nzbController;
    nzbController.setQueueController(&qc);
    qc.setNzbController(&nzbController);
    const QueuePtr root = downloadedJob("Outer", {"Outer.nzb", "Outer.nfo"});
    NzbFixture inner;
    inner.addFile("Inner.part1.rar").addFile("Inner.part2.rar");
    inner.write(QDir(root->downloadUrl()).filePath("Outer.nzb"));
    root->setHasEmbeddedNZB(true);
    root->setStatus(JobStatus::CleaningUp);
    settle();
    EXPECT_EQ(codesOf(root).value(0), 52);
    EXPECT_FALSE(codesOf(root).contains(37));
    const QString path = QDir(root->downloadUrl()).filePath("Outer.nzb");
    EXPECT_EQ(
        LogFileReader(home.logFilePath()).linesContaining("Parsing embedded NZB file :: " + path).size(), 1);
    ASSERT_TRUE(waitUntil([&] { return nzbController.nzbImportQueue().operationCount() == 0; }, 10000));
    settle();
    QStringList names;
    for (const QueuePtr& part : root->fileparts())
        names.append(part->filename());
    EXPECT_TRUE(names.contains("Inner.part1.rar")) << names.join(",").toStdString();
    qc.setNzbController(nullptr);
}

TEST_F(JobStates, AnEmbeddedNZBNameOutsideTheJobFolderIsNotRead)
{
    NZBController nzbController;
    nzbController.setQueueController(&qc);
    qc.setNzbController(&nzbController);
    for (const char* name : {"../Outer.nzb", "sub/Outer.nzb"}) {
        const QueuePtr root =
            makeJob(QStringLiteral("Out%1").arg(qc.queueArray().size()), {name, "x.nfo"}, 1, false);
        ASSERT_TRUE(qc.addNZBRootObjectToQueue(root));
        root->setHasEmbeddedNZB(true);
        EXPECT_FALSE(qc.processEmbeddedNZB(root)) << name;
    }
    EXPECT_TRUE(LogFileReader(home.logFilePath()).linesContaining("Parsing embedded NZB file").isEmpty());
    qc.setNzbController(nullptr);
}

TEST_F(JobStates, WithoutAFinalFolderTheFilesStayAndTheJobFinishes)
{
    setBool("moveAfterDownload", true);
    UserDefaults::standard().setObject(QString(), "moveAfterDownloadPath");
    const QueuePtr root = downloadedJob("Stay", {"Stay.mkv"});
    const QString folder = root->downloadUrl();
    root->setStatus(JobStatus::MovingToFinalDestination);
    settle();
    EXPECT_EQ(codesOf(root).mid(0, 2), (QList<qint64>{37, 10}));
    EXPECT_EQ(root->downloadUrl(), folder);
    EXPECT_TRUE(QFileInfo::exists(QDir(folder).filePath("Stay.mkv")));
    EXPECT_EQ(LogFileReader(home.logFilePath())
                  .linesContaining("Can not move files to final destination folder")
                  .size(),
              1);
}

TEST_F(JobStates, AFailedFinalMoveEndsAtMoveFilesErrorWithTheFilesKept)
{
    TmpfsMount final(home.makeFolder("final"), 64 * 1024);
    if (!final.isMounted()) GTEST_SKIP() << "no tmpfs here";
    UserDefaults::standard().setObject(final.path(), "moveAfterDownloadPath");
    setBool("moveAfterDownload", true);
    const QueuePtr root =
        downloadedJob("Big", {"Big.mkv"}, [](const QString&) { return QByteArray(512 * 1024, 'x'); });
    const QString folder = root->downloadUrl();
    root->setStatus(JobStatus::MovingToFinalDestination);
    ASSERT_TRUE(waitForStatus(root, 61));
    EXPECT_EQ(root->downloadUrl(), folder);
    EXPECT_EQ(QFileInfo(QDir(folder).filePath("Big.mkv")).size(), 512 * 1024);
    EXPECT_EQ(root->colorProgressBar(),
              UserDefaults::standard().colorForKey("ProgressBarColorProperties", "errorColor"));
    EXPECT_EQ(root->commentTextField(), textOf(61));
}

// ---- Terminal and waiting codes

struct EndCase
{
    qint64 code;
    qint64 restorePoint; // 0: unchanged
    bool paused;
    bool errorColour;
    const char* logLine; // with the title "T"
};

void PrintTo(const EndCase& c, std::ostream* os)
{
    *os << "code " << c.code;
}

class EndCodes : public JobStates, public ::testing::WithParamInterface<EndCase>
{
};

TEST_P(EndCodes, MarkTheJob)
{
    const EndCase& c = GetParam();
    const QueuePtr root = makeJob("T", {}, 1);
    root->setRestorePoint(RestorePoint::Queued);
    root->setStatus(c.code);
    settle();
    EXPECT_EQ(root->restorePoint(), c.restorePoint ? c.restorePoint : RestorePoint::Queued);
    EXPECT_EQ(root->isPaused(), c.paused);
    if (c.errorColour) {
        EXPECT_EQ(root->colorProgressBar(),
                  UserDefaults::standard().colorForKey("ProgressBarColorProperties", "errorColor"));
    }
    if (*c.logLine) {
        EXPECT_EQ(LogFileReader(home.logFilePath()).linesContaining(c.logLine).size(), 1);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Codes, EndCodes,
    ::testing::Values(EndCase{8, RestorePoint::Error, false, true, "Repair error for T"},
                      EndCase{9, RestorePoint::Error, false, true, "Extract error for T"},
                      EndCase{46, RestorePoint::Error, false, true, "Join error for T"},
                      EndCase{42, RestorePoint::Error, false, true, ""},
                      EndCase{27, RestorePoint::Error, true, true, ""},
                      EndCase{36, 0, false, true, "Corrupt file or wrong password for: T"},
                      EndCase{60, 0, false, true, ""}, EndCase{61, 0, false, true, ""},
                      EndCase{39, 0, true, false, ""}, EndCase{41, 0, true, false, ""},
                      EndCase{51, 0, true, false, ""}),
    [](const auto& info) { return std::to_string(info.param.code); });

TEST_F(JobStates, ASubExtractionErrorGoesOnWithTheNames)
{
    setBool("enableFileReverseCorrection", false);
    const QueuePtr root = downloadedJob("Sub", {"Sub.mkv"});
    root->setStatus(JobStatus::DeepExtractionError);
    settle();
    EXPECT_EQ(codesOf(root).mid(0, 3), (QList<qint64>{57, 38, 52}));
    EXPECT_EQ(LogFileReader(home.logFilePath()).linesContaining("Sub-extracting error for Sub").size(), 1);
}

TEST_F(JobStates, WhileTerminatingTheObfuscationCheckIsSkippedAndNothingElseStarts)
{
    const QueuePtr root = downloadedJob("Quit", {"Quit.mkv"});
    qc.applicationWillTerminate();
    root->setStatus(JobStatus::WaitingForObfuscationCheck);
    settle();
    EXPECT_EQ(codesOf(root).mid(0, 2), (QList<qint64>{30, 32}));
    EXPECT_FALSE(calls.contains("obfuscation Quit"));
    root->setStatus(JobStatus::ReversingFilenames);
    root->setStatus(JobStatus::MovingToFinalDestination);
    settle();
    EXPECT_FALSE(codesOf(root).contains(52));
    EXPECT_FALSE(codesOf(root).contains(10));
}

TEST_F(JobStates, AFinishedJobGetsItsNewTitleThen)
{
    const QueuePtr root = downloadedJob("Old", {"Old.mkv"});
    root->setTitleWillChange(true);
    root->setStatus(JobStatus::Finished);
    settle();
    EXPECT_EQ(calls, QStringList{"rename Old"});
    EXPECT_EQ(root->restorePoint(), RestorePoint::Finished);
    EXPECT_TRUE(root->isPreviouslyDownloaded());
    EXPECT_EQ(LogFileReader(home.logFilePath()).linesContaining("Queue Finished Old").size(), 1);

    calls.clear();
    root->setTitleWillChange(false);
    root->setStatus(JobStatus::Finished);
    settle();
    EXPECT_TRUE(calls.isEmpty());
}

TEST_F(JobStates, ACommentOnAPausedJobSaysSo)
{
    const QueuePtr root = makeJob("C", {}, 1, false);
    QueueController::setCommentTextField(root, "text");
    EXPECT_EQ(root->commentTextField(), "text");
    root->setIsPaused(true);
    QueueController::setCommentTextField(root, "text");
    EXPECT_EQ(root->commentTextField(), "(Paused) text");
}

TEST_F(JobStates, AFetchForAReplyAnnouncesItsPart)
{
    QObject owner;
    QStringList seen;
    for (const char* name : {"MSGIDDownloadedForReplyPost", "BodyDownloadedForReplyPost"}) {
        NotificationHub::defaultCenter().addObserver(name, &owner, [&seen](const Notification& n) {
            seen.append(n.name + ":" + n.userInfo.keys().join(","));
        });
    }
    const QueuePtr root = makeJob("Reply", {"body", "head"}, 1);
    root->setIsReplyPost(true);
    partNamed(root, "head")->setIsHeaderRequest(true);
    for (const QueuePtr& part : root->fileparts()) {
        part->setIsDownloaded(true);
        part->setStatus(FilePartStatus::Finished);
        settle();
    }
    EXPECT_EQ(seen, (QStringList{"BodyDownloadedForReplyPost:filepart_object",
                                 "MSGIDDownloadedForReplyPost:queueobject"}));
    EXPECT_TRUE(codesOf(root).isEmpty());
}

} // namespace
