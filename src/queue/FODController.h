#pragma once

#include "queue/FODObject.h"
#include "queue/QueueObjectDelegate.h"

#include <QHash>
#include <QList>
#include <QObject>
#include <QRecursiveMutex>
#include <QString>
#include <QStringList>
#include <QVariantMap>

#include <memory>

class FileSystemEventStream;
class RepairObject;

// The files-on-disk index of the download folder: every file the program
// has written or recognised there, reachable in one map access under each of
// its keys (original name, current name, fid, the two digests, the PAR2 file
// ID), newest record first under each key. Post-processing asks it for the
// files of a recovery set and for the file of a file part after renames; the
// pages ask it where a downloaded file lies.
//
// The index is read from the download folder's hidden store (DBFOD) at start
// and at every change of download folder, written back at quit and before a
// change of folder, and follows deletions in the folder through file-system
// events (delivered on the controller's thread, about a second late).
//
// Locking: one recursive lock over the map. Every operation, the folder
// switch, load and save included, holds it for its whole run. Nothing
// here calls out to another controller while holding it, so it can be taken
// inside the repair bookkeeping's lock (that order, never the reverse) and
// from the main thread. Records are shared objects whose fields are safe to
// read and change in place from any thread; a change of a field that is a
// key (names, fid, digests, file ID) is made known with reindexFod().
//
// Name keys are the file name with every "@" made "_". An empty value is
// treated like an absent one: it is never a key, and never a lookup value.
class FODController : public QObject
{
    Q_OBJECT
public:
    // init: observes "DownloadPathHasBeenChanged" and loads the index of the
    // folder in the setting "downloadPath".
    explicit FODController(QObject* parent = nullptr);
    ~FODController() override;

    // Reads "downloadPath"; without one, logs "Download path is nil" and
    // does nothing else. Otherwise starts over with that folder: an empty
    // map, the folder's store loaded, the event stream restarted.
    void restart();
    // Saves the index into the old folder's store, then restart().
    void downloadPathHasBeenChanged();
    // Adds every stored record whose file still exists.
    void loadAllEntries();
    // Writes every record to the store of the watched folder (an empty index
    // deletes the store file). Answers whether the store now matches.
    bool saveAllEntries();

    QString monitoringURL() const;
    // Every record once.
    QList<FODObjectPtr> uniqueFodsArray() const;
    // The records listed under one key, newest first.
    QList<FODObjectPtr> fodsForKey(const QString& key) const;

    // Lists the record first under each of its keys (taking it out of the
    // lists it was in, if it was listed already).
    void addFod(const FODObjectPtr& fod);
    // Lists the record again under its keys as they are now; for a record
    // whose names, fid, digests or file ID were changed in place.
    void reindexFod(const FODObjectPtr& fod);

    // New records for a written file part, already added. A file has one
    // record: a record made for a path takes the place of any earlier one of
    // the same path, whose file a new write has just replaced. A member's
    // record starts uncounted (no available blocks, not checked): its count
    // is only ever made from its own bytes.
    FODObjectPtr createFodForFilePart(const QueuePtr& filepart);
    FODObjectPtr createFodForRepairChild(const std::shared_ptr<RepairObject>& child,
                                         const QueuePtr& filepart);
    FODObjectPtr createFodForVolPar2FilePart(const QueuePtr& filepart);
    // The record of a copy of the member, proven intact, that job `qid` was
    // given in `folder` under the member's name: counted whole.
    FODObjectPtr createFodForIntactCopy(const std::shared_ptr<RepairObject>& child, const QString& qid,
                                        const QString& folder);
    // The whole-file MD5 of a written part follows its record: the part's
    // record that has none yet takes the part's `md5` and is listed under it.
    // The record is the one of the part's job with the part's 16 KiB digest
    // and byte count (and nothing when two are alike).
    void completeMd5(const QueuePtr& filepart);

    // Whose records a lookup may give: any record (where a page asks where a
    // file lies), or only those of the wanted `qid` (what a job counts as its
    // own files; a record of another job is never one of them).
    enum class Scope { AnyJob, WantedJobOnly };

    // Lookups (see searchFileForDict for the rule). Keys of the map:
    // "qid", "filename", "fid", "md5", "md516k", "fileID".
    FODObjectPtr searchFileForFilePart(const QueuePtr& filepart);
    FODObjectPtr searchFileForDict(const QVariantMap& wanted, Scope scope = Scope::AnyJob);
    // The record of the part's file among its job's own records.
    FODObjectPtr searchJobFileForFilePart(const QueuePtr& filepart);
    // The records of the set's members among the records of the set's job,
    // in member order; members without one add nothing.
    QList<FODObjectPtr> searchFodsForRepairParent(const std::shared_ptr<RepairObject>& parent);
    // Records of other jobs than `qid` that claim to be the member (by file
    // ID, MD5, first-16-KiB digest or name), newest first: files of earlier
    // downloads, whose content is still to be proven before anything uses it.
    QList<FODObjectPtr> searchOtherJobsFodsForRepairChild(const std::shared_ptr<RepairObject>& child,
                                                          const QString& qid);
    // The PAR2 records of the set's job in the set that still hold blocks.
    QList<FODObjectPtr> searchVolFodsForRepairParent(const std::shared_ptr<RepairObject>& parent);

    // A file moved from `oldPath` to `newPath` (full paths): its records take
    // the new folder and name. When `oldPath` or `newPath` is a folder, the
    // records in it and below it take the new folder as well.
    void renameFod(const QString& oldPath, const QString& newPath);
    // Drops the records of the file at `path`.
    void removeFod(const QString& path);
    // Drops the records whose folder is exactly `folder`.
    void removeFodsInFolder(const QString& folder);
    void removeFodWithFid(const QString& fid);
    void removeFodObject(const FODObjectPtr& fod);

    static QString makeSafeKeyFromString(const QString& text);

    // The event stream on the watched folder; on the controller's thread.
    void startFSEvents();
    void stopFSEvents();
    void restartFSEvents();
    bool isWatching() const;

private:
    static QStringList keysOf(const FODObject& fod);
    void unlistLocked(const FODObject* fod);
    void listFirstLocked(const FODObjectPtr& fod);
    FODObjectPtr newRecordForFilePart(const QueuePtr& filepart);
    void addInPlaceOfRecordsAtItsPathLocked(const FODObjectPtr& fod);
    static QVariantMap lookupValuesOf(const std::shared_ptr<RepairObject>& child, const QString& qid);
    void handleRemovals(const QStringList& files, const QStringList& folders, bool eventsWereLost);
    void removeMissingFilesLocked();

    mutable QRecursiveMutex lock_;
    QHash<QString, QList<FODObjectPtr>> fodlist_;
    // The keys each record is listed under, so that it can always be taken
    // out of every list, whatever changed in it meanwhile.
    QHash<const FODObject*, QStringList> listedKeys_;
    QString monitoringURL_;
    FileSystemEventStream* stream_ = nullptr;
};
