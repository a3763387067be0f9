#pragma once

#include "platform/SerialQueue.h"
#include "queue/ArticleDecodePool.h"
#include "queue/FilePartWriter.h"
#include "queue/Queue.h"
#include "queue/Segment.h"

#include <QList>
#include <QMutex>
#include <QObject>
#include <QPointer>
#include <QWaitCondition>

#include <atomic>
#include <functional>
#include <memory>
#include <unordered_map>

class FilePartSpool;
class RepairController;

// Writes downloaded file parts to disk, one at a time and in the order they
// are handed over, each by a FilePartWriter on the serial write queue. The
// scheduler hands a part over when it reaches
// FilePartStatus::WaitingForDiskWrite; the part's next status tells the
// outcome (Writing while it is written, then WriteFinished, WriteFailed or
// DecodeError), reported to the part's delegate like every status
// change.
//
// A part does not wait for its last article with all the others in memory:
// each yEnc body that names its place in the file is decoded into a spool
// kept for the part as soon as it is booked, by a decode pool of the
// controller's own (ArticleDecodePool), and released (see
// FilePartWriter::spoolArticle). The connections hold back while the pool
// is behind, so the memory of a download follows the pool's bound and the
// number of connections, not the size of a file. The part's final write
// waits for its decodes under way, goes on from that spool and puts the file
// in place; the whole file's MD5, unless it came with the writes, follows on
// a queue of its own and is added to the part and its files-on-disk record.
// The spools belong to this controller; a part's spool goes when the part is
// written, cancelled or reset, and with the controller.
class FileWriteController : public QObject
{
    Q_OBJECT
public:
    explicit FileWriteController(QObject* parent = nullptr);
    // Drops the parts not yet started and waits for the one being written
    // and for the decodes and digests under way; the spools of parts not
    // written are removed.
    ~FileWriteController() override;
    // Main thread, before the controllers the writing reports to are
    // destroyed: as the destructor, and nothing is written after it.
    void stop();

    // Weak; set by the scheduler before the first part is queued.
    RepairController* repairController() const;
    void setRepairController(RepairController* controller);

    // Main thread: queues the part for writing.
    void addFileToQueue(const QueuePtr& filepart);
    // The parts handed to addFileToQueue whose outcome (WriteFinished,
    // WriteFailed or DecodeError) has not been set yet; the closing window waits for 0.
    qint64 filesInWriteQueue() const { return pending_->load(); }

    // Any thread (the connection that booked it, never under the queue's
    // lock): `segment` of `filepart` now holds its downloaded body, which the
    // decode pool takes care of.
    void bodyArrived(const QueuePtr& filepart, const SegmentPtr& segment);
    // Whether the connections are to hold back their next article: more
    // bodies wait for the decode pool than its bound.
    bool isDecodingBehind() const { return decodePool_.isBehind(); }
    ArticleDecodePool& decodePool() { return decodePool_; }
    // The bytes of bodies spooled (and released) before their part was
    // complete, since the start.
    qint64 spooledBytes() const { return spooledBytes_.load(); }

    // Main thread: the part's spool is dropped (the part was cancelled or
    // reset for another download): queued, so that it follows a write that
    // is under way, and once the part's decodes are done.
    void discardSpool(const QueuePtr& filepart);

    // Main thread: called when a part's final write finds articles marked
    // spooled whose bytes are not in its spool; they are to be downloaded
    // again. Unset, such a part is reported not written (WriteFailed) instead, its
    // bodies kept.
    using DownloadAgain = std::function<void(const QueuePtr& filepart, const QList<SegmentPtr>& segments)>;
    void setDownloadAgain(DownloadAgain handler) { downloadAgain_ = std::move(handler); }

    SerialQueue& writeFileQueue() { return writeFileQueue_; }
    // Where the MD5 of written files follows them.
    SerialQueue& digestQueue() { return digestQueue_; }

private:
    struct Spooled
    {
        std::weak_ptr<Queue> part;
        EarlySpoolPtr spool;
    };

    // Decode pool.
    void decodeArrived(const std::weak_ptr<Queue>& weak, const SegmentPtr& segment, const EarlySpoolPtr& spool);
    // Write queue: the part's spool once its decodes are done, taken out.
    EarlySpoolPtr takeSpool(const QueuePtr& filepart);
    void keepSpool(const QueuePtr& filepart, EarlySpoolPtr spool);
    // Digest queue.
    void followDigest(const std::weak_ptr<Queue>& weak, FilePartSpool& spool);

    QPointer<RepairController> repairController_;
    std::atomic<bool> stopped_{false};
    std::shared_ptr<std::atomic<qint64>> pending_ = std::make_shared<std::atomic<qint64>>(0);
    std::atomic<qint64> spooledBytes_{0};
    // Guards spools_ and every spool's `pending`.
    QMutex spoolsLock_;
    QWaitCondition decodesDone_;
    std::unordered_map<const Queue*, Spooled> spools_;
    DownloadAgain downloadAgain_;
    // Their tasks use the members above: destroyed (after waiting for them)
    // before those, the write queue first.
    ArticleDecodePool decodePool_;
    SerialQueue digestQueue_;
    SerialQueue writeFileQueue_;
};
