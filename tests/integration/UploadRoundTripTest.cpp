// Files posted by an upload job to a scripted news server, the NZB the job
// wrote imported again and its articles fetched back from what the server
// received: what comes out must be the files that went in, byte for byte.

#include "engine/EngineControllers.h"
#include "nntp/NNTPServersController.h"
#include "platform/UserDefaults.h"
#include "queue/NZBController.h"
#include "queue/QueueController.h"

#include "queue/StatusCodes.h"
#include "support/ArticleFixtures.h"
#include "support/EventLoop.h"
#include "support/ScriptedDialogAnswerer.h"
#include "support/ScriptedNntpServer.h"
#include "support/ScriptedServerEntry.h"
#include "support/TempHome.h"
#include "support/TestFiles.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSet>

#include <gtest/gtest.h>

#include <iostream>
#include <memory>
#include <optional>

namespace {

bool writeFile(const QString& path, const QByteArray& data)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(data) == data.size();
}

// A POSTed article as the server received it: its Message-ID (angle brackets
// kept) and its body with the dot-stuffing and the terminating line taken
// off, the form the server's BODY reply is built from.
struct ReceivedArticle
{
    QByteArray mid;
    QByteArray body;
};

std::optional<ReceivedArticle> parsePosted(const QByteArray& bytes)
{
    const qsizetype split = bytes.indexOf("\r\n\r\n");
    if (split < 0) return std::nullopt;
    const QByteArray headers = bytes.left(split);
    static const QRegularExpression midHeader(QStringLiteral("^Message-ID:\\s*(<[^>]+>)\\s*$"),
                                              QRegularExpression::MultilineOption |
                                                  QRegularExpression::CaseInsensitiveOption);
    const QRegularExpressionMatch m = midHeader.match(QString::fromLatin1(headers).remove(u'\r'));
    if (!m.hasMatch()) return std::nullopt;
    ReceivedArticle a;
    a.mid = m.captured(1).toLatin1();
    for (QByteArray line : bytes.mid(split + 4).split('\n')) {
        if (line.endsWith('\r')) line.chop(1);
        if (line == ".") break;
        if (line.startsWith("..")) line.remove(0, 1);
        a.body += line + "\r\n";
    }
    return a;
}

class UploadRoundTrip : public ::testing::Test
{
protected:
    TempHome home;
    ScriptedDialogAnswerer dialogs;
    ScriptedNntpServer server;
    std::unique_ptr<EngineControllers> engine;
    QString downloadFolder;
    QString finalFolder;
    QString nzbFolder;
    QString sourceFolder;
    QString serverID;

    void SetUp() override
    {
        downloadFolder = home.makeFolder(QStringLiteral("incoming"));
        finalFolder = home.makeFolder(QStringLiteral("final"));
        nzbFolder = home.makeFolder(QStringLiteral("nzb"));
        sourceFolder = home.makeFolder(QStringLiteral("to-post"));
        UserDefaults& d = UserDefaults::standard();
        d.setObject(downloadFolder, QStringLiteral("downloadPath"));
        d.setObject(finalFolder, QStringLiteral("moveAfterDownloadPath"));
        d.setBool(true, QStringLiteral("moveAfterDownload"));
        d.setObject(nzbFolder, QStringLiteral("uploadNZBExportPath"));
        engine = std::make_unique<EngineControllers>();
        engine->initControllers();

        ASSERT_TRUE(server.start()) << server.errorString().toStdString();
        NNTPServersController* list = engine->nntpServersController();
        const NNTPServerObjectPtr entry = addScriptedServerEntry(*list, server, QStringLiteral("Main"), 2);
        list->buildLocalArrays();
        serverID = entry->serverID();
    }
    void TearDown() override
    {
        if (HasFailure()) std::cerr << fileBytes(home.logFilePath()).toStdString();
        engine.reset();
        spinEventLoop(20);
        server.stop();
    }

    QueuePtr importNzb(const QString& path)
    {
        engine->nzbController()->parseFileUrl(path, false);
        QueuePtr job;
        waitUntil(
            [&] {
                for (const QueuePtr& q : engine->queueController()->queueArray())
                    if (!q->isUploadObject() && q->nzbFile() == path) job = q;
                return job != nullptr;
            },
            20000);
        return job;
    }
};

TEST_F(UploadRoundTrip, PostedFilesComeBackByteForByteThroughTheirNzb)
{
    // One file that ends exactly on an article boundary, one of a single byte.
    const QByteArray even = ArticleFixtures::randomBytes(3000, 31);
    const QByteArray tiny = ArticleFixtures::randomBytes(1, 32);
    const QString evenPath = QDir(sourceFolder).filePath(QStringLiteral("even.bin"));
    const QString tinyPath = QDir(sourceFolder).filePath(QStringLiteral("tiny.bin"));
    ASSERT_TRUE(writeFile(evenPath, even));
    ASSERT_TRUE(writeFile(tinyPath, tiny));

    const QString nzbPath = QDir(nzbFolder).filePath(QStringLiteral("Round Trip.nzb"));
    const QueuePtr upload = Queue::create();
    upload->setIsUploadObject(true);
    upload->setIsBinaryUpload(true);
    upload->setTitle(QStringLiteral("Round Trip"));
    upload->setServerID(serverID);
    upload->setPoster(QStringLiteral("Tester <tester@example.invalid>"));
    upload->setGroups(QStringLiteral("alt.binaries.test"));
    upload->setRawUrls({evenPath, tinyPath});
    upload->setMaxArticleSize(1000);
    upload->setMakeNZB(true);
    upload->setUploadNZB(false);
    upload->setNzbExportUrl(nzbPath);
    upload->setDelegate(engine->queueController());
    upload->setStatus(UploadStatus::AddingToQueue);

    ASSERT_TRUE(waitUntil([&] { return upload->commentTextField() == QStringLiteral("Upload finished"); }, 60000))
        << "status " << upload->status() << " " << upload->commentTextField().toStdString();
    ASSERT_TRUE(QFileInfo::exists(nzbPath));

    // 3 articles for the even file, 1 for the byte, each under an id of its own.
    const QList<NntpPostedArticle> posted = server.postedArticles();
    ASSERT_EQ(posted.size(), 4);
    QSet<QByteArray> mids;
    for (const NntpPostedArticle& p : posted) {
        const std::optional<ReceivedArticle> a = parsePosted(p.bytes);
        ASSERT_TRUE(a) << p.bytes.left(400).toStdString();
        mids.insert(a->mid);
        server.addArticle(a->mid, a->body);
    }
    EXPECT_EQ(mids.size(), 4);

    // Imported under a title of its own: the finished upload of the same
    // title is still in the queue, and a second job of one title is refused.
    const QString downloadNzb = QDir(nzbFolder).filePath(QStringLiteral("Round Trip back.nzb"));
    ASSERT_TRUE(QFile::copy(nzbPath, downloadNzb));
    const QueuePtr job = importNzb(downloadNzb);
    ASSERT_TRUE(job);
    ASSERT_TRUE(waitUntil([&] { return job->status() == JobStatus::Finished; }, 60000))
        << "status " << job->status() << " " << job->commentTextField().toStdString();

    for (const QByteArray& mid : mids)
        EXPECT_EQ(server.bodyRequests(mid), 1) << mid.toStdString();
    const QString folder = job->downloadUrl();
    EXPECT_EQ(QFileInfo(folder).absolutePath(), QFileInfo(finalFolder).absoluteFilePath()) << folder.toStdString();
    const QByteArray evenBack = fileBytes(QDir(folder).filePath(QStringLiteral("even.bin")));
    const QByteArray tinyBack = fileBytes(QDir(folder).filePath(QStringLiteral("tiny.bin")));
    EXPECT_EQ(evenBack.size(), even.size());
    EXPECT_TRUE(evenBack == even);
    EXPECT_EQ(tinyBack.size(), tiny.size());
    EXPECT_TRUE(tinyBack == tiny);
}

} // namespace
