#pragma once

#include "nntp/NNTPServerObject.h"
#include "nntp/NntpConversation.h"
#include "queue/Segment.h"

#include <QByteArray>
#include <QString>

#include <atomic>
#include <functional>
#include <memory>

class ConnectionsControllerInterface;
class QTimer;
class Queue;
class TCPSocket;
using TCPSocketPtr = std::shared_ptr<TCPSocket>;

// One connection to one news server: a thread of its own with its own event
// loop, a socket (plain TCP or TLS) to the download or upload endpoint of a
// connection slot, a one-second timer that measures silence and drives the
// time-outs, a receive buffer (all of these, the greeting and the login as
// NntpConversation has them for the server test too) and an output buffer. The connection manager
// (ConnectionsControllerInterface) creates it for a free slot, starts it and
// later resets or disconnects it; the connection asks the manager for its
// next article through the hand-out handshake, sends the command (BODY, POST
// or LIST), collects the reply and hands the article back.
//
// Everything the connection does happens on its own thread: calls from other
// threads (newContentAvailable, disconnect, reset) are posted there, so an
// idle connection takes one article at a time and an article is only ever
// given back by the thread that uses it. Nothing on that thread sleeps: the
// memory-limiter wait, the wait while the decoding of downloaded bodies is
// behind, the bandwidth pause and the wait after a busy server are timers of
// the thread, and a disconnect ends each of them at once.
// The row of the slot (TVConnectionsObject) is updated on the main thread;
// the connection never waits for the main thread.
//
// Held by shared pointer (create()); the destructor ends a running thread
// and waits for it, so the last owner must not be the connection's thread.
class TCPSocket : public NntpConversation, public std::enable_shared_from_this<TCPSocket>
{
public:
    // Attempts of one article on one server before it counts as missing
    // there (status 430), so that a reply that never brings a body, or a
    // server that drops the connection on one article, cannot loop forever.
    // Counted per server: the next server starts afresh.
    static constexpr int kMaxFetchFailures = 3;
    // A body may be this much longer than twice its size in the NZB before
    // it is given up as not the article asked for; and never longer than
    // kMaxBodyBytes, whatever the NZB says.
    static constexpr qint64 kBodySlackBytes = 1024 * 1024;
    static constexpr qint64 kMaxBodyBytes = 2 * qint64(Segment::kMaxClaimedBytes) + kBodySlackBytes;
    // A body that arrives more slowly than this over a whole time-out
    // ("tcpSocketTimeout") is given up: no working server is that slow, and
    // one that never falls silent would otherwise hold the connection for
    // good.
    static constexpr qint64 kMinBytesPerSecond = 1024;
    // Bytes handed to the socket before the connection waits for them to go
    // out; each write is at most kWriteChunk bytes.
    static constexpr qint64 kMaxQueuedBytes = 64 * 1024;
    static constexpr qint64 kWriteChunk = 8192;

    static TCPSocketPtr create() { return std::make_shared<TCPSocket>(Passkey()); }
    explicit TCPSocket(Passkey);
    ~TCPSocket() override;

    // Set before start().
    void setConnectionsController(ConnectionsControllerInterface* controller) { manager_ = controller; }
    void setNntpServer(const NNTPServerObjectPtr& slot) { nntpServer_ = slot; }
    void setDedicateUploadServer(bool upload) { dedicateUploadServer_ = upload; }
    // Starts the thread, which opens the connection.
    void start();

    // Work may be waiting: an idle connection asks for its next article.
    // From any thread.
    void newContentAvailable();
    // Ends the connection without a restart: at once when it is idle or
    // waiting, else at its next step. The article in hand is given back.
    void disconnect();
    // Gives the article back and ends the connection, which the manager then
    // replaces by a fresh one.
    void reset();

    bool isStarted() const { return isStarted_.load(); }
    NNTPServerObjectPtr nntpServer() const { return nntpServer_; }
    bool dedicateUploadServer() const { return dedicateUploadServer_; }
    qint64 connectionID() const;
    // wait() is not for the main thread while the connection works: the
    // end is short, the work is not.

    // The text of a socket failure (a QAbstractSocket::SocketError) for the
    // row and the log: "(61): ..." for a refused connection, "(2): ..." for an
    // unknown host, the certificate problem of a failed TLS handshake.
    static QString streamErrorText(int socketError, const QString& errorString, const QString& sslErrorText);
    // The longest body accepted for an article of `nzbBytes` bytes (0:
    // unknown).
    static qint64 maxBodyBytes(double nzbBytes);

    // Why the connection failed before it did any work (delivered an
    // article, or found nothing to do): the text its row showed. Empty when
    // it worked, or when it was ended from outside. Read by the manager once
    // the connection has ended.
    QString connectionFailure() const;

private:
    enum class Wait { None, Memory, Decode, Busy };
    // How an article goes back when the connection lets go of it.
    enum class Release {
        Unfinished, // not the article's fault (a reset, the end of the program)
        Failed,     // the server failed it this time
        GivenUp,    // it can never come from this server
    };
    // How often a connection held back for the decoding looks again: the
    // pool drains in milliseconds.
    static constexpr int kDecodeWaitMs = 2;

    // --- thread ---
    void prepareThread() override;
    void openConnection() override;
    void threadEnded() override;
    void closing() override;
    void terminateThread() override;
    void restartThread(const QString& reason, Release release = Release::Failed);
    void releaseArticle(const QString& reason, Release release = Release::Unfinished);
    // What failed, for the manager's retries; the row shows it too.
    void noteFailure(const QString& text);
    // The server's first line is not a greeting that lets us in.
    void refuseGreeting(const NNTPReply& reply);
    // The body in hand grew past what its article can be.
    void giveUpOversizedBody();
    // Gives up a body that arrives too slowly; true when it did.
    bool checkMinimumRate();
    void nextStep() override;
    void getArticle();
    bool isConnected() const override;
    void setStatus(qint64 status) override;

    // --- socket events ---
    void onReadyRead() override;
    void streamHasDataAvailable();
    bool takeCompletedBlock();
    void onBytesWritten() override;
    void streamFailed(const QString& text) override;
    void onEndEncountered() override;
    void performThrottling();
    void oneSecondTimerSelector() override;
    void endWaits();

    // --- writing ---
    void talkToServer(const QByteArray& command) override;
    void queueOutput(const QByteArray& bytes);
    void sendToServer();

    // --- protocol ---
    void processCode(const QByteArray& line);
    void processServerRespondeCode(const NNTPReply& reply);
    void loggedIn() override;
    bool prepareCommand();
    void sendArticleCommand(const QByteArray& command);
    void startDownloading();
    void startUploading();
    void startDownloadingNewsgroupList();
    void buildAndSendArticle();
    void beginMemoryWait();
    void memoryWaitTick();
    void decodeWaitTick();
    void enterBodyMode();
    void terminateThreadWhenNotAuthenticated();
    void terminateThreadWhenAuthFailed();
    // Runs `call` with the manager later on the manager's thread (the main
    // thread); dropped when the manager is gone by then, as it is when the
    // engine is taken down while a connection still reports a refusal.
    void toManager(std::function<void(ConnectionsControllerInterface*)> call);
    void terminateThreadWhenPostingDenied();
    // The server read the article and refused it (441): the job ends
    // failed and the manager tells the user, with the server's reply; the
    // article is neither booked nor queued again, a second try would meet
    // the same answer.
    void postErrorOnRefusal(const NNTPReply& reply);
    void warn(const NNTPReply& reply, int level = 4);
    void errorRow(const NNTPReply& reply);

    // --- rows and the main thread ---
    void report(const QString& text) override { updateTVCLastResponse(text); }
    void updateTVCLastResponse(const QString& text);
    void updateTVCTitle(const QString& text);
    void updateTVCFilename(const QString& text);
    // The row of a connection the hand-out has nothing for.
    void showIdleRow();
    void clearAuthFailed() override;
    std::shared_ptr<Queue> job() const;
    bool isUploadSegment() const;

    ConnectionsControllerInterface* manager_ = nullptr;
    NNTPServerObjectPtr nntpServer_;
    bool dedicateUploadServer_ = false;

    std::atomic<bool> isStarted_{false};

    // Only the connection's thread touches what follows.
    std::unique_ptr<QTimer> waitTimer_;   // memory limiter, decoding behind, busy server
    std::unique_ptr<QTimer> resumeTimer_; // bandwidth pause
    QByteArray outputStack_;              // under bufferLock_
    qsizetype outputSent_ = 0;
    SegmentPtr segment_;
    bool segmentDone_ = false; // the article in hand got its answer (body, 430, posted)
    QByteArray articleCommand_;
    bool resentAfterLogin_ = false;
    bool reloginPending_ = false;
    int serverToken_ = Segment::kNoServer; // the endpoint's ServerIDRegistry number
    qint64 maxBody_ = 0;                   // of the body coming; 0: no bound
    qint64 rateTicks_ = 0;                 // seconds of the article command so far, in this window
    qint64 rateBytes_ = 0;                 // bytes received in this window
    bool greeted_ = false;
    std::atomic<bool> worked_{false};
    QString failure_;
    bool readPaused_ = false;
    Wait waiting_ = Wait::None;
    bool handedOut_ = false; // the article loop has begun
    bool endHandled_ = false;
};
