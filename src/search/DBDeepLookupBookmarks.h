#pragma once

#include "core/DBStore.h"
#include "search/DeepLookupObject.h"

#include <QList>
#include <QStringList>

// The bookmarks in dpbookmarks.db (version 102): maps (bookmark folders) and
// their bookmarks in one table, in pre-order: each map row followed by the
// rows of its bookmarks. The mapid column numbers the maps 1, 2, 3, ... at
// every save, and each bookmark row carries the number of its map, whatever
// ids the objects held. A store of version 101 (13 columns, no last access
// date) is converted on the first load; its end dates are not carried.
//
// A save replaces every row in one transaction: the file holds either the
// old tree or the new one, also after a crash or a full disk. Main thread.
class DBDeepLookupBookmarks : public DBStore
{
public:
    static constexpr long kVersion = 102;
    static constexpr int kColumns = 14;
    static constexpr int kColumns101 = 13;

    DBDeepLookupBookmarks();

    // Converts an old store first; then the maps, each with its bookmarks
    // in `childs`. A bookmark row before the first map row is dropped.
    QList<DeepLookupObjectPtr> loadAllObjects();
    // The maps of `maps` and their bookmarks. False, and the old rows kept,
    // when the file cannot be written.
    bool saveAllObjects(const QList<DeepLookupObjectPtr>& maps);

    // Rows of 14 columns to the tree; rows of another width are skipped with
    // the store's error line.
    QList<DeepLookupObjectPtr> convertDBObjects(const QList<QStringList>& rows) const;
    bool convertDBFromVersion101();

    // Maps and bookmarks in pre-order to the tree (loaded entries: every
    // entry is a bookmark; maps get "map" as icon and an empty bookmark
    // list).
    static QList<DeepLookupObjectPtr> buildTree(const QList<DeepLookupObjectPtr>& flat);

protected:
    bool convertDBFromVersion(long oldVersion) override;

private:
    DBTableWrite rowsFor(const QList<DeepLookupObjectPtr>& maps) const;
};
