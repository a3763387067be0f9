#include "support/FakeConnectionsManager.h"

#include "platform/Dispatch.h"
#include "queue/Queue.h"
#include "queue/StatusCodes.h"

#include <QCoreApplication>
#include <QObject>

FakeConnectionsManager::FakeConnectionsManager() = default;

FakeConnectionsManager::~FakeConnectionsManager()
{
    autoRestart = false;
    stopAll();
    // The ends of the connections were queued for the main thread with a
    // pointer to this object: they run now, while it exists.
    QCoreApplication::sendPostedEvents();
    QCoreApplication::processEvents();
}

NNTPServerObjectPtr FakeConnectionsManager::makeSlot(quint16 port, bool ssl, const QString& alias)
{
    auto server = NNTPServerObject::create();
    server->setAlias(alias);
    server->setAddress(QStringLiteral("127.0.0.1"));
    server->setPort(port);
    server->setSsl(ssl);
    server->setRequiresLogin(false);
    server->setMaxConnections(1);
    NNTPServerObjectPtr slot = server->copy();
    slot->setMainNNTPServerObject(server);
    slot->setIsInUse(true);
    auto row = TVConnectionsObject::create();
    row->setAlias(alias);
    row->setNntpObject(slot);
    slot->setUiConnectionObject(row);
    // Rows change on the main thread; the recorder lives there too.
    auto recorder = std::make_shared<QObject>();
    TVConnectionsObject* raw = row.get();
    QObject::connect(raw, &TVConnectionsObject::changed, recorder.get(), [this, raw] {
        QMutexLocker locker(&lock_);
        QStringList& list = responses_[raw];
        const QString text = raw->lastresponse();
        if (list.isEmpty() || list.last() != text) list.append(text);
        QStringList& states = rowStates_[raw];
        const QString state = raw->title() + QStringLiteral(" | ") + raw->filename() + QStringLiteral(" | ") + text;
        if (states.isEmpty() || states.last() != state) states.append(state);
    });
    QMutexLocker locker(&lock_);
    servers_.append(server);
    rows_.append(row);
    recorders_.append(recorder);
    return slot;
}

SegmentPtr FakeConnectionsManager::addArticle(const QByteArray& mid, double bytes)
{
    QueuePtr job = Queue::create();
    job->setTitle(QStringLiteral("Job ") + QString::fromUtf8(mid));
    QueuePtr part = Queue::create();
    part->setIsFilepart(true);
    part->setQueue(job);
    part->setFilename(QStringLiteral("file.bin"));
    part->setTotalSegments(1);
    job->appendFilepart(part);
    SegmentPtr segment = Segment::create();
    segment->setMid(QByteArrayView(mid));
    segment->setSegnr(1);
    segment->setBytes(bytes);
    segment->setQueue(job);
    segment->setFilepart(part);
    segment->setStatus(ArticleStatus::Queued);
    part->appendSegment(segment);
    {
        QMutexLocker locker(&lock_);
        jobs_.append(job);
    }
    addSegment(segment);
    return segment;
}

void FakeConnectionsManager::addSegment(const SegmentPtr& segment)
{
    QMutexLocker locker(&lock_);
    pending_.push_back(segment);
}

TCPSocketPtr FakeConnectionsManager::openConnection(const NNTPServerObjectPtr& slot, bool upload)
{
    TCPSocketPtr socket = TCPSocket::create();
    socket->setConnectionsController(this);
    socket->setNntpServer(slot);
    socket->setDedicateUploadServer(upload);
    {
        QMutexLocker locker(&lock_);
        sockets_.append(socket);
    }
    socket->start();
    return socket;
}

void FakeConnectionsManager::setBandwidthPause(std::function<std::optional<QDateTime>()> pause)
{
    QMutexLocker locker(&lock_);
    pause_ = std::move(pause);
}

QList<FakeConnectionsManager::HandIn> FakeConnectionsManager::handIns() const
{
    QMutexLocker locker(&lock_);
    return handIns_;
}

int FakeConnectionsManager::handInCount() const
{
    QMutexLocker locker(&lock_);
    return int(handIns_.size());
}

qint64 FakeConnectionsManager::handedInBytes() const
{
    QMutexLocker locker(&lock_);
    return handedInBytes_;
}

int FakeConnectionsManager::emptyHandIns() const
{
    QMutexLocker locker(&lock_);
    return emptyHandIns_;
}

QList<SegmentPtr> FakeConnectionsManager::released() const
{
    QMutexLocker locker(&lock_);
    return released_;
}

QList<SegmentPtr> FakeConnectionsManager::failedOnServer() const
{
    QMutexLocker locker(&lock_);
    return failedOnServer_;
}

QStringList FakeConnectionsManager::events() const
{
    QMutexLocker locker(&lock_);
    return events_;
}

double FakeConnectionsManager::bandwidth() const
{
    QMutexLocker locker(&lock_);
    return bandwidth_;
}

bool FakeConnectionsManager::calledOnMainThread() const
{
    QMutexLocker locker(&lock_);
    return calledOnMain_;
}

QList<TCPSocketPtr> FakeConnectionsManager::sockets() const
{
    QMutexLocker locker(&lock_);
    return sockets_;
}

TVConnectionsObjectPtr FakeConnectionsManager::row(const NNTPServerObjectPtr& slot) const
{
    return slot->uiConnectionObject();
}

QStringList FakeConnectionsManager::responses(const NNTPServerObjectPtr& slot) const
{
    const TVConnectionsObjectPtr r = slot->uiConnectionObject();
    QMutexLocker locker(&lock_);
    return r ? responses_.value(r.get()) : QStringList();
}

QStringList FakeConnectionsManager::rowStates(const NNTPServerObjectPtr& slot) const
{
    const TVConnectionsObjectPtr r = slot->uiConnectionObject();
    QMutexLocker locker(&lock_);
    return r ? rowStates_.value(r.get()) : QStringList();
}

int FakeConnectionsManager::pendingArticles() const
{
    QMutexLocker locker(&lock_);
    return int(pending_.size());
}

void FakeConnectionsManager::stopAll()
{
    const QList<TCPSocketPtr> all = sockets();
    for (const TCPSocketPtr& s : all)
        s->disconnect();
    for (const TCPSocketPtr& s : all)
        s->wait(10000);
}

void FakeConnectionsManager::noteThread()
{
    if (Dispatch::isMainThread()) {
        QMutexLocker locker(&lock_);
        calledOnMain_ = true;
    }
}

void FakeConnectionsManager::event(const QString& text)
{
    QMutexLocker locker(&lock_);
    events_.append(text);
}

SegmentPtr FakeConnectionsManager::getNextSegmentAfterDownloadedSegment(const SegmentPtr& segment,
                                                                        const NNTPServerObjectPtr&,
                                                                        TCPSocket*)
{
    noteThread();
    QMutexLocker locker(&lock_);
    if (segment) {
        const QByteArray body = segment->filedata();
        handedInBytes_ += body.size();
        if (keepBodies) {
            handIns_.append({segment, segment->status(), body});
        } else {
            handIns_.append({segment, segment->status(), QByteArray()});
            segment->setFiledata(QByteArray());
        }
    } else {
        ++emptyHandIns_;
    }
    if (pending_.empty()) return nullptr;
    SegmentPtr next = pending_.front();
    pending_.pop_front();
    next->setStatus(ArticleStatus::Downloading);
    return next;
}

quint64 FakeConnectionsManager::getBufferSize()
{
    noteThread();
    return bufferSize.load();
}

void FakeConnectionsManager::updateBandwidthUsedInLastSecond(double bytes)
{
    noteThread();
    QMutexLocker locker(&lock_);
    bandwidth_ += bytes;
}

std::optional<QDateTime> FakeConnectionsManager::measureBandwidthUsage()
{
    noteThread();
    std::function<std::optional<QDateTime>()> pause;
    {
        QMutexLocker locker(&lock_);
        pause = pause_;
    }
    return pause ? pause() : std::nullopt;
}

bool FakeConnectionsManager::checkIfDiskBufferIsFull()
{
    noteThread();
    return diskBufferFull.load();
}

bool FakeConnectionsManager::checkIfDecodingIsBehind()
{
    noteThread();
    return decodingBehind.load();
}

bool FakeConnectionsManager::onlyBackupServersConfigured()
{
    return onlyBackups.load();
}

void FakeConnectionsManager::resetReleasedSegment(const SegmentPtr& segment, const NNTPServerObjectPtr&)
{
    segment->setStatus(ArticleStatus::Queued);
    QMutexLocker locker(&lock_);
    released_.append(segment);
    pending_.push_front(segment);
}

void FakeConnectionsManager::articleFailedOnServer(const SegmentPtr& segment, const NNTPServerObjectPtr&)
{
    noteThread();
    QMutexLocker locker(&lock_);
    failedOnServer_.append(segment);
}

void FakeConnectionsManager::noteFailure(TCPSocket* socket)
{
    const QString failure = socket ? socket->connectionFailure() : QString();
    if (!failure.isEmpty()) event(QStringLiteral("connectionError ") + failure);
}

void FakeConnectionsManager::restartSocket(TCPSocket* socket, const QString& serverID)
{
    noteFailure(socket);
    event(QStringLiteral("restart ") + serverID);
    if (!autoRestart) return;
    const NNTPServerObjectPtr old = socket->nntpServer();
    NNTPServerObjectPtr slot = old->copy();
    slot->setMainNNTPServerObject(old->mainNNTPServerObject());
    slot->setUiConnectionObject(old->uiConnectionObject());
    slot->setIsInUse(true);
    openConnection(slot, socket->dedicateUploadServer());
}

void FakeConnectionsManager::removeSocketFromArray(TCPSocket* socket)
{
    noteFailure(socket);
    event(QStringLiteral("remove"));
}

void FakeConnectionsManager::authRequiredForNNTPServer(const NNTPServerObjectPtr& nntpServer)
{
    event(QStringLiteral("authRequired ") + nntpServer->alias());
}

void FakeConnectionsManager::authFailedForNNTPServer(const NNTPServerObjectPtr& nntpServer)
{
    event(QStringLiteral("authFailed ") + nntpServer->alias());
}

void FakeConnectionsManager::postingDeniedForNNTPServer(const NNTPServerObjectPtr& nntpServer,
                                                        const QueuePtr&)
{
    event(QStringLiteral("postingDenied ") + nntpServer->alias());
}

void FakeConnectionsManager::postingRefused(int code, const QString& text, const QString& from, const QueuePtr&)
{
    event(QStringLiteral("postingRefused %1 %2 :: %3").arg(code).arg(text, from));
}
