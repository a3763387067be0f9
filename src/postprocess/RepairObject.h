#pragma once

#include "queue/ModelProperties.h"

#include <QColor>
#include <QHash>
#include <QList>
#include <QSet>
#include <QString>
#include <QVariantMap>

#include <memory>
#include <optional>

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
//
// Row texts: an object made with create() observes its own `availableBlocks`,
// `totalBlocks`, `isDownloaded` and `needsCRC32Check`; each change recomputes
// the PAR2 pane's texts and row colour on the main thread, without waiting,
// whatever thread made it (a parent's check pending recomputes its
// children's status too). The texts are therefore only ever written on the
// main thread.
class RepairObject : public std::enable_shared_from_this<RepairObject>
{
public:
    // Sets up the row display; observes nothing yet.
    RepairObject();
    RepairObject(const RepairObject&) = delete;
    RepairObject& operator=(const RepairObject&) = delete;

    // init: with the row texts following the counts.
    static RepairObjectPtr create();
    // initWhithoutStartingObservers.
    static RepairObjectPtr createWhithoutStartingObservers();

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
    // Of a child: the file's name as the set records it, reduced to one safe
    // path component (empty when nothing safe was left), or the PAR2 file's
    // name on disk. This is the name files are given on disk.
    MODEL_GUARDED(QString, filename, setFilename)
    // Of a child: its PAR2 file ID and the digests of the file, as hex text.
    MODEL_GUARDED(QString, fileID, setFileID)
    MODEL_GUARDED(QString, md5, setMd5)
    MODEL_GUARDED(QString, md516k, setMd516k)
    // Of a parent: from the creator packet.
    MODEL_GUARDED(QString, creatorName, setCreatorName)
    MODEL_GUARDED(QString, parVersion, setParVersion)

    // Files in the set; a child's length in bytes; the set's slice size.
    MODEL_ATOMIC(qint64, totalFiles, setTotalFiles, 0)
    MODEL_ATOMIC(qint64, fileSize, setFileSize, 0)
    MODEL_ATOMIC(qint64, sliceSize, setSliceSize, 0)
    // Of a parent: distinct recovery slices in the PAR2 file that created it.
    MODEL_ATOMIC(qint64, validRecoverySlices, setValidRecoverySlices, 0)

    // The child is a PAR2 file of the set.
    MODEL_ATOMIC(bool, isPar, setIsPar, false)
    // The child has been given to a file part and is not matched again.
    MODEL_ATOMIC(bool, isUsed, setIsUsed, false)

public:
    // Of a child: the file's slices; of a parent: those of all its files.
    qint64 totalBlocks() const { return totalBlocks_.load(); }
    void setTotalBlocks(qint64 value);
    // Of a data child: its slices whose CRC-32 matched; of a PAR2 child: the
    // recovery blocks its file holds; of a parent: the sum over its children.
    qint64 availableBlocks() const { return availableBlocks_.load(); }
    void setAvailableBlocks(qint64 value);
    // The child's file is on disk.
    bool isDownloaded() const { return isDownloaded_.load(); }
    void setIsDownloaded(bool value);
    // Of a parent: files on disk from an earlier download still have to be
    // checked. The status texts of the object and of its children depend on
    // it, so a change recomputes them as a change of the counts does.
    bool needsCRC32Check() const { return needsCRC32Check_.load(); }
    void setNeedsCRC32Check(bool value);

    bool observersRunning() const { return observersRunning_.load(); }

    // Of a parent: its children in creation order.
    QList<RepairObjectPtr> childs() const;
    void setChilds(const QList<RepairObjectPtr>& childs);
    // Appends a child and makes this object its parent.
    void appendChild(const RepairObjectPtr& child);

    // ---- Slice checksums of a parent's set, read once per set ----
    // The CRC-32 of each slice of one member file, in slice order; none when
    // no PAR2 file read so far holds them.
    std::optional<QList<quint32>> sliceChecksums(const QString& fileID) const;
    // Keeps checksums read from `par2Path` (IDs in lower-case hex).
    void addSliceChecksums(const QHash<QString, QList<quint32>>& checksums,
                           const QString& par2Path = QString());
    // Whether the checksums of `par2Path` have been read into this set.
    bool hasReadChecksumsOf(const QString& par2Path) const;

    // ---- Row display (PAR2 pane) ----
    MODEL_GUARDED(QString, statusTextField, setStatusTextField)
    MODEL_GUARDED(QString, blocksTextField, setBlocksTextField)
    MODEL_GUARDED(QColor, textColor, setTextColor)
    MODEL_GUARDED(QColor, defaultColor, setDefaultColor)
    MODEL_GUARDED(QColor, colorRow, setColorRow)
    // The colours of the setting "Par2InfoRowColorProperties" when the object
    // was made.
    MODEL_GUARDED(QVariantMap, rowColorProperties, setRowColorProperties)

public:
    // The colour archived under `key`; invalid when the key is absent.
    QColor getRowColorForKey(const QString& key) const;
    // Blocks: "%ld" of a PAR2 child, else "%ld of %ld".
    void updateBlocksTextField();
    // Status and row colour, first rule that holds: PAR2 "Repair Blocks",
    // not downloaded "Missing", a check pending (of the object or its set)
    // "Processing", all blocks "Complete", else "Broken".
    void updateStatusTextField();

private:
    void startObservers();
    // Main thread, queued by the setters of the observed counts.
    void availableBlocksChanged();
    void totalBlocksChanged();
    void isDownloadedChanged();
    void needsCRC32CheckChanged();
    void notifyOnMain(void (RepairObject::*handler)());

    mutable QMutex lock_;
    QList<RepairObjectPtr> childs_;
    std::atomic<qint64> totalBlocks_{0};
    std::atomic<qint64> availableBlocks_{0};
    std::atomic<bool> isDownloaded_{false};
    std::atomic<bool> needsCRC32Check_{false};
    std::atomic<bool> observersRunning_{false};
    QHash<QString, QList<quint32>> sliceChecksums_;
    QSet<QString> checksumSources_;
};
