#pragma once

#include "platform/NotificationHub.h"

#include <QByteArray>
#include <QObject>
#include <QString>

#include <memory>

class NewsGroupDownloadControllerDelegate;
class NewsgroupListQueueInterface;
class Queue;
using QueuePtr = std::shared_ptr<Queue>;

// Fetches the newsgroup list of one news server through the download queue:
// the request becomes a small job of one file part and one article, which
// an ordinary connection to that server serves with LIST (see
// NewsgroupListQueueInterface for what the queue does with it). When the
// queue reports "NewsgroupListDownloadResult", the raw reply block goes to
// the delegate and is dropped from the job.
//
// One download per controller; the controller and its job live as long as
// the window that asked. Main thread.
class NewsGroupDownloadController : public QObject
{
    Q_OBJECT
public:
    static constexpr const char* kTitle = "Refreshing Newsgroups Listing";
    static constexpr const char* kResultNotification = "NewsgroupListDownloadResult";

    explicit NewsGroupDownloadController(QObject* parent = nullptr);
    ~NewsGroupDownloadController() override;

    // Both held weakly: their owners outlive the controller.
    void setDelegate(NewsGroupDownloadControllerDelegate* delegate) { delegate_ = delegate; }
    NewsGroupDownloadControllerDelegate* delegate() const { return delegate_; }
    void setQueueController(NewsgroupListQueueInterface* queueController)
    {
        queueController_ = queueController;
    }
    NewsgroupListQueueInterface* queueController() const { return queueController_; }

    // Builds the request job for the server `serverID` and hands it to the
    // queue. Without an id only "Unknown server selected" is reported.
    void getNewsGroupListFromServerID(const QString& serverID);
    // Takes the job out of the queue; a reply that still comes is not handed
    // over.
    void cancel();

    // The request job: a root with one file part (FilePartStatus::Queued)
    // with one article (ArticleStatus::Queued), each checked.
    static QueuePtr makeQueueObject();

    // The reply of the job's article to the delegate, unless cancelled; the
    // job ends at JobStatus::Finished either way.
    void newsgroupsReceived();
    // The queue's "NewsgroupListDownloadResult".
    void newsgroupListDownloadResult(const Notification& notification);
    void updateConnectionStatus(const QString& text);

    bool cancelled() const { return cancelled_; }
    QueuePtr queueRequestObject() const { return queueRequestObject_; }

private:
    void newsgroupsListReceivedDelegate(const QByteArray& reply);
    void connectionStatusReceivedDelegate(const QString& text);
    void connectionIsClosedDelegate();

    bool cancelled_ = false;
    QueuePtr queueRequestObject_;
    NewsGroupDownloadControllerDelegate* delegate_ = nullptr;
    NewsgroupListQueueInterface* queueController_ = nullptr;
};
