#include "nntp/NntpConversation.h"

#include "platform/Dispatch.h"
#include "platform/UserDefaults.h"

#include <QEventLoop>
#include <QSslSocket>
#include <QThread>
#include <QTimer>

namespace {

bool isDigit(char c)
{
    return c >= '0' && c <= '9';
}

bool isBlank(char c)
{
    return c == ' ' || c == '\t';
}

} // namespace

NntpConversation::NntpConversation(const QString& threadName, const QString& sendingLoginText)
    : sendingLoginText_(sendingLoginText)
{
    context_ = new QObject;
    thread_ = QThread::create([this] { main(); });
    thread_->setObjectName(threadName);
    context_->moveToThread(thread_);
}

NntpConversation::~NntpConversation()
{
    // The subclass has ended the thread (stopThread()): it may not outlive
    // the members it calls into.
    Q_ASSERT(!thread_->isRunning());
    delete thread_;
    delete context_;
}

void NntpConversation::startThread()
{
    thread_->start();
}

bool NntpConversation::threadStarted() const
{
    return thread_->isRunning() || thread_->isFinished();
}

void NntpConversation::stopThread()
{
    if (!thread_->isRunning()) return;
    forcedFinish_ = true;
    shouldFinish_ = true;
    Dispatch::onThreadOf(context_, [this] {
        if (!isDone_) terminateThread();
    });
    thread_->wait();
}

bool NntpConversation::isFinished() const
{
    return thread_->isFinished();
}

bool NntpConversation::wait(int ms)
{
    return thread_->wait(QDeadlineTimer(ms));
}

void NntpConversation::onOwnThread(std::function<void()> call)
{
    Dispatch::onThreadOf(context_, [this, call = std::move(call)] {
        if (!isDone_) call();
    });
}

qint64 NntpConversation::readTimeout()
{
    const qint64 t = UserDefaults::standard().integerForKey(QStringLiteral("tcpSocketTimeout"));
    return t < 5 ? 20 : t;
}

NNTPReply NntpConversation::getResponseCode(QByteArrayView line)
{
    while (!line.isEmpty() && (line.back() == '\n' || line.back() == '\r'))
        line.chop(1);
    NNTPReply reply;
    if (line.size() >= 3 && isDigit(line[0]) && isDigit(line[1]) && isDigit(line[2]) &&
        (line.size() == 3 || isBlank(line[3]))) {
        reply.code = (line[0] - '0') * 100 + (line[1] - '0') * 10 + (line[2] - '0');
        if (line.size() > 3) reply.text = QString::fromLatin1(line.sliced(4));
    }
    return reply;
}

// ---------------------------------------------------------------------------
// Thread, connection, ending

void NntpConversation::main()
{
    QEventLoop loop;
    loop_ = &loop;
    timeout_ = readTimeout();
    oneSecondTimer_ = std::make_unique<QTimer>();
    QObject::connect(oneSecondTimer_.get(), &QTimer::timeout, [this] { oneSecondTimerSelector(); });
    prepareThread();

    openConnection();
    if (!isDone_) loop.exec();
    closeConnections();
    loop_ = nullptr;
    session_.discard();
    oneSecondTimer_.reset();
    threadEnded();
}

void NntpConversation::openSession(const NNTPEndpoint& endpoint, const QString& trustID,
                                   qint64 readBufferSize)
{
    oneSecondTimer_->start(1000);
    NntpSession::Events events;
    events.readyRead = [this] { onReadyRead(); };
    events.bytesWritten = [this] { onBytesWritten(); };
    events.socketError = [this](int error) { onSocketError(error); };
    events.disconnected = [this] { onEndEncountered(); };
    session_.open(endpoint, trustID, std::move(events), readBufferSize);
}

void NntpConversation::closeConnections()
{
    if (closed_) return;
    closed_ = true;
    closing();
    if (oneSecondTimer_) oneSecondTimer_->stop();
    isDone_ = true;
    session_.close();
    if (loop_) loop_->quit();
}

void NntpConversation::shouldFinishMethod()
{
    if (isDone_) return;
    if (!shouldFinish_ && !isConnected()) {
        shouldRestart_ = true;
        shouldFinish_ = true;
    }
    if (shouldFinish_) {
        terminateThread();
        return;
    }
    nextStep();
}

void NntpConversation::setStatus(qint64 status)
{
    status_ = status;
    timeoutCounter_ = 0;
}

// ---------------------------------------------------------------------------
// Socket events

void NntpConversation::onSocketError(int error)
{
    if (isDone_) return;
    // The server's close is the end of the conversation, not a failure of
    // the stream: what came before it is still read.
    if (QAbstractSocket::SocketError(error) == QAbstractSocket::RemoteHostClosedError) {
        onEndEncountered();
        return;
    }
    streamFailed(session_.streamErrorText(error));
}

bool NntpConversation::countSilence()
{
    const qint64 before = timeoutCounter_++;
    if (before < 2) return false;
    if (shouldFinish_ || forcedFinish_) {
        shouldFinishMethod();
        return false;
    }
    return true;
}

// ---------------------------------------------------------------------------
// Status lines

QByteArray NntpConversation::takeStatusLine(bool& tooLong)
{
    // One byte back: a line end may have been split between two reads.
    const qsizetype end = dataBuffer_.indexOf("\r\n", std::max<qsizetype>(0, scanFrom_ - 1));
    if (end >= 0) {
        QByteArray line = dataBuffer_.left(end + 2);
        dataBuffer_.remove(0, end + 2);
        scanFrom_ = 0;
        return line;
    }
    scanFrom_ = dataBuffer_.size();
    tooLong = dataBuffer_.size() > kMaxStatusLine;
    return QByteArray();
}

void NntpConversation::clearReceived()
{
    QMutexLocker locker(&bufferLock_);
    dataBuffer_.clear();
    scanFrom_ = 0;
}

// ---------------------------------------------------------------------------
// Greeting and login

bool NntpConversation::answerGreetingOrLogin(const NNTPReply& reply)
{
    switch (reply.code) {
    case 200:
    case 201:
        setStatus(Ready);
        report(QStringLiteral("Connected"));
        login();
        return true;
    case 281:
        setStatus(Ready);
        report(QStringLiteral("Auth ok (is logged in)"));
        loggedIn();
        return true;
    case 381:
        setStatus(SendingLogin);
        talkToServer(session_.authPassCommand());
        return true;
    default:
        return false;
    }
}

void NntpConversation::login()
{
    // The login flag of the endpoint in use: the upload endpoint has its
    // own.
    if (session_.endpoint().requiresLogin) {
        setStatus(SendingLogin);
        report(sendingLoginText_);
        talkToServer(session_.authUserCommand());
    } else {
        setStatus(Ready);
        report(QStringLiteral("Auth ok (is possibly logged in)"));
        clearAuthFailed();
        shouldFinishMethod();
    }
}
