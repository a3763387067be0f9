#pragma once

#include "platform/SerialQueue.h"
#include "queue/Queue.h"

#include <QObject>
#include <QPointer>

#include <atomic>
#include <memory>

class RepairController;

// Writes downloaded file parts to disk, one at a time and in the order they
// are handed over, each by a FilePartWriter on the serial write queue. The
// scheduler hands a part over when it reaches 1020 (waiting to be written);
// the part's next status tells the outcome (1019 while it is written, then
// 1017, 1018 or 1024), reported to the part's delegate like every status
// change.
class FileWriteController : public QObject
{
    Q_OBJECT
public:
    explicit FileWriteController(QObject* parent = nullptr);
    // Drops the parts not yet started and waits for the one being written.
    ~FileWriteController() override;

    // Weak; set by the scheduler before the first part is queued.
    RepairController* repairController() const;
    void setRepairController(RepairController* controller);

    // Main thread: queues the part for writing.
    void addFileToQueue(const QueuePtr& filepart);
    // The parts handed to addFileToQueue whose outcome (1017, 1018 or 1024)
    // has not been set yet; the closing window waits for 0.
    qint64 filesInWriteQueue() const { return pending_->load(); }

    SerialQueue& writeFileQueue() { return writeFileQueue_; }

private:
    QPointer<RepairController> repairController_;
    std::shared_ptr<std::atomic<qint64>> pending_ = std::make_shared<std::atomic<qint64>>(0);
    SerialQueue writeFileQueue_;
};
