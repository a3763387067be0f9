// The files-on-disk index in memory: keys, lookups, renames and removals.
#include "queue/FODController.h"
#include "postprocess/RepairObject.h"
#include "queue/Queue.h"

#include "core/Logger.h"
#include "platform/UserDefaults.h"
#include "support/LogFileReader.h"
#include "support/MessageCapture.h"
#include "support/TempHome.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>

#include <atomic>
#include <thread>
#include <vector>

namespace {

FODObjectPtr record(const QString& qid, const QString& fid, const QString& name, const QString& folder)
{
    FODObjectPtr fod = FODObject::create();
    fod->setQid(qid);
    fod->setFid(fid);
    fod->setFilename(name);
    fod->setOrgFilename(name);
    fod->setFolder(folder);
    return fod;
}

QueuePtr jobWithPart(const QString& qid, const QString& folder, QueuePtr* partOut)
{
    QueuePtr job = Queue::create();
    job->setQid(qid);
    job->setDownloadUrl(folder);
    QueuePtr part = Queue::create();
    part->setIsFilepart(true);
    part->setQueue(job);
    job->appendFilepart(part);
    *partOut = part;
    return job;
}

// A set of job `qid` with one member of the given name, file ID and digests.
RepairObjectPtr setWithMember(const QString& qid, const QString& name, const QString& fileID,
                              const QString& md516k, const QString& md5)
{
    RepairObjectPtr set = RepairObject::create();
    set->setSetID("set1");
    set->setQid(qid);
    RepairObjectPtr member = RepairObject::create();
    member->setFilename(name);
    member->setFileID(fileID);
    member->setMd516k(md516k);
    member->setMd5(md5);
    member->setSetID("set1");
    set->appendChild(member);
    return set;
}

class FODIndex : public ::testing::Test
{
protected:
    void SetUp() override
    {
        download_ = home_.makeFolder("dl");
        UserDefaults::standard().setString(download_, "downloadPath");
        index_ = std::make_unique<FODController>();
    }

    TempHome home_;
    QString download_;
    std::unique_ptr<FODController> index_;
};

} // namespace

TEST_F(FODIndex, EveryRecordIsListedFirstUnderEachOfItsKeys)
{
    FODObjectPtr older = record("q1", "f1", "a.bin", download_);
    older->setMd5("m1");
    older->setMd516k("k1");
    older->setFileID("id1");
    FODObjectPtr newer = record("q2", "f2", "a.bin", download_);
    index_->addFod(older);
    index_->addFod(newer);

    EXPECT_EQ(index_->fodsForKey("a.bin"), QList<FODObjectPtr>({newer, older}));
    for (const char* key : {"f1", "m1", "k1", "id1"})
        EXPECT_EQ(index_->fodsForKey(key), QList<FODObjectPtr>({older})) << key;
    EXPECT_EQ(index_->uniqueFodsArray().size(), 2);

    // A renamed file is listed under its current name too; an empty file ID
    // (a record made from a file part alone) is no key.
    newer->setFilename("renamed.bin");
    newer->setFileID("");
    index_->reindexFod(newer);
    EXPECT_EQ(index_->fodsForKey("renamed.bin"), QList<FODObjectPtr>({newer}));
    EXPECT_EQ(index_->fodsForKey("a.bin").size(), 2);
    EXPECT_TRUE(index_->fodsForKey("").isEmpty());
}

TEST_F(FODIndex, NamesThatDifferOnlyByAtAndUnderscoreShareOneKey)
{
    EXPECT_EQ(FODController::makeSafeKeyFromString("a@b@c.bin"), "a_b_c.bin");
    EXPECT_TRUE(FODController::makeSafeKeyFromString(QString()).isNull());
    FODObjectPtr fod = record("q1", "f1", "show_s01.mkv", download_);
    index_->addFod(fod);
    EXPECT_EQ(index_->searchFileForDict({{"filename", "show@s01.mkv"}}), fod);
}

TEST_F(FODIndex, ARecordWithoutOriginalNameIsFoundByFidAndDigestsButNotByName)
{
    FODObjectPtr fod = FODObject::create();
    fod->setFid("f1");
    fod->setMd5("m1");
    fod->setFilename("a.bin");
    fod->setFolder(download_);
    index_->addFod(fod);
    EXPECT_EQ(index_->searchFileForDict({{"fid", "f1"}}), fod);
    EXPECT_EQ(index_->searchFileForDict({{"md5", "m1"}}), fod);
    EXPECT_EQ(index_->searchFileForDict({{"filename", "a.bin"}}), nullptr);
}

TEST_F(FODIndex, AnMd5TieIsSettledByTheJobAndAnUnknownJobFallsThroughToTheNextKeys)
{
    FODObjectPtr a = record("jobA", "fa", "x.bin", download_ + "/A");
    FODObjectPtr b = record("jobB", "fb", "x.bin", download_ + "/B");
    for (const FODObjectPtr& f : {a, b}) {
        f->setMd5("same");
        f->setMd516k("same16k");
        index_->addFod(f);
    }
    EXPECT_EQ(index_->searchFileForDict({{"fid", "nomatch"}, {"md5", "same"}, {"qid", "jobA"}}), a);
    EXPECT_EQ(index_->searchFileForDict({{"fid", "nomatch"}, {"md5", "same"}, {"qid", "jobB"}}), b);

    MessageCapture console("binorama.fod");
    EXPECT_EQ(index_->searchFileForDict({{"fid", "nomatch"},
                                         {"md5", "same"},
                                         {"md516k", "same16k"},
                                         {"filename", "x.bin"},
                                         {"qid", "C"}}),
              nullptr);
    const QStringList lines = console.lines();
    const QString op = "[FODController searchFileForDict]";
    EXPECT_EQ(lines, QStringList({op + " Multiple fods found on md5: x.bin",
                                  op + " Multiple fods found on md516k and/or filename: x.bin",
                                  op + " Multiple fods found on md516k: x.bin",
                                  op + " Multiple fods found on filename: x.bin"}));

    // The first-16-KiB digest settles it when it is unique.
    FODObjectPtr c = record("jobC", "fc", "y.bin", download_);
    c->setMd5("same");
    c->setMd516k("unique16k");
    index_->addFod(c);
    EXPECT_EQ(index_->searchFileForDict({{"md5", "same"}, {"md516k", "unique16k"}, {"qid", "zzz"}}), c);
}

// What a job counts as its files is only ever its own records: a record of
// another job that one key alone (name, file ID, first-16-KiB digest) finds
// is no answer for it, though a page asking where the file lies finds it.
TEST_F(FODIndex, AJobsLookupsNeverGiveItARecordOfAnotherJob)
{
    struct Case
    {
        const char* key;
        const char* name;
        const char* fileID;
        const char* md516k;
    };
    const Case cases[] = {
        {"name", "x.bin", "", "k-other"},
        {"file ID", "renamed.bin", "id-x", "k-other"},
        {"first 16 KiB", "renamed.bin", "", "k-x"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.key);
        index_ = std::make_unique<FODController>();
        FODObjectPtr other = record("jobA", "fa", c.name, download_ + "/A");
        other->setFileID(c.fileID);
        other->setMd516k(c.md516k);
        other->setMd5("m-other");
        other->setAvailableBlocks(13);
        other->setCrc32checked(true);
        index_->addFod(other);

        const RepairObjectPtr set = setWithMember("jobB", "x.bin", "id-x", "k-x", "m-x");
        const RepairObjectPtr member = set->childs().first();
        EXPECT_TRUE(index_->searchFodsForRepairParent(set).isEmpty());
        const QVariantMap wanted{
            {"filename", "x.bin"}, {"fileID", "id-x"}, {"md516k", "k-x"}, {"qid", "jobB"}};
        EXPECT_EQ(index_->searchFileForDict(wanted, FODController::Scope::WantedJobOnly), nullptr);
        EXPECT_EQ(index_->searchFileForDict(wanted), other);
        QueuePtr part;
        QueuePtr job = jobWithPart("jobB", download_ + "/B", &part);
        part->setFid("fb");
        part->setFilename("x.bin");
        part->setMd516k("k-x");
        part->setMd5("m-x");
        EXPECT_EQ(index_->searchJobFileForFilePart(part), nullptr);
        // Offered only as a file of an earlier download, to be proven.
        EXPECT_EQ(index_->searchOtherJobsFodsForRepairChild(member, "jobB"), QList<FODObjectPtr>({other}));
        EXPECT_TRUE(index_->searchOtherJobsFodsForRepairChild(member, "jobA").isEmpty());

        // The job's own record is found whatever other records there are.
        FODObjectPtr own = record("jobB", "fb", "x.bin", download_ + "/B");
        own->setFileID("id-x");
        index_->addFod(own);
        EXPECT_EQ(index_->searchFodsForRepairParent(set), QList<FODObjectPtr>({own}));
        EXPECT_EQ(index_->searchJobFileForFilePart(part), own);
    }
}

TEST_F(FODIndex, TheFileIDIsTriedBeforeTheFidAndTheFidStandsInForAnAmbiguousFileID)
{
    FODObjectPtr byFid = record("q", "f1", "a.bin", download_);
    FODObjectPtr byId1 = record("q1", "f2", "b.bin", download_);
    FODObjectPtr byId2 = record("q2", "f3", "c.bin", download_);
    byId1->setFileID("id");
    byId2->setFileID("id");
    for (const FODObjectPtr& f : {byFid, byId1, byId2})
        index_->addFod(f);
    EXPECT_EQ(index_->searchFileForDict({{"fid", "f1"}, {"fileID", "id"}, {"qid", "q1"}}), byId1);
    EXPECT_EQ(index_->searchFileForDict({{"fid", "f1"}, {"fileID", "id"}, {"qid", "other"}}), byFid);
    EXPECT_EQ(index_->searchFileForDict({{"fid", "f1"}}), byFid);
}

TEST_F(FODIndex, AFilePartIsFoundAfterItsFileWasRenamedAndOnlyByTheValuesBeforeTheFirstMissingOne)
{
    QueuePtr part;
    QueuePtr job = jobWithPart("q1", download_, &part);
    part->setFid("f1");
    part->setFilename("obfuscated.bin");
    part->setOrgFilename("obfuscated.bin");
    part->setMd516k("k1");
    part->setMd5("m1");
    FODObjectPtr fod = index_->createFodForFilePart(part);
    ASSERT_TRUE(fod);
    EXPECT_EQ(fod->qid(), "q1");
    EXPECT_EQ(fod->folder(), download_);
    EXPECT_EQ(fod->fileID(), "");
    EXPECT_FALSE(fod->fileID().isNull());

    index_->renameFod(download_ + "/obfuscated.bin", download_ + "/movie.mkv");
    EXPECT_EQ(fod->filename(), "movie.mkv");
    EXPECT_EQ(index_->searchFileForFilePart(part), fod); // by fid

    QueuePtr other;
    QueuePtr otherJob = jobWithPart("q1", download_, &other);
    other->setFid("unknown");
    other->setMd5("m1");
    EXPECT_EQ(index_->searchFileForFilePart(other), fod); // by md5

    // Without an md5 the part is looked up by its fid alone.
    other->setMd5(QString());
    other->setMd516k("k1");
    other->setFilename("movie.mkv");
    EXPECT_EQ(index_->searchFileForFilePart(other), nullptr);
}

// The whole-file MD5 follows a written part's record: the record of the
// part (its job, 16 KiB digest and size) takes it, even after the file was
// renamed, and is then listed under it; a record that has one keeps it, and
// two records alike take none rather than the wrong one.
TEST_F(FODIndex, TheMd5ThatFollowsAWrittenPartCompletesOnlyItsOwnRecord)
{
    const auto writtenPart = [&](const QString& qid, const QString& name, double bytes, QueuePtr* part) {
        QueuePtr job = jobWithPart(qid, download_, part);
        (*part)->setFilename(name);
        (*part)->setOrgFilename(name);
        (*part)->setMd516k("k1");
        (*part)->setBytes(bytes);
        return job;
    };
    QueuePtr part;
    QueuePtr job = writtenPart("q1", "a.bin", 1000, &part);
    const FODObjectPtr own = index_->createFodForFilePart(part);
    QueuePtr otherSize;
    QueuePtr otherSizeJob = writtenPart("q1", "b.bin", 2000, &otherSize);
    const FODObjectPtr sized = index_->createFodForFilePart(otherSize);
    QueuePtr otherJobPart;
    QueuePtr otherJob = writtenPart("q2", "a.bin", 1000, &otherJobPart);
    otherJob->setDownloadUrl(download_ + "/other");
    const FODObjectPtr elsewhere = index_->createFodForFilePart(otherJobPart);
    index_->renameFod(download_ + "/a.bin", download_ + "/renamed.bin");

    part->setMd5("m1");
    index_->completeMd5(part);
    EXPECT_EQ(own->md5(), "m1");
    EXPECT_EQ(index_->fodsForKey("m1"), QList<FODObjectPtr>({own}));
    EXPECT_TRUE(sized->md5().isEmpty());
    EXPECT_TRUE(elsewhere->md5().isEmpty());

    // Once set, it stays.
    part->setMd5("m2");
    index_->completeMd5(part);
    EXPECT_EQ(own->md5(), "m1");

    // Two records alike of one job: neither is guessed.
    QueuePtr twin;
    QueuePtr twinJob = writtenPart("q3", "t.bin", 500, &twin);
    QueuePtr other;
    QueuePtr otherTwinJob = writtenPart("q3", "u.bin", 500, &other);
    const FODObjectPtr first = index_->createFodForFilePart(twin);
    const FODObjectPtr second = index_->createFodForFilePart(other);
    twin->setMd5("m3");
    index_->completeMd5(twin);
    EXPECT_TRUE(first->md5().isEmpty());
    EXPECT_TRUE(second->md5().isEmpty());
}

TEST_F(FODIndex, RecordsForSetMembersAndVolumesCarryTheSetsValues)
{
    QueuePtr part;
    QueuePtr job = jobWithPart("q1", download_, &part);
    part->setFid("f1");
    part->setFilename("a.bin");
    part->setBytes(1234.9);
    const RepairObjectPtr set = setWithMember("q1", "a-real.bin", "id1", "k1", "m1");
    const RepairObjectPtr member = set->childs().first();
    member->setAvailableBlocks(3);

    FODObjectPtr fod = index_->createFodForRepairChild(member, part);
    EXPECT_EQ(fod->orgFilename(), "a-real.bin");
    EXPECT_EQ(fod->filename(), "a.bin");
    EXPECT_EQ(fod->fileID(), "id1");
    // Not the member's count: the record's bytes are still to be counted.
    EXPECT_EQ(fod->availableBlocks(), 0);
    EXPECT_FALSE(fod->crc32checked());
    EXPECT_EQ(index_->searchFodsForRepairParent(set), QList<FODObjectPtr>({fod}));

    QueuePtr volume;
    QueuePtr volumeJob = jobWithPart("q1", download_, &volume);
    volume->setFid("fv");
    volume->setFilename("a.vol0+8.par2");
    volume->setIspar(true);
    volume->setRepairblocks(8);
    volume->setSetID("set1");
    FODObjectPtr vol = index_->createFodForVolPar2FilePart(volume);
    EXPECT_EQ(vol->availableBlocks(), 8);
    EXPECT_EQ(index_->searchVolFodsForRepairParent(set), QList<FODObjectPtr>({vol}));
    vol->setAvailableBlocks(0);
    EXPECT_TRUE(index_->searchVolFodsForRepairParent(set).isEmpty());
}

// A file written again replaced the bytes that lay at its path: the record
// of those bytes (its count, its digests) goes with them, also from the
// store, and a file of the same name elsewhere keeps its record.
TEST_F(FODIndex, ARecordMadeForAPathTakesThePlaceOfTheRecordsOfWhatLayThere)
{
    QList<QueuePtr> jobs; // the parts refer to them weakly
    const auto written = [&](const QString& qid, const QString& folder, const QString& fid) {
        QueuePtr part;
        jobs.append(jobWithPart(qid, download_ + folder, &part));
        part->setFid(fid);
        part->setFilename("a.bin");
        part->setOrgFilename("a.bin");
        return part;
    };
    const QueuePtr first = written("q1", "/job", "f1");
    first->setMd5("old");
    const FODObjectPtr before = index_->createFodForFilePart(first);
    before->setAvailableBlocks(5);
    before->setCrc32checked(true);
    const FODObjectPtr kept = index_->createFodForFilePart(written("q2", "/other", "f9"));

    const QueuePtr again = written("q1", "/job", "f2");
    const FODObjectPtr after = index_->createFodForFilePart(again);
    EXPECT_TRUE(index_->fodsForKey("f1").isEmpty());
    EXPECT_TRUE(index_->fodsForKey("old").isEmpty());
    EXPECT_EQ(index_->fodsForKey("a.bin"), QList<FODObjectPtr>({after, kept}));
    EXPECT_EQ(index_->uniqueFodsArray().size(), 2);
    EXPECT_EQ(index_->searchJobFileForFilePart(first), nullptr);
    EXPECT_EQ(index_->searchJobFileForFilePart(again), after);
}

TEST_F(FODIndex, RenameMovesOnlyTheRecordOfTheFileThatMovedBetweenNameKeys)
{
    FODObjectPtr moved = record("q", "f1", "a_b.bin", download_);
    FODObjectPtr elsewhere = record("q", "f2", "a_b.bin", download_ + "/sub");
    FODObjectPtr lookalike = record("q", "f3", "a@b.bin", download_); // same name key
    for (const FODObjectPtr& f : {moved, elsewhere, lookalike})
        index_->addFod(f);

    index_->renameFod(download_ + "/a_b.bin", download_ + "/job/b.bin");
    EXPECT_EQ(moved->folder(), download_ + "/job");
    EXPECT_EQ(moved->filename(), "b.bin");
    EXPECT_EQ(moved->orgFilename(), "a_b.bin"); // the original name stays a key
    EXPECT_EQ(index_->fodsForKey("b.bin"), QList<FODObjectPtr>({moved}));
    EXPECT_TRUE(index_->fodsForKey("a_b.bin").contains(moved));
    EXPECT_EQ(elsewhere->folder(), download_ + "/sub");
    EXPECT_EQ(lookalike->filename(), "a@b.bin");
    EXPECT_EQ(lookalike->folder(), download_);
    Logger::shared()->flush();
    EXPECT_EQ(
        LogFileReader(home_.logFilePath())
            .linesWithMessage("Renaming file :: " + download_ + "/a_b.bin => " + download_ + "/job/b.bin")
            .size(),
        1);
}

TEST_F(FODIndex, ARenameWithoutAPathChangesNothingAndSaysSo)
{
    FODObjectPtr fod = record("q", "f1", "a.bin", download_);
    index_->addFod(fod);
    MessageCapture console("binorama.fod");
    index_->renameFod(download_ + "/a.bin", QString());
    EXPECT_EQ(fod->filename(), "a.bin");
    EXPECT_EQ(console.lines(), QStringList({"[FODController renameFod:newpath:] Unable to rename fod :: " +
                                            download_ + "/a.bin => "}));
    Logger::shared()->flush();
    EXPECT_EQ(LogFileReader(home_.logFilePath()).linesWithMessage("Could not rename FOD").size(), 1);
}

TEST_F(FODIndex, AMovedFolderTakesTheRecordsOfItsFilesAlong)
{
    const QString oldFolder = home_.makeFolder("dl/Old Title");
    home_.makeFolder("dl/Old Title/temp");
    FODObjectPtr top = record("q", "f1", "a.bin", oldFolder);
    FODObjectPtr deeper = record("q", "f2", "b.bin", oldFolder + "/temp");
    FODObjectPtr sibling = record("q", "f3", "c.bin", download_ + "/Old Title 2");
    for (const FODObjectPtr& f : {top, deeper, sibling})
        index_->addFod(f);
    index_->renameFod(oldFolder, download_ + "/New Title");
    EXPECT_EQ(top->folder(), download_ + "/New Title");
    EXPECT_EQ(deeper->folder(), download_ + "/New Title/temp");
    EXPECT_EQ(sibling->folder(), download_ + "/Old Title 2");
}

TEST_F(FODIndex, RemovalsTakeOnlyRecordsOfTheExactFolder)
{
    FODObjectPtr inSub = record("q", "f1", "a_b.bin", download_ + "/sub");
    FODObjectPtr inSub2 = record("q", "f2", "c.bin", download_ + "/sub");
    FODObjectPtr deeper = record("q", "f3", "a_b.bin", download_ + "/sub/deeper");
    FODObjectPtr lookalike = record("q", "f4", "a@b.bin", download_ + "/sub"); // same name key
    for (const FODObjectPtr& f : {inSub, inSub2, deeper, lookalike})
        index_->addFod(f);

    index_->removeFod(download_ + "/sub/a_b.bin");
    EXPECT_TRUE(index_->fodsForKey("f1").isEmpty());
    EXPECT_EQ(index_->fodsForKey("a_b.bin"), QList<FODObjectPtr>({lookalike, deeper}));

    index_->removeFodsInFolder(download_ + "/sub");
    EXPECT_EQ(index_->uniqueFodsArray(), QList<FODObjectPtr>({deeper}));

    index_->removeFodWithFid("f3");
    index_->removeFodWithFid(QString());
    EXPECT_TRUE(index_->uniqueFodsArray().isEmpty());
}

TEST_F(FODIndex, ARecordWhoseKeysChangedInPlaceLeavesEveryListWhenRemoved)
{
    FODObjectPtr fod = record("q", "f1", "obf.bin", download_);
    index_->addFod(fod);
    // Post-processing links the record to its set member without telling
    // the index: the record must still leave the lists it is in.
    fod->setOrgFilename("real.bin");
    fod->setFileID("id1");
    index_->removeFodObject(fod);
    EXPECT_TRUE(index_->uniqueFodsArray().isEmpty());
    EXPECT_TRUE(index_->fodsForKey("obf.bin").isEmpty());
}

TEST_F(FODIndex, LookupsCreationsAndRemovalsFromManyThreadsKeepTheIndexWhole)
{
    std::atomic<bool> go{false};
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t) {
        threads.emplace_back([&, t] {
            while (!go.load())
                std::this_thread::yield();
            for (int i = 0; i < 300; ++i) {
                const QString fid = QString("t%1-%2").arg(t).arg(i);
                FODObjectPtr fod = record("q", fid, fid + ".bin", download_);
                fod->setMd5("shared");
                index_->addFod(fod);
                index_->searchFileForDict({{"md5", "shared"}, {"qid", "q"}});
                index_->renameFod(download_ + "/" + fid + ".bin", download_ + "/" + fid + ".x");
                if (i % 2) index_->removeFodWithFid(fid);
            }
        });
    }
    go.store(true);
    for (std::thread& th : threads)
        th.join();
    EXPECT_EQ(index_->uniqueFodsArray().size(), 4 * 150);
    EXPECT_EQ(index_->fodsForKey("shared").size(), 4 * 150);
}
