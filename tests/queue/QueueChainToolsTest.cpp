// Downloaded jobs driven through the whole chain with the real tools: the
// PAR2 bookkeeping and par2, the join, unar and 7zz, the clean-up and the
// move to the final folder. The files arrive as the writer leaves them; the
// runner is the test's stand-in that runs the real workers.
#include "QueueStatesHarness.h"

#include "postprocess/RepairController.h"
#include "postprocess/ToolLocator.h"
#include "queue/FODController.h"

#include "queue/StatusCodes.h"
#include "support/ArchiveFixtureBuilder.h"
#include "support/LogFileReader.h"
#include "support/Par2SetMaker.h"
#include "support/Rar4Builder.h"
#include "support/RepairJobFixture.h"
#include "support/ToolChainRunner.h"
#include "support/TestFiles.h"

#include <gtest/gtest.h>

#include <QDirIterator>
#include <QStandardPaths>

namespace {

void damage(const QString& path, qint64 offset, int length = 8)
{
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::ReadWrite));
    f.seek(offset);
    f.write(QByteArray(length, 'X'));
}

QStringList filesBelow(const QString& folder)
{
    QStringList names;
    QDirIterator it(folder, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
    while (it.hasNext())
        names.append(QDir(folder).relativeFilePath(it.next()));
    names.sort();
    return names;
}

void writeFile(const QString& path, const QByteArray& data)
{
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(data);
}

QString nameOf(const QString& path)
{
    return QFileInfo(path).fileName();
}

struct ChainTools : ::testing::Test, QueueStatesHarness
{
    FODController index;
    RepairController repair;
    ToolChainRunner runner{qc};
    QString downloads = home.makeFolder("dl");
    QString final = home.makeFolder("final");
    std::unique_ptr<RepairJobFixture> fixture;

    void SetUp() override
    {
        if (!Par2SetMaker::isAvailable()) GTEST_SKIP() << "par2 is not installed";
        ToolLocator::setHelpersFolder(home.makeFolder("no-helpers"));
        UserDefaults::standard().setString(downloads, "downloadPath");
        UserDefaults::standard().setString(final, "moveAfterDownloadPath");
        setBool("moveAfterDownload", true);
        // The name correction is not part of this run.
        setBool("enableFileObfuscationCorrection", false);
        repair.setFodController(&index);
        repair.setQueuecontroller(&qc);
        qc.setRepairController(&repair);
        qc.setFodController(&index);
        qc.neighbours().rescan = [this] { runner.rescan(); };
    }

    // A queued NZB job over the files in `folder`, recovery volumes
    // unselected as the import leaves them, every selected part downloading.
    QueuePtr queueJob(const QString& folder, const QString& title, const QStringList& files)
    {
        fixture = std::make_unique<RepairJobFixture>(folder, title);
        for (const QString& name : files) {
            const QueuePtr part = fixture->addPart(name);
            if (part->repairblocks() > 0) part->setCheckbox(0);
        }
        const QueuePtr root = fixture->job();
        root->setIsNZB(true);
        root->setGroups("alt.binaries.test");
        root->setFilelistReceived(true);
        root->setSegmentsReceived(true);
        root->setTotalfiles(root->fileparts().size());
        for (const QueuePtr& part : root->fileparts()) {
            if (part->ispar()) root->setHasRepairFiles(true);
        }
        EXPECT_TRUE(qc.addNZBRootObjectToQueue(root));
        for (const QueuePtr& part : root->fileparts()) {
            part->setDelegate(&qc);
            if (part->checkbox() == 1) part->setStatus(FilePartStatus::Downloading);
        }
        root->setStatus(JobStatus::Downloading);
        settle();
        return root;
    }

    // The writer's work for every part downloading (at `from`), PAR2 files
    // first, one report after the other.
    void writeAll(const QueuePtr& root, qint64 from = 1001)
    {
        QList<QueuePtr> order;
        for (const QueuePtr& part : root->fileparts()) {
            if (part->status() == from && part->ispar()) order.append(part);
        }
        for (const QueuePtr& part : root->fileparts()) {
            if (part->status() == from && !part->ispar()) order.append(part);
        }
        for (const QueuePtr& part : order) {
            fixture->write(repair, part);
            part->setStatus(FilePartStatus::WriteFinished);
            settle();
        }
    }

    QList<qint64> codesFrom(const QueuePtr& q, qint64 from) const
    {
        const QList<qint64> all = codesOf(q);
        const qsizetype i = all.indexOf(from);
        return i < 0 ? QList<qint64>() : all.mid(i);
    }

    bool waitForEnd(const QueuePtr& q, qint64 code, int ms = 60000)
    {
        return waitUntil([&] { return codesOf(q).contains(code); }, ms);
    }
};

TEST_F(ChainTools, RarVolumesWithADamagedArticleAreRepairedExtractedAndMoved)
{
    if (QStandardPaths::findExecutable("unar").isEmpty()) GTEST_SKIP() << "unar is not installed";
    const QString folder = downloads + "/Movie";
    QDir().mkpath(folder);
    const QByteArray movie = seededPattern(300000, 3);
    QStringList volumes = Rar4Builder().addFile("movie.mkv", movie).writeVolumes(folder, "Movie", 100000);
    ASSERT_EQ(volumes.size(), 3);
    for (QString& v : volumes)
        v = nameOf(v);
    QString out;
    QStringList par2 = Par2SetMaker::create(folder, "Movie", volumes, 4096, 12, &out);
    ASSERT_FALSE(par2.isEmpty()) << out.toStdString();
    for (QString& p : par2)
        p = nameOf(p);
    writeFile(folder + "/Movie.nfo", "about the movie");
    // One article of the second volume arrived damaged.
    damage(folder + "/" + volumes[1], 20000, 3000);

    const QueuePtr root = queueJob(folder, "Movie", par2 + volumes + QStringList{"Movie.nfo"});
    writeAll(root);
    // The set is short of blocks: the first held volumes that cover them
    // are queued, and arrive.
    ASSERT_TRUE(waitForEnd(root, 105, 10000)) << QDebug::toString(codesOf(root)).toStdString();
    QStringList fetched;
    for (const QueuePtr& part : root->fileparts()) {
        if (part->status() == FilePartStatus::Queued) fetched.append(part->filename());
    }
    // Damage across two slices: the 1-block and the 2-block volume.
    EXPECT_EQ(fetched, par2.mid(1, 2));
    for (const QueuePtr& part : root->fileparts()) {
        if (part->status() == FilePartStatus::Queued) part->setStatus(FilePartStatus::Downloading);
    }
    writeAll(root, 1001);
    ASSERT_TRUE(waitForEnd(root, 10)) << QDebug::toString(codesOf(root)).toStdString();

    EXPECT_EQ(codesFrom(root, 17), (QList<qint64>{17, 22, 105, 17, 14, 3,  20, 47, 45, 15, 5,
                                                  21, 30, 32,  58, 59, 53, 38, 52, 37, 10}));
    EXPECT_TRUE(root->downloadUrl().startsWith(final + "/"));
    EXPECT_FALSE(QFileInfo::exists(folder));
    EXPECT_EQ(fileBytes(root->downloadUrl() + "/movie.mkv"), movie);
    EXPECT_EQ(fileBytes(root->downloadUrl() + "/Movie.nfo"), "about the movie");
    for (const QString& name : filesBelow(root->downloadUrl()))
        EXPECT_FALSE(name.endsWith(".rar")) << name.toStdString();
    EXPECT_TRUE(runner.comments.contains("Repair complete."));
    EXPECT_EQ(root->restorePoint(), RestorePoint::Finished);
}

TEST_F(ChainTools, ASplit7zSetIsJoinedAndExtracted)
{
    if (QStandardPaths::findExecutable("7zz").isEmpty()) GTEST_SKIP() << "7zz is not installed";
    const QString folder = downloads + "/Split";
    QDir().mkpath(folder);
    const QByteArray payload = seededPattern(250000, 5);
    ASSERT_TRUE(ArchiveFixtureBuilder::make7zz(folder + "/x8f3a1.7z", {{"payload.bin", payload}}, "7z",
                                               {"-v100k", "-mx0"}));
    QStringList pieces = QDir(folder).entryList({"x8f3a1.7z.*"}, QDir::Files, QDir::Name);
    ASSERT_EQ(pieces.size(), 3);

    const QueuePtr root = queueJob(folder, "Split", pieces);
    writeAll(root);
    ASSERT_TRUE(waitForEnd(root, 10)) << QDebug::toString(codesOf(root)).toStdString();
    EXPECT_EQ(codesFrom(root, 17),
              (QList<qint64>{17, 47, 43, 44, 45, 15, 5, 21, 30, 32, 58, 59, 53, 38, 52, 37, 10}));
    EXPECT_EQ(fileBytes(root->downloadUrl() + "/payload.bin"), payload);
}

TEST_F(ChainTools, ArticlesMissingBeyondRepairEndTheJobWithItsFilesKept)
{
    if (QStandardPaths::findExecutable("unar").isEmpty()) GTEST_SKIP() << "unar is not installed";
    const QString folder = downloads + "/Broken";
    QDir().mkpath(folder);
    QStringList volumes =
        Rar4Builder().addFile("b.bin", seededPattern(200000, 9)).writeVolumes(folder, "Broken", 100000);
    for (QString& v : volumes)
        v = nameOf(v);
    QString out;
    QStringList par2 = Par2SetMaker::create(folder, "Broken", volumes, 4096, 2, &out);
    ASSERT_FALSE(par2.isEmpty()) << out.toStdString();
    for (QString& p : par2)
        p = nameOf(p);
    // Far more slices lost than the set can rebuild.
    damage(folder + "/" + volumes[0], 0, 40000);

    const QueuePtr root = queueJob(folder, "Broken", par2 + volumes);
    writeAll(root);
    ASSERT_TRUE(waitForEnd(root, 42, 20000)) << QDebug::toString(codesOf(root)).toStdString();
    settle();
    EXPECT_EQ(root->status(), JobStatus::NotEnoughRepairBlocks);
    EXPECT_EQ(root->restorePoint(), RestorePoint::Error);
    EXPECT_TRUE(root->commentTextField().startsWith("Not enough repair blocks available (Requires"))
        << root->commentTextField().toStdString();
    EXPECT_EQ(root->downloadUrl(), fixture->folder());
    for (const QString& name : volumes + par2)
        EXPECT_TRUE(QFileInfo::exists(folder + "/" + name)) << name.toStdString();
}

} // namespace
