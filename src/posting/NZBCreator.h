#pragma once

#include "posting/NZBWriter.h"
#include "queue/Queue.h"

#include <QString>

#include <functional>
#include <memory>
#include <optional>

// Writes the NZB file of a finished upload: every posted article of the job,
// by file part, to the job's `nzbExportUrl` (a free name beside it when that
// one is taken). One creator per job, run once on the engine's serial
// `nzbCreatorQueue`; it ends by setting the job to UploadStatus::NZBCreated
// or UploadStatus::NZBCreationError. The job is held weakly: one removed
// meanwhile counts as cancelled.
class NZBCreator
{
public:
    explicit NZBCreator(const QueuePtr& queue = nullptr);

    QueuePtr queue() const { return queue_.lock(); }
    void setQueue(const QueuePtr& queue) { queue_ = queue; }

    // The operation's body.
    void main();
    // Checks, chooses the file name, builds and writes, sets the status.
    void createdNZBForQueue(const QueuePtr& queue);

    // The building and writing steps.
    void makeNZBForQueue(const QueuePtr& queue);
    void makeHeader();
    void makeFileTag(const QueuePtr& filepart);
    void makeGroupTag(const QueuePtr& filepart);
    void makeSegmentsTag(const QueuePtr& filepart);
    void makeFooter();
    void exportNZBForQueue(const QueuePtr& queue);

    // `text` with & < > " ' as entity references; nothing for a null text.
    static std::optional<QString> xmlSimpleEscape(const QString& text)
    {
        return NZBWriter::xmlSimpleEscape(text);
    }

    const QString& outPutString() const { return writer_.text(); }
    bool hasErrors() const { return hasErrors_ || writer_.hasErrors(); }

    // Seconds since 1970 for the date attribute; tests fix it.
    void setClock(std::function<double()> clock) { writer_.setClock(std::move(clock)); }

private:
    std::weak_ptr<Queue> queue_;
    // Each file element is named after the subject of its first article,
    // and a file element runs on into the next one on the same line.
    NZBWriter writer_;
    bool hasErrors_ = false;
};
