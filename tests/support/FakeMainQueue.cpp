#include "support/FakeMainQueue.h"

qint64 FakeMainQueue::getTotalFilesInQueue()
{
    calls << QStringLiteral("getTotalFilesInQueue");
    if (afterRecount.set) {
        files = afterRecount.files;
        leftToDownload = afterRecount.leftToDownload;
    }
    return qint64(files);
}

void FakeMainQueue::outOfDiskSpace(bool outOfSpace)
{
    calls << QStringLiteral("outOfDiskSpace %1").arg(int(outOfSpace));
    noDiskSpace_ = outOfSpace;
}

void FakeMainQueue::setPausedDueFullWriteQueue(bool paused)
{
    calls << QStringLiteral("setPausedDueFullWriteQueue %1").arg(int(paused));
    pausedDueFullWriteQueue_ = paused;
}

QStringList FakeMainQueue::callsStartingWith(const QString& prefix) const
{
    QStringList out;
    for (const QString& c : calls)
        if (c.startsWith(prefix)) out << c;
    return out;
}
