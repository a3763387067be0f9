#pragma once

#include "platform/SerialQueue.h"
#include "queue/Queue.h"
#include "queue/Segment.h"

#include <QHash>
#include <QList>
#include <QMutex>
#include <QObject>
#include <QPointer>

#include <atomic>
#include <functional>
#include <memory>
#include <unordered_map>

class RepairController;
struct EarlySpool;

// Writes downloaded file parts to disk, one at a time and in the order they
// are handed over, each by a FilePartWriter on the serial write queue. The
// scheduler hands a part over when it reaches 1020 (waiting to be written);
// the part's next status tells the outcome (1019 while it is written, then
// 1017, 1018 or 1024), reported to the part's delegate like every status
// change.
//
// A part does not wait for its last article with all the others in memory:
// once the bodies its segments hold pass a threshold, an operation on the
// same queue decodes them into a spool file kept for the part and releases
// them (see FilePartWriter::spoolEarly), and the part's final write goes on
// from that spool. So the memory of a download follows the threshold and
// the number of parts downloading at once, not the size of a file. The
// spools belong to this controller; a part's spool goes when the part is
// written, cancelled or reset, and with the controller.
class FileWriteController : public QObject
{
    Q_OBJECT
public:
    // Bodies a part may hold before they are spooled.
    static constexpr qint64 kEarlySpoolThreshold = qint64(32) << 20;

    explicit FileWriteController(QObject* parent = nullptr);
    // Drops the parts not yet started and waits for the one being written;
    // the spools of parts not written are removed.
    ~FileWriteController() override;

    // Weak; set by the scheduler before the first part is queued.
    RepairController* repairController() const;
    void setRepairController(RepairController* controller);

    // Main thread: queues the part for writing.
    void addFileToQueue(const QueuePtr& filepart);
    // The parts handed to addFileToQueue whose outcome (1017, 1018 or 1024)
    // has not been set yet; the closing window waits for 0.
    qint64 filesInWriteQueue() const { return pending_->load(); }

    // Before the downloads start.
    qint64 earlySpoolThreshold() const { return threshold_.load(); }
    void setEarlySpoolThreshold(qint64 bytes) { threshold_.store(bytes); }

    // Any thread: a segment of `filepart` now holds a downloaded body of
    // `bytes`. Past the threshold the part's bodies are queued for spooling
    // (once: a part has at most one such operation waiting).
    void bodyArrived(const QueuePtr& filepart, qint64 bytes);
    // The bytes of downloaded bodies the part holds that no spooling has
    // taken yet, and the most any part held at once since the start.
    qint64 heldBytes(const QueuePtr& filepart) const;
    qint64 peakHeldBytes() const { return peakHeld_.load(); }
    // The bytes of bodies spooled (and released) before their part was
    // complete, since the start.
    qint64 spooledBytes() const { return spooledBytes_.load(); }

    // Main thread: the part's spool is dropped (the part was cancelled or
    // reset for another download): queued, so that it follows a spooling
    // that is under way.
    void discardSpool(const QueuePtr& filepart);

    // Main thread: called when a part's final write finds articles marked
    // spooled whose bytes are not in its spool; they are to be downloaded
    // again. Unset, such a part is reported not written (1018) instead, its
    // bodies kept.
    using DownloadAgain = std::function<void(const QueuePtr& filepart, const QList<SegmentPtr>& segments)>;
    void setDownloadAgain(DownloadAgain handler) { downloadAgain_ = std::move(handler); }

    SerialQueue& writeFileQueue() { return writeFileQueue_; }

private:
    struct Held
    {
        std::weak_ptr<Queue> part;
        qint64 bytes = 0;
        bool queued = false;
        // Past this (and the threshold) the next spooling is queued: after
        // one that found nothing to take, only once a threshold's worth
        // more has come.
        qint64 trigger = 0;
    };
    struct Spooled
    {
        std::weak_ptr<Queue> part;
        std::unique_ptr<EarlySpool> spool;
    };

    // Write queue only.
    void spoolEarly(const std::weak_ptr<Queue>& weak);
    std::unique_ptr<EarlySpool> takeSpool(const QueuePtr& filepart);
    void keepSpool(const QueuePtr& filepart, std::unique_ptr<EarlySpool> spool);
    void released(const QueuePtr& filepart, qint64 bytes, bool queueAgain);

    QPointer<RepairController> repairController_;
    std::shared_ptr<std::atomic<qint64>> pending_ = std::make_shared<std::atomic<qint64>>(0);
    std::atomic<qint64> threshold_{kEarlySpoolThreshold};
    std::atomic<qint64> peakHeld_{0};
    std::atomic<qint64> spooledBytes_{0};
    mutable QMutex heldLock_;
    QHash<const Queue*, Held> held_;
    // Touched by the write queue's operations only (and the destructor once
    // they are done).
    std::unordered_map<const Queue*, Spooled> spools_;
    DownloadAgain downloadAgain_;
    // Last: its operations use the members above, and it is destroyed (after
    // waiting for them) first.
    SerialQueue writeFileQueue_;
};
