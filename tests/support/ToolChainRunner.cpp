#include "support/ToolChainRunner.h"

#include "platform/Dispatch.h"
#include "platform/UserDefaults.h"
#include "postprocess/FileRepair.h"
#include "postprocess/JoinFileParts.h"
#include "postprocess/Un7z.h"
#include "postprocess/UnRar.h"
#include "postprocess/UnZip.h"
#include "queue/Queue.h"
#include "queue/QueueController.h"
#include "queue/StatusCodes.h"

namespace {

bool setting(const char* key)
{
    return UserDefaults::standard().boolForKey(QString::fromLatin1(key));
}

template <typename Worker> void startWorker(FileRepairExtractDelegate* runner, const QueuePtr& job)
{
    std::shared_ptr<Worker> worker = Worker::create();
    worker->setFileRepairExtractController(runner);
    worker->setQueue(job);
    worker->start();
}

} // namespace

ToolChainRunner::ToolChainRunner(QueueController& queueController) : queueController_(queueController)
{}

void ToolChainRunner::rescan()
{
    if (running_) return;
    job_ = queueController_.getFirstRepairOrExtractObject();
    if (!job_) return;
    switch (job_->status()) {
    case 14:
        if (!setting("enableFileRepair") || !job_->repairObject()) {
            job_->setStatus(setting("enableFileRepair") ? 8 : 47);
            done();
            return;
        }
        running_ = true;
        job_->setStatus(JobStatus::Repairing);
        startWorker<FileRepair>(this, job_);
        return;
    case 43:
        running_ = true;
        job_->setStatus(JobStatus::JoiningFileParts);
        startWorker<JoinFileParts>(this, job_);
        return;
    case 15:
    case 54:
        nested_ = job_->status() == JobStatus::ReadyForDeepExtraction;
        if (!setting("enableFileExtract")) {
            job_->setStatus(nested_ ? JobStatus::ReversingFilenames : JobStatus::ObfuscationCheckDone);
            done();
            return;
        }
        startExtraction();
        return;
    default:
        job_.reset();
    }
}

void ToolChainRunner::startExtraction()
{
    if (!job_->rarfiles().isEmpty()) {
        list_ = QStringLiteral("rar");
        archive_ = job_->rarfiles().first();
    } else if (!job_->z7files().isEmpty()) {
        list_ = QStringLiteral("7z");
        archive_ = job_->z7files().first();
    } else if (!job_->zipfiles().isEmpty()) {
        list_ = QStringLiteral("zip");
        archive_ = job_->zipfiles().first();
    } else {
        job_->setStatus(JobStatus::ExtractingNotPossible);
        done();
        return;
    }
    running_ = true;
    job_->setStatus(nested_ ? JobStatus::DeepExtracting : JobStatus::Extracting);
    if (list_ == QLatin1String("rar"))
        startWorker<UnRar>(this, job_);
    else if (list_ == QLatin1String("7z"))
        startWorker<Un7z>(this, job_);
    else
        startWorker<UnZip>(this, job_);
}

void ToolChainRunner::repairFinishedWithResult(bool result, qint64 requiredBlocks)
{
    if (result) {
        job_->setStatus(JobStatus::RepairFinished);
    } else if (requiredBlocks > 0) {
        job_->setBlocksRequired(requiredBlocks);
        job_->setStatus(JobStatus::NeedsMoreRepairBlocks);
    } else {
        job_->setStatus(JobStatus::RepairNotPossible);
    }
    done();
}

void ToolChainRunner::joiningFinishedWithResult(bool result)
{
    job_->setStatus(result ? JobStatus::JoiningFilePartsDone : JobStatus::JoiningFilePartsError);
    done();
}

void ToolChainRunner::rarExtractFinishedWithResult(bool result)
{
    extractionFinished(result);
}

void ToolChainRunner::z7ExtractFinishedWithResult(bool result)
{
    extractionFinished(result);
}

void ToolChainRunner::zipExtractFinishedWithResult(bool result)
{
    extractionFinished(result);
}

void ToolChainRunner::extractionFinished(bool result)
{
    if (!result) {
        job_->setStatus(nested_ ? JobStatus::DeepExtractionError : JobStatus::ExtractingNotPossible);
        done();
        return;
    }
    QStringList rar = job_->rarfiles(), z7 = job_->z7files(), zip = job_->zipfiles();
    (list_ == QLatin1String("rar") ? rar : list_ == QLatin1String("7z") ? z7 : zip).removeAll(archive_);
    job_->setRarfiles(rar);
    job_->setZ7files(z7);
    job_->setZipfiles(zip);
    job_->setDidExtractFiles(true);
    const bool more = !rar.isEmpty() || !z7.isEmpty() || !zip.isEmpty();
    job_->setStatus(more ? (nested_ ? 54 : 15) : (nested_ ? 56 : 21));
    done();
}

void ToolChainRunner::sendComment(const QString& comment)
{
    comments.append(comment);
}

void ToolChainRunner::done()
{
    running_ = false;
    job_.reset();
    Dispatch::onMain([this, token = std::weak_ptr<const void>(lifetimeToken())] {
        if (!token.expired()) rescan();
    });
}
