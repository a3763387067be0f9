#pragma once

#include "nntp/NNTPServerObject.h"
#include "queue/Segment.h"

#include <QDateTime>
#include <QString>

#include <optional>

class Queue;
using QueuePtr = std::shared_ptr<Queue>;
class TCPSocket;

// What a connection (TCPSocket) asks of the connection manager, which owns
// every connection. ConnectionsController implements it; tests use fakes.
//
// The first group is called on the connection's own thread, possibly by
// many connections at once; the second is always called on the main thread,
// queued there by the connection, which never waits for it.
class ConnectionsControllerInterface
{
public:
    virtual ~ConnectionsControllerInterface() = default;

    // --- on the connection's thread ---

    // The hand-out handshake: books `segment` (the article the connection
    // finished, or failed as ArticleStatus::Missing; null when it has none) and answers
    // the next article for the slot, or null when there is none.
    virtual SegmentPtr getNextSegmentAfterDownloadedSegment(const SegmentPtr& segment,
                                                            const NNTPServerObjectPtr& nntpServer,
                                                            TCPSocket* socket) = 0;
    // How many bytes the next read may take.
    virtual quint64 getBufferSize() = 0;
    // Bytes read or written just now.
    virtual void updateBandwidthUsedInLastSecond(double bytes) = 0;
    // A moment until which reading must pause, or none.
    virtual std::optional<QDateTime> measureBandwidthUsage() = 0;
    // Whether the write queue is over the memory limit (no new body until it
    // is not).
    virtual bool checkIfDiskBufferIsFull() = 0;
    // Whether the bodies downloaded wait for their decoding beyond its bound
    // (the connection holds its next article back, briefly, until they do
    // not).
    virtual bool checkIfDecodingIsBehind() { return false; }
    // Whether only backup servers are usable (idle backup connections then
    // stay open).
    virtual bool onlyBackupServersConfigured() = 0;
    // An article given back unfinished by a connection of `nntpServer` (it
    // is queued again, and a server that may take it is woken). Called on
    // the thread that gives it back.
    virtual void resetReleasedSegment(const SegmentPtr& segment, const NNTPServerObjectPtr& nntpServer) = 0;
    // An article that failed on `nntpServer` as often as it may (or once
    // when it can never succeed there): it counts as missing there, and goes
    // on to the next server that may have it. Called on the connection's
    // thread.
    virtual void articleFailedOnServer(const SegmentPtr& segment, const NNTPServerObjectPtr& nntpServer) = 0;

    // --- on the main thread ---

    // The connection ended and asks for a fresh one on the endpoint with
    // this id (`upServerID` for an upload connection, else `serverID`).
    // Either end may come from a connection that failed before it did any
    // work (TCPSocket::connectionFailure).
    virtual void restartSocket(TCPSocket* socket, const QString& serverID) = 0;
    // The connection ended for good.
    virtual void removeSocketFromArray(TCPSocket* socket) = 0;
    virtual void authRequiredForNNTPServer(const NNTPServerObjectPtr& nntpServer) = 0;
    virtual void authFailedForNNTPServer(const NNTPServerObjectPtr& nntpServer) = 0;
    virtual void postingDeniedForNNTPServer(const NNTPServerObjectPtr& nntpServer, const QueuePtr& queue) = 0;
    // The server refused an article of `queue` after reading it, and the
    // connection ended the job (PostingDenied): its reply `code` and `text`,
    // and the From text the article carried. Once per job.
    virtual void postingRefused(int code, const QString& text, const QString& from, const QueuePtr& queue) = 0;
};
