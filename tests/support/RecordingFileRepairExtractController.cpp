#include "support/RecordingFileRepairExtractController.h"

#include "platform/Dispatch.h"
#include "support/EventLoop.h"

void RecordingFileRepairExtractController::add(const QString& kind, bool result, qint64 blocks)
{
    if (!Dispatch::isMainThread()) ++offMainThreadCalls;
    reports.append({kind, result, blocks});
}

void RecordingFileRepairExtractController::repairFinishedWithResult(bool result, qint64 requiredBlocks)
{
    add(QStringLiteral("repair"), result, requiredBlocks);
}

void RecordingFileRepairExtractController::joiningFinishedWithResult(bool result)
{
    add(QStringLiteral("join"), result);
}

void RecordingFileRepairExtractController::rarExtractFinishedWithResult(bool result)
{
    add(QStringLiteral("rar"), result);
}

void RecordingFileRepairExtractController::z7ExtractFinishedWithResult(bool result)
{
    add(QStringLiteral("7z"), result);
}

void RecordingFileRepairExtractController::zipExtractFinishedWithResult(bool result)
{
    add(QStringLiteral("zip"), result);
}

void RecordingFileRepairExtractController::sendComment(const QString& comment)
{
    if (!Dispatch::isMainThread()) ++offMainThreadCalls;
    comments.append(comment);
}

bool RecordingFileRepairExtractController::waitForReports(int count, int timeoutMs) const
{
    return waitUntil([&] { return reports.size() >= count; }, timeoutMs);
}

void RecordingFileRepairExtractController::joinedFilesWritten(std::function<void()> deletePieces)
{
    if (!Dispatch::isMainThread()) ++offMainThreadCalls;
    if (holdJoinedPieces)
        heldPieceDeletion = std::move(deletePieces);
    else
        deletePieces();
}
