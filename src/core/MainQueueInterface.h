#pragma once

#include "core/MainQueueFlags.h"

// What the application core (status display, launcher icon, and through
// MainQueueFlags the guards and the closing window) asks of the queue
// controller; tests use fakes. Every call is made on the main thread and must
// not wait for a connection thread: the totals are stored values except for
// getTotalFilesInQueue, which recounts.
class MainQueueInterface : public MainQueueFlags
{
public:
    // --- totals and speed, read once a second ---
    virtual double getAverageBandwidthUsedPerSecond() = 0; // bytes per second
    virtual double bytesLeftToDownload() const = 0;
    virtual double bytesLeftToUpload() const = 0;
    // Recounts the files, segments and bytes left; returns the job count.
    virtual qint64 getTotalFilesInQueue() = 0;
    virtual double filesInQueue() const = 0;
    virtual double segmentsInQueue() const = 0;
    virtual double segmentsInQueueLeft() const = 0;
};
