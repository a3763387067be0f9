#include "queue/NZBController.h"

#include "core/Logger.h"
#include "platform/NotificationHub.h"
#include "platform/UserDefaults.h"
#include "queue/NZBParser.h"
#include "queue/QueueController.h"
#include "queue/StatusCodes.h"

#include <QFileInfo>
#include <QRegularExpression>
#include <QUuid>

NZBController::NZBController(QObject* parent) : QObject(parent)
{}

NZBController::~NZBController()
{
    stopWaiting_->store(true);
    nzbImportQueue_.cancelAllOperations();
    nzbImportQueue_.waitUntilAllOperationsAreFinished();
}

QueueController* NZBController::queueController() const
{
    return queueController_;
}

void NZBController::setQueueController(QueueController* controller)
{
    queueController_ = controller;
}

void NZBController::parseArray(const QStringList& fileUrls)
{
    for (const QString& url : fileUrls)
        parseFileUrl(QString(url), false);
}

void NZBController::parseFileUrl(const QString& fileUrl, bool forceDelete)
{
    const QueuePtr root = Queue::create();
    root->setFileparts({});
    root->setTitle(QFileInfo(fileUrl).completeBaseName());
    root->setNzbFile(fileUrl);
    root->setIsNZB(true);
    root->setQid(QUuid::createUuid().toString(QUuid::WithoutBraces).toUpper());
    checkForPasswordInFileName(root);
    if (!queueController_) return;
    // From its admission on the job is in the queue, but it is not whole
    // until the parser has read its last part.
    root->setIsImporting(true);
    if (!queueController_->addNZBRootObjectToQueue(root)) {
        reportRefusedDuplicate(root, fileUrl);
        return;
    }
    root->setStatus(JobStatus::ParsingNZB);
    startParser(root, forceDelete);
}

void NZBController::parseEmbeddedNZBFileUrl(const QString& fileUrl, const QueuePtr& root)
{
    if (!root) return;
    root->setIsImporting(true);
    root->setFileparts({});
    // The size is that of the parts read from the new file; the NZB files
    // that were the job so far are gone from it.
    root->setBytes(0.0);
    root->setNzbFile(fileUrl);
    root->setIsNZB(true);
    root->setHasEmbeddedNZB(false);
    checkForPasswordInFileName(root);
    root->setStatus(JobStatus::ParsingNZB);
    startParser(root, false);
}

void NZBController::startParser(const QueuePtr& root, bool forceDelete)
{
    auto parser = std::make_shared<NZBParser>(root);
    parser->setQueueController(queueController_);
    parser->setForceDelete(forceDelete);
    parser->setStopWaiting(stopWaiting_);
    nzbImportQueue_.addOperation([parser] { parser->main(); });
}

void NZBController::checkForPasswordInFileName(const QueuePtr& root)
{
    if (!root) return;
    static const QRegularExpression group(QStringLiteral("\\{\\{(.*?)\\}\\}"));
    const QString title = root->title();
    QStringList kept;
    for (auto it = group.globalMatch(title); it.hasNext();) {
        const QString whole = it.next().captured(0);
        if (!whole.isEmpty()) kept.append(whole);
    }
    if (kept.isEmpty()) return;
    QString cleaned = title;
    for (const QString& match : kept)
        cleaned.remove(match);
    QString candidate = kept.last();
    candidate.remove(QLatin1Char('{'));
    candidate.remove(QLatin1Char('}'));
    if (!candidate.isEmpty() &&
        UserDefaults::standard().boolForKey(QStringLiteral("enableCheckForPasswordInNZBTitle"))) {
        root->setHasPassword(true);
        root->setPassword(candidate);
    }
    if (cleaned.size() >= 3) root->setTitle(cleaned);
}

void NZBController::reportRefusedDuplicate(const QueuePtr& root, const QString& nzbFile)
{
    if (!root) return;
    const QString title = root->title();
    BLOG(4, "Not added, a job of this title is already in the queue :: %@", title);
    NotificationHub::defaultCenter().post(QStringLiteral("NZBImportRefusedDuplicate"), nullptr,
                                          {{QStringLiteral("queueobject"), QVariant::fromValue(root)},
                                           {QStringLiteral("title"), title},
                                           {QStringLiteral("nzbFile"), nzbFile}});
}
