#include "engine/ConnectionsControllerStatus.h"

#include "nntp/ConnectionsController.h"

ConnectionsControllerStatus::ConnectionsControllerStatus(ConnectionsController* connections)
    : connections_(connections)
{
}

ConnectionsControllerStatus::~ConnectionsControllerStatus() = default;

bool ConnectionsControllerStatus::checkForNormalActiveNNTPServers()
{
    return connections_ && connections_->checkForNormalActiveNNTPServers();
}

bool ConnectionsControllerStatus::checkForBackupActiveNNTPServers()
{
    return connections_ && connections_->checkForBackupActiveNNTPServers();
}

qint64 ConnectionsControllerStatus::openConnectionsNr() const
{
    return connections_ ? connections_->openConnectionsNr() : 0;
}

void ConnectionsControllerStatus::disconnectAll()
{
    if (connections_) connections_->disconnectAll();
}

void ConnectionsControllerStatus::toggleManuallyConnect()
{
    if (connections_) connections_->toggleManuallyConnect();
}
