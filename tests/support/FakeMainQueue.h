#pragma once

#include "core/MainQueueInterface.h"

#include <QList>
#include <QString>
#include <QStringList>

// The queue as the application core sees it, with figures a test sets and
// every call that changes state recorded in order ("outOfDiskSpace 1",
// "setPausedDueFullWriteQueue 0", "getTotalFilesInQueue").
class FakeMainQueue : public MainQueueInterface
{
public:
    double getAverageBandwidthUsedPerSecond() override { return bytesPerSecond; }
    double bytesLeftToDownload() const override { return leftToDownload; }
    double bytesLeftToUpload() const override { return leftToUpload; }
    // Records the call, then takes the figures of `afterRecount` when set, as
    // the real recount replaces the totals.
    qint64 getTotalFilesInQueue() override;
    double filesInQueue() const override { return files; }
    double segmentsInQueue() const override { return segments; }
    double segmentsInQueueLeft() const override { return segmentsLeft; }
    bool noDiskSpace() const override { return noDiskSpace_; }
    void outOfDiskSpace(bool outOfSpace) override;
    bool pausedDueFullWriteQueue() const override { return pausedDueFullWriteQueue_; }
    void setPausedDueFullWriteQueue(bool paused) override;
    qint64 filesInWriteQueue() const override { return writeQueue; }

    double bytesPerSecond = 0;
    double leftToDownload = 0;
    double leftToUpload = 0;
    double files = 0;
    double segments = 0;
    double segmentsLeft = 0;
    qint64 writeQueue = 0;
    struct Recount
    {
        bool set = false;
        double files = 0;
        double leftToDownload = 0;
    } afterRecount;

    QStringList calls;
    // The calls whose text starts with `prefix`.
    QStringList callsStartingWith(const QString& prefix) const;

private:
    bool noDiskSpace_ = false;
    bool pausedDueFullWriteQueue_ = false;
};
