#pragma once

#include "core/MainQueueFlags.h"

#include <QPointer>

class QueueController;

// MainQueueFlags answered by the queue controller itself.
class QueueControllerFlags : public MainQueueFlags
{
public:
    explicit QueueControllerFlags(QueueController* queueController);
    ~QueueControllerFlags() override;

    bool noDiskSpace() const override;
    void outOfDiskSpace(bool outOfSpace) override;
    bool pausedDueFullWriteQueue() const override;
    void setPausedDueFullWriteQueue(bool paused) override;
    qint64 filesInWriteQueue() const override;

private:
    QPointer<QueueController> queueController_;
};
