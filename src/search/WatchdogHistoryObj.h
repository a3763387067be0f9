#pragma once

#include <QString>
#include <QtGlobal>

// One match a Watchdog entry queued, newest first in the entry's history.
// Stored in watchdoghistory.db, except `tag` (the time the row was made or
// loaded, seconds × 10,000,000).
struct WatchdogHistoryObj
{
    qint64 tag = 0;
    qint64 watchdogid = 0; // the owning entry's tag
    QString qid;           // the result id of the queued job
    QString title;
    qint64 date = 0;     // when the match was queued, seconds since 1970
    qint64 filedate = 0; // when the job was posted
    QString bytesString; // the job's size, formatted
};
