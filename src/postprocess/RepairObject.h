#pragma once

#include "queue/ModelProperties.h"

#include <QList>
#include <QString>

#include <memory>

class FODObject;
class Queue;
class RepairObject;
using RepairObjectPtr = std::shared_ptr<RepairObject>;

// One PAR2 recovery set of one job (a repair parent), or one file of a set
// (a repair child): which files belong to the set, how many slices each has
// and how many of those are intact on disk. A job holds its set, and each of
// its file parts its entry, in `repairObject`.
//
// Parents own their children; every other link is weak. Every property is
// whole under concurrent use (atomic scalars, the rest under the record's own
// lock): the repair bookkeeping counts blocks on the write queue and the
// background pool while the pages read them.
class RepairObject : public std::enable_shared_from_this<RepairObject>
{
public:
    RepairObject() = default;
    RepairObject(const RepairObject&) = delete;
    RepairObject& operator=(const RepairObject&) = delete;

    static RepairObjectPtr create() { return std::make_shared<RepairObject>(); }

    // Of a parent: the PAR2 file part whose analysis created the set (the
    // job's main PAR2 file). Of a child: the file part given to it.
    MODEL_WEAK(Queue, filepart, setFilepart)
    // Of a child: its set; null on a parent.
    MODEL_WEAK(RepairObject, parent, setParent)
    // The files-on-disk record of the file that holds the child (of a parent:
    // of the PAR2 file of the set added last).
    MODEL_WEAK(FODObject, fod, setFod)

    // Of a parent: the job's `qid` (a set belongs to the pair set ID, job).
    MODEL_GUARDED(QString, qid, setQid)
    // The set ID, 32 lower-case hex digits.
    MODEL_GUARDED(QString, setID, setSetID)
    // Of a child: the file's name as the set records it (or the PAR2 file's
    // name on disk).
    MODEL_GUARDED(QString, filename, setFilename)
    // Of a child: its PAR2 file ID and the digests of the file, as hex text.
    MODEL_GUARDED(QString, fileID, setFileID)
    MODEL_GUARDED(QString, md5, setMd5)
    MODEL_GUARDED(QString, md516k, setMd516k)

    // Of a child: the file's slices; of a parent: those of all its files.
    MODEL_ATOMIC(qint64, totalBlocks, setTotalBlocks, 0)
    // Of a data child: its slices whose CRC-32 matched; of a PAR2 child: the
    // recovery blocks its file holds; of a parent: the sum over its children.
    MODEL_ATOMIC(qint64, availableBlocks, setAvailableBlocks, 0)

    // The child's file is on disk.
    MODEL_ATOMIC(bool, isDownloaded, setIsDownloaded, false)
    // The child is a PAR2 file of the set.
    MODEL_ATOMIC(bool, isPar, setIsPar, false)
    // Of a parent: files on disk from an earlier download still have to be
    // checked.
    MODEL_ATOMIC(bool, needsCRC32Check, setNeedsCRC32Check, false)

public:
    // Of a parent: its children in creation order.
    QList<RepairObjectPtr> childs() const;
    void setChilds(const QList<RepairObjectPtr>& childs);
    // Appends a child and makes this object its parent.
    void appendChild(const RepairObjectPtr& child);

private:
    mutable QMutex lock_;
    QList<RepairObjectPtr> childs_;
};
