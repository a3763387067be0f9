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

SaveStateSnapshot::Part partValues(const Queue& part, bool isMainPar2)
{
    SaveStateSnapshot::Part p;
    p.fid = part.fid();
    p.filename = part.filename();
    p.fileUrl = part.fileUrl();
    p.status = part.status();
    p.checkbox = part.checkbox();
    p.totalSegments = part.totalSegments();
    p.bytes = part.bytes();
    p.ispar = part.ispar();
    // The main file of the job's recovery set is marked, so that a restore
    // reads that set back.
    p.ismainpar = part.ismainpar() || (p.ispar && isMainPar2);
    p.isSampleFile = part.isSampleFile();
    p.segments = part.segments();
    return p;
}

} // namespace

SaveStateSnapshot SaveStateSnapshot::take(const QList<QueuePtr>& jobs)
{
    static const QList<qint64> keptUploads = QCodeClass::upQueueSaveStateArray();
    SaveStateSnapshot snapshot;
    snapshot.entries_.reserve(jobs.size());
    for (const QueuePtr& job : jobs) {
        if (!job || job->isCancelled() || job->restorePoint() == 4) continue;
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
                entry.parts.append(partValues(*part, part == mainPar2));
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
