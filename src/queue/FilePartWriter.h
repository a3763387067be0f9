#pragma once

#include "queue/Queue.h"

#include <QByteArray>
#include <QPointer>
#include <QString>

#include <atomic>
#include <memory>
#include <optional>

class FilePartSpool;
class RepairController;

// One write operation of the write queue: decodes a downloaded file part's
// article bodies with the first decoder that recognises them (yEnc, uuencode,
// Base64, text), names the file, digests it, hands PAR2 files to the repair
// bookkeeping, probes RAR 4 archives for a password, chooses the job's folder
// and puts the file there. The outcome is the part's next status: 1017
// written (or skipped, for a cancelled job), 1018 not written, 1024 not
// decodable.
//
// The decoded file never sits in memory: it is decoded into a spool file
// (FilePartSpool) and moved into place. The article bodies are taken out of
// the segments for the run and handed back when the file could not be
// written, so that a retry decodes them again: a part is never lost to a
// failed write.
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

    QueuePtr filepart() const { return filepart_.lock(); }
    RepairController* repairController() const;
    bool isTextFile() const { return isTextFile_; }

    // The operation's body.
    void main();
    // The decode-and-write sequence.
    void writeFilePartToDisk();

    // Outcomes.
    void writeOK(const QString& file);
    void writeNOK();
    void diskNOK();
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
    QString chooseFolder(const QueuePtr& part, const QueuePtr& job) const;
    void reportWriteError(int code, const QString& reason);

    std::weak_ptr<Queue> filepart_;
    QPointer<RepairController> repairController_;
    bool isTextFile_ = false;
    PendingCount pending_;
    bool reported_ = false;
    bool deferring_ = false;
    std::optional<qint64> deferredStatus_;
};
