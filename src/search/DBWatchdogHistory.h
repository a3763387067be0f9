#pragma once

#include "core/DBStore.h"
#include "search/Watchdog.h"

#include <QList>
#include <QStringList>

#include <optional>

// Every Watchdog entry's match history in watchdoghistory.db (version 100;
// a file of another version is deleted and made anew). Saving one entry's
// history replaces its rows in one transaction, newest first, so loading
// returns the list in the same order and a failed save keeps the old rows.
// A file removed while the program runs is made again by the next
// operation. Main thread.
class DBWatchdogHistory : public DBStore
{
public:
    static constexpr long kVersion = 100;
    static constexpr int kColumns = 7;

    DBWatchdogHistory();

    // Replaces the entry's history by its stored rows.
    void loadHistoryForWatchdog(Watchdog& entry);
    // The same for every entry of `entries`, in one pass over the table.
    void loadHistoryForWatchdogs(const QList<WatchdogPtr>& entries);
    bool saveHistoryForWatchdog(const Watchdog& entry);
    bool removeHistoryForWatchdogTags(const QList<qint64>& tags);
    // "VACUUM;", logged.
    void optimizeHistory();

    // A row from 7 columns; none (logged) for another width. `tag` is the
    // load time × 10,000,000.
    std::optional<WatchdogHistoryObj> dbToObj(const QStringList& row, qint64 tag) const;

protected:
    // The rows of one entry are found by its tag, after every search: an
    // index keeps that from reading the whole table.
    void connectionOpened(sqlite3* db) override;
};
