#pragma once

#include <QHash>
#include <QMutex>
#include <QString>
#include <QStringList>

#include <optional>

// When a news server whose connections keep failing (refused, a greeting
// that is no greeting, dropped before any article came) may be tried again.
// Each failure doubles the wait, from one second up to a minute; the first
// connection that works again ends it. Times are milliseconds of the
// caller's clock.
//
// Connections are opened in generations: every failure begins a new one.
// A failure of a connection opened in an earlier generation was already
// answered (the server's connections tend to fail together), and only a
// connection opened since the last failure proves that the server works
// again, not one that has been working all along beside a refused one.
//
// Thread-safe.
class ServerRetryBackoff
{
public:
    static constexpr qint64 kFirstDelayMs = 1000;
    static constexpr qint64 kMaxDelayMs = 60 * 1000;

    // The wait after `failures` failures in a row (at least one).
    static qint64 delayAfter(int failures);

    // The generation a connection opened now belongs to.
    quint64 generation(const QString& serverID) const;
    // A connection of `generation` failed at `now` with `reason` (the text
    // the row shows). Returns true when this began a new wait, false when
    // the failure belongs to one already begun.
    bool failed(const QString& serverID, quint64 generation, qint64 now, const QString& reason);
    // A connection of `generation` did its work. Returns true when this
    // ended a run of failures.
    bool succeeded(const QString& serverID, quint64 generation);
    // Forgets every failure (the server list was rebuilt).
    void clear();

    bool isFailing(const QString& serverID) const;
    bool anyFailing() const;
    int failures(const QString& serverID) const;
    // What failed last; empty while the server is not failing.
    QString reason(const QString& serverID) const;
    // When the server may be tried again; none while it is not failing.
    std::optional<qint64> retryAt(const QString& serverID) const;
    // The servers that are failing.
    QStringList failingServers() const;

private:
    struct State
    {
        int failures = 0;
        quint64 generation = 0;
        qint64 retryAt = 0;
        QString reason;
    };

    mutable QMutex lock_;
    QHash<QString, State> servers_;
};
