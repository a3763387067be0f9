#include "queue/FODObject.h"

FODObject::FODObject(const FODObject& other)
{
    QMutexLocker locker(&other.lock_);
    qid_ = other.qid_;
    fid_ = other.fid_;
    fileID_ = other.fileID_;
    filename_ = other.filename_;
    orgFilename_ = other.orgFilename_;
    md516k_ = other.md516k_;
    md5_ = other.md5_;
    setID_ = other.setID_;
    folder_ = other.folder_;
    totalBlocks_.store(other.totalBlocks_.load());
    availableBlocks_.store(other.availableBlocks_.load());
    bytes_.store(other.bytes_.load());
    isPar_.store(other.isPar_.load());
    crc32checked_.store(other.crc32checked_.load());
}

QString FODObject::path() const
{
    QMutexLocker locker(&lock_);
    return folder_ + QLatin1Char('/') + filename_;
}
