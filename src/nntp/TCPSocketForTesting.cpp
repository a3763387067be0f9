#include "nntp/TCPSocketForTesting.h"

#include "core/Logger.h"
#include "nntp/NntpSession.h"
#include "nntp/ServerTestReceiver.h"
#include "platform/Dispatch.h"

#include <QSslSocket>

namespace {

constexpr qint64 kReadChunk = 16384;

} // namespace

TCPSocketForTesting::TCPSocketForTesting(Passkey)
    : NntpConversation(QStringLiteral("TCPSocketForTesting"), QStringLiteral("Sending auth to newsserver"))
{
}

TCPSocketForTesting::~TCPSocketForTesting()
{
    stopThread();
}

void TCPSocketForTesting::setServerTestWC(ServerTestReceiver* receiver)
{
    receiver_ = receiver;
}

void TCPSocketForTesting::start()
{
    if (self_ || threadStarted()) return;
    if (const NNTPServerObjectPtr server = nntpServer_.lock()) {
        alias_ = server->alias();
        connectionID_ = server->connectionID();
    }
    self_ = shared_from_this();
    startThread();
}

void TCPSocketForTesting::disconnect()
{
    BLOG(2, "Socket %ld has a disconnect request received", connectionID_);
    forcedFinish_ = true;
    finishFromOutside(false);
}

void TCPSocketForTesting::reset()
{
    BLOG(2, "Socket %ld has a reset request received", connectionID_);
    finishFromOutside(true);
}

void TCPSocketForTesting::finishFromOutside(bool restart)
{
    shouldFinish_ = true;
    if (restart) shouldRestart_ = true;
    // At once, not at the next timer tick: a closed window must not leave a
    // connection behind that waits for a server which may never answer.
    onOwnThread([this] { shouldFinishMethod(); });
}

// ---------------------------------------------------------------------------
// Thread, connection, ending

void TCPSocketForTesting::threadEnded()
{
    const bool passed = testResult_;
    const QPointer<ServerTestReceiver> receiver = receiver_;
    Dispatch::onMain([receiver, passed] {
        if (!receiver) return;
        if (passed)
            receiver->testResultSuccessful();
        else
            receiver->testResultFailed();
    });
    // The last reference may be this one: it goes on the main thread, once
    // the receiver has heard the end.
    TCPSocketForTestingPtr self = std::move(self_);
    Dispatch::onMain([receiver, self]() mutable {
        if (receiver) receiver->removeSocket();
        self.reset();
    });
}

void TCPSocketForTesting::openConnection()
{
    socketMessage(QStringLiteral("Connecting"));
    dataMode_ = 1;
    const NNTPServerObjectPtr server = nntpServer_.lock();
    if (!server) {
        Logger::shared()->writeToConsole(QStringLiteral("Stream could not be initialised\n"));
        terminateThread();
        return;
    }
    openSession(server->endpoint(isUploadMode_), server->serverID());
}

void TCPSocketForTesting::terminateThread()
{
    isDone_ = true;
    shouldFinish_ = true;
    closeConnections();
}

void TCPSocketForTesting::restartThread(const QString& reason)
{
    if (!forcedFinish_) {
        clearReceived();
        socketMessage(QStringLiteral("Restarting connection"));
        BLOG(2, "Socket %ld is restarting thread - %@", connectionID_, reason);
        shouldFinish_ = true;
        shouldRestart_ = true;
    }
    // Nothing starts a test again: this ends it.
    shouldFinishMethod();
}

QSslCertificate TCPSocketForTesting::untrustedCertificate() const
{
    return session_.untrustedCertificate();
}

QString TCPSocketForTesting::certificateProblem() const
{
    return session_.certificateProblem();
}

bool TCPSocketForTesting::isConnected() const
{
    return session_.socket() && !isDone_ && session_.socket()->state() == QAbstractSocket::ConnectedState;
}

void TCPSocketForTesting::nextStep()
{
    // The probe goes out once; after it only its answer moves the test on.
    if (probeSent_) return;
    if (isUploadMode_)
        testPost();
    else
        testDownload();
}

// ---------------------------------------------------------------------------
// Socket events

void TCPSocketForTesting::onReadyRead()
{
    while (!isDone_ && session_.socket() && session_.socket()->bytesAvailable() > 0) {
        QList<QByteArray> lines;
        bool blockDone = false;
        {
            QMutexLocker locker(&bufferLock_);
            dataBuffer_ += session_.socket()->read(kReadChunk);
            if (dataMode_ == 2) {
                if (dataBuffer_ == ".\r\n" || dataBuffer_.endsWith("\r\n.\r\n")) {
                    dataBuffer_.clear();
                    scanFrom_ = 0;
                    dataMode_ = 1;
                    blockDone = true;
                }
            } else {
                bool tooLong = false;
                QByteArray line;
                while (!(line = takeStatusLine(tooLong)).isNull())
                    lines.append(line);
                if (tooLong) {
                    locker.unlock();
                    restartThread(QStringLiteral("status line too long"));
                    return;
                }
            }
        }
        if (blockDone) {
            shouldFinishMethod();
            continue;
        }
        // Every line that arrived is answered in order: a reply and the next
        // one may come in the same read.
        for (const QByteArray& line : lines) {
            processCode(line);
            if (isDone_ || dataMode_ == 2) break;
        }
    }
}

void TCPSocketForTesting::onEndEncountered()
{
    if (isDone_) return;
    // A reply that came just before the close is answered first: it may
    // decide the test.
    onReadyRead();
    if (isDone_) return;
    BLOG(2, "Socket %ld - NSStreamEventEndEncountered", connectionID_);
    socketMessage(QStringLiteral("Socket disconnected"));
    shouldFinish_ = true;
    shouldFinishMethod();
}

void TCPSocketForTesting::streamFailed(const QString& text)
{
    BLOG(3, "Socket %ld (%ld sec) - StreamError %@", connectionID_, long(timeoutCounter_), text);
    socketMessage(sformat(u"StreamError %@", text));
    const std::weak_ptr<NNTPServerObject> entry = nntpServer_;
    Dispatch::onMain([entry] {
        if (const NNTPServerObjectPtr server = entry.lock()) server->setIsInUse(false);
    });
    shouldFinish_ = true;
    shouldFinishMethod();
}

void TCPSocketForTesting::oneSecondTimerSelector()
{
    if (!countSilence()) return;
    const qint64 n = timeoutCounter_;
    if (status_ == Connecting) {
        socketMessage(sformat(u"Waiting for connection (%ld sec)", long(n)));
        if (n >= timeout_) restartThread(QStringLiteral("waiting for connection"));
        return;
    }
    // Any command still without its answer (a login step, the probe) ends
    // the test after the time-out; a server that never answers the probe
    // would otherwise keep the test, and its connection, forever.
    if (!awaitingReply_) return;
    socketMessage(sformat(u"Waiting for server response (%ld sec)", long(n)));
    if (n >= timeout_) restartThread(sformat(u"no response from server (%ld sec)", long(n)));
}

// ---------------------------------------------------------------------------
// Protocol

void TCPSocketForTesting::talkToServer(const QByteArray& command)
{
    if (!session_.socket() || isDone_) return;
    awaitingReply_ = true;
    session_.socket()->write(command + "\r\n");
}

void TCPSocketForTesting::processCode(const QByteArray& line)
{
    awaitingReply_ = false;
    timeoutCounter_ = 0;
    const NNTPReply reply = getResponseCode(line);
    processServerRespondeCode(reply.code, reply.text);
}

void TCPSocketForTesting::finish(bool pass)
{
    // A pass is the answer to the probe; anything before it decides nothing.
    testResult_ = pass && probeSent_;
    shouldFinish_ = true;
    shouldFinishMethod();
}

void TCPSocketForTesting::processServerRespondeCode(int code, const QString& text)
{
    testResult_ = false;
    BLOG(2, "Socket %ld - %@ (%ld) :: %@.", connectionID_, text, long(code), alias_);
    if (answerGreetingOrLogin({code, text})) return;
    const auto error = [&] { socketMessage(sformat(u"Error: [%ld] %@", long(code), text)); };
    switch (code) {
    case 211:
        setStatus(Ready);
        finish(true);
        return;
    case 220:
        setStatus(Ready);
        dataMode_ = 2;
        finish(true);
        return;
    case 222:
        setStatus(ReceivingBody);
        dataMode_ = 2;
        finish(true);
        return;
    case 240:
        setStatus(Ready);
        BLOG(2, "Socket %ld - Article posted successful.", connectionID_);
        finish(true);
        return;
    case 340:
        setStatus(Ready);
        BLOG(2, "Socket %ld - Server is in post mode and waiting for data.", connectionID_);
        // No article is sent: the connection closes here.
        finish(true);
        return;
    case 400:
        setStatus(Ready);
        socketMessage(QStringLiteral("Error: [400] Idle timeout"));
        BLOG(2, "Socket %ld - Idle timeout.", connectionID_);
        finish(false);
        return;
    case 411:
        setStatus(Ready);
        error();
        BLOG(4, "Socket %ld - %@ (%ld) :: %@.", connectionID_, text, long(code), alias_);
        finish(true);
        return;
    case 412:
        socketMessage(QStringLiteral("Error: Not in newsgroup"));
        finish(true);
        return;
    case 423:
    case 430:
        setStatus(Ready);
        socketMessage(QStringLiteral("Error: Article does not exists"));
        finish(true);
        return;
    case 440:
    case 441:
        setStatus(Ready);
        error();
        BLOG(4, "Socket %ld - %@ (%ld) :: %@.", connectionID_, text, long(code), alias_);
        finish(false);
        return;
    case 480:
        // One login when the server asks for it; a second request after a
        // login it accepted would only loop.
        if (session_.endpoint().requiresLogin && !loggedInAgain_) {
            loggedInAgain_ = true;
            probeSent_ = false;
            login();
            return;
        }
        setStatus(Ready);
        BLOG(2, "Socket %ld - %@ (%ld)", connectionID_, text, long(code));
        socketMessage(sformat(u"Error: [%ld] Authentication required", long(code)));
        finish(false);
        return;
    case 481:
    case 502:
        setStatus(Ready);
        error();
        BLOG(2, "Socket %ld - %@ (%ld)", connectionID_, text, long(code));
        finish(false);
        return;
    case 501:
        setStatus(Ready);
        socketMessage(sformat(u"Error: [%ld] Incorrect Username/Password", long(code)));
        BLOG(2, "Socket %ld - %@ (%ld)", connectionID_, text, long(code));
        finish(false);
        return;
    default:
        setStatus(Ready);
        error();
        BLOG(2, "Socket %ld - Unknown response received. %@ (%ld)", connectionID_, text, long(code));
        finish(false);
        return;
    }
}

void TCPSocketForTesting::loggedIn()
{
    BLOG(2, "Socket %ld - Authentication OK. Is logged in.", connectionID_);
    shouldFinishMethod();
}

void TCPSocketForTesting::testDownload()
{
    setStatus(Ready);
    probeSent_ = true;
    talkToServer(QByteArrayLiteral("GROUP alt.binaries.test"));
}

void TCPSocketForTesting::testPost()
{
    setStatus(Ready);
    probeSent_ = true;
    talkToServer(QByteArrayLiteral("POST"));
}

void TCPSocketForTesting::clearAuthFailed()
{
    const NNTPServerObjectPtr server = nntpServer_.lock();
    if (!server) return;
    // The entry under test is a server of the list itself, or a copy that
    // names the one it was made from.
    const NNTPServerObjectPtr main = server->mainNNTPServerObject();
    (main ? main : server)->setAuthFailed(false);
}

void TCPSocketForTesting::socketMessage(const QString& text)
{
    const QPointer<ServerTestReceiver> receiver = receiver_;
    Dispatch::onMain([receiver, text] {
        if (receiver) receiver->socketMessage(text);
    });
}
