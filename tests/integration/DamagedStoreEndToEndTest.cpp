// The two stores a start depends on, the server list and the saved queue,
// found damaged when the engine starts: each is moved aside and made anew,
// the user is told once per store, and the server entered again and the job
// added afterwards are there after the next start, where the job finishes.

#include "engine/EngineControllers.h"
#include "nntp/NNTPServersController.h"
#include "platform/UserDefaults.h"
#include "queue/NZBController.h"
#include "queue/QueueController.h"
#include "queue/SaveRestoreController.h"
#include "queue/StatusCodes.h"

#include "support/DamagedStoreFiles.h"
#include "support/EventLoop.h"
#include "support/NntpRule.h"
#include "support/PostedFiles.h"
#include "support/ScriptedDialogAnswerer.h"
#include "support/ScriptedNntpServer.h"
#include "support/ScriptedServerEntry.h"
#include "support/TempHome.h"
#include "support/TestFiles.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QThreadPool>

#include <gtest/gtest.h>

#include <atomic>
#include <iostream>
#include <memory>
#include <thread>

namespace {

const QStringList kStores = {QStringLiteral("nntpservers.db"), QStringLiteral("savestate.db")};

class DamagedStoresAtStart : public ::testing::TestWithParam<DamagedStoreContent>
{
protected:
    TempHome home;
    ScriptedDialogAnswerer dialogs;
    ScriptedNntpServer server;
    std::unique_ptr<EngineControllers> engine;
    QString dbFolder = home.appSupportPath() + QStringLiteral("/db");
    QString finalFolder;

    void SetUp() override
    {
        ASSERT_TRUE(server.start()) << server.errorString().toStdString();
        finalFolder = home.makeFolder(QStringLiteral("final"));
        UserDefaults& d = UserDefaults::standard();
        d.setObject(home.makeFolder(QStringLiteral("incoming")), QStringLiteral("downloadPath"));
        d.setObject(finalFolder, QStringLiteral("moveAfterDownloadPath"));
        d.setBool(true, QStringLiteral("moveAfterDownload"));
    }

    void TearDown() override
    {
        if (HasFailure()) std::cerr << fileBytes(home.logFilePath()).toStdString();
        engine.reset();
        spinEventLoop(20);
    }

    // A start as the program makes it: the controllers, then the saved
    // queue loaded on a worker thread and handed over on this one.
    void startEngine(qsizetype expectedJobs)
    {
        engine = std::make_unique<EngineControllers>();
        engine->initControllers();
        SaveRestoreController restore;
        restore.setQueueController(engine->queueController());
        restore.setRepairController(engine->repairController());
        std::atomic<bool> loaded{false};
        std::thread loader([&] {
            restore.loadQueue();
            loaded = true;
        });
        EXPECT_TRUE(waitUntil([&] { return loaded.load(); }, 20000));
        loader.join();
        EXPECT_TRUE(waitUntil([&] { return engine->queueController()->queueArray().size() >= expectedJobs; }, 20000));
        EXPECT_TRUE(waitUntil([] { return QThreadPool::globalInstance()->activeThreadCount() == 0; }, 20000));
        QCoreApplication::sendPostedEvents();
        spinEventLoop(50);
    }

    // The save the program makes while it runs and at its quit.
    bool saveQueue()
    {
        SaveRestoreController save;
        save.setQueueController(engine->queueController());
        return save.saveQueue();
    }

    QStringList setAside(const QString& store) const
    {
        return QDir(dbFolder).entryList({store + QStringLiteral(".damaged-*")}, QDir::Files, QDir::Name);
    }
};

TEST_P(DamagedStoresAtStart, AreSetAsideWithOneMessageEachAndTheNextJobSurvivesARestart)
{
    const QByteArray damaged = GetParam().make(home.makeFolder(QStringLiteral("scratch")));
    ASSERT_TRUE(QDir().mkpath(dbFolder));
    for (const QString& store : kStores)
        ASSERT_TRUE(writeFileBytes(dbFolder + QLatin1Char('/') + store, damaged));

    ASSERT_NO_FATAL_FAILURE(startEngine(0));
    EXPECT_TRUE(engine->queueController()->queueArray().isEmpty());
    EXPECT_TRUE(engine->nntpServersController()->arrayNNTPServers().isEmpty());
    QStringList asidePaths;
    for (const QString& store : kStores) {
        const QStringList aside = setAside(store);
        ASSERT_EQ(aside.size(), 1) << store.toStdString();
        asidePaths.append(dbFolder + QLatin1Char('/') + aside[0]);
        EXPECT_TRUE(fileBytes(asidePaths.last()) == damaged) << store.toStdString();
    }
    // One message per store, in plain words, naming where the old file is.
    ASSERT_TRUE(waitUntil([&] { return dialogs.asked().size() >= 2; }));
    spinEventLoop(50);
    const QList<DialogRequest> asked = dialogs.asked();
    ASSERT_EQ(asked.size(), 2);
    QString texts;
    for (const DialogRequest& r : asked) {
        EXPECT_EQ(r.title, QStringLiteral("Saved data could not be read"));
        texts += r.info + QLatin1Char('\n');
    }
    EXPECT_TRUE(texts.contains(QStringLiteral("The news server list (nntpservers.db) could not be read")))
        << texts.toStdString();
    EXPECT_TRUE(texts.contains(QStringLiteral("The saved download queue (savestate.db) could not be read")))
        << texts.toStdString();
    for (const QString& path : asidePaths)
        EXPECT_TRUE(texts.contains(path)) << path.toStdString();

    // The user enters the server again and adds a job, which cannot finish
    // in this run: the server keeps one article back.
    NNTPServersController* list = engine->nntpServersController();
    addScriptedServerEntry(*list, server, QStringLiteral("Main"), 2);
    ASSERT_TRUE(list->saveNNTPServers());
    list->buildLocalArrays();
    const PostedFile photos = PostedFile::make(QStringLiteral("photos.bin"), 200000, 40000, 71);
    const PostedFile notes = PostedFile::make(QStringLiteral("notes.dat"), 90000, 40000, 72);
    serve(server, photos);
    serve(server, notes);
    const QByteArray held = notes.bracketedMid(1);
    server.addRule(NntpRule::on("BODY").withArgument(held).goSilent());
    const QString nzb = QDir(home.makeFolder(QStringLiteral("nzbs"))).filePath(QStringLiteral("Holiday.nzb"));
    ASSERT_TRUE(writeNzb(nzb, {photos, notes}));
    engine->nzbController()->parseFileUrl(nzb, false);
    ASSERT_TRUE(waitUntil([&] { return server.bodyRequests(held) >= 1; }, 30000));
    ASSERT_EQ(engine->queueController()->queueArray().size(), 1);
    ASSERT_TRUE(saveQueue());

    // The next start finds both, and the job finishes.
    engine.reset();
    spinEventLoop(20);
    server.clearRules();
    ASSERT_NO_FATAL_FAILURE(startEngine(1));
    EXPECT_EQ(engine->nntpServersController()->arrayNNTPServers().size(), 1);
    const QList<QueuePtr> jobs = engine->queueController()->queueArray();
    ASSERT_EQ(jobs.size(), 1);
    const QueuePtr job = jobs.first();
    EXPECT_EQ(job->title(), QStringLiteral("Holiday"));
    ASSERT_TRUE(waitUntil([&] { return job->status() == JobStatus::Finished; }, 60000))
        << "status " << job->status() << " " << job->commentTextField().toStdString();
    const QString folder = QDir(finalFolder).filePath(QStringLiteral("Holiday"));
    for (const PostedFile* f : {&photos, &notes}) {
        const QByteArray written = fileBytes(QDir(folder).filePath(f->name));
        EXPECT_EQ(written.size(), f->data.size()) << f->name.toStdString();
        EXPECT_TRUE(written == f->data) << f->name.toStdString();
    }
    // Nothing damaged any more: no further file aside, no further message.
    for (const QString& store : kStores)
        EXPECT_EQ(setAside(store).size(), 1) << store.toStdString();
    EXPECT_EQ(dialogs.asked().size(), 2);
}

INSTANTIATE_TEST_SUITE_P(Contents, DamagedStoresAtStart,
                         ::testing::Values(DamagedStoreContent::randomBytes(), DamagedStoreContent::cutShort(),
                                           DamagedStoreContent::empty()),
                         [](const ::testing::TestParamInfo<DamagedStoreContent>& info) {
                             return std::string(info.param.name);
                         });

} // namespace
