#pragma once

#include "nntp/NNTPServerObject.h"
#include "nntp/NntpConversation.h"

#include <QByteArray>
#include <QPointer>
#include <QSslCertificate>
#include <QString>

#include <atomic>
#include <memory>

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
// connection (NntpConversation), but without article, hand-out, bandwidth
// accounting or restart; commands are sent as UTF-8. Held by shared pointer (create()); a
// started connection keeps itself alive until its thread has ended, so the
// caller may drop it at any time. disconnect() and reset() may be called
// from any thread.
class TCPSocketForTesting : public NntpConversation, public std::enable_shared_from_this<TCPSocketForTesting>
{
public:
    static TCPSocketForTestingPtr create() { return std::make_shared<TCPSocketForTesting>(Passkey()); }
    explicit TCPSocketForTesting(Passkey);
    ~TCPSocketForTesting() override;

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

    // The result so far: set by the last reply, and only the probe's
    // answer can set it.
    bool testResult() const { return testResult_.load(); }
    // The server's certificate when it failed verification (null
    // otherwise), and what was wrong with it; any thread.
    QSslCertificate untrustedCertificate() const;
    QString certificateProblem() const;

private:
    void openConnection() override;
    void threadEnded() override;
    void terminateThread() override;
    void restartThread(const QString& reason);
    void nextStep() override;
    bool isConnected() const override;
    void finishFromOutside(bool restart);

    void onReadyRead() override;
    void streamFailed(const QString& text) override;
    void onEndEncountered() override;
    void oneSecondTimerSelector() override;

    void talkToServer(const QByteArray& command) override;
    void processCode(const QByteArray& line);
    void processServerRespondeCode(int code, const QString& text);
    void loggedIn() override;
    void testDownload();
    void testPost();
    void finish(bool pass);

    void report(const QString& text) override { socketMessage(text); }
    void socketMessage(const QString& text);
    void clearAuthFailed() override;

    QPointer<ServerTestReceiver> receiver_;
    std::weak_ptr<NNTPServerObject> nntpServer_;
    bool isUploadMode_ = false;
    QString alias_;
    qint64 connectionID_ = 0;

    TCPSocketForTestingPtr self_; // from start() until the thread has ended
    std::atomic<bool> testResult_{false};

    // Only the connection's thread touches what follows.
    bool awaitingReply_ = false; // a command was sent and is not answered yet
    bool probeSent_ = false;
    bool loggedInAgain_ = false;
};
