#pragma once

#include "support/NntpRule.h"

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QMutex>

#include <functional>
#include <optional>

// A login the scripted server accepts.
struct NntpAccount
{
    QByteArray user;
    QByteArray password;
    // Logged-in connections the account may hold at once; beyond that the
    // password is answered "481 Too many connections". 0: no limit.
    int maxConnections = 0;
    // When set, a correct password is answered with this status line instead
    // of 281 (for example "502 Download limit reached").
    std::optional<QByteArray> refusal;
};

struct NntpReceivedCommand
{
    int connection = 0;
    QByteArray line; // as received, without the line end
};

struct NntpPostedArticle
{
    int connection = 0;
    QByteArray bytes; // exactly as received after the 340 reply, terminating ".\r\n" included
    qint64 size = 0;  // of `bytes`, also when they were not kept
};

// Everything the connections of one scripted server share: the articles,
// groups, accounts and rules, and the record of what the clients did. Every
// operation takes the one lock, so connection threads and the test may call
// it at any time.
class NntpServerState
{
public:
    // --- configuration ---
    void setGreeting(const QByteArray& line);
    QByteArray greeting() const;
    void setRequireAuth(bool value);
    bool requireAuth() const;
    void setPostingAllowed(bool value);
    bool postingAllowed() const;
    void setKeepPostedBytes(bool value);
    void addAccount(const NntpAccount& account);
    void setConnectionLimit(int limit, const QByteArray& refusalLine);
    void addArticle(const QByteArray& mid, const QByteArray& body);
    // Answers BODY for message-ids not added with addArticle: the block as
    // sent (dot-stuffed, ending in ".\r\n"), or none for "430". Called on
    // the connections' threads, outside the lock.
    using ArticleSource = std::function<std::optional<QByteArray>(const QByteArray& mid)>;
    void setArticleSource(ArticleSource source);
    void addGroup(const QByteArray& name, qint64 last, qint64 first, char flag);
    void addRule(const NntpRule& rule);
    void clearRules();

    // --- used by the connections ---

    // Numbers a new connection. Returns the refusal line when it is over the
    // connection limit (it is then not counted as active).
    std::optional<QByteArray> connectionOpened(int* number);
    void connectionClosed(bool counted);
    void tlsHandshakeFailed();

    // The first rule that matches and still has matches left, which it uses up.
    std::optional<NntpRule> takeRule(const QByteArray& command, const QByteArray& argument, int connection);

    void recordCommand(int connection, const QByteArray& line);
    void recordPost(int connection, const QByteArray& bytes);

    // The whole reply to BODY <mid> (status line, block, terminator), or
    // none; counts the request either way.
    std::optional<QByteArray> bodyReply(const QByteArray& mid);
    QByteArray listReply() const;
    std::optional<QByteArray> groupReply(const QByteArray& name) const;

    // The reply to AUTHINFO PASS. An accepted login is counted against the
    // account's limit until releaseLogin().
    QByteArray login(const QByteArray& user, const QByteArray& password, bool* accepted);
    void releaseLogin(const QByteArray& user);

    // --- records ---
    QList<NntpReceivedCommand> commands() const;
    QList<NntpPostedArticle> postedArticles() const;
    int bodyRequests(const QByteArray& mid) const;
    int connectionsOpened() const;
    int activeConnections() const;
    int peakConnections() const;
    int refusedConnections() const;
    int tlsHandshakeFailures() const;
    void clearRecords();

    static QByteArray normalizedMid(const QByteArray& mid);

private:
    struct Group
    {
        QByteArray name;
        qint64 last = 0;
        qint64 first = 0;
        char flag = 'y';
    };

    mutable QMutex lock_;
    QByteArray greeting_ = "200 ScriptedNntpServer ready\r\n";
    bool requireAuth_ = false;
    bool postingAllowed_ = true;
    bool keepPostedBytes_ = true;
    int connectionLimit_ = 0;
    QByteArray limitRefusal_;
    QList<NntpAccount> accounts_;
    QHash<QByteArray, int> loggedIn_;
    QHash<QByteArray, QByteArray> bodyReplies_;
    ArticleSource articleSource_;
    QList<Group> groups_;
    mutable QByteArray listReply_; // built on demand, cleared by addGroup()
    QList<NntpRule> rules_;

    QList<NntpReceivedCommand> commands_;
    QList<NntpPostedArticle> posts_;
    QHash<QByteArray, int> bodyRequests_;
    int connectionsOpened_ = 0;
    int active_ = 0;
    int peak_ = 0;
    int refused_ = 0;
    int tlsFailures_ = 0;
};
