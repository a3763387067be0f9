#include "InnEndToEnd.h"

#include "nntp/NNTPServersController.h"
#include "queue/StatusCodes.h"

#include "support/EventLoop.h"
#include "support/ScriptedServerEntry.h"

#include <QDir>
#include <QFileInfo>

#include <iostream>

void InnEndToEnd::SetUp()
{
    EngineEndToEnd::SetUp();
    ASSERT_TRUE(inn.start()) << inn.errorString().toStdString();
}

void InnEndToEnd::TearDown()
{
    const bool failed = HasFailure();
    EngineEndToEnd::TearDown();
    if (failed) std::cerr << inn.logs().toStdString();
    inn.stop();
}

NNTPServerObjectPtr InnEndToEnd::addInnServer(const QString& alias, qint64 connections)
{
    NNTPServersController* list = engine->nntpServersController();
    const NNTPServerObjectPtr entry = addScriptedServerEntry(*list, inn.port(), alias, connections);
    list->buildLocalArrays();
    return entry;
}

QString InnEndToEnd::upload(const QString& title, const QStringList& files, const QString& serverID,
                            qint64 articleSize, int timeoutMs, const QString& poster)
{
    const QString nzbPath =
        QDir(home.makeFolder(QStringLiteral("posted"))).filePath(title + QStringLiteral(".nzb"));
    const QueuePtr job = Queue::create();
    job->setIsUploadObject(true);
    job->setIsBinaryUpload(true);
    job->setTitle(title);
    job->setServerID(serverID);
    job->setPoster(poster);
    job->setGroups(InnServer::group());
    job->setRawUrls(files);
    job->setMaxArticleSize(double(articleSize));
    job->setMakeNZB(true);
    job->setUploadNZB(false);
    job->setNzbExportUrl(nzbPath);
    job->setDelegate(engine->queueController());
    job->setStatus(UploadStatus::AddingToQueue);

    const QList<qint64> failures = {UploadStatus::UploadError, UploadStatus::PostingDenied,
                                    UploadStatus::EncodingError, UploadStatus::NZBCreationError,
                                    UploadStatus::NoServersAvailable};
    const bool ended = waitUntil(
        [&] {
            return job->commentTextField() == QStringLiteral("Upload finished") ||
                   failures.contains(job->status());
        },
        timeoutMs);
    EXPECT_TRUE(ended && !failures.contains(job->status()))
        << "upload " << title.toStdString() << ": status " << job->status() << " "
        << job->commentTextField().toStdString();
    EXPECT_TRUE(QFileInfo::exists(nzbPath)) << nzbPath.toStdString();
    return ended && !failures.contains(job->status()) && QFileInfo::exists(nzbPath) ? nzbPath : QString();
}

bool InnEndToEnd::sameFile(const QString& original, const QString& folder, const QString& name)
{
    const QByteArray expected = fileBytes(original);
    const QByteArray got = fileBytes(QDir(folder).filePath(name));
    return !expected.isEmpty() && got == expected;
}
