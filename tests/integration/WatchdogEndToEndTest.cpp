// A Watchdog entry from a search query, end to end with the engine as the
// program wires it: asked for, saved in the editor, searched at once on the
// scripted service, its match downloaded from the scripted news server; and
// after a restart the entry and its history are back.

#include "EngineEndToEnd.h"

#include "platform/NotificationHub.h"
#include "queue/QueueController.h"
#include "search/DeepLookupObject.h"
#include "search/DeepLookupSocket.h"
#include "search/WatchdogController.h"
#include "ui/search/watchdog/WatchdogEditWC.h"

#include "support/ArticleFixtures.h"
#include "support/DeepLookupReplyBuilder.h"
#include "support/EventLoop.h"
#include "support/ScriptedHttpServer.h"

#include <QDebug>
#include <QDir>
#include <QPushButton>

namespace {

const QByteArray kWatchdog = DeepLookupSocket::kWatchdogSearchPath.toLatin1();
using B = DeepLookupReplyBuilder;

class WatchdogEndToEnd : public EngineEndToEnd
{
protected:
    ScriptedHttpServer service;

    void SetUp() override
    {
        EngineEndToEnd::SetUp();
        ASSERT_TRUE(service.start());
        ASSERT_TRUE(DeepLookupSocket::setServiceURLForTesting(service.baseUrl()));
    }
    void TearDown() override
    {
        EngineEndToEnd::TearDown();
        DeepLookupSocket::setServiceURLForTesting(QUrl());
    }

    // The reply of a search that found `file` as one match.
    static QByteArray matchReply(const PostedFile& f, qint64 date)
    {
        QList<QByteArrayList> rows = {{"INFO", "1|1|1"},
                                      B::watchdogMatch("QID-WD-1", "Garden Timelapse", f.data.size(), date),
                                      B::watchdogFile("FID-WD-1",
                                                      "Garden Timelapse [1/1] - \"" + f.name.toUtf8() + "\" yEnc",
                                                      f.data.size(), date)};
        for (qsizetype i = 0; i < f.mids.size(); ++i) rows.append(B::watchdogSegment(f.mids[i], f.bodies[i].size(), i + 1));
        return HttpReply::tabLines(rows);
    }
};

TEST_F(WatchdogEndToEnd, AQueryBecomesAnEntryWhoseMatchIsDownloaded)
{
    ScriptedNntpServer& news = addServer(QStringLiteral("Main"), 2);
    const PostedFile file = post(QStringLiteral("garden.mkv"), ArticleFixtures::randomBytes(180000, 77), 40000);
    serve(news, file);
    service.route("POST", kWatchdog, HttpReply::text(matchReply(file, 1700000000)));

    WatchdogController* wc = engine->watchdogController();
    ASSERT_TRUE(wc);
    wc->setEditWindowPresenter([wc](const WatchdogPtr& e) { WatchdogEditWC::showWindow(e, wc); });
    NotificationHub::defaultCenter().post(QStringLiteral("ApplicationDidStartGUI"));
    dialogs.script({1000, 1000}); // "Yes", then "OK"

    DeepLookupObjectPtr query = DeepLookupObject::create();
    query->setTitle(QStringLiteral("garden timelapse"));
    query->setGroup(QStringLiteral("alt.binaries.test"));
    NotificationHub::defaultCenter().post(QStringLiteral("MakeWatchdogFromDeepLookupObjectNotification"), nullptr,
                                          {{QStringLiteral("deeplookupobject"), QVariant::fromValue(query)}});
    WatchdogEditWC* editor = WatchdogEditWC::openEditor();
    ASSERT_TRUE(editor);
    editor->saveButton()->click();

    ASSERT_TRUE(service.waitForRequests(1, 20000));
    const HttpRequestRecord request = service.requestsFor(kWatchdog).first();
    EXPECT_EQ(request.formValue(QStringLiteral("query")), "garden timelapse");
    EXPECT_EQ(request.formValue(QStringLiteral("group")), "alt.binaries.test");
    EXPECT_EQ(dialogs.askedTitles(),
              QStringList({"Create a Watchdog entry using this search query?", "Watchdog entry is created"}));

    ASSERT_TRUE(waitUntil([&] { return !engine->queueController()->queueArray().isEmpty(); }, 20000));
    const QueuePtr job = engine->queueController()->queueArray().first();
    ASSERT_TRUE(waitForCode(job, 10, 60000))
        << QDebug::toString(codesOf(job)).toStdString() << " " << job->commentTextField().toStdString();
    const QByteArray written = fileBytes(QDir(job->downloadUrl()).filePath(file.name));
    EXPECT_EQ(written.size(), file.data.size());
    EXPECT_TRUE(written == file.data);
    for (qsizetype i = 0; i < file.mids.size(); ++i) EXPECT_EQ(news.bodyRequests(file.bracketedMid(i)), 1);
    EXPECT_EQ(wc->watchdogLogArray().first().actionString, "Queued to download");

    // What closing stores, then a new run.
    ASSERT_TRUE(wc->dbSaveAllWatchdogEntries());
    WatchdogController restarted;
    ASSERT_EQ(restarted.watchdogArray().size(), 1);
    const WatchdogPtr entry = restarted.watchdogArray().first();
    EXPECT_EQ(entry->dpobject()->title(), QStringLiteral("garden timelapse"));
    EXPECT_TRUE(entry->active());
    ASSERT_EQ(entry->history().size(), 1);
    EXPECT_EQ(entry->history().first().qid, "QID-WD-1");
    EXPECT_EQ(entry->history().first().title, "Garden Timelapse");
}

} // namespace
