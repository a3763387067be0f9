#include "core/FileUtils.h"
#include "platform/UserDefaults.h"
#include "postprocess/CleanupItem.h"
#include "postprocess/RepairObject.h"
#include "queue/Queue.h"

#include "queue/QueueFileUtils.h"
#include "support/ArchiveFixtureBuilder.h"
#include "support/LogFileReader.h"
#include "support/TempHome.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFileInfo>

namespace {

const QByteArray kZip = QByteArray("PK\x03\x04", 4) + QByteArray(60, 'z');
const QByteArray k7z = QByteArray("7z\xBC\xAF\x27\x1C", 6) + QByteArray(58, '7');

struct JobFiles : ::testing::Test
{
    TempHome home;
    QString folder = home.makeFolder("Downloads/Job");
    QueuePtr job = Queue::create();

    void SetUp() override { job->setDownloadUrl(folder); }

    QString put(const QString& name, const QByteArray& data = "plain text, no archive")
    {
        const QString path = QDir(folder).filePath(name);
        QDir().mkpath(QFileInfo(path).path());
        EXPECT_TRUE(ArchiveFixtureBuilder::writeFile(path, data));
        return path;
    }
    bool has(const QString& name) const { return QFileInfo::exists(QDir(folder).filePath(name)); }

    QueuePtr addPart(const QString& name, qint64 checkbox = 0)
    {
        const QueuePtr part = Queue::create();
        part->setIsFilepart(true);
        part->setQueue(job);
        part->setFilename(name);
        part->setIspar(FileUtils::checkIfPar2File(name));
        part->setCheckbox(checkbox);
        job->appendFilepart(part);
        return part;
    }
};

TEST_F(JobFiles, ArchiveSetsStartAtTheirFirstVolume)
{
    const QByteArray rar = ArchiveFixtureBuilder::rar4Header() + QByteArray(40, 'r');
    // The parts in the order a sort by name gives: part10 before part2,
    // .r00 before .rar.
    for (int n : {1, 10, 2, 3, 4, 5, 6, 7, 8, 9})
        addPart(put(QStringLiteral("a.part%1.rar").arg(n), rar).section('/', -1));
    for (const char* name : {"movie.r00", "movie.r01", "movie.rar"})
        addPart(put(name, rar).section('/', -1));
    addPart(put("b.7z.001", k7z).section('/', -1));
    addPart(put("b.7z.002", "second piece, no signature").section('/', -1));
    addPart(put("c.zip", kZip).section('/', -1));
    addPart(put("new.part02.rar", ArchiveFixtureBuilder::rar5Header()).section('/', -1));
    addPart(put("new.part01.rar", ArchiveFixtureBuilder::rar5Header()).section('/', -1));
    // Containers that are the payload, and files that are no archive.
    addPart(put("comic.cbz", kZip).section('/', -1));
    addPart(put("app.apk", kZip).section('/', -1));
    addPart(put("book.epub", kZip).section('/', -1));
    addPart(put("readme.txt").section('/', -1));
    addPart("missing.rar");
    addPart("../Job/c.zip");
    job->setRarfiles({"stale.rar"});

    QueueFileUtils::filterFilesToExtract(job);
    EXPECT_EQ(job->rarfiles(), (QStringList{"a.part1.rar", "movie.rar", "new.part01.rar"}));
    EXPECT_EQ(job->z7files(), QStringList{"b.7z.001"});
    EXPECT_EQ(job->zipfiles(), QStringList{"c.zip"});
}

TEST_F(JobFiles, TheRecoverySetNamesTheCandidatesWhenThereIsOne)
{
    put("inset.zip", kZip);
    put("notinset.zip", kZip);
    addPart("notinset.zip");
    const RepairObjectPtr set = RepairObject::create();
    const RepairObjectPtr child = RepairObject::create();
    child->setFilename("inset.zip");
    set->appendChild(child);
    job->setRepairObject(set);
    QueueFileUtils::filterFilesToExtract(job);
    EXPECT_EQ(job->zipfiles(), QStringList{"inset.zip"});
}

TEST_F(JobFiles, NestedArchivesAreFoundInTheFolder)
{
    put("inner.7z", k7z);
    put("inner2.zip", kZip);
    put(".hidden.zip", kZip);
    put("sub/deeper.zip", kZip);
    put("video.mkv");
    QueueFileUtils::searchSubArchivesForQueue(job);
    EXPECT_EQ(job->z7files(), QStringList{"inner.7z"});
    EXPECT_EQ(job->zipfiles(), QStringList{"inner2.zip"});
    EXPECT_TRUE(job->rarfiles().isEmpty());
}

TEST_F(JobFiles, ArchiveFilesAreDeletedButPayloadsStay)
{
    put("a.part1.rar", ArchiveFixtureBuilder::rar4Header());
    put("b.7z.001", k7z);
    put("b.7z.002", "no signature");
    put("c.zip", kZip);
    put("comic.cbz", kZip);
    put("movie.mkv");
    QueueFileUtils::deleteArchiveFilesForQueue(job);
    EXPECT_FALSE(has("a.part1.rar"));
    EXPECT_FALSE(has("b.7z.001"));
    EXPECT_FALSE(has("c.zip"));
    EXPECT_TRUE(has("b.7z.002"));
    EXPECT_TRUE(has("comic.cbz"));
    EXPECT_TRUE(has("movie.mkv"));
}

TEST_F(JobFiles, RepairLeftoversAndRepairFiles)
{
    put("movie.mkv.1");
    put("movie.mkv");
    put("source.c");
    put("set.par2");
    put("SET.VOL00+01.PAR2");
    put("sub/other.par2");
    QueueFileUtils::deleteTempRepareFilesForQueue(job);
    EXPECT_FALSE(has("movie.mkv.1"));
    EXPECT_TRUE(has("source.c"));
    EXPECT_TRUE(has("movie.mkv"));
    QueueFileUtils::deleteRepairFilesForQueue(job);
    EXPECT_FALSE(has("set.par2"));
    EXPECT_FALSE(has("SET.VOL00+01.PAR2"));
    EXPECT_TRUE(has("sub/other.par2")); // the job folder only
}

TEST_F(JobFiles, NothingIsDeletedInTheDownloadFolderItself)
{
    const QString downloads = home.downloadsPath();
    const QString par2 = QDir(downloads).filePath("x.par2");
    const QString zip = QDir(downloads).filePath("x.zip");
    const QString nfo = QDir(downloads).filePath("x.nfo");
    ArchiveFixtureBuilder::writeFile(par2, "p");
    ArchiveFixtureBuilder::writeFile(zip, kZip);
    ArchiveFixtureBuilder::writeFile(nfo, "n");
    job->setDownloadUrl(downloads);
    QueueFileUtils::deleteRepairFilesForQueue(job);
    QueueFileUtils::deleteArchiveFilesForQueue(job);
    QueueFileUtils::deleteUserDefinedFilesFromArray({CleanupItem(true, "*.nfo", {})}, job);
    EXPECT_TRUE(QFileInfo::exists(par2));
    EXPECT_TRUE(QFileInfo::exists(zip));
    EXPECT_TRUE(QFileInfo::exists(nfo));
}

TEST_F(JobFiles, CleanupPatternsAtEveryDepth)
{
    UserDefaults::standard().setBool(false, "enableFileRepair");
    UserDefaults::standard().setBool(false, "enableFileExtract");
    put("info.nfo");
    put("sub/deeper/INFO2.NFO");
    put("notes.txt");
    put("set.par2");
    put("set.vol00+01.par2");
    put("a[sample]b.mkv");
    put("asampleb.mkv");
    const QList<CleanupItem> items = {CleanupItem(true, "*.nfo", {}), CleanupItem(false, "*.txt", {}),
                                         CleanupItem(true, "*.par2", {}), CleanupItem(true, "*[sample]*", {})};
    QueueFileUtils::deleteUserDefinedFilesFromArray(items, job);
    EXPECT_FALSE(has("info.nfo"));
    EXPECT_FALSE(has("sub/deeper/INFO2.NFO"));
    EXPECT_TRUE(has("notes.txt"));
    // Brackets are no character class.
    EXPECT_FALSE(has("a[sample]b.mkv"));
    EXPECT_TRUE(has("asampleb.mkv"));
    // Neither repair nor extraction: the PAR2 files stay, unless the pattern
    // does not spell "par2" in lower case.
    EXPECT_TRUE(has("set.par2"));
    QueueFileUtils::deleteUserDefinedFilesFromArray({CleanupItem(true, "*.vol*.PAR2", {})}, job);
    EXPECT_FALSE(has("set.vol00+01.par2"));
    EXPECT_EQ(LogFileReader(home.logFilePath()).linesContaining("Cleanup item found and deleted :: ").size(),
              4);
    EXPECT_EQ(LogFileReader(home.logFilePath())
                  .linesContaining("Cleanup item found and deleted :: info.nfo")
                  .size(),
              1);

    UserDefaults::standard().setBool(true, "enableFileRepair");
    QueueFileUtils::deleteUserDefinedFilesFromArray(items, job);
    EXPECT_FALSE(has("set.par2"));
}

TEST_F(JobFiles, ReversedNamesGetTheirOrderBack)
{
    const QString file = put("20E10S.wohs.mkv");
    EXPECT_EQ(FileUtils::reverseFilename(file), QDir(folder).filePath("show.S01E02.mkv"));
    EXPECT_TRUE(has("show.S01E02.mkv"));
    EXPECT_FALSE(has("20E10S.wohs.mkv"));
    EXPECT_EQ(LogFileReader(home.logFilePath()).linesContaining("Original filename:" + file).size(), 1);

    // Not a reversed name: left alone.
    const QString plain = put("holiday.mkv");
    EXPECT_EQ(FileUtils::reverseFilename(plain), plain);

    // Characters outside ASCII are reversed whole, accents with their letters.
    const QString accented = put(QString::fromUtf8("p0801.e\xCC\x81t\xC3\xA9.mkv"));
    EXPECT_EQ(FileUtils::reverseFilename(accented),
              QDir(folder).filePath(QString::fromUtf8("\xC3\xA9te\xCC\x81.1080p.mkv")));
}

TEST_F(JobFiles, OnlyTheLastComponentIsTestedAndRenamed)
{
    // The job folder was named after the reversed name.
    const QString inReversedFolder = put("20E10S.wohs/20E10S.wohs.mkv");
    const QString correct = put("p027.tuo/holiday.mkv");
    QueueFileUtils::reverseFilenames(job);
    EXPECT_TRUE(has("20E10S.wohs/show.S01E02.mkv"));
    EXPECT_FALSE(QFileInfo::exists(inReversedFolder));
    EXPECT_TRUE(QFileInfo::exists(correct));
}

TEST_F(JobFiles, AReversalOntoAnExistingNameKeepsTheFile)
{
    const QString reversed = put("20E10S.wohs.mkv", "reversed");
    put("show.S01E02.mkv", "already here");
    EXPECT_EQ(FileUtils::reverseFilename(reversed), reversed);
    EXPECT_TRUE(QFileInfo::exists(reversed));
    QFile existing(QDir(folder).filePath("show.S01E02.mkv"));
    ASSERT_TRUE(existing.open(QIODevice::ReadOnly));
    EXPECT_EQ(existing.readAll(), "already here");
    EXPECT_FALSE(LogFileReader(home.logFilePath()).linesContaining("[ERROR]").isEmpty());
}

TEST_F(JobFiles, RepairFilesOfAJob)
{
    const QueuePtr main = addPart("set.par2");
    const QueuePtr album = addPart("Album.Vol.2.par2"); // an index file, not a volume
    const QueuePtr vol1 = addPart("set.vol00+01.par2");
    const QueuePtr vol2 = addPart("set.vol01+02.par2", 1);
    const QueuePtr repaired = addPart("set.vol03+04.par2");
    repaired->setIsRepaired(true);
    const QueuePtr odd = addPart("set.vol05+06.par2.1");
    addPart("movie.mkv");

    const auto mains = QueueFileUtils::getMainRepairFiles(job);
    ASSERT_TRUE(mains);
    EXPECT_EQ(*mains, (QList<QueuePtr>{main, album, odd}));

    const auto unselected = QueueFileUtils::getVolRepairFiles(job, false);
    ASSERT_TRUE(unselected);
    EXPECT_EQ(*unselected, QList<QueuePtr>{vol1});
    EXPECT_EQ(vol1->repairblocks(), 1); // filled in from the name
    const auto selected = QueueFileUtils::getVolRepairFiles(job, true);
    ASSERT_TRUE(selected);
    EXPECT_EQ(*selected, QList<QueuePtr>{vol2});
    EXPECT_EQ(vol2->repairblocks(), 2);

    EXPECT_EQ(QueueFileUtils::getAllRepairFiles(job, false), (QList<QueuePtr>{main, album, vol1, odd}));
    EXPECT_EQ(QueueFileUtils::getAllRepairFiles(job, true), QList<QueuePtr>{vol2});
    EXPECT_FALSE(QueueFileUtils::checkIfSetOnlyContainsRepairFiles(job));

    const QueuePtr none = Queue::create();
    EXPECT_FALSE(QueueFileUtils::getMainRepairFiles(none));
    EXPECT_FALSE(QueueFileUtils::getVolRepairFiles(none, false));
    EXPECT_TRUE(QueueFileUtils::getAllRepairFiles(none, false).isEmpty());
    EXPECT_TRUE(QueueFileUtils::checkIfSetOnlyContainsRepairFiles(none));
}

TEST(RepairNames, VolumesAndSamples)
{
    for (const char* name : {"a.vol00+01.par2", "a.VOL07-08.PAR2", "a.vol1_2.par2"})
        EXPECT_TRUE(FileUtils::checkIfRepairVolumeFile(name)) << name;
    for (const char* name :
         {"a.par2", "Album.Vol.2.par2", "X.Volume.par2", "a.vol00+01.par2.1", "a.vol+.par2"})
        EXPECT_FALSE(FileUtils::checkIfRepairVolumeFile(name)) << name;
    EXPECT_TRUE(FileUtils::checkIfPar2File("A.PAR2"));
    EXPECT_FALSE(FileUtils::checkIfPar2File("a.par"));
    EXPECT_TRUE(FileUtils::checkIfSampleFile("x.SAMPLE.mkv"));
    EXPECT_FALSE(FileUtils::checkIfSampleFile("x.mkv"));
}

TEST_F(JobFiles, EmptyFoldersOfTheJobAreRemoved)
{
    home.makeFolder("Downloads/Job/a/b");
    put("keep/file.txt");
    QueueFileUtils::deleteEmptyFoldersForQueue(job);
    EXPECT_FALSE(has("a"));
    EXPECT_TRUE(has("keep/file.txt"));
}

} // namespace
