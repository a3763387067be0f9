#pragma once

#include "support/TestCertificates.h"

#include <QByteArray>
#include <QString>
#include <QTemporaryDir>

#include <memory>

class QProcess;

// A private INN news server (Debian's inn2) on 127.0.0.1 for the tests that
// need a real server rather than our scripted one. Everything it keeps lives
// in a temporary folder: its own inn.conf with every path inside it, a
// tradspool article store, a history database, the one group
// alt.binaries.test. Three ports, all bound to 127.0.0.1 only and picked free:
// - port():     innd; readers from 127.0.0.1 read and post without a login
//               (innd hands them to an nnrpd of its own);
// - authPort(): a standalone nnrpd that asks for AUTHINFO (user(), password());
// - tlsPort():  a standalone `nnrpd -S`, implicit TLS with the server
//               certificate of certificates(), and AUTHINFO as on authPort().
// Articles posted on any port go into the same store.
//
// start() takes a second or two; stop() (also run by the destructor) shuts
// innd down with its control command (it answers a plain TERM slowly), ends
// the nnrpd daemons with their process groups (each daemon has one, with
// what it forks per connection), and waits until no process of the instance
// is left. Should this process die without a stop, each group ends itself:
// a watcher in it notices the pipe from this process closing. Run as root,
// INN switches to the "news" user, so the instance's folder is then handed
// to that user.
class InnServer
{
public:
    InnServer();
    ~InnServer();
    InnServer(const InnServer&) = delete;
    InnServer& operator=(const InnServer&) = delete;

    static QString binFolder();
    static bool isInstalled();

    bool start();
    void stop();
    bool isRunning() const;
    QString errorString() const { return error_; }

    quint16 port() const { return port_; }
    quint16 authPort() const { return authPort_; }
    quint16 tlsPort() const { return tlsPort_; }
    static QString group() { return QStringLiteral("alt.binaries.test"); }
    static QString user() { return QStringLiteral("tester"); }
    static QString password() { return QStringLiteral("secret"); }
    const TestCertificates& certificates() const { return certificates_; }

    QString folder() const { return dir_.path(); }
    // The server's own logs and the daemons' output, for a failed test's report.
    QString logs() const;

private:
    struct Daemon;

    bool startOnce();
    bool writeConfiguration();
    bool handToNewsUser();
    // `onClose`: a shell command run before the daemon's group is ended when
    // this process lets go of it.
    bool startDaemon(Daemon& daemon, const QString& program, const QStringList& arguments, quint16 port,
                     const QString& onClose = QStringLiteral(":"));
    void stopDaemon(Daemon& daemon, bool shutDownFirst);
    QString innconf() const;

    QTemporaryDir dir_;
    TestCertificates certificates_;
    quint16 port_ = 0;
    quint16 authPort_ = 0;
    quint16 tlsPort_ = 0;
    std::unique_ptr<Daemon> innd_;
    std::unique_ptr<Daemon> authNnrpd_;
    std::unique_ptr<Daemon> tlsNnrpd_;
    QString error_;
    bool endedAtStart_ = false;
};
