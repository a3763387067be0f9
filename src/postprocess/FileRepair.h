#pragma once

#include "postprocess/ToolOutputTable.h"
#include "postprocess/ToolWorker.h"

#include <optional>

// Verifies and repairs a job's files with its PAR2 set through par2
// (par2cmdline): "par2 r <index> <other files of the job folder>". The other
// files are passed so that par2 also finds the set's files when they are on
// disk under other names (obfuscated posts), and recovery volumes whose
// names do not follow the index's.
//
// Result: success when par2 completed a repair or found nothing to repair;
// otherwise failure with `requiredBlocks` when par2 names the recovery
// blocks still needed. Disk errors pause the job as disk-not-ready.
class FileRepair : public ToolWorker
{
public:
    enum Action { RequiredBlocks, Failure, DiskFailure, RepairComplete, NotRequired };

    static std::shared_ptr<FileRepair> create();

    QString par2filePath() const;
    qint64 requiredBlocks() const { return requiredBlocks_.load(); }

    // par2 repairs a damaged file by setting it aside as "name.1" and
    // writing the repaired one as "name"; a repair cut short (a crash, a
    // kill, the program closing) leaves "name" half-written. For each
    // written file of the job that has such a backup, the half-written file
    // goes and the downloaded one takes its name again (later backups, set
    // aside by later cut-short runs, go too), so that the job is checked and
    // repaired from what was downloaded. A name that is itself a file of the
    // job is never taken for a backup.
    static void undoInterruptedRepair(const QueuePtr& job);

    // The result table, in the order it is tried.
    static const ToolOutputTable& resultTable();
    // The integer part of the first "Repairing: N%" of a chunk, if any.
    static std::optional<qint64> repairPercentage(const QString& chunk);

protected:
    FileRepair();

    Start prepare() override;
    void updatePercentage(const QString& chunk) override;
    void handleFinalResult() override;
    void logResult() override;
    void report(FileRepairExtractDelegate& controller) override;
    void onCancel() override;

private:
    void setPercentage(qint64 percent);

    mutable QMutex fieldsLock_;
    QString par2filePath_;
    std::atomic<qint64> requiredBlocks_{0};
};
