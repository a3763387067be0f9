#pragma once

#include <memory>

class Queue;
using QueuePtr = std::shared_ptr<Queue>;

// What the newsgroup-list download asks of the download queue: the one
// entry point by which a page hands a job in or takes it out again. The
// queue controller implements it; tests use fakes.
//
// Once the job is queued, the queue opens a connection to the job's
// `serverID` (only that server may take its one article), the connection
// sends LIST and keeps the whole reply block in the article's `filedata`,
// the queue books the article with updateQueueAfterDownloadingNewsgroupList,
// the file part finishes, and the queue posts "NewsgroupListDownloadResult"
// with the user info {"status": "ok"} on the main thread.
class NewsgroupListQueueInterface
{
public:
    virtual ~NewsgroupListQueueInterface() = default;

    // The root job's checkbox was set: 1 takes the job into the queue, 0
    // takes it out without asking. Main thread.
    virtual void dpRootQueueObjectCheckBoxClicked(const QueuePtr& queue) = 0;
};
