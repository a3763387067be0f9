#pragma once

#include "core/DBStore.h"
#include "search/DeepLookupObject.h"

#include <QList>
#include <QStringList>

#include <optional>

// The search history in dphistory.db (version 102): one row per query, in
// list order, newest first. A store of version 101 (without the last access
// date) is converted on the first load; any other old version is left as it
// is, and its rows of another width are skipped.
//
// A save replaces every row in one transaction, so the file holds either the
// old history or the new one, also after a crash or a full disk in the
// middle. Main thread.
class DBDeepLookupHistory : public DBStore
{
public:
    static constexpr long kVersion = 102;
    static constexpr int kColumns = 11;
    static constexpr int kColumns101 = 10;

    DBDeepLookupHistory();

    // Converts an old store first, then reads at most the setting
    // maxSearchHistoryDatabase rows in stored order.
    QList<DeepLookupObjectPtr> loadAllObjects();
    // Every entry of `list`, in its order (the limit applies to loading
    // only). False, and the old rows kept, when the file cannot be written.
    bool saveAllObjects(const QList<DeepLookupObjectPtr>& list);

    // Rows of 11 columns to queries; rows of another width are skipped with
    // the store's error line.
    QList<DeepLookupObjectPtr> convertDBObjects(const QList<QStringList>& rows) const;
    // Brings a version-101 file to version 102 with every row it can read
    // (last access date 0). The old file stays whole until the new rows are
    // in. False when a row was skipped or nothing could be written.
    bool convertDBFromVersion101();

protected:
    bool convertDBFromVersion(long oldVersion) override;

private:
    DBTableWrite rowsFor(const QList<DeepLookupObjectPtr>& list) const;
};
