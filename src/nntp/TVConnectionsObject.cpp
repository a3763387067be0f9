#include "nntp/TVConnectionsObject.h"

template <typename T> void TVConnectionsObject::assign(T& field, const T& value)
{
    {
        QMutexLocker locker(&lock_);
        field = value;
    }
    Q_EMIT changed();
}

qint64 TVConnectionsObject::nr() const
{
    QMutexLocker locker(&lock_);
    return nr_;
}

void TVConnectionsObject::setNr(qint64 nr)
{
    assign(nr_, nr);
}

QString TVConnectionsObject::alias() const
{
    QMutexLocker locker(&lock_);
    return alias_;
}

void TVConnectionsObject::setAlias(const QString& alias)
{
    assign(alias_, alias);
}

QString TVConnectionsObject::filename() const
{
    QMutexLocker locker(&lock_);
    return filename_;
}

void TVConnectionsObject::setFilename(const QString& filename)
{
    assign(filename_, filename);
}

QString TVConnectionsObject::title() const
{
    QMutexLocker locker(&lock_);
    return title_;
}

void TVConnectionsObject::setTitle(const QString& title)
{
    assign(title_, title);
}

QString TVConnectionsObject::lastresponse() const
{
    QMutexLocker locker(&lock_);
    return lastresponse_;
}

void TVConnectionsObject::setLastresponse(const QString& lastresponse)
{
    assign(lastresponse_, lastresponse);
}

QString TVConnectionsObject::status() const
{
    QMutexLocker locker(&lock_);
    return status_;
}

void TVConnectionsObject::setStatus(const QString& status)
{
    assign(status_, status);
}

NNTPServerObjectPtr TVConnectionsObject::nntpObject() const
{
    QMutexLocker locker(&lock_);
    return nntpObject_;
}

void TVConnectionsObject::setNntpObject(const NNTPServerObjectPtr& slot)
{
    assign(nntpObject_, slot);
}
