#pragma once

#include "postprocess/FileContentSource.h"
#include "postprocess/RepairModel.h"
#include "postprocess/RepairObject.h"
#include "queue/FODObject.h"
#include "queue/QueueObjectDelegate.h"

#include <QObject>
#include <QRecursiveMutex>
#include <QThreadPool>

#include <functional>

class FODController;
class QueueController;

// The PAR2 bookkeeping while jobs download: keeps the recovery sets of the
// model up to date as the file writer hands over each written part, and
// turns them into what the scheduler steers by: the job's `blocksRequired`,
// `canRepair` (the files can be repaired) and `canExtract` (they are intact).
//
// Data of a written part is never needed in memory. Every call that reads a
// part's bytes takes them as a FileContentSource: the written file (streamed
// in blocks) or bytes the writer still holds (viewed, not copied). The
// shorter forms take the part's `decodedFileData` when it still holds some
// and the written file otherwise.
//
// Threads and locks:
// - `lock` (recursive) is held for the whole run of every operation that
//   reads or changes the counts: analysis of a PAR2 part (after its file has
//   been read), linking a part to its set, recording a written part, the
//   re-check of a set's files, the restore of a set and the decision on a
//   set. It is recursive because the decision runs inside the others.
// - Lock order: this lock, then the files-on-disk index's lock inside it;
//   the index never calls back. Nothing here takes the queue controller's
//   `arrayLock` (queue items guard their own fields), so the queue
//   controller may call in while holding it.
// - The main thread never takes this lock, and nothing here ever waits for
//   the main thread: queue items and recovery-set records are safe to change
//   from any thread and forward what the pages observe to the main thread
//   themselves. A call made on the main thread therefore hands its work to
//   the controller's own background pool and returns at once:
//   addAndAnalysePar2FilePart (then returning null), setRepairChildObject-
//   ForFilepart, addFilePartToFod, restoreAndAnalysePar2FilePart,
//   crc32CheckFodsInRepairParent and checkIfEnoughBlocksForRepairParent.
//   removeRepairObject takes no lock and runs on the calling thread.
//   Everything else (the references, the model's list) is safe anywhere.
class RepairController : public QObject
{
    Q_OBJECT
public:
    explicit RepairController(QObject* parent = nullptr);
    // Waits for the work handed off by main-thread calls.
    ~RepairController() override;

    void setFodController(FODController* controller) { fodController_ = controller; }
    FODController* fodController() const { return fodController_; }
    void setQueuecontroller(QueueController* controller) { queuecontroller_ = controller; }
    QueueController* queuecontroller() const { return queuecontroller_; }
    RepairModel& repairmodel() { return repairmodel_; }
    QRecursiveMutex& lock() { return lock_; }

    // A PAR2 part of a job without a set of its own: reads its file list and
    // makes the job's set from it, linking the job's own files found in the
    // index and its parts written before the set was known (to be counted by
    // the set's re-check). Files of other jobs are never linked; an intact
    // copy of one may be linked into the job's folder once the PAR2 part is
    // written there (addFilePartToFod). Null when the job has its own
    // set already (its further PAR2 files are not read at all; their blocks
    // count through addFilePartToFod), or when the data is not a usable PAR2
    // file. `fromDisk`: the part's file in its job's folder; otherwise its
    // `decodedFileData`.
    RepairObjectPtr addAndAnalysePar2FilePart(const QueuePtr& filepart, bool fromDisk);
    RepairObjectPtr addAndAnalysePar2FilePart(const QueuePtr& filepart, const FileContentSource& par2);

    // The part's entry in its job's recovery set (its `repairObject`, or
    // null); the set of another job is never the part's.
    void setRepairChildObjectForFilepart(const QueuePtr& filepart);

    // After the part is on disk: its files-on-disk record, the count of its
    // intact slices in the file written (a data file of a set), its recovery
    // blocks (a PAR2 file), and the decision on its set. For the PAR2 file
    // that made the set: members the job does not download itself are
    // looked for among earlier downloads, and an intact copy is linked.
    void addFilePartToFod(const QueuePtr& filepart);
    void addFilePartToFod(const QueuePtr& filepart, const FileContentSource& written);

    // A restored job's downloaded main PAR2 part: the set is read back from
    // the file on disk and the job's own files and volumes are found in the
    // index.
    void restoreAndAnalysePar2FilePart(const QueuePtr& filepart);

    // Counts the slices of the set's files on disk again (all of them when
    // `forcedAll`, else those not checked yet), gives the job's misnamed
    // files the names of the set in the job's folder, and decides on the set.
    // `thenOnMain`, when given, runs on the main thread afterwards.
    void crc32CheckFodsInRepairParent(const RepairObjectPtr& parent, bool forcedAll,
                                      std::function<void()> thenOnMain = {});

    // Sets the set's available blocks and its job's `blocksRequired`; once
    // every selected part is downloaded and the blocks suffice, the job's
    // `canRepair` (a file lacks blocks) or `canExtract` (all intact, as the
    // slice checks of the job's own files found them); otherwise neither.
    void checkIfEnoughBlocksForRepairParent(const RepairObjectPtr& parent);

    // Forgets the set and its files.
    void removeRepairObject(const RepairObjectPtr& parent);

private:
    bool handedOff(std::function<void()> work);
    RepairObjectPtr analyse(const QueuePtr& filepart, const FileContentSource& par2);
    static bool hasOwnSet(const QueuePtr& job);
    void linkIntactCopiesOfEarlierDownloads(const RepairObjectPtr& parent);
    static bool downloadsItsOwnCopy(const QueuePtr& job, const RepairObjectPtr& child);
    static bool isIntactCopyOf(const QString& path, const RepairObjectPtr& child);
    void linkWrittenParts(const QueuePtr& job, const RepairObjectPtr& parent);
    void recordWrittenPart(const QueuePtr& filepart, const FileContentSource& written);
    void restore(const QueuePtr& filepart);
    void recheck(const RepairObjectPtr& parent, bool forcedAll);
    void decide(const RepairObjectPtr& parent);

    void searchPreviousDownloadedFodsForRepairParent(const RepairObjectPtr& parent);
    void updateRootQueue(const QueuePtr& job, const RepairObjectPtr& parent);
    static bool checkIfAllFilesAreDownloadedForQueue(const QueuePtr& job);
    static qint64 calculateAvailableBlocksForRepairParent(const RepairObjectPtr& parent);
    void updateRepairParent(const RepairObjectPtr& parent, const FODObjectPtr& fod);
    void updateRepairObject(const RepairObjectPtr& object, const FODObjectPtr& fod);
    void moveFod(const FODObjectPtr& fod, const RepairObjectPtr& child, const QString& folder);

    static FileContentSource par2SourceOf(const QueuePtr& filepart, bool fromDisk);
    static FileContentSource writtenSourceOf(const QueuePtr& filepart);

    RepairModel repairmodel_;
    QRecursiveMutex lock_;
    FODController* fodController_ = nullptr;
    QueueController* queuecontroller_ = nullptr;
    // Last, so that it is destroyed (waiting for its work) first.
    QThreadPool handoff_;
};
