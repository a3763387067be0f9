#pragma once

#include "nntp/ConnectionsControllerInterface.h"
#include "nntp/TCPSocket.h"
#include "nntp/TVConnectionsObject.h"

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QMutex>
#include <QStringList>

#include <atomic>
#include <deque>
#include <functional>

// A connection manager for tests and benchmarks of TCPSocket: it hands out
// the articles it was given, first in first out, and records everything the
// connections tell it. A released article goes back to the front of the
// line, so a fresh connection takes it next. With autoRestart, a
// connection that asks to be restarted is replaced by a new one on a fresh
// slot of the same server, as the real manager does.
//
// It also makes slots with rows and keeps what each row showed. Thread-safe;
// the main-thread calls arrive through the event loop (use waitUntil).
class FakeConnectionsManager : public ConnectionsControllerInterface
{
public:
    // One article the connection handed back through the handshake.
    struct HandIn
    {
        SegmentPtr segment;
        qint64 status = 0;
        QByteArray filedata;
    };

    FakeConnectionsManager();
    ~FakeConnectionsManager() override;

    // --- set-up ---

    // A server entry on 127.0.0.1:`port` with one slot and its row; the
    // slot is returned, marked in use.
    NNTPServerObjectPtr makeSlot(quint16 port, bool ssl = false,
                                 const QString& alias = QStringLiteral("Scripted"));
    // A download article of a job of its own (kept alive by the fake).
    SegmentPtr addArticle(const QByteArray& mid, double bytes = 0);
    // An article for a job made by the caller.
    void addSegment(const SegmentPtr& segment);
    // A new connection on `slot`, started.
    TCPSocketPtr openConnection(const NNTPServerObjectPtr& slot, bool upload = false);

    bool autoRestart = false;
    // Off (for benchmarks): a handed-in body is counted, then dropped.
    bool keepBodies = true;
    std::atomic<quint64> bufferSize{32768};
    std::atomic<bool> diskBufferFull{false};
    std::atomic<bool> decodingBehind{false};
    std::atomic<bool> onlyBackups{false};
    // Answers measureBandwidthUsage when set.
    void setBandwidthPause(std::function<std::optional<QDateTime>()> pause);

    // --- records ---

    QList<HandIn> handIns() const; // segments handed back (not the empty hand-ins)
    int emptyHandIns() const;      // hand-ins without a segment
    qint64 handedInBytes() const;  // the bodies' sizes, summed
    int handInCount() const;
    QList<SegmentPtr> released() const;       // resetReleasedSegment
    QList<SegmentPtr> failedOnServer() const; // articleFailedOnServer
    // The main-thread calls, e.g. "remove", "restart <id>"; an end of a
    // connection that failed before it did any work comes after
    // "connectionError <what failed>".
    QStringList events() const;
    double bandwidth() const;           // every byte reported
    bool calledOnMainThread() const;    // a thread-side call came from the main thread
    QList<TCPSocketPtr> sockets() const;
    TVConnectionsObjectPtr row(const NNTPServerObjectPtr& slot) const;
    // Every text the row of `slot` showed, in order, repeats left out.
    QStringList responses(const NNTPServerObjectPtr& slot) const;
    // Every state of that row as "title | file | response", in order.
    QStringList rowStates(const NNTPServerObjectPtr& slot) const;
    int pendingArticles() const;

    // Disconnects every connection and waits for its thread.
    void stopAll();

    // --- ConnectionsControllerInterface ---
    SegmentPtr getNextSegmentAfterDownloadedSegment(const SegmentPtr& segment,
                                                    const NNTPServerObjectPtr& nntpServer,
                                                    TCPSocket* socket) override;
    quint64 getBufferSize() override;
    void updateBandwidthUsedInLastSecond(double bytes) override;
    std::optional<QDateTime> measureBandwidthUsage() override;
    bool checkIfDiskBufferIsFull() override;
    bool checkIfDecodingIsBehind() override;
    bool onlyBackupServersConfigured() override;
    void resetReleasedSegment(const SegmentPtr& segment, const NNTPServerObjectPtr& nntpServer) override;
    void articleFailedOnServer(const SegmentPtr& segment, const NNTPServerObjectPtr& nntpServer) override;
    void restartSocket(TCPSocket* socket, const QString& serverID) override;
    void removeSocketFromArray(TCPSocket* socket) override;
    void authRequiredForNNTPServer(const NNTPServerObjectPtr& nntpServer) override;
    void authFailedForNNTPServer(const NNTPServerObjectPtr& nntpServer) override;
    void postingDeniedForNNTPServer(const NNTPServerObjectPtr& nntpServer, const QueuePtr& queue) override;
    void postingRefused(int code, const QString& text, const QString& from, const QueuePtr& queue) override;

private:
    void noteThread();
    void event(const QString& text);
    void noteFailure(TCPSocket* socket);

    mutable QMutex lock_;
    std::deque<SegmentPtr> pending_;
    QList<QueuePtr> jobs_;
    QList<HandIn> handIns_;
    int emptyHandIns_ = 0;
    qint64 handedInBytes_ = 0;
    QList<SegmentPtr> released_;
    QList<SegmentPtr> failedOnServer_;
    QStringList events_;
    double bandwidth_ = 0;
    bool calledOnMain_ = false;
    std::function<std::optional<QDateTime>()> pause_;
    QList<TCPSocketPtr> sockets_;
    QList<NNTPServerObjectPtr> servers_;
    QList<TVConnectionsObjectPtr> rows_; // the slots refer to their rows weakly
    QHash<TVConnectionsObject*, QStringList> responses_;
    QHash<TVConnectionsObject*, QStringList> rowStates_;
    QList<std::shared_ptr<QObject>> recorders_;
};
