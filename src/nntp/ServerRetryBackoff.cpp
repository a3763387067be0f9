#include "nntp/ServerRetryBackoff.h"

#include <QMutexLocker>

#include <algorithm>

qint64 ServerRetryBackoff::delayAfter(int failures)
{
    qint64 delay = kFirstDelayMs;
    for (int i = 1; i < failures && delay < kMaxDelayMs; ++i)
        delay *= 2;
    return std::min(delay, kMaxDelayMs);
}

quint64 ServerRetryBackoff::generation(const QString& serverID) const
{
    QMutexLocker locker(&lock_);
    return servers_.value(serverID).generation;
}

bool ServerRetryBackoff::failed(const QString& serverID, quint64 generation, qint64 now,
                                const QString& reason)
{
    QMutexLocker locker(&lock_);
    State& state = servers_[serverID];
    if (!reason.isEmpty()) state.reason = reason;
    if (generation < state.generation) return false;
    ++state.failures;
    ++state.generation;
    state.retryAt = now + delayAfter(state.failures);
    return true;
}

bool ServerRetryBackoff::succeeded(const QString& serverID, quint64 generation)
{
    QMutexLocker locker(&lock_);
    const auto it = servers_.find(serverID);
    if (it == servers_.end() || it->failures == 0 || generation < it->generation) return false;
    it->failures = 0;
    it->reason.clear();
    return true;
}

void ServerRetryBackoff::clear()
{
    QMutexLocker locker(&lock_);
    // The generations go on: a connection of the old list that fails late
    // is not taken for a failure of the new one.
    for (State& state : servers_) {
        state.failures = 0;
        state.reason.clear();
        ++state.generation;
    }
}

bool ServerRetryBackoff::isFailing(const QString& serverID) const
{
    QMutexLocker locker(&lock_);
    return servers_.value(serverID).failures > 0;
}

bool ServerRetryBackoff::anyFailing() const
{
    QMutexLocker locker(&lock_);
    return std::any_of(servers_.begin(), servers_.end(), [](const State& s) { return s.failures > 0; });
}

int ServerRetryBackoff::failures(const QString& serverID) const
{
    QMutexLocker locker(&lock_);
    return servers_.value(serverID).failures;
}

QString ServerRetryBackoff::reason(const QString& serverID) const
{
    QMutexLocker locker(&lock_);
    const State state = servers_.value(serverID);
    return state.failures > 0 ? state.reason : QString();
}

std::optional<qint64> ServerRetryBackoff::retryAt(const QString& serverID) const
{
    QMutexLocker locker(&lock_);
    const State state = servers_.value(serverID);
    if (state.failures == 0) return std::nullopt;
    return state.retryAt;
}

QStringList ServerRetryBackoff::failingServers() const
{
    QMutexLocker locker(&lock_);
    QStringList ids;
    for (auto it = servers_.cbegin(); it != servers_.cend(); ++it)
        if (it.value().failures > 0) ids.append(it.key());
    ids.sort();
    return ids;
}
