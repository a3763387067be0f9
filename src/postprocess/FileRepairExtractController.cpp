#include "postprocess/FileRepairExtractController.h"

#include "core/Logger.h"
#include "platform/NotificationHub.h"
#include "platform/UserDefaults.h"
#include "postprocess/FileRepair.h"
#include "postprocess/JobTempFolder.h"
#include "postprocess/JoinFileParts.h"
#include "postprocess/RepairObject.h"
#include "postprocess/Un7z.h"
#include "postprocess/UnRar.h"
#include "postprocess/UnZip.h"
#include "queue/FODObject.h"
#include "queue/Queue.h"
#include "queue/StatusCodes.h"

#include <QSet>

namespace {

bool setting(const char* key)
{
    return UserDefaults::standard().boolForKey(QString::fromLatin1(key));
}

template <typename Worker>
void startWorker(const std::shared_ptr<Worker>& worker, FileRepairExtractDelegate* runner,
                 const QueuePtr& job)
{
    worker->setFileRepairExtractController(runner);
    worker->setQueue(job);
    worker->start();
}

} // namespace

FileRepairExtractController::FileRepairExtractController(QObject* parent) : QObject(parent)
{
    NotificationHub::defaultCenter().addObserver(QStringLiteral("ApplicationWillTerminate"), this,
                                                 [this](const Notification&) { applicationWillTerminate(); });
}

FileRepairExtractController::~FileRepairExtractController() = default;

void FileRepairExtractController::setJobSource(JobSource source)
{
    jobSource_ = std::move(source);
}

void FileRepairExtractController::rescan()
{
    if (isrunning_) return;
    run();
}

void FileRepairExtractController::run()
{
    isrunning_ = true;
    // A job dropped without a step (its step switched off, nothing to do)
    // is no longer waiting, so the next one is taken in the same pass:
    // otherwise it would wait for some unrelated job's rescan. A job offered
    // twice means the source does not see the change; stop rather than spin.
    QSet<const Queue*> seen;
    for (;;) {
        currentQueue_ = jobSource_ ? jobSource_() : nullptr;
        if (!currentQueue_ || seen.contains(currentQueue_.get())) {
            currentQueue_.reset();
            isrunning_ = false;
            return;
        }
        seen.insert(currentQueue_.get());
        if (startStepFor(currentQueue_)) return;
        if (isCancelled_) {
            isrunning_ = false;
            return;
        }
    }
}

bool FileRepairExtractController::startStepFor(const QueuePtr& job)
{
    // Read now, so that a change of a switch applies to the next step.
    const bool repair = setting("enableFileRepair");
    const bool extract = setting("enableFileExtract");
    const qint64 status = job->status();

    if (status == JobStatus::QueuedForRepair && !repair) {
        job->setStatus(JobStatus::PrepareJoiningFileParts);
        return false;
    }
    if (!extract && status == JobStatus::QueuedForExtraction) {
        job->setStatus(JobStatus::ObfuscationCheckDone);
        return false;
    }
    if (!extract && status == JobStatus::ReadyForDeepExtraction) {
        job->setStatus(JobStatus::ReversingFilenames);
        return false;
    }

    switch (status) {
    case JobStatus::QueuedForRepair:
        if (!job->repairObject()) {
            // Nothing to repair with: the job goes on as if repair were off.
            // Left at QueuedForRepair it would be offered first on every rescan and hold
            // back every later job.
            BLOG(4, "No repair set for %@", job->title());
            job->setStatus(JobStatus::PrepareJoiningFileParts);
            return false;
        }
        startRepairing();
        return true;
    case JobStatus::ReadyToJoinFileParts:
        startJoining();
        return true;
    case JobStatus::QueuedForExtraction:
    case JobStatus::ReadyForDeepExtraction: {
        isSubExtracting_ = status == JobStatus::ReadyForDeepExtraction;
        job->setStatus(isSubExtracting_ ? JobStatus::DeepExtracting : JobStatus::Extracting);
        if (!job->rarfiles().isEmpty()) {
            startExtractingRar();
        } else if (!job->z7files().isEmpty()) {
            startExtracting7z();
        } else if (!job->zipfiles().isEmpty()) {
            startExtractingZip();
        } else {
            // A nested pass with nothing to unpack has nothing left to do;
            // it is not an error of the job.
            job->setStatus(isSubExtracting_ ? JobStatus::DeepExtractionDone
                                            : JobStatus::ExtractingNotPossible);
            return false;
        }
        return true;
    }
    default:
        currentQueue_.reset();
        isrunning_ = false;
        return true; // not a job for this runner: stop looking
    }
}

void FileRepairExtractController::startRepairing()
{
    currentQueue_->setStatus(JobStatus::Repairing);
    startWorker(FileRepair::create(), this, currentQueue_);
}

void FileRepairExtractController::startJoining()
{
    currentQueue_->setStatus(JobStatus::JoiningFileParts);
    joinFilesThread_ = JoinFileParts::create();
    startWorker(joinFilesThread_, this, currentQueue_);
}

void FileRepairExtractController::startExtractingRar()
{
    startWorker(UnRar::create(), this, currentQueue_);
}

void FileRepairExtractController::startExtracting7z()
{
    startWorker(Un7z::create(), this, currentQueue_);
}

void FileRepairExtractController::startExtractingZip()
{
    startWorker(UnZip::create(), this, currentQueue_);
}

void FileRepairExtractController::repairFinishedWithResult(bool result, qint64 requiredBlocks)
{
    const QueuePtr job = currentQueue_;
    if (job) {
        const RepairObjectPtr set = job->repairObject();
        const QueuePtr index = set ? set->filepart() : nullptr;
        if (result) {
            if (index) index->setIsRepaired(true);
            job->setIsIncomplete(false);
            for (const QueuePtr& part : job->fileparts())
                part->setIsIncomplete(false);
            if (set) {
                // par2 verified every file of the set after it wrote them:
                // the PAR2 pane shows the set complete, and the files'
                // records hold the count of the repaired bytes.
                for (const RepairObjectPtr& child : set->childs()) {
                    if (child->isPar()) continue;
                    if (const FODObjectPtr fod = child->fod()) {
                        fod->setAvailableBlocks(child->totalBlocks());
                        fod->setCrc32checked(true);
                    }
                    if (!child->isDownloaded() || child->availableBlocks() < child->totalBlocks()) {
                        child->setIsDownloaded(true);
                        child->setAvailableBlocks(child->totalBlocks());
                    }
                }
            }
            job->setStatus(JobStatus::RepairFinished);
        } else if (!isCancelled_ && !job->isCancelled() && !job->isPaused() && !job->diskNotReady()) {
            if (requiredBlocks > 0) {
                job->setBlocksRequired(requiredBlocks);
                job->setStatus(JobStatus::NeedsMoreRepairBlocks);
            } else {
                if (index) index->setIsRepaired(true);
                job->setStatus(JobStatus::RepairNotPossible);
            }
        }
    }
    stepDone();
}

void FileRepairExtractController::joiningFinishedWithResult(bool result)
{
    if (currentQueue_)
        currentQueue_->setStatus(result ? JobStatus::JoiningFilePartsDone : JobStatus::JoiningFilePartsError);
    stepDone();
}

void FileRepairExtractController::rarExtractFinishedWithResult(bool result)
{
    extractFinished(ArchiveList::Rar, result);
}

void FileRepairExtractController::z7ExtractFinishedWithResult(bool result)
{
    extractFinished(ArchiveList::SevenZip, result);
}

void FileRepairExtractController::zipExtractFinishedWithResult(bool result)
{
    extractFinished(ArchiveList::Zip, result);
}

void FileRepairExtractController::extractFinished(ArchiveList list, bool result)
{
    const QueuePtr job = currentQueue_;
    if (job) {
        if (result) {
            auto dropFirst = [](QStringList names) {
                if (!names.isEmpty()) names.removeFirst();
                return names;
            };
            switch (list) {
            case ArchiveList::Rar:
                job->setRarfiles(dropFirst(job->rarfiles()));
                break;
            case ArchiveList::SevenZip:
                job->setZ7files(dropFirst(job->z7files()));
                break;
            case ArchiveList::Zip:
                job->setZipfiles(dropFirst(job->zipfiles()));
                break;
            }
            job->setDidExtractFiles(true);
            const bool more =
                !job->rarfiles().isEmpty() || !job->z7files().isEmpty() || !job->zipfiles().isEmpty();
            if (more)
                job->setStatus(isSubExtracting_ ? JobStatus::ReadyForDeepExtraction
                                                : JobStatus::QueuedForExtraction);
            else
                job->setStatus(isSubExtracting_ ? JobStatus::DeepExtractionDone
                                                : JobStatus::ExtractionFinished);
        } else if (!isCancelled_ && !job->isCancelled() && !job->isPaused() &&
                   job->status() != JobStatus::CorruptFileOrWrongPassword) {
            job->setStatus(isSubExtracting_ ? JobStatus::DeepExtractionError
                                            : JobStatus::ExtractingNotPossible);
        }
        const qint64 now = job->status();
        if (now != JobStatus::ExtractionFinished && now != JobStatus::QueuedForExtraction &&
            now != JobStatus::DeepExtractionDone && now != JobStatus::ReadyForDeepExtraction)
            deleteTempFolder();
    }
    stepDone();
}

void FileRepairExtractController::deleteTempFolder()
{
    // What earlier runs of this job extracted stays: the remaining archives
    // of a job are extracted on a later pass (after a password, a resume),
    // and the first pass's files are what a nested pass started from. A
    // failed run has already removed its own output.
    if (currentQueue_) JobTempFolder::deleteTempFolder(currentQueue_->downloadUrl());
}

void FileRepairExtractController::sendComment(const QString& comment)
{
    if (currentQueue_) currentQueue_->setCommentTextField(comment);
}

void FileRepairExtractController::applicationWillTerminate()
{
    isCancelled_ = true;
    // The tool workers observe the notification themselves; the join does not.
    if (joinFilesThread_) joinFilesThread_->cancel();
}

void FileRepairExtractController::stepDone()
{
    isrunning_ = false;
    if (!isCancelled_) rescan();
}
