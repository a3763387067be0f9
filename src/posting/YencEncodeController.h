#pragma once

#include "queue/Queue.h"
#include "queue/Segment.h"

#include <QByteArray>
#include <QHash>
#include <QPointer>
#include <QMutex>
#include <QRecursiveMutex>
#include <QWaitCondition>
#include <QString>

#include <atomic>
#include <functional>
#include <memory>
#include <optional>

class QFile;
class QueueController;

// The source of ready-to-post articles for file uploads. A posting
// connection asks for the next article of a job; the controller takes the
// job's next waiting segment, reads its slice of the file, names it (subject
// and Message-ID) and yEnc-encodes it. One upload file is open at a time,
// kept open while consecutive articles come from it.
//
// A hand-out has two steps so that the queue controller never reads or
// encodes under its own lock: booking (cheap, no file touched) and reading.
// Booked segments are read in the order they were booked, so that articles
// of a file go through the encoder in order and the last one can carry the
// whole file's CRC without reading the file again.
//
// Threads: called on connection threads. Two locks: `lock_` (the cursors
// and the booking count) is a leaf, taken under the queue controller's
// `arrayLock` or under `fileLock_`, and nothing is taken while it is held;
// `fileLock_` (the open file, the running CRCs, the reading turn) is never
// taken while the caller holds the queue controller's lock, and the queue
// controller's lock is never taken while it is held.
class YencEncodeController
{
public:
    // Reads that fail this many times for one segment end the job at
    // UploadStatus::EncodingError:
    // an article that cannot be read is never posted empty or short.
    static constexpr int kMaxReadTries = 3;

    // A segment chosen for posting and set to ArticleStatus::Uploading, not
    // read yet. `turn` is
    // its place in the reading order.
    struct Booking
    {
        SegmentPtr segment;
        QueuePtr job;
        quint64 turn = 0;
        explicit operator bool() const { return segment != nullptr; }
    };

    YencEncodeController();
    ~YencEncodeController();
    YencEncodeController(const YencEncodeController&) = delete;
    YencEncodeController& operator=(const YencEncodeController&) = delete;

    // Set once by the queue engine after creation; weak.
    QueueController* queuecontroller() const;
    void setQueuecontroller(QueueController* controller);

    // Both steps at once: the next encoded segment of `job` (at Uploading,
    // `filedata` the article body, `filename` its subject, `mid` its
    // Message-ID without brackets), or null when none of its segments is
    // waiting or the one chosen could not be read (it is then waiting again,
    // or the job is at EncodingError). Closes the file when nothing waits.
    SegmentPtr getNextSegmentForQueue(const QueuePtr& job);

    // --- The steps of a hand-out

    // The first segment at ArticleStatus::Queued of the first file part at
    // FilePartStatus::QueuedForUpload or Uploading, in list order, set to
    // ArticleStatus::Uploading, with its turn; empty when none waits. Touches
    // no file. A cursor per job keeps this from rescanning what was already
    // handed out; a full pass runs only before answering nothing, so a
    // segment put back to waiting is still found.
    Booking bookNextSegmentForQueue(const QueuePtr& job);
    // Opens the file if needed, reads the booked segment's slice, names and
    // encodes it, once every segment booked before it was read. False when
    // the slice cannot be read whole or encoded: the caller then calls
    // readFailed(). Every booking is passed here exactly once, or later
    // bookings wait for ever.
    bool encodeBookedSegment(const Booking& booking);
    // The end of a failed read: the segment waits again, or after
    // kMaxReadTries failures the job is at EncodingError. Touches no file.
    void readFailed(const SegmentPtr& segment, const QueuePtr& job);
    // Closes the file unless a booked segment still waits to be read; for
    // when a job had nothing waiting.
    void closeFileIfIdle();

    // Called on the reading thread just before a booked slice is read, with
    // no lock of the queue controller held; tests hold a read up with it.
    // Set before connections run.
    void setReadHook(std::function<void(const SegmentPtr&)> hook);

    // "title - [i/n] - "name" yEnc (segnr/segtotal)" into `filename`.
    void makeSegmentTitleForSegment(const SegmentPtr& segment);
    // "Part<segnr>of<segtotal>.<prefix>.<suffix>" into `mid`.
    void makeMidForSegment(const SegmentPtr& segment);
    // Ten digits of the time, "@" and 32 lower-case hexadecimal digits.
    QString makeMsgIDPrefix() const;
    QString makeMsgIDSuffix() const;
    void closeFile();

    // The path of the file last opened (kept after closing).
    QString currentOpenFilePath() const;
    bool hasOpenFile() const;

    // The time source of the Message-ID prefix (seconds since 1970); tests
    // fix it.
    void setClock(std::function<double()> clock);

private:
    struct Cursor
    {
        std::weak_ptr<Queue> job;
        std::weak_ptr<Queue> part;
        qsizetype partIndex = 0;
        qsizetype segmentIndex = 0;
    };
    // The running CRC-32 of the bytes of one file handed out so far in
    // order, so that the last article can carry the whole file's CRC.
    struct FileCrc
    {
        std::weak_ptr<Queue> part;
        qint64 nextSegnr = 1;
        quint32 crc = 0;
    };

    SegmentPtr scan(const QueuePtr& job, Cursor& cursor);
    SegmentPtr nextAvailableSegment(const QueuePtr& job);
    // The rest of this block runs under fileLock_.
    bool readAndEncode(const SegmentPtr& segment, const QueuePtr& job);
    bool openFileFor(const QString& path);
    // The segment's slice of its file (its `fileposition` set to the offset
    // in any case); nothing when it cannot be read whole.
    std::optional<QByteArray> readDataForSegment(const SegmentPtr& segment);
    bool encode(const SegmentPtr& segment, const QueuePtr& part, const QueuePtr& job);
    std::optional<quint32> crcBefore(const SegmentPtr& segment, const QueuePtr& part, const QueuePtr& job);
    void closeFileLocked();

    mutable QRecursiveMutex lock_;
    QPointer<QueueController> queuecontroller_;
    QHash<const Queue*, Cursor> cursors_;
    std::function<double()> clock_;
    std::atomic<quint64> booked_{0};

    mutable QMutex fileLock_;
    QWaitCondition turnServed_;
    std::atomic<quint64> served_{0};
    std::unique_ptr<QFile> file_;
    QString currentOpenFilePath_;
    QHash<const Queue*, FileCrc> fileCrcs_;
    std::function<void(const SegmentPtr&)> readHook_;
};
