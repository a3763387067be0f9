#include "queue/Segment.h"

#include "queue/ServerIDRegistry.h"

bool Segment::replaceStatus(qint64 expected, qint64 desired)
{
    qint32 current = qint32(expected);
    return status_.compare_exchange_strong(current, qint32(desired));
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

template <typename Field> void Segment::setExtra(Field Extras::*field, const Field& value)
{
    if (!extras_) {
        if (value.isNull()) return;
        extras_ = std::make_unique<Extras>();
    }
    (*extras_).*field = value;
    if (extras_->isEmpty()) extras_.reset();
}

int Segment::fetchFailures(int serverToken) const
{
    QMutexLocker locker(&lock_);
    if (!extras_) return 0;
    for (const QPair<int, int>& entry : std::as_const(extras_->fetchFailures))
        if (entry.first == serverToken) return entry.second;
    return 0;
}

int Segment::addFetchFailure(int serverToken)
{
    QMutexLocker locker(&lock_);
    if (!extras_) extras_ = std::make_unique<Extras>();
    for (QPair<int, int>& entry : extras_->fetchFailures)
        if (entry.first == serverToken) return ++entry.second;
    extras_->fetchFailures.append({serverToken, 1});
    return 1;
}

QByteArray Segment::filedata() const
{
    QMutexLocker locker(&lock_);
    return extras_ ? extras_->filedata : QByteArray();
}

void Segment::setFiledata(const QByteArray& filedata)
{
    // An empty body is stored as none.
    const QByteArray value = filedata.isEmpty() ? QByteArray() : filedata;
    QMutexLocker locker(&lock_);
    setExtra(&Extras::filedata, value);
}

QString Segment::fid() const
{
    QMutexLocker locker(&lock_);
    return extras_ ? extras_->fid : QString();
}

void Segment::setFid(const QString& fid)
{
    QMutexLocker locker(&lock_);
    setExtra(&Extras::fid, fid);
}

QString Segment::filename() const
{
    QMutexLocker locker(&lock_);
    return extras_ ? extras_->filename : QString();
}

void Segment::setFilename(const QString& filename)
{
    QMutexLocker locker(&lock_);
    setExtra(&Extras::filename, filename);
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
