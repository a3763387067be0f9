#include "queue/QueueFilesController.h"

#include "queue/QueueController.h"

QueueController* QueueFilesController::queueController() const
{
    return queueController_;
}

void QueueFilesController::setQueueController(QueueController* controller)
{
    queueController_ = controller;
}

QueuePtr QueueFilesController::getObjectForFidnr(qint64 fidnr) const
{
    for (const QueuePtr& item : queuefilesArray_) {
        if (item && item->qidnr() == fidnr) return item;
    }
    return nullptr;
}

void QueueFilesController::checkboxClickedOnFidNr(qint64 fidnr)
{
    updateStatusForFilepartWithFidNr(fidnr);
}

void QueueFilesController::updateStatusForFilepartWithFidNr(qint64 fidnr)
{
    updateStatusForFilepart(getObjectForFidnr(fidnr));
}

void QueueFilesController::updateStatusForFilepart(const QueuePtr& filepart)
{
    if (!filepart) return;
    const QueuePtr root = filepart->queue();
    if (root && root->isUploadObject()) return;
    if (queueController_) queueController_->dpFilepartObjectCheckBoxClicked(filepart);
}

void QueueFilesController::enterKeyPressedOnIndexSet(const QList<int>& /*rows*/)
{
    if (delegate_) delegate_->enterKeyPressedInFiles();
}

void QueueFilesController::cmdDKeyPressedOnIndexSet(const QList<int>& /*rows*/)
{
    if (delegate_) delegate_->cmdDKeyPressedInFiles();
}
