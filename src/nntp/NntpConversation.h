#pragma once

#include "nntp/NntpSession.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QRecursiveMutex>
#include <QString>

#include <atomic>
#include <functional>
#include <memory>

class QEventLoop;
class QObject;
class QThread;
class QTimer;

// A status line as the connection reads it.
struct NNTPReply
{
    int code = -1; // the three digits, -1 when the line does not start with them
    QString text;  // what follows the code and its blank, without the line end
};

// What a download connection (TCPSocket) and the server test
// (TCPSocketForTesting) do alike when they talk to a news server: a thread of
// their own with its own event loop and a one-second timer that counts the
// server's silence, the session to one endpoint, the receive buffer and the
// status lines read from it, the greeting and the login. A subclass says
// what each step shows (report()) and how it goes on after a reply.
//
// The thread calls into the subclass, so the subclass ends it in its own
// destructor (stopThread()), before its members go. What the thread owns is
// touched only on the thread; the flags and the status are read from any.
class NntpConversation
{
public:
    // The statuses of a conversation (`status`); the server test passes
    // through Connecting, SendingLogin, Ready and ReceivingBody only.
    enum Status : qint64 {
        Connecting = 0,
        SendingLogin = 10,
        PreparingCommand = 11,
        WaitingForReply = 13,
        WaitingForRoom = 14,
        Idle = 20,
        Ready = 99,
        ReceivingBody = 222,
    };

    NntpConversation(const NntpConversation&) = delete;
    NntpConversation& operator=(const NntpConversation&) = delete;

    qint64 status() const { return status_.load(); }
    // Whether the thread has ended; wait() waits for that.
    bool isFinished() const;
    bool wait(int ms);

    // Status-line parsing: Latin-1, so any byte reads; the code is the first
    // three digits when a blank or the line end follows them.
    static NNTPReply getResponseCode(QByteArrayView line);
    // The setting "tcpSocketTimeout", 20 when below 5.
    static qint64 readTimeout();

protected:
    // Only create() of a subclass makes one: it is held by shared pointer.
    struct Passkey
    {
    };

    // A status line longer than this without its line end is not one.
    static constexpr qsizetype kMaxStatusLine = 64 * 1024;

    // `sendingLoginText` is what report() shows when the login goes out.
    NntpConversation(const QString& threadName, const QString& sendingLoginText);
    virtual ~NntpConversation();

    // --- thread ---
    void startThread();
    bool threadStarted() const;
    // Ends a running thread through terminateThread() on it and waits for
    // it; the subclass's destructor calls it.
    void stopThread();
    // Runs `call` on the conversation's thread unless the conversation has
    // ended by then; from any thread.
    void onOwnThread(std::function<void()> call);
    // On the thread, before the connection opens: timers of the subclass.
    virtual void prepareThread() {}
    virtual void openConnection() = 0;
    // On the thread, after the socket has gone: the subclass's last word.
    virtual void threadEnded() = 0;
    // Starts the silence timer and connects the session to `endpoint`.
    void openSession(const NNTPEndpoint& endpoint, const QString& trustID, qint64 readBufferSize = 0);
    // Stops the timer, drops the connection and ends the event loop; once.
    void closeConnections();
    // Within closeConnections(), before the connection drops.
    virtual void closing() {}
    virtual void terminateThread() = 0;
    // Ends the conversation when it is asked to or the connection has gone
    // (as a restart then), else goes on with the next step.
    void shouldFinishMethod();
    virtual bool isConnected() const = 0;
    virtual void nextStep() = 0;
    virtual void setStatus(qint64 status);

    // --- socket events ---
    virtual void onReadyRead() = 0;
    virtual void onBytesWritten() {}
    virtual void onEndEncountered() = 0;
    // A failure other than the server's close, with its text.
    virtual void streamFailed(const QString& text) = 0;
    virtual void oneSecondTimerSelector() = 0;
    // Counts one second of silence; true when the timer's time-outs are to
    // be looked at now (after two silent seconds, and while nothing asked
    // the conversation to end).
    bool countSilence();

    // --- status lines ---
    // The next status line in the receive buffer, with its line end; null
    // when none has come whole. `tooLong` is set when the buffer holds more
    // than a status line can be without one. The caller holds bufferLock_.
    QByteArray takeStatusLine(bool& tooLong);
    void clearReceived();

    // --- greeting and login ---
    virtual void talkToServer(const QByteArray& command) = 0;
    // The step the user is shown (the row, the test's window).
    virtual void report(const QString& text) = 0;
    virtual void clearAuthFailed() = 0;
    // The server accepted the login (281), after report() said so.
    virtual void loggedIn() = 0;
    // Answers the greeting (200, 201) and the login replies (281, 381);
    // false for any other reply.
    bool answerGreetingOrLogin(const NNTPReply& reply);
    // Sends the user name when the endpoint asks for a login, else goes on
    // as logged in.
    void login();

    std::atomic<qint64> status_{Connecting};
    std::atomic<bool> shouldRestart_{false};
    std::atomic<bool> shouldFinish_{false};
    std::atomic<bool> forcedFinish_{false};
    std::atomic<bool> isDone_{false};

    // Only the conversation's thread touches what follows.
    NntpSession session_;
    QRecursiveMutex bufferLock_; // guards dataBuffer_ and what a subclass adds to it
    QByteArray dataBuffer_;
    qsizetype scanFrom_ = 0; // where the search for the line end or terminator goes on
    int dataMode_ = 1;       // 1 status lines, 2 a multi-line block
    qint64 timeoutCounter_ = 0;
    qint64 timeout_ = 20;

private:
    void main();
    void onSocketError(int error);

    QThread* thread_ = nullptr;
    QObject* context_ = nullptr; // lives in the conversation's thread
    QEventLoop* loop_ = nullptr;
    std::unique_ptr<QTimer> oneSecondTimer_;
    QString sendingLoginText_;
    bool closed_ = false;
};
