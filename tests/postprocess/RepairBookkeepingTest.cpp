// The PAR2 bookkeeping of downloading jobs against sets made by the real par2:
// what the file writer hands over, and what the scheduler steers by.
#include "postprocess/RepairController.h"
#include "queue/FODController.h"
#include "queue/Queue.h"

#include "platform/UserDefaults.h"
#include "support/EventLoop.h"
#include "support/HandMadePar2Set.h"
#include "support/Par2SetMaker.h"
#include "support/RepairJobFixture.h"
#include "support/TempHome.h"
#include "support/TestFiles.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>

#include <atomic>
#include <thread>

namespace {

constexpr qint64 kSlice = 4096;

bool writeAll(const QString& path, const QByteArray& data)
{
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(data) == data.size();
}

// Flips one byte of `path` at `offset`.
void damage(const QString& path, qint64 offset)
{
    QByteArray data = fileBytes(path);
    ASSERT_LT(offset, data.size());
    data[offset] = char(data[offset] ^ 0x5A);
    ASSERT_TRUE(writeAll(path, data));
}

QString nameOf(const QString& path)
{
    return QFileInfo(path).fileName();
}

class Bookkeeping : public ::testing::Test
{
protected:
    void SetUp() override
    {
        if (!Par2SetMaker::isAvailable()) GTEST_SKIP() << "par2 is not installed";
        download_ = home_.makeFolder("dl");
        UserDefaults::standard().setString(download_, "downloadPath");
        startControllers();
    }

    void startControllers()
    {
        repair_.reset();
        index_ = std::make_unique<FODController>();
        repair_ = std::make_unique<RepairController>();
        repair_->setFodController(index_.get());
    }

    // Files of the given sizes and a PAR2 set over them in `folder`; the
    // names of the PAR2 files made, index first.
    QStringList makeSet(const QString& folder, const QList<QPair<QString, qint64>>& files, int recoveryBlocks,
                        quint32 seed = 1)
    {
        QDir().mkpath(folder);
        if (!Par2SetMaker::writeFiles(folder, files, seed)) return {};
        QStringList names;
        for (const auto& f : files)
            names << f.first;
        QString output;
        QStringList made = Par2SetMaker::create(folder, "set", names, kSlice, recoveryBlocks, &output);
        EXPECT_FALSE(made.isEmpty()) << output.toStdString();
        QStringList out;
        for (const QString& p : made)
            out << nameOf(p);
        return out;
    }

    // A job over every file in its folder; PAR2 volumes are left unselected,
    // as the scheduler leaves them until it needs their blocks.
    std::unique_ptr<RepairJobFixture> job(const QString& folder, const QString& qid, const QStringList& par2,
                                          const QStringList& data)
    {
        auto fixture = std::make_unique<RepairJobFixture>(folder, qid);
        for (const QString& name : par2 + data) {
            QueuePtr part = fixture->addPart(name);
            if (part->ispar() && !part->ismainpar()) part->setCheckbox(0);
        }
        return fixture;
    }

    // The folder of job `job` (A or B) in case `n` of a table.
    QString folderOf(const char* job, int n) const
    {
        return download_ + QStringLiteral("/%1%2").arg(QLatin1String(job)).arg(n);
    }

    void selectAndWrite(const RepairJobFixture& fixture, const QStringList& names)
    {
        for (const QString& name : names) {
            fixture.part(name)->setCheckbox(1);
            fixture.write(*repair_, fixture.part(name));
        }
    }

    TempHome home_;
    QString download_;
    std::unique_ptr<FODController> index_;
    std::unique_ptr<RepairController> repair_;
};

} // namespace

TEST_F(Bookkeeping, AnIntactSetCanBeExtractedOnceAllItsFilesAreWritten)
{
    const QString folder = download_ + "/job";
    const QStringList par2 = makeSet(folder, {{"a.bin", 30000}, {"b.bin", 50000}}, 4);
    auto fx = job(folder, "job1", par2, {"a.bin", "b.bin"});
    fx->write(*repair_, {par2.first(), "a.bin"});

    const RepairObjectPtr set = fx->job()->repairObject();
    ASSERT_TRUE(set);
    EXPECT_EQ(set->qid(), "job1");
    EXPECT_EQ(set->totalBlocks(), 8 + 13);
    EXPECT_EQ(fx->part(par2.first())->setID(), set->setID());
    EXPECT_FALSE(fx->job()->canExtract()); // b.bin is still missing
    EXPECT_EQ(fx->job()->blocksRequired(), 13);

    fx->write(*repair_, fx->part("b.bin"));
    EXPECT_TRUE(fx->job()->canExtract());
    EXPECT_FALSE(fx->job()->canRepair());
    EXPECT_EQ(fx->job()->blocksRequired(), 0);
    EXPECT_EQ(set->availableBlocks(), 21);

    const RepairObjectPtr b = fx->part("b.bin")->repairObject();
    ASSERT_TRUE(b);
    EXPECT_EQ(b->parent(), set);
    const FODObjectPtr record = b->fod();
    ASSERT_TRUE(record);
    EXPECT_EQ(record->fileID(), b->fileID());
    EXPECT_EQ(record->setID(), set->setID());
    EXPECT_EQ(record->orgFilename(), "b.bin");
    EXPECT_EQ(record->folder(), folder);
    EXPECT_EQ(record->availableBlocks(), 13);
    EXPECT_EQ(record->totalBlocks(), 13);
    EXPECT_TRUE(record->crc32checked());
    EXPECT_EQ(index_->searchFileForDict({{"fileID", b->fileID()}}), record);
    EXPECT_TRUE(waitUntil([&] { return b->statusTextField() == "Complete"; }, 2000));
    EXPECT_EQ(b->blocksTextField(), "13 of 13");
}

TEST_F(Bookkeeping, ADamagedSliceWithVolumesAtHandCanBeRepaired)
{
    const QString folder = download_ + "/job";
    const QStringList par2 = makeSet(folder, {{"a.bin", 30000}, {"b.bin", 50000}}, 4);
    damage(folder + "/b.bin", kSlice + 7);
    auto fx = job(folder, "job1", par2, {"a.bin", "b.bin"});
    fx->write(*repair_, {par2.first(), "a.bin", "b.bin"});
    EXPECT_EQ(fx->job()->blocksRequired(), 1);
    EXPECT_FALSE(fx->job()->canRepair());

    selectAndWrite(*fx, par2.mid(1));
    const RepairObjectPtr set = fx->job()->repairObject();
    const RepairObjectPtr b = fx->part("b.bin")->repairObject();
    EXPECT_EQ(b->availableBlocks(), b->totalBlocks() - 1);
    EXPECT_EQ(set->availableBlocks(), 20 + 4);
    EXPECT_EQ(fx->job()->blocksRequired(), -3);
    EXPECT_TRUE(fx->job()->canRepair());
    EXPECT_FALSE(fx->job()->canExtract());
    EXPECT_TRUE(waitUntil([&] { return b->statusTextField() == "Broken"; }, 2000));
    // The volumes are members of the set as PAR2 files with their blocks.
    int volumes = 0;
    for (const RepairObjectPtr& c : set->childs()) {
        if (!c->isPar() || c->fod()->filename() == par2.first()) continue;
        ++volumes;
        EXPECT_GT(c->availableBlocks(), 0);
    }
    EXPECT_EQ(volumes, par2.size() - 1);
}

// A data file written before the PAR2 file that makes its set is counted by
// the set as one written after it would be, whatever its damage: also when
// the damage lies in the first 16 KiB, so that the file shares neither its
// first-16-KiB digest nor its MD5 with the set's record of it.
TEST_F(Bookkeeping, AFileWrittenBeforeItsSetIsKnownIsCountedOnceTheSetIsMade)
{
    struct Case
    {
        const char* why;
        qint64 damagedAt; // -1: intact
        const char* postedAs;
        qint64 intactSlices;
    };
    const Case cases[] = {
        {"intact", -1, "b.bin", 13},
        {"damaged after its first 16 KiB", 5 * kSlice + 3, "b.bin", 12},
        {"damaged in its first 16 KiB", 100, "b.bin", 12},
        {"damaged, posted under another name", 5 * kSlice + 3, "zzz.bin", 12},
    };
    int n = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.why);
        const QString folder = download_ + QStringLiteral("/job%1").arg(++n);
        const QStringList par2 = makeSet(folder, {{"a.bin", 30000}, {"b.bin", 50000}}, 4, quint32(n));
        if (c.damagedAt >= 0) damage(folder + "/b.bin", c.damagedAt);
        const QString posted = QString::fromLatin1(c.postedAs);
        if (posted != "b.bin") {
            ASSERT_TRUE(QFile::rename(folder + "/b.bin", folder + "/" + posted));
        }
        auto fx = job(folder, QStringLiteral("job%1").arg(n), par2, {"a.bin", posted});
        const QueuePtr part = fx->part(posted);
        // The data first, then the PAR2 index.
        fx->write(*repair_, {"a.bin", posted});
        EXPECT_FALSE(fx->job()->repairObject());
        fx->write(*repair_, fx->part(par2.first()));

        const RepairObjectPtr set = fx->job()->repairObject();
        ASSERT_TRUE(set);
        const RepairObjectPtr b = part->repairObject();
        ASSERT_TRUE(b);
        EXPECT_EQ(b->filename(), "b.bin");
        EXPECT_EQ(b->parent(), set);
        EXPECT_EQ(b->filepart(), part);
        ASSERT_TRUE(b->fod());
        EXPECT_EQ(b->fod()->fid(), part->fid());
        // Counted by the set's re-check, which the writer's report starts;
        // the file takes the set's name, its part with it.
        EXPECT_TRUE(set->needsCRC32Check());
        runOffMainThread([&] { repair_->crc32CheckFodsInRepairParent(set, false); });
        EXPECT_FALSE(set->needsCRC32Check());
        EXPECT_EQ(part->filename(), "b.bin");
        EXPECT_TRUE(QFileInfo::exists(folder + "/b.bin"));
        EXPECT_FALSE(QFileInfo::exists(folder + "/zzz.bin"));
        EXPECT_EQ(b->availableBlocks(), c.intactSlices);
        EXPECT_EQ(fx->job()->blocksRequired(), 13 - c.intactSlices);
        EXPECT_EQ(fx->job()->canExtract(), c.damagedAt < 0);
        EXPECT_FALSE(fx->job()->canRepair());
    }
}

TEST_F(Bookkeeping, ASetOf100SlicesWith95IntactAnd3RecoveryBlocksLacksTwo)
{
    const QString folder = download_ + "/job";
    const qint64 size = 25 * kSlice;
    const QStringList par2 =
        makeSet(folder, {{"a.bin", size}, {"b.bin", size}, {"c.bin", size}, {"d.bin", size}}, 3);
    for (const auto& [file, slice] :
         QList<QPair<QString, int>>{{"a.bin", 0}, {"a.bin", 24}, {"b.bin", 3}, {"c.bin", 9}, {"d.bin", 17}})
        damage(folder + "/" + file, slice * kSlice + 100);
    auto fx = job(folder, "job1", par2, {"a.bin", "b.bin", "c.bin", "d.bin"});
    fx->write(*repair_, {par2.first(), "a.bin", "b.bin", "c.bin", "d.bin"});
    selectAndWrite(*fx, par2.mid(1));

    const RepairObjectPtr set = fx->job()->repairObject();
    EXPECT_EQ(set->totalBlocks(), 100);
    EXPECT_EQ(set->availableBlocks(), 98);
    EXPECT_EQ(fx->job()->blocksRequired(), 2);
    EXPECT_FALSE(fx->job()->canRepair());
    EXPECT_FALSE(fx->job()->canExtract());
}

TEST_F(Bookkeeping, ASecondPar2FileMakesNoSecondSetAndIsNotEvenRead)
{
    const QString folder = download_ + "/job";
    const QStringList par2 = makeSet(folder, {{"a.bin", 30000}}, 1);
    auto fx = job(folder, "job1", par2, {"a.bin"});
    fx->write(*repair_, fx->part(par2.first()));
    // A "volume" whose bytes are no PAR2 at all: nothing reads them.
    ASSERT_TRUE(writeAll(folder + "/set.vol00+05.par2", "not a par2 file"));
    QueuePtr volume = fx->addPart("set.vol00+05.par2");
    runOffMainThread([&] { EXPECT_EQ(repair_->addAndAnalysePar2FilePart(volume, true), nullptr); });
    fx->write(*repair_, volume);
    EXPECT_EQ(repair_->repairmodel().repairArray().size(), 1);
    const FODObjectPtr record = index_->searchFileForFilePart(volume);
    ASSERT_TRUE(record);
    EXPECT_EQ(record->availableBlocks(), 5);
    EXPECT_EQ(record->setID(), fx->job()->repairObject()->setID());
    EXPECT_EQ(fx->job()->repairObject()->fod(), record);
}

TEST_F(Bookkeeping, TheChecksumsOfASetAreReadOnceAndNotFromEachLaterPar2File)
{
    const QString folder = download_ + "/job";
    const QStringList par2 = makeSet(folder, {{"a.bin", 30000}, {"b.bin", 20000}}, 2);
    auto fx = job(folder, "job1", par2, {"a.bin", "b.bin"});
    fx->write(*repair_, fx->part(par2.first()));
    // The set's newest PAR2 file (which an earlier design re-read for every
    // written file) is unreadable, and the index is gone: the counts still
    // come from what the set read when it was made.
    ASSERT_TRUE(writeAll(folder + "/set.vol00+02.par2", QByteArray(1 << 20, 'x')));
    fx->addPart("set.vol00+02.par2");
    fx->write(*repair_, fx->part("set.vol00+02.par2"));
    ASSERT_TRUE(QFile::remove(folder + "/" + par2.first()));
    fx->write(*repair_, {"a.bin", "b.bin"});
    EXPECT_EQ(fx->part("a.bin")->repairObject()->availableBlocks(), 8);
    EXPECT_EQ(fx->part("b.bin")->repairObject()->availableBlocks(), 5);
    EXPECT_TRUE(fx->job()->canExtract());
}

TEST_F(Bookkeeping, AnUnselectedPartDoesNotHoldBackTheDecision)
{
    const QString folder = download_ + "/job";
    const QStringList par2 = makeSet(folder, {{"a.bin", 8 * kSlice}, {"b.bin", 2 * kSlice}}, 4);
    auto fx = job(folder, "job1", par2, {"a.bin", "b.bin"});
    fx->part("b.bin")->setCheckbox(0);
    fx->write(*repair_, {par2.first(), "a.bin"});
    selectAndWrite(*fx, par2.mid(1));
    EXPECT_EQ(fx->job()->blocksRequired(), 10 - (8 + 4));
    EXPECT_TRUE(fx->job()->canRepair()); // b.bin is missing but the volumes cover it
}

TEST_F(Bookkeeping, ARestoredJobFindsItsFilesAndVolumesOnDisk)
{
    const QString folder = download_ + "/job";
    const QStringList par2 = makeSet(folder, {{"a.bin", 30000}, {"b.bin", 50000}}, 4);
    QStringList fids;
    {
        auto fx = job(folder, "job1", par2, {"a.bin", "b.bin"});
        fx->write(*repair_, {par2.first(), "a.bin", "b.bin"});
        selectAndWrite(*fx, {par2.at(1)});
        ASSERT_TRUE(fx->job()->canExtract());
        for (const QueuePtr& p : fx->job()->fileparts())
            fids << p->fid();
        ASSERT_TRUE(index_->saveAllEntries());
    }
    // A new run: the index comes back from its store, the model is empty.
    startControllers();
    ASSERT_EQ(index_->uniqueFodsArray().size(), 4);
    auto restored = job(folder, "job1", par2, {"a.bin", "b.bin"});
    const QList<QueuePtr> parts = restored->job()->fileparts();
    for (int i = 0; i < parts.size(); ++i) {
        parts[i]->setFid(fids[i]);
        parts[i]->setIsDownloaded(parts[i]->checkbox() == 1 || i == 1);
    }
    parts[1]->setCheckbox(1);

    // Called on the main thread it runs in the background.
    repair_->restoreAndAnalysePar2FilePart(restored->part(par2.first()));
    ASSERT_TRUE(waitUntil([&] { return restored->job()->canExtract(); }, 5000));
    const RepairObjectPtr set = restored->job()->repairObject();
    EXPECT_EQ(restored->job()->blocksRequired(), -1); // the volume's one block is spare
    for (const RepairObjectPtr& member : set->childs()) {
        ASSERT_TRUE(member->fod()) << member->filename().toStdString();
        EXPECT_TRUE(member->isDownloaded());
    }
    int volumes = 0;
    for (const RepairObjectPtr& c : set->childs())
        volumes += c->isPar() ? 1 : 0;
    EXPECT_EQ(volumes, 1);
    EXPECT_EQ(set->fod()->filename(), par2.at(1));
}

TEST_F(Bookkeeping, FilesOfAnEarlierDownloadAreCheckedAndGivenTheNamesOfTheSet)
{
    const QString folder = download_ + "/job";
    const QStringList par2 = makeSet(folder, {{"a.bin", 30000}, {"b.bin", 20000}}, 2);
    // a.bin arrived under an obfuscated name before the set was known.
    ASSERT_TRUE(QFile::rename(folder + "/a.bin", folder + "/x1y2z3"));
    auto fx = job(folder, "job1", par2, {"b.bin"});
    fx->addPart("x1y2z3");
    fx->write(*repair_, fx->part("x1y2z3"));
    EXPECT_EQ(fx->part("x1y2z3")->repairObject(), nullptr);

    fx->write(*repair_, fx->part(par2.first()));
    const RepairObjectPtr set = fx->job()->repairObject();
    EXPECT_TRUE(set->needsCRC32Check());
    fx->write(*repair_, fx->part("b.bin"));

    std::atomic<bool> done{false};
    repair_->crc32CheckFodsInRepairParent(set, false, [&] { done = true; });
    ASSERT_TRUE(waitUntil([&] { return done.load(); }, 5000));
    EXPECT_FALSE(set->needsCRC32Check());
    EXPECT_TRUE(QFileInfo::exists(folder + "/a.bin"));
    EXPECT_FALSE(QFileInfo::exists(folder + "/x1y2z3"));
    const FODObjectPtr record = index_->searchFileForDict({{"filename", "a.bin"}, {"qid", "job1"}});
    ASSERT_TRUE(record);
    EXPECT_EQ(record->filename(), "a.bin");
    EXPECT_EQ(record->availableBlocks(), 8);
    EXPECT_TRUE(fx->job()->canExtract());

    // A forced re-check (after a join) counts again from the disk.
    damage(folder + "/a.bin", 100);
    runOffMainThread([&] { repair_->crc32CheckFodsInRepairParent(set, true); });
    EXPECT_EQ(record->availableBlocks(), 7);
    EXPECT_EQ(fx->job()->blocksRequired(), 1);
}

TEST_F(Bookkeeping, TwoJobsSharingASetEachKeepTheirFilesInTheirOwnSet)
{
    const QString folderA = download_ + "/A";
    const QString folderB = download_ + "/B";
    const QStringList par2 = makeSet(folderA, {{"a.bin", 30000}, {"b.bin", 20000}}, 2, 5);
    ASSERT_EQ(makeSet(folderB, {{"a.bin", 30000}, {"b.bin", 20000}}, 2, 5), par2);
    auto a = job(folderA, "jobA", par2, {"a.bin", "b.bin"});
    auto b = job(folderB, "jobB", par2, {"a.bin", "b.bin"});
    a->write(*repair_, a->part(par2.first()));
    b->write(*repair_, b->part(par2.first()));
    ASSERT_EQ(a->job()->repairObject()->setID(), b->job()->repairObject()->setID());
    ASSERT_NE(a->job()->repairObject(), b->job()->repairObject());

    a->write(*repair_, a->part("a.bin"));
    b->write(*repair_, {"a.bin", "b.bin"});
    a->write(*repair_, a->part("b.bin"));
    for (const auto* fx : {a.get(), b.get()}) {
        for (const QString& name : {QString("a.bin"), QString("b.bin")})
            EXPECT_EQ(fx->part(name)->repairObject()->parent(), fx->job()->repairObject())
                << name.toStdString();
        EXPECT_TRUE(fx->job()->canExtract()) << fx->job()->qid().toStdString();
        EXPECT_EQ(fx->job()->blocksRequired(), 0);
    }
}

TEST_F(Bookkeeping, AFileWrittenBeforeItsJobsPar2FileNeverJoinsAnotherJobsSet)
{
    const QString folderA = download_ + "/A";
    const QString folderB = download_ + "/B";
    const QStringList par2 = makeSet(folderA, {{"a.bin", 30000}, {"b.bin", 20000}}, 2, 5);
    makeSet(folderB, {{"a.bin", 30000}, {"b.bin", 20000}}, 2, 5);
    auto a = job(folderA, "jobA", par2, {"a.bin", "b.bin"});
    auto b = job(folderB, "jobB", par2, {"a.bin", "b.bin"});
    a->write(*repair_, a->part(par2.first()));
    // B's file comes before B's PAR2 index: it is no member of A's set.
    b->write(*repair_, b->part("a.bin"));
    EXPECT_EQ(b->job()->repairObject(), nullptr);
    EXPECT_EQ(b->part("a.bin")->repairObject(), nullptr);
    for (const RepairObjectPtr& member : a->job()->repairObject()->childs()) {
        if (member->isPar()) continue;
        EXPECT_FALSE(member->isUsed() || member->fod()) << member->filename().toStdString();
    }

    b->write(*repair_, b->part(par2.first()));
    ASSERT_TRUE(b->job()->repairObject());
    ASSERT_NE(b->job()->repairObject(), a->job()->repairObject());
    EXPECT_EQ(b->part("a.bin")->repairObject()->parent(), b->job()->repairObject());
    b->write(*repair_, b->part("b.bin"));
    runOffMainThread([&] { repair_->crc32CheckFodsInRepairParent(b->job()->repairObject(), false); });
    a->write(*repair_, {"a.bin", "b.bin"});
    EXPECT_EQ(a->part("a.bin")->repairObject()->parent(), a->job()->repairObject());
    EXPECT_TRUE(a->job()->canExtract());
    EXPECT_TRUE(b->job()->canExtract());
}

// Job A left x.bin in its folder, and its record claims the file whole;
// job B's set has x.bin as a member B does not download itself. The record
// is found by one key alone. B is given the file only when its bytes are
// the member's, and then as a link in B's own folder; A's file and record
// stay as they were either way.
TEST_F(Bookkeeping, AFileOfAnotherJobIsGivenToThisJobOnlyWhenItsContentIsProven)
{
    struct Case
    {
        const char* why;
        const char* foundBy; // "name", "fileID" or "md516k"
        bool intact;
    };
    const Case cases[] = {
        {"intact, found by name", "name", true},
        {"damaged, found by name", "name", false},
        {"intact, found by file ID", "fileID", true},
        {"damaged, found by file ID", "fileID", false},
        {"intact, found by first-16-KiB digest", "md516k", true},
        {"damaged after its first 16 KiB, found by their digest", "md516k", false},
    };
    for (int n = 0; n < int(std::size(cases)); ++n) {
        const Case& c = cases[n];
        SCOPED_TRACE(c.why);
        const QString folderA = folderOf("A", n);
        const QString folderB = folderOf("B", n);
        const QStringList par2 = makeSet(folderA, {{"x.bin", 50000}}, 2, quint32(40 + n));
        QDir().mkpath(folderB);
        ASSERT_TRUE(QFile::copy(folderA + "/" + par2.first(), folderB + "/" + par2.first()));
        const QByteArray original = fileBytes(folderA + "/x.bin");
        if (!c.intact) damage(folderA + "/x.bin", 5 * kSlice + 3);
        const QString foundBy = QString::fromLatin1(c.foundBy);
        const QString nameInA = foundBy == "name" ? "x.bin" : "renamed.bin";
        if (nameInA != "x.bin") {
            ASSERT_TRUE(QFile::rename(folderA + "/x.bin", folderA + "/" + nameInA));
        }
        const QByteArray inA = fileBytes(folderA + "/" + nameInA);

        // B has the PAR2 index and no part for x.bin.
        auto b = job(folderB, QStringLiteral("jobB%1").arg(n), {par2.first()}, {});
        const QueuePtr index = b->part(par2.first());
        runOffMainThread([&] { repair_->addAndAnalysePar2FilePart(index, true); });
        ASSERT_TRUE(b->job()->repairObject());
        const RepairObjectPtr member = b->job()->repairObject()->childs().first();
        ASSERT_EQ(member->filename(), "x.bin");

        FODObjectPtr claim = FODObject::create();
        claim->setQid(QStringLiteral("jobA%1").arg(n));
        claim->setFid("fa");
        claim->setFolder(folderA);
        claim->setFilename(nameInA);
        claim->setOrgFilename(nameInA);
        claim->setFileID(foundBy == "fileID" ? member->fileID() : QString("id-other"));
        claim->setMd516k(foundBy == "md516k" ? member->md516k() : QString("k-other"));
        claim->setMd5("m-other");
        claim->setTotalBlocks(member->totalBlocks());
        claim->setAvailableBlocks(member->totalBlocks());
        claim->setCrc32checked(true);
        index_->addFod(claim);

        // The index lands in B's folder: what B does not download is looked for.
        runOffMainThread([&] {
            index->setIsDownloaded(true);
            repair_->addFilePartToFod(index);
        });
        const FODObjectPtr got = member->fod();
        EXPECT_NE(got, claim);
        if (c.intact) {
            ASSERT_TRUE(got);
            EXPECT_EQ(got->qid(), b->job()->qid());
            EXPECT_EQ(got->folder(), folderB);
            EXPECT_EQ(fileBytes(folderB + "/x.bin"), original);
            EXPECT_EQ(member->availableBlocks(), member->totalBlocks());
            EXPECT_TRUE(b->job()->canExtract());
        } else {
            EXPECT_FALSE(got);
            EXPECT_FALSE(QFileInfo::exists(folderB + "/x.bin"));
            EXPECT_EQ(member->availableBlocks(), 0);
            EXPECT_EQ(b->job()->blocksRequired(), member->totalBlocks());
            EXPECT_FALSE(b->job()->canExtract() || b->job()->canRepair());
        }
        EXPECT_EQ(fileBytes(folderA + "/" + nameInA), inA);
        EXPECT_EQ(claim->folder(), folderA);
        EXPECT_EQ(claim->filename(), nameInA);
        EXPECT_EQ(claim->qid(), QStringLiteral("jobA%1").arg(n));
    }
}

// par2's own count of the intact blocks in a file: "Found 27 of 30 data
// blocks", or all of them for a file it finds whole.
qint64 par2Count(const QString& folder, const QString& index, const QString& file, QString* output)
{
    QProcess par2;
    par2.setWorkingDirectory(folder);
    par2.start("par2", {"v", index});
    if (!par2.waitForFinished(60000)) return -1;
    *output = QString::fromLocal8Bit(par2.readAllStandardOutput());
    const QRegularExpression damaged("Target: \"" + QRegularExpression::escape(file) +
                                     "\" - damaged\\. Found (\\d+) of (\\d+) data blocks");
    if (const QRegularExpressionMatch m = damaged.match(*output); m.hasMatch())
        return m.captured(1).toLongLong();
    const QRegularExpression whole("Target: \"" + QRegularExpression::escape(file) + "\" - found\\.");
    const QRegularExpression total("There are a total of (\\d+) data blocks");
    if (whole.match(*output).hasMatch()) return total.match(*output).captured(1).toLongLong();
    return -1;
}

// The same set in two jobs at once: A holds the file whole, B a copy with
// holes where articles were missing. Each member's row in the PAR2 pane says
// what par2 finds in that job's own file.
TEST_F(Bookkeeping, ThePar2PaneCountsWhatPar2CountsInTheJobsOwnFile)
{
    struct Case
    {
        const char* why;
        QList<QPair<qint64, qint64>> zeroed; // byte ranges (from, length) lost
        qint64 cutTail;                      // bytes missing at the end
    };
    const qint64 size = 40 * kSlice + 1000;
    const Case cases[] = {
        {"three articles lost in the middle", {{10 * kSlice + 100, 3 * kSlice}}, 0},
        {"the last article lost", {}, kSlice + 1500},
        {"an article lost in the first 16 KiB", {{300, 2000}}, 0},
        {"two holes", {{2 * kSlice, 100}, {30 * kSlice - 50, 200}}, 0},
    };
    for (int n = 0; n < int(std::size(cases)); ++n) {
        const Case& c = cases[n];
        SCOPED_TRACE(c.why);
        const QString folderA = folderOf("A", n);
        const QString folderB = folderOf("B", n);
        const QStringList par2 = makeSet(folderA, {{"x.bin", size}}, 4, quint32(60 + n));
        QDir().mkpath(folderB);
        for (const QString& name : par2 + QStringList{"x.bin"})
            ASSERT_TRUE(QFile::copy(folderA + "/" + name, folderB + "/" + name));
        QByteArray holed = fileBytes(folderB + "/x.bin");
        for (const auto& [from, length] : c.zeroed)
            holed.replace(from, length, QByteArray(length, '\0'));
        holed.chop(c.cutTail);
        ASSERT_TRUE(writeAll(folderB + "/x.bin", holed));

        auto a = job(folderA, QStringLiteral("jobA%1").arg(n), par2, {"x.bin"});
        auto b = job(folderB, QStringLiteral("jobB%1").arg(n), par2, {"x.bin"});
        a->write(*repair_, {par2.first(), "x.bin"});
        ASSERT_TRUE(a->job()->canExtract());
        b->write(*repair_, {par2.first(), "x.bin"});
        const RepairObjectPtr set = b->job()->repairObject();
        if (set->needsCRC32Check())
            runOffMainThread([&] { repair_->crc32CheckFodsInRepairParent(set, false); });

        QString output;
        const qint64 found = par2Count(folderB, par2.first(), "x.bin", &output);
        ASSERT_GE(found, 0) << output.toStdString();
        const RepairObjectPtr x = b->part("x.bin")->repairObject();
        ASSERT_TRUE(x);
        const QString expected = QStringLiteral("%1 of %2").arg(found).arg(x->totalBlocks());
        EXPECT_TRUE(waitUntil([&] { return x->blocksTextField() == expected; }, 2000))
            << x->blocksTextField().toStdString() << " where par2 says " << expected.toStdString();
        EXPECT_TRUE(waitUntil([&] { return x->statusTextField() == "Broken"; }, 2000));
        EXPECT_EQ(x->fod()->availableBlocks(), found);
        EXPECT_EQ(x->fod()->folder(), folderB);
        EXPECT_EQ(b->job()->blocksRequired(), x->totalBlocks() - found);
        // The whole copy is A's, counted whole, where it was.
        const RepairObjectPtr ax = a->part("x.bin")->repairObject();
        EXPECT_TRUE(waitUntil(
            [&] { return ax->blocksTextField() == QStringLiteral("%1 of %1").arg(ax->totalBlocks()); },
            2000));
        EXPECT_EQ(ax->fod()->folder(), folderA);
        EXPECT_EQ(par2Count(folderA, par2.first(), "x.bin", &output), ax->totalBlocks())
            << output.toStdString();
    }
}

TEST_F(Bookkeeping, HostileNamesInThePar2FileNeverLeaveTheJobFolderNorReplaceAFile)
{
    const QString folder = download_ + "/job";
    QDir().mkpath(folder);
    const QByteArray escape = QByteArray(9000, 'e');
    const QByteArray evil = QByteArray(7000, 'v');
    const QByteArray taken = QByteArray(5000, 't');
    const QByteArray nameless = QByteArray(3000, 'n');
    ASSERT_TRUE(writeAll(folder + "/set.par2", HandMadePar2Set::index(kSlice, {{"../../escape.bin", escape},
                                                                               {"/etc/evil.bin", evil},
                                                                               {"sub/dir/plain.bin", taken},
                                                                               {"..", nameless}})));
    // The files arrived under other names before the set was known; a file
    // of another download already has one of the set's names.
    ASSERT_TRUE(writeAll(folder + "/obf1", escape));
    ASSERT_TRUE(writeAll(folder + "/obf2", evil));
    ASSERT_TRUE(writeAll(folder + "/obf3", taken));
    ASSERT_TRUE(writeAll(folder + "/obf4", nameless));
    ASSERT_TRUE(writeAll(folder + "/plain.bin", "somebody else's file"));
    auto fx = job(folder, "job1", {"set.par2"}, {"obf1", "obf2", "obf3", "obf4"});
    fx->write(*repair_, {"obf1", "obf2", "obf3", "obf4", "set.par2"});
    const RepairObjectPtr set = fx->job()->repairObject();
    ASSERT_TRUE(set);
    QStringList names;
    for (const RepairObjectPtr& m : set->childs())
        if (!m->isPar()) names << m->filename();
    EXPECT_EQ(names, QStringList({"", "escape.bin", "evil.bin", "plain.bin"}));

    runOffMainThread([&] { repair_->crc32CheckFodsInRepairParent(set, false); });
    EXPECT_EQ(fileBytes(folder + "/escape.bin"), escape);
    EXPECT_EQ(fileBytes(folder + "/evil.bin"), evil);
    EXPECT_FALSE(QFileInfo::exists(home_.path() + "/escape.bin"));
    EXPECT_FALSE(QFileInfo::exists(download_ + "/escape.bin"));
    EXPECT_EQ(fileBytes(folder + "/plain.bin"), "somebody else's file");
    EXPECT_EQ(fileBytes(folder + "/obf3"), taken);
    EXPECT_EQ(fileBytes(folder + "/obf4"), nameless);
    // Every file counts wherever it lies: the set is complete.
    EXPECT_TRUE(fx->job()->canExtract());
}

TEST_F(Bookkeeping, TheMainThreadNeverWaitsForTheBookkeepingsLock)
{
    const QString folder = download_ + "/job";
    const QStringList par2 = makeSet(folder, {{"a.bin", 30000}}, 1);
    auto fx = job(folder, "job1", par2, {"a.bin"});
    fx->write(*repair_, fx->part(par2.first()));
    const RepairObjectPtr set = fx->job()->repairObject();
    fx->part("a.bin")->setIsDownloaded(true);

    std::atomic<bool> held{false};
    std::atomic<bool> release{false};
    std::thread holder([&] {
        QMutexLocker locker(&repair_->lock());
        held = true;
        QElapsedTimer t;
        t.start();
        while (!release && t.elapsed() < 5000)
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
    });
    while (!held)
        std::this_thread::yield();

    QElapsedTimer clock;
    clock.start();
    std::atomic<bool> checked{false};
    repair_->setRepairChildObjectForFilepart(fx->part("a.bin"));
    repair_->addFilePartToFod(fx->part("a.bin"));
    repair_->checkIfEnoughBlocksForRepairParent(set);
    repair_->crc32CheckFodsInRepairParent(set, false, [&] { checked = true; });
    repair_->removeRepairObject(RepairObject::create());
    EXPECT_LT(clock.elapsed(), 1000);
    release = true;
    holder.join();

    ASSERT_TRUE(waitUntil([&] { return checked.load(); }, 5000));
    EXPECT_TRUE(fx->job()->canExtract());
    EXPECT_EQ(fx->part("a.bin")->repairObject()->availableBlocks(), 8);
}

TEST_F(Bookkeeping, ARemovedSetIsForgottenWithItsFiles)
{
    const QString folder = download_ + "/job";
    const QStringList par2 = makeSet(folder, {{"a.bin", 30000}}, 1);
    auto fx = job(folder, "job1", par2, {"a.bin"});
    fx->write(*repair_, {par2.first(), "a.bin"});
    const RepairObjectPtr set = fx->job()->repairObject();
    repair_->removeRepairObject(set);
    EXPECT_TRUE(repair_->repairmodel().repairArray().isEmpty());
    EXPECT_TRUE(set->childs().isEmpty());
}
