#pragma once

#include "core/DBStore.h"
#include "search/Watchdog.h"

#include <QList>
#include <QStringList>

#include <optional>

// The Watchdog entries in watchdog.db (version 100; a file of another
// version is deleted and made anew). A full save replaces every row in one
// transaction, so a crash or a full disk in the middle leaves the old rows.
// Main thread.
class DBWatchdog : public DBStore
{
public:
    static constexpr long kVersion = 100;
    static constexpr int kColumns = 15;

    DBWatchdog();

    // The entries in table order, each made with `clock`; stops at the first
    // row that gives none.
    QList<WatchdogPtr> loadAll(const Watchdog::Clock& clock = {});
    // False, and the old rows kept, when the rows cannot be written.
    bool saveAll(const QList<WatchdogPtr>& entries);
    // The row of the entry's tag; its own UPDATE decides the result.
    bool updateEntry(const Watchdog& entry);
    bool removeEntriesWithTags(const QList<qint64>& tags);

    // An entry from a row of 15 columns; none (logged) for another width.
    std::optional<WatchdogPtr> dbToObj(const QStringList& row, const Watchdog::Clock& clock = {}) const;
    // The 14 stored values in column order.
    static QVariantList rowValues(const Watchdog& entry);
};
