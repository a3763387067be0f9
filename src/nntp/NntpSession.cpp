#include "nntp/NntpSession.h"

#include "nntp/NntpTlsConfiguration.h"
#include "nntp/TCPSocket.h"

#include <QSslSocket>

NntpSession::NntpSession() = default;

NntpSession::~NntpSession() = default;

void NntpSession::open(const NNTPEndpoint& endpoint, const QString& trustID, Events events,
                       qint64 readBufferSize)
{
    endpoint_ = endpoint;
    socket_ = std::make_unique<QSslSocket>();
    QSslSocket* s = socket_.get();
    if (readBufferSize > 0) s->setReadBufferSize(readBufferSize);
    if (events.readyRead) QObject::connect(s, &QIODevice::readyRead, events.readyRead);
    if (events.bytesWritten)
        QObject::connect(s, &QIODevice::bytesWritten, [handler = events.bytesWritten](qint64) { handler(); });
    if (events.socketError)
        QObject::connect(
            s, &QAbstractSocket::errorOccurred,
            [handler = events.socketError](QAbstractSocket::SocketError error) { handler(int(error)); });
    if (events.disconnected) QObject::connect(s, &QAbstractSocket::disconnected, events.disconnected);
    QObject::connect(s, &QSslSocket::sslErrors, [this, s, trustID](const QList<QSslError>& errors) {
        const QSslCertificate peer = s->peerCertificate();
        if (NntpTlsConfiguration::acceptsTrustedCertificate(trustID, errors, peer)) {
            s->ignoreSslErrors();
            return;
        }
        sslErrorText_ = NntpTlsConfiguration::describe(errors, peer);
        QMutexLocker locker(&certificateLock_);
        untrustedCertificate_ = peer;
        certificateProblem_ = NntpTlsConfiguration::describe(errors);
    });

    if (endpoint_.ssl) {
        s->setSslConfiguration(NntpTlsConfiguration::clientConfiguration());
        s->connectToHostEncrypted(endpoint_.address, quint16(endpoint_.port));
    } else {
        s->connectToHost(endpoint_.address, quint16(endpoint_.port));
    }
}

void NntpSession::close()
{
    if (!socket_) return;
    QObject::disconnect(socket_.get(), nullptr, nullptr, nullptr);
    socket_->abort();
}

void NntpSession::discard()
{
    socket_.reset();
}

QString NntpSession::streamErrorText(int socketError) const
{
    return TCPSocket::streamErrorText(socketError, socket_ ? socket_->errorString() : QString(),
                                      sslErrorText_);
}

QSslCertificate NntpSession::untrustedCertificate() const
{
    QMutexLocker locker(&certificateLock_);
    return untrustedCertificate_;
}

QString NntpSession::certificateProblem() const
{
    QMutexLocker locker(&certificateLock_);
    return certificateProblem_;
}

QByteArray NntpSession::authUserCommand() const
{
    return QByteArrayLiteral("AUTHINFO USER ") + endpoint_.username.toUtf8();
}

QByteArray NntpSession::authPassCommand() const
{
    return QByteArrayLiteral("AUTHINFO PASS ") + endpoint_.password.toUtf8();
}
