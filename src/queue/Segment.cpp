#include "queue/Segment.h"

#include "queue/ServerIDRegistry.h"

bool Segment::replaceStatus(qint64 expected, qint64 desired)
{
    return status_.compare_exchange_strong(expected, desired);
}

void Segment::addDownloadedBytes(double count)
{
    double current = downloadedBytes_.load();
    while (!downloadedBytes_.compare_exchange_weak(current, current + count)) {
    }
}

QString Segment::mid() const
{
    QMutexLocker locker(&lock_);
    return QString::fromUtf8(mid_.view());
}

QByteArray Segment::midBytes() const
{
    QMutexLocker locker(&lock_);
    return mid_.toByteArray();
}

void Segment::setMid(const QString& mid)
{
    const QByteArray utf8 = mid.toUtf8();
    setMid(QByteArrayView(utf8));
}

void Segment::setMid(QByteArrayView mid)
{
    CompactBytes value(mid);
    QMutexLocker locker(&lock_);
    mid_ = std::move(value);
}

Segment::Texts& Segment::texts()
{
    if (!texts_) texts_ = std::make_unique<Texts>();
    return *texts_;
}

QString Segment::fid() const
{
    QMutexLocker locker(&lock_);
    return texts_ ? texts_->fid : QString();
}

void Segment::setFid(const QString& fid)
{
    QMutexLocker locker(&lock_);
    if (texts_ || !fid.isNull()) texts().fid = fid;
}

QString Segment::filename() const
{
    QMutexLocker locker(&lock_);
    return texts_ ? texts_->filename : QString();
}

void Segment::setFilename(const QString& filename)
{
    QMutexLocker locker(&lock_);
    if (texts_ || !filename.isNull()) texts().filename = filename;
}

QStringList Segment::usedServerIDs() const
{
    QMutexLocker locker(&lock_);
    return usedServerIDs_.serverIDs();
}

void Segment::setUsedServerIDs(const QStringList& serverIDs)
{
    ServerIDSet set;
    for (const QString& id : serverIDs)
        set.insert(ServerIDRegistry::tokenFor(id));
    QMutexLocker locker(&lock_);
    usedServerIDs_ = std::move(set);
}

void Segment::addUsedServerID(const QString& serverID)
{
    const int token = ServerIDRegistry::tokenFor(serverID);
    QMutexLocker locker(&lock_);
    usedServerIDs_.insert(token);
}

bool Segment::hasUsedServerID(const QString& serverID) const
{
    return hasUsedServerToken(ServerIDRegistry::findToken(serverID));
}

bool Segment::hasUsedServerToken(int token) const
{
    QMutexLocker locker(&lock_);
    return usedServerIDs_.contains(token);
}

void Segment::removeAllUsedServerIDs()
{
    QMutexLocker locker(&lock_);
    usedServerIDs_.clear();
}
