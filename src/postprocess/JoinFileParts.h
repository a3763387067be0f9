#pragma once

#include "postprocess/FileRepairExtractDelegate.h"

#include <QList>
#include <QMutex>
#include <QString>
#include <QStringList>

#include <atomic>
#include <memory>
#include <optional>

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
// name), unless it is the very file this join makes, left by a run that was
// cut short. The pieces are deleted only once every file is complete and the
// runner lets them go (joinedFilesWritten), so a failed or cancelled join
// loses no piece, and a crash before the pieces go leaves what a restart
// needs to join again.
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

    // After a restart of a job whose files were joined: removes the pieces
    // that were still on disk, those of every group whose first piece's part
    // is named after its joined file and whose joined file is there.
    static void removeLeftoverPieces(const QueuePtr& job);

private:
    JoinFileParts() = default;
    struct Joined
    {
        QStringList pieces;
        QString joinedName; // the joined file's name in the job folder
    };

    void main();
    // The joined file's name, or nothing when the group failed.
    std::optional<QString> joinGroup(const Group& group, qsizetype& joined, qsizetype total);
    static void removeInterruptedJoins(const QString& folder, const QString& hiddenPrefix);
    // Names the entries after the joined files, hands the deletion of the
    // pieces to the runner, and reports once the pieces are gone.
    void filesWritten(const QueuePtr& job, const QList<Joined>& written);
    static void renameEntries(const QueuePtr& job, const QString& first, const QString& joinedName);
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
