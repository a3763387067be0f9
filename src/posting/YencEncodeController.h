#pragma once

#include "queue/Queue.h"
#include "queue/Segment.h"

#include <QByteArray>
#include <QHash>
#include <QPointer>
#include <QRecursiveMutex>
#include <QString>

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
// Threads: called on connection threads; every hand-out runs under `lock`,
// so the file handle is used by one thread at a time and a segment moved
// from 99 to 20 is invisible to the next caller.
class YencEncodeController
{
public:
    // Reads that fail this many times for one segment end the job at 240:
    // an article that cannot be read is never posted empty or short.
    static constexpr int kMaxReadTries = 3;

    YencEncodeController();
    ~YencEncodeController();
    YencEncodeController(const YencEncodeController&) = delete;
    YencEncodeController& operator=(const YencEncodeController&) = delete;

    // Set once by the queue engine after creation; weak.
    QueueController* queuecontroller() const;
    void setQueuecontroller(QueueController* controller);

    // The next encoded segment of `job` (status 20, `filedata` the article
    // body, `filename` its subject, `mid` its Message-ID without brackets),
    // or null when none of its segments is waiting or the one chosen could
    // not be read (it is then waiting again, or the job is at 240).
    SegmentPtr getNextSegmentForQueue(const QueuePtr& job);

    // --- The steps of a hand-out, each called only from it (public for tests)

    // Chooses, opens, reads and names; closes the file when nothing waits.
    SegmentPtr createNextSegmentForQueue(const QueuePtr& job);
    // The first segment at 99 of the first file part at 1201 or 1202, in
    // list order, set to 20. A cursor per job keeps this from rescanning
    // what was already handed out; a full pass runs only before answering
    // nothing, so a segment put back to waiting is still found.
    SegmentPtr getNextAvailableSegmentForQueue(const QueuePtr& job);
    // The segment's slice of its file (its `fileposition` set to the offset
    // in any case); nothing when it cannot be read whole.
    std::optional<QByteArray> readDataForSegment(const SegmentPtr& segment);
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
    bool openFileFor(const QString& path);
    bool encode(const SegmentPtr& segment, const QueuePtr& part, const QueuePtr& job);
    void readFailed(const SegmentPtr& segment, const QueuePtr& job);
    std::optional<quint32> crcBefore(const SegmentPtr& segment, const QueuePtr& part, const QueuePtr& job);

    mutable QRecursiveMutex lock_;
    QPointer<QueueController> queuecontroller_;
    std::unique_ptr<QFile> file_;
    QString currentOpenFilePath_;
    QHash<const Queue*, Cursor> cursors_;
    QHash<const Queue*, FileCrc> fileCrcs_;
    std::function<double()> clock_;
};
