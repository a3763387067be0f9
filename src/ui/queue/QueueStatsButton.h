#pragma once

#include "queue/StatusCodes.h"

#include <QString>
#include <QVariantMap>

// The status button at the left end of a queue row: turns the job's status
// code into an image name and a hover text. The row's delegate draws the
// image and shows the hover text; the table feeds the job's `status` and
// `isPaused` into it whenever they change. Main thread only.
class QueueStatsButton
{
public:
    QueueStatsButton();

    qint64 status() const { return status_; }
    // Stores the status and runs statusChanged().
    void setStatus(qint64 status);
    bool isPaused() const { return isPaused_; }
    void setIsPaused(bool paused);

    // The handlers of the two observations; `change` holds the new value
    // under "new".
    void statusChanged(const QVariantMap& change);
    void isPausedChanged(const QVariantMap& change);

    void mouseEntered();
    void mouseExited();

    // The image shown now, and the hover text (empty for none).
    QString imageName() const { return image_; }
    QString toolTip() const { return toolTip_; }

    // The image names, loaded when the button is made.
    QString sImageIdle, sImageProcessing, sImageQueued, sImagePause, sImageResume, sImageDownloading,
        sImageFinished, sImageStop, sImageJoining, sImageJoiningInactive, sImageRepairing,
        sImageRepairingInactive, sImageExtracting, sImageExtractingInactive, sImageError, sImageUpQueued,
        sImageUploading, sImageUpFinished, sImageUpIdle, sImageUpArchivingInactive, sImageUpArchiving,
        sImageUpPar2CreationInactive, sImageUpPar2Creation, sImageUpError;

    // Every image name a status button may show, each once.
    static QStringList allImageNames();

private:
    void buildStatusImages();

    qint64 status_ = JobStatus::Idle;
    bool isPaused_ = false;
    QString image_;
    QString toolTip_;
};
