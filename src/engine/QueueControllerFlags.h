#pragma once

#include "core/MainQueueInterface.h"

#include <QPointer>

class QueueController;

// What the application core asks of the queue, answered by the queue
// controller itself.
class QueueControllerFlags : public MainQueueInterface
{
public:
    explicit QueueControllerFlags(QueueController* queueController);
    ~QueueControllerFlags() override;

    bool noDiskSpace() const override;
    void outOfDiskSpace(bool outOfSpace) override;
    bool pausedDueFullWriteQueue() const override;
    void setPausedDueFullWriteQueue(bool paused) override;
    qint64 filesInWriteQueue() const override;

    double getAverageBandwidthUsedPerSecond() override;
    double bytesLeftToDownload() const override;
    double bytesLeftToUpload() const override;
    qint64 getTotalFilesInQueue() override;
    double filesInQueue() const override;
    double segmentsInQueue() const override;
    double segmentsInQueueLeft() const override;

private:
    QPointer<QueueController> queueController_;
};
