// The recovery-set model: sets from PAR2 file lists, matching downloaded
// files to members, counting intact slices and the PAR2 pane's row texts.
#include "postprocess/RepairModel.h"

#include "postprocess/Par2Utils.h"
#include "queue/Queue.h"
#include "support/EventLoop.h"
#include "support/HandMadePar2Set.h"
#include "support/Par2PacketBuilder.h"
#include "support/TempHome.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QRandomGenerator>
#include <QTemporaryDir>

#include <thread>

#include <zlib.h>

using B = Par2PacketBuilder;
using H = HandMadePar2Set;

namespace {

QByteArray randomBytes(qint64 n, quint32 seed)
{
    QRandomGenerator rng(seed);
    QByteArray out(n, Qt::Uninitialized);
    for (qint64 i = 0; i < n; ++i)
        out[i] = char(rng.generate() & 0xFF);
    return out;
}

bool writeFile(const QString& path, const QByteArray& data)
{
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(data) == data.size();
}

RepairObjectPtr member(const QString& name, const QString& digest)
{
    RepairObjectPtr c = RepairObject::create();
    c->setFilename(name);
    c->setMd516k(digest);
    c->setMd5("md5-" + name);
    return c;
}

RepairObjectPtr set(const QString& qid, const QList<RepairObjectPtr>& members)
{
    RepairObjectPtr p = RepairObject::create();
    p->setQid(qid);
    p->setSetID("shared-set");
    for (const RepairObjectPtr& m : members)
        p->appendChild(m);
    return p;
}

// Parts refer to their job weakly: the jobs live as long as the test program.
QList<QueuePtr>& jobs()
{
    static QList<QueuePtr> list;
    return list;
}

QueuePtr part(const QString& qid, const QString& postedName, const QString& digest)
{
    QueuePtr job = Queue::create();
    jobs().append(job);
    job->setQid(qid);
    QueuePtr p = Queue::create();
    p->setIsFilepart(true);
    p->setQueue(job);
    p->setOrgFilename(postedName);
    p->setMd516k(digest);
    job->appendFilepart(p);
    return p;
}

} // namespace

// Two jobs download one set (jobs A and B, each its own copy of the set);
// job C has no set. Members: A: x.bin k1, y.bin k2; B: x.bin k1, z.bin k3.
// A part is only ever given a member of its own job's set.
TEST(RepairModelMatching, TheTableOfMatches)
{
    TempHome home;
    struct Case
    {
        const char* label;
        const char* qid;
        const char* name;
        const char* digest;
        const char* wantSet; // "A", "B" or "" for none
        const char* wantName;
        bool useAsFirst; // x.bin of A is used before the lookup
    };
    const Case cases[] = {
        {"own exact, though the other job's set has it too", "A", "x.bin", "k1", "A", "x.bin", false},
        {"own exact for the other job", "B", "x.bin", "k1", "B", "x.bin", false},
        {"no own set: nothing, though both sets have it", "C", "x.bin", "k1", "", "", false},
        {"digest only", "A", "obfuscated", "k2", "A", "y.bin", false},
        {"name only in another job's set: nothing", "A", "z.bin", "k9", "", "", false},
        {"a name match before a digest match", "A", "y.bin", "k1", "A", "y.bin", false},
        {"no own set: no candidate either", "C", "z.bin", "k2", "", "", false},
        {"a used member is skipped, the other job's is not taken", "A", "x.bin", "k1", "", "", true},
        {"nothing matches", "A", "w.bin", "k7", "", "", false},
        {"no name and no digest", "A", "", "", "", "", false},
    };
    for (const Case& c : cases) {
        RepairModel model;
        const RepairObjectPtr ax = member("x.bin", "k1");
        const RepairObjectPtr a = set("A", {ax, member("y.bin", "k2")});
        const RepairObjectPtr b = set("B", {member("x.bin", "k1"), member("z.bin", "k3")});
        model.addRepairObject(a);
        model.addRepairObject(b);
        if (c.useAsFirst) ax->setIsUsed(true);

        const RepairObjectPtr found = model.getRepairChildObjectForFilepart(part(c.qid, c.name, c.digest));
        if (QByteArray(c.wantSet).isEmpty()) {
            EXPECT_EQ(found, nullptr) << c.label;
            continue;
        }
        ASSERT_TRUE(found) << c.label;
        EXPECT_EQ(found->parent(), QByteArray(c.wantSet) == "A" ? a : b) << c.label;
        EXPECT_EQ(found->filename(), c.wantName) << c.label;
        EXPECT_TRUE(found->isUsed()) << c.label;
    }
}

TEST(RepairModelMatching, TwoPartsWithTheSameNameGetTwoMembersOnlyIfTwoAreUnused)
{
    TempHome home;
    RepairModel model;
    // Two members with the same first 16 KiB: the second part takes the
    // other one by its digest.
    model.addRepairObject(set("A", {member("x.bin", "k1"), member("x2.bin", "k1")}));
    model.addRepairObject(set("B", {member("x.bin", "k1")}));
    const RepairObjectPtr first = model.getRepairChildObjectForFilepart(part("A", "x.bin", "k1"));
    const RepairObjectPtr second = model.getRepairChildObjectForFilepart(part("A", "x.bin", "k1"));
    ASSERT_TRUE(first && second);
    EXPECT_NE(first, second);
    EXPECT_EQ(first->filename(), "x.bin");
    EXPECT_EQ(second->filename(), "x2.bin");
    EXPECT_EQ(model.getRepairChildObjectForFilepart(part("A", "x.bin", "k1")), nullptr);
}

TEST(RepairModelMatching, ARecordIsMatchedWithinOneSetByNameAndDigestElseByMd5)
{
    TempHome home;
    const RepairObjectPtr x = member("x.bin", "k1");
    const RepairObjectPtr y = member("y.bin", "k2");
    const RepairObjectPtr s = set("A", {x, y});
    FODObjectPtr fod = FODObject::create();
    fod->setOrgFilename("x.bin");
    fod->setMd516k("k1");
    EXPECT_EQ(RepairModel::getRepairChildObjectForFod(fod, s), x);
    fod->setOrgFilename("y.bin");
    fod->setMd516k("zz");
    EXPECT_EQ(RepairModel::getRepairChildObjectForFod(fod, s), nullptr); // a candidate, but no md5
    fod->setMd5("md5-y.bin");
    EXPECT_EQ(RepairModel::getRepairChildObjectForFod(fod, s), y);
    x->setIsUsed(true); // used plays no part here
    fod->setOrgFilename("x.bin");
    fod->setMd516k("k1");
    EXPECT_EQ(RepairModel::getRepairChildObjectForFod(fod, s), x);
}

TEST(RepairModelSets, AreMadeFromTheFileListWithSafeNamesAndTheirChecksums)
{
    TempHome home;
    const QByteArray evil = randomBytes(5000, 1);
    const QByteArray plain = randomBytes(9000, 2);
    const QByteArray data = H::index(4096, {{"../../escape.bin", evil}, {"sub/dir/plain.bin", plain}});
    const std::optional<QVariantMap> list = RepairModel::analizePar2(FileContentSource::fromData(data));
    ASSERT_TRUE(list);
    const RepairObjectPtr p = RepairModel::createRepairParentFromDict(*list, "job");
    EXPECT_EQ(p->qid(), "job");
    EXPECT_EQ(p->setID(), QString::fromLatin1(B::defaultSetID().toHex()));
    EXPECT_EQ(p->totalFiles(), 2);
    EXPECT_EQ(p->totalBlocks(), 2 + 3);
    EXPECT_EQ(p->sliceSize(), 4096);
    EXPECT_EQ(p->creatorName(), "Made by hand");
    const QList<RepairObjectPtr> members = p->childs();
    ASSERT_EQ(members.size(), 2);
    // Sorted by the names the set gives.
    EXPECT_EQ(members[0]->filename(), "escape.bin");
    EXPECT_EQ(members[1]->filename(), "plain.bin");
    EXPECT_EQ(members[0]->fileSize(), 5000);
    EXPECT_EQ(members[0]->md516k(), H::md516kHex(evil));
    EXPECT_EQ(members[1]->md5(), H::md5Hex(plain));
    EXPECT_EQ(members[0]->parent(), p);
    EXPECT_EQ(members[0]->setID(), p->setID());
    EXPECT_FALSE(members[0]->isDownloaded());
    EXPECT_EQ(p->sliceChecksums(members[1]->fileID()), H::sliceChecksums(plain, 4096));

    const RepairObjectPtr lone = RepairModel::createRepairChildFromDict(*list);
    EXPECT_EQ(lone->setID(), p->setID());
    EXPECT_EQ(lone->sliceSize(), 4096);
    EXPECT_TRUE(lone->childs().isEmpty());
}

TEST(RepairModelSets, NamesWithNothingSafeLeftGiveMembersWithoutAName)
{
    TempHome home;
    const QByteArray data = H::index(4096, {{"..", randomBytes(10, 3)}, {"/", randomBytes(10, 4)}});
    const std::optional<QVariantMap> list = RepairModel::analizePar2(FileContentSource::fromData(data));
    ASSERT_TRUE(list);
    for (const RepairObjectPtr& m : RepairModel::createRepairParentFromDict(*list, "q")->childs())
        EXPECT_TRUE(m->filename().isEmpty());
}

TEST(RepairModelSlices, AreCountedAgainstTheChecksumsWithTheLastSlicePadded)
{
    const qint64 slice = 4096;
    const QByteArray file = randomBytes(slice * 2 + slice / 2, 7); // 2.5 slices
    const QList<quint32> crcs = H::sliceChecksums(file, slice);
    ASSERT_EQ(crcs.size(), 3);
    const auto count = [&](const QByteArray& bytes, const QList<quint32>& sums) {
        return RepairModel::countIntactSlices(FileContentSource::fromView(bytes), slice, sums);
    };
    EXPECT_EQ(count(file, crcs), 3);

    QByteArray damaged = file;
    damaged[int(slice + 10)] = char(damaged[int(slice + 10)] ^ 0x01);
    EXPECT_EQ(count(damaged, crcs), 2);
    // More slices than checksums: only as many as there are checksums.
    EXPECT_EQ(count(file + randomBytes(slice * 3, 8), crcs.mid(0, 2)), 2);
    EXPECT_EQ(count(QByteArray(""), crcs), 0);
    EXPECT_EQ(count(file, {}), 0);
    // A short file: its missing tail is not zeros.
    EXPECT_EQ(count(file.left(int(slice + 100)), crcs), 1);
    EXPECT_EQ(RepairModel::countIntactSlices(FileContentSource::fromFile("/nonexistent"), slice, crcs),
              std::nullopt);
}

TEST(RepairModelSlices, AHugeSliceSizeIsPaddedWithoutFeedingItsZeros)
{
    // Ten MiB of padding computed the slow way, against the shortcut.
    const qint64 slice = 10 * 1024 * 1024 + 12;
    QByteArray padded = randomBytes(1000, 9);
    const QByteArray file = padded;
    padded.append(QByteArray(slice - padded.size(), '\0'));
    const quint32 crc =
        quint32(crc32(0, reinterpret_cast<const Bytef*>(padded.constData()), uInt(padded.size())));
    EXPECT_EQ(RepairModel::countIntactSlices(FileContentSource::fromView(file), slice, {crc}), 1);
    // A hostile slice size of a terabyte costs nothing either.
    EXPECT_EQ(RepairModel::countIntactSlices(FileContentSource::fromView(file), qint64(1) << 40, {crc}), 0);
}

TEST(RepairModelSlices, AFileOnDiskIsStreamedAndCountsTheSameAsInMemory)
{
    QTemporaryDir dir;
    const qint64 slice = 1 << 20;
    const QByteArray file = randomBytes(3 * slice + 5, 10); // several read blocks
    const QString path = dir.filePath("f.bin");
    ASSERT_TRUE(writeFile(path, file));
    const QList<quint32> crcs = H::sliceChecksums(file, slice);
    EXPECT_EQ(RepairModel::countIntactSlices(FileContentSource::fromFile(path), slice, crcs), 4);
    EXPECT_EQ(RepairModel::countIntactSlices(FileContentSource::fromView(file), slice, crcs), 4);
}

TEST(RepairModelSlices, TheChecksumsOfASetAreKeptFromItsFirstReadingAndReadAtMostOnceAgain)
{
    TempHome home;
    QTemporaryDir dir;
    const QByteArray a = randomBytes(10000, 11);
    const QByteArray b = randomBytes(6000, 12);
    const QString indexPath = dir.filePath("set.par2");
    ASSERT_TRUE(writeFile(indexPath, H::index(4096, {{"a.bin", a}, {"b.bin", b}})));

    const RepairObjectPtr p = RepairModel::createRepairParentFromDict(
        *RepairModel::analizePar2(FileContentSource::fromFile(indexPath)), "q");
    // The PAR2 file may be gone: the set has what it needs.
    ASSERT_TRUE(QFile::remove(indexPath));
    const RepairObjectPtr ma = p->childs()[0];
    EXPECT_EQ(RepairModel::crc32BlockCheckForFileData(FileContentSource::fromView(a), ma),
              RepairModel::CheckResult::Counted);
    EXPECT_EQ(ma->availableBlocks(), 3);

    // A set without kept checksums reads them from the PAR2 file of its
    // record, once: a file whose checksums are not in it keeps its count.
    RepairObjectPtr bare = RepairObject::create();
    bare->setSliceSize(4096);
    RepairObjectPtr mb = RepairObject::create();
    mb->setFileID(QString::fromLatin1(B::id(2).toHex()));
    RepairObjectPtr unknown = RepairObject::create();
    unknown->setFileID("00000000000000000000000000000099");
    unknown->setAvailableBlocks(5);
    bare->appendChild(mb);
    bare->appendChild(unknown);
    const QString only = dir.filePath("only-b.par2");
    ASSERT_TRUE(writeFile(only, B::mainPacket(4096, {B::id(2)}) +
                                    B::ifscPacket(B::id(2), H::sliceChecksums(b, 4096))));
    FODObjectPtr par2 = FODObject::create();
    par2->setFolder(dir.path());
    par2->setFilename("only-b.par2");
    bare->setFod(par2);
    FODObjectPtr bRecord = FODObject::create();
    mb->setFod(bRecord);

    EXPECT_EQ(RepairModel::crc32BlockCheckForFileData(FileContentSource::fromView(b), mb),
              RepairModel::CheckResult::Counted);
    EXPECT_EQ(mb->availableBlocks(), 2);
    EXPECT_TRUE(bRecord->crc32checked());
    EXPECT_TRUE(bare->hasReadChecksumsOf(only));
    ASSERT_TRUE(QFile::remove(only));
    EXPECT_EQ(RepairModel::crc32BlockCheckForFileData(FileContentSource::fromView(b), unknown),
              RepairModel::CheckResult::NoChecksums);
    EXPECT_EQ(unknown->availableBlocks(), 5);
}

TEST(RepairModelRows, StatusTextsAndColoursFollowTheFirstRuleThatHolds)
{
    TempHome home;
    struct Case
    {
        bool isPar;
        bool downloaded;
        bool setNeedsCheck;
        qint64 available;
        qint64 total;
        const char* status;
        const char* colorKey;
        const char* blocks;
    };
    const Case cases[] = {
        {true, false, true, 8, 0, "Repair Blocks", "par2FileRowColor", "8"},
        {false, false, true, 0, 10, "Missing", "missingRowColor", "0 of 10"},
        {false, true, true, 10, 10, "Processing", "defaultRowColor", "10 of 10"},
        {false, true, false, 10, 10, "Complete", "completeRowColor", "10 of 10"},
        {false, true, false, 9, 10, "Broken", "brokenRowColor", "9 of 10"},
    };
    for (const Case& c : cases) {
        RepairObjectPtr parent = RepairObject::create();
        parent->setNeedsCRC32Check(c.setNeedsCheck);
        RepairObjectPtr row = RepairObject::create();
        parent->appendChild(row);
        EXPECT_EQ(row->colorRow(), row->getRowColorForKey("defaultRowColor"));
        row->setIsPar(c.isPar);
        row->setTotalBlocks(c.total);
        row->setAvailableBlocks(c.available);
        row->setIsDownloaded(c.downloaded);
        // Recomputed on the main thread, after the changes.
        spinEventLoop(20);
        EXPECT_EQ(row->statusTextField(), c.status) << c.status;
        EXPECT_EQ(row->blocksTextField(), c.blocks) << c.status;
        EXPECT_TRUE(row->colorRow().isValid()) << c.status;
        EXPECT_EQ(row->colorRow(), row->getRowColorForKey(c.colorKey)) << c.status;
    }
    EXPECT_FALSE(RepairObject::create()->getRowColorForKey("noSuchColor").isValid());

    // Without observers the texts stay as they are.
    RepairObjectPtr silent = RepairObject::createWhithoutStartingObservers();
    silent->setTotalBlocks(4);
    spinEventLoop(20);
    EXPECT_TRUE(silent->blocksTextField().isEmpty());
}

TEST(RepairModelRows, ChangesMadeOnAnotherThreadReachTheTextsOnTheMainThread)
{
    TempHome home;
    RepairObjectPtr row = RepairObject::create();
    std::thread worker([&] {
        row->setTotalBlocks(5);
        row->setIsDownloaded(true);
        row->setAvailableBlocks(5);
    });
    worker.join();
    EXPECT_TRUE(waitUntil([&] { return row->statusTextField() == "Complete"; }, 2000));
    EXPECT_EQ(row->blocksTextField(), "5 of 5");
}

TEST(RepairModelList, KeepsSetsInOrderAndDropsThemWithTheirMembers)
{
    TempHome home;
    RepairModel model;
    const RepairObjectPtr a = set("A", {member("x", "k")});
    const RepairObjectPtr b = set("B", {});
    model.addRepairObject(a);
    model.addRepairObject(b);
    model.addRepairObject(a);
    EXPECT_EQ(model.repairArray(), QList<RepairObjectPtr>({a, b}));
    EXPECT_EQ(model.getRepairParentForSetID("shared-set", "B"), b);
    EXPECT_EQ(model.getRepairParentForSetID("shared-set", "C"), nullptr);
    model.removeRepairObject(a);
    EXPECT_EQ(model.repairArray(), QList<RepairObjectPtr>({b}));
    EXPECT_TRUE(a->childs().isEmpty());
}
