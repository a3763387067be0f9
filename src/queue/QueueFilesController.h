#pragma once

#include "queue/Queue.h"

#include <QList>
#include <QPointer>

class QueueController;

// What the list of a job's file parts tells its page; each call optional.
class QueueFilesControllerDelegate
{
public:
    virtual ~QueueFilesControllerDelegate() = default;
    virtual void enterKeyPressedInFiles() {}
    virtual void cmdDKeyPressedInFiles() {}
};

// The model behind the file-part list of the selected job: the rows (filled
// and emptied by the page), a row by its number, and checkbox clicks passed
// on to the scheduler. Main thread.
class QueueFilesController
{
public:
    QList<QueuePtr>& queuefilesArray() { return queuefilesArray_; }
    const QList<QueuePtr>& queuefilesArray() const { return queuefilesArray_; }
    void setQueuefilesArray(const QList<QueuePtr>& items) { queuefilesArray_ = items; }

    QueueController* queueController() const;
    void setQueueController(QueueController* controller);
    QueueFilesControllerDelegate* delegate() const { return delegate_; }
    void setDelegate(QueueFilesControllerDelegate* delegate) { delegate_ = delegate; }

    // The first row whose `qidnr` is `fidnr`, or null.
    QueuePtr getObjectForFidnr(qint64 fidnr) const;
    void checkboxClickedOnFidNr(qint64 fidnr);
    void updateStatusForFilepartWithFidNr(qint64 fidnr);
    // Hands the part's new checkbox to the scheduler, except for uploads.
    void updateStatusForFilepart(const QueuePtr& filepart);
    // The rows are not used: the delegate acts on the page's selection.
    void enterKeyPressedOnIndexSet(const QList<int>& rows);
    void cmdDKeyPressedOnIndexSet(const QList<int>& rows);

private:
    QList<QueuePtr> queuefilesArray_;
    QPointer<QueueController> queueController_;
    QueueFilesControllerDelegate* delegate_ = nullptr;
};
