#pragma once

#include "search/FilepartsByFid.h"

#include <QList>
#include <QString>

#include <optional>

// Reads the article lists of a batch of file parts (the reply to an
// article-list request) and gives each part its articles. One parser serves
// one reply; it touches only the parts it is given and may run on any
// thread. The jobs of those parts wait for their article lists and are not
// handed to connections meanwhile.
class DeepLookupMidsParser
{
public:
    // How a finished batch turned out, in the batch's order.
    struct BatchOutcome
    {
        // Parts that have their articles now: handed over to the queue.
        QList<QueuePtr> received;
        // Parts that received none (the service knows no article of them,
        // the reply failed, or the request never got one).
        QList<QueuePtr> withoutSegments;
    };

    // Gives the parts of `parts` the articles that `text` lists for them
    // (DATA records: fid, message-id without brackets, bytes, number, count).
    // Each part's articles are put in order by number, each one once
    // (Queue::setOrderedSegments), after any it had. Records of a file id
    // not in the batch, and short records, are dropped. Returns `parts`.
    FilepartsByFid parseQueryResult(const std::optional<QString>& text, const FilepartsByFid& parts) const;

    // Sorts every part of a finished batch into those that have articles and
    // those that have none; every part is looked at.
    static BatchOutcome checkBatch(const FilepartsByFid& parts);
    // For parts that received no articles: logs each to the system console
    // and sets the job of each to JobStatus::SegmentsDownloadError,
    // each job once, so that the jobs of other parts of the batch go on.
    // Returns the jobs that were set.
    static QList<QueuePtr> markPartsWithoutSegments(const QList<QueuePtr>& parts);
};
