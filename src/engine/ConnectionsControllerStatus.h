#pragma once

#include "core/MainConnectionsInterface.h"

#include <QPointer>

class ConnectionsController;

// What the application core asks of the connections, answered by the
// connection manager.
class ConnectionsControllerStatus : public MainConnectionsInterface
{
public:
    explicit ConnectionsControllerStatus(ConnectionsController* connections);
    ~ConnectionsControllerStatus() override;

    bool checkForNormalActiveNNTPServers() override;
    bool checkForBackupActiveNNTPServers() override;
    qint64 openConnectionsNr() const override;
    void disconnectAll() override;
    void toggleManuallyConnect() override;

private:
    QPointer<ConnectionsController> connections_;
};
