#pragma once

#include "nntp/NNTPServerObject.h"

#include <QByteArray>
#include <QMutex>
#include <QSslCertificate>
#include <QString>

#include <functional>
#include <memory>

class QSslSocket;

// The socket of one news-server session, as the download connection
// (TCPSocket) and the server test (TCPSocketForTesting) open it: plain TCP or
// TLS to one endpoint, the certificate verified against the system's
// authorities or accepted when it is exactly the one the user trusted for
// the server entry, the text of a failed connection, and the login commands.
// What a reply means stays with each user of the session.
//
// open(), close(), discard() and the socket belong to the connection's
// thread; the certificate a handshake refused can be read from any thread,
// also after discard().
class NntpSession
{
public:
    // Called on the connection's thread; any may be empty.
    struct Events
    {
        std::function<void()> readyRead;
        std::function<void()> bytesWritten;
        std::function<void(int)> socketError; // a QAbstractSocket::SocketError
        std::function<void()> disconnected;
    };

    NntpSession();
    ~NntpSession();
    NntpSession(const NntpSession&) = delete;
    NntpSession& operator=(const NntpSession&) = delete;

    // Connects to `endpoint` (encrypted when it asks for TLS). `trustID` is
    // the entry whose trusted certificate counts: a copy made for a
    // connection keeps the server's id. A read buffer size of 0 leaves the
    // socket's buffer unbounded.
    void open(const NNTPEndpoint& endpoint, const QString& trustID, Events events, qint64 readBufferSize = 0);
    // No more events, and the connection dropped at once. The socket object
    // stays until discard(): this may run inside one of its own signals.
    void close();
    // Frees the socket; at the end of the connection's thread.
    void discard();

    QSslSocket* socket() const { return socket_.get(); }
    const NNTPEndpoint& endpoint() const { return endpoint_; }

    // The row's and the log's text for a socket failure, with what was
    // wrong with the certificate when the handshake failed on it.
    QString streamErrorText(int socketError) const;
    // The certificate that failed verification (null when none did) and
    // what was wrong with it; any thread.
    QSslCertificate untrustedCertificate() const;
    QString certificateProblem() const;

    // AUTHINFO in UTF-8, as the login command asks: any character of a user
    // name reaches the server as typed.
    QByteArray authUserCommand() const;
    QByteArray authPassCommand() const;

private:
    NNTPEndpoint endpoint_;
    std::unique_ptr<QSslSocket> socket_;
    QString sslErrorText_; // connection thread
    mutable QMutex certificateLock_;
    QSslCertificate untrustedCertificate_;
    QString certificateProblem_;
};
