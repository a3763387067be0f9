#pragma once

#include "queue/Queue.h"
#include "queue/Segment.h"

#include <QList>
#include <QString>

// What the save state keeps of the queue at one moment: the values of every
// job and file part worth keeping, as they will be stored, and each part's
// list of articles. Taken while the scheduler's `arrayLock` is held and
// written after it is released, so a save never holds up the connections for
// longer than the copy of a few values per job and part: the article lists
// are shared, not copied, and an article's own fields (message-id, status,
// size) are read while it is written, each read whole.
//
// Taking a snapshot changes nothing on the live jobs: the queue goes on
// running while its state is saved.
class SaveStateSnapshot
{
public:
    struct Job
    {
        bool upload = false; // stored as an upload row (type 4)
        QString qid, title, password, downloadUrl, groups, serverID, poster;
        qint64 status = 0;
        bool isPaused = false;
        double bytes = 0;
        bool hasRepairFiles = false;
        bool makeNZB = false, uploadNZB = false, isBinaryUpload = false;
        qint64 totalSegments = 0;
        qint64 restorePoint = 0; // as it is stored
        double maxArticleSize = 0;
        bool hasEmbeddedNZB = false;
        qint64 kind = 0; // 1 NZB job, 2 Watchdog job, else 0
        // A text post's body, stored in place of its articles' message-ids.
        QString textBody;
    };
    struct Part
    {
        QString fid, filename, fileUrl;
        qint64 status = 0, checkbox = 0, totalSegments = 0;
        double bytes = 0;
        bool ispar = false, ismainpar = false, isSampleFile = false;
        QList<SegmentPtr> segments;
    };
    struct Entry
    {
        Job job;
        QList<Part> parts;
    };

    // Caller holds the scheduler's `arrayLock` (or nothing else runs).
    // Leaves out what is not kept: cancelled and finished jobs, jobs whose
    // import has not ended, newsgroup-list requests, uploads in a status that
    // is not kept, and the parts of uploads that are done.
    static SaveStateSnapshot take(const QList<QueuePtr>& jobs);

    // Upload statuses stored without the job's parts and articles: the upload
    // itself is done.
    static bool uploadEndsAtJobRow(qint64 status);

    const QList<Entry>& entries() const { return entries_; }
    // Rows the store will hold: one per job, part and article.
    qsizetype rowCount() const;

private:
    QList<Entry> entries_;
};
