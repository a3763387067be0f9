#pragma once

#include "platform/SerialQueue.h"
#include "queue/Queue.h"

#include <QObject>
#include <QPointer>
#include <QString>
#include <QStringList>

#include <atomic>
#include <memory>

class QueueController;

// Turns NZB files (opened or dropped by the user, found by the watch folder,
// or found inside a finished download) into root jobs: each file becomes a
// job that the scheduler admits (or refuses as a duplicate) and one NZBParser
// operation on the serial import queue. Main thread.
class NZBController : public QObject
{
    Q_OBJECT
public:
    explicit NZBController(QObject* parent = nullptr);
    // Waits for the running import, which stops waiting for the main thread.
    ~NZBController() override;

    QueueController* queueController() const;
    void setQueueController(QueueController* controller);
    SerialQueue& nzbImportQueue() { return nzbImportQueue_; }

    // parseFileUrl() for each file in order, never forced.
    void parseArray(const QStringList& fileUrls);
    // Makes a job of the file and queues its import; a file whose job is
    // refused as a duplicate is neither parsed nor deleted. With
    // `forceDelete` the file is deleted (to the Trash) after the import
    // whatever the settings.
    void parseFileUrl(const QString& fileUrl, bool forceDelete);
    // Fills an already queued job again from an NZB file found inside it.
    void parseEmbeddedNZBFileUrl(const QString& fileUrl, const QueuePtr& root);

    // Takes a password written as "{{password}}" out of the root's title:
    // the last such group is the password (when
    // "enableCheckForPasswordInNZBTitle" is on); every group leaves the title
    // unless fewer than 3 characters would remain.
    static void checkForPasswordInFileName(const QueuePtr& root);

    // Tells the user that a job (one read from `nzbFile`, or one split off
    // it) was not added because a job of its title is queued: a log line
    // and the notification "NZBImportRefusedDuplicate" with {"queueobject",
    // "title", "nzbFile"}. Main thread.
    static void reportRefusedDuplicate(const QueuePtr& root, const QString& nzbFile);

private:
    void startParser(const QueuePtr& root, bool forceDelete);

    QPointer<QueueController> queueController_;
    std::shared_ptr<std::atomic<bool>> stopWaiting_ = std::make_shared<std::atomic<bool>>(false);
    SerialQueue nzbImportQueue_{QStringLiteral("nzbImportQueue")};
};
