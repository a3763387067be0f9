#pragma once

#include "core/DBStore.h"
#include "queue/DownloadHistoryObject.h"

#include <QHash>
#include <QList>
#include <QStringList>

#include <optional>

// "downloadhistory.db": the identifiers already downloaded, one table
// "history". No version check.
//
// A save replaces the whole content in one transaction (the old rows are
// deleted inside it) and vacuums afterwards, so a crash or a kill at quit
// leaves either the old history or the new one, never an empty file.
class DBDownloadHistory : public DBStore
{
public:
    DBDownloadHistory();

    // Every stored record in table order, keyed by `fid`; the loading stops
    // at the first row that gives no record.
    QHash<QString, DownloadHistoryObject> loadHistory();
    // Three columns (ID, fid, date); none for another shape or an empty fid.
    std::optional<DownloadHistoryObject> dbToObj(const QStringList& row) const;
    // The newest "maxItemsInDownloadHistory" records (at least one) replace
    // the stored ones. Answers whether they were stored.
    bool saveHistory(const QHash<QString, DownloadHistoryObject>& dict);
    // Deletes every row and restarts the numbering at 1.
    bool clearDatabase();
    // Adds `records` in one transaction.
    bool writeHistoryToDB(const QList<DownloadHistoryObject>& records);

    // The records that a save with the limit `maxItems` keeps, newest first.
    static QList<DownloadHistoryObject> newestRecords(const QHash<QString, DownloadHistoryObject>& dict,
                                                      qint64 maxItems);

private:
    static DBTableWrite writeOf(const QList<DownloadHistoryObject>& records);
};
