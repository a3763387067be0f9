#include "queue/FileWriteController.h"

#include "postprocess/RepairController.h"
#include "queue/FODController.h"
#include "queue/FilePartSpool.h"
#include "queue/FilePartWriter.h"

#include <QMutexLocker>

#include <memory>

FileWriteController::FileWriteController(QObject* parent)
    : QObject(parent), digestQueue_(QStringLiteral("FileDigestQueue")),
      writeFileQueue_(QStringLiteral("FileWriteQueue"))
{}

FileWriteController::~FileWriteController()
{
    stop();
}

void FileWriteController::stop()
{
    stopped_ = true;
    writeFileQueue_.cancelAllOperations();
    writeFileQueue_.waitUntilAllOperationsAreFinished();
    decodePool_.waitUntilIdle();
    // A digest reports to the files-on-disk index, which may go next; the
    // writes are done, so no digest is added after these.
    digestQueue_.cancelAllOperations();
    digestQueue_.waitUntilAllOperationsAreFinished();
    repairController_ = nullptr;
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
    if (!filepart || stopped_) return;
    pending_->fetch_add(1);
    auto writer = std::make_shared<FilePartWriter>(filepart, repairController_.data(), pending_);
    writer->setDownloadAgain(downloadAgain_);
    const std::weak_ptr<Queue> weak = filepart;
    writeFileQueue_.addOperation([this, writer, weak] {
        const QueuePtr part = weak.lock();
        if (part) writer->setEarlySpool(takeSpool(part));
        writer->main();
        EarlySpoolPtr kept = writer->takeEarlySpool();
        if (part && kept) keepSpool(part, std::move(kept));
        if (std::unique_ptr<FilePartSpool> spool = writer->takeDigestBehind()) {
            std::shared_ptr<FilePartSpool> shared = std::move(spool);
            digestQueue_.addOperation([this, weak, shared] { followDigest(weak, *shared); });
        }
    });
}

void FileWriteController::bodyArrived(const QueuePtr& filepart, const SegmentPtr& segment)
{
    if (!filepart || !segment || stopped_) return;
    const qint64 bytes = segment->filedata().size();
    if (bytes <= 0) return;
    EarlySpoolPtr spool;
    {
        QMutexLocker locker(&spoolsLock_);
        Spooled& entry = spools_[filepart.get()];
        // An entry of a part that is gone (or of another part at the same
        // address) starts again.
        if (!entry.spool || entry.part.lock() != filepart) entry = Spooled{filepart, std::make_shared<EarlySpool>()};
        spool = entry.spool;
        ++spool->pending;
    }
    const std::weak_ptr<Queue> weak = filepart;
    decodePool_.run(bytes, [this, weak, segment, spool] { decodeArrived(weak, segment, spool); });
}

void FileWriteController::decodeArrived(const std::weak_ptr<Queue>& weak, const SegmentPtr& segment,
                                        const EarlySpoolPtr& spool)
{
    if (const QueuePtr part = weak.lock()) spooledBytes_.fetch_add(FilePartWriter::spoolArticle(part, segment, *spool));
    QMutexLocker locker(&spoolsLock_);
    if (--spool->pending == 0) decodesDone_.wakeAll();
}

void FileWriteController::discardSpool(const QueuePtr& filepart)
{
    if (!filepart) return;
    const std::weak_ptr<Queue> weak = filepart;
    writeFileQueue_.addOperation([this, weak] {
        // takeSpool() gives only this part's spool, once its decodes are done;
        // it goes here.
        if (const QueuePtr part = weak.lock()) takeSpool(part);
    });
}

EarlySpoolPtr FileWriteController::takeSpool(const QueuePtr& filepart)
{
    QMutexLocker locker(&spoolsLock_);
    // Spools of parts that are gone go with them.
    for (auto it = spools_.begin(); it != spools_.end();)
        it = it->second.part.expired() && it->second.spool->pending == 0 ? spools_.erase(it) : std::next(it);
    const auto it = spools_.find(filepart.get());
    if (it == spools_.end() || it->second.part.lock() != filepart) return nullptr;
    EarlySpoolPtr spool = it->second.spool;
    while (spool->pending > 0)
        decodesDone_.wait(&spoolsLock_);
    // Still this part's entry: only bodyArrived() replaces one, and the
    // part is complete or dropped by now.
    spools_.erase(filepart.get());
    return spool;
}

void FileWriteController::keepSpool(const QueuePtr& filepart, EarlySpoolPtr spool)
{
    QMutexLocker locker(&spoolsLock_);
    spools_[filepart.get()] = Spooled{filepart, std::move(spool)};
}

void FileWriteController::followDigest(const std::weak_ptr<Queue>& weak, FilePartSpool& spool)
{
    const QString md5 = spool.md5();
    const QueuePtr part = weak.lock();
    if (!part || md5.isEmpty() || !part->md5().isEmpty()) return;
    part->setMd5(md5);
    RepairController* repair = repairController_.data();
    if (FODController* fods = repair ? repair->fodController() : nullptr) fods->completeMd5(part);
}
