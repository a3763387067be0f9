#include "nntp/ConnectionsController.h"

#include "codec/DeYenc.h"
#include "core/DialogBoxes.h"
#include "core/Logger.h"
#include "core/StringFormat.h"
#include "nntp/BandwidthMath.h"
#include "nntp/NNTPServersController.h"
#include "nntp/TVConnectionsObject.h"
#include "platform/Dispatch.h"
#include "platform/NotificationCenter.h"
#include "platform/NotificationHub.h"
#include "platform/ProcessActivity.h"
#include "platform/UserDefaults.h"
#include "queue/QCodeClass.h"
#include "queue/Queue.h"
#include "queue/QueueController.h"
#include "queue/StatusCodes.h"
#include "stats/StatsUsageController.h"

#include <QMutexLocker>
#include <QRegularExpression>
#include <QTimer>

#include <algorithm>
#include <cmath>
#include <limits>

// The keep-awake token, shared with the pool task that asks logind for it
// (which may take a while and must not hold up a connection or the main
// thread).
struct ConnectionsController::Activity
{
    QMutex lock;
    std::unique_ptr<ProcessActivity> token;
    bool pending = false;
    bool wanted = false;
};

namespace {

qint64 systemClock()
{
    return QDateTime::currentMSecsSinceEpoch();
}

// The servers of `ids` that may still be asked for `segment`: not one that
// has tried it, nor one its job skips (a forced job skips none).
QStringList serversLeftFor(QStringList ids, const QueuePtr& job, const SegmentPtr& segment)
{
    const QStringList skip = job->forceDownload() ? QStringList() : job->serversToSkip();
    const QStringList used = segment->usedServerIDs();
    ids.removeIf([&](const QString& id) { return skip.contains(id) || used.contains(id); });
    return ids;
}

// A job that stopped because no server could be reached, and that the user
// has not paused since: it goes on by itself once a connection works.
bool isWaitingForAServer(const QueuePtr& job)
{
    return job->status() == JobStatus::NewsServerUnreachable && job->isPaused() && !job->shouldPause();
}

} // namespace

ConnectionsController::ConnectionsController(QObject* parent)
    : ConnectionsController(Clock(systemClock), parent)
{}

ConnectionsController::ConnectionsController(Clock clock, QObject* parent)
    : QObject(parent), clock_(clock ? std::move(clock) : Clock(systemClock)),
      activity_(std::make_shared<Activity>())
{
    retryTimer_ = new QTimer(this);
    retryTimer_->setSingleShot(true);
    retryTimer_->setTimerType(Qt::PreciseTimer);
    connect(retryTimer_, &QTimer::timeout, this, [this] { retryFailingServers(); });
    NotificationHub& hub = NotificationHub::defaultCenter();
    QPointer<ConnectionsController> self(this);
    hub.addObserver(QStringLiteral("ApplicationWillTerminate"), this,
                    [this](const Notification&) { applicationWillTerminate(); });
    hub.addObserver(QStringLiteral("NNTPServerListChanged"), this, [this, self](const Notification&) {
        if (Dispatch::isMainThread()) {
            nntpServerListChanged();
        } else {
            Dispatch::onMain([self] {
                if (self) self->nntpServerListChanged();
            });
        }
    });
}

ConnectionsController::~ConnectionsController()
{
    QList<TCPSocketPtr> sockets;
    {
        QMutexLocker locker(&arrayLock_);
        sockets.swap(socketArray_);
    }
    for (const TCPSocketPtr& socket : std::as_const(sockets))
        socket->disconnect();
    // Each connection's destructor waits for its thread.
    sockets.clear();
}

void ConnectionsController::setQueueController(QueueController* controller)
{
    queueController_ = controller;
}

void ConnectionsController::setStatsUsageController(StatsUsageController* controller)
{
    statsUsageController_ = controller;
}

QueueController* ConnectionsController::queueController() const
{
    return queueController_.data();
}

NNTPServersController* ConnectionsController::nntpServersController() const
{
    return nntpServersController_.data();
}

void ConnectionsController::setNntpServersController(NNTPServersController* controller)
{
    nntpServersController_ = controller;
}

// ---------------------------------------------------------------------------
// Opening and closing

void ConnectionsController::connectAll()
{
    openConnections(-1, QString());
}

void ConnectionsController::connectServerID(const QString& serverID)
{
    openConnections(-1, serverID);
}

bool ConnectionsController::checkForNormalActiveNNTPServers() const
{
    const NNTPServersController* servers = nntpServersController_.data();
    return servers && servers->getTotalNormalServersAvailable() > 0;
}

bool ConnectionsController::checkForBackupActiveNNTPServers() const
{
    const NNTPServersController* servers = nntpServersController_.data();
    return servers && servers->getTotalBackupServersAvailable() > 0;
}

void ConnectionsController::openConnections(qint64 count, const QString& serverID)
{
    openConnectionsFor(count, serverID, false);
}

void ConnectionsController::openConnectionsFor(qint64 count, const QString& serverID, bool probe)
{
    // Nothing opens on the slots of a list that is about to be rebuilt.
    if (isTerminated_ || manuallyConnect_ || shouldRecreateNTTPObjects_) return;
    const qint64 limit = count < 1 ? 9999 : count;
    beginActivity();

    QueueController* queue = queueController_.data();
    NNTPServersController* servers = nntpServersController_.data();
    if (!queue || !servers) return;
    const QList<QueuePtr> jobs = queue->queueArray();
    const bool anyActive = std::any_of(jobs.begin(), jobs.end(), [probe](const QueuePtr& j) {
        return !j->isPaused() || (probe && isWaitingForAServer(j));
    });
    if (!anyActive) return;

    const bool normal = checkForNormalActiveNNTPServers();
    const bool backup = checkForBackupActiveNNTPServers();
    if (!normal && !backup) {
        // Downloads wait for a server; uploads still under way are stopped.
        // A finished upload keeps its status.
        for (const QueuePtr& job : jobs) {
            const qint64 status = job->status();
            const bool waiting = status == JobStatus::QueuedForDownload || status == JobStatus::Downloading ||
                                 status == UploadStatus::Queued || status == UploadStatus::Uploading;
            if (!waiting) continue;
            job->setStatus(job->isUploadObject() ? UploadStatus::NoServersAvailable
                                                 : JobStatus::NoNewsServersConfigured);
        }
    }
    onlyBackupServersConfigured_ = !normal && backup;

    QStringList targets;
    if (!serverID.isEmpty()) {
        targets.append(serverID);
    } else {
        targets = servers->getNormalServerIDs();
        if (onlyBackupServersConfigured_) targets += servers->getBackupServerIDs();
    }
    {
        QMutexLocker locker(&arrayLock_);
        targets.removeIf([this](const QString& id) { return failedUploadEndpoints_.contains(id); });
    }
    if (targets.isEmpty()) return;

    qint64 n = 0;
    for (const TCPSocketPtr& socket : socketArray()) {
        const NNTPServerObjectPtr slot = socket->nntpServer();
        if (!socket->isStarted() || !slot) continue;
        if (!targets.contains(slot->serverID()) && !targets.contains(slot->upServerID())) continue;
        socket->newContentAvailable();
        if (++n >= limit) return;
    }
    bool held = false;
    for (const QString& id : std::as_const(targets)) {
        qint64 allowed = openingAllowance(id);
        held = held || allowed == 0;
        while (!isTerminated_ && allowed > 0) {
            const NNTPServerObjectPtr slot = servers->requestConnectionForServerID(id);
            if (!slot) break;
            const TCPSocketPtr socket = TCPSocket::create();
            socket->setConnectionsController(this);
            socket->setNntpServer(slot);
            socket->setDedicateUploadServer(id == slot->upServerID());
            {
                QMutexLocker locker(&arrayLock_);
                socketGenerations_.insert(socket.get(), backoff_.generation(id));
            }
            // Listed before it starts: its end, reported on the main thread,
            // must find it in the list.
            addSocketToArray(socket);
            socket->start();
            --allowed;
            if (++n >= limit) break;
        }
        if (n >= limit) break;
    }
    // A server held back is tried again when its wait is over.
    if (held) {
        QPointer<ConnectionsController> self(this);
        Dispatch::onMain([self] {
            if (self) self->armRetryTimer();
        });
    }
}

qint64 ConnectionsController::openingAllowance(const QString& serverID) const
{
    const std::optional<qint64> retryAt = backoff_.retryAt(serverID);
    if (!retryAt) return std::numeric_limits<qint64>::max();
    if (clock_() < *retryAt) return 0;
    const quint64 generation = backoff_.generation(serverID);
    QMutexLocker locker(&arrayLock_);
    for (const TCPSocketPtr& socket : socketArray_) {
        if (endpointOf(socket.get()) == serverID && socketGenerations_.value(socket.get()) == generation)
            return 0;
    }
    return 1;
}

QString ConnectionsController::endpointOf(const TCPSocket* socket)
{
    const NNTPServerObjectPtr slot = socket ? socket->nntpServer() : nullptr;
    if (!slot) return QString();
    return socket->dedicateUploadServer() ? slot->upServerID() : slot->serverID();
}

void ConnectionsController::addSocketToArray(const TCPSocketPtr& socket)
{
    {
        QMutexLocker locker(&arrayLock_);
        socketArray_.append(socket);
    }
    updateCounters();
}

void ConnectionsController::updateCounters()
{
    QPointer<ConnectionsController> self(this);
    Dispatch::onMain([self] {
        if (!self) return;
        qint64 open;
        {
            QMutexLocker locker(&self->arrayLock_);
            open = self->socketArray_.size();
        }
        const NNTPServersController* servers = self->nntpServersController_.data();
        const qint64 inUse = servers ? servers->getTotalServersInUse() : 0;
        if (self->openConnectionsNr_.exchange(open) != open) Q_EMIT self->openConnectionsNrChanged(open);
        if (self->serversInUseNr_.exchange(inUse) != inUse) Q_EMIT self->serversInUseNrChanged(inUse);
    });
}

void ConnectionsController::beginActivity()
{
    const std::shared_ptr<Activity> activity = activity_;
    QMutexLocker locker(&activity->lock);
    activity->wanted = true;
    if (activity->token || activity->pending) return;
    activity->pending = true;
    Dispatch::global([activity] {
        std::unique_ptr<ProcessActivity> token =
            ProcessActivity::begin(QStringLiteral("Downloading started background"));
        QMutexLocker inner(&activity->lock);
        activity->pending = false;
        if (activity->wanted) activity->token = std::move(token);
    });
}

QList<TCPSocketPtr> ConnectionsController::socketArray() const
{
    QMutexLocker locker(&arrayLock_);
    return socketArray_;
}

TCPSocketPtr ConnectionsController::getSocketObjectFromConnectionID(qint64 connectionID) const
{
    for (const TCPSocketPtr& socket : socketArray()) {
        if (socket->connectionID() == connectionID) return socket;
    }
    return nullptr;
}

void ConnectionsController::closeConnection(const TCPSocketPtr& socket)
{
    if (!socket) return;
    socket->disconnect();
    setRowText(socket->nntpServer(), QStringLiteral("Disconnecting"));
}

void ConnectionsController::closeAllConnections()
{
    for (const TCPSocketPtr& socket : socketArray())
        closeConnection(socket);
}

void ConnectionsController::disconnectAll()
{
    closeAllConnections();
}

void ConnectionsController::toggleManuallyConnect()
{
    if (manuallyConnect_) {
        manuallyConnect_ = false;
        NotificationHub::defaultCenter().post(QStringLiteral("NNTPServerListChanged"));
        connectAll();
        return;
    }
    manuallyConnect_ = true;
    NNTPServersController* servers = nntpServersController_.data();
    if (!servers) return;
    const QList<NNTPServerObjectPtr> serverSlots =
        servers->normalServersArray() + servers->backupServersArray();
    for (const NNTPServerObjectPtr& slot : serverSlots) {
        if (slot->isInUse()) {
            closeConnection(getSocketObjectFromConnectionID(slot->connectionID()));
        } else {
            setRowText(slot, QStringLiteral("Offline (Manually connect first)"));
        }
    }
}

void ConnectionsController::resetConnections(const QList<qint64>& connectionIDs)
{
    for (const qint64 id : connectionIDs) {
        if (const TCPSocketPtr socket = getSocketObjectFromConnectionID(id))
            socket->reset();
        else
            openConnections(1, QString());
    }
}

void ConnectionsController::restartSocket(TCPSocket* socket, const QString& serverID)
{
    BLOG(2, "Init restarting socket: %ld from array", socket ? socket->connectionID() : 0);
    removeSocketFromArray(socket);
    // A server that failed waits for its retry instead.
    openConnections(-1, serverID);
    BLOG(2, "Socket restarted");
}

void ConnectionsController::removeSocketFromArray(TCPSocket* socket)
{
    if (!socket) return;
    TCPSocketPtr removed;
    bool empty;
    quint64 generation = 0;
    {
        QMutexLocker locker(&arrayLock_);
        for (qsizetype i = 0; i < socketArray_.size(); ++i) {
            if (socketArray_[i].get() == socket) {
                removed = socketArray_.takeAt(i);
                break;
            }
        }
        generation = socketGenerations_.take(socket);
        empty = socketArray_.isEmpty();
    }
    updateCounters();
    const QString endpoint = endpointOf(socket);
    const QString failure = removed ? socket->connectionFailure() : QString();
    if (!failure.isEmpty())
        connectionErrorOccurred(endpoint, socket->nntpServer() ? socket->nntpServer()->alias() : endpoint,
                                generation, failure);

    const NNTPServerObjectPtr slot = socket->nntpServer();
    if (slot) {
        if (const TVConnectionsObjectPtr row = slot->uiConnectionObject()) {
            row->setTitle(QString());
            row->setFilename(QString());
        }
        const NNTPServerObjectPtr entry = serverEntryOf(slot);
        QString text;
        if (manuallyConnect_)
            text = QStringLiteral("Offline (Manually connect first)");
        else if (backoff_.isFailing(endpoint))
            text = retryText(endpoint);
        else if (slot->isbackupServerOnly())
            text = QStringLiteral("Ready (backup server)");
        else if (entry && entry->authFailed())
            text = QStringLiteral("Auth failed. Incorrect username and/or password.");
        else
            text = QStringLiteral("Ready");
        setRowText(slot, text);
    }

    if (empty) {
        QMutexLocker locker(&activity_->lock);
        activity_->wanted = false;
        activity_->token.reset();
    }
    if (empty && shouldRecreateNTTPObjects_.exchange(false)) {
        {
            QMutexLocker locker(&arrayLock_);
            failedUploadEndpoints_.clear();
        }
        if (NNTPServersController* servers = nntpServersController_.data()) servers->buildLocalArrays();
        connectAll();
    }
}

void ConnectionsController::nntpServerListChanged()
{
    // The servers may be other ones now, or set up anew: no old failure
    // holds them back.
    backoff_.clear();
    anyFailing_ = false;
    if (socketArray().isEmpty()) {
        shouldRecreateNTTPObjects_ = false;
        {
            QMutexLocker locker(&arrayLock_);
            failedUploadEndpoints_.clear();
        }
        if (NNTPServersController* servers = nntpServersController_.data()) servers->buildLocalArrays();
    } else {
        shouldRecreateNTTPObjects_ = true;
        closeAllConnections();
    }
}

void ConnectionsController::applicationWillTerminate()
{
    BLOG(2, "Application will terminate notification received");
    isTerminated_ = true;
}

void ConnectionsController::setRowText(const NNTPServerObjectPtr& slot, const QString& text)
{
    if (!slot) return;
    const TVConnectionsObjectPtr row = slot->uiConnectionObject();
    if (!row) return;
    if (Dispatch::isMainThread())
        row->setLastresponse(text);
    else
        Dispatch::onMain([row, text] { row->setLastresponse(text); });
}

// ---------------------------------------------------------------------------
// The hand-out handshake

SegmentPtr ConnectionsController::getNextSegmentAfterDownloadedSegment(const SegmentPtr& segment,
                                                                       const NNTPServerObjectPtr& nntpServer,
                                                                       TCPSocket* socket)
{
    QueueController* queue = queueController_.data();
    if (!queue || !nntpServer) return nullptr;
    // A downloaded yEnc article is checked against its CRC before it is
    // booked, outside the lock: the other connections go on meanwhile.
    const QueuePtr segmentJob = segment ? segment->queue() : nullptr;
    const bool failedCheck = segmentJob && segment->status() != ArticleStatus::Missing &&
                             !segmentJob->isUploadObject() && !segmentJob->isNewsgroupsRequest() &&
                             DeYenc::checkArticle(segment->filedata()) == DeYenc::ArticleCheck::Mismatch;
    {
        QMutexLocker locker(&arrayLock_);
        if (segment) {
            if (segment->status() == ArticleStatus::Missing) {
                segmentNotFound(segment, nntpServer);
            } else {
                const QueuePtr job = segment->queue();
                if (job && job->isUploadObject())
                    queue->updateQueueAfterUpload(segment);
                else if (job && job->isNewsgroupsRequest())
                    queue->updateQueueAfterDownloadingNewsgroupList(segment);
                else if (failedCheck)
                    segmentFailedCheck(segment, nntpServer);
                else
                    queue->updateQueueAfterDownload(segment);
            }
            if (StatsUsageController* stats = statsUsageController_.data())
                stats->addBytes(segment->downloadedBytes(), nntpServer->serverID());
        }
    }
    const bool upload = socket && socket->dedicateUploadServer();
    const QString endpoint = upload ? nntpServer->upServerID() : nntpServer->serverID();
    SegmentPtr next = queue->getNextArticleForServerID(endpoint, nntpServer->isbackupServerOnly());
    // An answered article, or nothing to do: the server works.
    if (anyFailing_.load() && socket && (segment || !next)) connectionWorks(socket, endpoint);
    return next;
}

void ConnectionsController::resetReleasedSegment(const SegmentPtr& segment, const NNTPServerObjectPtr& nntpServer)
{
    if (!segment) return;
    const QueuePtr job = segment->queue();
    BLOG(2, "Segment released: %@. (queue segments left: %ld)", segment->mid(),
         long(job ? job->totalSegmentsLeftToDownload() : 0));
    QueueController* queue = queueController_.data();
    if (!queue) {
        segment->setStatus(ArticleStatus::Queued);
        return;
    }
    QString routedTo;
    {
        QMutexLocker queueLocker(&queue->arrayLock());
        queue->requeueSegment(segment);
        // An article routed to a backup server reaches it only by its entry,
        // which went when the article was handed out: without a new one
        // nobody would ask for it again.
        NNTPServersController* servers = nntpServersController_.data();
        if (servers && job && segment->backupServerOnly() && segment->status() == ArticleStatus::Queued) {
            const QStringList backups = serversLeftFor(servers->getBackupServerIDs(), job, segment);
            if (!backups.isEmpty()) {
                routedTo = backups.first();
                if (!job->fullDownloadBackupServers().contains(routedTo))
                    job->appendPartDownloadBackupServer({routedTo, segment});
            }
        }
    }
    if (!routedTo.isEmpty())
        openConnections(1, routedTo);
    else
        wakeServerFor(segment, nntpServer);
}

void ConnectionsController::wakeServerFor(const SegmentPtr& segment, const NNTPServerObjectPtr& from)
{
    const QueuePtr job = segment->queue();
    NNTPServersController* servers = nntpServersController_.data();
    if (!job || !servers || segment->status() != ArticleStatus::Queued) return;
    // Another server than the one that let go of it, one that works: the
    // article should not wait for that server's next connection, nor for
    // its retry.
    const QString own = from ? from->serverID() : QString();
    for (const QString& id : serversLeftFor(servers->getNormalServerIDs(), job, segment)) {
        if (id == own || backoff_.isFailing(id)) continue;
        openConnections(1, id);
        return;
    }
}

void ConnectionsController::articleFailedOnServer(const SegmentPtr& segment, const NNTPServerObjectPtr& nntpServer)
{
    if (!segment || !nntpServer) return;
    QMutexLocker locker(&arrayLock_);
    segmentNotFound(segment, nntpServer);
}

void ConnectionsController::connectionWorks(TCPSocket* socket, const QString& serverID)
{
    quint64 generation = 0;
    {
        QMutexLocker locker(&arrayLock_);
        const auto it = socketGenerations_.constFind(socket);
        if (it == socketGenerations_.constEnd()) return;
        generation = *it;
    }
    if (!backoff_.succeeded(serverID, generation)) return;
    anyFailing_ = backoff_.anyFailing();
    const QString alias = socket->nntpServer() ? socket->nntpServer()->alias() : serverID;
    QPointer<ConnectionsController> self(this);
    Dispatch::onMain([self, serverID, alias] {
        if (!self) return;
        BLOG(1, "%@ can be reached again.", alias);
        self->resumeJobsWaitingForAServer();
        self->openConnections(-1, serverID);
    });
}

bool ConnectionsController::checkIfDiskBufferIsFull()
{
    const QueueController* queue = queueController_.data();
    return queue && queue->pausedDueFullWriteQueue();
}

bool ConnectionsController::checkIfDecodingIsBehind()
{
    QueueController* queue = queueController_.data();
    return queue && queue->fileWriteController().isDecodingBehind();
}

// ---------------------------------------------------------------------------
// Missing articles

void ConnectionsController::segmentNotFound(const SegmentPtr& segment, const NNTPServerObjectPtr& nntpServer)
{
    QMutexLocker locker(&arrayLock_);
    const QueuePtr job = segment->queue();
    QueueController* queue = queueController_.data();
    NNTPServersController* servers = nntpServersController_.data();
    if (!job || !queue || !servers) return;
    BLOG(2, "%@ (%@) - Segment not found: %@ (%@)", nntpServer->alias(), nntpServer->serverID(), job->title(),
         segment->mid());

    if (sendToAnotherServer(segment, nntpServer)) return;

    // No server left for this article.
    const QStringList all = servers->getNormalServerIDs() + servers->getBackupServerIDs();
    const QStringList skip = job->serversToSkip();
    const bool everySkipped =
        std::all_of(all.begin(), all.end(), [&skip](const QString& id) { return skip.contains(id); });
    if (everySkipped && !job->forceDownload()) markQueueAsIncomplete(job);
    segmentNotFoundAndNoServersLeft(segment);
}

void ConnectionsController::segmentFailedCheck(const SegmentPtr& segment,
                                               const NNTPServerObjectPtr& nntpServer)
{
    QMutexLocker locker(&arrayLock_);
    const QueuePtr job = segment->queue();
    QueueController* queue = queueController_.data();
    if (!job || !queue) return;
    BLOG(2, "%@ (%@) - Article failed its CRC check: %@ (%@)", nntpServer->alias(), nntpServer->serverID(),
         job->title(), segment->mid());
    const QByteArray received = segment->filedata();
    segment->setFiledata(QByteArray());
    if (sendToAnotherServer(segment, nntpServer)) return;
    // No server has a good copy.
    segment->setFiledata(received);
    job->incrementArticlesFailedCheck();
    // Its file too, which must then be proven intact (or repaired).
    if (const QueuePtr part = segment->filepart()) part->incrementArticlesFailedCheck();
    BLOG(2, "No server has a good copy of %@ (%@); it is kept as received.", segment->mid(), job->title());
    queue->updateQueueAfterDownload(segment);
}

bool ConnectionsController::sendToAnotherServer(const SegmentPtr& segment,
                                                const NNTPServerObjectPtr& nntpServer)
{
    const QueuePtr job = segment->queue();
    QueueController* queue = queueController_.data();
    NNTPServersController* servers = nntpServersController_.data();
    if (!job || !queue || !servers) return false;
    // A forced job may use every server, skipped ones included: a miss
    // sends the article on to the servers that have not tried it yet rather
    // than giving it up at once, and counts against no server.
    const bool forced = job->forceDownload();
    QString next;
    qint64 count = 1;
    {
        // The job's server lists and the article's return to the queue
        // change together under the queue controller's lock, which the
        // hand-out holds while it reads them.
        QMutexLocker queueLocker(&queue->arrayLock());
        segment->addUsedServerID(nntpServer->serverID());
        const bool wholeFile = !forced && updateQueueWithMissingArticle(segment, nntpServer);
        const QStringList normals = serversLeftFor(servers->getNormalServerIDs(), job, segment);
        const QStringList backups = serversLeftFor(servers->getBackupServerIDs(), job, segment);
        if (!normals.isEmpty()) {
            next = normals.first();
            queue->requeueSegment(segment);
        } else if (!backups.isEmpty()) {
            next = backups.first();
            segment->setBackupServerOnly(true);
            if (wholeFile) {
                BLOG(2, "We start downloading the complete file from a backupserver.");
                queue->enableBackupServer(next, job);
                count = -1;
            } else {
                job->appendPartDownloadBackupServer({next, segment});
            }
            queue->requeueSegment(segment);
        }
    }
    if (!next.isEmpty()) {
        openConnections(count, next);
        return true;
    }
    return false;
}

bool ConnectionsController::updateQueueWithMissingArticle(const SegmentPtr& segment,
                                                          const NNTPServerObjectPtr& nntpServer)
{
    const QueuePtr job = segment->queue();
    if (!job) return false;
    UserDefaults& defaults = UserDefaults::standard();
    const qint64 threshold = defaults.integerForKey(QStringLiteral("minMissingSegmentsThreshold"));
    const qint64 percent = defaults.integerForKey(QStringLiteral("missingPercentNotification"));
    const QString serverID = nntpServer->serverID();
    const qint64 earlier = job->incrementMissingArticlesOnServer(serverID) - 1;

    if (job->totalfiles() < 2 && segment->segnr() == 1) {
        job->appendServerToSkip(serverID);
        return true;
    }
    const qint64 total = job->totalSegments();
    if (total <= threshold || total <= 0) return false;
    // The share of the whole job, not of what is left of it: near the end of
    // a download a few misses would otherwise read as a large share and stop
    // a job that its recovery files can still repair.
    if (percent > qint64(std::floor(double(earlier) * (100.0 / double(total))))) return false;
    if (!job->appendServerToSkip(serverID)) return false;

    const QString title = job->title();
    const QString alias = nntpServer->alias();
    BLOG(1, "\"%@\" no longer exists on \"%@\"", title, alias);
    if (defaults.boolForKey(QStringLiteral("enableNotificationMessages")))
        NotificationCenter::showMessage(title, sformat(u"No longer exists on %@", alias));
    return true;
}

void ConnectionsController::markQueueAsIncomplete(const QueuePtr& queue)
{
    if (!queue) return;
    BLOG(2, "File is missing on news server :: %@", queue->title());
    queue->setStatus(JobStatus::PausedPossiblyIncomplete);
    queue->setIsMissing(true);
}

void ConnectionsController::segmentNotFoundAndNoServersLeft(const SegmentPtr& segment)
{
    const QueuePtr job = segment->queue();
    if (!job) return;
    BLOG(2, "Segment not found and no servers left for: %@ (segmentsleft: %ld)", job->title(),
         long(job->totalSegmentsLeftToDownload()));
    segment->setStatus(ArticleStatus::Missing);
    job->setIsIncomplete(true);
    job->incrementTotalMissingArticles();
    if (QueueController* queue = queueController_.data()) queue->updateQueueAfterDownload(segment);
}

// ---------------------------------------------------------------------------
// Failures reported on the main thread

void ConnectionsController::connectionErrorOccurred(const QString& serverID, const QString& alias,
                                                    quint64 generation, const QString& reason)
{
    if (backoff_.failed(serverID, generation, clock_(), reason)) {
        anyFailing_ = true;
        // The first failure of a run is worth the user's eye; the retries
        // that follow, each after a longer wait, go to the log file only.
        BLOG(backoff_.failures(serverID) == 1 ? 3 : 2, "%@: %@", alias, retryText(serverID));
    }
    stopJobsWhenNoServerCanBeReached();
    armRetryTimer();
}

QString ConnectionsController::retryText(const QString& serverID) const
{
    const std::optional<qint64> at = backoff_.retryAt(serverID);
    const qint64 seconds = at ? std::max<qint64>(0, (*at - clock_() + 999) / 1000) : 0;
    return sformat(u"%@ (next try in %ld sec)", backoff_.reason(serverID), long(seconds));
}

void ConnectionsController::stopJobsWhenNoServerCanBeReached()
{
    QueueController* queue = queueController_.data();
    NNTPServersController* servers = nntpServersController_.data();
    if (!queue || !servers) return;
    QStringList targets = servers->getNormalServerIDs();
    if (onlyBackupServersConfigured_) targets += servers->getBackupServerIDs();
    if (targets.isEmpty()) return;
    {
        // A server counts as reachable while it is not failing, or while a
        // connection of it is still open: one that works beside refused
        // ones (too many at once), or one still trying.
        QMutexLocker locker(&arrayLock_);
        for (const QString& id : std::as_const(targets)) {
            if (!backoff_.isFailing(id)) return;
            for (const TCPSocketPtr& socket : std::as_const(socketArray_))
                if (endpointOf(socket.get()) == id) return;
        }
    }
    for (const QueuePtr& job : queue->queueArray()) {
        const qint64 status = job->status();
        if (status == JobStatus::Downloading || status == JobStatus::QueuedForDownload)
            job->setStatus(JobStatus::NewsServerUnreachable);
    }
}

void ConnectionsController::resumeJobsWaitingForAServer()
{
    QueueController* queue = queueController_.data();
    if (!queue) return;
    for (const QueuePtr& job : queue->queueArray())
        if (isWaitingForAServer(job)) queue->resumeQueueObject(job);
}

void ConnectionsController::armRetryTimer()
{
    if (isTerminated_ || manuallyConnect_) {
        retryTimer_->stop();
        return;
    }
    // Only retries still to come: a server whose time has come was tried
    // when it came, and is tried again by the next call for connections.
    const qint64 now = clock_();
    std::optional<qint64> earliest;
    for (const QString& id : backoff_.failingServers()) {
        const std::optional<qint64> at = backoff_.retryAt(id);
        if (at && *at > now && (!earliest || *at < *earliest)) earliest = at;
    }
    if (!earliest) {
        retryTimer_->stop();
        return;
    }
    retryTimer_->start(int(std::min<qint64>(*earliest - now, ServerRetryBackoff::kMaxDelayMs)));
}

void ConnectionsController::retryFailingServers()
{
    if (isTerminated_) return;
    const qint64 now = clock_();
    for (const QString& id : backoff_.failingServers()) {
        const std::optional<qint64> at = backoff_.retryAt(id);
        if (at && *at <= now) openConnectionsFor(1, id, true);
    }
    armRetryTimer();
}

NNTPServerObjectPtr ConnectionsController::serverEntryOf(const NNTPServerObjectPtr& slot)
{
    if (!slot) return nullptr;
    const NNTPServerObjectPtr entry = slot->mainNNTPServerObject();
    return entry ? entry : slot;
}

bool ConnectionsController::isUploadConnection(const NNTPServerObjectPtr& slot) const
{
    QMutexLocker locker(&arrayLock_);
    for (const TCPSocketPtr& socket : socketArray_) {
        if (socket->nntpServer() == slot) return socket->dedicateUploadServer();
    }
    return false;
}

void ConnectionsController::authRequiredForNNTPServer(const NNTPServerObjectPtr& nntpServer)
{
    loginFailed(nntpServer, true);
}

void ConnectionsController::authFailedForNNTPServer(const NNTPServerObjectPtr& nntpServer)
{
    loginFailed(nntpServer, false);
}

void ConnectionsController::loginFailed(const NNTPServerObjectPtr& nntpServer, bool required)
{
    if (!nntpServer) return;
    // The upload endpoint has its own login: its failure stops uploads to it,
    // not the downloads of the same server.
    const bool upload = isUploadConnection(nntpServer);
    {
        QMutexLocker locker(&arrayLock_);
        if (upload) {
            const QString endpoint = nntpServer->upServerID();
            if (failedUploadEndpoints_.contains(endpoint)) return;
            failedUploadEndpoints_.insert(endpoint);
        } else {
            const NNTPServerObjectPtr entry = serverEntryOf(nntpServer);
            if (entry->authFailed()) return;
            entry->setAuthFailed(true);
        }
    }
    if (!upload) connectAll();

    const QString alias = nntpServer->alias();
    if (required) {
        BLOG(3, "Auth is required for news server :: %@. Please correct your username/password.", alias);
        DialogBoxes::alertBoxDefaultAsync(QStringLiteral("Auth required"),
                                          sformat(u"%@ requires a username and password", alias));
    } else {
        BLOG(3, "Auth failed for news server :: %@. Please correct your username/password.", alias);
        DialogBoxes::alertBoxDefaultAsync(QStringLiteral("Auth failed"),
                                          sformat(u"Incorrect username and/or password for %@", alias));
    }
}

QStringList ConnectionsController::failedUploadEndpoints() const
{
    QMutexLocker locker(&arrayLock_);
    return QStringList(failedUploadEndpoints_.begin(), failedUploadEndpoints_.end());
}

void ConnectionsController::postingDeniedForNNTPServer(const NNTPServerObjectPtr& nntpServer,
                                                       const QueuePtr& queue)
{
    if (!nntpServer) return;
    bool firstDenial;
    {
        QMutexLocker locker(&arrayLock_);
        const NNTPServerObjectPtr entry = serverEntryOf(nntpServer);
        firstDenial = !entry->postingDenied();
        entry->setPostingDenied(true);
    }
    // Every denied job ends with its status; the dialog is shown once per
    // server.
    if (queue) queue->setStatus(UploadStatus::PostingDenied);
    if (!firstDenial) return;
    const QString alias = nntpServer->alias();
    BLOG(3, "Posting was denied by your news server :: %@. Please contact them for more information.", alias);
    DialogBoxes::alertBoxDefaultAsync(
        QStringLiteral("Posting denied"),
        sformat(u"Posting was denied by your news server %@. \rPlease contact them for more information.",
                alias));
}

bool ConnectionsController::isAboutFromLine(const QString& replyText)
{
    // "'From' Header not in Internet Syntax", "Can't parse \"From\" header",
    // "Invalid syntax encountered in From header field body", "From: ...".
    static const QRegularExpression from(QStringLiteral("[\"']From[\"']|\\bFrom(\\s+header\\b|:)"),
                                         QRegularExpression::CaseInsensitiveOption);
    return from.match(replyText).hasMatch();
}

void ConnectionsController::postingRefused(int code, const QString& text, const QString& from,
                                           const QueuePtr& queue)
{
    if (!queue) return;
    // The job's status handler has written the status's own text by now (its
    // change was queued here before this call); the server's reply replaces
    // it, saying what was wrong.
    const QString comment = sformat(u"The news server refused the post: %ld %@", long(code), text);
    queue->setCommentTextField(comment);
    if (isAboutFromLine(text)) {
        postingDeniedInvalidPostingName(from, text);
        return;
    }
    BLOG(3, "%@ :: %@", comment, queue->title());
    DialogBoxes::alertBoxDefaultAsync(QCodeClass::code2Text(UploadStatus::PostingDenied).value_or(QString()),
                                      comment);
}

void ConnectionsController::postingDeniedInvalidPostingName(const QString& from, const QString& replyText)
{
    BLOG(3, "Posting denied by news server. %@ (441) :: %@", replyText, from);
    DialogBoxes::alertBoxDefaultAsync(QCodeClass::code2Text(UploadStatus::PostingDenied).value_or(QString()),
                                      sformat(u"Invalid 'From Name/Email' format: %@\nNews server says: "
                                              u"%@ (441). Please correct your name or email address.",
                                              from, replyText));
}

// ---------------------------------------------------------------------------
// Speed and cap

void ConnectionsController::updateBandwidthUsedInLastSecond(double bytes)
{
    QMutexLocker locker(&bandwidthThrottlingLock_);
    bandwidthUsedInLastSecond_ += bytes;
    if (bytes > 0) lastTrafficDate_ = clock_();
}

void ConnectionsController::recordBandwidthUsage()
{
    QMutexLocker locker(&bandwidthThrottlingLock_);
    const qint64 now = clock_();
    if (bandwidthMeasurementDate_ && *bandwidthMeasurementDate_ >= now) return;
    if (bandwidthMeasurementDate_) {
        bandwidthUsageTracker_.append(
            {*bandwidthMeasurementDate_ / 1000, quint64(std::max(0.0, bandwidthUsedInLastSecond_))});
        // Only the last five seconds are ever averaged.
        const qint64 oldest = now / 1000 - 5;
        while (!bandwidthUsageTracker_.isEmpty() && bandwidthUsageTracker_.first().date <= oldest)
            bandwidthUsageTracker_.removeFirst();
    }
    bandwidthMeasurementDate_ = now + 1000;
    bandwidthUsedInLastSecond_ = 0;
}

bool ConnectionsController::allConnectionsIdle() const
{
    const QList<TCPSocketPtr> sockets = socketArray();
    return !sockets.isEmpty() && std::all_of(sockets.begin(), sockets.end(), [](const TCPSocketPtr& socket) {
        return socket->status() == TCPSocket::Idle;
    });
}

double ConnectionsController::getAverageBandwidthUsedPerSecond()
{
    // Every connection has been told that nothing is left: the transfer is
    // over now, not a second of silence later.
    const bool over = allConnectionsIdle();
    QMutexLocker locker(&bandwidthThrottlingLock_);
    const qint64 nowMs = clock_();
    const qint64 now = nowMs / 1000;
    bandwidthUsageTracker_.removeIf([now](const BandwidthRecord& r) { return now - r.date >= 5; });
    // Windows are closed by the connections' reads: after the last byte none
    // reads, and the last window's bytes would keep the speed up for up to
    // five seconds. So the time of the last byte decides, which also keeps a
    // window just closed by a read (and empty for a moment) from reading as
    // a stop.
    const bool traffic = !over && lastTrafficDate_ && nowMs - *lastTrafficDate_ < 1000;
    double average = 0;
    if (!bandwidthUsageTracker_.isEmpty() && traffic) {
        double sum = 0;
        for (const BandwidthRecord& r : std::as_const(bandwidthUsageTracker_))
            sum += double(r.bytes);
        average = sum / double(bandwidthUsageTracker_.size());
    }
    avgBandwidthUsed_ = average;
    return std::floor(average);
}

QList<ConnectionsController::BandwidthRecord> ConnectionsController::bandwidthUsageTracker() const
{
    QMutexLocker locker(&bandwidthThrottlingLock_);
    return bandwidthUsageTracker_;
}

double ConnectionsController::bandwidthUsedInLastSecond() const
{
    QMutexLocker locker(&bandwidthThrottlingLock_);
    return bandwidthUsedInLastSecond_;
}

std::optional<QDateTime> ConnectionsController::bandwidthMeasurementDate() const
{
    QMutexLocker locker(&bandwidthThrottlingLock_);
    if (!bandwidthMeasurementDate_) return std::nullopt;
    return QDateTime::fromMSecsSinceEpoch(*bandwidthMeasurementDate_, Qt::UTC);
}

double ConnectionsController::avgBandwidthUsed() const
{
    QMutexLocker locker(&bandwidthThrottlingLock_);
    return avgBandwidthUsed_;
}

double ConnectionsController::getMaxBytesPerSecond() const
{
    return BandwidthMath::maxBytesPerSecond(
        UserDefaults::standard().doubleForKey(QStringLiteral("maxBandwidthThroughPut")));
}

quint64 ConnectionsController::getBufferSize()
{
    const bool throttle = UserDefaults::standard().boolForKey(QStringLiteral("throttleBandwidth"));
    if (!throttle) return BandwidthMath::kUnthrottledReadSize;
    const double cap = getMaxBytesPerSecond();
    QMutexLocker locker(&bandwidthThrottlingLock_);
    return BandwidthMath::bufferSize(true, cap, openConnectionsNr_.load(),
                                     qint64(bandwidthUsedInLastSecond_));
}

std::optional<QDateTime> ConnectionsController::measureBandwidthUsage()
{
    const bool throttle = UserDefaults::standard().boolForKey(QStringLiteral("throttleBandwidth"));
    const double cap = throttle ? getMaxBytesPerSecond() : 0.0;
    QMutexLocker locker(&bandwidthThrottlingLock_);
    recordBandwidthUsage();
    if (!throttle || cap == 0 || !std::isfinite(cap) || !bandwidthMeasurementDate_) return std::nullopt;
    const double over = std::trunc(cap - bandwidthUsedInLastSecond_);
    if (over >= 0) return std::nullopt;
    const qint64 extraMs = qint64(std::ceil(-over / cap * 1000.0));
    return QDateTime::fromMSecsSinceEpoch(*bandwidthMeasurementDate_ + extraMs, Qt::UTC);
}
