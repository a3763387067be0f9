#pragma once

#include <QtGlobal>

// What the application core (start-up checks, closing window, the connect
// button) asks of the connection manager. ConnectionsController answers it;
// tests use fakes. Main thread only.
class MainConnectionsInterface
{
public:
    virtual ~MainConnectionsInterface() = default;

    virtual bool checkForNormalActiveNNTPServers() = 0;
    virtual bool checkForBackupActiveNNTPServers() = 0;
    virtual qint64 openConnectionsNr() const = 0;
    // Asks every connection to close; openConnectionsNr falls as they do.
    virtual void disconnectAll() = 0;
    virtual void toggleManuallyConnect() = 0;
};
