#pragma once

#include <QObject>
#include <QString>

// What a server-test connection (TCPSocketForTesting) reports, always on the
// main thread and never waited for. The connection holds its receiver
// weakly: a receiver that is gone simply hears nothing more.
class ServerTestReceiver : public QObject
{
    Q_OBJECT
public:
    using QObject::QObject;

    // A status or response text of the connection, as a download connection
    // would show it in its row.
    virtual void socketMessage(const QString& text) = 0;
    // The outcome, once per test, just before removeSocket().
    virtual void testResultSuccessful() = 0;
    virtual void testResultFailed() = 0;
    // The connection's thread has ended.
    virtual void removeSocket() = 0;
};
