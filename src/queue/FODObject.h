#pragma once

#include "queue/ModelProperties.h"

#include <QString>

#include <memory>

class FODObject;
using FODObjectPtr = std::shared_ptr<FODObject>;

// One file that the program has written or recognised in the download
// folder: where it came from (job, file part), its identity in a PAR2
// recovery set, its names, digests, size and the PAR2 block accounting.
//
// Records are shared: the files-on-disk index holds them, everything else
// refers to them weakly, and post-processing changes the block fields in
// place. Every field is whole under concurrent use. A text field that is
// absent is a null string; the store gives back every absent field but
// `qid` as an empty string.
class FODObject
{
public:
    FODObject() = default;
    // A copy carries every field.
    FODObject(const FODObject& other);
    FODObject& operator=(const FODObject&) = delete;

    static FODObjectPtr create() { return std::make_shared<FODObject>(); }
    FODObjectPtr copy() const { return std::make_shared<FODObject>(*this); }

    // `folder` / `filename`.
    QString path() const;

    // The job the file belongs to; absent when no job is recorded.
    MODEL_GUARDED(QString, qid, setQid)
    // The file part it was written from.
    MODEL_GUARDED(QString, fid, setFid)
    // Its ID in its PAR2 recovery set; empty for a file known only from its
    // file part.
    MODEL_GUARDED(QString, fileID, setFileID)
    // Current name (no folder).
    MODEL_GUARDED(QString, filename, setFilename)
    // The file part's original name, or the name its recovery set gives it.
    MODEL_GUARDED(QString, orgFilename, setOrgFilename)
    MODEL_GUARDED(QString, md516k, setMd516k)
    MODEL_GUARDED(QString, md5, setMd5)
    MODEL_GUARDED(QString, setID, setSetID)
    // Absolute path of the folder that holds the file.
    MODEL_GUARDED(QString, folder, setFolder)
    // PAR2 blocks the file spans.
    MODEL_ATOMIC(qint64, totalBlocks, setTotalBlocks, 0)
    // Intact blocks; for a PAR2 volume, the recovery blocks it holds.
    MODEL_ATOMIC(qint64, availableBlocks, setAvailableBlocks, 0)
    MODEL_ATOMIC(double, bytes, setBytes, 0.0)
    MODEL_ATOMIC(bool, isPar, setIsPar, false)
    // The slices have been checked against the set's checksums.
    MODEL_ATOMIC(bool, crc32checked, setCrc32checked, false)

private:
    mutable QMutex lock_;
};
