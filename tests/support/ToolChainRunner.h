#pragma once

#include "postprocess/FileRepairExtractDelegate.h"

#include <QString>
#include <QStringList>

#include <memory>

class Queue;
using QueuePtr = std::shared_ptr<Queue>;
class QueueController;

// Stands in for the post-processing runner in tests of the whole job chain:
// woken with rescan(), it takes the job the scheduler offers
// (getFirstRepairOrExtractObject), runs the real worker for the job's code
// (the PAR2 repair at 14, the join at 43, an extractor at 15 or 54) and sets
// the code that follows from the worker's result, then looks for the next
// job. One job at a time; rescan() does nothing while a worker runs.
class ToolChainRunner : public FileRepairExtractDelegate
{
public:
    explicit ToolChainRunner(QueueController& queueController);

    void rescan();
    bool isRunning() const { return running_; }

    void repairFinishedWithResult(bool result, qint64 requiredBlocks) override;
    void joiningFinishedWithResult(bool result) override;
    void rarExtractFinishedWithResult(bool result) override;
    void z7ExtractFinishedWithResult(bool result) override;
    void zipExtractFinishedWithResult(bool result) override;
    void sendComment(const QString& comment) override;

    // Every comment a worker sent, in order.
    QStringList comments;

private:
    void startExtraction();
    void extractionFinished(bool result);
    void done();

    QueueController& queueController_;
    QueuePtr job_;
    bool running_ = false;
    bool nested_ = false;
    // The list ("rar", "7z", "zip") and name of the archive being extracted.
    QString list_;
    QString archive_;
};
