#include "support/NntpTestClient.h"

#include <QDeadlineTimer>
#include <QHostAddress>

NntpTestClient::NntpTestClient(int timeoutMs) : timeoutMs_(timeoutMs)
{
    QObject::connect(&socket_, &QSslSocket::sslErrors, &socket_,
                     [this](const QList<QSslError>& errors) { sslErrors_ += errors; });
}

bool NntpTestClient::connectTo(quint16 port)
{
    socket_.connectToHost(QHostAddress::LocalHost, port);
    return socket_.waitForConnected(timeoutMs_);
}

bool NntpTestClient::connectEncrypted(quint16 port, const QSslConfiguration& configuration,
                                      const QString& host)
{
    socket_.setSslConfiguration(configuration);
    socket_.connectToHostEncrypted(host, port);
    return socket_.waitForEncrypted(timeoutMs_);
}

bool NntpTestClient::send(const QByteArray& line)
{
    return sendRaw(line + "\r\n");
}

bool NntpTestClient::sendRaw(const QByteArray& bytes)
{
    if (socket_.write(bytes) != bytes.size()) return false;
    while (socket_.bytesToWrite() > 0) {
        if (!socket_.waitForBytesWritten(timeoutMs_)) return false;
    }
    return true;
}

bool NntpTestClient::fill()
{
    if (socket_.bytesAvailable() == 0 && !socket_.waitForReadyRead(timeoutMs_)) return false;
    buffer_ += socket_.readAll();
    return true;
}

QByteArray NntpTestClient::take(qsizetype count)
{
    QByteArray out = buffer_.left(count);
    buffer_.remove(0, count);
    return out;
}

QByteArray NntpTestClient::readLine()
{
    QDeadlineTimer deadline(timeoutMs_);
    for (;;) {
        const qsizetype end = buffer_.indexOf("\r\n");
        if (end >= 0) return take(end + 2);
        if (deadline.hasExpired() || !fill()) return take(buffer_.size());
    }
}

QByteArray NntpTestClient::readBlock()
{
    QDeadlineTimer deadline(timeoutMs_);
    for (;;) {
        const qsizetype end = buffer_.indexOf("\r\n.\r\n");
        if (end >= 0) return take(end + 5);
        if (deadline.hasExpired() || !fill()) return take(buffer_.size());
    }
}

QByteArray NntpTestClient::readBytes(qsizetype count)
{
    QDeadlineTimer deadline(timeoutMs_);
    while (buffer_.size() < count) {
        if (deadline.hasExpired() || !fill()) break;
    }
    return take(count);
}

QList<QByteArray> NntpTestClient::readChunks(qsizetype total)
{
    QList<QByteArray> chunks;
    qsizetype received = 0;
    if (!buffer_.isEmpty()) {
        received = buffer_.size();
        chunks.append(take(buffer_.size()));
    }
    QDeadlineTimer deadline(timeoutMs_);
    while (received < total && !deadline.hasExpired()) {
        if (!socket_.waitForReadyRead(int(std::max<qint64>(1, deadline.remainingTime())))) break;
        const QByteArray chunk = socket_.readAll();
        received += chunk.size();
        chunks.append(chunk);
    }
    return chunks;
}

QByteArray NntpTestClient::readFor(int ms)
{
    QDeadlineTimer deadline(ms);
    buffer_ += socket_.readAll();
    while (!deadline.hasExpired() && socket_.state() == QAbstractSocket::ConnectedState) {
        if (socket_.waitForReadyRead(int(std::max<qint64>(1, deadline.remainingTime()))))
            buffer_ += socket_.readAll();
    }
    buffer_ += socket_.readAll();
    return take(buffer_.size());
}

bool NntpTestClient::waitForClose()
{
    if (socket_.state() == QAbstractSocket::UnconnectedState) return true;
    QDeadlineTimer deadline(timeoutMs_);
    while (!deadline.hasExpired()) {
        if (socket_.waitForDisconnected(int(std::max<qint64>(1, deadline.remainingTime())))) return true;
        if (socket_.state() == QAbstractSocket::UnconnectedState) return true;
        // Bytes that arrive before the close are kept for the next read.
        buffer_ += socket_.readAll();
    }
    return socket_.state() == QAbstractSocket::UnconnectedState;
}

bool NntpTestClient::isConnected() const
{
    return socket_.state() == QAbstractSocket::ConnectedState;
}
