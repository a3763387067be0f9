#pragma once

#include "codec/YencPartIdentity.h"
#include "queue/Queue.h"

#include <QByteArray>
#include <QPointer>
#include <QString>

#include <QList>
#include <QMutex>

#include <atomic>
#include <functional>
#include <memory>
#include <optional>
#include <unordered_set>

class FilePartSpool;
class RepairController;
class Segment;

// What was decoded of a file part while it still downloaded: the spool file
// its yEnc articles went to as they arrived, which of its segments are in
// it, and the largest of those bodies (the bound on the file's size is made
// from it). The decode pool's tasks of the part share it: `lock` guards the
// fields, while the spool itself takes the decoded bytes of several tasks at
// once (its digests are off: the MD5 follows the written file).
struct EarlySpool
{
    EarlySpool();
    ~EarlySpool();
    QMutex lock;
    std::unique_ptr<FilePartSpool> spool;
    std::unordered_set<const Segment*> segments;
    qint64 largestBody = 0;
    // The "=ybegin" size and name of the part's first spooled article: an
    // article that states others is of another file and is not spooled.
    std::optional<YencPartIdentity> yencIdentity;
    // A failure to spool was logged once for the part.
    bool failureLogged = false;
    // Decodes of the part handed to the pool and not done yet; guarded by
    // the write controller's lock, which waits for 0 before the part's final
    // write.
    int pending = 0;
};
using EarlySpoolPtr = std::shared_ptr<EarlySpool>;

// One write operation of the write queue: decodes a downloaded file part's
// article bodies with the first decoder that recognises them (yEnc, uuencode,
// Base64, text), names the file, digests it, hands PAR2 files to the repair
// bookkeeping, probes RAR 4 archives for a password, chooses the job's folder
// and puts the file there. The outcome is the part's next status:
// FilePartStatus::WriteFinished (written, or skipped for a cancelled job),
// WriteFailed (not written) or DecodeError (not decodable).
//
// The decoded file never sits in memory: it is decoded into a spool file
// (FilePartSpool) and moved into place. The article bodies are taken out of
// the segments for the run and handed back when the file could not be
// written, so that a retry decodes them again: a part is never lost to a
// failed write.
//
// A part's yEnc bodies that name their place in the file went to a spool
// as they arrived (spoolArticle); its final write then goes on with that
// spool and decodes only the bodies still held. A failed final write keeps
// the spool for the retry. Segments marked spooled whose bytes the spool
// does not hold (it was dropped meanwhile) are sent back to download, never
// written as gaps.
//
// The file is in place before its whole MD5 is known unless the digest came
// with the writes: the spool, still reading the file wherever it goes next,
// is handed back (takeDigestBehind) for the digest to follow.
//
// Runs on the write queue's thread. Queue items are safe to change from any
// thread and forward what the pages observe to the main thread themselves,
// so the operation sets names and flags directly and never waits for the
// main thread; the outcome statuses are set from the main thread.
class FilePartWriter
{
public:
    // `pending`, when given, counts the parts whose outcome is not reported
    // yet: the writer lowers it by one once its part has its outcome status
    // (or when there is no part left to report on).
    using PendingCount = std::shared_ptr<std::atomic<qint64>>;
    FilePartWriter(const QueuePtr& filepart, RepairController* repairController, PendingCount pending = {});
    ~FilePartWriter();

    // The spool the part's bodies went to while it downloaded; the writer
    // hands it back (takeEarlySpool) unless the run is done with it (the
    // file is in place, or the job was cancelled).
    void setEarlySpool(EarlySpoolPtr spool);
    EarlySpoolPtr takeEarlySpool();
    // The spool of a file put in place without its whole MD5: the digest is
    // to follow (FilePartSpool::md5() reads the placed file).
    std::unique_ptr<FilePartSpool> takeDigestBehind();
    // Main thread: takes segments to be downloaded again.
    using DownloadAgain =
        std::function<void(const QueuePtr& filepart, const QList<std::shared_ptr<Segment>>&)>;
    void setDownloadAgain(DownloadAgain handler) { downloadAgain_ = std::move(handler); }

    // Decode pool: decodes the held body of `segment`, when it is yEnc and
    // names its place in the file ("=ypart begin="), into the part's spool
    // (made on first use in the download folder's spool folder), marks the
    // segment spooled and releases the body. A body the spool could not take
    // is kept in its segment for the final write, which reports the failure.
    // Returns the bytes of the body released. Other encodings have no
    // offsets to decode by, come in small parts in practice, and stay held
    // until the final write. Several may run at once for one part.
    static qint64 spoolArticle(const QueuePtr& filepart, const std::shared_ptr<Segment>& segment,
                               EarlySpool& spool);

    QueuePtr filepart() const { return filepart_.lock(); }
    RepairController* repairController() const;
    bool isTextFile() const { return isTextFile_; }

    // The operation's body.
    void main();
    // The decode-and-write sequence.
    void writeFilePartToDisk();

    // Outcomes.
    void writeOK(const QString& file);
    // The part failed to be written, for `reason` (which the job's comment
    // gives).
    void writeNOK(const QString& reason);
    void diskNOK(const QString& reason);
    void decodeError();
    void hasPassword();
    // Whether the RAR 4 archive in `data` needs a password (and then
    // hasPassword()).
    bool checkRar4ForPassword(const QByteArray& data);
    // Every "/" as "2F".
    static QString removeSlashesFromFilename(const QString& filename);
    void showErrorMessage(const QString& message, const QString& info);

    // Set from the main thread, without waiting.
    void changeFilepartStatus(qint64 status);
    void changeQueueStatus(qint64 status);
    void diskNotReadyFlag(bool flag);

private:
    class TakenBodies;

    void nameDecodedPart(const QueuePtr& part, const QueuePtr& job, const QString& decodedName, bool isText);
    QString chooseFolder(const QueuePtr& job) const;
    static QString claimJobFolder(const QueuePtr& job);
    void reportWriteError(int code, const QString& reason);

    std::weak_ptr<Queue> filepart_;
    QPointer<RepairController> repairController_;
    bool isTextFile_ = false;
    PendingCount pending_;
    bool reported_ = false;
    bool deferring_ = false;
    std::optional<qint64> deferredStatus_;
    EarlySpoolPtr earlySpool_;
    std::unique_ptr<FilePartSpool> digestBehind_;
    DownloadAgain downloadAgain_;
    QList<std::shared_ptr<Segment>> downloadAgainSegments_;

    void sendBackForDownload();
};
