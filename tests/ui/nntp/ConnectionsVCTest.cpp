// The connections page in the main window, over a real connection manager
// talking to a scripted news server on 127.0.0.1: the rows, the summary
// line, resetting chosen connections, and the blinking on/off button.

#include "nntp/ConnectionsController.h"
#include "nntp/NNTPServersController.h"
#include "nntp/TVConnectionsObject.h"
#include "ui/core/MainVC.h"
#include "ui/core/MainWindow.h"
#include "ui/nntp/ButtonCellToggleConnect.h"
#include "ui/nntp/ConnectionsTableModel.h"
#include "ui/nntp/ConnectionsVC.h"

#include "platform/UserDefaults.h"
#include "postprocess/RepairObject.h"
#include "ui/nntp/BandwidthLimiterWC.h"
#include "ui/nntp/ViewBandwidth.h"
#include "ui/queue/QueueFilesVC.h"
#include "ui/queue/QueueParInfoTableModel.h"
#include "ui/queue/QueueParInfoVC.h"
#include "ui/queue/TableViewQueue.h"
#include "queue/QueueController.h"
#include "queue/StatusCodes.h"
#include "ui/queue/QueueVC.h"

#include "support/EventLoop.h"
#include "support/NntpRule.h"
#include "support/PostedFiles.h"
#include "support/Screenshot.h"
#include "support/ScriptedNntpServer.h"
#include "support/ScriptedServerEntry.h"
#include "support/TempHome.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QElapsedTimer>
#include <QLabel>
#include <QTableView>
#include <QTest>

#include <memory>

TEST(ConnectionsVC, TheSummaryCountsServersAndConnectionsInTheirSingularOrPlural)
{
    struct Case
    {
        qint64 servers, connections;
        const char* text;
    } cases[] = {
        {1, 1, "1 active server   -   1 connection"},
        {2, 12, "2 active servers   -   12 connections"},
        {0, 0, "0 active servers   -   0 connections"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(ConnectionsVC::summaryText(c.servers, c.connections), QLatin1String(c.text));
}

TEST(ConnectionsVC, TheToggleButtonBlinksWhileConnectionsAreOff)
{
    ButtonCellToggleConnect button;
    EXPECT_EQ(button.imageName(), "btn_online");
    EXPECT_FALSE(button.isBlinking());
    button.setState(1);
    EXPECT_TRUE(button.isBlinking());
    EXPECT_EQ(ButtonCellToggleConnect::kBlinkIntervalMs, 500);
    QStringList shown{button.imageName()};
    for (int i = 0; i < 4; ++i) {
        button.toggleButtonImage();
        shown << button.imageName();
    }
    EXPECT_EQ(shown, QStringList({"btn_offline02", "btn_offline01", "btn_offline02", "btn_offline01",
                                  "btn_offline02"}));
    // The timer itself drives it.
    const QString before = button.imageName();
    EXPECT_TRUE(waitUntil([&] { return button.imageName() != before; }, 2000));

    // A disabled button keeps its images and its timer.
    button.setEnabled(false);
    button.setState(0);
    EXPECT_TRUE(button.isBlinking());
    button.setEnabled(true);
    EXPECT_FALSE(button.isBlinking());
    EXPECT_EQ(button.imageName(), "btn_online");
    EXPECT_EQ(button.pressedImageName(), "btn_offline02");
}

namespace {

struct LivePage
{
    TempHome home;
    ScriptedNntpServer server;
    std::shared_ptr<NntpGate> gate = std::make_shared<NntpGate>();
    std::unique_ptr<MainWindow> window;
    MainVC* vc = nullptr;

    // The server and a window whose queue holds a job of `connections` + 2
    // articles that the server holds back: every connection stays busy.
    // With `delayMs` the server answers each article after that wait
    // instead of holding it.
    bool start(qint64 connections, int delayMs = 0)
    {
        UserDefaults::standard().setString(home.makeFolder(QStringLiteral("incoming")),
                                           QStringLiteral("downloadPath"));
        // Below this the main window's free-space guard pauses the queue; the
        // 10 GB default would make the test depend on the machine's disk.
        UserDefaults::standard().setDouble(50e6, QStringLiteral("minFreeSpace"));
        if (!server.start()) return false;
        const PostedFile file =
            PostedFile::make(QStringLiteral("busy.bin"), 40000 * (connections + 2), 40000, 7);
        serve(server, file);
        for (qsizetype i = 0; i < file.mids.size(); ++i) {
            NntpRule rule = NntpRule::on("BODY").withArgument(file.bracketedMid(i));
            server.addRule(delayMs > 0 ? rule.delay(delayMs) : rule.heldBy(gate));
        }
        const QString nzb = QDir(home.makeFolder(QStringLiteral("nzbs"))).filePath(QStringLiteral("Busy.nzb"));
        if (!writeNzb(nzb, {file})) return false;
        window = std::make_unique<MainWindow>();
        vc = new MainVC(window.get());
        window->setCentralWidget(vc);
        window->resize(1100, 650);
        window->show();
        NNTPServersController* list = vc->engine().nntpServersController();
        addScriptedServerEntry(*list, server, QStringLiteral("Main"), connections);
        list->buildLocalArrays();
        vc->queueVC()->nzbFilesChosen({nzb});
        return QTest::qWaitForWindowExposed(window.get());
    }
    ~LivePage()
    {
        gate->open();
        window.reset(); // closes the connections while the server still answers
        spinEventLoop(20);
        server.stop();
    }
    ConnectionsVC* page() const { return vc->connectionsVC(); }
    ConnectionsController* connections() const { return vc->engine().connectionsController(); }
    QString summary() const { return page()->connectionsInfoTextField()->text(); }
    QString response(int row) const
    {
        return page()->model()->index(row, ConnectionsTableModel::ResponseColumn).data().toString();
    }
    // A row as "title | file | response".
    QString row(int r) const
    {
        QStringList cells;
        for (int c : {ConnectionsTableModel::TitleColumn, ConnectionsTableModel::FileColumn,
                      ConnectionsTableModel::ResponseColumn})
            cells << page()->model()->index(r, c).data().toString();
        return cells.join(QStringLiteral(" | "));
    }
};

} // namespace

TEST(ConnectionsVC, ShowsTheLiveConnectionsAndResetsTheRightClickedOneAlone)
{
    LivePage p;
    ASSERT_TRUE(p.start(3));
    ASSERT_NE(p.page(), nullptr) << "the page replaced the placeholder";
    EXPECT_EQ(p.vc->bottomVC(), p.page());
    ASSERT_EQ(p.page()->model()->rowCount(), 3);
    EXPECT_EQ(p.page()->model()->index(0, ConnectionsTableModel::ServerColumn).data().toString(), "Main");

    ASSERT_TRUE(waitUntil([&] { return p.server.activeConnections() == 3; }, 10000));
    EXPECT_TRUE(waitUntil([&] { return p.summary() == "1 active server   -   3 connections"; }, 5000))
        << p.summary().toStdString();
    // The rows follow what the connections answered, at most ten times a
    // second.
    EXPECT_TRUE(waitUntil([&] { return !p.response(0).isEmpty(); }, 5000));

    // Rows 0 and 1 are selected; a right-click on row 2 resets row 2 alone.
    QTableView* table = p.page()->tableView();
    table->selectRow(0);
    table->selectionModel()->select(p.page()->model()->index(1, 0),
                                    QItemSelectionModel::Select | QItemSelectionModel::Rows);
    p.page()->setClickedRow(2);
    EXPECT_EQ(p.page()->getSelectedIndexSet(), QList<int>({2}));
    const int opened = p.server.connectionsOpened();
    p.page()->mnuResetConnectionsClicked();
    p.page()->setClickedRow(-1);
    EXPECT_FALSE(table->selectionModel()->hasSelection());
    ASSERT_TRUE(waitUntil([&] { return p.server.connectionsOpened() == opened + 1; }, 10000));
    spinEventLoop(300);
    EXPECT_EQ(p.server.connectionsOpened(), opened + 1) << "one connection reset, no other";
    EXPECT_TRUE(waitUntil([&] { return p.server.activeConnections() == 3; }, 10000));
}

TEST(ConnectionsVC, SwitchingAllConnectionsOffBlinksAndOnStopsIt)
{
    LivePage p;
    ASSERT_TRUE(p.start(2));
    ASSERT_TRUE(waitUntil([&] { return p.server.activeConnections() == 2; }, 10000));
    ButtonCellToggleConnect* button = p.page()->btnToggleConnections();
    EXPECT_FALSE(button->isBlinking());

    button->click();
    EXPECT_TRUE(p.connections()->manuallyConnect());
    EXPECT_TRUE(button->isBlinking());
    EXPECT_TRUE(waitUntil([&] { return p.server.activeConnections() == 0; }, 10000));
    EXPECT_TRUE(waitUntil([&] { return p.summary() == "0 active servers   -   0 connections"; }, 5000))
        << p.summary().toStdString();

    // The main window's command goes through the page's button.
    p.vc->toggleConnections();
    EXPECT_FALSE(p.connections()->manuallyConnect());
    EXPECT_FALSE(button->isBlinking());
    EXPECT_EQ(button->imageName(), "btn_online");
    EXPECT_TRUE(waitUntil([&] { return p.server.activeConnections() == 2; }, 10000));
}

// The whole window as a user sees it while a job downloads: the job's files
// in the right pane, its PAR2 state, the live connections below and the
// speed graph in the status bar; and the limiter window over it.
TEST(ConnectionsVC, TheMainWindowShowsFilesParStateConnectionsAndTheGraph)
{
    LivePage p;
    ASSERT_TRUE(p.start(3));
    ASSERT_TRUE(waitUntil([&] { return p.server.activeConnections() == 3; }, 10000));
    QueueVC* queue = p.vc->queueVC();
    p.vc->changeTopViewController(2);
    ASSERT_TRUE(waitUntil([&] { return queue->tableviewQueue()->model()->rowCount() == 1; }));
    queue->tableviewQueue()->setCurrentIndex(queue->tableviewQueue()->model()->index(0, 0));
    queue->expandRightPane();
    ASSERT_NE(queue->queueFilesVC(), nullptr);
    EXPECT_EQ(queue->queueFilesVC()->currentQueueObject(), p.vc->engine().queueController()->queueArray().value(0));
    for (qint64 v : {0, 0, 12000000, 30000000, 45000000, 41000000, 52000000, 48000000, 60000000, 58000000,
                     61000000, 57000000, 63000000, 59000000})
        p.vc->viewBandwidth()->addBandwidthValue(v);
    EXPECT_TRUE(waitUntil([&] { return !p.response(2).isEmpty(); }, 5000));
    spinEventLoop(300);
    const QImage files = p.window->grab().toImage();
    EXPECT_EQ(files.size(), QSize(1100, 650) * p.window->devicePixelRatio());
    saveScreenshot(files, "queue-files-pane.png");
    // The graph at four times its size, to be looked at.
    ViewBandwidth* graph = p.vc->viewBandwidth();
    const QImage graphShot = graph->grab().toImage();
    EXPECT_EQ(graphShot.size(), graph->size() * graph->devicePixelRatio());
    saveScreenshot(graphShot.scaled(graphShot.size() * 4), "speed-graph.png");

    // The PAR2 pane of a job whose set is known.
    const QueuePtr job = p.vc->engine().queueController()->queueArray().value(0);
    auto set = RepairObject::create();
    const struct
    {
        const char* name;
        const char* status;
        const char* blocks;
        const char* colour;
    } files2[] = {{"busy.bin", "Processing", "0 of 5", "defaultRowColor"},
                  {"busy.part2.bin", "Missing", "0 of 5", "missingRowColor"},
                  {"busy.part3.bin", "Broken", "3 of 5", "brokenRowColor"},
                  {"busy.part4.bin", "Complete", "5 of 5", "completeRowColor"},
                  {"busy.vol00+04.par2", "Repair Blocks", "4", "par2FileRowColor"}};
    for (const auto& f : files2) {
        auto child = RepairObject::createWhithoutStartingObservers();
        child->setFilename(QLatin1String(f.name));
        child->setStatusTextField(QLatin1String(f.status));
        child->setBlocksTextField(QLatin1String(f.blocks));
        child->setColorRow(child->getRowColorForKey(QLatin1String(f.colour)));
        set->appendChild(child);
    }
    job->setRepairObject(set);
    queue->changeRightPaneViewController(2);
    EXPECT_TRUE(waitUntil([&] { return queue->queueParInfoVC()->model()->rowCount() == 5; }));
    spinEventLoop(150);
    saveScreenshot(p.window->grab().toImage(), "queue-par2-pane.png");
    queue->changeRightPaneViewController(1);

    p.vc->showBandwidthLimiterWindow();
    BandwidthLimiterWC* limiter = p.vc->bandwidthLimiterWC();
    ASSERT_NE(limiter, nullptr);
    spinEventLoop(100);
    saveScreenshot(limiter->grab().toImage(), "bandwidth-limiter.png");
    limiter->close();

    // Connections switched off: the button blinks, the rows say so.
    p.page()->btnToggleConnections()->click();
    EXPECT_TRUE(waitUntil([&] { return p.response(0) == "Offline (Manually connect first)"; }, 10000))
        << p.response(0).toStdString();
    spinEventLoop(150);
    saveScreenshot(p.window->grab().toImage(), "connections-off.png");
}

// Once the last article is in, the rows say that the connections are idle
// and the speed in the status bar falls to nothing, within a second or two
// of the last byte (the status bar is refreshed once a second).
TEST(ConnectionsVC, RowsAndSpeedShowTheEndOfTheDownloadAtOnce)
{
    LivePage p;
    // Two rounds of 1.2 s: a measuring window closes while the articles
    // come in, so the status bar shows a speed.
    ASSERT_TRUE(p.start(2, 1200));
    const QueuePtr job = [&] {
        QueuePtr found;
        waitUntil([&] { return (found = p.vc->engine().queueController()->queueArray().value(0)) != nullptr; });
        return found;
    }();
    ASSERT_TRUE(job);
    bool sawSpeed = false;
    auto speed = [&] {
        const QString shown = p.vc->textFieldBandwidth()->text();
        sawSpeed = sawSpeed || !shown.isEmpty();
        return shown;
    };
    ASSERT_TRUE(waitUntil([&] { return speed(), job->isDownloaded(); }, 30000))
        << job->status() << " " << job->commentTextField().toStdString();
    QElapsedTimer sinceTheEnd;
    sinceTheEnd.start();
    for (int r = 0; r < 2; ++r)
        EXPECT_TRUE(waitUntil([&] { return p.row(r) == " |  | Idle"; }, 1000)) << p.row(r).toStdString();
    // Every connection is idle: the transfer is over, whenever its last
    // byte came; the status bar shows it at its next refresh.
    EXPECT_EQ(p.connections()->getAverageBandwidthUsedPerSecond(), 0);
    EXPECT_TRUE(waitUntil([&] { return speed().isEmpty(); }, 2000))
        << speed().toStdString() << " " << p.vc->textFieldBandwidthUnit()->text().toStdString();
    spinEventLoop(int(std::max<qint64>(0, 1000 - sinceTheEnd.elapsed())));
    saveScreenshot(p.window->grab().toImage(), "connections-after-the-end.png");
    EXPECT_TRUE(sawSpeed) << "the status bar showed the speed of the download";
}

// A connection rewrites its row on every command; the page repaints a row
// once per look however many times it changed in between.
TEST(ConnectionsVC, ARowChangedManyTimesBetweenTwoLooksIsReportedOnce)
{
    TempHome home;
    ScriptedNntpServer server; // only its address: it is not started
    NNTPServersController servers;
    addScriptedServerEntry(servers, server, QStringLiteral("Main"), 4);
    servers.buildLocalArrays();
    ConnectionsTableModel model;
    model.setNntpServersController(&servers);
    ASSERT_EQ(model.rowCount(), 4);
    for (int r = 0; r < 4; ++r)
        model.rowView(r); // shown once
    const QList<TVConnectionsObjectPtr> rows = servers.arrayTableViewConnections();
    for (int i = 0; i < 2000; ++i)
        rows[1]->setLastresponse(QStringLiteral("222 0 <%1@example>").arg(i));
    QList<QPair<int, int>> reported;
    QObject watcher;
    QObject::connect(&model, &QAbstractItemModel::dataChanged, &watcher,
                     [&](const QModelIndex& a, const QModelIndex& b) { reported << qMakePair(a.row(), b.row()); });
    model.poller().refreshRows(0, 3, model.rowCount());
    EXPECT_EQ(reported, (QList<QPair<int, int>>{{1, 1}}));
    EXPECT_EQ(model.index(1, ConnectionsTableModel::ResponseColumn).data().toString(), "222 0 <1999@example>");
    model.poller().refreshRows(0, 3, model.rowCount());
    EXPECT_EQ(reported.size(), 1);
}
