#include "queue/SaveStateSnapshot.h"

#include "postprocess/RepairObject.h"
#include "queue/QCodeClass.h"
#include "queue/SaveRestoreController.h"
#include "queue/StatusCodes.h"

namespace {

SaveStateSnapshot::Job jobValues(const Queue& job, qint64 status)
{
    SaveStateSnapshot::Job j;
    j.upload = job.isUploadObject();
    j.qid = job.qid();
    j.title = job.title();
    j.status = status;
    j.isPaused = job.isPaused();
    j.password = job.password();
    j.bytes = job.bytes();
    j.hasRepairFiles = job.hasRepairFiles();
    j.makeNZB = job.makeNZB();
    j.uploadNZB = job.uploadNZB();
    j.isBinaryUpload = job.isBinaryUpload();
    j.totalSegments = job.totalSegments();
    j.downloadUrl = job.downloadUrl();
    j.restorePoint = j.upload ? 0 : SaveRestoreController::restorePointToSave(job);
    j.groups = job.groups();
    j.maxArticleSize = job.maxArticleSize();
    j.serverID = job.serverID();
    j.hasEmbeddedNZB = job.hasEmbeddedNZB();
    j.kind = job.isNZB() ? 1 : job.isWatchdog() ? 2 : 0;
    j.poster = job.poster();
    if (j.upload && !j.isBinaryUpload) j.textBody = job.textBody();
    return j;
}

SaveStateSnapshot::Part partValues(const Queue& part, bool isMainPar2, bool upload)
{
    SaveStateSnapshot::Part p;
    // The articles before the written mark: the writer marks a part written
    // (and records its file) before it lets its articles go, so a part found
    // without its articles is found written.
    p.segments = part.segments();
    p.fid = part.fid();
    p.filename = part.filename();
    p.fileUrl = part.fileUrl();
    p.status = part.status();
    // Written but not yet reported so (still "Writing"): stored as written.
    if (!upload && part.isDownloaded() && p.status == FilePartStatus::Writing) p.status = FilePartStatus::Finished;
    p.checkbox = part.checkbox();
    p.totalSegments = part.totalSegments();
    p.bytes = part.bytes();
    p.ispar = part.ispar();
    // The main file of the job's recovery set is marked, so that a restore
    // reads that set back.
    p.ismainpar = part.ismainpar() || (p.ispar && isMainPar2);
    p.isSampleFile = part.isSampleFile();
    return p;
}

} // namespace

SaveStateSnapshot SaveStateSnapshot::take(const QList<QueuePtr>& jobs)
{
    static const QList<qint64> keptUploads = QCodeClass::upQueueSaveStateArray();
    SaveStateSnapshot snapshot;
    snapshot.entries_.reserve(jobs.size());
    for (const QueuePtr& job : jobs) {
        if (!job || job->isCancelled() || job->restorePoint() == RestorePoint::Finished) continue;
        // Stored once its import is whole, never before: a job stored
        // without the parts it was still being given could never move.
        if (job->isImporting()) continue;
        qint64 status = job->status();
        const bool upload = job->isUploadObject();
        if (upload) {
            if (!keptUploads.contains(status)) continue;
            // Uploaded, or cleaning up after it: what is left to do after a
            // restart is what follows the end of the upload.
            if (status == UploadStatus::Uploaded || status == UploadStatus::CleaningUp)
                status = UploadStatus::Finished;
        }
        if (job->isNewsgroupsRequest()) continue;
        Entry entry;
        entry.job = jobValues(*job, status);
        if (!(upload && uploadEndsAtJobRow(status))) {
            const RepairObjectPtr repair = job->repairObject();
            const QueuePtr mainPar2 = repair ? repair->filepart() : nullptr;
            const QList<QueuePtr> parts = job->fileparts();
            entry.parts.reserve(parts.size());
            for (const QueuePtr& part : parts)
                entry.parts.append(partValues(*part, part == mainPar2, upload));
        }
        snapshot.entries_.append(std::move(entry));
    }
    return snapshot;
}

bool SaveStateSnapshot::uploadEndsAtJobRow(qint64 status)
{
    static const QList<qint64> codes{UploadStatus::Finished,         UploadStatus::NoServersAvailable,
                                     UploadStatus::RarCreationError, UploadStatus::Par2CreationError,
                                     UploadStatus::EncodingError,    UploadStatus::NZBCreationError,
                                     UploadStatus::PostingDenied};
    return codes.contains(status);
}

qsizetype SaveStateSnapshot::rowCount() const
{
    qsizetype rows = 0;
    for (const Entry& e : entries_) {
        rows += 1 + e.parts.size();
        for (const Part& p : e.parts)
            rows += p.segments.size();
    }
    return rows;
}
