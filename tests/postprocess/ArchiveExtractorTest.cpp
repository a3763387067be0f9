// The three extractors against scripted tools: command lines and
// environment, the result tables, progress, cancellation, the staging of
// extracted files, and the faults: nested failures, first volumes, packed
// documents, links and an unusable temporary-folder setting.
#include "core/Logger.h"
#include "platform/UserDefaults.h"
#include "postprocess/ArchiveNames.h"
#include "postprocess/JobTempFolder.h"
#include "postprocess/Un7z.h"
#include "postprocess/UnRar.h"
#include "postprocess/UnZip.h"
#include "queue/Queue.h"

#include "queue/StatusCodes.h"
#include "support/EventLoop.h"
#include "support/FakeToolFolder.h"
#include "support/LogFileReader.h"
#include "support/RecordingFileRepairExtractController.h"
#include "support/TempHome.h"
#include "support/TestFiles.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>

namespace {

void touch(const QString& path, const QByteArray& data = "x")
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(data);
}

QStringList treeOf(const QString& folder)
{
    QStringList out;
    QDir dir(folder);
    for (const QFileInfo& i : dir.entryInfoList(
             QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot, QDir::Name)) {
        out << i.fileName() + (i.isSymLink() ? "@" : i.isDir() ? "/" : "");
        if (i.isDir() && !i.isSymLink())
            for (const QString& sub : treeOf(i.filePath()))
                out << i.fileName() + "/" + sub;
    }
    return out;
}

enum class Kind { Rar, SevenZip, Zip };

struct Extract : ::testing::Test
{
    TempHome home;
    FakeToolFolder tools{home.makeFolder("helpers")};
    RecordingFileRepairExtractController runner;
    QString folder;
    QString temp;
    QueuePtr job;

    void SetUp() override
    {
        folder = home.downloadsPath() + "/Job";
        temp = folder + "/temp";
        QDir().mkpath(folder);
        job = Queue::create();
        job->setTitle("Show");
        job->setDownloadUrl(folder);
    }

    static QString toolFor(Kind k) { return k == Kind::Rar ? "unar" : "7zz"; }

    std::shared_ptr<ToolWorker> make(Kind k)
    {
        std::shared_ptr<ToolWorker> w;
        if (k == Kind::Rar)
            w = UnRar::create();
        else if (k == Kind::SevenZip)
            w = Un7z::create();
        else
            w = UnZip::create();
        w->setFileRepairExtractController(&runner);
        w->setQueue(job);
        return w;
    }

    void list(Kind k, const QStringList& names)
    {
        if (k == Kind::Rar) job->setRarfiles(names);
        if (k == Kind::SevenZip) job->setZ7files(names);
        if (k == Kind::Zip) job->setZipfiles(names);
    }

    RecordingFileRepairExtractController::Report run(Kind k)
    {
        runner.reports.clear();
        runner.comments.clear();
        std::shared_ptr<ToolWorker> w = make(k);
        w->start();
        EXPECT_TRUE(runner.waitForReports(1));
        spinEventLoop(30);
        EXPECT_EQ(runner.reports.size(), 1);
        return runner.reports.value(0);
    }

    // A tool that writes `files` (relative names, made in its working folder,
    // which must be its destination) and prints `output`.
    void writeExtractingTool(Kind k, const QStringList& files, const QByteArray& output)
    {
        QString body =
            k == Kind::Rar
                ? "D=; while [ $# -gt 0 ]; do [ \"$1\" = -o ] && { shift; D=\"$1\"; }; shift; done\n"
                : "D=; for a in \"$@\"; do case \"$a\" in -o*) D=\"${a#-o}\";; esac; done\n";
        body += "[ \"$D\" = \"$(pwd)\" ] || { echo 'not in the destination'; exit 3; }\n";
        for (const QString& f : files) {
            if (f.contains('/')) body += QString("/bin/mkdir -p \"$(/usr/bin/dirname '%1')\"\n").arg(f);
            body += QString("printf '%1' > '%1'\n").arg(f);
        }
        body += FakeToolFolder::printChunks({output}, 0);
        tools.writeTool(toolFor(k), body);
    }
};

// lsar's JSON listing of an archive with one entry; `archiveFlag` and
// `entryFlag` set "XADIsEncrypted" where lsar puts it.
QByteArray lsarListing(bool archiveFlag, bool entryFlag)
{
    return QByteArray("{\n \"lsarFormatVersion\": 2,\n \"lsarContents\": [ { \"XADFileName\": \"a.bin\"") +
           (entryFlag ? ", \"XADIsEncrypted\": 1" : "") +
           " } ],\n \"lsarFormatName\": \"RAR\",\n \"lsarProperties\": { \"XADArchiveName\": \"x.rar\"" +
           (archiveFlag ? ", \"XADIsEncrypted\": 1" : "") + " }\n}\n";
}

QByteArray successOf(Kind k)
{
    return k == Kind::Rar ? "x.rar: RAR\n  a  (1 B)... OK.\nSuccessfully extracted to \"d\".\n"
                          : "Extracting archive: x\nEverything is Ok\n";
}

} // namespace

TEST_F(Extract, CommandLinesAndEnvironment)
{
    touch(folder + "/x.rar");
    touch(folder + "/x.7z");
    touch(folder + "/x.zip");
    for (Kind k : {Kind::Rar, Kind::SevenZip, Kind::Zip}) {
        const QString archive = k == Kind::Rar ? "x.rar" : k == Kind::SevenZip ? "x.7z" : "x.zip";
        list(k, {archive});
        for (const QString& password : {QString(), QString("s3cr et")}) {
            job->setHasPassword(true); // with an empty password: no password given
            job->setPassword(password);
            tools.writePrintingTool(toolFor(k), successOf(k));
            run(k);
            const QStringList args = tools.recordedArguments(toolFor(k));
            SCOPED_TRACE(args.join(" ").toStdString());
            ASSERT_FALSE(args.isEmpty());
            const QString staging =
                k == Kind::Rar ? args.value(args.indexOf("-o") + 1) : args.value(5).mid(2);
            EXPECT_TRUE(staging.startsWith(temp + "/.extracting-")) << staging.toStdString();
            if (k == Kind::Rar) {
                QStringList expected{"-nr", "-f", "-D", "-k", "skip", "-o", staging};
                if (!password.isEmpty()) expected << "-p" << password;
                expected << folder + "/" + archive;
                EXPECT_EQ(args, expected);
            } else {
                EXPECT_EQ(args, (QStringList{"x", password.isEmpty() ? "-p-" : "-p" + password, "-bsp1", "-y",
                                             "-snl-", "-o" + staging, folder + "/" + archive}));
            }
            // Exactly LC_CTYPE=UTF-8, plus what the shell itself adds.
            QStringList env = tools.recordedEnvironment(toolFor(k));
            env.removeIf([](const QString& v) { return v.startsWith("PWD=") || v.startsWith("OLDPWD="); });
            EXPECT_EQ(env, QStringList{"LC_CTYPE=UTF-8"});
            EXPECT_FALSE(QFileInfo::exists(staging)) << "the staging folder is removed";
            EXPECT_EQ(runner.comments.value(0), "Extracting: x");
            EXPECT_EQ(runner.lastComment(), "Extraction complete.");
        }
    }
}

TEST_F(Extract, AnEmptyListReportsFailureAtOnceWithoutTool)
{
    for (Kind k : {Kind::Rar, Kind::SevenZip, Kind::Zip}) {
        tools.writePrintingTool(toolFor(k), successOf(k));
        const auto r = run(k);
        EXPECT_FALSE(r.result);
        EXPECT_TRUE(runner.comments.isEmpty());
        EXPECT_FALSE(tools.ran(toolFor(k)));
    }
    EXPECT_EQ(runner.offMainThreadCalls, 0);
}

TEST_F(Extract, NamesAndFirstVolumes)
{
    EXPECT_EQ(ArchiveNames::displayName("Show.part01.rar"), "Show");
    EXPECT_EQ(ArchiveNames::displayName("show.PART7.rar"), "show");
    EXPECT_EQ(ArchiveNames::displayName("movie.7z.001"), "movie.7z");
    EXPECT_EQ(ArchiveNames::displayName("noext"), "noext");

    for (const char* n : {"a.part02.rar", "a.part10.rar", "a.part01.rar", "a.part1.rar.bak", "b.r00", "b.r01",
                          "B.RAR", "c.7z.002", "c.7z.001", "d.r00"})
        touch(folder + "/" + QString(n));
    EXPECT_EQ(ArchiveNames::firstVolume(folder, "a.part10.rar"), "a.part01.rar");
    EXPECT_EQ(ArchiveNames::firstVolume(folder, "b.r01"), "B.RAR");
    EXPECT_EQ(ArchiveNames::firstVolume(folder, "c.7z.002"), "c.7z.001");
    EXPECT_EQ(ArchiveNames::firstVolume(folder, "d.r00"), "d.r00");
    EXPECT_EQ(ArchiveNames::firstVolume(folder, "e.rar"), "e.rar");

    // The tool is started on the first volume whatever the list holds.
    list(Kind::Rar, {"a.part02.rar"});
    tools.writePrintingTool("unar", successOf(Kind::Rar));
    run(Kind::Rar);
    EXPECT_EQ(tools.recordedArguments("unar").last(), folder + "/a.part01.rar");

    for (const char* payload : {"comic.cbz", "comic.CBR", "book.epub", "app.apk", "lib.jar", "letter.docx"})
        EXPECT_TRUE(ArchiveNames::isPayloadContainer(payload)) << payload;
    EXPECT_FALSE(ArchiveNames::isPayloadContainer("movie.zip"));
}

TEST_F(Extract, PackedDocumentsAreNotUnpacked)
{
    touch(folder + "/comic.cbz", "PK\x03\x04");
    list(Kind::Zip, {"comic.cbz"});
    tools.writePrintingTool("7zz", successOf(Kind::Zip));
    const auto r = run(Kind::Zip);
    EXPECT_TRUE(r.result); // the job goes on
    EXPECT_FALSE(tools.ran("7zz"));
    EXPECT_TRUE(QFile::exists(folder + "/comic.cbz"));
}

TEST_F(Extract, ResultTables)
{
    struct Case
    {
        Kind kind;
        QByteArray output;
        bool result;
        QString comment;
        qint64 status; // 5: untouched
        bool disk;
    };
    const QList<Case> cases = {
        // unar
        {Kind::Rar, successOf(Kind::Rar), true, "Extraction complete.", 5, false},
        {Kind::Rar, "  a  (9 B)... Failed! (Failed to write to file)\n", false, "Read/Write error.", 5, true},
        {Kind::Rar, "write: No space left on device\nSuccessfully extracted to \"d\".\n", false,
         "No disk space left on target device.", 5, true},
        {Kind::Rar, "x.rar: This archive requires a password to unpack. Use the -p option to provide one.\n",
         false, "Cannot open encrypted archive.", 36, false},
        {Kind::Rar, "  a.bin  (50000 B)... Failed! (Wrong checksum)\nExtraction to directory \"o\" failed\n",
         false, "Corrupt file or wrong password.", 36, false},
        {Kind::Rar, "Archive parsing failed! (Attempted to read more data than was available.)\n", false,
         "Corrupt file or wrong password.", 36, false},
        {Kind::Rar, "Archive parsing failed! (Missing or wrong password.)\n", false, "Wrong password.", 36,
         false},
        {Kind::Rar, "  a  (9 B)... Failed! (Attempted to read more data than was available)\n", false,
         "The archive is incomplete.", 5, false},
        {Kind::Rar, "x.rar: Couldn't open archive. (Opening file failed.)\n", false,
         "The archive is incomplete.", 5, false},
        {Kind::Rar, "something else\n", false, "Extracting: x", 5, false},
        // 7zz, the same for 7z and zip
        {Kind::SevenZip, successOf(Kind::SevenZip), true, "Extraction complete.", 5, false},
        {Kind::Zip, "System ERROR:\nerrno=28 : No space left on device\nEverything is Ok\n", false,
         "No disk space left on target device.", 5, true},
        {Kind::SevenZip,
         "ERROR: Data Error in encrypted file. Wrong password? : f1.bin\nArchives with Errors: 1\n", false,
         "Wrong password.", 36, false},
        {Kind::SevenZip, "ERROR: x.7z\nCannot open encrypted archive. Wrong password?\n", false,
         "Wrong password.", 36, false},
        {Kind::Zip, "ERROR: Wrong password : f1.bin\n", false, "Wrong password.", 36, false},
        {Kind::Zip, "ERROR: E_FAIL\n", false, "Wrong password.", 36, false},
        {Kind::SevenZip, "ERROR: CRC Failed : f1.bin\nSub items Errors: 1\nArchives with Errors: 1\n", false,
         "Unable to extract. Archive is most likely corrupt.", 5, false},
        {Kind::SevenZip, "Open ERROR: Cannot open the file as [7z] archive\nUnexpected end of archive\n",
         false, "The archive is incomplete.", 5, false},
        {Kind::Zip, "Can't open as archive: 1\n", false, "The archive is corrupt.", 5, false},
        {Kind::Zip, "No files to process\nEverything is Ok\n", true, "Extraction complete.", 5, false},
    };
    touch(folder + "/x.rar");
    touch(folder + "/x.7z");
    touch(folder + "/x.zip");
    // The lister finds the archive encrypted: unar's texts that cannot tell
    // damage from a wrong password stay a password question.
    tools.writePrintingTool("lsar", lsarListing(true, true));
    job->setRarfiles({"x.rar"});
    job->setZ7files({"x.7z"});
    job->setZipfiles({"x.zip"});
    for (const Case& c : cases) {
        SCOPED_TRACE(c.output.toStdString());
        job->setStatus(JobStatus::Extracting);
        job->setIsPaused(false);
        job->setDiskNotReady(false);
        tools.writePrintingTool(toolFor(c.kind), c.output);
        const auto r = run(c.kind);
        EXPECT_EQ(r.result, c.result);
        EXPECT_EQ(runner.lastComment(), c.comment) << runner.comments.join(" | ").toStdString();
        spinEventLoop(10);
        EXPECT_EQ(job->status(), c.status);
        EXPECT_EQ(job->diskNotReady(), c.disk);
        EXPECT_EQ(job->isPaused(), c.disk);
    }
}

TEST_F(Extract, Percentages)
{
    struct Case
    {
        Kind kind;
        QByteArray chunk;
        qint64 expected; // -1: unchanged
    };
    const QList<Case> cases = {
        {Kind::Rar, "Extracting  a ... 45%", 45}, {Kind::SevenZip, "Extracting  a ... 45%", 45},
        {Kind::Zip, "Extracting  a ... 45%", 45}, {Kind::Rar, " 45% 12 - a.bin", -1},
        {Kind::SevenZip, " 45% 12 - a.bin", 45},  {Kind::Zip, "  0%\b\b\b\b    \b\b\b\b 45% 1 - a", 0},
    };
    touch(folder + "/x.rar");
    touch(folder + "/x.7z");
    job->setRarfiles({"x.rar"});
    job->setZ7files({"x.7z"});
    job->setZipfiles({"x.7z"});
    for (const Case& c : cases) {
        SCOPED_TRACE(c.chunk.toStdString());
        job->setPercentExtracted(77);
        // The chunk alone, then a pause so that it arrives by itself.
        tools.writeTool(toolFor(c.kind), FakeToolFolder::printChunks({c.chunk}, 0) + "/bin/sleep 0.4\n");
        run(c.kind);
        EXPECT_EQ(job->percentExtracted(), c.expected < 0 ? 77 : c.expected);
    }
}

TEST_F(Extract, PausingEndsTheToolAndTheRunReportsFailureOnce)
{
    touch(folder + "/x.7z");
    job->setZ7files({"x.7z"});
    tools.writeTool("7zz", "printf '  0%%'\nprintf 'partial' > part.bin\n/bin/sleep 60\n");
    QElapsedTimer t;
    t.start();
    std::shared_ptr<ToolWorker> w = make(Kind::SevenZip);
    w->start();
    ASSERT_TRUE(waitUntil([&] { return tools.ran("7zz"); }, 10000));
    spinEventLoop(300);
    job->setIsPaused(true);
    ASSERT_TRUE(runner.waitForReports(1, 10000));
    spinEventLoop(300);
    EXPECT_LT(t.elapsed(), 8000);
    EXPECT_EQ(runner.reports.size(), 1);
    EXPECT_FALSE(runner.reports[0].result);
    EXPECT_EQ(runner.lastComment(), "Extraction cancelled.");
    // What the cancelled run wrote is gone.
    EXPECT_EQ(treeOf(temp), QStringList());
}

TEST_F(Extract, SuccessMovesTheFilesInWithoutReplacingAnything)
{
    touch(folder + "/x.zip");
    job->setZipfiles({"x.zip"});
    touch(temp + "/a.txt", "earlier");
    writeExtractingTool(Kind::Zip, {"a.txt", "dir/b.txt", ".nfo"}, successOf(Kind::Zip));
    ASSERT_TRUE(run(Kind::Zip).result);
    EXPECT_EQ(treeOf(temp), (QStringList{".nfo", "a.1.txt", "a.txt", "dir/", "dir/b.txt"}));
    EXPECT_EQ(fileBytes(temp + "/a.txt"), "earlier");
    EXPECT_EQ(fileBytes(temp + "/a.1.txt"), "a.txt");
}

TEST_F(Extract, ARunCutShortLeavesNothingTheNextRunDoublesOrKeeps)
{
    // The program was killed while the tool wrote into its staging folder,
    // after an earlier archive of the pass had moved its file in.
    touch(folder + "/x.zip");
    job->setZipfiles({"x.zip"});
    touch(temp + "/a.txt", "a.txt");
    touch(temp + "/.extracting-Zz9Yy8/dir/b.txt", "dir/b");
    writeExtractingTool(Kind::Zip, {"a.txt", "dir/b.txt"}, successOf(Kind::Zip));
    ASSERT_TRUE(run(Kind::Zip).result);
    EXPECT_EQ(treeOf(temp), (QStringList{"a.txt", "dir/", "dir/b.txt"}));
    EXPECT_EQ(fileBytes(temp + "/dir/b.txt"), "dir/b.txt");
}

TEST_F(Extract, AFailedNestedRunRemovesOnlyItsOwnOutput)
{
    // The first pass left its files in the temporary folder.
    touch(temp + "/movie.mkv", "first pass");
    touch(temp + "/inner.zip");
    touch(folder + "/inner.zip");
    job->setZipfiles({"inner.zip"});
    job->setStatus(JobStatus::DeepExtracting);
    writeExtractingTool(Kind::Zip, {"half.bin"}, "ERROR: CRC Failed : half.bin\nArchives with Errors: 1\n");
    EXPECT_FALSE(run(Kind::Zip).result);
    EXPECT_EQ(treeOf(temp), (QStringList{"inner.zip", "movie.mkv"}));
    // The runner's clean-up after the failure keeps them too.
    JobTempFolder::deleteTempFolder(folder);
    EXPECT_EQ(fileBytes(temp + "/movie.mkv"), "first pass");

    // With nothing extracted before, the clean-up removes the folder.
    const QString other = home.downloadsPath() + "/Other";
    QDir().mkpath(other + "/temp/.extracting-abc123/x");
    JobTempFolder::deleteTempFolder(other);
    EXPECT_FALSE(QFileInfo::exists(other + "/temp"));
    EXPECT_TRUE(QFileInfo::exists(other));
}

TEST_F(Extract, LinksFromTheArchiveAreRemoved)
{
    touch(folder + "/x.rar");
    job->setRarfiles({"x.rar"});
    const QString outside = home.makeFolder("outside");
    touch(outside + "/keep.txt", "keep");
    tools.writeTool("unar",
                    QString("printf 'data' > real.txt\n/bin/ln -s '%1' escape\n/bin/ln -s real.txt rel\n"
                            "/usr/bin/mkfifo pipe\n")
                            .arg(outside) +
                        FakeToolFolder::printChunks({successOf(Kind::Rar)}, 0));
    ASSERT_TRUE(run(Kind::Rar).result);
    EXPECT_EQ(treeOf(temp), QStringList{"real.txt"});
    EXPECT_EQ(fileBytes(outside + "/keep.txt"), "keep");
}

TEST_F(Extract, WithoutRecursionRarFilesLandAtTheTop)
{
    UserDefaults::standard().setBool(false, "enableRecursiveExtraction");
    touch(folder + "/x.rar");
    job->setRarfiles({"x.rar"});
    writeExtractingTool(Kind::Rar, {"top.txt", "d1/top.txt", "d1/d2/deep.txt"}, successOf(Kind::Rar));
    ASSERT_TRUE(run(Kind::Rar).result);
    EXPECT_EQ(treeOf(temp), (QStringList{"deep.txt", "top.1.txt", "top.txt"}));

    // The 7-Zip tools keep the folders.
    QDir(temp).removeRecursively();
    touch(folder + "/x.7z");
    job->setZ7files({"x.7z"});
    writeExtractingTool(Kind::SevenZip, {"d1/deep.txt"}, successOf(Kind::SevenZip));
    ASSERT_TRUE(run(Kind::SevenZip).result);
    EXPECT_EQ(treeOf(temp), (QStringList{"d1/", "d1/deep.txt"}));
}

TEST_F(Extract, AnUnusableTempFolderSettingStopsBeforeTheTool)
{
    touch(folder + "/x.zip");
    touch(folder + "/keep.bin", "keep");
    job->setZipfiles({"x.zip"});
    tools.writePrintingTool("7zz", successOf(Kind::Zip));
    for (const QString& value :
         {QString(""), QString("."), QString(".."), QString("../elsewhere"), QString("a/b")}) {
        SCOPED_TRACE(value.toStdString());
        UserDefaults::standard().setString(value, "tempFolder");
        job->setStatus(JobStatus::Extracting);
        const auto r = run(Kind::Zip);
        EXPECT_FALSE(r.result);
        EXPECT_EQ(job->status(), JobStatus::ExtractingNotPossible);
        EXPECT_FALSE(tools.ran("7zz"));
        // The clean-up after it cannot reach the job folder.
        JobTempFolder::deleteTempFolder(folder);
        EXPECT_EQ(fileBytes(folder + "/keep.bin"), "keep");
        EXPECT_EQ(fileBytes(folder + "/x.zip"), "x");
    }
}

TEST_F(Extract, LogBlock)
{
    touch(folder + "/Show.part01.rar");
    job->setRarfiles({"Show.part01.rar"});
    tools.writePrintingTool("unar", successOf(Kind::Rar));
    run(Kind::Rar);
    Logger::shared()->flush();
    const QStringList lines = LogFileReader(home.logFilePath()).lines();
    const qsizetype at = lines.indexOf(*std::find_if(
        lines.begin(), lines.end(), [](const QString& l) { return l.endsWith("Extract result :: Show"); }));
    ASSERT_GE(at, 1) << lines.join("\n").toStdString();
    EXPECT_TRUE(lines.value(at + 2).endsWith(" * RAR file\t\t: Show.part01.rar"));
    EXPECT_TRUE(lines.value(at + 3).endsWith(" * Result\t\t: Extraction complete."));
    EXPECT_TRUE(lines.value(at + 4).contains(" * Extract time\t: "));
    EXPECT_TRUE(lines.value(at + 5).endsWith("-"));
    EXPECT_TRUE(runner.comments.contains("Extracting: Show"));
}

TEST_F(Extract, UnarFailuresThatCannotTellAreSettledByTheArchivesEncryption)
{
    touch(folder + "/x.rar");
    job->setRarfiles({"x.rar"});
    const QByteArray checksum = "  a.bin  (50000 B)... Failed! (Wrong checksum)\nExtraction to directory \"o\" failed\n";
    const QByteArray parsing = "Archive parsing failed! (Attempted to read more data than was available.)\n";
    struct Case
    {
        QByteArray unarOutput;
        QString lsarBody; // shell text of the fake lister
        QString comment;
        qint64 status;
    };
    const QString corrupt = "The archive is corrupt.", ambiguous = "Corrupt file or wrong password.";
    auto printing = [](const QByteArray& out) { return FakeToolFolder::printChunks({out}, 0); };
    const QList<Case> cases = {
        // No encryption anywhere: damage or a missing volume, never a password.
        {checksum, printing(lsarListing(false, false)), corrupt, JobStatus::Extracting},
        {parsing, printing(lsarListing(false, false)), corrupt, JobStatus::Extracting},
        // Encrypted data (flag on the entry or on the archive) or headers.
        {checksum, printing(lsarListing(false, true)), ambiguous, JobStatus::CorruptFileOrWrongPassword},
        {checksum, printing(lsarListing(true, false)), ambiguous, JobStatus::CorruptFileOrWrongPassword},
        {parsing,
         "echo 'This archive requires a password to unpack. Use the -p option to provide one.' >&2\n" +
             printing("{\n  \"lsarFormatVersion\": 2,\n  \"lsarContents\": ["),
         ambiguous, JobStatus::CorruptFileOrWrongPassword},
        // Nobody can tell: as before, the user is asked.
        {checksum, printing("lsar: something unexpected\n"), ambiguous, JobStatus::CorruptFileOrWrongPassword},
        {checksum, "kill -9 $$\n", ambiguous, JobStatus::CorruptFileOrWrongPassword},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.lsarBody.toStdString());
        job->setStatus(JobStatus::Extracting);
        tools.writePrintingTool("unar", c.unarOutput, 1);
        tools.writeTool("lsar", c.lsarBody);
        const auto r = run(Kind::Rar);
        EXPECT_FALSE(r.result);
        EXPECT_EQ(runner.lastComment(), c.comment) << runner.comments.join(" | ").toStdString();
        spinEventLoop(10);
        EXPECT_EQ(job->status(), c.status);
        // The lister is asked about the archive the run extracted, and only
        // for its listing.
        EXPECT_EQ(tools.recordedArguments("lsar"), QStringList({"-j", folder + "/x.rar"}));
        QStringList env = tools.recordedEnvironment("lsar");
        env.removeIf([](const QString& v) { return v.startsWith("PWD=") || v.startsWith("OLDPWD="); });
        EXPECT_EQ(env, QStringList{"LC_CTYPE=UTF-8"});
    }
}
