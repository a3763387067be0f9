#pragma once

#include "nntp/NNTPServerObject.h"
#include "nntp/NntpSession.h"

#include <QByteArray>
#include <QPointer>
#include <QRecursiveMutex>
#include <QSslCertificate>
#include <QString>

#include <atomic>
#include <memory>

class QEventLoop;
class QObject;
class QThread;
class QTimer;
class ServerTestReceiver;
class TCPSocketForTesting;
using TCPSocketForTestingPtr = std::shared_ptr<TCPSocketForTesting>;

// A short-lived connection that checks one server entry while the user
// edits it. In download mode it logs in and sends "GROUP alt.binaries.test";
// in upload mode it connects to the upload endpoint, logs in and sends
// "POST" without ever sending an article. Every step is reported as a text,
// the end as a pass or a fail, to a ServerTestReceiver on the main thread.
//
// Only the answer to that probe can pass a test: a test that ends before it
// (the server closes, a stream error, a time-out, a stop) fails. Every
// command that waits for an answer times out after the setting
// "tcpSocketTimeout" (read at creation; below 5 means 20).
//
// It runs on a thread of its own with its own event loop, like a download
// connection, but without article, hand-out, bandwidth accounting or
// restart; commands are sent as UTF-8. Held by shared pointer (create()); a
// started connection keeps itself alive until its thread has ended, so the
// caller may drop it at any time. disconnect() and reset() may be called
// from any thread.
class TCPSocketForTesting : public std::enable_shared_from_this<TCPSocketForTesting>
{
    struct Passkey
    {
    };

public:
    // The statuses the test uses (`status`).
    enum Status : qint64 {
        Connecting = 0,
        SendingLogin = 10,
        Ready = 99,
        ReceivingBody = 222,
    };

    static TCPSocketForTestingPtr create();
    explicit TCPSocketForTesting(Passkey);
    ~TCPSocketForTesting();
    TCPSocketForTesting(const TCPSocketForTesting&) = delete;
    TCPSocketForTesting& operator=(const TCPSocketForTesting&) = delete;

    // Set before start(). The receiver and the entry are held weakly.
    void setServerTestWC(ServerTestReceiver* receiver);
    void setNntpServer(const NNTPServerObjectPtr& server) { nntpServer_ = server; }
    void setIsUploadMode(bool upload) { isUploadMode_ = upload; }
    bool isUploadMode() const { return isUploadMode_; }
    void start();

    // Ends the test at once; a test not yet decided fails.
    void disconnect();
    // The same, as a restart request (a test is never restarted).
    void reset();

    qint64 status() const { return status_.load(); }
    // The result so far: set by the last reply, and only the probe's
    // answer can set it.
    bool testResult() const { return testResult_.load(); }
    bool isFinished() const;
    // The server's certificate when it failed verification (null
    // otherwise), and what was wrong with it; any thread.
    QSslCertificate untrustedCertificate() const;
    QString certificateProblem() const;
    bool wait(int ms);

private:
    void main();
    void openConnection();
    void closeConnections();
    void terminateThread();
    void restartThread(const QString& reason);
    void shouldFinishMethod();
    bool isConnected() const;
    void setStatus(qint64 status);
    void finishFromOutside(bool restart);

    void onReadyRead();
    void onSocketError(int error);
    void onEndEncountered();
    void oneSecondTimerSelector();

    void talkToServer(const QByteArray& command);
    void processCode(const QByteArray& line);
    void processServerRespondeCode(int code, const QString& text);
    void login();
    void authUser();
    void authPass();
    void testDownload();
    void testPost();
    void finish(bool pass);

    void socketMessage(const QString& text);
    void clearAuthFailed();

    QPointer<ServerTestReceiver> receiver_;
    std::weak_ptr<NNTPServerObject> nntpServer_;
    bool isUploadMode_ = false;
    QString alias_;
    qint64 connectionID_ = 0;

    QThread* thread_ = nullptr;
    QObject* context_ = nullptr;  // lives in the connection's thread
    TCPSocketForTestingPtr self_; // from start() until the thread has ended

    std::atomic<qint64> status_{Connecting};
    std::atomic<bool> testResult_{false};
    std::atomic<bool> shouldRestart_{false};
    std::atomic<bool> shouldFinish_{false};
    std::atomic<bool> forcedFinish_{false};
    std::atomic<bool> isDone_{false};

    // Only the connection's thread touches what follows.
    QEventLoop* loop_ = nullptr;
    NntpSession session_;
    std::unique_ptr<QTimer> oneSecondTimer_;
    QRecursiveMutex bufferLock_;
    QByteArray dataBuffer_;
    int dataMode_ = 1; // 1 status lines, 2 a multi-line block
    qint64 timeoutCounter_ = 0;
    qint64 timeout_ = 20;
    bool awaitingReply_ = false; // a command was sent and is not answered yet
    bool probeSent_ = false;
    bool loggedInAgain_ = false;
    bool closed_ = false;
};
