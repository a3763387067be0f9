// Name correction from PAR2 data: files whose first 16 KiB match a file
// description get its name, in their own folder, never over another file and
// never outside it; PAR2 sets hand-made (for names the real par2 would not
// write) and made by the real par2.
#include "postprocess/ObfuscatedController.h"

#include "core/Logger.h"

#include "platform/SerialQueue.h"
#include "platform/UserDefaults.h"
#include "queue/Queue.h"

#include "support/EventLoop.h"
#include "support/HandMadePar2Set.h"
#include "support/LogFileReader.h"
#include "support/Par2SetMaker.h"
#include "support/StatusRecordingJobList.h"
#include "support/TempHome.h"
#include "support/TestFiles.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <sys/stat.h>

namespace {

QByteArray content(int size, int seed)
{
    QByteArray b(size, '\0');
    quint32 x = quint32(seed) * 2654435761u + 7;
    for (int i = 0; i < size; ++i) {
        x = x * 1103515245u + 12345u;
        b[i] = char(x >> 24);
    }
    return b;
}

bool write(const QString& path, const QByteArray& data)
{
    QDir().mkpath(QFileInfo(path).path());
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(data) == data.size();
}

// Every file below `folder`, relative to it, sorted.
QStringList filesBelow(const QString& folder)
{
    QStringList out;
    const QDir root(folder);
    std::function<void(const QString&)> walk = [&](const QString& dir) {
        for (const QFileInfo& i :
             QDir(dir).entryInfoList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot, QDir::Name)) {
            if (i.isDir() && !i.isSymLink())
                walk(i.filePath());
            else
                out << root.relativeFilePath(i.filePath());
        }
    };
    walk(folder);
    out.sort();
    return out;
}

struct NameCorrection : ::testing::Test
{
    TempHome home;
    StatusRecordingJobList jobs;
    SerialQueue filenameQueue{"filenameControllerQueue"};
    QString folder, temp;
    QueuePtr job;
    const QByteArray movie = content(40000, 1), sample = content(5000, 2);

    void SetUp() override
    {
        folder = home.downloadsPath() + "/Job";
        temp = folder + "/temp";
        QDir().mkpath(temp);
        job = jobs.addJob("Job", folder, 30);
    }

    void writeIndex(const QString& path, const QList<HandMadePar2Set::Member>& members)
    {
        ASSERT_TRUE(write(path, HandMadePar2Set::index(4096, members)));
    }

    // Runs the step on the file-name queue, as the scheduler does, and waits
    // for its last status report.
    void correct()
    {
        ObfuscatedController::addOperation(filenameQueue, job);
        filenameQueue.waitUntilAllOperationsAreFinished();
        ASSERT_TRUE(waitUntil([&] { return jobs.statuses(job).endsWith(32); }, 5000));
    }

    QStringList log(const QString& text) const
    {
        Logger::shared()->flush();
        return LogFileReader(home.logFilePath()).linesContaining(text);
    }
};

} // namespace

TEST_F(NameCorrection, WithoutPar2FilesNothingChanges)
{
    ASSERT_TRUE(write(temp + "/a1b2c3", movie));
    correct();
    EXPECT_EQ(jobs.statuses(job), (QList<qint64>{30, 31, 32}));
    EXPECT_EQ(filesBelow(temp), QStringList{"a1b2c3"});
}

TEST_F(NameCorrection, WithoutADownloadFolderTheStepEndsAtOnce)
{
    job->setDownloadUrl(QString());
    correct();
    EXPECT_EQ(jobs.statuses(job), (QList<qint64>{30, 31, 32}));
}

TEST_F(NameCorrection, MatchingFilesGetTheirProperNamesInTheirOwnFolder)
{
    writeIndex(temp + "/set.par2", {{"movie.mkv", movie}, {"sample.mkv", sample}, {"proper.nfo", "nfo\n"}});
    ASSERT_TRUE(write(temp + "/a1b2c3", movie));
    ASSERT_TRUE(write(temp + "/sub/zz99", sample));
    ASSERT_TRUE(write(temp + "/proper.nfo", "nfo\n"));
    ASSERT_TRUE(write(temp + "/unrelated.txt", "other"));
    correct();

    EXPECT_EQ(filesBelow(temp),
              (QStringList{"movie.mkv", "proper.nfo", "set.par2", "sub/sample.mkv", "unrelated.txt"}));
    EXPECT_EQ(fileBytes(temp + "/movie.mkv"), movie);
    EXPECT_EQ(fileBytes(temp + "/sub/sample.mkv"), sample);
    const QStringList renamed = log("Renaming ");
    ASSERT_EQ(renamed.size(), 2) << renamed.join("\n").toStdString();
    EXPECT_TRUE(renamed.filter("[INFO]").size() == 2);
    EXPECT_EQ(log("Renaming a1b2c3 => movie.mkv").size(), 1);
    EXPECT_EQ(log("Renaming zz99 => sample.mkv").size(), 1);
    // A file that already has its name is left without a line.
    EXPECT_TRUE(log("=> proper.nfo").isEmpty());
    EXPECT_EQ(log(temp + "/unrelated.txt was not found in par2 file or md5 did not match.").size(), 1);
}

TEST_F(NameCorrection, AnExistingFileIsNeverReplaced)
{
    writeIndex(temp + "/set.par2", {{"movie.mkv", movie}});
    ASSERT_TRUE(write(temp + "/a1b2c3", movie));
    ASSERT_TRUE(write(temp + "/movie.mkv", "someone else's"));
    correct();
    EXPECT_EQ(fileBytes(temp + "/a1b2c3"), movie);
    EXPECT_EQ(fileBytes(temp + "/movie.mkv"), "someone else's");
    const QStringList warnings = log("[WARN]");
    ASSERT_EQ(warnings.size(), 1);
    EXPECT_TRUE(warnings.first().contains(temp + "/a1b2c3 => " + temp + "/movie.mkv"));
}

TEST_F(NameCorrection, NamesFromThePar2FileNeverLeaveTheFilesFolder)
{
    const QByteArray a = content(3000, 3), b = content(3000, 4), c = content(3000, 5), d = content(3000, 6);
    writeIndex(temp + "/set.par2",
               {{"../../escape.bin", a}, {"/tmp/absolute.bin", b}, {"..", c}, {"deep/er/name.bin", d}});
    ASSERT_TRUE(write(temp + "/f1", a));
    ASSERT_TRUE(write(temp + "/f2", b));
    ASSERT_TRUE(write(temp + "/f3", c));
    ASSERT_TRUE(write(temp + "/f4", d));
    const bool absoluteBefore = QFileInfo::exists("/tmp/absolute.bin");
    correct();
    EXPECT_EQ(filesBelow(home.downloadsPath()),
              (QStringList{"Job/temp/absolute.bin", "Job/temp/escape.bin", "Job/temp/f3", "Job/temp/name.bin",
                           "Job/temp/set.par2"}));
    EXPECT_EQ(QFileInfo::exists("/tmp/absolute.bin"), absoluteBefore);
}

TEST_F(NameCorrection, LinksAndSpecialFilesAreLeftAlone)
{
    writeIndex(temp + "/set.par2", {{"movie.mkv", movie}});
    ASSERT_TRUE(write(home.path() + "/elsewhere", movie));
    ASSERT_TRUE(QFile::link(home.path() + "/elsewhere", temp + "/link"));
    // A PAR2 file reached through a link is not read either, and a pipe
    // under a PAR2 name must not block the step.
    writeIndex(home.path() + "/outside.par2", {{"other.mkv", sample}});
    ASSERT_TRUE(QFile::link(home.path() + "/outside.par2", temp + "/linked.par2"));
    ASSERT_TRUE(write(temp + "/s1", sample));
    ASSERT_EQ(::mkfifo(QFile::encodeName(temp + "/pipe.par2").constData(), 0600), 0);
    correct();
    EXPECT_TRUE(QFileInfo(temp + "/link").isSymLink());
    EXPECT_FALSE(QFileInfo::exists(temp + "/movie.mkv"));
    EXPECT_TRUE(QFileInfo::exists(temp + "/s1"));
}

TEST_F(NameCorrection, TheTemporaryFolderSetting)
{
    // The obfuscated file lies in the job folder; a PAR2 file and another
    // in the folder above it.
    writeIndex(folder + "/set.par2", {{"movie.mkv", movie}});
    ASSERT_TRUE(write(folder + "/a1b2c3", movie));
    writeIndex(home.downloadsPath() + "/up.par2", {{"upper.mkv", sample}});
    ASSERT_TRUE(write(home.downloadsPath() + "/u1", sample));

    // A setting that is not one folder name never leads outside the job.
    UserDefaults::standard().setObject(QStringLiteral(".."), "tempFolder");
    correct();
    EXPECT_TRUE(QFileInfo::exists(home.downloadsPath() + "/u1"));
    EXPECT_TRUE(QFileInfo::exists(folder + "/a1b2c3"));

    // Unset: the job folder itself.
    UserDefaults::standard().setObject(QString(), "tempFolder");
    correct();
    EXPECT_EQ(fileBytes(folder + "/movie.mkv"), movie);
    EXPECT_TRUE(QFileInfo::exists(home.downloadsPath() + "/u1"));
}

TEST_F(NameCorrection, TwoPar2FilesOfOneSetFromTheRealPar2)
{
    if (!Par2SetMaker::isAvailable()) GTEST_SKIP() << "par2 is not installed";
    ASSERT_TRUE(Par2SetMaker::writeFiles(temp, {{"movie.mkv", 50000}, {"extras.bin", 9000}}, 9));
    const QStringList made = Par2SetMaker::create(temp, "set", {"movie.mkv", "extras.bin"}, 4096, 4);
    ASSERT_GE(made.size(), 2); // the index and at least one volume
    const QByteArray movieBytes = fileBytes(temp + "/movie.mkv");
    ASSERT_TRUE(QFile::rename(temp + "/movie.mkv", temp + "/x7f3"));
    ASSERT_TRUE(QFile::rename(temp + "/extras.bin", temp + "/x9a1"));
    correct();
    EXPECT_EQ(fileBytes(temp + "/movie.mkv"), movieBytes);
    EXPECT_TRUE(QFileInfo::exists(temp + "/extras.bin"));
    EXPECT_FALSE(QFileInfo::exists(temp + "/x7f3"));
    // Each file is renamed once, whatever the number of PAR2 files.
    EXPECT_EQ(log("Renaming ").size(), 2);
}

TEST_F(NameCorrection, EachPar2FileIsUsedOnItsOwn)
{
    // Two sets (hand-made, so under one set ID) and an unreadable PAR2 file.
    writeIndex(temp + "/one.par2", {{"movie.mkv", movie}});
    writeIndex(temp + "/two.par2", {{"sample.mkv", sample}});
    ASSERT_TRUE(write(temp + "/broken.par2", "PAR2\0PKT but nothing more"));
    ASSERT_TRUE(write(temp + "/a1", movie));
    ASSERT_TRUE(write(temp + "/b2", sample));
    correct();
    EXPECT_EQ(filesBelow(temp),
              (QStringList{"broken.par2", "movie.mkv", "one.par2", "sample.mkv", "two.par2"}));
}
