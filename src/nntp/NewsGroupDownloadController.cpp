#include "nntp/NewsGroupDownloadController.h"

#include "core/Logger.h"
#include "nntp/NewsGroupDownloadControllerDelegate.h"
#include "nntp/NewsgroupListQueueInterface.h"
#include "platform/Dispatch.h"
#include "queue/Queue.h"
#include "queue/StatusCodes.h"

#include <QPointer>

NewsGroupDownloadController::NewsGroupDownloadController(QObject* parent) : QObject(parent)
{
    QPointer<NewsGroupDownloadController> self(this);
    NotificationHub::defaultCenter().addObserver(QString::fromLatin1(kResultNotification), this,
                                                 [self](const Notification& notification) {
                                                     if (!self) return;
                                                     if (Dispatch::isMainThread()) {
                                                         self->newsgroupListDownloadResult(notification);
                                                         return;
                                                     }
                                                     Dispatch::onThreadOf(self, [self, notification] {
                                                         if (self)
                                                             self->newsgroupListDownloadResult(notification);
                                                     });
                                                 });
}

NewsGroupDownloadController::~NewsGroupDownloadController()
{
    NotificationHub::defaultCenter().removeObserver(this);
}

QueuePtr NewsGroupDownloadController::makeQueueObject()
{
    const QString title = QString::fromLatin1(kTitle);
    const QueuePtr root = Queue::create();
    root->setTitle(title);
    root->setBytes(100.0);
    root->setTotalBytesLeft(100.0);
    root->setTotalSegments(1);
    root->setTotalSegmentsLeftToDownload(1);
    root->setIsNewsgroupsRequest(true);
    root->setSegmentsReceived(true);
    root->setFilelistReceived(true);
    root->setCheckbox(1);

    const QueuePtr part = Queue::create();
    part->setQueue(root);
    part->setIsFilepart(true);
    part->setCheckboxDisabled(true);
    part->setCheckbox(1);
    part->setTitle(title);
    part->setFilename(title);
    part->setBytes(100.0);
    part->setTotalBytesLeft(100.0);
    part->setTotalSegments(1);
    part->setTotalSegmentsLeftToDownload(1);
    part->setStatus(FilePartStatus::Queued);

    const SegmentPtr segment = Segment::create();
    segment->setQueue(root);
    segment->setFilepart(part);
    segment->setSegnr(1);
    segment->setSegtotal(1);
    segment->setStatus(ArticleStatus::Queued);

    part->setSegments({segment});
    root->setFileparts({part});
    return root;
}

void NewsGroupDownloadController::getNewsGroupListFromServerID(const QString& serverID)
{
    cancelled_ = false;
    if (serverID.isEmpty()) {
        connectionStatusReceivedDelegate(QStringLiteral("Unknown server selected"));
        return;
    }
    const QueuePtr job = makeQueueObject();
    job->setServerID(serverID);
    queueRequestObject_ = job;
    if (!queueController_) {
        // Nothing would ever fetch the job: the window is told the download
        // is over rather than left waiting.
        BLOG(3, "No download queue for the newsgroup list request");
        connectionIsClosedDelegate();
        return;
    }
    queueController_->dpRootQueueObjectCheckBoxClicked(job);
    connectionStatusReceivedDelegate(QStringLiteral("Newsgroups listing queued for download"));
}

void NewsGroupDownloadController::cancel()
{
    cancelled_ = true;
    if (!queueRequestObject_) return;
    queueRequestObject_->setCheckbox(0);
    if (queueController_) queueController_->dpRootQueueObjectCheckBoxClicked(queueRequestObject_);
}

void NewsGroupDownloadController::newsgroupListDownloadResult(const Notification& notification)
{
    // Only a controller with a request of its own waits for a result.
    if (!queueRequestObject_) return;
    if (notification.userInfo.value(QStringLiteral("status")).toString() == QLatin1String("ok"))
        newsgroupsReceived();
    connectionIsClosedDelegate();
}

void NewsGroupDownloadController::newsgroupsReceived()
{
    const QueuePtr job = queueRequestObject_;
    if (!job) return;
    if (!cancelled_) {
        const QList<QueuePtr> parts = job->fileparts();
        const QList<SegmentPtr> segments = parts.isEmpty() ? QList<SegmentPtr>() : parts.first()->segments();
        if (!segments.isEmpty()) {
            const QByteArray reply = segments.first()->filedata();
            // The reply is not kept in the queue: a list is megabytes long.
            segments.first()->setFiledata(QByteArray());
            parts.first()->setSegments({});
            BLOG(2, "Newsgroups list received");
            newsgroupsListReceivedDelegate(reply);
        }
    }
    job->setStatus(JobStatus::Finished);
}

void NewsGroupDownloadController::updateConnectionStatus(const QString& text)
{
    connectionStatusReceivedDelegate(text);
}

void NewsGroupDownloadController::newsgroupsListReceivedDelegate(const QByteArray& reply)
{
    if (delegate_) delegate_->newsgroupsReceived(reply);
}

void NewsGroupDownloadController::connectionStatusReceivedDelegate(const QString& text)
{
    if (delegate_) delegate_->connectionStatusReceived(text);
}

void NewsGroupDownloadController::connectionIsClosedDelegate()
{
    if (delegate_) delegate_->connectionIsClosed();
}
