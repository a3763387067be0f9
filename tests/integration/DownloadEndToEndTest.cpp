// The whole download road with the engine as the program wires it: an NZB
// file imported, its articles fetched from scripted news servers over
// several connections, decoded, written and moved to the final folder, the
// job run to its end.

#include "core/EngineControllers.h"
#include "nntp/ConnectionsController.h"
#include "nntp/NNTPServersController.h"
#include "platform/UserDefaults.h"
#include "queue/FileWriteController.h"
#include "queue/NZBController.h"
#include "queue/QueueController.h"

#include "support/ArticleFixtures.h"
#include "support/EventLoop.h"
#include "support/NntpRule.h"
#include "support/NzbFixture.h"
#include "support/ScriptedDialogAnswerer.h"
#include "support/ScriptedNntpServer.h"
#include "support/TempHome.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <gtest/gtest.h>

#include <deque>
#include <iostream>
#include <memory>

namespace {

// A body as the server holds it: the fixture gives the transfer form, the
// server does the dot-stuffing itself.
QByteArray unstuffed(const QByteArray& transfer)
{
    QList<QByteArray> lines = transfer.split('\n');
    QByteArray out;
    for (QByteArray line : lines) {
        if (line.isEmpty()) continue;
        if (line == ".\r") break;
        if (line.startsWith("..")) line.remove(0, 1);
        out += line + '\n';
    }
    return out;
}

struct PostedFile
{
    QString name;
    QByteArray data;
    QList<QByteArray> mids; // without angle brackets
    QList<QByteArray> bodies;
};

class DownloadEndToEnd : public ::testing::Test
{
protected:
    TempHome home;
    ScriptedDialogAnswerer dialogs;
    std::deque<std::unique_ptr<ScriptedNntpServer>> servers;
    std::unique_ptr<EngineControllers> engine;
    QString downloadFolder;
    QString finalFolder;

    void SetUp() override
    {
        downloadFolder = home.makeFolder(QStringLiteral("incoming"));
        finalFolder = home.makeFolder(QStringLiteral("final"));
        UserDefaults& d = UserDefaults::standard();
        d.setObject(downloadFolder, QStringLiteral("downloadPath"));
        d.setObject(finalFolder, QStringLiteral("moveAfterDownloadPath"));
        d.setBool(true, QStringLiteral("moveAfterDownload"));
        engine = std::make_unique<EngineControllers>();
        engine->initControllers();
    }
    void TearDown() override
    {
        // What the engine logged tells which step went wrong.
        if (HasFailure()) std::cerr << readFile(home.logFilePath()).toStdString();
        engine.reset(); // closes the connections and waits for their threads
        spinEventLoop(20);
        servers.clear();
    }

    ScriptedNntpServer& addServer(const QString& alias, qint64 connections, bool backup = false)
    {
        auto nntp = std::make_unique<ScriptedNntpServer>();
        EXPECT_TRUE(nntp->start()) << nntp->errorString().toStdString();
        NNTPServersController* list = engine->nntpServersController();
        const NNTPServerObjectPtr entry = list->createNewNNTPServer();
        entry->setAlias(alias);
        entry->setAddress(QStringLiteral("127.0.0.1"));
        entry->setPort(nntp->port());
        entry->setSsl(false);
        entry->setRequiresLogin(false);
        entry->setMaxConnections(connections);
        entry->setIsbackupServerOnly(backup);
        list->buildLocalArrays();
        servers.push_back(std::move(nntp));
        return *servers.back();
    }

    static PostedFile post(const QString& name, qsizetype size, qsizetype partBytes, std::uint32_t seed)
    {
        PostedFile f;
        f.name = name;
        f.data = ArticleFixtures::randomBytes(size, seed);
        for (const QByteArray& body : ArticleFixtures::yencArticles(f.data, name.toUtf8(), partBytes)) {
            f.mids.append(QStringLiteral("%1.part%2@e2e.test").arg(name).arg(f.mids.size() + 1).toUtf8());
            f.bodies.append(unstuffed(body));
        }
        return f;
    }

    static void serve(ScriptedNntpServer& server, const PostedFile& f)
    {
        for (qsizetype i = 0; i < f.mids.size(); ++i)
            server.addArticle(f.mids[i], f.bodies[i]);
    }

    QString writeNzb(const QList<PostedFile>& files)
    {
        NzbFixture nzb;
        int index = 1;
        for (const PostedFile& f : files) {
            NzbFixture::File file;
            file.subject = NzbFixture::subjectFor(f.name, index++, int(files.size()), int(f.mids.size()));
            for (qsizetype i = 0; i < f.mids.size(); ++i)
                file.articles.append({f.bodies[i].size(), i + 1, QString::fromUtf8(f.mids[i])});
            nzb.addFile(file);
        }
        const QString path =
            QDir(home.makeFolder(QStringLiteral("nzbs"))).filePath(QStringLiteral("Holiday Pictures.nzb"));
        EXPECT_TRUE(nzb.write(path));
        return path;
    }

    QueuePtr import(const QString& path)
    {
        engine->nzbController()->parseFileUrl(path, false);
        QueuePtr job;
        waitUntil(
            [&] {
                for (const QueuePtr& q : engine->queueController()->queueArray())
                    if (q->nzbFile() == path) job = q;
                return job != nullptr;
            },
            20000);
        return job;
    }

    static QByteArray readFile(const QString& path)
    {
        QFile file(path);
        if (!file.open(QIODevice::ReadOnly)) return QByteArray();
        return file.readAll();
    }
    // The BODY commands a server received, message-ids as sent.
    static QList<QByteArray> bodies(const ScriptedNntpServer& server)
    {
        QList<QByteArray> out;
        for (const QByteArray& line : server.commandLines())
            if (line.startsWith("BODY ")) out.append(line.mid(5));
        return out;
    }

    bool waitUntilFinished(const QueuePtr& job)
    {
        return waitUntil([&] { return job->status() == 10; }, 60000);
    }

    // Both files as posted in the job's folder below the final folder, the
    // download folder of the job gone with the move.
    void expectFilesInFinalFolder(const QueuePtr& job, const QList<PostedFile>& files)
    {
        const QString folder = job->downloadUrl();
        EXPECT_EQ(QFileInfo(folder).absolutePath(), QFileInfo(finalFolder).absoluteFilePath())
            << folder.toStdString();
        EXPECT_TRUE(
            QDir(downloadFolder).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden).isEmpty())
            << QDir(downloadFolder)
                   .entryList(QDir::AllEntries | QDir::NoDotAndDotDot)
                   .join(u' ')
                   .toStdString();
        // One move: a second run of the job's steps would leave a second
        // folder beside it.
        EXPECT_EQ(QDir(finalFolder).entryList(QDir::AllEntries | QDir::NoDotAndDotDot),
                  QStringList({QFileInfo(folder).fileName()}));
        for (const PostedFile& f : files) {
            const QByteArray written = readFile(QDir(folder).filePath(f.name));
            EXPECT_EQ(written.size(), f.data.size()) << f.name.toStdString();
            EXPECT_TRUE(written == f.data) << f.name.toStdString();
        }
    }
};

TEST_F(DownloadEndToEnd, AnNzbDownloadsOverSeveralConnectionsToTheFinalFolder)
{
    ScriptedNntpServer& server = addServer(QStringLiteral("Main"), 3);
    const PostedFile photos = post(QStringLiteral("photos.bin"), 250000, 40000, 7);
    const PostedFile notes = post(QStringLiteral("notes.dat"), 90000, 40000, 11);
    serve(server, photos);
    serve(server, notes);

    const QueuePtr job = import(writeNzb({photos, notes}));
    ASSERT_TRUE(job);
    ASSERT_TRUE(waitUntilFinished(job))
        << "status " << job->status() << " " << job->commentTextField().toStdString();

    EXPECT_GE(server.peakConnections(), 2);
    for (const PostedFile* f : {&photos, &notes})
        for (const QByteArray& mid : f->mids)
            EXPECT_EQ(server.bodyRequests("<" + mid + ">"), 1) << mid.toStdString();
    EXPECT_EQ(bodies(server).size(), photos.mids.size() + notes.mids.size());
    expectFilesInFinalFolder(job, {photos, notes});
}

TEST_F(DownloadEndToEnd, AnArticleTheMainServerLacksComesFromTheBackupServer)
{
    ScriptedNntpServer& main = addServer(QStringLiteral("Main"), 2);
    ScriptedNntpServer& fill = addServer(QStringLiteral("Fill"), 1, true);
    const PostedFile photos = post(QStringLiteral("photos.bin"), 250000, 40000, 21);
    const PostedFile notes = post(QStringLiteral("notes.dat"), 90000, 40000, 22);
    serve(main, photos);
    serve(main, notes);
    serve(fill, photos);
    serve(fill, notes);
    const QByteArray missing = "<" + photos.mids[3] + ">";
    main.addRule(NntpRule::on("BODY").withArgument(missing).reply(430, "No such article"));

    const QueuePtr job = import(writeNzb({photos, notes}));
    ASSERT_TRUE(job);
    ASSERT_TRUE(waitUntilFinished(job))
        << "status " << job->status() << " " << job->commentTextField().toStdString();

    EXPECT_EQ(main.bodyRequests(missing), 1);
    EXPECT_EQ(bodies(fill), QList<QByteArray>({missing}));
    for (const PostedFile* f : {&photos, &notes})
        for (const QByteArray& mid : f->mids)
            EXPECT_EQ(main.bodyRequests("<" + mid + ">"), 1) << mid.toStdString();
    EXPECT_EQ(bodies(main).size(), photos.mids.size() + notes.mids.size());
    expectFilesInFinalFolder(job, {photos, notes});
}

// A file many times larger than the bodies a part may hold: its articles
// go to the part's spool while it downloads, and the file ends whole.
TEST_F(DownloadEndToEnd, AFileLargerThanTheHeldBodiesIsSpooledWhileItDownloads)
{
    FileWriteController& writer = engine->queueController()->fileWriteController();
    writer.setEarlySpoolThreshold(120000);
    ScriptedNntpServer& server = addServer(QStringLiteral("Main"), 3);
    const PostedFile video = post(QStringLiteral("video.mkv"), 1500000, 40000, 31);
    const PostedFile notes = post(QStringLiteral("notes.dat"), 30000, 40000, 32);
    serve(server, video);
    serve(server, notes);

    const QueuePtr job = import(writeNzb({video, notes}));
    ASSERT_TRUE(job);
    ASSERT_TRUE(waitUntilFinished(job))
        << "status " << job->status() << " " << job->commentTextField().toStdString();

    EXPECT_GT(writer.spooledBytes(), 0);
    for (const QByteArray& mid : video.mids)
        EXPECT_EQ(server.bodyRequests("<" + mid + ">"), 1) << mid.toStdString();
    expectFilesInFinalFolder(job, {video, notes});
}

} // namespace
