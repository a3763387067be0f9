#include "queue/FileWriteController.h"

#include "postprocess/RepairController.h"
#include "queue/FilePartWriter.h"

#include <memory>

FileWriteController::FileWriteController(QObject* parent)
    : QObject(parent), writeFileQueue_(QStringLiteral("FileWriteQueue"))
{}

FileWriteController::~FileWriteController()
{
    writeFileQueue_.cancelAllOperations();
    writeFileQueue_.waitUntilAllOperationsAreFinished();
}

RepairController* FileWriteController::repairController() const
{
    return repairController_.data();
}

void FileWriteController::setRepairController(RepairController* controller)
{
    repairController_ = controller;
}

void FileWriteController::addFileToQueue(const QueuePtr& filepart)
{
    if (!filepart) return;
    pending_->fetch_add(1);
    auto writer = std::make_shared<FilePartWriter>(filepart, repairController_.data(), pending_);
    writeFileQueue_.addOperation([writer] { writer->main(); });
}
