#include "queue/SaveRestoreController.h"

#include "core/DialogBoxes.h"
#include "core/FileUtils.h"
#include "core/Logger.h"
#include "platform/Dispatch.h"
#include "platform/UserDefaults.h"
#include "postprocess/FileRepair.h"
#include "postprocess/JoinFileParts.h"
#include "postprocess/RepairController.h"
#include "postprocess/RepairObject.h"
#include "queue/QCodeClass.h"
#include "queue/QueueController.h"
#include "queue/SaveStateSnapshot.h"
#include "queue/StatusCodes.h"

#include <QCoreApplication>
#include <QDir>
#include <QHash>
#include <QMutexLocker>

#include <utility>

namespace {

using C = DBSaveRestore;

qint64 integerAt(const QStringList& row, int column)
{
    return row[column].toLongLong();
}
double doubleAt(const QStringList& row, int column)
{
    return row[column].toDouble();
}
// YES for any non-zero number.
bool boolAt(const QStringList& row, int column)
{
    return row[column].toDouble() != 0.0;
}

// Runs `fn` on the main thread and waits for it; at once when already there.
void onMainAndWait(const std::function<void()>& fn)
{
    if (Dispatch::isMainThread()) {
        fn();
        return;
    }
    QMetaObject::invokeMethod(QCoreApplication::instance(), fn, Qt::BlockingQueuedConnection);
}

// Whether a stored job status is one the scheduler knows: every job code
// has a text but the few that never show.
bool isKnownJobStatus(qint64 status)
{
    if (status < 0 || status >= UploadStatus::AddingToQueue) return false;
    return QCodeClass::code2Text(status).has_value() || status == JobStatus::NeedsMoreRepairBlocks ||
           status == JobStatus::NZBParsed || status == JobStatus::FilePartFailed;
}

double secondsSince(const QElapsedTimer& timer)
{
    return double(timer.nsecsElapsed()) / 1e9;
}

// Main thread: observers on, state re-announced, checked parts queued.
// Which lists were received is known from what was saved: a search-service
// job saved before its lists arrived must fetch them again.
void startRestoredJob(const QueuePtr& job, QueueController* queueController)
{
    job->startAllObservers();
    job->setIsPaused(job->isPaused());
    const QList<QueuePtr> parts = job->fileparts();
    if (job->isNZB() || job->isUploadObject()) {
        job->setFilelistReceived(true);
        job->setSegmentsReceived(true);
    } else {
        bool articlesKnown = !parts.isEmpty();
        for (const QueuePtr& part : parts) {
            if (!part->isDownloaded() && part->segmentCount() == 0) articlesKnown = false;
        }
        job->setFilelistReceived(!parts.isEmpty());
        job->setSegmentsReceived(articlesKnown);
    }
    for (const QueuePtr& part : parts) {
        part->startAllObservers();
        part->setDelegate(queueController);
        if (!part->isDownloaded() && part->checkbox() == 1 && !job->isUploadObject() &&
            part->segmentCount() > 0 && queueController) {
            // A part comes back marked queued, but none of its counters do:
            // it is queued as a new one, or the scheduler, which sees the job
            // admitted by the part before it, would take it as counted already
            // and never fetch the rest of it.
            part->setStatus(JobStatus::Idle);
            queueController->dpFilepartObjectCheckBoxClicked(part);
        }
    }
}

// Pool thread, before the hand-over: the job's files made ready for the
// step it goes on at, and its PAR2 set read back where it is checked again.
void prepareFilesOfRestoredJob(const QueuePtr& job, RepairController* repair)
{
    switch (job->restorePoint()) {
    case RestorePoint::Joined:
        // Stopped between the join and the deletion of its pieces.
        JoinFileParts::removeLeftoverPieces(job);
        return;
    case RestorePoint::Downloaded:
    case RestorePoint::Repairing:
        // A repair cut short left its half-written output where the
        // downloaded file was: the check must see the download.
        FileRepair::undoInterruptedRepair(job);
        break;
    case RestorePoint::Finishing:
        return;
    default:
        break;
    }
    if (!repair) return;
    const QList<QueuePtr> jobParts = job->fileparts();
    for (const QueuePtr& part : jobParts) {
        if (part->ismainpar() && part->isDownloaded()) repair->restoreAndAnalysePar2FilePart(part);
    }
}

// Main thread: the job joins the queue with the state the analysis found.
void handOverRestoredJob(const QueuePtr& job, QueueController* queueController)
{
    if (!queueController) return;
    if (job->isUploadObject()) {
        queueController->addRestoredUploadQueueObjectToQueueArray(job);
    } else {
        queueController->addNZBRootObjectToQueue(job);
        if (job->canRepair())
            job->setStatus(JobStatus::QueuedForRepair);
        else if (job->canExtract())
            job->setStatus(JobStatus::PrepareJoiningFileParts);
    }
    job->setStatus(job->status());
    job->setIsPaused(job->isPaused());
}

} // namespace

SaveRestoreController::SaveRestoreController() = default;
SaveRestoreController::~SaveRestoreController() = default;

QueueController* SaveRestoreController::queueController() const
{
    return queueController_;
}

RepairController* SaveRestoreController::repairController() const
{
    return repairController_;
}

void SaveRestoreController::setQueueController(QueueController* controller)
{
    queueController_ = controller;
}

void SaveRestoreController::setRepairController(RepairController* controller)
{
    repairController_ = controller;
}

void SaveRestoreController::cancelLoading()
{
    BLOG(1, "Restoring SaveState has been cancelled by the user.");
    cancelled_->store(true);
}

void SaveRestoreController::whenRestored(std::function<void()> fn)
{
    if (!fn) return;
    if (restoring_->pending.load() == 0)
        fn();
    else
        restoring_->waiting.append(std::move(fn));
}

// ---- save ----

qint64 SaveRestoreController::restorePointToSave(const Queue& job)
{
    const qint64 point = job.restorePoint();
    if (point != RestorePoint::Downloaded && point != RestorePoint::Repairing && point != RestorePoint::Joined)
        return point;
    switch (job.status()) {
    // From the move out of the temporary folder (which deletes the
    // extracted archives first) to the move after download.
    case JobStatus::MovingFromTemp:
    case JobStatus::MovingFromTempDone:
    case JobStatus::CheckingForDeepExtraction:
    case JobStatus::ReadyForDeepExtraction:
    case JobStatus::DeepExtracting:
    case JobStatus::DeepExtractionDone:
    case JobStatus::DeepExtractionError:
    case JobStatus::ReversingFilenames:
    case JobStatus::CleaningUp:
    case JobStatus::MovingToFinalDestination:
        return RestorePoint::Finishing;
    case JobStatus::MoveFilesError:
        return RestorePoint::Error;
    default:
        return point;
    }
}

qint64 SaveRestoreController::finishingStatusToResumeAt(qint64 savedStatus)
{
    switch (savedStatus) {
    case JobStatus::MovingFromTemp:
    case JobStatus::ReversingFilenames:
    case JobStatus::CleaningUp:
    case JobStatus::MovingToFinalDestination:
        return savedStatus;
    default:
        // MovingFromTempDone, and a nested extraction under way or ended:
        // look for nested archives again.
        return JobStatus::CheckingForDeepExtraction;
    }
}

bool SaveRestoreController::saveQueue(const std::function<void()>& beforeWriting)
{
    startTime_.start();
    BLOG(0, "Writing SaveState.");
    SaveStateSnapshot snapshot;
    if (QueueController* qc = queueController_) {
        QMutexLocker locker(&qc->arrayLock());
        snapshot = SaveStateSnapshot::take(qc->queueArray());
    }
    if (beforeWriting) beforeWriting();
    DBSaveRestore db;
    const bool stored = db.saveQueue(snapshot);
    BLOG(0, " * SaveState written in: %.02f seconds.", secondsSince(startTime_));
    return stored;
}

// ---- load ----

void SaveRestoreController::loadQueue()
{
    startTime_.start();
    BLOG(0, "Loading previous SaveState.");
    DBSaveRestore db;
    const QList<QStringList> rows = db.loadQueue();
    if (rows.isEmpty()) return;
    BLOG(0, " * SaveState loaded from database in: %.02f seconds.", secondsSince(startTime_));
    startTime_.start();
    processImport(rows);
    BLOG(0, " * SaveState processing took: %.02f seconds.", secondsSince(startTime_));
}

void SaveRestoreController::processImport(const QList<QStringList>& rows)
{
    QList<QueuePtr> jobs;
    // Row ID -> the job or part it became (null when it was not restored),
    // for the rows that name their owner.
    QHash<qint64, QueuePtr> byId;
    QueuePtr currentJob, currentPart;
    auto ownerOf = [&byId](const QStringList& row, const QueuePtr& byOrder, bool wantPart) -> QueuePtr {
        const QString key = row[C::ColRestorepoint];
        if (key.isEmpty()) return byOrder;
        const QueuePtr owner = byId.value(key.toLongLong());
        return owner && owner->isFilepart() == wantPart ? owner : nullptr;
    };
    for (const QStringList& row : rows) {
        if (row.size() != C::ColumnCount) {
            BLOG(1, "Incompatible SaveState version. Import is cancelled.");
            break;
        }
        if (isCancelled()) break;
        const qint64 id = integerAt(row, C::ColID);
        switch (integerAt(row, C::ColType)) {
        case C::JobRow:
        case C::UploadRow:
            currentJob = integerAt(row, C::ColType) == C::JobRow ? makeQueue(row) : makeUpQueue(row);
            currentPart = nullptr;
            if (currentJob) jobs.append(currentJob);
            byId.insert(id, currentJob);
            break;
        case C::FilepartRow:
            currentPart = makeFilepart(row, ownerOf(row, currentJob, false));
            byId.insert(id, currentPart);
            break;
        case C::ArticleRow:
            makeSegment(row, ownerOf(row, currentPart, true));
            break;
        default:
            break;
        }
    }

    // A job that could never move would sit in the queue for good: it goes,
    // and the user is told which one, so that its NZB can be added again.
    jobs.removeIf([](const QueuePtr& job) {
        const QString why = whyNotRestorable(*job);
        if (why.isEmpty()) return false;
        BLOG(4, "Not restored, %@ :: %@", why, job->title());
        DialogBoxes::alertBoxDefaultAsync(sformat(u"The job %@ could not be restored.", job->title()),
                                          QStringLiteral("Add its NZB again."));
        return true;
    });

    BLOG(1, "Starting loaded queue objects.");
    const QPointer<QueueController> queueController = queueController_;
    const QPointer<RepairController> repairController = repairController_;
    const std::shared_ptr<std::atomic<bool>> cancelled = cancelled_;
    const std::shared_ptr<Restoring> restoring = restoring_;
    for (const QueuePtr& job : jobs) {
        bool started = false;
        onMainAndWait([&] {
            if (cancelled->load()) return;
            startRestoredJob(job, queueController);
            started = true;
        });
        if (!started) continue;
        restoring->pending.fetch_add(1);
        Dispatch::global([job, queueController, repairController, restoring] {
            prepareFilesOfRestoredJob(job, repairController);
            // Nothing follows in this task, so it does not wait for the main
            // thread: a pool thread blocked on the main thread would hang the
            // program's exit, which waits for the pool, when the user quits
            // while a restore is still handing jobs over.
            Dispatch::onMain([job, queueController, restoring] {
                handOverRestoredJob(job, queueController);
                if (restoring->pending.fetch_sub(1) != 1) return;
                const QList<std::function<void()>> waiting = std::exchange(restoring->waiting, {});
                for (const std::function<void()>& fn : waiting)
                    fn();
            });
        });
    }
}

QString SaveRestoreController::whyNotRestorable(const Queue& job)
{
    // Uploads come back in a status they can go on from, whatever was stored.
    if (job.isUploadObject()) return QString();
    const qint64 status = job.status();
    if (!isKnownJobStatus(status)) return sformat(u"its status %ld is unknown", status);
    // Stored while its NZB file was still being read (as older versions
    // stored every job at its admission): what it lacks is not known.
    if (status == JobStatus::ParsingNZB) return QStringLiteral("its import had not ended");
    // A search-service or Watchdog job fetches its lists again; an NZB job
    // has nothing but what was stored. A parse error has no parts by nature.
    if (!job.isNZB() || status == JobStatus::NZBParseError) return QString();
    const QList<QueuePtr> parts = job.fileparts();
    if (parts.isEmpty()) return QStringLiteral("it has no files");
    for (const QueuePtr& part : parts) {
        if (!part->isDownloaded() && part->segmentCount() == 0)
            return sformat(u"its file %@ has no articles", part->filename());
    }
    return QString();
}

QueuePtr SaveRestoreController::makeQueue(const QStringList& row)
{
    const QueuePtr q = Queue::createWhithoutStartingObservers();
    q->setQid(row[C::ColIdentifier]);
    q->setTitle(row[C::ColTitle]);
    q->setStatus(integerAt(row, C::ColStatus));
    q->setIsPaused(boolAt(row, C::ColPaused));
    q->setPassword(row[C::ColPassword]);
    q->setBytes(doubleAt(row, C::ColBytes));
    q->setHasRepairFiles(boolAt(row, C::ColIspar));
    q->setGroups(row[C::ColGroups]);
    q->setHasEmbeddedNZB(boolAt(row, C::ColEmbnzb));
    q->setDownloadUrl(row[C::ColPath]);
    q->setRestorePoint(integerAt(row, C::ColRestorepoint));
    q->setServersToSkip({});
    q->setIsRestored(true);
    q->setCheckbox(1);
    const qint64 kind = integerAt(row, C::ColIsnzb);
    if (kind == 1) q->setIsNZB(true);
    if (kind == 2) q->setIsWatchdog(true);
    switch (q->restorePoint()) {
    case RestorePoint::Queued:
        q->setStatus(JobStatus::QueuedForDownload);
        break;
    case RestorePoint::Downloaded:
    case RestorePoint::Repairing:
        q->setStatus(JobStatus::AllFilesWritten);
        break;
    case RestorePoint::Cancelled:
        return nullptr;
    case RestorePoint::Error:
        q->setCommentTextField(QCodeClass::code2Text(q->status()).value_or(QString()));
        break;
    case RestorePoint::Finishing:
        q->setStatus(finishingStatusToResumeAt(q->status()));
        break;
    case RestorePoint::Joined:
        // Whatever step of the extraction it was in: extracted again, from
        // its first archive.
        q->setStatus(JobStatus::JoiningFilePartsDone);
        break;
    default:
        break;
    }
    if (!q->password().isEmpty()) q->setHasPassword(true);
    return q;
}

QueuePtr SaveRestoreController::makeUpQueue(const QStringList& row)
{
    const QueuePtr q = Queue::createWhithoutStartingObservers();
    q->setIsUploadObject(true);
    q->setQid(row[C::ColIdentifier]);
    q->setTitle(row[C::ColTitle]);
    q->setStatus(integerAt(row, C::ColStatus));
    q->setIsPaused(boolAt(row, C::ColPaused));
    q->setPassword(row[C::ColPassword]);
    q->setBytes(doubleAt(row, C::ColBytes));
    q->setMakeNZB(boolAt(row, C::ColIspar));
    q->setUploadNZB(boolAt(row, C::ColIssample));
    q->setTotalSegments(integerAt(row, C::ColTotsegments));
    q->setIsBinaryUpload(boolAt(row, C::ColRestorepoint));
    q->setGroups(row[C::ColGroups]);
    q->setMaxArticleSize(doubleAt(row, C::ColMaxsize));
    q->setServerID(row[C::ColServerid]);
    q->setServersToSkip({});
    q->setIsRestored(true);
    const QString exportFolder = UserDefaults::standard().stringForKey(QStringLiteral("uploadNZBExportPath"));
    q->setNzbExportUrl(
        QDir(exportFolder).filePath(FileUtils::makeUTF8Filename(q->title()) + QStringLiteral(".nzb")));
    q->setTotalBytesLeft(q->bytes());
    const qint64 s = q->status();
    if (s == UploadStatus::Queued || s == UploadStatus::Uploading)
        q->setStatus(UploadStatus::Queued);
    else if (!SaveStateSnapshot::uploadEndsAtJobRow(s))
        q->setStatus(UploadStatus::Uploaded);
    return q;
}

QueuePtr SaveRestoreController::makeFilepart(const QStringList& row, const QueuePtr& job)
{
    if (!job) return nullptr;
    const QueuePtr part = Queue::createWhithoutStartingObservers();
    qint64 status = integerAt(row, C::ColStatus);
    // The queue is saved while it runs, so a part may be stored on its way
    // to the disk: one being written is fetched again; one whose file is
    // written (its articles already let go) is finished.
    if (status == FilePartStatus::WriteFinished) status = FilePartStatus::Finished;
    if (status == FilePartStatus::Downloading || status == FilePartStatus::Downloaded ||
        status == FilePartStatus::WaitingForDiskWrite || status == FilePartStatus::Writing) {
        status = FilePartStatus::Queued;
    } else if (status == FilePartStatus::Finished) {
        part->setIsDownloaded(true);
        part->setIsPreviouslyDownloaded(true);
    }
    part->setQueue(job);
    job->setTotalfiles(job->totalfiles() + 1);
    part->setFid(row[C::ColIdentifier]);
    part->setIsFilepart(true);
    part->setFilename(row[C::ColTitle]);
    part->setTitle(row[C::ColTitle]);
    part->setStatus(status);
    part->setCheckbox(integerAt(row, C::ColPaused));
    part->setCheckboxDisabled(job->isUploadObject());
    part->setBytes(doubleAt(row, C::ColBytes));
    part->setIspar(boolAt(row, C::ColIspar));
    part->setIsmainpar(boolAt(row, C::ColIsmainpar));
    part->setIsSampleFile(boolAt(row, C::ColIssample));
    if (job->isUploadObject()) {
        part->setTotalSegments(integerAt(row, C::ColTotsegments));
        part->setFileUrl(row[C::ColPath]);
    }
    part->setFilenameTextField(row[C::ColTitle]);
    if (part->isDownloaded()) part->setCheckbox(0);
    if (job->isUploadObject()) {
        if (part->status() == FilePartStatus::Uploading) part->setStatus(FilePartStatus::QueuedForUpload);
        part->setTotalBytesLeft(part->bytes());
    }
    job->appendFilepart(part);
    return part;
}

void SaveRestoreController::makeSegment(const QStringList& row, const QueuePtr& filepart)
{
    if (!filepart) return;
    const QueuePtr job = filepart->queue();
    if (!job) return;
    const SegmentPtr seg = Segment::create();
    seg->setMid(row[C::ColTitle]);
    seg->setBytes(doubleAt(row, C::ColBytes));
    seg->setQueue(job);
    seg->setFilepart(filepart);
    seg->setStatus(ArticleStatus::Queued);
    if (!job->isUploadObject()) {
        // A save state written before download articles kept their number
        // has none: the articles were saved in their file's order.
        const qint64 stored = integerAt(row, C::ColIssample);
        seg->setSegnr(stored > 0 ? stored : filepart->segments().size() + 1);
        filepart->appendSegment(seg);
        return;
    }
    if (job->makeNZB()) seg->setFilename(row[C::ColIdentifier]);
    if (job->poster().isEmpty()) job->setPoster(row[C::ColPath]);
    seg->setSegnr(integerAt(row, C::ColIssample));
    seg->setSegtotal(filepart->totalSegments());
    qint64 status = integerAt(row, C::ColStatus);
    if (status == ArticleStatus::Uploading) status = ArticleStatus::Queued;
    seg->setStatus(status);
    if (status == ArticleStatus::Queued) {
        filepart->increaseTotalSegmentsLeftToDownload(1);
        job->increaseTotalSegmentsLeftToDownload(1);
    } else {
        filepart->decreaseTotalBytesLeft(seg->bytes());
        job->decreaseTotalBytesLeft(seg->bytes());
    }
    if (!job->isBinaryUpload()) {
        job->setTextBody(seg->mid());
        seg->setMid(QString());
    }
    filepart->appendSegment(seg);
}
