#include "queue/QueueController.h"

#include "core/Logger.h"
#include "nntp/ConnectionsController.h"
#include "posting/YencEncodeController.h"
#include "queue/ServerIDRegistry.h"
#include "queue/StatusCodes.h"

#include <QHash>
#include <QMutexLocker>
#include <QSet>

#include <chrono>
#include <vector>

// How far a job has been handed out, so that a request costs about the same
// whether the job has ten articles or a million. Guarded by arrayLock_.
//
// Articles that were never handed out are found with a cursor per part (and
// the first part that still has such articles); articles that went back to
// waiting are appended to a log, which every server reads from a position of
// its own. An entry that a server cannot take (it tried the article already)
// stays in the log for the others. Entries and cursors only move forward:
// every article is looked at once per server, not once per request.
struct QueueController::HandoutIndex
{
    struct Part
    {
        QueuePtr part;
        QList<SegmentPtr> segments;
        qsizetype cursor = 0;
        bool handedOut = false;
    };
    struct Returned
    {
        qsizetype part;
        SegmentPtr segment;
    };

    std::weak_ptr<Queue> root;
    // The part list walked; the job's own list shares its buffer until the
    // job changes it, which is how a change is seen.
    QList<QueuePtr> fileparts;
    std::vector<Part> parts;
    QHash<const Queue*, qsizetype> partIndex;
    qsizetype freshPart = 0;
    std::vector<Returned> returned;
    // Read positions in `returned` per server number, one set for the
    // priority passes (which take only marked parts) and one for the others.
    QHash<int, qsizetype> readOrdinary;
    QHash<int, qsizetype> readPriority;

    void build(const QueuePtr& r)
    {
        root = r;
        parts.clear();
        partIndex.clear();
        returned.clear();
        readOrdinary.clear();
        readPriority.clear();
        freshPart = 0;
        fileparts = r->fileparts();
        parts.reserve(size_t(fileparts.size()));
        for (const QueuePtr& p : std::as_const(fileparts)) {
            partIndex.insert(p.get(), qsizetype(parts.size()));
            parts.push_back({p, p ? p->segments() : QList<SegmentPtr>(), 0, false});
        }
    }
};

namespace {

bool isWaitingRootStatus(qint64 status)
{
    return status == JobStatus::QueuedForDownload || status == JobStatus::Downloading ||
           status == UploadStatus::Queued || status == UploadStatus::Uploading;
}

bool isWaitingPartStatus(qint64 status)
{
    return status == FilePartStatus::Queued || status == FilePartStatus::Downloading ||
           status == FilePartStatus::QueuedForUpload || status == FilePartStatus::Uploading;
}

// The job a booked article counts against: its part's root (the article's
// own link as a fallback for a part without one).
QueuePtr rootOf(const SegmentPtr& segment, const QueuePtr& part)
{
    if (part)
        if (QueuePtr root = part->queue()) return root;
    return segment->queue();
}

bool partIsEligible(const QueuePtr& part, bool priorityPass)
{
    return part && !part->isCancelled() && (!priorityPass || part->isPriority()) &&
           isWaitingPartStatus(part->status());
}

} // namespace

ConnectionsController* QueueController::connectionsController() const
{
    return connectionsController_;
}

void QueueController::setConnectionsController(ConnectionsController* controller)
{
    connectionsController_ = controller;
}

SegmentPtr QueueController::getNextArticleForServerID(const QString& serverID, bool isBackupServer)
{
    if (isTerminated_.load()) return nullptr;
    // Upload jobs whose booked article could not be read in this request;
    // the others are still asked, as they would be if it had never been
    // booked. Each failure adds a job, so the retries are bounded.
    QSet<const Queue*> unreadable;
    for (;;) {
        UploadBooking upload;
        SegmentPtr segment;
        qint64 held = 0;
        {
            QMutexLocker locker(&arrayLock_);
            const auto start = std::chrono::steady_clock::now();
            segment = handOutLocked(serverID, isBackupServer, unreadable, &upload);
            if (lockHoldRecorder_)
                held = std::chrono::duration_cast<std::chrono::nanoseconds>(std::chrono::steady_clock::now() -
                                                                            start)
                           .count();
        }
        if (lockHoldRecorder_) lockHoldRecorder_(held);
        YencEncodeController* encoder = yencEncodeController_.get();
        if (upload.sawIdleJob && encoder) encoder->closeFileIfIdle();
        if (!upload.booking) return segment;

        // The read and the encoding run on this connection's thread with the
        // queue unlocked: a slow disk holds up this connection only, never
        // the hand-out of the others.
        if (encoder->encodeBookedSegment(upload.booking)) return upload.booking.segment;
        {
            QMutexLocker locker(&arrayLock_);
            encoder->readFailed(upload.booking.segment, upload.booking.job);
        }
        unreadable.insert(upload.booking.job.get());
    }
}

SegmentPtr QueueController::handOutLocked(const QString& serverID, bool isBackupServer,
                                          const QSet<const Queue*>& unreadable, UploadBooking* upload)
{
    const int token = ServerIDRegistry::tokenFor(serverID);
    QList<QueuePtr> removal;
    for (;;) {
        const bool priorityPass = !priorityQueueArray_.isEmpty();
        // A copy: a status change below may re-enter this controller on this
        // thread and change the list being walked.
        const QList<QueuePtr> roots = priorityPass ? priorityQueueArray_ : queueArray_;
        for (const QueuePtr& root : roots) {
            if (!root || root->isPaused() || root->isMissing() || root->isCancelled()) continue;
            const bool dedicated = root->isUploadObject() || root->isNewsgroupsRequest();
            if (dedicated && root->serverID() != serverID) continue;
            const bool skipped = !root->forceDownload() && root->serversToSkip().contains(serverID);
            const bool backupRules = isBackupServer && !dedicated;
            if (skipped && !backupRules) continue;

            if (backupRules) {
                // An article routed here is handed out even when the job has
                // skipped this server since: it was routed because no other
                // server had it, so left waiting nobody would ask for it or
                // book it as missing, and the job would never end.
                const SegmentPtr routed = takeRoutedArticle(root, serverID);
                if (routed) {
                    startDownloadOf(routed, root, routed->filepart());
                    return routed;
                }
                if (skipped) continue;
                // Any other article only when the whole job was given to this
                // server, or when there is no normal server at all.
                ConnectionsController* manager = connectionsController_.data();
                const bool onlyBackups = manager && manager->onlyBackupServersConfigured();
                if (!onlyBackups && !root->fullDownloadBackupServers().contains(serverID)) continue;
            }

            if (!isWaitingRootStatus(root->status())) {
                removal.append(root);
                continue;
            }

            if (root->isUploadObject() && root->textBody().isEmpty()) {
                // Only booked here: the caller reads and encodes it once the
                // lock is released.
                if (!yencEncodeController_ || unreadable.contains(root.get())) continue;
                YencEncodeController::Booking booking = yencEncodeController_->bookNextSegmentForQueue(root);
                if (!booking) {
                    upload->sawIdleJob = true;
                    continue;
                }
                const SegmentPtr made = booking.segment;
                made->replaceStatus(ArticleStatus::Queued, ArticleStatus::Downloading);
                startDownloadOf(made, root, made->filepart());
                upload->booking = std::move(booking);
                return nullptr;
            }

            bool exhausted = false;
            if (SegmentPtr found = handOutFromRoot(root, token, priorityPass, &exhausted)) return found;
            if (exhausted) removal.append(root);
        }
        if (!priorityPass) return nullptr;
        if (removal.isEmpty()) {
            priorityQueueArray_.clear();
        } else {
            for (const QueuePtr& r : removal)
                priorityQueueArray_.removeAll(r);
            removal.clear();
        }
    }
}

SegmentPtr QueueController::handOutFromRoot(const QueuePtr& root, int token, bool priorityPass,
                                            bool* exhausted)
{
    HandoutIndex& index = handoutIndexFor(root);

    // Articles that came back, from this server's read position.
    qsizetype& read = (priorityPass ? index.readPriority : index.readOrdinary)[token];
    while (read < qsizetype(index.returned.size())) {
        const HandoutIndex::Returned& entry = index.returned[size_t(read)];
        ++read;
        const HandoutIndex::Part& ps = index.parts[size_t(entry.part)];
        if (!partIsEligible(ps.part, priorityPass)) continue;
        if (entry.segment->hasUsedServerToken(token)) continue;
        if (entry.segment->replaceStatus(ArticleStatus::Queued, ArticleStatus::Downloading)) {
            index.parts[size_t(entry.part)].handedOut = true;
            startDownloadOf(entry.segment, root, ps.part);
            return entry.segment;
        }
    }

    // Articles never handed out.
    for (;;) {
        if (SegmentPtr found = handOutFresh(index, root, token, priorityPass)) return found;
        // A part that was handed out and is queued (FilePartStatus::Queued) again was reset
        // for another download (a retry, a restored job), and a part that
        // had no articles may have been given them: walk either anew. Only
        // looked for before answering nothing, and one check per part.
        bool revived = false;
        for (qsizetype p = 0; p < qsizetype(index.parts.size()); ++p) {
            HandoutIndex::Part& ps = index.parts[size_t(p)];
            if (!ps.part) continue;
            const bool reset = ps.handedOut && ps.part->status() == FilePartStatus::Queued;
            const bool grown = ps.segments.isEmpty() && ps.part->segmentCount() > 0;
            if (!reset && !grown) continue;
            ps.handedOut = false;
            ps.cursor = 0;
            ps.segments = ps.part->segments();
            index.freshPart = std::min(index.freshPart, p);
            revived = true;
        }
        if (!revived) break;
    }
    *exhausted = true;
    return nullptr;
}

SegmentPtr QueueController::handOutFresh(HandoutIndex& index, const QueuePtr& root, int token,
                                         bool priorityPass)
{
    for (qsizetype p = index.freshPart; p < qsizetype(index.parts.size()); ++p) {
        HandoutIndex::Part& ps = index.parts[size_t(p)];
        const bool eligible = partIsEligible(ps.part, priorityPass);
        // A part whose articles were given or replaced after it was first
        // looked at (a search-service job learns them late) is walked anew.
        // The list shares its buffer with the part's until the part changes
        // it.
        if (eligible && (ps.cursor < ps.segments.size() || ps.segments.isEmpty())) {
            const QList<SegmentPtr> current = ps.part->segments();
            if (current.constData() != ps.segments.constData()) {
                ps.segments = current;
                ps.cursor = 0;
            }
        }
        if (eligible && ps.cursor < ps.segments.size()) {
            while (ps.cursor < ps.segments.size()) {
                const SegmentPtr& segment = ps.segments.at(ps.cursor++);
                if (!segment || segment->status() != ArticleStatus::Queued) continue;
                // Tried by this server already: left in the log for the
                // others.
                if (segment->hasUsedServerToken(token)) {
                    index.returned.push_back({p, segment});
                    continue;
                }
                if (segment->replaceStatus(ArticleStatus::Queued, ArticleStatus::Downloading)) {
                    ps.handedOut = true;
                    startDownloadOf(segment, root, ps.part);
                    return segment;
                }
            }
        }
        if (p == index.freshPart && ps.cursor >= ps.segments.size()) ++index.freshPart;
    }
    return nullptr;
}

SegmentPtr QueueController::takeRoutedArticle(const QueuePtr& root, const QString& serverID)
{
    // Articles routed to this backup server, oldest first. An entry whose
    // article is no longer waiting (another server took it meanwhile) is
    // dropped, never handed out twice. The list is read through a shared
    // copy and changed only where an entry goes: with one backup server the
    // entry taken is the first, which costs nothing however long the list.
    for (;;) {
        qsizetype found = -1;
        SegmentPtr candidate;
        {
            const QList<PartDownloadBackupServer> entries = root->partDownloadBackupServers();
            for (qsizetype i = 0; i < entries.size(); ++i) {
                const PartDownloadBackupServer& entry = entries.at(i);
                if (entry.serverID != serverID) continue;
                found = i;
                candidate = entry.segment;
                break;
            }
        }
        if (found < 0) return nullptr;
        if (found == 0) {
            root->takeFirstPartDownloadBackupServer();
        } else {
            QList<PartDownloadBackupServer> entries = root->partDownloadBackupServers();
            entries.removeAt(found);
            root->setPartDownloadBackupServers(entries);
        }
        if (candidate && candidate->replaceStatus(ArticleStatus::Queued, ArticleStatus::Downloading))
            return candidate;
    }
}

QueueController::HandoutIndex& QueueController::handoutIndexFor(const QueuePtr& root)
{
    std::shared_ptr<HandoutIndex>& slot = handoutIndexes_[root.get()];
    if (!slot) slot = std::make_shared<HandoutIndex>();
    if (slot->root.lock() != root || root->fileparts().constData() != slot->fileparts.constData())
        slot->build(root);
    return *slot;
}

void QueueController::resetHandoutIndex(const QueuePtr& root)
{
    if (!root) return;
    QMutexLocker locker(&arrayLock_);
    handoutIndexes_.erase(root.get());
}

void QueueController::pruneHandoutIndexes()
{
    if (handoutIndexes_.empty()) return;
    QSet<const Queue*> queued;
    queued.reserve(queueArray_.size());
    for (const QueuePtr& root : std::as_const(queueArray_))
        queued.insert(root.get());
    for (auto it = handoutIndexes_.begin(); it != handoutIndexes_.end();) {
        const QueuePtr root = it->second->root.lock();
        if (!root || !queued.contains(root.get()))
            it = handoutIndexes_.erase(it);
        else
            ++it;
    }
}

void QueueController::requeueSegment(const SegmentPtr& segment)
{
    if (!segment) return;
    QMutexLocker locker(&arrayLock_);
    // A booked article stays booked: queued again it would be fetched and
    // counted a second time.
    const qint64 status = segment->status();
    if (status == ArticleStatus::Downloaded || status == ArticleStatus::Uploaded) return;
    segment->setStatus(ArticleStatus::Queued);
    const QueuePtr part = segment->filepart();
    const QueuePtr root = segment->queue();
    if (!root || !part) return;
    const auto it = handoutIndexes_.find(root.get());
    if (it == handoutIndexes_.end() || it->second->root.lock() != root) return; // not walked yet
    HandoutIndex& index = *it->second;
    const qsizetype p = index.partIndex.value(part.get(), -1);
    if (p < 0) return;
    index.returned.push_back({p, segment});
}

void QueueController::startDownloadOf(const SegmentPtr& segment, const QueuePtr& root, const QueuePtr& part)
{
    Q_UNUSED(segment);
    if (root && root->isUploadObject()) {
        root->replaceStatus(UploadStatus::Queued, UploadStatus::Uploading);
        if (part) part->replaceStatus(FilePartStatus::QueuedForUpload, FilePartStatus::Uploading);
    }
    if (root) root->replaceStatus(JobStatus::QueuedForDownload, JobStatus::Downloading);
    if (part) part->replaceStatus(FilePartStatus::Queued, FilePartStatus::Downloading);
}

// ---------------------------------------------------------------------------
// Booking

void QueueController::updateQueueAfterDownload(const SegmentPtr& segment)
{
    if (!segment) return;
    const QueuePtr part = segment->filepart();
    if (!part || part->isCancelled() || part->status() != FilePartStatus::Downloading) return;
    // Downloading -> downloaded, once; an article found missing everywhere
    // keeps its ArticleStatus::Missing so that the writer knows it has no body.
    const bool received = segment->replaceStatus(ArticleStatus::Downloading, ArticleStatus::Downloaded);
    if (!received && segment->status() != ArticleStatus::Missing) return;
    // The write side decodes the body into the part's spool as it arrives.
    if (received) fileWriteController_.bodyArrived(part, segment);
    const double bytes = segment->bytes();
    part->decreaseTotalSegmentsLeftToDownload(1);
    part->decreaseTotalBytesLeft(bytes);
    if (const QueuePtr root = rootOf(segment, part)) {
        root->decreaseTotalSegmentsLeftToDownload(1);
        root->decreaseTotalBytesLeft(bytes);
    }
    downloadedBytes_.fetch_add(bytes);
}

void QueueController::updateQueueAfterUpload(const SegmentPtr& segment)
{
    if (!segment) return;
    const QueuePtr part = segment->filepart();
    // A text article is handed out at Downloading, a file article comes from the
    // encoder at Uploading; either is booked once, on its own move to Uploaded.
    const bool booked = part && !part->isCancelled() && part->status() != FilePartStatus::Cancelled &&
                        (segment->replaceStatus(ArticleStatus::Downloading, ArticleStatus::Uploaded) ||
                         segment->replaceStatus(ArticleStatus::Uploading, ArticleStatus::Uploaded));
    if (booked) {
        const double bytes = segment->bytes();
        part->decreaseTotalSegmentsLeftToDownload(1);
        part->decreaseTotalBytesLeft(bytes);
        if (const QueuePtr root = rootOf(segment, part)) {
            root->decreaseTotalSegmentsLeftToDownload(1);
            root->decreaseTotalBytesLeft(bytes);
        }
        downloadedBytes_.fetch_add(bytes);
    }
    segment->setFiledata(QByteArray());
}

void QueueController::updateQueueAfterDownloadingNewsgroupList(const SegmentPtr& segment)
{
    if (!segment) return;
    segment->setStatus(ArticleStatus::Downloaded);
    const QueuePtr part = segment->filepart();
    if (part) {
        part->setTotalSegmentsLeftToDownload(0);
        part->setTotalBytesLeft(0.0);
    }
    if (const QueuePtr root = rootOf(segment, part)) {
        root->setTotalSegmentsLeftToDownload(0);
        root->setTotalBytesLeft(0.0);
    }
}

// ---------------------------------------------------------------------------
// Backup servers and the priority list

void QueueController::enableBackupServer(const QString& serverID, const QueuePtr& queue)
{
    if (!queue) return;
    QMutexLocker locker(&arrayLock_);
    queue->appendFullDownloadBackupServer(serverID);
}

bool QueueController::isPriorityCandidate(const QueuePtr& filepart)
{
    if (!filepart) return false;
    if (filepart->ispar() || filepart->execute()) return true;
    const QueuePtr root = filepart->queue();
    return root && (root->isNewsgroupsRequest() || root->isUploadObject() || root->isReplyPost());
}

void QueueController::addFilePartToPriorityQueue(const QueuePtr& filepart)
{
    if (!filepart) return;
    QMutexLocker locker(&arrayLock_);
    filepart->setIsPriority(true);
    const QueuePtr root = filepart->queue();
    if (root && !priorityQueueArray_.contains(root)) priorityQueueArray_.append(root);
}

void QueueController::removeFilePartFromPriorityQueue(const QueuePtr& filepart)
{
    if (!filepart) return;
    QMutexLocker locker(&arrayLock_);
    filepart->setIsPriority(false);
    if (const QueuePtr root = filepart->queue()) priorityQueueArray_.removeAll(root);
}

// ---------------------------------------------------------------------------
// Totals

qint64 QueueController::getTotalFilesInQueue()
{
    double segments = 0, segmentsLeft = 0, downloadBytes = 0, uploadBytes = 0;
    qint64 downloads = 0, uploads = 0;
    const double bps = currentBps_.load();
    {
        QMutexLocker locker(&arrayLock_);
        for (const QueuePtr& root : std::as_const(queueArray_)) {
            segments += double(root->totalSegments());
            segmentsLeft += double(root->totalSegmentsLeftToDownload());
            const qint64 status = root->status();
            if (isWaitingRootStatus(status)) {
                if (root->isUploadObject()) {
                    uploadBytes += root->totalBytesLeft();
                    ++uploads;
                } else {
                    downloadBytes += root->totalBytesLeft();
                    ++downloads;
                }
            }
            // Without a measured speed there is no estimate; the last one
            // stands until traffic resumes.
            if ((status == JobStatus::Downloading || status == UploadStatus::Uploading) && bps > 0)
                root->setTimeleft(qint64(root->totalBytesLeft() / bps));
        }
        pruneHandoutIndexes();
    }
    segmentsInQueue_ = segments;
    segmentsInQueueLeft_ = segmentsLeft;
    filesInQueue_ = double(downloads + uploads);
    filesLeftToUpload_ = double(uploads);
    filesLeftToDownload_ = double(downloads);
    bytesLeftToDownload_ = downloadBytes;
    bytesLeftToUpload_ = uploadBytes;
    return downloads + uploads;
}

double QueueController::getAverageBandwidthUsedPerSecond()
{
    ConnectionsController* manager = connectionsController_.data();
    const double bps = manager ? manager->getAverageBandwidthUsedPerSecond() : 0.0;
    currentBps_ = bps;
    return bps;
}
