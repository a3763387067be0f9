#include "ui/queue/QueueStatsButton.h"

#include <QStringList>

namespace {

bool isDownloadError(qint64 s)
{
    switch (s) {
    case 7:
    case 8:
    case 9:
    case 28:
    case 36:
    case 42:
    case 46:
    case 50:
    case 60:
    case 61:
        return true;
    default:
        return false;
    }
}

bool isUploadError(qint64 s)
{
    switch (s) {
    case 210:
    case 223:
    case 227:
    case 240:
    case 249:
    case 300:
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
    case 0:
        image_ = sImageIdle;
        return;
    case 1:
        image_ = sImageDownloading;
        return;
    case 3:
        image_ = sImageRepairing;
        return;
    case 5:
        image_ = sImageExtracting;
        return;
    case 10:
    case 16:
        image_ = sImageFinished;
        return;
    case 14:
        image_ = sImageRepairingInactive;
        return;
    case 15:
        image_ = sImageExtractingInactive;
        return;
    case 44:
        image_ = sImageJoining;
        return;
    case 105:
        image_ = sImageQueued;
        return;
    case 201:
        image_ = sImageUpQueued;
        return;
    case 202:
        image_ = sImageUpIdle;
        return;
    case 203:
        image_ = sImageUploading;
        return;
    case 205:
    case 247:
        image_ = sImageUpFinished;
        return;
    case 220:
        image_ = sImageUpArchivingInactive;
        return;
    case 221:
        image_ = sImageUpArchiving;
        return;
    case 224:
        image_ = sImageUpPar2CreationInactive;
        return;
    case 225:
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
    } else if (status_ != 10 && status_ != 16 && status_ != 205) {
        image_ = sImageStop;
        toolTip_ = QStringLiteral("Cancel");
    } else if (status_ == 10 || status_ == 205) {
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
