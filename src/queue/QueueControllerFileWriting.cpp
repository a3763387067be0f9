#include "queue/QueueController.h"

QueueController::FileWriterHook::FileWriterHook(QueueController* controller)
{
    controller->neighbours().addFileToQueue = [controller](const QueuePtr& filepart) {
        controller->addFileToWriteQueue(filepart);
    };
}

void QueueController::addFileToWriteQueue(const QueuePtr& filepart)
{
    if (!fileWriteController_.repairController())
        fileWriteController_.setRepairController(repairController());
    fileWriteController_.addFileToQueue(filepart);
}
