#include "queue/FileWriteController.h"

#include "postprocess/RepairController.h"
#include "queue/FilePartSpool.h"
#include "queue/FilePartWriter.h"

#include <QMutexLocker>

#include <algorithm>
#include <memory>

#if defined(__GLIBC__)
#include <malloc.h>
#endif

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
    {
        // The part is complete: whatever it holds now goes to this write.
        QMutexLocker locker(&heldLock_);
        held_.remove(filepart.get());
    }
    auto writer = std::make_shared<FilePartWriter>(filepart, repairController_.data(), pending_);
    writer->setDownloadAgain(downloadAgain_);
    const std::weak_ptr<Queue> weak = filepart;
    writeFileQueue_.addOperation([this, writer, weak] {
        const QueuePtr part = weak.lock();
        if (part) writer->setEarlySpool(takeSpool(part));
        writer->main();
        std::unique_ptr<EarlySpool> kept = writer->takeEarlySpool();
        if (part && kept) keepSpool(part, std::move(kept));
    });
}

void FileWriteController::bodyArrived(const QueuePtr& filepart, qint64 bytes)
{
    if (!filepart || bytes <= 0) return;
    bool queue = false;
    {
        QMutexLocker locker(&heldLock_);
        auto it = held_.find(filepart.get());
        if (it == held_.end() || it->part.lock() != filepart) {
            // An entry of a part that is gone (or of another part at the
            // same address) is dropped with the others like it.
            for (auto stale = held_.begin(); stale != held_.end();)
                stale = stale->part.expired() ? held_.erase(stale) : std::next(stale);
            it = held_.insert(filepart.get(), Held{filepart, 0, false, 0});
        }
        it->bytes += bytes;
        qint64 peak = peakHeld_.load();
        while (it->bytes > peak && !peakHeld_.compare_exchange_weak(peak, it->bytes)) {
        }
        if (!it->queued && it->bytes > std::max(threshold_.load(), it->trigger)) {
            it->queued = true;
            queue = true;
        }
    }
    if (!queue) return;
    const std::weak_ptr<Queue> weak = filepart;
    writeFileQueue_.addOperation([this, weak] { spoolEarly(weak); });
}

qint64 FileWriteController::heldBytes(const QueuePtr& filepart) const
{
    QMutexLocker locker(&heldLock_);
    const auto it = held_.constFind(filepart.get());
    return it == held_.constEnd() || it->part.lock() != filepart ? 0 : it->bytes;
}

void FileWriteController::spoolEarly(const std::weak_ptr<Queue>& weak)
{
    const QueuePtr part = weak.lock();
    if (!part) return;
    std::unique_ptr<EarlySpool> entry = takeSpool(part);
    if (!entry) entry = std::make_unique<EarlySpool>();
    const qint64 bytes = FilePartWriter::spoolEarly(part, *entry);
    spooledBytes_.fetch_add(bytes);
#if defined(__GLIBC__)
    // The freed bodies go back to the system, so that the resident size the
    // memory limiter watches falls with them and a paused download resumes.
    if (bytes > 0) ::malloc_trim(0);
#endif
    const QueuePtr job = part->queue();
    const bool cancelled = !job || job->isCancelled() || part->isCancelled();
    if (!cancelled) keepSpool(part, std::move(entry));
    // A spooling that freed nothing (bodies of another encoding, a disk
    // that refuses) is not tried again at once.
    released(part, bytes, bytes > 0);
}

void FileWriteController::released(const QueuePtr& filepart, qint64 bytes, bool queueAgain)
{
    bool queue = false;
    {
        QMutexLocker locker(&heldLock_);
        const auto it = held_.find(filepart.get());
        if (it == held_.end() || it->part.lock() != filepart) return;
        it->bytes = std::max<qint64>(0, it->bytes - bytes);
        it->queued = false;
        it->trigger = bytes > 0 ? 0 : it->bytes + threshold_.load();
        // More arrived while this ran.
        if (queueAgain && it->bytes > threshold_.load()) {
            it->queued = true;
            queue = true;
        }
    }
    if (!queue) return;
    const std::weak_ptr<Queue> weak = filepart;
    writeFileQueue_.addOperation([this, weak] { spoolEarly(weak); });
}

void FileWriteController::discardSpool(const QueuePtr& filepart)
{
    if (!filepart) return;
    {
        QMutexLocker locker(&heldLock_);
        held_.remove(filepart.get());
    }
    const std::weak_ptr<Queue> weak = filepart;
    const Queue* key = filepart.get();
    writeFileQueue_.addOperation([this, weak, key] {
        const auto it = spools_.find(key);
        if (it == spools_.end()) return;
        // Only this part's: another part may have come to the same address.
        const QueuePtr part = weak.lock();
        if (!part || it->second.part.lock() == part || it->second.part.expired()) spools_.erase(it);
    });
}

std::unique_ptr<EarlySpool> FileWriteController::takeSpool(const QueuePtr& filepart)
{
    // Spools of parts that are gone go with them.
    for (auto it = spools_.begin(); it != spools_.end();)
        it = it->second.part.expired() ? spools_.erase(it) : std::next(it);
    const auto it = spools_.find(filepart.get());
    if (it == spools_.end()) return nullptr;
    std::unique_ptr<EarlySpool> spool = std::move(it->second.spool);
    const bool same = it->second.part.lock() == filepart;
    spools_.erase(it);
    return same ? std::move(spool) : nullptr;
}

void FileWriteController::keepSpool(const QueuePtr& filepart, std::unique_ptr<EarlySpool> spool)
{
    spools_[filepart.get()] = Spooled{filepart, std::move(spool)};
}
