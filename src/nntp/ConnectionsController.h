#pragma once

#include "nntp/ConnectionsControllerInterface.h"
#include "nntp/NNTPServerObject.h"
#include "nntp/ServerRetryBackoff.h"
#include "nntp/TCPSocket.h"

#include <QDateTime>
#include <QHash>
#include <QList>
#include <QMutex>
#include <QObject>
#include <QPointer>
#include <QRecursiveMutex>
#include <QSet>
#include <QStringList>

#include <atomic>
#include <functional>
#include <memory>
#include <optional>

class NNTPServersController;
class ProcessActivity;
class QueueController;
class StatsUsageController;
class QTimer;

// The one owner of every live connection. It opens connections (one
// TCPSocket thread each) on the free slots of the configured servers, wakes
// idle ones when work arrives, runs the hand-out handshake between the
// connections and the queue controller, sends an article a server lacks on to
// another server or a backup server, restarts and removes connections, shows
// the login and posting failure dialogs, and measures the bytes of every
// second for the speed display and the download cap.
//
// A server whose connections fail before they do any work is tried again
// after a growing wait (ServerRetryBackoff), one connection at a time, for
// as long as work remains; its rows say what fails. When no server can be
// reached, waiting jobs stop as unreachable, and go on by themselves once a
// connection works again.
//
// Threads: the handshake, the byte counts and the missing-article routing run
// on the connection threads; restarts, removals, failures and counters on the
// main thread. `arrayLock` (recursive) guards the connection list and the
// handshake; inside it the queue controller's own lock may be taken, never
// the other way round. `bandwidthThrottlingLock` guards the byte counters and
// is always taken alone.
class ConnectionsController : public QObject, public ConnectionsControllerInterface
{
    Q_OBJECT
public:
    // Milliseconds since 1970.
    using Clock = std::function<qint64()>;

    // One finished one-second window of the speed measurement.
    struct BandwidthRecord
    {
        qint64 date = 0; // the window's end, whole seconds since 1970
        quint64 bytes = 0;
    };

    explicit ConnectionsController(QObject* parent = nullptr);
    // With a clock of its own (tests of the measurement windows).
    explicit ConnectionsController(Clock clock, QObject* parent = nullptr);
    ~ConnectionsController() override;

    // Set once at start-up; not owned.
    void setQueueController(QueueController* controller);
    void setStatsUsageController(StatsUsageController* controller);
    void setNntpServersController(NNTPServersController* controller);
    QueueController* queueController() const;
    NNTPServersController* nntpServersController() const;

    // --- opening and closing ---

    void connectAll();
    void connectServerID(const QString& serverID);
    // Wakes idle connections of the target servers and opens new ones on
    // free slots, at most `count` in all (below 1: no limit); `serverID`
    // empty: every usable server. A server that is failing gets at most one
    // new connection, once its wait is over.
    void openConnections(qint64 count, const QString& serverID = QString());
    void disconnectAll();
    void closeAllConnections();
    void closeConnection(const TCPSocketPtr& socket);
    void toggleManuallyConnect();
    // Each number is a slot's `connectionID`: its connection is reset, or,
    // with none, one connection opens anywhere.
    void resetConnections(const QList<qint64>& connectionIDs);

    bool checkForNormalActiveNNTPServers() const;
    bool checkForBackupActiveNNTPServers() const;

    QList<TCPSocketPtr> socketArray() const;
    TCPSocketPtr getSocketObjectFromConnectionID(qint64 connectionID) const;
    QRecursiveMutex& arrayLock() const { return arrayLock_; }

    // --- missing articles ---

    // Caller holds arrayLock. Routes an article a server answered 430 for.
    void segmentNotFound(const SegmentPtr& segment, const NNTPServerObjectPtr& nntpServer);
    // Caller holds arrayLock. An article whose data failed its CRC check
    // counts as missing on the server that sent it, so that the next server
    // and then a backup server are asked for it; when none is left, the data
    // is kept as received (the PAR2 set may repair it) and counted on the
    // job (Queue::articlesFailedCheck).
    void segmentFailedCheck(const SegmentPtr& segment, const NNTPServerObjectPtr& nntpServer);
    // Caller holds arrayLock. Counts the miss on the server and queues the
    // article again for the next server that has not tried it; false when
    // there is none.
    bool sendToAnotherServer(const SegmentPtr& segment, const NNTPServerObjectPtr& nntpServer);
    // A connection to the endpoint `serverID` failed before it did any
    // work, with `reason` (the text its row showed): the server is tried
    // again after its wait, and waiting jobs stop as unreachable when no
    // server can be reached now. `generation`: the connection's.
    void connectionErrorOccurred(const QString& serverID, const QString& alias, quint64 generation,
                                 const QString& reason);
    const ServerRetryBackoff& retryBackoff() const { return backoff_; }
    // Counts the miss; true when the server is now skipped for the whole job:
    // when the misses on it reach the "missingPercentNotification" share of
    // all of the job's articles.
    bool updateQueueWithMissingArticle(const SegmentPtr& segment, const NNTPServerObjectPtr& nntpServer);
    void markQueueAsIncomplete(const QueuePtr& queue);
    void segmentNotFoundAndNoServersLeft(const SegmentPtr& segment);

    // --- speed and cap ---

    // The average of the last five seconds' windows; 0 once a whole second
    // has passed without a byte, whether or not a connection has read since,
    // and 0 as soon as every connection is idle (the hand-out had nothing).
    double getAverageBandwidthUsedPerSecond();
    double getMaxBytesPerSecond() const;
    // Closes the measurement window when it has ended.
    void recordBandwidthUsage();
    // There are connections, and the hand-out had nothing for any of them.
    bool allConnectionsIdle() const;
    QList<BandwidthRecord> bandwidthUsageTracker() const;
    double bandwidthUsedInLastSecond() const;
    std::optional<QDateTime> bandwidthMeasurementDate() const;
    double avgBandwidthUsed() const;

    // --- state ---

    bool onlyBackupServersConfigured() override { return onlyBackupServersConfigured_.load(); }
    bool isTerminated() const { return isTerminated_.load(); }
    bool manuallyConnect() const { return manuallyConnect_.load(); }
    bool shouldRecreateNTTPObjects() const { return shouldRecreateNTTPObjects_.load(); }
    // Written on the main thread only.
    qint64 openConnectionsNr() const { return openConnectionsNr_.load(); }
    qint64 serversInUseNr() const { return serversInUseNr_.load(); }
    // Upload endpoints (`upServerID`) whose login failed; no connection
    // opens to them until the server list changes. Their servers keep
    // downloading.
    QStringList failedUploadEndpoints() const;

    void applicationWillTerminate();
    void nntpServerListChanged();

    // --- ConnectionsControllerInterface ---
    SegmentPtr getNextSegmentAfterDownloadedSegment(const SegmentPtr& segment,
                                                    const NNTPServerObjectPtr& nntpServer,
                                                    TCPSocket* socket) override;
    quint64 getBufferSize() override;
    void updateBandwidthUsedInLastSecond(double bytes) override;
    std::optional<QDateTime> measureBandwidthUsage() override;
    bool checkIfDiskBufferIsFull() override;
    bool checkIfDecodingIsBehind() override;
    void resetReleasedSegment(const SegmentPtr& segment, const NNTPServerObjectPtr& nntpServer) override;
    void articleFailedOnServer(const SegmentPtr& segment, const NNTPServerObjectPtr& nntpServer) override;
    void restartSocket(TCPSocket* socket, const QString& serverID) override;
    void removeSocketFromArray(TCPSocket* socket) override;
    void authRequiredForNNTPServer(const NNTPServerObjectPtr& nntpServer) override;
    void authFailedForNNTPServer(const NNTPServerObjectPtr& nntpServer) override;
    void postingDeniedForNNTPServer(const NNTPServerObjectPtr& nntpServer, const QueuePtr& queue) override;
    void postingRefused(int code, const QString& text, const QString& from, const QueuePtr& queue) override;

    // Whether a refusal's text is about the article's From line.
    static bool isAboutFromLine(const QString& replyText);

Q_SIGNALS:
    // On the main thread, after the counters changed.
    void openConnectionsNrChanged(qint64 value);
    void serversInUseNrChanged(qint64 value);

private:
    // `probe`: a retry of a failing server, which jobs stopped as
    // unreachable wait for too.
    void openConnectionsFor(qint64 count, const QString& serverID, bool probe);
    // How many new connections to `serverID` may open now: none while it
    // waits or while a connection tries it, one once its wait is over.
    qint64 openingAllowance(const QString& serverID) const;
    // The endpoint id of a connection (`upServerID` for an upload one).
    static QString endpointOf(const TCPSocket* socket);
    void noteConnectionEnd(TCPSocket* socket, const QString& serverID);
    // On the connection's thread: its server answered an article or had
    // nothing for it.
    void connectionWorks(TCPSocket* socket, const QString& serverID);
    void stopJobsWhenNoServerCanBeReached();
    void resumeJobsWaitingForAServer();
    void armRetryTimer();
    void retryFailingServers();
    QString retryText(const QString& serverID) const;
    // Wakes a server that may take an article given back by `from`.
    void wakeServerFor(const SegmentPtr& segment, const NNTPServerObjectPtr& from);
    void addSocketToArray(const TCPSocketPtr& socket);
    void updateCounters();
    void beginActivity();
    // The server entry a slot was copied from (the slot itself when it has
    // none).
    static NNTPServerObjectPtr serverEntryOf(const NNTPServerObjectPtr& slot);
    // Whether the connection of `slot` talks to the upload endpoint.
    bool isUploadConnection(const NNTPServerObjectPtr& slot) const;
    // A login failure; `required` for a login the server asked for.
    void loginFailed(const NNTPServerObjectPtr& nntpServer, bool required);
    void setRowText(const NNTPServerObjectPtr& slot, const QString& text);
    // The message of a refusal about the From line, with the server's words.
    void postingDeniedInvalidPostingName(const QString& from, const QString& replyText);

    Clock clock_;
    QPointer<QueueController> queueController_;
    QPointer<StatsUsageController> statsUsageController_;
    QPointer<NNTPServersController> nntpServersController_;

    mutable QRecursiveMutex arrayLock_;
    QList<TCPSocketPtr> socketArray_;
    QHash<const TCPSocket*, quint64> socketGenerations_; // under arrayLock_
    ServerRetryBackoff backoff_;
    std::atomic<bool> anyFailing_{false};
    QTimer* retryTimer_ = nullptr; // main thread
    QSet<QString> failedUploadEndpoints_; // under arrayLock_

    mutable QRecursiveMutex bandwidthThrottlingLock_;
    std::optional<qint64> bandwidthMeasurementDate_; // ms since 1970
    double bandwidthUsedInLastSecond_ = 0;
    std::optional<qint64> lastTrafficDate_; // ms since 1970 of the last byte counted
    QList<BandwidthRecord> bandwidthUsageTracker_;
    double avgBandwidthUsed_ = 0;

    std::atomic<bool> onlyBackupServersConfigured_{false};
    std::atomic<bool> shouldRecreateNTTPObjects_{false};
    std::atomic<bool> manuallyConnect_{false};
    std::atomic<bool> isTerminated_{false};
    std::atomic<qint64> openConnectionsNr_{0};
    std::atomic<qint64> serversInUseNr_{0};

    struct Activity;
    std::shared_ptr<Activity> activity_;
};
