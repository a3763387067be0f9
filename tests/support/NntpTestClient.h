#pragma once

#include <QByteArray>
#include <QList>
#include <QSslConfiguration>
#include <QSslError>
#include <QSslSocket>
#include <QString>

// A blocking NNTP client over one QSslSocket (plain unless connected
// encrypted), for tests of servers. Each read waits at most the client's
// time-out and returns what it has on expiry, so a test that expects bytes
// fails instead of hanging.
class NntpTestClient
{
public:
    explicit NntpTestClient(int timeoutMs = 5000);

    bool connectTo(quint16 port);
    // Connects and completes the TLS handshake, verifying the server against
    // `configuration` for `host`. False when the handshake fails; sslErrors()
    // then says why.
    bool connectEncrypted(quint16 port, const QSslConfiguration& configuration,
                          const QString& host = QStringLiteral("127.0.0.1"));

    // The line followed by CR LF.
    bool send(const QByteArray& line);
    bool sendRaw(const QByteArray& bytes);

    // One line, CR LF included; what arrived so far on time-out or close.
    QByteArray readLine();
    // Everything up to and including the terminating line ".\r\n" of a
    // multi-line block (the status line before it included).
    QByteArray readBlock();
    // Exactly `count` bytes, or fewer on time-out or close.
    QByteArray readBytes(qsizetype count);
    // The bytes of each read, until `total` bytes arrived or the time-out.
    QList<QByteArray> readChunks(qsizetype total);
    // Whatever arrives within `ms` milliseconds.
    QByteArray readFor(int ms);
    // Whether the server closes the connection within the time-out.
    bool waitForClose();

    bool isConnected() const;
    QList<QSslError> sslErrors() const { return sslErrors_; }
    QSslSocket& socket() { return socket_; }

private:
    bool fill(); // waits for more bytes; false on time-out or close
    QByteArray take(qsizetype count);

    QSslSocket socket_;
    QByteArray buffer_;
    QList<QSslError> sslErrors_;
    int timeoutMs_;
};
