#include "postprocess/RepairController.h"

#include "core/FileOperations.h"
#include "core/FileUtils.h"
#include "core/Logger.h"
#include "platform/Dispatch.h"
#include "postprocess/Par2Decoder.h"
#include "postprocess/Par2Utils.h"
#include "queue/FODController.h"
#include "queue/Queue.h"

#include <QDir>
#include <QFile>

#include <algorithm>
#include <sys/stat.h>

namespace {

bool somethingAt(const QString& path)
{
    struct stat st;
    return ::lstat(QFile::encodeName(path).constData(), &st) == 0;
}

QString jobFolderOf(const RepairObjectPtr& parent)
{
    const QueuePtr part = parent ? parent->filepart() : nullptr;
    const QueuePtr job = part ? part->queue() : nullptr;
    const QString folder = job ? job->downloadUrl() : QString();
    return folder.isEmpty() ? QString() : QDir::cleanPath(folder);
}

} // namespace

RepairController::RepairController(QObject* parent) : QObject(parent)
{
    // One at a time: the work takes the lock anyway, and this keeps the
    // hand-offs of one thread in their order.
    handoff_.setMaxThreadCount(1);
}

RepairController::~RepairController()
{
    handoff_.waitForDone();
}

bool RepairController::handedOff(std::function<void()> work)
{
    if (!Dispatch::isMainThread()) return false;
    handoff_.start(std::move(work));
    return true;
}

FileContentSource RepairController::par2SourceOf(const QueuePtr& filepart, bool fromDisk)
{
    if (!fromDisk) return FileContentSource::fromData(filepart->decodedFileData());
    const QueuePtr job = filepart->queue();
    const QString folder = job ? job->downloadUrl() : QString();
    const QString name = filepart->filename();
    if (folder.isEmpty() || name.isEmpty()) return FileContentSource();
    return FileContentSource::fromFile(folder + QLatin1Char('/') + name);
}

FileContentSource RepairController::writtenSourceOf(const QueuePtr& filepart)
{
    const QByteArray data = filepart->decodedFileData();
    if (!data.isNull()) return FileContentSource::fromData(data);
    return par2SourceOf(filepart, true);
}

// ---------------------------------------------------------------------------
// Calls of the file writer

RepairObjectPtr RepairController::addAndAnalysePar2FilePart(const QueuePtr& filepart, bool fromDisk)
{
    if (!filepart) return nullptr;
    return addAndAnalysePar2FilePart(filepart, par2SourceOf(filepart, fromDisk));
}

RepairObjectPtr RepairController::addAndAnalysePar2FilePart(const QueuePtr& filepart,
                                                            const FileContentSource& par2)
{
    if (!filepart) return nullptr;
    if (handedOff([this, filepart, source = par2.detached()] { analyse(filepart, source); })) return nullptr;
    return analyse(filepart, par2);
}

RepairObjectPtr RepairController::analyse(const QueuePtr& filepart, const FileContentSource& par2)
{
    const QueuePtr job = filepart->queue();
    if (!job) return nullptr;
    // A job's further PAR2 files (its volumes, possibly hundreds of MB each)
    // are not read at all once it has a set of its own.
    if (hasOwnSet(job)) return nullptr;
    const std::optional<QVariantMap> list = RepairModel::analizePar2(par2);
    if (!list) return nullptr;

    QMutexLocker locker(&lock_);
    if (hasOwnSet(job)) return nullptr;
    const QString setID =
        list->value(QStringLiteral("main")).toMap().value(QStringLiteral("setID")).toString();
    const QString qid = job->qid();
    RepairObjectPtr parent = repairmodel_.getRepairParentForSetID(setID, qid);
    const bool fresh = !parent;
    if (fresh) parent = RepairModel::createRepairParentFromDict(*list, qid);
    parent->setFilepart(filepart);
    filepart->setSetID(setID);
    updateRootQueue(job, parent);
    filepart->setRepairblocks(parent->validRecoverySlices());
    if (fresh) repairmodel_.addRepairObject(parent);
    searchPreviousDownloadedFodsForRepairParent(parent);
    linkWrittenParts(job, parent);
    return parent;
}

// The job's files written before its set was known were recorded without a
// member of it. The search for earlier files above finds a record only by
// its name and first-16-KiB digest together, or by its MD5, which a damaged
// file does not share with the set: the set would then count none of that
// file's intact slices, ask for more blocks than its volumes hold, and the
// outcome would depend on whether the PAR2 file or the data came first. So
// each such part is matched as a part written after the set is (by name or
// digest), and the set's re-check counts its slices and gives it its name.
void RepairController::linkWrittenParts(const QueuePtr& job, const RepairObjectPtr& parent)
{
    if (!fodController_) return;
    for (const QueuePtr& part : job->fileparts()) {
        if (part->ispar() || !part->isDownloaded() || part->repairObject()) continue;
        const FODObjectPtr fod = fodController_->searchJobFileForFilePart(part);
        if (!fod) continue;
        RepairObjectPtr child;
        for (const RepairObjectPtr& member : parent->childs()) {
            if (!member->isPar() && member->fod() == fod) child = member;
        }
        if (child)
            child->setIsUsed(true);
        else
            child = repairmodel_.getRepairChildObjectForFilepart(part, parent);
        if (!child) continue;
        part->setRepairObject(child);
        child->setFilepart(part);
        updateRepairObject(child, fod);
    }
}

bool RepairController::hasOwnSet(const QueuePtr& job)
{
    const RepairObjectPtr set = job->repairObject();
    return set && set->qid() == job->qid();
}

void RepairController::setRepairChildObjectForFilepart(const QueuePtr& filepart)
{
    if (!filepart) return;
    if (handedOff([this, filepart] { setRepairChildObjectForFilepart(filepart); })) return;
    QMutexLocker locker(&lock_);
    // Only a member of the job's own set: a set first seen in another job
    // is that job's, its files in that job's folder.
    const RepairObjectPtr child = repairmodel_.getRepairChildObjectForFilepart(filepart);
    filepart->setRepairObject(child);
    if (child) child->setFilepart(filepart);
}

void RepairController::addFilePartToFod(const QueuePtr& filepart)
{
    if (!filepart) return;
    addFilePartToFod(filepart, writtenSourceOf(filepart));
}

void RepairController::addFilePartToFod(const QueuePtr& filepart, const FileContentSource& written)
{
    if (!filepart) return;
    if (handedOff([this, filepart, source = written.detached()] { recordWrittenPart(filepart, source); }))
        return;
    recordWrittenPart(filepart, written);
}

void RepairController::recordWrittenPart(const QueuePtr& filepart, const FileContentSource& written)
{
    QMutexLocker locker(&lock_);
    if (!fodController_) {
        BLOG(3, "No files-on-disk index for: %@", filepart->filename());
        return;
    }
    const QueuePtr job = filepart->queue();
    const RepairObjectPtr child = filepart->repairObject();
    if (!filepart->ispar()) {
        if (child) {
            const FODObjectPtr fod = fodController_->createFodForRepairChild(child, filepart);
            // Linked before the count, so that the count marks this record.
            child->setFod(fod);
            const RepairModel::CheckResult result = RepairModel::crc32BlockCheckForFileData(written, child);
            if (result == RepairModel::CheckResult::NotReadable) {
                BLOG(3, "Could not read the written file for its CRC-32 check: %@", filepart->filename());
                // The re-check from disk counts it later.
                if (const RepairObjectPtr set = child->parent()) set->setNeedsCRC32Check(true);
            }
            updateRepairObject(child, fod);
            decide(child->parent());
        } else {
            fodController_->createFodForFilePart(filepart);
            if (job) decide(job->repairObject());
        }
        return;
    }
    const RepairObjectPtr set = child ? child->parent() : (job ? job->repairObject() : nullptr);
    if (filepart->setID().isEmpty() && set) filepart->setSetID(set->setID());
    const FODObjectPtr fod = fodController_->createFodForVolPar2FilePart(filepart);
    if (set) {
        updateRepairParent(set, fod);
        // The job's folder is known once the file that made its set is in
        // it: copies of earlier downloads can be linked there now.
        if (set->filepart() == filepart) linkIntactCopiesOfEarlierDownloads(set);
        decide(set);
    }
}

// ---------------------------------------------------------------------------
// Calls of the save-state restore and the scheduler

void RepairController::restoreAndAnalysePar2FilePart(const QueuePtr& filepart)
{
    if (!filepart) return;
    if (handedOff([this, filepart] { restore(filepart); })) return;
    restore(filepart);
}

void RepairController::restore(const QueuePtr& filepart)
{
    QMutexLocker locker(&lock_);
    const RepairObjectPtr set = analyse(filepart, par2SourceOf(filepart, true));
    const QueuePtr job = filepart->queue();
    if (!set || !job) return;
    if (!job->repairObject()) updateRootQueue(job, set);
    if (fodController_) {
        set->setFod(fodController_->searchJobFileForFilePart(filepart));
        for (const FODObjectPtr& volume : fodController_->searchVolFodsForRepairParent(set))
            updateRepairParent(set, volume);
    }
    linkIntactCopiesOfEarlierDownloads(set);
    decide(set);
}

void RepairController::crc32CheckFodsInRepairParent(const RepairObjectPtr& parent, bool forcedAll,
                                                    std::function<void()> thenOnMain)
{
    auto work = [this, parent, forcedAll, then = std::move(thenOnMain)] {
        if (parent) recheck(parent, forcedAll);
        if (then) Dispatch::onMain(then);
    };
    if (handedOff(work)) return;
    work();
}

void RepairController::recheck(const RepairObjectPtr& parent, bool forcedAll)
{
    QMutexLocker locker(&lock_);
    const QString jobFolder = jobFolderOf(parent);
    for (const RepairObjectPtr& child : parent->childs()) {
        // PAR2 files of the set hold recovery blocks, not slices of the set.
        if (child->isPar()) continue;
        const FODObjectPtr fod = child->fod();
        if (!fod || fod->folder().isEmpty()) continue;
        if (fod->qid() != parent->qid()) {
            // Never counted for this job, never moved by it.
            child->setFod(nullptr);
            child->setAvailableBlocks(0);
            child->setIsDownloaded(false);
            continue;
        }
        if (forcedAll) {
            fod->setCrc32checked(false);
            fod->setAvailableBlocks(0);
        }
        if (!fod->crc32checked()) {
            // Streamed slice by slice: a file of any size costs one buffer.
            const RepairModel::CheckResult result =
                RepairModel::crc32BlockCheckForFileData(FileContentSource::fromFile(fod->path()), child);
            if (result == RepairModel::CheckResult::NotReadable) {
                // Nothing is known of a file that cannot be read.
                child->setAvailableBlocks(0);
                continue;
            }
            fod->setCrc32checked(true);
        }
        moveFod(fod, child, jobFolder);
        updateRepairObject(child, fod);
    }
    parent->setNeedsCRC32Check(false);
    decide(parent);
}

void RepairController::checkIfEnoughBlocksForRepairParent(const RepairObjectPtr& parent)
{
    if (!parent) return;
    if (handedOff([this, parent] { decide(parent); })) return;
    decide(parent);
}

void RepairController::removeRepairObject(const RepairObjectPtr& parent)
{
    repairmodel_.removeRepairObject(parent);
}

// ---------------------------------------------------------------------------
// Steps

void RepairController::decide(const RepairObjectPtr& parent)
{
    if (!parent) return;
    QMutexLocker locker(&lock_);
    const qint64 available = calculateAvailableBlocksForRepairParent(parent);
    parent->setAvailableBlocks(available);
    const QueuePtr part = parent->filepart();
    const QueuePtr job = part ? part->queue() : nullptr;
    if (!job) return;
    const bool allDownloaded = checkIfAllFilesAreDownloadedForQueue(job);
    const qint64 total = parent->totalBlocks();
    job->setBlocksRequired(total - available);
    // The flags say what the counts say now: a set that was complete once
    // and lost slices since (a file written again, a join) is not complete.
    if (total > available || !allDownloaded) {
        job->setCanRepair(false);
        job->setCanExtract(false);
        return;
    }
    parent->setNeedsCRC32Check(false);
    const QList<RepairObjectPtr> children = parent->childs();
    const bool damaged = std::any_of(children.begin(), children.end(), [](const RepairObjectPtr& c) {
        return !c->isPar() && c->availableBlocks() < c->totalBlocks();
    });
    job->setCanRepair(damaged);
    job->setCanExtract(!damaged);
}

bool RepairController::checkIfAllFilesAreDownloadedForQueue(const QueuePtr& job)
{
    for (const QueuePtr& part : job->fileparts()) {
        if (part->checkbox() == 1 && !part->isDownloaded()) return false;
    }
    return true;
}

qint64 RepairController::calculateAvailableBlocksForRepairParent(const RepairObjectPtr& parent)
{
    qint64 sum = 0;
    for (const RepairObjectPtr& child : parent->childs()) {
        if (const FODObjectPtr fod = child->fod()) sum += fod->availableBlocks();
    }
    return sum;
}

void RepairController::searchPreviousDownloadedFodsForRepairParent(const RepairObjectPtr& parent)
{
    if (!fodController_) return;
    const QList<FODObjectPtr> found = fodController_->searchFodsForRepairParent(parent);
    if (found.isEmpty()) return;
    parent->setNeedsCRC32Check(true);
    for (const FODObjectPtr& fod : found)
        updateRepairObject(parent, fod);
}

void RepairController::updateRootQueue(const QueuePtr& job, const RepairObjectPtr& parent)
{
    if (job && parent) job->setRepairObject(parent);
}

void RepairController::updateRepairParent(const RepairObjectPtr& parent, const FODObjectPtr& fod)
{
    if (!parent || !fod) return;
    parent->setFod(fod);
    // One file is one member: a volume found twice (written, then found
    // again by a restore) must not count its blocks twice.
    for (const RepairObjectPtr& child : parent->childs()) {
        if (child->fod() == fod) return;
    }
    RepairObjectPtr child = RepairObject::create();
    child->setFod(fod);
    child->setIsPar(true);
    child->setIsDownloaded(true);
    child->setFilename(fod->filename());
    child->setSetID(parent->setID());
    child->setAvailableBlocks(fod->availableBlocks());
    child->setFileSize(qint64(fod->bytes()));
    parent->appendChild(child);
}

void RepairController::updateRepairObject(const RepairObjectPtr& object, const FODObjectPtr& fod)
{
    if (!object || !fod) return;
    const RepairObjectPtr child =
        object->parent() ? object : RepairModel::getRepairChildObjectForFod(fod, object);
    if (!child) return;
    const RepairObjectPtr set = child->parent();
    // A member counts the intact slices of its own file as the slice check
    // counted them in that file, never a count carried over from the member
    // or from another record; a file not counted yet counts nothing until
    // the set's re-check has read it. A file never has more intact slices
    // than the set gives it.
    const qint64 total = child->totalBlocks();
    const qint64 available =
        fod->crc32checked() ? std::clamp<qint64>(fod->availableBlocks(), 0, std::max<qint64>(total, 0)) : 0;
    child->setAvailableBlocks(available);
    fod->setAvailableBlocks(available);
    fod->setTotalBlocks(total);
    fod->setFileID(child->fileID());
    fod->setSetID(set ? set->setID() : child->setID());
    fod->setOrgFilename(child->filename());
    if (fodController_) fodController_->reindexFod(fod);
    child->setFod(fod);
    child->setIsDownloaded(true);
    if (!fod->crc32checked() && set) set->setNeedsCRC32Check(true);
}

// A member the job does not download itself may be a file an earlier
// download left: it is used only when its content is the member's (the
// whole file's MD5 and its size equal what the set records), and then only
// as a hard link (or a copy) in the job's own folder. The earlier file stays
// where it is, as it is; a damaged one is not used at all.
void RepairController::linkIntactCopiesOfEarlierDownloads(const RepairObjectPtr& parent)
{
    if (!fodController_ || !parent) return;
    const QString folder = jobFolderOf(parent);
    const QueuePtr part = parent->filepart();
    const QueuePtr job = part ? part->queue() : nullptr;
    if (folder.isEmpty() || !job || parent->qid().isEmpty()) return;
    for (const RepairObjectPtr& child : parent->childs()) {
        if (child->isPar() || child->fod() || child->fileSize() <= 0 || child->md5().isEmpty()) continue;
        const QString name = child->filename();
        if (name.isEmpty() || FileUtils::safeForeignFileName(name) != name) continue;
        if (downloadsItsOwnCopy(job, child)) continue;
        const QString target = folder + QLatin1Char('/') + name;
        if (somethingAt(target)) continue;
        for (const FODObjectPtr& earlier :
             fodController_->searchOtherJobsFodsForRepairChild(child, parent->qid())) {
            const QString source = earlier->path();
            if (!isIntactCopyOf(source, child)) continue;
            if (const int err = FileOperations::linkOrCopyNoReplace(source, target)) {
                BLOG(3, "Could not link %@ => %@ (%ld)", source, target, long(err));
                break;
            }
            BLOG(1, "Using the intact copy of an earlier download :: %@ => %@", source, target);
            updateRepairObject(child, fodController_->createFodForIntactCopy(child, parent->qid(), folder));
            break;
        }
    }
}

bool RepairController::downloadsItsOwnCopy(const QueuePtr& job, const RepairObjectPtr& child)
{
    const QString name = child->filename();
    for (const QueuePtr& part : job->fileparts()) {
        if (part->ispar() || part->checkbox() != 1) continue;
        if (part->repairObject() == child || part->filename() == name || part->orgFilename() == name)
            return true;
    }
    return false;
}

bool RepairController::isIntactCopyOf(const QString& path, const RepairObjectPtr& child)
{
    struct stat st;
    if (::lstat(QFile::encodeName(path).constData(), &st) != 0 || !S_ISREG(st.st_mode)) return false;
    if (qint64(st.st_size) != child->fileSize()) return false;
    return Par2Utils::MD5StringForFile(path).compare(child->md5(), Qt::CaseInsensitive) == 0;
}

// Gives a file the name its set records for it, in the job's folder. The
// name is one safe path component (see RepairModel), the target is always
// inside the job's folder, and an existing file is never replaced.
void RepairController::moveFod(const FODObjectPtr& fod, const RepairObjectPtr& child, const QString& folder)
{
    const QString name = child->filename();
    if (folder.isEmpty() || name.isEmpty() || FileUtils::safeForeignFileName(name) != name) return;
    // Only the job's own file: one of another job stays in that job's folder.
    const RepairObjectPtr set = child->parent();
    if (!set || fod->qid() != set->qid()) return;
    const QString oldFolder = QDir::cleanPath(fod->folder());
    const QString oldPath = oldFolder + QLatin1Char('/') + fod->filename();
    const QString newPath = folder + QLatin1Char('/') + name;
    if (QDir::cleanPath(oldPath) == QDir::cleanPath(newPath)) return;
    if (somethingAt(newPath)) {
        BLOG(4, "Not renaming %@ => %@: the name is taken", oldPath, newPath);
        return;
    }
    if (!FileUtils::renameFilenameFromString(oldPath, newPath, false)) {
        BLOG(3, "Could not rename %@ => %@", oldPath, newPath);
        return;
    }
    // The part written under another name follows its file, as one written
    // after its set was known is named by the set before it is written.
    const QueuePtr part = child->filepart();
    if (part && oldFolder == folder && part->filename() == fod->filename()) part->setFilename(name);
    if (fodController_) fodController_->renameFod(oldPath, newPath);
    if (oldFolder != folder) FileUtils::deleteEmptyFolderPath(oldFolder);
}
