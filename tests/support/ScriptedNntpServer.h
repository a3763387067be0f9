#pragma once

#include "support/NntpRule.h"
#include "support/NntpServerState.h"
#include "support/TestCertificates.h"

#include <QByteArray>
#include <QList>
#include <QMutex>
#include <QSslConfiguration>
#include <QString>

#include <memory>
#include <optional>
#include <vector>

class NntpListener;
class QThread;

// A news server on 127.0.0.1 for tests and benchmarks, plain or TLS. It
// serves BODY from articles held in memory (dot-stuffed on the wire), takes
// POST and records the article byte for byte, answers LIST and GROUP from a
// group table, checks AUTHINFO against accounts, and can be scripted per
// command and per connection (see NntpRule): other replies, replies split
// into separate writes, delays, silence, dropped connections. Every command
// it receives is recorded with the number of its connection (1 for the
// first accepted).
//
// The listening socket and every connection run in threads of their own, so
// the server answers while the test's thread blocks or spins its own event
// loop, and many connections are served in parallel at full speed.
//
// Configuration and records may be used from any thread, also while the
// server runs; start() and stop() belong to the thread that owns the server.
class ScriptedNntpServer
{
public:
    ScriptedNntpServer();
    ~ScriptedNntpServer();

    ScriptedNntpServer(const ScriptedNntpServer&) = delete;
    ScriptedNntpServer& operator=(const ScriptedNntpServer&) = delete;

    // --- configuration ---

    // The status line sent on connecting; "200 ScriptedNntpServer ready" by default.
    void setGreeting(int code, const QByteArray& text);
    // BODY, POST, LIST and GROUP answer 480 until the connection has logged in.
    void setRequireAuth(bool required);
    void addAccount(const QByteArray& user, const QByteArray& password);
    void addAccount(const NntpAccount& account);
    // When off, POST is answered "440 Posting not permitted".
    void setPostingAllowed(bool allowed);
    // When off, a posted article is recorded by its size only: for
    // benchmarks that post more than the memory should hold.
    void setKeepPostedBytes(bool keep);
    // At most `limit` connections at once (0: no limit); one more is sent the
    // given status line and closed.
    void setConnectionLimit(int limit, int code = 502, const QByteArray& text = "Too many connections");
    // `mid` with or without its angle brackets; `body` with CR LF or LF line
    // ends, not dot-stuffed. Replaces an article of the same id.
    void addArticle(const QByteArray& mid, const QByteArray& body);
    // Serves articles made on request instead of held (see
    // NntpServerState::setArticleSource): for benchmarks whose articles
    // should not all sit in memory.
    void setArticleSource(NntpServerState::ArticleSource source);
    void addGroup(const QByteArray& name, qint64 last, qint64 first, char flag = 'y');
    // Rules are tried in the order they were added; the first that matches
    // and has matches left decides.
    void addRule(const NntpRule& rule);
    void clearRules();

    // --- running ---

    // Listens on 127.0.0.1 (port 0: any free port).
    bool start(quint16 port = 0);
    bool startTls(const TestCertificates& certificates = TestCertificates::shared(), quint16 port = 0);
    // Stops listening and closes every connection at once. Also done on
    // destruction.
    void stop();
    bool isListening() const;
    quint16 port() const;
    bool isTls() const { return tls_.has_value(); }
    QString errorString() const;

    // --- records ---

    QList<NntpReceivedCommand> commands() const;
    // The command lines of one connection, or of all (0), in arrival order.
    QList<QByteArray> commandLines(int connection = 0) const;
    // BODY commands received for `mid` (as sent, angle brackets included).
    int bodyRequests(const QByteArray& mid) const;
    QList<NntpPostedArticle> postedArticles() const;
    int connectionsOpened() const;
    int activeConnections() const;
    // The most connections open at once, refused ones not counted.
    int peakConnections() const;
    int refusedConnections() const;
    // Connections that closed before their TLS handshake completed.
    int tlsHandshakeFailures() const;
    // Forgets commands, posts and BODY counts.
    void clearRecords();

private:
    bool listen(quint16 port);
    // Runs in the listening thread for every accepted connection.
    void serve(qintptr descriptor);

    std::shared_ptr<NntpServerState> state_;
    std::optional<QSslConfiguration> tls_;
    QThread* listenerThread_ = nullptr;
    NntpListener* listener_ = nullptr;
    quint16 port_ = 0;
    QString error_;

    mutable QMutex threadsLock_;
    std::vector<QThread*> threads_;
    bool stopping_ = false;
};
