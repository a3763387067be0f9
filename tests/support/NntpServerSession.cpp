#include "support/NntpServerSession.h"

#include "support/NntpServerState.h"
#include "support/NntpWireFormat.h"

#include <QSslSocket>
#include <QThread>
#include <QTimer>

#include <algorithm>
#include <utility>

#include <sys/socket.h>

namespace {

// Replies pile up in the socket when a client sends commands faster than it
// reads; above this many unsent bytes the next command waits.
constexpr qint64 kHighWaterBytes = 8 * 1024 * 1024;
// A streamed reply is topped up to this many unsent bytes at a time, so that
// it costs the server about this much memory however long it is.
constexpr qint64 kStreamHighWater = 1024 * 1024;
constexpr qsizetype kFillerLine = 128; // 126 letters and CR LF

// 64 KiB of filler, shared by every session; a whole number of lines.
const QByteArray& fillerChunk(NntpRule::Fill fill)
{
    static const QByteArray lines = [] {
        QByteArray line(kFillerLine - 2, 'x');
        line += "\r\n";
        return line.repeated(65536 / kFillerLine);
    }();
    static const QByteArray letters(65536, 'x');
    return fill == NntpRule::Fill::Lines ? lines : letters;
}

QByteArray line(int code, const char* text)
{
    return NntpWireFormat::statusLine(code, QByteArray(text));
}

} // namespace

NntpServerSession::NntpServerSession(std::shared_ptr<NntpServerState> state, qintptr descriptor, int number,
                                     std::optional<QByteArray> refusal, std::optional<QSslConfiguration> tls)
    : state_(std::move(state)), descriptor_(descriptor), number_(number), refusal_(std::move(refusal)),
      tls_(std::move(tls))
{}

NntpServerSession::~NntpServerSession()
{
    if (loggedInUser_) state_->releaseLogin(*loggedInUser_);
    state_->connectionClosed(!refusal_.has_value());
}

void NntpServerSession::start()
{
    if (tls_) {
        auto* socket = new QSslSocket(this);
        socket_ = socket;
        socket->setSslConfiguration(*tls_);
        connect(socket, &QSslSocket::encrypted, this, [this] {
            encrypted_ = true;
            greet();
        });
        // Handshake errors end up as a close; sslErrors needs no answer on
        // the server side, which does not verify clients.
        if (!socket->setSocketDescriptor(descriptor_)) {
            end();
            return;
        }
    } else {
        socket_ = new QTcpSocket(this);
        if (!socket_->setSocketDescriptor(descriptor_)) {
            end();
            return;
        }
    }
    socket_->setSocketOption(QAbstractSocket::LowDelayOption, 1);
    connect(socket_, &QTcpSocket::readyRead, this, &NntpServerSession::onReadyRead);
    connect(socket_, &QTcpSocket::bytesWritten, this, [this] {
        if (streaming_)
            pumpStream();
        else if (!busy_)
            processInput();
    });
    connect(socket_, &QTcpSocket::disconnected, this, &NntpServerSession::end);
    connect(socket_, &QTcpSocket::errorOccurred, this, [this](QAbstractSocket::SocketError) {
        if (socket_->state() != QAbstractSocket::ConnectedState) end();
    });
    if (tls_)
        static_cast<QSslSocket*>(socket_)->startServerEncryption();
    else
        greet();
}

void NntpServerSession::greet()
{
    if (refusal_) {
        socket_->write(*refusal_);
        closeConnection();
        return;
    }
    respond(NntpRule::kGreeting, QByteArray(), state_->greeting());
}

void NntpServerSession::onReadyRead()
{
    input_.append(socket_->readAll());
    if (!busy_) processInput();
}

void NntpServerSession::processInput()
{
    if (processing_) return;
    processing_ = true;
    while (!busy_ && !closing_) {
        if (mode_ == Mode::Article) {
            // The article ends with a line "."; it may be the very first line.
            qsizetype end = -1;
            if (input_.startsWith(".\r\n")) {
                end = 3;
            } else {
                const qsizetype at =
                    input_.indexOf("\r\n.\r\n", std::max<qsizetype>(0, articleScanFrom_ - 4));
                if (at >= 0) end = at + 5;
            }
            if (end < 0) {
                articleScanFrom_ = input_.size();
                break;
            }
            const QByteArray article = input_.left(end);
            state_->recordPost(number_, article);
            input_.remove(0, end);
            articleScanFrom_ = 0;
            mode_ = Mode::Command;
            const qsizetype headersEnd = article.indexOf("\r\n\r\n");
            respond(NntpRule::kPostedArticle, headersEnd < 0 ? article : article.left(headersEnd),
                    line(240, "Article received OK"));
            continue;
        }
        if (!silent_ && socket_->bytesToWrite() > kHighWaterBytes) break;
        const qsizetype newline = input_.indexOf('\n');
        if (newline < 0) break;
        QByteArray command = input_.left(newline);
        input_.remove(0, newline + 1);
        if (command.endsWith('\r')) command.chop(1);
        state_->recordCommand(number_, command);
        if (!silent_) handleCommand(command);
    }
    processing_ = false;
}

void NntpServerSession::handleCommand(const QByteArray& commandLine)
{
    const qsizetype space = commandLine.indexOf(' ');
    const QByteArray verb = (space < 0 ? commandLine : commandLine.left(space)).toUpper();
    const QByteArray rest = space < 0 ? QByteArray() : commandLine.mid(space + 1);
    const QByteArray argument = rest.trimmed();
    const bool mustLogIn = state_->requireAuth() && !authenticated_;
    const QByteArray authRequired = line(480, "Authentication required");

    if (verb == "AUTHINFO") {
        // The credentials are kept exactly as sent, blanks included.
        const qsizetype second = rest.indexOf(' ');
        const QByteArray sub = (second < 0 ? rest : rest.left(second)).toUpper();
        const QByteArray value = second < 0 ? QByteArray() : rest.mid(second + 1);
        const QByteArray key = "AUTHINFO " + sub;
        if (sub == "USER") {
            if (authenticated_) {
                respond(key, value, line(502, "Command unavailable"));
                return;
            }
            pendingUser_ = value;
            respond(key, value, line(381, "Password required"));
        } else if (sub == "PASS") {
            if (authenticated_) {
                respond(key, value, line(502, "Command unavailable"));
                return;
            }
            if (!pendingUser_) {
                respond(key, value, line(482, "Authentication commands issued out of sequence"));
                return;
            }
            bool accepted = false;
            const QByteArray user = *pendingUser_;
            const QByteArray reply = state_->login(user, value, &accepted);
            const QByteArray sent = respond(key, value, reply);
            if (accepted && !sent.startsWith("281"))
                state_->releaseLogin(user);
            else if (accepted)
                loggedInUser_ = user;
            authenticated_ = sent.startsWith("281");
            pendingUser_.reset();
        } else {
            respond(key, value, line(501, "Syntax error"));
        }
        return;
    }
    if (verb == "BODY") {
        const auto body = state_->bodyReply(argument);
        if (mustLogIn)
            respond(verb, argument, authRequired);
        else if (argument.isEmpty())
            respond(verb, argument, line(420, "No current article selected"));
        else if (body)
            respond(verb, argument, *body);
        else
            respond(verb, argument, line(430, "No such article"));
        return;
    }
    if (verb == "POST") {
        bool delivered = false;
        QByteArray sent;
        if (mustLogIn)
            sent = respond(verb, argument, authRequired, &delivered);
        else if (!state_->postingAllowed())
            sent = respond(verb, argument, line(440, "Posting not permitted"), &delivered);
        else
            sent = respond(verb, argument, line(340, "Send article to be posted"), &delivered);
        if (delivered && sent.startsWith("340")) mode_ = Mode::Article;
        return;
    }
    if (verb == "LIST") {
        if (mustLogIn)
            respond(verb, argument, authRequired);
        else if (argument.isEmpty() || argument.toUpper() == "ACTIVE")
            respond(verb, argument, state_->listReply());
        else
            respond(verb, argument, line(501, "Syntax error"));
        return;
    }
    if (verb == "GROUP") {
        const auto reply = state_->groupReply(argument);
        if (mustLogIn)
            respond(verb, argument, authRequired);
        else if (argument.isEmpty())
            respond(verb, argument, line(501, "Syntax error"));
        else
            respond(verb, argument, reply ? *reply : line(411, "No such newsgroup"));
        return;
    }
    if (verb == "QUIT") {
        closeAfterReply_ = true;
        respond(verb, argument, line(205, "Connection closing"));
        return;
    }
    respond(verb, argument, line(500, "Unknown command"));
}

QByteArray NntpServerSession::respond(const QByteArray& command, const QByteArray& argument,
                                      const QByteArray& defaultReply, bool* delivered)
{
    const std::optional<NntpRule> rule = state_->takeRule(command, argument, number_);
    const QByteArray reply = rule && rule->replyBytes ? *rule->replyBytes : defaultReply;
    QByteArray bytes = reply;
    if (rule && rule->limitBytes >= 0 && rule->limitBytes < bytes.size()) bytes.truncate(rule->limitBytes);
    if (rule && rule->limitShare >= 0) bytes.truncate(qsizetype(double(reply.size()) * rule->limitShare));
    then_ = rule ? rule->then : NntpRule::Then::Continue;
    if (delivered) *delivered = bytes.size() == reply.size() && then_ == NntpRule::Then::Continue;

    pieces_.clear();
    if (rule && !rule->splits.isEmpty()) {
        QList<qsizetype> offsets = rule->splits;
        std::sort(offsets.begin(), offsets.end());
        qsizetype from = 0;
        for (const qsizetype at : offsets) {
            if (at <= from || at >= bytes.size()) continue;
            pieces_.append(bytes.mid(from, at - from));
            from = at;
        }
        pieces_.append(bytes.mid(from));
    } else if (rule && rule->dripMs > 0) {
        for (qsizetype i = 0; i < bytes.size(); ++i)
            pieces_.append(bytes.mid(i, 1));
    } else if (!bytes.isEmpty()) {
        // The common case: the shared buffer itself, never copied here.
        pieces_.append(bytes);
    }
    gapMs_ = rule ? (rule->dripMs > 0 ? rule->dripMs : rule->splitGapMs) : 0;
    streamLeft_ = 0;
    streamTail_.clear();
    if (rule && rule->streamBytes > 0) {
        streamFill_ = rule->streamFill;
        streamLeft_ = streamFill_ == NntpRule::Fill::Lines
                          ? (rule->streamBytes + kFillerLine - 1) / kFillerLine * kFillerLine
                          : rule->streamBytes;
        streamTail_ = rule->streamTail;
    }
    gate_ = rule ? rule->gate : nullptr;
    busy_ = true;
    if (rule && rule->delayMs > 0)
        QTimer::singleShot(rule->delayMs, this, &NntpServerSession::writeWhenOpen);
    else
        writeWhenOpen();
    return reply;
}

void NntpServerSession::writeWhenOpen()
{
    if (closing_) return;
    if (gate_ && !gate_->isOpen()) {
        // The gate is set from another thread and sends no signal; a short
        // look now and then keeps the session free of locks.
        QTimer::singleShot(5, this, &NntpServerSession::writeWhenOpen);
        return;
    }
    gate_.reset();
    writeNextPiece();
}

void NntpServerSession::writeNextPiece()
{
    if (closing_) return;
    if (!pieces_.isEmpty()) {
        socket_->write(pieces_.takeFirst());
        if (!pieces_.isEmpty()) {
            // Push this piece out now, so that the next one, written after
            // the gap, reaches the client as a read of its own.
            socket_->flush();
            QTimer::singleShot(gapMs_, this, &NntpServerSession::writeNextPiece);
            return;
        }
    }
    if (streamLeft_ > 0 || !streamTail_.isEmpty()) {
        streaming_ = true;
        pumpStream();
        return;
    }
    finishReply();
}

void NntpServerSession::pumpStream()
{
    if (closing_) return;
    while (streamLeft_ > 0 && socket_->bytesToWrite() < kStreamHighWater) {
        const QByteArray& chunk = fillerChunk(streamFill_);
        const qsizetype n = qsizetype(std::min<qint64>(streamLeft_, chunk.size()));
        socket_->write(n == chunk.size() ? chunk : chunk.left(n));
        streamLeft_ -= n;
    }
    if (streamLeft_ > 0) return; // bytesWritten tops it up
    if (!streamTail_.isEmpty()) socket_->write(std::exchange(streamTail_, QByteArray()));
    streaming_ = false;
    finishReply();
}

void NntpServerSession::finishReply()
{
    if (then_ == NntpRule::Then::Reset) {
        resetConnection();
        return;
    }
    if (then_ == NntpRule::Then::Drop || closeAfterReply_) {
        closeConnection();
        return;
    }
    if (then_ == NntpRule::Then::GoSilent) silent_ = true;
    busy_ = false;
    // Called from within processInput() the loop goes on by itself; after a
    // timer it has to be restarted.
    processInput();
}

void NntpServerSession::closeConnection()
{
    closing_ = true;
    busy_ = true;
    // Writes what is pending, then closes.
    socket_->disconnectFromHost();
    if (socket_->state() == QAbstractSocket::UnconnectedState) end();
}

void NntpServerSession::resetConnection()
{
    closing_ = true;
    busy_ = true;
    socket_->flush();
    // A moment for the bytes written to reach the client, then a close that
    // discards the connection with a reset instead of ending it in order.
    QTimer::singleShot(50, this, [this] {
        const qintptr fd = socket_->socketDescriptor();
        if (fd >= 0) {
            const struct linger abortive = {1, 0};
            ::setsockopt(int(fd), SOL_SOCKET, SO_LINGER, &abortive, sizeof abortive);
        }
        socket_->abort();
        end();
    });
}

void NntpServerSession::end()
{
    if (ended_) return;
    ended_ = true;
    closing_ = true;
    if (tls_ && !encrypted_) state_->tlsHandshakeFailed();
    thread()->quit();
}
