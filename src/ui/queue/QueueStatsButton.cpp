#include "ui/queue/QueueStatsButton.h"
#include "queue/StatusCodes.h"

#include <QStringList>

namespace {

bool isDownloadError(qint64 s)
{
    switch (s) {
    case JobStatus::DownloadError:
    case JobStatus::RepairNotPossible:
    case JobStatus::ExtractingNotPossible:
    case JobStatus::NZBParseError:
    case JobStatus::CorruptFileOrWrongPassword:
    case JobStatus::NotEnoughRepairBlocks:
    case JobStatus::JoiningFilePartsError:
    case JobStatus::FilePartFailed:
    case JobStatus::NothingDownloaded:
    case JobStatus::MoveFilesError:
        return true;
    default:
        return false;
    }
}

bool isUploadError(qint64 s)
{
    switch (s) {
    case UploadStatus::NoServersAvailable:
    case UploadStatus::RarCreationError:
    case UploadStatus::Par2CreationError:
    case UploadStatus::EncodingError:
    case UploadStatus::UploadError:
    case UploadStatus::PostingDenied:
        return true;
    default:
        return false;
    }
}

} // namespace

QueueStatsButton::QueueStatsButton()
{
    buildStatusImages();
    image_ = sImageIdle;
}

void QueueStatsButton::buildStatusImages()
{
    sImageIdle = QStringLiteral("qbtn_stats_processing");
    sImageProcessing = QStringLiteral("qbtn_stats_processing");
    sImageQueued = QStringLiteral("qbtn_stats_queued");
    sImagePause = QStringLiteral("qbtn_stats_pause");
    sImageResume = QStringLiteral("qbtn_stats_resume");
    sImageDownloading = QStringLiteral("qbtn_stats_downloading");
    sImageFinished = QStringLiteral("qbtn_stats_finished");
    sImageStop = QStringLiteral("qbtn_stats_cancel");
    sImageJoining = QStringLiteral("qbtn_stats_joining");
    sImageJoiningInactive = QStringLiteral("qbtn_stats_joining_in");
    sImageRepairing = QStringLiteral("qbtn_stats_repairing");
    sImageRepairingInactive = QStringLiteral("qbtn_stats_repairing_in");
    sImageExtracting = QStringLiteral("qbtn_stats_extracting");
    sImageExtractingInactive = QStringLiteral("qbtn_stats_extracting_in");
    sImageError = QStringLiteral("qbtn_stats_error");
    sImageUpQueued = QStringLiteral("qbtn_stats_up_queued");
    sImageUploading = QStringLiteral("qbtn_stats_uploading");
    sImageUpFinished = QStringLiteral("qbtn_stats_up_finished");
    sImageUpIdle = QStringLiteral("qbtn_stats_up_idle");
    sImageUpArchivingInactive = QStringLiteral("qbtn_stats_up_archiving_in");
    sImageUpArchiving = QStringLiteral("qbtn_stats_up_archiving");
    sImageUpPar2CreationInactive = QStringLiteral("qbtn_stats_up_par2creation_in");
    sImageUpPar2Creation = QStringLiteral("qbtn_stats_up_par2creation");
    sImageUpError = QStringLiteral("qbtn_stats_up_error");
}

QStringList QueueStatsButton::allImageNames()
{
    const QueueStatsButton b;
    QStringList names = {b.sImageIdle,           b.sImageProcessing,
                         b.sImageQueued,         b.sImagePause,
                         b.sImageResume,         b.sImageDownloading,
                         b.sImageFinished,       b.sImageStop,
                         b.sImageJoining,        b.sImageJoiningInactive,
                         b.sImageRepairing,      b.sImageRepairingInactive,
                         b.sImageExtracting,     b.sImageExtractingInactive,
                         b.sImageError,          b.sImageUpQueued,
                         b.sImageUploading,      b.sImageUpFinished,
                         b.sImageUpIdle,         b.sImageUpArchivingInactive,
                         b.sImageUpArchiving,    b.sImageUpPar2CreationInactive,
                         b.sImageUpPar2Creation, b.sImageUpError};
    names.removeDuplicates();
    return names;
}

void QueueStatsButton::setStatus(qint64 status)
{
    status_ = status;
    statusChanged({{QStringLiteral("new"), status}});
}

void QueueStatsButton::setIsPaused(bool paused)
{
    isPaused_ = paused;
    isPausedChanged({{QStringLiteral("new"), paused}});
}

void QueueStatsButton::statusChanged(const QVariantMap& change)
{
    toolTip_.clear();
    if (isPaused_) return;
    switch (change.value(QStringLiteral("new")).toLongLong()) {
    case JobStatus::Idle:
        image_ = sImageIdle;
        return;
    case JobStatus::Downloading:
        image_ = sImageDownloading;
        return;
    case JobStatus::Repairing:
        image_ = sImageRepairing;
        return;
    case JobStatus::Extracting:
        image_ = sImageExtracting;
        return;
    case JobStatus::Finished:
    case JobStatus::PartialFinished:
        image_ = sImageFinished;
        return;
    case JobStatus::QueuedForRepair:
        image_ = sImageRepairingInactive;
        return;
    case JobStatus::QueuedForExtraction:
        image_ = sImageExtractingInactive;
        return;
    case JobStatus::JoiningFileParts:
        image_ = sImageJoining;
        return;
    case JobStatus::QueuedForDownload:
        image_ = sImageQueued;
        return;
    case UploadStatus::Queued:
        image_ = sImageUpQueued;
        return;
    case UploadStatus::FinalizingForUpload:
        image_ = sImageUpIdle;
        return;
    case UploadStatus::Uploading:
        image_ = sImageUploading;
        return;
    case UploadStatus::Finished:
    case UploadStatus::NZBCreationError:
        image_ = sImageUpFinished;
        return;
    case UploadStatus::ReadyToCreateRar:
        image_ = sImageUpArchivingInactive;
        return;
    case UploadStatus::CreatingRar:
        image_ = sImageUpArchiving;
        return;
    case UploadStatus::ReadyToCreatePar2:
        image_ = sImageUpPar2CreationInactive;
        return;
    case UploadStatus::CreatingPar2:
        image_ = sImageUpPar2Creation;
        return;
    default:
        break;
    }
    // The error sets look at the stored status, the download set first.
    if (isDownloadError(status_))
        image_ = sImageError;
    else if (isUploadError(status_))
        image_ = sImageUpError;
}

void QueueStatsButton::isPausedChanged(const QVariantMap& change)
{
    if (change.value(QStringLiteral("new")).toBool())
        image_ = sImagePause;
    else
        statusChanged({{QStringLiteral("new"), status_}});
}

void QueueStatsButton::mouseEntered()
{
    if (isPaused_) {
        image_ = sImageResume;
        toolTip_ = QStringLiteral("Resume");
    } else if (status_ != JobStatus::Finished && status_ != JobStatus::PartialFinished &&
               status_ != UploadStatus::Finished) {
        image_ = sImageStop;
        toolTip_ = QStringLiteral("Cancel");
    } else if (status_ == JobStatus::Finished || status_ == UploadStatus::Finished) {
        toolTip_ = QStringLiteral("Cleanup");
    }
}

void QueueStatsButton::mouseExited()
{
    if (isPaused_)
        image_ = sImagePause;
    else
        setStatus(status_);
}
