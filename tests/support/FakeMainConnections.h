#pragma once

#include "core/MainConnectionsInterface.h"

#include <QStringList>

// The connection manager as the application core sees it: active servers and
// open connections as a test sets them; disconnectAll and the connect toggle
// are recorded. With `closeOnDisconnect`, disconnectAll closes every
// connection at once.
class FakeMainConnections : public MainConnectionsInterface
{
public:
    bool checkForNormalActiveNNTPServers() override { return normalServers; }
    bool checkForBackupActiveNNTPServers() override { return backupServers; }
    qint64 openConnectionsNr() const override { return open; }
    void disconnectAll() override
    {
        calls << QStringLiteral("disconnectAll");
        if (closeOnDisconnect) open = 0;
    }
    void toggleManuallyConnect() override { calls << QStringLiteral("toggleManuallyConnect"); }

    bool normalServers = false;
    bool backupServers = false;
    qint64 open = 0;
    bool closeOnDisconnect = false;
    QStringList calls;
};
