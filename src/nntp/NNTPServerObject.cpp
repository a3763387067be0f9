#include "nntp/NNTPServerObject.h"

#include "core/StringFormat.h"

#include <QDateTime>
#include <QRandomGenerator>

namespace {

double secondsSince1970()
{
    return double(QDateTime::currentMSecsSinceEpoch()) / 1000.0;
}

quint32 randomBelow(quint32 n)
{
    return QRandomGenerator::global()->bounded(n);
}

} // namespace

NNTPServerObject::NNTPServerObject()
{
    connectionID_.store(makeConnectionID());
    serverID_ = makeServerID();
    alias_ = QStringLiteral("NewsServer #1");
    address_ = placeholderAddress();
    color_ = QColor(Qt::green);
    upServerID_ = makeUpServerID();
}

QString NNTPServerObject::makeServerID()
{
    return sformat(u"%.0f", secondsSince1970() * randomBelow(10000) + randomBelow(10000));
}

QString NNTPServerObject::makeUpServerID()
{
    return sformat(u"%.0f", secondsSince1970() * randomBelow(1000) + randomBelow(1000));
}

qint64 NNTPServerObject::makeConnectionID()
{
    return qint64(secondsSince1970() * randomBelow(10000) + randomBelow(10000));
}

NNTPServerObjectPtr NNTPServerObject::copy() const
{
    auto c = create();
    QMutexLocker locker(&lock_);
    c->serverID_ = serverID_;
    c->alias_ = alias_;
    c->username_ = username_;
    c->password_ = password_;
    c->address_ = address_;
    c->maxConnections_.store(maxConnections_.load());
    c->port_.store(port_.load());
    c->ssl_.store(ssl_.load());
    c->isInUse_.store(isInUse_.load());
    c->isbackupServerOnly_.store(isbackupServerOnly_.load());
    c->enabled_.store(enabled_.load());
    c->upEnabled_.store(upEnabled_.load());
    c->requiresLogin_.store(requiresLogin_.load());
    c->row_.store(row_.load());
    c->color_ = color_;
    c->showStats_.store(showStats_.load());
    c->upServerID_ = upServerID_;
    c->uploadIsDownloadServer_.store(uploadIsDownloadServer_.load());
    c->upSSL_.store(upSSL_.load());
    c->upPort_.store(upPort_.load());
    c->upRequiresLogin_.store(upRequiresLogin_.load());
    c->upUsername_ = upUsername_;
    c->upPassword_ = upPassword_;
    c->upAddress_ = upAddress_;
    return c;
}

NNTPEndpoint NNTPServerObject::endpoint(bool upload) const
{
    NNTPEndpoint e;
    QMutexLocker locker(&lock_);
    if (!upload) {
        e.serverID = serverID_;
        e.address = address_;
        e.port = port_.load();
        e.ssl = ssl_.load();
        e.requiresLogin = requiresLogin_.load();
        e.username = username_;
        e.password = password_;
    } else if (uploadIsDownloadServer_.load()) {
        e.serverID = upServerID_;
        e.address = address_;
        e.port = uploadPortForDownloadPort(port_.load());
        e.ssl = uploadSSLForDownloadEndpoint(port_.load(), ssl_.load());
        e.requiresLogin = requiresLogin_.load();
        e.username = username_;
        e.password = password_;
    } else {
        e.serverID = upServerID_;
        e.address = upAddress_;
        e.port = upPort_.load();
        e.ssl = upSSL_.load();
        e.requiresLogin = upRequiresLogin_.load();
        e.username = upUsername_;
        e.password = upPassword_;
    }
    return e;
}

bool NNTPServerObject::takeSlot()
{
    bool expected = false;
    return isInUse_.compare_exchange_strong(expected, true);
}
