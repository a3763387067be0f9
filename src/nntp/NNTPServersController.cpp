#include "nntp/NNTPServersController.h"

#include "core/Logger.h"
#include "nntp/DBNNTPServers.h"
#include "platform/NotificationHub.h"

#include <QSet>

NNTPServersController::NNTPServersController()
{
    loadNNTPServers();
    buildLocalArrays();
}

NNTPServersController::~NNTPServersController() = default;

void NNTPServersController::loadNNTPServers()
{
    DBNNTPServers store;
    arrayNNTPServers_ = store.loadAllNNTPServers();
    BLOG(1, "News servers loaded from database :: %ld", long(arrayNNTPServers_.size()));
    Q_EMIT arrayNNTPServersChanged();
}

void NNTPServersController::buildLocalArrays()
{
    QList<NNTPServerObjectPtr> normal;
    QList<NNTPServerObjectPtr> backup;
    arrayTableViewConnections_.clear();
    for (const NNTPServerObjectPtr& server : std::as_const(arrayNNTPServers_)) {
        if (!server->enabled()) continue;
        server->setAuthFailed(false);
        for (qint64 i = 0; i < server->maxConnections(); ++i) {
            NNTPServerObjectPtr slot = server->copy();
            slot->setIsInUse(false);
            slot->setMainNNTPServerObject(server);
            (server->isbackupServerOnly() ? backup : normal).append(slot);
            createTableViewObjects(slot);
        }
    }
    {
        QMutexLocker locker(&slotsLock_);
        normalServersArray_ = std::move(normal);
        backupServersArray_ = std::move(backup);
    }
    Q_EMIT arrayTableViewConnectionsChanged();
}

void NNTPServersController::createTableViewObjects(const NNTPServerObjectPtr& slot)
{
    auto row = TVConnectionsObject::create();
    row->setNr(arrayTableViewConnections_.size() + 1);
    row->setAlias(slot->alias());
    row->setTitle(QString());
    row->setFilename(QString());
    row->setNntpObject(slot);
    row->setLastresponse(slot->isbackupServerOnly() ? QStringLiteral("Ready (backup server)")
                                                    : QStringLiteral("Ready"));
    slot->setUiConnectionObject(row);
    arrayTableViewConnections_.append(row);
}

NNTPServerObjectPtr NNTPServersController::createNewNNTPServer()
{
    auto server = NNTPServerObject::create();
    server->setShowStats(1);
    server->setColor(createRandomColor());
    arrayNNTPServers_.append(server);
    Q_EMIT arrayNNTPServersChanged();
    return server;
}

QColor NNTPServersController::createRandomColor()
{
    return DBNNTPServers::createRandomColor();
}

qint64 NNTPServersController::availableSlots(const QList<NNTPServerObjectPtr>& slotList)
{
    qint64 count = 0;
    for (const NNTPServerObjectPtr& slot : slotList) {
        const NNTPServerObjectPtr server = slot->mainNNTPServerObject();
        if (server && !server->authFailed()) ++count;
    }
    return count;
}

qint64 NNTPServersController::getTotalNormalServersAvailable() const
{
    QMutexLocker locker(&slotsLock_);
    return availableSlots(normalServersArray_);
}

qint64 NNTPServersController::getTotalBackupServersAvailable() const
{
    QMutexLocker locker(&slotsLock_);
    return availableSlots(backupServersArray_);
}

qint64 NNTPServersController::getTotalServersInUse() const
{
    QMutexLocker locker(&slotsLock_);
    QSet<QString> inUse;
    for (const auto* slotList : {&normalServersArray_, &backupServersArray_}) {
        for (const NNTPServerObjectPtr& slot : *slotList) {
            if (slot->isInUse()) inUse.insert(slot->serverID());
        }
    }
    return inUse.size();
}

QStringList NNTPServersController::serverIDsOf(const QList<NNTPServerObjectPtr>& slotList, bool uploadOnly)
{
    QStringList ids;
    for (const NNTPServerObjectPtr& slot : slotList) {
        const NNTPServerObjectPtr server = slot->mainNNTPServerObject();
        if (!server || server->authFailed()) continue;
        if (uploadOnly && !server->upEnabled()) continue;
        const QString id = server->serverID();
        if (!ids.contains(id)) ids.append(id);
    }
    return ids;
}

QStringList NNTPServersController::getNormalServerIDs() const
{
    QMutexLocker locker(&slotsLock_);
    return serverIDsOf(normalServersArray_, false);
}

QStringList NNTPServersController::getBackupServerIDs() const
{
    QMutexLocker locker(&slotsLock_);
    return serverIDsOf(backupServersArray_, false);
}

QStringList NNTPServersController::getUploadServerIDs() const
{
    QMutexLocker locker(&slotsLock_);
    QStringList ids = serverIDsOf(normalServersArray_, true);
    for (const QString& id : serverIDsOf(backupServersArray_, true)) {
        if (!ids.contains(id)) ids.append(id);
    }
    return ids;
}

NNTPServerObjectPtr NNTPServersController::getNNTPServerObjectForServerID(const QString& serverID) const
{
    // Exactly: ids are decimal numbers of any length, and a short id is
    // contained in many longer ones.
    for (const NNTPServerObjectPtr& server : arrayNNTPServers_) {
        if (server->serverID() == serverID) return server;
    }
    return nullptr;
}

NNTPServerObjectPtr NNTPServersController::requestConnectionForServerID(const QString& serverID)
{
    QMutexLocker locker(&slotsLock_);
    for (const auto* slotList : {&normalServersArray_, &backupServersArray_}) {
        for (const NNTPServerObjectPtr& slot : *slotList) {
            if (!serverID.isEmpty() && slot->serverID() != serverID && slot->upServerID() != serverID)
                continue;
            if (slot->takeSlot()) return slot;
        }
    }
    return nullptr;
}

QList<NNTPServerObjectPtr> NNTPServersController::normalServersArray() const
{
    QMutexLocker locker(&slotsLock_);
    return normalServersArray_;
}

QList<NNTPServerObjectPtr> NNTPServersController::backupServersArray() const
{
    QMutexLocker locker(&slotsLock_);
    return backupServersArray_;
}

void NNTPServersController::compareNNTPChangesWithArray(const QList<NNTPServerObjectPtr>& oldList)
{
    const NNTPServerListChanges changes =
        DBNNTPServers::compareOldNNTPServersArray(oldList, arrayNNTPServers_);
    if (changes.server) {
        shouldSaveNNTPServers_.store(true);
        NotificationHub::defaultCenter().post(QStringLiteral("NNTPServerListChanged"), this);
    } else if (changes.color) {
        shouldSaveNNTPServers_.store(true);
        NotificationHub::defaultCenter().post(QStringLiteral("RebuildStatsUsageGraph"), this);
    }
}

bool NNTPServersController::saveNNTPServers()
{
    DBNNTPServers store;
    return store.saveAllNNTPServers(arrayNNTPServers_);
}

QList<StatsServerInfo> NNTPServersController::statsServers() const
{
    QList<StatsServerInfo> servers;
    for (const NNTPServerObjectPtr& server : arrayNNTPServers_)
        servers.append({server->serverID(), server->alias(), server->color(), server->showStats() != 0});
    return servers;
}
