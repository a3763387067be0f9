#include "nntp/TCPSocket.h"

#include "core/Logger.h"
#include "nntp/ConnectionsControllerInterface.h"
#include "nntp/NNTPArticleBuilder.h"
#include "nntp/NntpSession.h"
#include "nntp/TVConnectionsObject.h"
#include "platform/Dispatch.h"
#include "platform/UserDefaults.h"
#include "queue/QCodeClass.h"
#include "queue/Queue.h"
#include "queue/ServerIDRegistry.h"
#include "queue/StatusCodes.h"

#include <QDateTime>
#include <QSslSocket>
#include <QTimer>

#include <algorithm>
#include <cstring>

namespace {

// What the socket may buffer while the connection does not read (a pause):
// beyond it the server is held back by TCP itself. Each read takes what
// the socket holds up to this, in one block of memory, on every connection:
// more makes no faster download, only more memory.
constexpr qint64 kSocketReadBuffer = 256 * 1024;

// Where the terminating line "\r\n.\r\n" begins in `data`, looking at
// terminators that begin at `from` or later; -1 when there is none. It
// looks for the dot with memchr: a line that begins with a dot is rare in a
// body (yEnc escapes it), so this runs at memory speed.
qsizetype findTerminator(const QByteArray& data, qsizetype from)
{
    const char* d = data.constData();
    const qsizetype size = data.size();
    qsizetype i = std::max<qsizetype>(from + 2, 2);
    while (i < size - 2) {
        const void* hit = std::memchr(d + i, '.', size_t(size - 2 - i));
        if (!hit) return -1;
        const qsizetype at = static_cast<const char*>(hit) - d;
        if (d[at - 2] == '\r' && d[at - 1] == '\n' && d[at + 1] == '\r' && d[at + 2] == '\n') return at - 2;
        i = at + 1;
    }
    return -1;
}

} // namespace

TCPSocket::TCPSocket(Passkey)
    : NntpConversation(QStringLiteral("TCPSocket"), QStringLiteral("Sending auth to news server"))
{
}

TCPSocket::~TCPSocket()
{
    stopThread();
}

void TCPSocket::start()
{
    startThread();
}

qint64 TCPSocket::connectionID() const
{
    return nntpServer_ ? nntpServer_->connectionID() : 0;
}

qint64 TCPSocket::maxBodyBytes(double nzbBytes)
{
    if (!(nzbBytes > 0)) return kMaxBodyBytes;
    return std::min(kMaxBodyBytes, 2 * qint64(std::min(nzbBytes, Segment::kMaxClaimedBytes)) + kBodySlackBytes);
}

QString TCPSocket::connectionFailure() const
{
    return worked_ || forcedFinish_ ? QString() : failure_;
}

QString TCPSocket::streamErrorText(int socketError, const QString& errorString, const QString& sslErrorText)
{
    // The numbers are those the program has always shown for these
    // conditions, whatever the system's own codes are.
    switch (QAbstractSocket::SocketError(socketError)) {
    case QAbstractSocket::ConnectionRefusedError:
        return QStringLiteral("(61): Possibly a wrong port number configured.");
    case QAbstractSocket::HostNotFoundError:
        return QStringLiteral("(2): Unable to connect to server.");
    case QAbstractSocket::SslHandshakeFailedError:
        return sslErrorText.isEmpty()
                   ? sformat(u"(%ld): TLS handshake failed: %@", long(socketError), errorString)
                   : sformat(u"(%ld): Certificate verification failed: %@", long(socketError), sslErrorText);
    default:
        return sformat(u"(%ld): %@", long(socketError), errorString);
    }
}

// ---------------------------------------------------------------------------
// Calls from other threads

void TCPSocket::newContentAvailable()
{
    onOwnThread([this] {
        if (!isConnected())
            restartThread(QStringLiteral("Socket is disconnected"), Release::Unfinished);
        else if (status_ == Idle && waiting_ == Wait::None)
            getArticle();
    });
}

void TCPSocket::disconnect()
{
    isStarted_ = false;
    BLOG(2, "%ld has a disconnect request received", connectionID());
    shouldFinish_ = true;
    forcedFinish_ = true;
    // At once, whatever the connection is doing: a body still arriving is
    // given back unfinished, not waited for (a server may take minutes to
    // end it, or never).
    onOwnThread([this] {
        endWaits();
        terminateThread();
    });
}

void TCPSocket::reset()
{
    isStarted_ = false;
    BLOG(2, "%ld has a reset request received", connectionID());
    onOwnThread([this] {
        releaseArticle(QStringLiteral("External reset"));
        shouldFinish_ = true;
        shouldRestart_ = true;
        endWaits();
        shouldFinishMethod();
    });
}

// ---------------------------------------------------------------------------
// Thread, connection, ending

void TCPSocket::prepareThread()
{
    waitTimer_ = std::make_unique<QTimer>();
    waitTimer_->setSingleShot(true);
    resumeTimer_ = std::make_unique<QTimer>();
    resumeTimer_->setSingleShot(true);
    QObject::connect(waitTimer_.get(), &QTimer::timeout, [this] {
        if (waiting_ == Wait::Memory) {
            memoryWaitTick();
        } else if (waiting_ == Wait::Decode) {
            decodeWaitTick();
        } else if (waiting_ == Wait::Busy) {
            waiting_ = Wait::None;
            restartThread(QStringLiteral("auth failure"), Release::Unfinished);
        }
    });
    QObject::connect(resumeTimer_.get(), &QTimer::timeout, [this] {
        readPaused_ = false;
        onReadyRead();
    });
}

void TCPSocket::threadEnded()
{
    waitTimer_.reset();
    resumeTimer_.reset();
    segment_.reset();

    const bool restart = shouldRestart_ && !forcedFinish_;
    const std::weak_ptr<TCPSocket> self = weak_from_this();
    const NNTPServerObjectPtr slot = nntpServer_;
    const QString serverID = session_.endpoint().serverID;
    if (!manager_) {
        Dispatch::onMain([slot] {
            if (slot) slot->setIsInUse(false);
        });
        return;
    }
    toManager([self, restart, slot, serverID](ConnectionsControllerInterface* manager) {
        const TCPSocketPtr socket = self.lock();
        if (restart) BLOG(2, "Restarting socket");
        if (slot) slot->setIsInUse(false);
        if (!socket) return;
        if (restart)
            manager->restartSocket(socket.get(), serverID);
        else
            manager->removeSocketFromArray(socket.get());
    });
}

void TCPSocket::openConnection()
{
    updateTVCLastResponse(QStringLiteral("Connecting"));
    dataMode_ = 1;
    if (!nntpServer_ || !manager_) {
        Logger::shared()->writeToConsole(QStringLiteral("Stream could not be initialised\n"));
        terminateThread();
        return;
    }
    // The entry's id: a copy made for a connection keeps the server's.
    const NNTPEndpoint endpoint = nntpServer_->endpoint(dedicateUploadServer_);
    serverToken_ = ServerIDRegistry::tokenFor(endpoint.serverID);
    openSession(endpoint, nntpServer_->serverID(), kSocketReadBuffer);
    isStarted_ = true;
}

void TCPSocket::closing()
{
    isStarted_ = false;
    updateTVCLastResponse(QStringLiteral("Disconnecting"));
    if (waitTimer_) waitTimer_->stop();
    if (resumeTimer_) resumeTimer_->stop();
    BLOG(2, "Closed socket: %ld", connectionID());
}

void TCPSocket::terminateThread()
{
    shouldFinish_ = true;
    isStarted_ = false;
    updateTVCLastResponse(QStringLiteral("Disconnecting"));
    releaseArticle(QStringLiteral("Terminating socket"));
    closeConnections();
}

void TCPSocket::restartThread(const QString& reason, Release release)
{
    isStarted_ = false;
    releaseArticle(reason, release);
    if (!forcedFinish_) {
        clearReceived();
        updateTVCLastResponse(QStringLiteral("Restarting connection"));
        BLOG(2, "%ld is restarting thread - %@", connectionID(), reason);
        shouldFinish_ = true;
        shouldRestart_ = true;
    }
    shouldFinishMethod();
}

void TCPSocket::releaseArticle(const QString& reason, Release release)
{
    if (!segment_) return;
    const std::shared_ptr<Queue> part = segment_->filepart();
    BLOG(2, "%ld is releasing article: %@ (%@)- Reason:%@", connectionID(), segment_->mid(),
         part ? part->filename() : QString(), reason);
    const SegmentPtr released = std::move(segment_);
    segment_.reset();
    const bool answered = std::exchange(segmentDone_, false);
    if (release != Release::Unfinished && !answered) {
        const int failures =
            release == Release::GivenUp ? kMaxFetchFailures : released->addFetchFailure(serverToken_);
        if (failures >= kMaxFetchFailures) {
            BLOG(2, "%ld - %@ failed %ld times on %@; counted as missing there", connectionID(),
                 released->mid(), long(failures), nntpServer_->alias());
            manager_->articleFailedOnServer(released, nntpServer_);
            return;
        }
    }
    manager_->resetReleasedSegment(released, nntpServer_);
}

void TCPSocket::noteFailure(const QString& text)
{
    failure_ = text;
}

void TCPSocket::endWaits()
{
    waiting_ = Wait::None;
    readPaused_ = false;
    if (waitTimer_) waitTimer_->stop();
    if (resumeTimer_) resumeTimer_->stop();
}

bool TCPSocket::isConnected() const
{
    return session_.socket() && !isDone_ && session_.socket()->state() != QAbstractSocket::UnconnectedState;
}

void TCPSocket::nextStep()
{
    getArticle();
}

void TCPSocket::setStatus(qint64 status)
{
    const qint64 before = status_.exchange(status);
    // An idle backup connection keeps counting, so that it closes a while
    // after its last work (see the timer).
    const bool idleBackup =
        status == Idle && nntpServer_->isbackupServerOnly() && !manager_->onlyBackupServersConfigured();
    if (!idleBackup) timeoutCounter_ = 0;
    // The hand-out had nothing more: the row stops saying "Downloading" now,
    // not two ticks of the timer later.
    if (status == Idle && before != Idle) showIdleRow();
}

std::shared_ptr<Queue> TCPSocket::job() const
{
    return segment_ ? segment_->queue() : nullptr;
}

bool TCPSocket::isUploadSegment() const
{
    const std::shared_ptr<Queue> j = job();
    return j && j->isUploadObject();
}

void TCPSocket::getArticle()
{
    if (isDone_) return;
    // An article is booked only with its answer: one whose command got no
    // body (411, 412, 435, 437, a login asked for again) goes back to the
    // queue instead, counted against its retries on this server.
    if (segment_ && !segmentDone_) releaseArticle(QStringLiteral("No article received"), Release::Failed);
    const SegmentPtr done = segment_;
    segment_.reset();
    segmentDone_ = false;
    articleCommand_.clear();
    resentAfterLogin_ = false;
    reloginPending_ = false;

    handedOut_ = true;
    segment_ = manager_->getNextSegmentAfterDownloadedSegment(done, nntpServer_, this);
    // An answered article, or nothing to do: the server works.
    if (done || !segment_) worked_ = true;
    if (!segment_) {
        setStatus(Idle);
        return;
    }
    const std::shared_ptr<Queue> j = job();
    if (j && j->isUploadObject()) {
        setStatus(PreparingCommand);
        startUploading();
        return;
    }
    if (j && j->isNewsgroupsRequest()) {
        setStatus(PreparingCommand);
        startDownloadingNewsgroupList();
        return;
    }
    if (manager_->checkIfDiskBufferIsFull()) {
        beginMemoryWait();
        return;
    }
    // The article is held, not asked for, while the bodies already in wait
    // for their decoding: memory stays bounded however fast the server
    // sends.
    if (manager_->checkIfDecodingIsBehind()) {
        waiting_ = Wait::Decode;
        waitTimer_->start(kDecodeWaitMs);
        return;
    }
    setStatus(PreparingCommand);
    startDownloading();
}

void TCPSocket::decodeWaitTick()
{
    if (shouldFinish_) {
        endWaits();
        shouldFinishMethod();
        return;
    }
    if (manager_->checkIfDecodingIsBehind()) {
        waitTimer_->start(kDecodeWaitMs);
        return;
    }
    waiting_ = Wait::None;
    setStatus(PreparingCommand);
    startDownloading();
}

void TCPSocket::beginMemoryWait()
{
    const QString text = QCodeClass::code2Text(JobStatus::WaitingForMemory).value_or(QString());
    updateTVCLastResponse(text);
    if (const std::shared_ptr<Queue> j = job()) j->setCommentTextField(text);
    waiting_ = Wait::Memory;
    waitTimer_->start(5000);
}

void TCPSocket::memoryWaitTick()
{
    if (shouldFinish_) {
        endWaits();
        shouldFinishMethod();
        return;
    }
    if (manager_->checkIfDiskBufferIsFull()) {
        waitTimer_->start(5000);
        return;
    }
    waiting_ = Wait::None;
    // A job paused or cancelled during the wait stays as the user left it.
    if (const std::shared_ptr<Queue> j = job()) {
        if (!j->isPaused() && !j->shouldPause() && !j->isCancelled()) j->setStatus(JobStatus::Downloading);
    }
    setStatus(PreparingCommand);
    startDownloading();
}

// ---------------------------------------------------------------------------
// Reading

void TCPSocket::onReadyRead()
{
    // Each pass is one read of at most the manager's chunk size; passes go on
    // while the socket holds bytes, unless a pause or a wait begins.
    while (!isDone_ && session_.socket() && !readPaused_ && waiting_ == Wait::None &&
           session_.socket()->bytesAvailable() > 0) {
        streamHasDataAvailable();
        if (isDone_) return;
        performThrottling();
    }
}

void TCPSocket::streamHasDataAvailable()
{
    QByteArray line;
    {
        QMutexLocker locker(&bufferLock_);
        if (timeoutCounter_ >= 2 && !isUploadSegment()) updateTVCLastResponse(QStringLiteral("Downloading"));
        timeoutCounter_ = 0;

        const qint64 n = qint64(std::max<quint64>(1, manager_->getBufferSize()));
        const qsizetype old = dataBuffer_.size();
        // Straight into the receive buffer: the bytes are copied once, from
        // the socket, however long the body grows.
        dataBuffer_.resize(old + n);
        const qint64 got = session_.socket()->read(dataBuffer_.data() + old, n);
        dataBuffer_.resize(old + std::max<qint64>(0, got));
        if (got > 0) {
            if (segment_) segment_->addDownloadedBytes(double(got));
            rateBytes_ += got;
            manager_->updateBandwidthUsedInLastSecond(double(got));
        }

        // One status line per read.
        if (dataMode_ == 1) {
            bool tooLong = false;
            line = takeStatusLine(tooLong);
            if (tooLong) {
                locker.unlock();
                const QString text =
                    sformat(u"No line end in the server's reply (%ld bytes)", long(kMaxStatusLine));
                BLOG(2, "%ld - %@ on %@", connectionID(), text, nntpServer_->alias());
                updateTVCLastResponse(text);
                noteFailure(text);
                restartThread(QStringLiteral("status line too long"),
                              greeted_ ? Release::Failed : Release::Unfinished);
                return;
            }
        }
    }
    if (!line.isNull()) {
        processCode(line);
        if (isDone_) return;
    }
    if (dataMode_ == 2 && maxBody_ > 0 && dataBuffer_.size() > maxBody_) {
        giveUpOversizedBody();
        return;
    }
    if (dataMode_ == 2 && takeCompletedBlock()) {
        shouldFinishMethod();
        return;
    }
    if (dataMode_ == 2 && segment_) {
        const std::shared_ptr<Queue> part = segment_->filepart();
        const std::shared_ptr<Queue> j = job();
        if ((part && part->isCancelled()) || (j && j->isCancelled())) {
            // The rest of this body is still on its way; a fresh connection
            // cannot take it for the body of the next article.
            restartThread(QStringLiteral("Job has been cancelled"), Release::Unfinished);
        }
    }
}

bool TCPSocket::takeCompletedBlock()
{
    QByteArray block;
    {
        QMutexLocker locker(&bufferLock_);
        qsizetype end = -1;
        if (dataBuffer_.startsWith(".\r\n")) {
            end = 3; // an empty block: its terminating line comes first
        } else {
            // Only the bytes new since the last look, and the four before
            // them that a split terminator may have begun in.
            const qsizetype at = findTerminator(dataBuffer_, std::max<qsizetype>(0, scanFrom_ - 4));
            if (at >= 0) end = at + 5;
        }
        if (end < 0) {
            scanFrom_ = dataBuffer_.size();
            return false;
        }
        if (end == dataBuffer_.size()) {
            block = std::move(dataBuffer_);
            dataBuffer_ = QByteArray();
            // Room reserved for a larger body than came stays with the body
            // until it is decoded: give it back now.
            if (block.capacity() - block.size() > std::max<qsizetype>(64 * 1024, block.size() / 4))
                block.squeeze();
        } else {
            block = dataBuffer_.left(end);
            dataBuffer_.remove(0, end);
        }
        scanFrom_ = 0;
        dataMode_ = 1;
    }
    if (segment_) {
        segment_->setFiledata(block);
        segmentDone_ = true;
    }
    return true;
}

void TCPSocket::enterBodyMode()
{
    QMutexLocker locker(&bufferLock_);
    dataMode_ = 2;
    scanFrom_ = 0;
    maxBody_ = 0;
    // Only an article's body is bounded; a newsgroup list is as long as the
    // server's list of groups.
    const std::shared_ptr<Queue> j = job();
    if (segment_ && !(j && (j->isNewsgroupsRequest() || j->isUploadObject()))) {
        maxBody_ = maxBodyBytes(segment_->bytes());
        const qsizetype expected = qsizetype(std::min<double>(segment_->bytes() * 1.05 + 4096, double(maxBody_)));
        if (expected > dataBuffer_.capacity()) dataBuffer_.reserve(expected);
    }
}

void TCPSocket::giveUpOversizedBody()
{
    const qint64 received = dataBuffer_.size();
    const QString text = sformat(u"Body of %@ longer than its article (%ld bytes, %ld in the NZB)",
                                 segment_->mid(), long(received), long(segment_->bytes()));
    BLOG(3, "%ld - %@ on %@; it is given up there.", connectionID(), text, nntpServer_->alias());
    updateTVCLastResponse(text);
    // The server answered; it is the article that is wrong. The rest of the
    // body is still on its way, so the connection starts afresh.
    worked_ = true;
    restartThread(QStringLiteral("body longer than its article"), Release::GivenUp);
}

void TCPSocket::performThrottling()
{
    if (!session_.socket()) return;
    const std::optional<QDateTime> until = manager_->measureBandwidthUsage();
    if (!until) return;
    const qint64 ms = QDateTime::currentDateTimeUtc().msecsTo(*until);
    if (ms <= 0) return;
    // No sleep: reading stops, and a timer of this thread resumes it. TCP
    // holds the server back meanwhile.
    readPaused_ = true;
    resumeTimer_->start(int(std::min<qint64>(ms, 3600 * 1000)));
}

void TCPSocket::onEndEncountered()
{
    if (isDone_ || endHandled_) return;
    endHandled_ = true;
    // What arrived before the close is read first: it may complete the
    // article in hand.
    onReadyRead();
    if (isDone_) return;
    BLOG(2, "%ld - NSStreamEventEndEncountered", connectionID());
    noteFailure(QStringLiteral("The server closed the connection"));
    if (!segment_) {
        shouldFinish_ = true;
        shouldFinishMethod();
    } else {
        restartThread(QStringLiteral("restart after NSStreamEventEndEncountered."));
    }
}

void TCPSocket::streamFailed(const QString& text)
{
    BLOG(3, "%ld (%ld sec) - StreamError %@", connectionID(), long(timeoutCounter_), text);
    updateTVCLastResponse(sformat(u"StreamError %@", text));
    noteFailure(sformat(u"StreamError %@", text));
    // A connection lost in the middle of an article is that article's
    // failure here too.
    releaseArticle(QStringLiteral("Stream error"), Release::Failed);
    // A fresh connection follows, after a wait when this one did nothing.
    shouldFinish_ = true;
    shouldRestart_ = true;
    shouldFinishMethod();
}

// ---------------------------------------------------------------------------
// Writing

void TCPSocket::talkToServer(const QByteArray& command)
{
    if (command.isNull()) return;
    queueOutput(command + "\r\n");
}

void TCPSocket::queueOutput(const QByteArray& bytes)
{
    {
        QMutexLocker locker(&bufferLock_);
        outputStack_.append(bytes);
    }
    sendToServer();
}

void TCPSocket::sendToServer()
{
    if (!session_.socket() || isDone_) return;
    QMutexLocker locker(&bufferLock_);
    if (session_.socket()->bytesToWrite() >= kMaxQueuedBytes) {
        setStatus(WaitingForRoom);
        BLOG(2, "%ld - Outputstream is waiting for socket space (%ld)", connectionID(),
             long(timeoutCounter_));
        return;
    }
    setStatus(WaitingForReply);
    while (outputSent_ < outputStack_.size() && session_.socket()->bytesToWrite() < kMaxQueuedBytes) {
        const qint64 chunk = std::min<qint64>(kWriteChunk, outputStack_.size() - outputSent_);
        const qint64 written = session_.socket()->write(outputStack_.constData() + outputSent_, chunk);
        if (written <= 0) break;
        outputSent_ += written;
        manager_->updateBandwidthUsedInLastSecond(double(written));
    }
    if (outputSent_ >= outputStack_.size()) {
        outputStack_.clear();
        outputSent_ = 0;
    }
}

void TCPSocket::onBytesWritten()
{
    bool pending = false;
    {
        QMutexLocker locker(&bufferLock_);
        pending = outputSent_ < outputStack_.size();
    }
    if (pending) sendToServer();
}

// ---------------------------------------------------------------------------
// The one-second timer

bool TCPSocket::checkMinimumRate()
{
    const qint64 status = status_.load();
    const bool receiving = status == WaitingForReply || status == ReceivingBody || (status == Ready && dataMode_ == 2);
    if (!segment_ || segmentDone_ || !receiving || isUploadSegment()) {
        rateTicks_ = 0;
        rateBytes_ = 0;
        return false;
    }
    if (++rateTicks_ < timeout_) return false;
    const qint64 ticks = std::exchange(rateTicks_, 0);
    const qint64 bytes = std::exchange(rateBytes_, 0);
    // Silence is the silence time-out's to handle; under a download cap a
    // connection may be as slow as the cap makes it.
    if (bytes == 0 || bytes >= kMinBytesPerSecond * ticks ||
        UserDefaults::standard().boolForKey(QStringLiteral("throttleBandwidth")))
        return false;
    const QString text = sformat(u"Too slow: %ld bytes in %ld sec", long(bytes), long(ticks));
    BLOG(2, "%ld - %@ for %@ on %@", connectionID(), text, segment_->mid(), nntpServer_->alias());
    updateTVCLastResponse(text);
    noteFailure(text);
    restartThread(QStringLiteral("too slow"));
    return true;
}

void TCPSocket::oneSecondTimerSelector()
{
    // A pause or a wait is not silence of the server.
    if (readPaused_ || waiting_ != Wait::None) return;
    if (checkMinimumRate()) return;
    if (!countSilence()) return;
    timeout_ = readTimeout();
    const qint64 n = timeoutCounter_;
    const qint64 id = connectionID();
    const auto silent = [&](const char* logFormat, const char* rowFormat, qint64 from) {
        if (n < from) return;
        BLOG(2, QString::fromLatin1(logFormat), id, long(n));
        const QString text = sformat(QString::fromLatin1(rowFormat), long(n));
        updateTVCLastResponse(text);
        noteFailure(text);
    };

    switch (status_.load()) {
    case Connecting:
        silent("%ld - Timeout while waiting for connection (%ld)", "Waiting for connection (%ld sec)", 0);
        if (n >= timeout_) restartThread(QStringLiteral("waiting for connection"), Release::Unfinished);
        break;
    case SendingLogin:
        silent("%ld - Timeout while waiting for authentication (%ld)",
               "Waiting for server response (%ld sec)", 3);
        if (n >= timeout_) restartThread(QStringLiteral("waiting for authentication"), Release::Unfinished);
        break;
    case PreparingCommand:
        silent("%ld - Timeout while waiting for body (%ld)", "No response from server (%ld sec)", 10);
        if (n >= timeout_) restartThread(sformat(u"Waiting for body (%ld sec)", long(n)));
        break;
    case WaitingForReply:
        silent("%ld - Waiting for server response after talking to server (%ld)",
               "Waiting for server response (%ld sec)", 5);
        if (n >= timeout_)
            restartThread(sformat(u"no response from server after talking to server (%ld sec)", long(n)));
        break;
    case WaitingForRoom:
        silent("%ld - Timeout while waiting for sendspace (%ld)", "Waiting for server response (%ld sec)", 5);
        if (n >= timeout_) restartThread(sformat(u"no room to send to server (%ld sec)", long(n)));
        break;
    case Idle: {
        showIdleRow();
        const bool backup = nntpServer_->isbackupServerOnly();
        if (backup && !manager_->onlyBackupServersConfigured()) {
            const qint64 idleTimeout =
                UserDefaults::standard().integerForKey(QStringLiteral("tcpBackupIdleTimeout"));
            if (n >= idleTimeout) shouldFinish_ = true;
        }
        break;
    }
    case Ready:
        // Ready with an article in hand or a block coming means a command is
        // outstanding (a block after 215/220/221/224, a reply that gave no
        // next step): it times out like a body.
        // So is Ready before the first hand-out (a greeting or a login reply
        // that led nowhere).
        if (dataMode_ != 2 && !segment_ && handedOut_) break;
        [[fallthrough]];
    case ReceivingBody:
        silent("%ld - Timeout while downloading body (%ld)", "No response from server (%ld sec)", 5);
        if (n >= timeout_) restartThread(sformat(u"no response from server (%ld sec)", long(n)));
        break;
    default:
        break;
    }
}

// ---------------------------------------------------------------------------
// Protocol

void TCPSocket::processCode(const QByteArray& line)
{
    const NNTPReply reply = getResponseCode(line);
    if (!greeted_) {
        if (reply.code != 200 && reply.code != 201) {
            refuseGreeting(reply);
            return;
        }
        greeted_ = true;
    }
    if (answerGreetingOrLogin(reply)) return;
    processServerRespondeCode(reply);
}

void TCPSocket::refuseGreeting(const NNTPReply& reply)
{
    // A server that is busy, shutting down, refusing us or not a news
    // server at all: a fresh connection follows, after a wait that grows
    // while the server keeps answering so.
    setStatus(Ready);
    warn(reply, 2);
    errorRow(reply);
    noteFailure(sformat(u"Error: [%ld] %@", long(reply.code), reply.text));
    restartThread(QStringLiteral("greeting refused"), Release::Unfinished);
}

void TCPSocket::warn(const NNTPReply& reply, int level)
{
    BLOG(level, "%ld - %@ (%ld) :: %@.", connectionID(), reply.text, long(reply.code), nntpServer_->alias());
}

void TCPSocket::errorRow(const NNTPReply& reply)
{
    updateTVCLastResponse(sformat(u"Error: [%ld] %@", long(reply.code), reply.text));
}

void TCPSocket::processServerRespondeCode(const NNTPReply& reply)
{
    switch (reply.code) {
    case 211:
        setStatus(Ready);
        return;
    case 215:
    case 220:
    case 221:
    case 224:
        setStatus(Ready);
        enterBodyMode();
        return;
    case 222:
        setStatus(ReceivingBody);
        enterBodyMode();
        return;
    case 240:
        setStatus(Ready);
        if (segment_) segmentDone_ = true;
        getArticle();
        return;
    case 340:
        setStatus(WaitingForReply);
        buildAndSendArticle();
        return;
    case 400:
    case 503:
        setStatus(Ready);
        warn(reply);
        if (!segment_)
            shouldFinish_ = true;
        else
            restartThread(QStringLiteral("Restart after timeout."));
        return;
    case 411:
        warn(reply);
        getArticle();
        return;
    case 412:
        warn(reply);
        errorRow(reply);
        shouldFinishMethod();
        return;
    case 423:
    case 430:
        setStatus(Ready);
        updateTVCLastResponse(QStringLiteral("Error: Article does not exists"));
        if (segment_) {
            segment_->setStatus(ArticleStatus::Missing);
            segmentDone_ = true;
        }
        shouldFinishMethod();
        return;
    case 435:
    case 437:
        setStatus(Ready);
        warn(reply);
        errorRow(reply);
        getArticle();
        return;
    case 436:
        setStatus(Ready);
        warn(reply);
        errorRow(reply);
        restartThread(QStringLiteral("transfer failed."));
        return;
    case 440:
        setStatus(Ready);
        warn(reply);
        errorRow(reply);
        terminateThreadWhenPostingDenied();
        return;
    case 441:
        setStatus(Ready);
        warn(reply);
        errorRow(reply);
        postErrorOnRefusal(reply);
        getArticle();
        return;
    case 480:
        if (session_.endpoint().requiresLogin && !resentAfterLogin_ && !reloginPending_) {
            reloginPending_ = true;
            login();
            return;
        }
        // No login data, a login refused with 480 itself, or the command
        // refused again right after a login that the server accepted.
        setStatus(Ready);
        warn(reply, 2);
        errorRow(reply);
        terminateThreadWhenNotAuthenticated();
        return;
    case 481:
    case 482:
    case 502: {
        setStatus(Ready);
        warn(reply);
        errorRow(reply);
        static const char* const kRefusals[] = {"invalid", "failed", "incorrect", "download limit",
                                                "rejected"};
        for (const char* word : kRefusals) {
            if (reply.text.contains(QLatin1String(word), Qt::CaseInsensitive)) {
                terminateThreadWhenAuthFailed();
                return;
            }
        }
        // Busy (too many connections): a fresh connection in 5 seconds.
        noteFailure(sformat(u"Error: [%ld] %@", long(reply.code), reply.text));
        waiting_ = Wait::Busy;
        waitTimer_->start(5000);
        return;
    }
    case 501:
        setStatus(Ready);
        warn(reply);
        errorRow(reply);
        if (reply.text.contains(QLatin1String("password"), Qt::CaseInsensitive))
            terminateThreadWhenAuthFailed();
        return;
    default:
        setStatus(Ready);
        BLOG(2, "%ld - Unknown response received. %@ (%ld)", connectionID(), reply.text, long(reply.code));
        errorRow(reply);
        return;
    }
}

void TCPSocket::loggedIn()
{
    BLOG(2, "%ld - Authentication OK. Is logged in to %@.", connectionID(), nntpServer_->alias());
    clearAuthFailed();
    if (reloginPending_ && segment_ && !articleCommand_.isEmpty()) {
        // Logged in again in the middle of the session: the command that
        // was refused is sent once more, not the article booked.
        reloginPending_ = false;
        resentAfterLogin_ = true;
        setStatus(PreparingCommand);
        sendArticleCommand(articleCommand_);
        return;
    }
    getArticle();
}

void TCPSocket::clearAuthFailed()
{
    if (const NNTPServerObjectPtr server = nntpServer_->mainNNTPServerObject()) server->setAuthFailed(false);
}

bool TCPSocket::prepareCommand()
{
    if (!isConnected()) {
        updateTVCLastResponse(QStringLiteral("Not connected"));
        BLOG(2, "%ld is NOT connected", connectionID());
        return false;
    }
    const std::shared_ptr<Queue> j = job();
    const std::shared_ptr<Queue> part = segment_->filepart();
    updateTVCTitle(j ? j->title() : QString());
    updateTVCFilename(sformat(u"%@ (%ld/%ld)", part ? part->filename() : QString(), long(segment_->segnr()),
                              long(part ? part->totalSegments() : 0)));
    return true;
}

void TCPSocket::sendArticleCommand(const QByteArray& command)
{
    articleCommand_ = command;
    rateTicks_ = 0;
    rateBytes_ = 0;
    talkToServer(command);
}

void TCPSocket::startDownloading()
{
    if (!prepareCommand()) return;
    updateTVCLastResponse(QStringLiteral("Downloading"));
    sendArticleCommand(QByteArrayLiteral("BODY ") + segment_->midBytes());
}

void TCPSocket::startUploading()
{
    if (!prepareCommand()) return;
    updateTVCLastResponse(QStringLiteral("Uploading"));
    sendArticleCommand(QByteArrayLiteral("POST"));
}

void TCPSocket::startDownloadingNewsgroupList()
{
    if (!prepareCommand()) return;
    updateTVCLastResponse(QStringLiteral("Downloading"));
    sendArticleCommand(QByteArrayLiteral("LIST"));
}

void TCPSocket::buildAndSendArticle()
{
    const std::shared_ptr<Queue> j = job();
    const QByteArray filedata = segment_ ? segment_->filedata() : QByteArray();
    if (!segment_ || !j || j->poster().isEmpty() || j->groups().isEmpty() || j->title().isEmpty() ||
        (j->textBody().isEmpty() && filedata.isEmpty())) {
        BLOG(4, "Body to post is empty");
        if (j) j->setStatus(UploadStatus::UploadError);
        restartThread(QStringLiteral("Body to post is empty."));
        return;
    }
    QByteArray article;
    if (!j->textBody().isEmpty()) {
        article = NNTPArticleBuilder::textArticle(
            {j->poster(), j->groups(), j->title(), j->references(), j->textBody()});
    } else {
        article = NNTPArticleBuilder::fileArticle(
            {segment_->mid(), j->poster(), j->groups(), j->references(), segment_->filename(), filedata});
    }
    queueOutput(article);
}

void TCPSocket::terminateThreadWhenNotAuthenticated()
{
    shouldFinish_ = true;
    const NNTPServerObjectPtr slot = nntpServer_;
    toManager([slot](ConnectionsControllerInterface* manager) { manager->authRequiredForNNTPServer(slot); });
    terminateThread();
}

void TCPSocket::terminateThreadWhenAuthFailed()
{
    shouldFinish_ = true;
    const NNTPServerObjectPtr slot = nntpServer_;
    toManager([slot](ConnectionsControllerInterface* manager) { manager->authFailedForNNTPServer(slot); });
    terminateThread();
}

void TCPSocket::terminateThreadWhenPostingDenied()
{
    shouldFinish_ = true;
    const NNTPServerObjectPtr slot = nntpServer_;
    const std::shared_ptr<Queue> j = job();
    toManager(
        [slot, j](ConnectionsControllerInterface* manager) { manager->postingDeniedForNNTPServer(slot, j); });
    releaseArticle(QStringLiteral("Posting denied by news server"));
    terminateThread();
}

void TCPSocket::postErrorOnRefusal(const NNTPReply& reply)
{
    const std::shared_ptr<Queue> j = job();
    if (segment_) {
        const std::shared_ptr<Queue> part = segment_->filepart();
        BLOG(2, "%ld is giving up article: %@ (%@)- Reason:Refused by the news server", connectionID(),
             segment_->mid(), part ? part->filename() : QString());
        segment_->setFiledata(QByteArray());
        segment_->setStatus(ArticleStatus::Cancelled);
        segment_.reset();
        segmentDone_ = false;
    }
    // The first refusal ends the job here and now: the hand-out gives out
    // none of its articles from this moment. The articles of it that other
    // connections have in hand and that are refused too find it ended and
    // add nothing: one message per job.
    if (!j || !(j->replaceStatus(UploadStatus::Uploading, UploadStatus::PostingDenied) ||
                j->replaceStatus(UploadStatus::Queued, UploadStatus::PostingDenied)))
        return;
    const QString from = j->poster();
    toManager([reply, from, j](ConnectionsControllerInterface* manager) {
        manager->postingRefused(reply.code, reply.text, from, j);
    });
}

// ---------------------------------------------------------------------------
// Rows

void TCPSocket::toManager(std::function<void(ConnectionsControllerInterface*)> call)
{
    ConnectionsControllerInterface* manager = manager_;
    if (!manager) return;
    auto run = [manager, call = std::move(call)] { call(manager); };
    // The program's manager is a QObject of the main thread: a call queued to
    // it goes with it. A manager that is no QObject (a test's) outlives its
    // connections.
    if (QObject* context = dynamic_cast<QObject*>(manager))
        Dispatch::onThreadOf(context, std::move(run));
    else
        Dispatch::onMain(std::move(run));
}

void TCPSocket::updateTVCLastResponse(const QString& text)
{
    const TVConnectionsObjectPtr row = nntpServer_ ? nntpServer_->uiConnectionObject() : nullptr;
    if (row) Dispatch::onMain([row, text] { row->setLastresponse(text); });
}

void TCPSocket::updateTVCTitle(const QString& text)
{
    const TVConnectionsObjectPtr row = nntpServer_ ? nntpServer_->uiConnectionObject() : nullptr;
    if (row) Dispatch::onMain([row, text] { row->setTitle(text); });
}

void TCPSocket::updateTVCFilename(const QString& text)
{
    const TVConnectionsObjectPtr row = nntpServer_ ? nntpServer_->uiConnectionObject() : nullptr;
    if (row) Dispatch::onMain([row, text] { row->setFilename(text); });
}

void TCPSocket::showIdleRow()
{
    // An idle connection works on no job and no file.
    updateTVCTitle(QString());
    updateTVCFilename(QString());
    updateTVCLastResponse(nntpServer_ && nntpServer_->isbackupServerOnly() ? QStringLiteral("Idle (backup server)")
                                                            : QStringLiteral("Idle"));
}
