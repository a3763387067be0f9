#pragma once

#include "core/DBStore.h"
#include "queue/Queue.h"
#include "queue/SaveStateSnapshot.h"

#include <QList>
#include <QStringList>

// "savestate.db": the download and upload queue between runs, version 101
// (written, never compared), one table "queue" of 19 columns holding jobs
// (type 1, uploads 4), file parts (2) and articles (3), one row each, a job
// before its parts and a part before its articles.
//
// Part and article rows name the row they belong to: the ID of their job's
// or part's row stands in the column "restorepoint", which such rows do not
// otherwise use. A reader ties them by that key, and falls back to the row
// order only for files written without it.
//
// A save replaces the whole table in one transaction (the old rows are
// deleted inside it, the file is vacuumed afterwards): a crash, a kill or a
// full disk during the save leaves the previous queue as it was.
class DBSaveRestore : public DBStore
{
public:
    // The row types of the column "type".
    enum RowType { JobRow = 1, FilepartRow = 2, ArticleRow = 3, UploadRow = 4 };
    // Column positions in a row read back (0 is ID).
    enum Column {
        ColID = 0,
        ColType,
        ColIdentifier,
        ColTitle,
        ColStatus,
        ColPaused,
        ColPassword,
        ColBytes,
        ColIspar,
        ColIsmainpar,
        ColIssample,
        ColTotsegments,
        ColPath,
        ColRestorepoint,
        ColGroups,
        ColMaxsize,
        ColServerid,
        ColEmbnzb,
        ColIsnzb,
        ColumnCount
    };

    DBSaveRestore();

    // Every row in ID order, each as 19 strings (NULL as "").
    QList<QStringList> loadQueue();
    // Replaces the stored queue with `snapshot`; answers whether it was
    // stored. On a failure nothing changes.
    bool saveQueue(const SaveStateSnapshot& snapshot);
    // Deletes every row (numbering restarted) and vacuums.
    bool clearDatabase();
};
