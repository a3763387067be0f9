#pragma once

#include "core/DBStore.h"
#include "nntp/NewsgroupSelectorItem.h"

#include <QList>
#include <QStringList>

#include <optional>

// newsgroups.db (version 101): the newsgroup list of the news server, as the
// newsgroup chooser last received it, and the compose window's favourite
// newsgroups with their check marks. A file of any other version is deleted
// and made anew (an older list is fetched again, not converted).
//
// Each save replaces one table in one transaction and leaves the other
// alone: a new list keeps the favourites. A save that fails (a refused row,
// a full disk) leaves the table as it was and reports the failure. Made for
// one load or save and dropped; one thread at a time.
class DBNewsgroups : public DBStore
{
public:
    static constexpr long kVersion = 101;

    DBNewsgroups();

    // Checks the version first.
    QList<NewsgroupSelectorItem> loadAll();
    QList<NewsgroupSelectorItem> loadFavs();
    // Replace the stored list / favourites by `items`, in their order.
    bool saveAll(const QList<NewsgroupSelectorItem>& items);
    bool saveFavs(const QList<NewsgroupSelectorItem>& items);
    bool clearDatabaseNewsgroups();
    bool clearDatabaseFavorites();

    // A row of 3 or 4 columns: name from column 1, count from column 2, the
    // check mark set when column 2 is not 0; none (and a log line) for
    // another count.
    std::optional<NewsgroupSelectorItem> dbToObj(const QStringList& row) const;

    bool writeNewsgroupsToDB(const QList<NewsgroupSelectorItem>& items);
    bool writeFavoritesToDB(const QList<NewsgroupSelectorItem>& items);
};
