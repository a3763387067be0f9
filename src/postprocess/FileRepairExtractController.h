#pragma once

#include "postprocess/FileRepairExtractDelegate.h"

#include <QObject>
#include <QString>

#include <functional>
#include <memory>

class Queue;
using QueuePtr = std::shared_ptr<Queue>;
class JoinFileParts;

// Runs the slow post-processing steps of finished downloads, one job and one
// step at a time: PAR2 repair, joining of split files, and extraction of the
// job's archives, nested ones included. The scheduler decides the order of a
// job's steps through its status codes and calls rescan() when a job reaches
// a code that waits for a step (JobStatus::QueuedForRepair,
// QueuedForExtraction, ReadyToJoinFileParts, ReadyForDeepExtraction); the
// runner takes the first such job, starts the matching worker and, on the
// worker's report, gives the job its next code and looks for more work.
//
// Main thread only: rescan(), every report of a worker, and the termination
// notification all arrive there, so the flags need no lock. At most one
// worker runs at any time.
class FileRepairExtractController : public QObject, public FileRepairExtractDelegate
{
    Q_OBJECT
public:
    // Where the next job comes from: the first job in queue order at one of
    // those codes that is neither paused nor cancelled, or null. The scheduler
    // sets it to its getFirstRepairOrExtractObject() at start-up.
    using JobSource = std::function<QueuePtr()>;

    explicit FileRepairExtractController(QObject* parent = nullptr);
    ~FileRepairExtractController() override;

    void setJobSource(JobSource source);
    // Decides when the pieces of a job's joined files may be deleted: the
    // scheduler lets them go once the save state knows the job is past its
    // join. Unset: at once.
    using PiecesGate = std::function<void(const QueuePtr& job, std::function<void()> deletePieces)>;
    void setJoinedPiecesGate(PiecesGate gate);

    // Starts the next step unless one is in progress.
    void rescan();

    bool isrunning() const { return isrunning_; }
    // Set once when the application terminates; then no step starts another.
    bool isCancelled() const { return isCancelled_; }
    bool isSubExtracting() const { return isSubExtracting_; }
    QueuePtr currentQueue() const { return currentQueue_; }

    // --- Reports of the workers (FileRepairExtractDelegate)
    void repairFinishedWithResult(bool result, qint64 requiredBlocks) override;
    void joiningFinishedWithResult(bool result) override;
    void rarExtractFinishedWithResult(bool result) override;
    void z7ExtractFinishedWithResult(bool result) override;
    void zipExtractFinishedWithResult(bool result) override;
    void sendComment(const QString& comment) override;
    void joinedFilesWritten(std::function<void()> deletePieces) override;

    // "ApplicationWillTerminate".
    void applicationWillTerminate();

private:
    enum class ArchiveList { Rar, SevenZip, Zip };

    void run();
    // What run() does with one job; false when the job was dropped without a
    // step (then the next waiting job is taken).
    bool startStepFor(const QueuePtr& job);
    void startRepairing();
    void startJoining();
    void startExtractingRar();
    void startExtracting7z();
    void startExtractingZip();
    void extractFinished(ArchiveList list, bool result);
    void deleteTempFolder();
    // Clears isrunning and looks for more work unless terminating.
    void stepDone();

    JobSource jobSource_;
    PiecesGate joinedPiecesGate_;
    QueuePtr currentQueue_;
    bool isrunning_ = false;
    bool isCancelled_ = false;
    bool isSubExtracting_ = false;
    // Kept until the next join replaces it; the repair and extraction
    // workers keep themselves alive while they run.
    std::shared_ptr<JoinFileParts> joinFilesThread_;
};
