#pragma once

#include "queue/DBDownloadHistory.h"
#include "queue/DownloadHistoryObject.h"
#include "queue/Queue.h"

#include <QHash>
#include <QMutex>
#include <QString>

// The identifiers of finished file parts and jobs, so that search results
// can be marked as downloaded before. Kept in memory for the whole run (the
// limit "maxItemsInDownloadHistory" applies when the history is written) and
// in "downloadhistory.db" between runs.
//
// Callable from any thread; the dictionary is guarded by its own lock.
class DownloadHistoryController
{
public:
    // Loads the stored history.
    DownloadHistoryController();

    void loadHistory();
    // Records a file part under its `fid`, and its job under the job's `qid`
    // when it has one; a root job under its own `fid`. Nothing for an item
    // without `fid`. Not governed by "enableDownloadHistory".
    void addRowObject(const QueuePtr& item);
    bool containsFid(const QString& fid) const;
    bool containsQid(const QString& qid) const;
    // Writes the newest records when "enableDownloadHistory" is on;
    // answers whether the file now holds them (false when switched off).
    bool saveHistory();
    // Empties the history in memory and in the file, whatever the setting.
    void resetDownloadHistory();

    qsizetype count() const;
    QHash<QString, DownloadHistoryObject> dictDownloads() const;

private:
    void put(const QString& id, qint64 now);

    mutable QMutex lock_;
    QHash<QString, DownloadHistoryObject> dictDownloads_;
    DBDownloadHistory db_;
};
