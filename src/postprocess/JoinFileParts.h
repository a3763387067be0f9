#pragma once

#include "postprocess/FileRepairExtractDelegate.h"

#include <QList>
#include <QMutex>
#include <QString>
#include <QStringList>

#include <atomic>
#include <memory>

class Queue;
using QueuePtr = std::shared_ptr<Queue>;

// Joins files posted in numbered pieces (name.ext.001, name.ext.002, ...)
// back into one file each in the job's download folder, on a thread of its
// own, and reports once to the runner (joiningFinishedWithResult).
//
// Pieces are grouped by the name before their number (movie.avi.00N and
// sample.avi.00N make two files) and taken in the order of their numbers
// (x.1, x.2, x.10). A group joins only when all of its pieces are there,
// numbered without gaps from 0 or 1, and readable; otherwise nothing at all is
// touched and the run fails. A group is written to a new file beside the
// pieces and given its name only when complete; an existing file of that name
// is never written to or replaced (the joined file takes a free numbered
// name). The pieces of a group are deleted only once its file is complete,
// so a failed or cancelled join loses no piece.
class JoinFileParts : public std::enable_shared_from_this<JoinFileParts>
{
public:
    static std::shared_ptr<JoinFileParts> create();
    ~JoinFileParts();

    void setFileRepairExtractController(FileRepairExtractDelegate* controller);
    void setQueue(const QueuePtr& queue);
    QueuePtr queue() const;
    // Starts the thread. The worker keeps itself alive until it has reported.
    void start();
    bool isCancelled() const { return isCancelled_.load(); }
    // Stops the join before its next piece, as a cancelled job does (the
    // application is terminating). Any thread.
    void cancel() { cancelRequested_.store(true); }

    // A name ends in a dot and digits (x.avi.001, x.7z.2; not x.part1.rar).
    static bool isPieceName(const QString& name);

    struct Group
    {
        QString target;     // the name without the number
        QStringList pieces; // in the order of their numbers
    };
    // The pieces among `names`, grouped by target name (groups in the order
    // of their first piece in `names`), each group ordered by number.
    static QList<Group> groupPieces(const QStringList& names);
    // Whether a group's numbers run without gap or repeat from 0 or 1.
    static bool isComplete(const Group& group);
    // The progress after `count` of `total` pieces: the integer part of
    // 100 / total * count in single precision, and 100 after the last piece
    // (single precision alone ends 97 pieces at 99).
    static qint64 progressFor(qsizetype count, qsizetype total);

private:
    JoinFileParts() = default;
    void main();
    bool joinGroup(const Group& group, qsizetype& joined, qsizetype total);
    void sendComment(const QString& text);
    void extracted(qsizetype count, qsizetype total);
    void dismissWithResult(bool result);

    FileRepairExtractDelegateRef controller_;
    mutable QMutex lock_;
    std::weak_ptr<Queue> queue_;
    std::atomic<bool> isCancelled_{false};
    std::atomic<bool> cancelRequested_{false};
    std::atomic<bool> started_{false};
    std::atomic<bool> reported_{false};
};
