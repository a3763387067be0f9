#pragma once

#include "postprocess/FileContentSource.h"
#include "postprocess/RepairObject.h"
#include "queue/FODObject.h"
#include "queue/QueueObjectDelegate.h"

#include <QList>
#include <QMutex>
#include <QString>
#include <QVariantMap>

#include <optional>

// Every recovery set (repair parent) of every job, in the order added, and
// the operations that build sets from a PAR2 file list, match downloaded
// files to the members of a set and count a file's intact slices.
//
// The list has a small lock of its own, held only while the list is read or
// changed and while a file part is matched (matching marks the member used,
// so two parts never get the same member); nothing else is called under it.
// The counting itself is guarded by the repair bookkeeping's lock.
class RepairModel
{
public:
    RepairModel() = default;
    RepairModel(const RepairModel&) = delete;
    RepairModel& operator=(const RepairModel&) = delete;

    QList<RepairObjectPtr> repairArray() const;
    void addRepairObject(const RepairObjectPtr& parent);
    // Empties the set's members and forgets the set.
    void removeRepairObject(const RepairObjectPtr& parent);

    // The file list of a PAR2 file part (see Par2Decoder), each file record
    // also carrying its slice checksums ("crc32Array"), or none. From disk
    // the file is the part's `filename` in its job's `downloadUrl`;
    // otherwise the part's `decodedFileData`.
    static std::optional<QVariantMap> analizePar2Filepart(const QueuePtr& filepart, bool fromDisk);
    // The same for PAR2 bytes wherever they are; a file is read packet by
    // packet, never whole.
    static std::optional<QVariantMap> analizePar2(const FileContentSource& par2);

    // A new set with its members (names reduced to safe path components)
    // and the members' slice checksums.
    static RepairObjectPtr createRepairParentFromDict(const QVariantMap& fileList, const QString& qid);
    // A lone object with the set-wide values only.
    static RepairObjectPtr createRepairChildFromDict(const QVariantMap& fileList);

    RepairObjectPtr getRepairParentForSetID(const QString& setID, const QString& qid) const;
    // The unused member that the downloaded part is, among the sets of the
    // part's own job (or in `onlyIn` alone, if it is one), marked used; null
    // when none matches. See the .cpp for the rule.
    RepairObjectPtr getRepairChildObjectForFilepart(const QueuePtr& filepart,
                                                    const RepairObjectPtr& onlyIn = nullptr);
    // The member of `parent` that the record is: same name and first-16-KiB
    // digest, else a member matching one of them with the same MD5.
    static RepairObjectPtr getRepairChildObjectForFod(const FODObjectPtr& fod, const RepairObjectPtr& parent);

    enum class CheckResult {
        Counted,     // the child's availableBlocks is its count of intact slices
        NoChecksums, // no PAR2 file read holds the child's checksums: nothing changed
        NotReadable, // the file could not be read: nothing changed
    };
    // crc32BlockCheckForFileData: counts the member's intact slices in
    // `file`, streamed slice by slice, against the set's checksums (read once
    // per set, see checksumsForChild); the count becomes the member's and
    // its files-on-disk record's (`file` must be that record's file), which
    // is marked checked.
    static CheckResult crc32BlockCheckForFileData(const FileContentSource& file,
                                                  const RepairObjectPtr& child);
    // The member's slice checksums: kept by its set since the set was made;
    // failing that, read from the PAR2 file of the set's `fod` (each PAR2
    // file at most once per set).
    static std::optional<QList<quint32>> checksumsForChild(const RepairObjectPtr& child);
    // Slices (of `sliceSize` bytes, the last one padded with zeros) whose
    // CRC-32 equals the checksum of the same number; slices beyond the
    // checksums are not counted. None when the file cannot be read.
    static std::optional<qint64> countIntactSlices(const FileContentSource& file, qint64 sliceSize,
                                                   const QList<quint32>& checksums);

private:
    mutable QMutex lock_;
    QList<RepairObjectPtr> repairArray_;
};
