// The queue page as the main window builds it, showing the queue of a real
// engine: jobs imported from NZB files through the page and downloaded over
// connections to a scripted news server. The server holds chosen replies
// back behind a gate, so that a job stays in the middle of its download for
// exactly as long as the test looks at its row.

#include "core/Utils.h"
#include "nntp/NNTPServersController.h"
#include "platform/UserDefaults.h"
#include "queue/QueueController.h"
#include "queue/StatusCodes.h"
#include "controls/TVLTextField.h"
#include "ui/core/DialogBox.h"
#include "ui/core/DialogBoxWidgetPresenter.h"
#include "ui/core/MainVC.h"
#include "ui/core/MainWindow.h"
#include "ui/posting/PostWC.h"
#include "ui/posting/UploadConfirmWC.h"
#include "ui/queue/QueueFilesVC.h"
#include "ui/queue/QueueParInfoTableModel.h"
#include "ui/queue/QueueParInfoVC.h"
#include "ui/queue/QueuePasswordWC.h"
#include "ui/queue/TableViewQueueFiles.h"
#include "ui/queue/QueueTableModel.h"
#include "ui/queue/QueueVC.h"
#include "ui/queue/TableViewQueue.h"

#include "support/ArchiveFixtureBuilder.h"
#include "support/EventLoop.h"
#include "support/ModalDriver.h"
#include "support/NntpRule.h"
#include "support/Par2SetMaker.h"
#include "support/Screenshot.h"
#include "support/ScriptedDialogAnswerer.h"
#include "support/PostedFiles.h"
#include "support/ScriptedNntpServer.h"
#include "support/ScriptedServerEntry.h"
#include "support/TempHome.h"
#include "support/TestFiles.h"

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QAction>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPlainTextEdit>
#include <QProcess>
#include <QPushButton>
#include <QRegularExpression>
#include <QTest>

#include <iostream>
#include <memory>

namespace {

// One job as posted: its files, and the NZB file that lists them.
struct PostedJob
{
    QString title;
    QList<PostedFile> files;
    QString nzb;

    QList<QByteArray> mids() const
    {
        QList<QByteArray> out;
        for (const PostedFile& f : files)
            for (qsizetype i = 0; i < f.mids.size(); ++i)
                out += f.bracketedMid(i);
        return out;
    }
};

// What a row of the table shows, as the row's delegate paints it.
struct RowView
{
    QString title;
    QString comment;
    QString image;
    QString size;
    QString progress;
    QString timeLeft;
    QString completeness;
    bool hasPassword = false;
};

class QueuePageLive : public ::testing::Test
{
protected:
    TempHome home;
    ScriptedDialogAnswerer dialogs;
    // Made before the window and gone after it: the engine closes its
    // connections while the server still answers.
    ScriptedNntpServer server;
    std::shared_ptr<NntpGate> gate = std::make_shared<NntpGate>();
    std::unique_ptr<MainWindow> window;
    MainVC* mainVC = nullptr;
    QueueVC* page = nullptr;
    QString downloadFolder;
    QString finalFolder;
    QString nzbFolder;

    void SetUp() override
    {
        downloadFolder = home.makeFolder(QStringLiteral("incoming"));
        finalFolder = home.makeFolder(QStringLiteral("final"));
        nzbFolder = home.makeFolder(QStringLiteral("nzbs"));
        UserDefaults& d = UserDefaults::standard();
        d.setObject(downloadFolder, QStringLiteral("downloadPath"));
        d.setObject(finalFolder, QStringLiteral("moveAfterDownloadPath"));
        d.setBool(true, QStringLiteral("moveAfterDownload"));
        d.setBool(true, QStringLiteral("enableCheckForPasswordInNZBTitle"));
        // The main window's free-space guard pauses the queue below this; the
        // default (10 GB) would make the tests depend on the machine's disk.
        d.setDouble(50e6, QStringLiteral("minFreeSpace"));
        ASSERT_TRUE(server.start()) << server.errorString().toStdString();

        window = std::make_unique<MainWindow>();
        mainVC = new MainVC(window.get());
        window->setCentralWidget(mainVC);
        mainVC->changeTopViewController(2);
        page = qobject_cast<QueueVC*>(mainVC->pageForTag(2));
        ASSERT_NE(page, nullptr);
        window->resize(1100, 600);
        window->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(window.get()));
    }

    void TearDown() override
    {
        // What the engine logged tells which step went wrong.
        if (HasFailure()) std::cerr << fileBytes(home.logFilePath()).toStdString();
        gate->open();
        window.reset(); // the engine closes its connections and waits for their threads
        spinEventLoop(20);
        server.stop();
    }

    QueueController* controller() const { return mainVC->engine().queueController(); }
    TableViewQueue* table() const { return page->tableviewQueue(); }
    QueueTableModel* model() const { return table()->queueModel(); }

    void useServer(qint64 connections)
    {
        NNTPServersController* list = mainVC->engine().nntpServersController();
        addScriptedServerEntry(*list, server, QStringLiteral("Main"), connections);
        list->buildLocalArrays();
        // The start-up as the program runs it, with a server to use: the
        // queue is saved while it runs, and a job's last steps wait for
        // those saves.
        UserDefaults::standard().setBool(false, QStringLiteral("showDialogMakeDefaultForNZB"));
        mainVC->applicationDidStartGUI();
        ASSERT_TRUE(waitUntil([&] { return mainVC->guiIsLoaded(); }, 10000));
    }

    // Files of `sizes` bytes cut into articles of 40000 bytes, served by the
    // server, listed in an NZB file named after the title.
    PostedJob post(const QString& title, const QList<qsizetype>& sizes, std::uint32_t seed,
                   const QString& nzbName = QString())
    {
        PostedJob job;
        job.title = title;
        for (qsizetype i = 0; i < sizes.size(); ++i) {
            const QString name = QStringLiteral("%1-%2.bin").arg(title.section(u' ', 0, 0).toLower()).arg(i + 1);
            job.files.append(PostedFile::make(name, sizes[i], 40000, seed + std::uint32_t(i)));
            serve(server, job.files.last());
        }
        job.nzb = QDir(nzbFolder).filePath((nzbName.isEmpty() ? title : nzbName) + QStringLiteral(".nzb"));
        EXPECT_TRUE(writeNzb(job.nzb, job.files));
        return job;
    }

    // Files (name, contents) and the PAR2 set over them (slices of 4096
    // bytes, `recoveryBlocks` recovery blocks), all posted in articles of
    // 40000 bytes and listed in one NZB file named after the title; the
    // data files first, as an NZB sorted by name lists "film.7z" before
    // "film.par2": they are written before their set is known.
    PostedJob postWithPar2(const QString& title, const QList<QPair<QString, QByteArray>>& data, int recoveryBlocks)
    {
        PostedJob job;
        job.title = title;
        const QString staging = home.makeFolder(QStringLiteral("staging-") + title);
        QStringList names;
        for (const auto& [name, bytes] : data) {
            QFile out(QDir(staging).filePath(name));
            EXPECT_TRUE(out.open(QIODevice::WriteOnly) && out.write(bytes) == bytes.size());
            job.files.append(PostedFile::fromData(name, bytes, 40000));
            names << name;
        }
        QString par2Output;
        const QStringList par2 = Par2SetMaker::create(staging, QFileInfo(names.first()).completeBaseName(), names,
                                                      4096, recoveryBlocks, &par2Output);
        EXPECT_FALSE(par2.isEmpty()) << par2Output.toStdString();
        for (const QString& path : par2)
            job.files.append(PostedFile::fromData(QFileInfo(path).fileName(), fileBytes(path), 40000));
        for (const PostedFile& f : job.files)
            serve(server, f);
        job.nzb = QDir(nzbFolder).filePath(title + QStringLiteral(".nzb"));
        EXPECT_TRUE(writeNzb(job.nzb, job.files));
        return job;
    }
    PostedJob postWithPar2(const QString& title, const QString& fileName, qsizetype size, int recoveryBlocks,
                           std::uint32_t seed)
    {
        return postWithPar2(title, {{fileName, PostedFile::make(fileName, size, 40000, seed).data}}, recoveryBlocks);
    }

    // The rows of the PAR2 pane as "file | status | blocks".
    QStringList par2Rows() const
    {
        QStringList out;
        QueueParInfoVC* pane = page->queueParInfoVC();
        if (!pane) return out;
        const QueueParInfoTableModel* m = pane->model();
        for (int r = 0; r < m->rowCount(); ++r) {
            const QueueParInfoRow& v = m->rowView(r);
            out << v.filename + QStringLiteral(" | ") + v.status + QStringLiteral(" | ") + v.blocks;
        }
        return out;
    }

    // Every BODY for the job's articles waits behind the gate.
    void holdBack(const PostedJob& job, const std::shared_ptr<NntpGate>& by)
    {
        for (const QByteArray& mid : job.mids())
            server.addRule(NntpRule::on("BODY").withArgument(mid).heldBy(by));
    }
    void holdBack(const PostedJob& job) { holdBack(job, gate); }

    static qint64 nzbBytes(const PostedJob& job)
    {
        qint64 n = 0;
        for (const PostedFile& f : job.files)
            for (const QByteArray& body : f.bodies)
                n += body.size();
        return n;
    }

    // Imported as the open panel's OK does it; the job once it is queued.
    QueuePtr import(const PostedJob& posted)
    {
        page->nzbFilesChosen({posted.nzb});
        QueuePtr job;
        waitUntil(
            [&] {
                for (const QueuePtr& q : controller()->queueArray())
                    if (q->nzbFile() == posted.nzb) job = q;
                return job != nullptr;
            },
            20000);
        return job;
    }

    int requested(const PostedJob& job) const
    {
        int n = 0;
        for (const QByteArray& mid : job.mids())
            n += server.bodyRequests(mid);
        return n;
    }

    RowView row(int r) const
    {
        RowView v;
        const QueueTableModel::Binding* b = model()->binding(r);
        if (!b) return v;
        v.title = b->texts.title;
        v.comment = b->texts.comment;
        v.image = b->statusButton.imageName();
        v.size = b->texts.size;
        v.progress = b->texts.progress;
        v.timeLeft = b->texts.timeLeft;
        v.completeness = b->texts.completeness;
        v.hasPassword = b->texts.hasPassword;
        return v;
    }
    QStringList rowTitles() const
    {
        QStringList out;
        for (int r = 0; r < model()->rowCount(); ++r)
            out << row(r).title;
        return out;
    }
    QStringList rowImages() const
    {
        QStringList out;
        for (int r = 0; r < model()->rowCount(); ++r)
            out << row(r).image;
        return out;
    }
    QString downloadTotals() const { return page->bytesFilesInDownloadQueueTextField()->text(); }

    // One selection change, as a click makes it.
    void select(const QList<int>& rows)
    {
        QItemSelection selection;
        for (int r : rows)
            selection.select(model()->index(r), model()->index(r));
        table()->selectionModel()->select(selection, QItemSelectionModel::ClearAndSelect);
    }

    // Opens the table's context menu and picks an item, as a right-click on
    // a selected row and a click on the item do.
    void chooseFromMenu(const char* item)
    {
        QMenu* menu = page->contextMenu();
        menu->popup(table()->viewport()->mapToGlobal(QPoint(40, 20)));
        ASSERT_TRUE(waitUntil([&] { return menu->isVisible(); }));
        QAction* action = page->menuItem(QLatin1String(item));
        ASSERT_NE(action, nullptr);
        EXPECT_TRUE(action->isEnabled()) << item;
        action->trigger();
        menu->hide();
    }

    bool waitUntilFinished(const QueuePtr& job)
    {
        return waitUntil([&] { return job->status() == JobStatus::Finished; }, 60000);
    }

    // The job's files as posted, in its folder below the final folder.
    void expectDownloaded(const QueuePtr& job, const PostedJob& posted)
    {
        const QString folder = job->downloadUrl();
        EXPECT_EQ(QFileInfo(folder).absolutePath(), QFileInfo(finalFolder).absoluteFilePath())
            << folder.toStdString();
        for (const PostedFile& f : posted.files) {
            const QByteArray written = fileBytes(QDir(folder).filePath(f.name));
            EXPECT_EQ(written.size(), f.data.size()) << f.name.toStdString();
            EXPECT_TRUE(written == f.data) << f.name.toStdString();
        }
    }
};

std::ostream& operator<<(std::ostream& os, const RowView& v)
{
    return os << v.title.toStdString() << " | " << v.comment.toStdString() << " | " << v.image.toStdString()
              << " | " << v.size.toStdString() << " | " << v.progress.toStdString() << " | "
              << v.timeLeft.toStdString() << " | " << v.completeness.toStdString()
              << (v.hasPassword ? " | password" : "");
}

} // namespace

TEST_F(QueuePageLive, RowsAndTotalsFollowJobsFromQueuedThroughDownloadingToFinished)
{
    useServer(1);
    auto concertGate = std::make_shared<NntpGate>();
    const PostedJob holiday = post(QStringLiteral("Holiday Pictures"), {100000, 30000}, 1);
    const PostedJob concert = post(QStringLiteral("Concert Recording"), {50000, 20000}, 2);
    holdBack(holiday);
    holdBack(concert, concertGate);
    const QueuePtr a = import(holiday);
    ASSERT_TRUE(a);
    const QueuePtr b = import(concert);
    ASSERT_TRUE(b);

    // Every image the rows showed, in order, without repeats.
    QList<QStringList> shown(2);
    auto note = [&] {
        for (int r = 0; r < std::min(2, model()->rowCount()); ++r)
            if (shown[r].isEmpty() || shown[r].last() != row(r).image) shown[r] << row(r).image;
    };
    QObject watching; // ends the connection with this test's locals
    QObject::connect(model(), &QAbstractItemModel::dataChanged, &watching, note);
    note();

    // One connection: the first job takes it, its article held by the
    // server; the second waits its turn.
    ASSERT_TRUE(waitUntil([&] { return row(0).image == "qbtn_stats_downloading"; }, 20000)) << row(0);
    ASSERT_TRUE(waitUntil([&] { return row(1).image == "qbtn_stats_queued"; })) << row(1);
    EXPECT_EQ(rowTitles(), QStringList({"Holiday Pictures", "Concert Recording"}));
    EXPECT_EQ(row(0).comment, "Downloading") << row(0);
    EXPECT_EQ(row(1).comment, "Queued for downloading") << row(1);
    EXPECT_EQ(requested(holiday), 1);
    EXPECT_EQ(requested(concert), 0);
    const QString both =
        QStringLiteral("2 Files, ") + Utils::formatBytes(nzbBytes(holiday) + nzbBytes(concert));
    EXPECT_TRUE(waitUntil([&] { return downloadTotals() == both; })) << downloadTotals().toStdString();
    const QString holidaySize = Utils::formatBytes(nzbBytes(holiday));
    const QString concertSize = Utils::formatBytes(nzbBytes(concert));
    EXPECT_EQ(row(0).size, holidaySize + " (" + holidaySize + ")") << row(0);
    EXPECT_EQ(row(0).progress, "0 %") << row(0);
    EXPECT_EQ(row(1).size, concertSize + " (" + concertSize + ")") << row(1);

    gate->open();
    ASSERT_TRUE(waitUntilFinished(a)) << a->status() << " " << a->commentTextField().toStdString();
    // The comment follows the status a moment later.
    ASSERT_TRUE(waitUntil([&] {
        return row(0).image == "qbtn_stats_finished" && row(0).comment == "Finished";
    })) << row(0);
    ASSERT_TRUE(waitUntil([&] { return row(1).image == "qbtn_stats_downloading"; })) << row(1);
    EXPECT_EQ(row(1).comment, "Downloading") << row(1);
    const QString one = QStringLiteral("1 File, ") + Utils::formatBytes(nzbBytes(concert));
    EXPECT_TRUE(waitUntil([&] { return downloadTotals() == one; })) << downloadTotals().toStdString();
    // A finished job shows what it holds, not what is left of it.
    EXPECT_EQ(row(0).size, holidaySize) << row(0);
    EXPECT_EQ(row(0).progress, "100 %") << row(0);

    concertGate->open();
    ASSERT_TRUE(waitUntilFinished(b)) << b->status() << " " << b->commentTextField().toStdString();
    // The comment follows the status a moment later.
    ASSERT_TRUE(waitUntil([&] {
        return row(1).image == "qbtn_stats_finished" && row(1).comment == "Finished";
    })) << row(1);
    EXPECT_TRUE(waitUntil([&] { return downloadTotals() == "0 Files, 0 B"; }))
        << downloadTotals().toStdString();
    EXPECT_EQ(rowTitles(), QStringList({"Holiday Pictures", "Concert Recording"}))
        << "finished jobs stay while the cleanup method keeps them";
    EXPECT_EQ(row(1).size, concertSize) << row(1);
    EXPECT_EQ(row(1).progress, "100 %") << row(1);

    for (const QStringList& images : shown) {
        EXPECT_LT(images.indexOf("qbtn_stats_downloading"), images.indexOf("qbtn_stats_finished"))
            << images.join(u' ').toStdString();
        EXPECT_EQ(images.last(), "qbtn_stats_finished");
    }
    EXPECT_EQ(shown[1].indexOf("qbtn_stats_queued"), shown[1].indexOf("qbtn_stats_downloading") - 1)
        << shown[1].join(u' ').toStdString();
    expectDownloaded(a, holiday);
    expectDownloaded(b, concert);
}

TEST_F(QueuePageLive, PausingADownloadingJobStopsItsHandOutAndResumingFinishesIt)
{
    useServer(2);
    const PostedJob holiday = post(QStringLiteral("Holiday Pictures"), {160000, 80000}, 3);
    const PostedJob concert = post(QStringLiteral("Concert Recording"), {60000, 30000}, 4);
    holdBack(holiday);
    const QueuePtr a = import(holiday);
    ASSERT_TRUE(a);
    const QueuePtr b = import(concert);
    ASSERT_TRUE(b);
    // Both connections wait on an article of the first job.
    ASSERT_TRUE(waitUntil([&] { return requested(holiday) == 2; }, 20000)) << requested(holiday);
    ASSERT_TRUE(waitUntil([&] { return row(0).image == "qbtn_stats_downloading"; })) << row(0);
    EXPECT_EQ(requested(concert), 0);

    select({0});
    ASSERT_TRUE(page->button("btnPause")->isEnabled());
    page->button("btnPause")->click();
    EXPECT_TRUE(a->shouldPause());
    ASSERT_TRUE(waitUntil([&] { return a->isPaused(); }));
    ASSERT_TRUE(waitUntil([&] { return row(0).image == "qbtn_stats_pause"; })) << row(0);
    EXPECT_EQ(row(0).comment, "(Paused) Downloading") << row(0);

    // The held articles come in; from then on the connections work for the
    // second job only, and take nothing more of the paused one.
    gate->open();
    ASSERT_TRUE(waitUntilFinished(b)) << b->status() << " " << b->commentTextField().toStdString();
    EXPECT_EQ(requested(holiday), 2);
    EXPECT_TRUE(a->isPaused());
    EXPECT_EQ(a->status(), JobStatus::Downloading);
    EXPECT_EQ(row(0).image, "qbtn_stats_pause") << row(0);
    for (const QByteArray& mid : concert.mids())
        EXPECT_EQ(server.bodyRequests(mid), 1) << mid.toStdString();

    // Resumed from the context menu of the selected row.
    chooseFromMenu("mnuItemResume");
    EXPECT_FALSE(a->isPaused());
    ASSERT_TRUE(waitUntilFinished(a)) << a->status() << " " << a->commentTextField().toStdString();
    ASSERT_TRUE(waitUntil([&] { return row(0).image == "qbtn_stats_finished"; })) << row(0);
    for (const QByteArray& mid : holiday.mids())
        EXPECT_EQ(server.bodyRequests(mid), 1) << mid.toStdString();
    expectDownloaded(a, holiday);
    expectDownloaded(b, concert);
}

TEST_F(QueuePageLive, CancellingASelectionRemovesItsRowsAndJobsAndTheRestFinishes)
{
    useServer(1);
    const PostedJob holiday = post(QStringLiteral("Holiday Pictures"), {100000, 30000}, 5);
    const PostedJob concert = post(QStringLiteral("Concert Recording"), {50000, 20000}, 6);
    const PostedJob lecture = post(QStringLiteral("Lecture Notes"), {40000, 40000}, 7);
    holdBack(holiday);
    const QueuePtr a = import(holiday);
    const QueuePtr b = import(concert);
    const QueuePtr c = import(lecture);
    ASSERT_TRUE(a && b && c);
    ASSERT_TRUE(waitUntil([&] { return row(0).image == "qbtn_stats_downloading"; }, 20000)) << row(0);
    ASSERT_EQ(rowTitles(), QStringList({"Holiday Pictures", "Concert Recording", "Lecture Notes"}));

    // The downloading job has started: the question about its files is
    // answered "remove them too"; the queued one goes without a question.
    dialogs.script({1002});
    select({0, 2});
    ASSERT_TRUE(page->button("btnCancel")->isEnabled());
    page->button("btnCancel")->click();
    ASSERT_TRUE(waitUntil([&] { return rowTitles() == QStringList({"Concert Recording"}); }, 20000))
        << rowTitles().join(u',').toStdString();
    EXPECT_EQ(controller()->queueArray(), QList<QueuePtr>({b}));
    EXPECT_TRUE(a->isCancelled());
    EXPECT_TRUE(c->isCancelled());
    EXPECT_EQ(dialogs.askedTitles(), QStringList({"The selected file is not completed yet."}));

    gate->open();
    ASSERT_TRUE(waitUntilFinished(b)) << b->status() << " " << b->commentTextField().toStdString();
    EXPECT_EQ(requested(lecture), 0) << "a cancelled job is never handed out";
    EXPECT_EQ(requested(holiday), 1) << "only the article held when it was cancelled";
    EXPECT_TRUE(waitUntil([&] { return row(0).image == "qbtn_stats_finished"; })) << row(0);
    EXPECT_EQ(model()->rowCount(), 1);
    EXPECT_FALSE(QFileInfo::exists(QDir(downloadFolder).filePath(holiday.title)));
    expectDownloaded(b, concert);
}

TEST_F(QueuePageLive, AnEmptyPasswordFromThePasswordWindowReachesEverySelectedJob)
{
    useServer(1);
    const PostedJob holiday = post(QStringLiteral("Holiday Pictures"), {100000, 30000}, 8,
                                   QStringLiteral("Holiday Pictures{{secret}}"));
    const PostedJob concert = post(QStringLiteral("Concert Recording"), {50000, 20000}, 9);
    holdBack(holiday);
    const QueuePtr a = import(holiday);
    const QueuePtr b = import(concert);
    ASSERT_TRUE(a && b);
    ASSERT_TRUE(waitUntil([&] { return row(0).image == "qbtn_stats_downloading"; }, 20000)) << row(0);
    EXPECT_EQ(row(0).title, "Holiday Pictures") << "the password is taken out of the title";
    EXPECT_TRUE(row(0).hasPassword);
    EXPECT_EQ(a->password(), "secret");
    EXPECT_FALSE(row(1).hasPassword);

    // The queued job paused from its row's menu; the password window then
    // starts from the first job's password and is confirmed empty.
    select({1});
    chooseFromMenu("mnuItemPause");
    ASSERT_TRUE(waitUntil([&] { return row(1).image == "qbtn_stats_pause"; })) << row(1);
    select({0, 1});
    QString offered;
    whenShown<QueuePasswordWC>([&](QueuePasswordWC* w) {
        offered = w->passwordTextField()->text();
        w->passwordTextField()->clear();
        w->submitButton()->click();
    });
    chooseFromMenu("mnuItemSetPassword");
    ASSERT_TRUE(waitUntil([&] { return b->hasPassword(); }));
    EXPECT_EQ(offered, "secret");
    EXPECT_EQ(a->password(), "");
    EXPECT_EQ(b->password(), "");
    EXPECT_TRUE(a->hasPassword());
    ASSERT_TRUE(waitUntil([&] { return row(0).hasPassword && row(1).hasPassword; })) << row(0) << row(1);
    EXPECT_FALSE(b->isPaused()) << "a paused job resumes once it has its password";

    gate->open();
    ASSERT_TRUE(waitUntilFinished(a)) << a->status() << " " << a->commentTextField().toStdString();
    ASSERT_TRUE(waitUntilFinished(b)) << b->status() << " " << b->commentTextField().toStdString();
    expectDownloaded(a, holiday);
    expectDownloaded(b, concert);
}

TEST_F(QueuePageLive, ScreenshotOfJobsDownloadingPausedAndFinished)
{
    useServer(1);
    const PostedJob finished = post(QStringLiteral("Mountain Trip"), {90000, 30000}, 10);
    const PostedJob downloading = post(QStringLiteral("Holiday Pictures"), {160000, 40000}, 11);
    const PostedJob paused = post(QStringLiteral("Concert Recording"), {60000, 30000}, 12);
    const QueuePtr f = import(finished);
    ASSERT_TRUE(f);
    ASSERT_TRUE(waitUntilFinished(f)) << f->status() << " " << f->commentTextField().toStdString();
    holdBack(downloading);
    const QueuePtr d = import(downloading);
    const QueuePtr p = import(paused);
    ASSERT_TRUE(d && p);
    // Paused once it is queued: a job still being read pauses only at its
    // first download step.
    ASSERT_TRUE(waitUntil([&] { return model()->rowCount() == 3 && row(2).image == "qbtn_stats_queued"; }));
    select({2});
    ASSERT_TRUE(page->button("btnPause")->isEnabled());
    page->button("btnPause")->click();
    ASSERT_TRUE(waitUntil(
        [&] {
            return rowImages() ==
                   QStringList({"qbtn_stats_finished", "qbtn_stats_downloading", "qbtn_stats_pause"});
        },
        20000))
        << rowImages().join(u' ').toStdString();
    EXPECT_EQ(rowTitles(), QStringList({"Mountain Trip", "Holiday Pictures", "Concert Recording"}));
    EXPECT_EQ(requested(paused), 0);
    const QString left =
        QStringLiteral("2 Files, ") + Utils::formatBytes(nzbBytes(downloading) + nzbBytes(paused));
    EXPECT_TRUE(waitUntil([&] { return downloadTotals() == left; })) << downloadTotals().toStdString();
    EXPECT_EQ(row(0).comment, "Finished") << row(0);
    EXPECT_EQ(row(1).comment, "Downloading") << row(1);
    EXPECT_EQ(row(2).comment, "(Paused) Queued for downloading") << row(2);

    spinEventLoop(50);
    const QImage shot = window->grab().toImage();
    EXPECT_EQ(shot.size(), QSize(1100, 600) * window->devicePixelRatio());
    if (const QByteArray out = qgetenv("BINORAMA_SCREENSHOT"); !out.isEmpty()) {
        EXPECT_TRUE(shot.save(QString::fromLocal8Bit(out))) << out.toStdString();
    }
}

// A post made in the compose window that the server refuses: the user gets
// the server's own words once per job (shown here in the program's message
// window), and the queue shows both jobs failed with that reply, not
// finished.
TEST_F(QueuePageLive, APostTheServerRefusesShowsItsReplyOnceAndItsRowsFailed)
{
    UserDefaults& d = UserDefaults::standard();
    d.setObject(nzbFolder, QStringLiteral("uploadNZBExportPath"));
    d.setBool(false, QStringLiteral("showDialogDMCAWarning"));
    d.setString(QStringLiteral("J\u00fcrgen M\u00fcller"), QStringLiteral("posterName"));
    d.setString(QStringLiteral("juergen@example.invalid"), QStringLiteral("posterEmail"));
    d.setDouble(20000, QStringLiteral("yencMaxArticleSize"));
    useServer(2);
    server.addRule(NntpRule::on(NntpRule::kPostedArticle)
                       .withArgumentContaining("\r\nSubject: ")
                       .reply(441, "Invalid syntax encountered in Subject header field body"));
    const QString folder = home.makeFolder(QStringLiteral("photos"));
    for (const QString& name : {QStringLiteral("K\u00f6ln 1.jpg"), QStringLiteral("K\u00f6ln 2.jpg")}) {
        QFile f(QDir(folder).filePath(name));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(QByteArray(90000, 'k'));
    }

    PostWC* compose = mainVC->openPostWindow(nullptr);
    compose->titleTextField()->setStringValue(QStringLiteral("Gr\u00fc\u00dfe aus K\u00f6ln \u20ac"));
    compose->addNewSelectedNewsgroupsFromArray({{QStringLiteral("alt.binaries.pictures"), 0, true}});
    compose->textView()->setPlainText(QStringLiteral("Bilder vom Dom."));
    compose->addFilesFromArray({folder});
    whenShown<UploadConfirmWC>([](UploadConfirmWC* c) { c->confirmButton()->click(); });
    compose->submitButton()->click();

    const QString refused =
        QStringLiteral("The news server refused the post: 441 Invalid syntax encountered in Subject header field body");
    ASSERT_TRUE(waitUntil(
        [&] {
            return model()->rowCount() == 2 && row(0).comment == refused && row(1).comment == refused;
        },
        30000))
        << row(0) << "\n" << row(1);
    spinEventLoop(1000);
    for (int r = 0; r < 2; ++r) {
        EXPECT_EQ(row(r).title, QStringLiteral("Gr\u00fc\u00dfe aus K\u00f6ln \u20ac"));
        EXPECT_EQ(row(r).comment, refused) << row(r);
        EXPECT_EQ(row(r).image, "qbtn_stats_up_error") << row(r);
    }
    const QList<DialogRequest> asked = dialogs.asked();
    ASSERT_EQ(asked.size(), 2);
    for (const DialogRequest& r : asked) {
        EXPECT_EQ(r.title, QStringLiteral("Posting denied by your news server"));
        EXPECT_EQ(r.info, refused);
    }
    EXPECT_TRUE(QDir(nzbFolder).entryList(QDir::Files).isEmpty());

    select({0});
    spinEventLoop(50);
    saveScreenshot(window->grab().toImage(), "upload-refused-rows.png");
    QImage message;
    whenShown<DialogBox>([&](DialogBox* box) {
        spinEventLoop(50);
        message = box->grab().toImage();
        box->closeWindow();
    });
    DialogBoxWidgetPresenter::present(asked.first());
    EXPECT_FALSE(message.isNull());
    saveScreenshot(message, "upload-refused-message.png");
}

// The files pane over a download from the scripted server: a file taken out
// of the job and then chosen with "Download and Open" is fetched and opened
// when written; a file already on disk is opened at once, not fetched again.
TEST_F(QueuePageLive, FilesPaneDownloadsAndOpensAFileAndOpensOneOnDiskAtOnce)
{
    QStringList opened;
    Utils::setFileOpener([&](const QString& path) {
        opened << path;
        return true;
    });
    struct ResetOpener
    {
        ~ResetOpener() { Utils::setFileOpener({}); }
    } resetOpener;
    useServer(1);
    const PostedJob posted = post(QStringLiteral("Two Files"), {60000, 30000}, 5);
    holdBack(posted);
    const QueuePtr job = import(posted);
    ASSERT_TRUE(job);
    select({0});
    QueueFilesVC* files = page->queueFilesVC();
    ASSERT_NE(files, nullptr);
    ASSERT_EQ(files->currentQueueObject(), job);
    // The import lists the job before its files; the pane follows.
    ASSERT_TRUE(waitUntil([&] { return files->tableView()->model()->rowCount() == 2; }));
    const QueuePtr first = job->fileparts()[0];
    const QueuePtr second = job->fileparts()[1];
    auto selectPart = [&](int row) {
        files->tableView()->selectionModel()->select(files->tableView()->model()->index(row, 0),
                                                     QItemSelectionModel::ClearAndSelect);
    };

    // The second file leaves the job...
    selectPart(1);
    files->deSelectSelectedCheckBoxes();
    ASSERT_TRUE(waitUntil([&] { return second->checkbox() == 0 && !second->checkboxDisabled(); }, 20000))
        << second->status();
    // ...and comes back to be opened once written.
    files->downloadAndExecute(true);
    EXPECT_EQ(second->checkbox(), 1);
    EXPECT_TRUE(second->execute());
    gate->open();
    ASSERT_TRUE(waitUntilFinished(job)) << job->status() << " " << job->commentTextField().toStdString();
    ASSERT_TRUE(waitUntil([&] { return !opened.isEmpty(); }, 10000));
    EXPECT_EQ(QFileInfo(opened.first()).fileName(), second->filename());
    EXPECT_FALSE(second->execute()) << "cleared once opened";

    // The first file is on disk: opened, nothing asked of the server.
    const int requestsBefore = requested(posted);
    opened.clear();
    selectPart(0);
    files->downloadAndExecute(true);
    ASSERT_EQ(opened.size(), 1);
    EXPECT_EQ(QFileInfo(opened.first()).fileName(), first->filename());
    EXPECT_FALSE(first->execute());
    spinEventLoop(200);
    EXPECT_EQ(requested(posted), requestsBefore);
}

// After the end of a job the PAR2 pane shows what is so of each file of its
// set, not the state it had while the job ran.
TEST_F(QueuePageLive, ThePar2PaneShowsTheFinalStateOfEachFileOnceTheJobHasEnded)
{
    if (!Par2SetMaker::isAvailable()) GTEST_SKIP() << "par2 is not installed";
    useServer(1);
    // 180000 bytes are 44 slices of 4096 bytes.
    const PostedJob intact = postWithPar2(QStringLiteral("Intact Film"), QStringLiteral("intact.bin"), 180000, 6, 21);
    const PostedJob repaired =
        postWithPar2(QStringLiteral("Repaired Film"), QStringLiteral("repaired.bin"), 180000, 6, 22);
    // The last article of the second job's data file (its last 20000
    // bytes, five slices) is gone from the server: six recovery blocks
    // repair it.
    const PostedFile& damaged = repaired.files.first();
    server.addRule(NntpRule::on("BODY").withArgument(damaged.bracketedMid(damaged.mids.size() - 1)).reply(430, "No such article"));

    const QueuePtr a = import(intact);
    ASSERT_TRUE(a);
    ASSERT_TRUE(waitUntilFinished(a)) << a->status() << " " << a->commentTextField().toStdString();
    select({0});
    page->changeRightPaneViewController(2);
    ASSERT_TRUE(waitUntil([&] { return par2Rows().size() >= 2; })) << par2Rows().join(u'\n').toStdString();
    EXPECT_TRUE(waitUntil([&] { return par2Rows().contains("intact.bin | Complete | 44 of 44"); }, 5000))
        << par2Rows().join(u'\n').toStdString();
    for (const QString& row : par2Rows())
        EXPECT_FALSE(row.contains("Processing")) << row.toStdString();

    const QueuePtr b = import(repaired);
    ASSERT_TRUE(b);
    ASSERT_TRUE(waitUntilFinished(b)) << b->status() << " " << b->commentTextField().toStdString();
    select({1});
    EXPECT_TRUE(waitUntil([&] { return par2Rows().contains("repaired.bin | Complete | 44 of 44"); }, 5000))
        << par2Rows().join(u'\n').toStdString();
    for (const QString& row : par2Rows())
        EXPECT_FALSE(row.contains("Processing")) << row.toStdString();
    spinEventLoop(200);
    saveScreenshot(window->grab().toImage(), "queue-par2-pane-after-the-end.png");
}

// A job beyond repair stops with its damaged file kept; the pane counts the
// file's intact slices as par2 itself counts them in the job's folder.
TEST_F(QueuePageLive, ThePar2PaneOfAJobBeyondRepairCountsTheIntactSlicesAsPar2Does)
{
    if (!Par2SetMaker::isAvailable()) GTEST_SKIP() << "par2 is not installed";
    useServer(1);
    const PostedJob posted = postWithPar2(QStringLiteral("Broken Film"), QStringLiteral("broken.bin"), 180000, 6, 23);
    // Two articles of the data file (80000 bytes, some twenty slices) are
    // gone: six recovery blocks cannot make up for them.
    const PostedFile& data = posted.files.first();
    for (qsizetype i : {1, 2})
        server.addRule(NntpRule::on("BODY").withArgument(data.bracketedMid(i)).reply(430, "No such article"));
    const QueuePtr job = import(posted);
    ASSERT_TRUE(job);
    ASSERT_TRUE(waitUntil(
        [&] {
            const qint64 s = job->status();
            return s == JobStatus::NotEnoughRepairBlocks || s == JobStatus::RepairNotPossible;
        },
        60000))
        << job->status() << " " << job->commentTextField().toStdString();
    select({0});
    page->changeRightPaneViewController(2);

    QProcess par2;
    par2.setWorkingDirectory(job->downloadUrl());
    par2.setProcessChannelMode(QProcess::MergedChannels);
    par2.start(QStringLiteral("par2"), {QStringLiteral("verify"), QStringLiteral("broken.par2")});
    ASSERT_TRUE(par2.waitForFinished(60000));
    const QString said = QString::fromLocal8Bit(par2.readAll());
    const QRegularExpressionMatch found =
        QRegularExpression(QStringLiteral("\"broken\\.bin\" - damaged\\. Found (\\d+) of (\\d+) data blocks"))
            .match(said);
    ASSERT_TRUE(found.hasMatch()) << said.toStdString();
    const QString expected = QStringLiteral("broken.bin | Broken | %1 of %2").arg(found.captured(1), found.captured(2));
    EXPECT_TRUE(waitUntil([&] { return par2Rows().contains(expected); }, 5000))
        << expected.toStdString() << "\n" << par2Rows().join(u'\n').toStdString();
}

// The rows of jobs that have ended say how they ended: a finished job shows
// what it holds and nothing left to do, a repaired one that it was
// repaired, a failed one why.
TEST_F(QueuePageLive, EndedJobsSayHowTheyEndedAndNeverShowProgressLeftOver)
{
    if (!Par2SetMaker::isAvailable()) GTEST_SKIP() << "par2 is not installed";
    if (!ArchiveFixtureBuilder::make7zz(home.makeFolder(QStringLiteral("probe")) + QStringLiteral("/p.7z"),
                                        {{QStringLiteral("p"), "p"}}))
        GTEST_SKIP() << "7zz is not installed";
    useServer(2);
    auto archive = [&](const QString& name, std::uint32_t seed) {
        const QString path = home.makeFolder(QStringLiteral("archive-") + name) + QLatin1Char('/') + name;
        EXPECT_TRUE(ArchiveFixtureBuilder::make7zz(
            path, {{QStringLiteral("film.mkv"), PostedFile::make(QStringLiteral("x"), 160000, 40000, seed).data}},
            QStringLiteral("7z"), {QStringLiteral("-mx0")}));
        return QList<QPair<QString, QByteArray>>{{name, fileBytes(path)}};
    };
    const PostedJob finished = postWithPar2(QStringLiteral("Mountain Trip"), archive(QStringLiteral("trip.7z"), 31), 6);
    const PostedJob repaired = postWithPar2(QStringLiteral("Holiday Pictures"), archive(QStringLiteral("holiday.7z"), 32), 6);
    const PostedJob failed = postWithPar2(QStringLiteral("Concert Recording"), archive(QStringLiteral("concert.7z"), 33), 6);
    // The repaired job lacks its archive's last article, the failed one two
    // articles: more than its six recovery blocks make up for.
    const PostedFile& holiday = repaired.files.first();
    server.addRule(NntpRule::on("BODY").withArgument(holiday.bracketedMid(holiday.mids.size() - 1)).reply(430, "No such article"));
    const PostedFile& concert = failed.files.first();
    for (qsizetype i : {1, 2})
        server.addRule(NntpRule::on("BODY").withArgument(concert.bracketedMid(i)).reply(430, "No such article"));

    const QueuePtr f = import(finished);
    const QueuePtr r = import(repaired);
    const QueuePtr x = import(failed);
    ASSERT_TRUE(f && r && x);
    ASSERT_TRUE(waitUntilFinished(f)) << f->status() << " " << f->commentTextField().toStdString();
    ASSERT_TRUE(waitUntilFinished(r)) << r->status() << " " << r->commentTextField().toStdString();
    ASSERT_TRUE(waitUntil([&] { return x->status() == JobStatus::NotEnoughRepairBlocks; }, 60000))
        << x->status() << " " << x->commentTextField().toStdString();

    EXPECT_TRUE(waitUntil([&] { return row(0).comment == "Finished" && row(1).comment == "Finished (repaired)"; }))
        << row(0) << "\n" << row(1);
    for (int i : {0, 1}) {
        const RowView v = row(i);
        EXPECT_EQ(v.image, "qbtn_stats_finished") << v;
        // What the job holds (the volumes held back are not part of it).
        EXPECT_EQ(v.size, Utils::formatBytes((i == 0 ? f : r)->bytes())) << v;
        EXPECT_EQ(v.progress, "100 %") << v;
        EXPECT_EQ(v.timeLeft, "") << v;
        EXPECT_EQ(v.completeness, "") << v;
    }
    const RowView stopped = row(2);
    EXPECT_EQ(stopped.image, "qbtn_stats_error") << stopped;
    EXPECT_TRUE(stopped.comment.startsWith("Not enough repair blocks available (Requires ")) << stopped;
    EXPECT_EQ(stopped.timeLeft, "") << stopped;

    // The queue page and the stopped job's PAR2 pane, to be looked at.
    select({2});
    page->changeRightPaneViewController(2);
    ASSERT_TRUE(waitUntil([&] { return !par2Rows().isEmpty(); }));
    spinEventLoop(200);
    saveScreenshot(window->grab().toImage(), "queue-page-ended-jobs.png");
}
