#include "support/NntpServerState.h"

#include "support/NntpWireFormat.h"

void NntpServerState::setGreeting(const QByteArray& line)
{
    QMutexLocker locker(&lock_);
    greeting_ = line;
}

QByteArray NntpServerState::greeting() const
{
    QMutexLocker locker(&lock_);
    return greeting_;
}

void NntpServerState::setRequireAuth(bool value)
{
    QMutexLocker locker(&lock_);
    requireAuth_ = value;
}

bool NntpServerState::requireAuth() const
{
    QMutexLocker locker(&lock_);
    return requireAuth_;
}

void NntpServerState::setPostingAllowed(bool value)
{
    QMutexLocker locker(&lock_);
    postingAllowed_ = value;
}

void NntpServerState::setKeepPostedBytes(bool value)
{
    QMutexLocker locker(&lock_);
    keepPostedBytes_ = value;
}

bool NntpServerState::postingAllowed() const
{
    QMutexLocker locker(&lock_);
    return postingAllowed_;
}

void NntpServerState::addAccount(const NntpAccount& account)
{
    QMutexLocker locker(&lock_);
    accounts_.append(account);
}

void NntpServerState::setConnectionLimit(int limit, const QByteArray& refusalLine)
{
    QMutexLocker locker(&lock_);
    connectionLimit_ = limit;
    limitRefusal_ = refusalLine;
}

QByteArray NntpServerState::normalizedMid(const QByteArray& mid)
{
    if (mid.startsWith('<') && mid.endsWith('>')) return mid;
    return '<' + mid + '>';
}

void NntpServerState::addArticle(const QByteArray& mid, const QByteArray& body)
{
    const QByteArray id = normalizedMid(mid);
    // The whole reply is built once, so that serving it is one write of a
    // shared buffer, whatever the size of the article.
    QByteArray reply = "222 0 " + id + "\r\n";
    reply += NntpWireFormat::dotStuff(body);
    QMutexLocker locker(&lock_);
    bodyReplies_.insert(id, reply);
}

void NntpServerState::addGroup(const QByteArray& name, qint64 last, qint64 first, char flag)
{
    QMutexLocker locker(&lock_);
    groups_.append(Group{name, last, first, flag});
    listReply_.clear();
}

void NntpServerState::addRule(const NntpRule& rule)
{
    QMutexLocker locker(&lock_);
    rules_.append(rule);
}

void NntpServerState::clearRules()
{
    QMutexLocker locker(&lock_);
    rules_.clear();
}

std::optional<QByteArray> NntpServerState::connectionOpened(int* number)
{
    QMutexLocker locker(&lock_);
    *number = ++connectionsOpened_;
    if (connectionLimit_ > 0 && active_ >= connectionLimit_) {
        ++refused_;
        return limitRefusal_;
    }
    ++active_;
    peak_ = std::max(peak_, active_);
    return std::nullopt;
}

void NntpServerState::connectionClosed(bool counted)
{
    QMutexLocker locker(&lock_);
    if (counted) --active_;
}

void NntpServerState::tlsHandshakeFailed()
{
    QMutexLocker locker(&lock_);
    ++tlsFailures_;
}

std::optional<NntpRule> NntpServerState::takeRule(const QByteArray& command, const QByteArray& argument,
                                                  int connection)
{
    QMutexLocker locker(&lock_);
    for (NntpRule& rule : rules_) {
        if (rule.remaining == 0 || !rule.matches(command, argument, connection)) continue;
        if (rule.remaining > 0) --rule.remaining;
        return rule;
    }
    return std::nullopt;
}

void NntpServerState::recordCommand(int connection, const QByteArray& line)
{
    QMutexLocker locker(&lock_);
    commands_.append(NntpReceivedCommand{connection, line});
}

void NntpServerState::recordPost(int connection, const QByteArray& bytes)
{
    QMutexLocker locker(&lock_);
    posts_.append(NntpPostedArticle{connection, keepPostedBytes_ ? bytes : QByteArray(), bytes.size()});
}

void NntpServerState::setArticleSource(ArticleSource source)
{
    QMutexLocker locker(&lock_);
    articleSource_ = std::move(source);
}

std::optional<QByteArray> NntpServerState::bodyReply(const QByteArray& mid)
{
    ArticleSource source;
    {
        QMutexLocker locker(&lock_);
        ++bodyRequests_[mid];
        const auto it = bodyReplies_.constFind(mid);
        if (it != bodyReplies_.constEnd()) return it.value();
        source = articleSource_;
    }
    if (!source) return std::nullopt;
    const std::optional<QByteArray> block = source(normalizedMid(mid));
    if (!block) return std::nullopt;
    return "222 0 " + normalizedMid(mid) + "\r\n" + *block;
}

QByteArray NntpServerState::listReply() const
{
    QMutexLocker locker(&lock_);
    if (listReply_.isEmpty()) {
        QByteArray reply = "215 list of newsgroups follows\r\n";
        for (const Group& group : groups_) {
            reply += group.name + ' ' + QByteArray::number(group.last) + ' ' +
                     QByteArray::number(group.first) + ' ' + group.flag + "\r\n";
        }
        reply += ".\r\n";
        listReply_ = reply;
    }
    return listReply_;
}

std::optional<QByteArray> NntpServerState::groupReply(const QByteArray& name) const
{
    QMutexLocker locker(&lock_);
    for (const Group& group : groups_) {
        if (group.name != name) continue;
        const qint64 count = group.last >= group.first ? group.last - group.first + 1 : 0;
        return "211 " + QByteArray::number(count) + ' ' + QByteArray::number(group.first) + ' ' +
               QByteArray::number(group.last) + ' ' + group.name + "\r\n";
    }
    return std::nullopt;
}

QByteArray NntpServerState::login(const QByteArray& user, const QByteArray& password, bool* accepted)
{
    *accepted = false;
    QMutexLocker locker(&lock_);
    for (const NntpAccount& account : accounts_) {
        if (account.user != user || account.password != password) continue;
        if (account.refusal) return *account.refusal;
        if (account.maxConnections > 0 && loggedIn_.value(user) >= account.maxConnections)
            return "481 Too many connections\r\n";
        ++loggedIn_[user];
        *accepted = true;
        return "281 Authentication accepted\r\n";
    }
    return "481 Authentication failed\r\n";
}

void NntpServerState::releaseLogin(const QByteArray& user)
{
    QMutexLocker locker(&lock_);
    auto it = loggedIn_.find(user);
    if (it != loggedIn_.end() && --it.value() <= 0) loggedIn_.erase(it);
}

QList<NntpReceivedCommand> NntpServerState::commands() const
{
    QMutexLocker locker(&lock_);
    return commands_;
}

QList<NntpPostedArticle> NntpServerState::postedArticles() const
{
    QMutexLocker locker(&lock_);
    return posts_;
}

int NntpServerState::bodyRequests(const QByteArray& mid) const
{
    QMutexLocker locker(&lock_);
    return bodyRequests_.value(mid);
}

int NntpServerState::connectionsOpened() const
{
    QMutexLocker locker(&lock_);
    return connectionsOpened_;
}

int NntpServerState::activeConnections() const
{
    QMutexLocker locker(&lock_);
    return active_;
}

int NntpServerState::peakConnections() const
{
    QMutexLocker locker(&lock_);
    return peak_;
}

int NntpServerState::refusedConnections() const
{
    QMutexLocker locker(&lock_);
    return refused_;
}

int NntpServerState::tlsHandshakeFailures() const
{
    QMutexLocker locker(&lock_);
    return tlsFailures_;
}

void NntpServerState::clearRecords()
{
    QMutexLocker locker(&lock_);
    commands_.clear();
    posts_.clear();
    bodyRequests_.clear();
}
