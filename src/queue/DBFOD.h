#pragma once

#include "core/DBStore.h"
#include "queue/FODObject.h"

#include <QList>
#include <QString>
#include <QStringList>

#include <optional>

// The store of the files-on-disk index of one download folder: the hidden
// file ".donotremove.<app>.db" inside that folder (not in the program's
// "db" folder), version 100, one table "files".
//
// Folders are stored relative to the download folder: "" for the download
// folder itself, "/sub" for a folder below it. A folder elsewhere is stored
// as its absolute path behind one more "/" ("//mnt/x"), so that it can be
// told from a sub-folder; a reader that only knows relative folders reads it
// as a sub-folder, which the load drops unless such a file exists there.
//
// A save replaces the whole content in one transaction (or deletes the file
// when there is nothing to keep), so the file holds either the old index or
// the new one, whatever happens during the write. The download folder
// itself is never created here: without it there is no store.
class DBFOD : public DBStore
{
public:
    // initWithFolder: the store of the download folder `folder`.
    explicit DBFOD(const QString& folder);

    QString monitoringFolder() const { return monitoringFolder_; }
    // ".donotremove.%@.db" with the lower-case setting "appName", made safe.
    static QString fileNameForApp();

    // The stored records up to the first row of another shape.
    QList<FODObjectPtr> loadall();
    // A record from one row of "SELECT * FROM files"; none (logged) when the
    // row does not have the table's 15 columns.
    std::optional<FODObjectPtr> dbToObj(const QStringList& row) const;
    // Replaces the stored records with `records`; with none, the file is
    // deleted. Answers whether the store now holds exactly `records`.
    bool saveall(const QList<FODObjectPtr>& records);
    bool clearDatabase();
    bool writeFODToDB(const QList<FODObjectPtr>& records);
    // Removes the file when it exists and is not a folder.
    bool deleteDatabaseFile();

    // The column value for `folder`, and back.
    static QString encodeFolder(const QString& folder, const QString& downloadFolder);
    static QString decodeFolder(const QString& stored, const QString& downloadFolder);

protected:
    QString databaseFolder() const override;

private:
    bool folderExists() const;

    QString monitoringFolder_;
};
