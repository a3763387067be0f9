#pragma once

#include <QString>

// A session bus of the test's own: a dbus-daemon with no activatable
// services, started for the test process and ended with it. Start it before
// anything touches the session bus: the process keeps its first session-bus
// connection for good.
class PrivateSessionBus
{
public:
    // Starts the daemon on first use and points DBUS_SESSION_BUS_ADDRESS at
    // it. Null when it cannot be started; reason() says why.
    static PrivateSessionBus* shared();
    static QString reason();

    QString address() const { return address_; }

private:
    PrivateSessionBus() = default;
    QString address_;
};
