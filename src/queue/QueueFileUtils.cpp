#include "queue/QueueFileUtils.h"

#include "core/FileUtils.h"
#include "core/WildcardPattern.h"
#include "postprocess/CleanupItem.h"
#include "postprocess/RepairObject.h"
#include "queue/Queue.h"

#include <QStringList>

#include <algorithm>
#include <functional>

namespace {

QList<QueuePtr> partsMatching(const QueuePtr& queue, const std::function<bool(const Queue&)>& test)
{
    QList<QueuePtr> out;
    if (!queue) return out;
    for (const QueuePtr& part : queue->fileparts()) {
        if (part && test(*part)) out.append(part);
    }
    return out;
}

qint64 checkboxFor(bool includeDownloaded)
{
    return includeDownloaded ? 1 : 0;
}

void setArchiveStarts(const QueuePtr& queue, const FileUtils::ArchiveStarts& starts)
{
    queue->setRarfiles(starts.rarfiles);
    queue->setZipfiles(starts.zipfiles);
    queue->setZ7files(starts.z7files);
}

} // namespace

void QueueFileUtils::deleteUserDefinedFilesFromArray(const QList<CleanupItem>& items, const QueuePtr& queue)
{
    if (!queue) return;
    QStringList patterns;
    for (const CleanupItem& item : items) {
        if (item.checkbox) patterns.append(item.searchItem);
    }
    FileUtils::deleteUserDefinedFiles(patterns, queue->downloadUrl());
}

void QueueFileUtils::deleteEmptyFoldersForQueue(const QueuePtr& queue)
{
    if (queue) FileUtils::deleteEmptyFolderUrl(queue->downloadUrl());
}

void QueueFileUtils::filterFilesToExtract(const QueuePtr& queue)
{
    if (!queue) return;
    QStringList candidates;
    if (const RepairObjectPtr set = queue->repairObject()) {
        for (const RepairObjectPtr& child : set->childs())
            candidates.append(child->filename());
    } else {
        for (const QueuePtr& part : queue->fileparts())
            candidates.append(part->filename());
    }
    setArchiveStarts(queue, FileUtils::archiveStartsFor(queue->downloadUrl(), candidates));
}

void QueueFileUtils::searchSubArchivesForQueue(const QueuePtr& queue)
{
    if (queue) setArchiveStarts(queue, FileUtils::archiveStartsInFolder(queue->downloadUrl()));
}

void QueueFileUtils::deleteArchiveFilesForQueue(const QueuePtr& queue)
{
    if (queue) FileUtils::deleteArchiveFilesInFolder(queue->downloadUrl());
}

void QueueFileUtils::deleteTempRepareFilesForQueue(const QueuePtr& queue)
{
    if (queue) FileUtils::deleteTempRepairFilesInFolder(queue->downloadUrl());
}

void QueueFileUtils::deleteRepairFilesForQueue(const QueuePtr& queue)
{
    if (queue) FileUtils::deleteRepairFilesInFolder(queue->downloadUrl());
}

void QueueFileUtils::reverseFilenames(const QueuePtr& queue)
{
    if (queue) FileUtils::reverseFilenamesInFolder(queue->downloadUrl());
}

std::optional<QList<QueuePtr>> QueueFileUtils::getMainRepairFiles(const QueuePtr& queue)
{
    QList<QueuePtr> parts = partsMatching(
        queue, [](const Queue& p) { return p.ispar() && !FileUtils::checkIfRepairVolumeFile(p.filename()); });
    if (parts.isEmpty()) return std::nullopt;
    return parts;
}

std::optional<QList<QueuePtr>> QueueFileUtils::getVolRepairFiles(const QueuePtr& queue,
                                                                 bool includeDownloaded)
{
    const qint64 checkbox = checkboxFor(includeDownloaded);
    QList<QueuePtr> parts = partsMatching(queue, [checkbox](const Queue& p) {
        return p.ispar() && p.checkbox() == checkbox && !p.isRepaired() &&
               FileUtils::checkIfRepairVolumeFile(p.filename());
    });
    if (parts.isEmpty()) return std::nullopt;
    for (const QueuePtr& part : parts) {
        if (part->repairblocks() == 0) part->setRepairblocks(FileUtils::getRepairBlocks(part->filename()));
    }
    return parts;
}

QList<QueuePtr> QueueFileUtils::getAllRepairFiles(const QueuePtr& queue, bool includeDownloaded)
{
    const qint64 checkbox = checkboxFor(includeDownloaded);
    const WildcardPattern par2(QStringLiteral("*.par2*"),
                               WildcardPattern::CaseInsensitive | WildcardPattern::DiacriticInsensitive);
    return partsMatching(queue, [&](const Queue& p) {
        return p.ispar() && p.checkbox() == checkbox && !p.isRepaired() && par2.matches(p.filename());
    });
}

bool QueueFileUtils::checkIfSetOnlyContainsRepairFiles(const QueuePtr& queue)
{
    if (!queue) return true;
    const QList<QueuePtr> parts = queue->fileparts();
    return std::all_of(parts.cbegin(), parts.cend(), [](const QueuePtr& p) { return !p || p->ispar(); });
}
