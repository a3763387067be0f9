#pragma once

#include <QtGlobal>

// What the application core (status display, free-space guard, memory
// limiter, closing window) asks of the queue controller. QueueController
// answers it; tests use fakes. Every call is made on the main thread and must
// not wait for a connection thread: the flags are atomics, the totals are
// stored values except for getTotalFilesInQueue, which recounts.
class MainQueueInterface
{
public:
    virtual ~MainQueueInterface() = default;

    // --- totals and speed, read once a second ---
    virtual double getAverageBandwidthUsedPerSecond() = 0; // bytes per second
    virtual double bytesLeftToDownload() const = 0;
    virtual double bytesLeftToUpload() const = 0;
    // Recounts the files, segments and bytes left; returns the job count.
    virtual qint64 getTotalFilesInQueue() = 0;
    virtual double filesInQueue() const = 0;
    virtual double segmentsInQueue() const = 0;
    virtual double segmentsInQueueLeft() const = 0;

    // --- free space: YES pauses every job, NO lifts the stop ---
    virtual bool noDiskSpace() const = 0;
    virtual void outOfDiskSpace(bool outOfSpace) = 0;

    // --- memory: while set, the connections start no new article ---
    virtual bool pausedDueFullWriteQueue() const = 0;
    virtual void setPausedDueFullWriteQueue(bool paused) = 0;

    // --- closing: file parts handed to the writer and not yet written ---
    virtual qint64 filesInWriteQueue() const = 0;
};
