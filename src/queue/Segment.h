#pragma once

#include "queue/CompactBytes.h"
#include "queue/ModelProperties.h"
#include "queue/ServerIDSet.h"
#include "queue/StatusCodes.h"

#include <QByteArray>
#include <QList>
#include <QPair>
#include <QString>
#include <QStringList>

#include <memory>

class Queue;
class Segment;
using SegmentPtr = std::shared_ptr<Segment>;

// One article of a file part: what to fetch (message-id, number, size), how
// far it got (article status, SCodeClass), which servers already tried it, and
// its body once received. A job holds one per article, up to millions, so
// this is a plain record laid out for size: the message-id is compact bytes,
// the tried servers a bit set, rarely used fields sit behind one pointer.
//
// Every property is whole under concurrent use (atomic scalars, the rest
// under the record's own lock). `queue` and `filepart` are weak: an article
// never keeps its job alive.
class Segment
{
public:
    Segment() = default;
    Segment(const Segment&) = delete;
    Segment& operator=(const Segment&) = delete;

    static SegmentPtr create() { return std::make_shared<Segment>(); }

    // The root job and the file part; every builder sets both together.
    MODEL_WEAK(Queue, queue, setQueue)
    MODEL_WEAK(Queue, filepart, setFilepart)

    // Number of the article within its file (the NZB `number`, from 1) and
    // the file's article count.
    MODEL_ATOMIC(qint64, segnr, setSegnr, 0)
    MODEL_ATOMIC(qint64, segtotal, setSegtotal, 0)
    // Offset of the decoded data in the file.
    MODEL_ATOMIC(qint64, fileposition, setFileposition, 0)

public:
    // No article is larger than a few MB: a size claimed beyond this (an
    // NZB's "bytes" near 2^64) is taken as this, so that sums of sizes stay
    // sane.
    static constexpr double kMaxClaimedBytes = 32.0 * 1024 * 1024;

    // Size from the NZB, and bytes received so far.
    MODEL_ATOMIC(double, bytes, setBytes, 0.0)
    MODEL_ATOMIC(double, downloadedBytes, setDownloadedBytes, 0.0)
    MODEL_ATOMIC(bool, useByBackupServer, setUseByBackupServer, false)
    MODEL_ATOMIC(bool, backupServerOnly, setBackupServerOnly, false)
    // The body was decoded into its file part's spool while the part was
    // still downloading, and released: its bytes are on disk, not here.
    MODEL_ATOMIC(bool, spooled, setSpooled, false)

public:
    // Article status (ArticleStatus, texts in SCodeClass). The codes are
    // small numbers; they are kept in 32 bits.
    qint64 status() const { return status_.load(); }
    void setStatus(qint64 status) { status_.store(qint32(status)); }
    // Sets the status to `desired` only if it is `expected`; tells whether it
    // did. Two connections finishing the same article book it once.
    bool replaceStatus(qint64 expected, qint64 desired);
    void addDownloadedBytes(double count);

    // Failed attempts to fetch this article (a reply that brought no body, a
    // connection lost in the middle), counted per server by its
    // ServerIDRegistry number: what one server fails says nothing of
    // another, so the article counts as missing on a server only after
    // failing there, and every other server is still asked. kNoServer counts
    // attempts that belong to no server (reading the data of an upload).
    static constexpr int kNoServer = -1;
    int fetchFailures(int serverToken = kNoServer) const;
    int addFetchFailure(int serverToken = kNoServer);

    // Message-id, in angle brackets for downloads, without for uploads.
    QString mid() const;
    QByteArray midBytes() const;
    void setMid(const QString& mid);
    void setMid(QByteArrayView mid);

    // The article body as received (and, for uploads, as encoded); an empty
    // array releases it.
    QByteArray filedata() const;
    void setFiledata(const QByteArray& filedata);

    // The file part's `fid` (search-service articles carry it).
    QString fid() const;
    void setFid(const QString& fid);
    // The file name a decoder found in the article, or the subject of an
    // upload article.
    QString filename() const;
    void setFilename(const QString& filename);

    // Servers already asked for this article.
    QStringList usedServerIDs() const;
    void setUsedServerIDs(const QStringList& serverIDs);
    // Adds a server unless it is there already.
    void addUsedServerID(const QString& serverID);
    bool hasUsedServerID(const QString& serverID) const;
    // The same by ServerIDRegistry number, for callers that ask for many
    // articles on behalf of one server.
    bool hasUsedServerToken(int token) const;
    void removeAllUsedServerIDs();

private:
    // What most articles never carry, or carry only for a while (the body,
    // between its arrival and its decoding): made when one of these is set,
    // dropped when all are empty again.
    struct Extras
    {
        QString fid;
        QString filename;
        QByteArray filedata;
        QList<QPair<int, int>> fetchFailures; // server number, failures there

        bool isEmpty() const
        {
            return fid.isNull() && filename.isNull() && filedata.isNull() && fetchFailures.isEmpty();
        }
    };

    // Beside the flags above, to share their word with them.
    std::atomic<qint32> status_{ArticleStatus::NotSet};
    mutable QMutex lock_;
    CompactBytes mid_;
    ServerIDSet usedServerIDs_;
    std::unique_ptr<Extras> extras_;

    // Caller holds lock_.
    template <typename Field> void setExtra(Field Extras::*field, const Field& value);
};
