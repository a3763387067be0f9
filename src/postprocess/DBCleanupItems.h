#pragma once

#include "core/DBStore.h"
#include "postprocess/CleanupItem.h"

// The store of the cleanup patterns: cleanup.db (version 100) in the "db"
// folder, one row per pattern in the user's order. A new store starts with
// the default patterns. An existing store is used as it is (its version is
// not compared). A store object serves one load or one save.
class DBCleanupItems : public DBStore
{
public:
    DBCleanupItems();

    // The stored patterns in order, up to the first row the program cannot
    // read.
    QList<CleanupItem> loadAll();
    // Replaces the stored patterns with `items` in one transaction: a failed
    // save leaves the previous list whole. Answers whether it was stored.
    bool saveAll(const QList<CleanupItem>& items);

    static QList<CleanupItem> createInitialItems();

private:
    bool writeFileItemsToDB(const QList<CleanupItem>& items, WriteMode mode);
};
