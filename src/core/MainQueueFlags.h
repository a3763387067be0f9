#pragma once

#include <QtGlobal>

// The queue's stop flags and write backlog, as the free-space guard, the
// memory limiter and the closing window use them. Main thread; the flags are
// atomics that connection threads read.
class MainQueueFlags
{
public:
    virtual ~MainQueueFlags() = default;

    // --- free space: YES pauses every job, NO lifts the stop ---
    virtual bool noDiskSpace() const = 0;
    virtual void outOfDiskSpace(bool outOfSpace) = 0;

    // --- memory: while set, the connections start no new article ---
    virtual bool pausedDueFullWriteQueue() const = 0;
    virtual void setPausedDueFullWriteQueue(bool paused) = 0;

    // --- closing: file parts handed to the writer and not yet written ---
    virtual qint64 filesInWriteQueue() const = 0;
};
