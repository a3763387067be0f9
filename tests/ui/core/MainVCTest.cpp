#include "ui/core/MainVC.h"
#include "ui/nntp/ViewBandwidth.h"
#include "ui/core/AppDelegate.h"
#include "ui/core/ClosingAppWC.h"
#include "ui/core/DockIconController.h"
#include "ui/core/HelpWC.h"
#include "ui/core/LoadingSaveStateWC.h"
#include "ui/core/LogVC.h"
#include "ui/core/MainWindow.h"
#include "ui/prefs/PrefsPages.h"
#include "ui/prefs/PrefsWC.h"
#include "ui/posting/MsgViewerWC.h"
#include "ui/posting/PostWC.h"

#include "controls/ButtonCellLSB.h"
#include "controls/SplitViewMain.h"
#include "controls/TVLTextField.h"
#include "core/Utils.h"
#include "core/DisplayController.h"
#include "platform/NotificationHub.h"
#include "platform/UserDefaults.h"
#include "queue/QueueController.h"
#include "support/EventLoop.h"
#include "support/FakeMainConnections.h"
#include "support/FakeMainQueue.h"
#include "support/LogFileReader.h"
#include "support/ModalDriver.h"
#include "support/NzbFixture.h"
#include "support/ScriptedDialogAnswerer.h"
#include "support/TempHome.h"

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QDialog>
#include <QFile>
#include <QPlainTextEdit>
#include <QLabel>
#include <QMenuBar>
#include <QPointer>
#include <QProcess>
#include <QPushButton>
#include <QSemaphore>
#include <QSignalSpy>
#include <QTest>
#include <QThread>
#include <QTimer>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <csignal>

namespace {

// The main window as the program builds it, on screen at a usable size.
struct Shell
{
    MainWindow window;
    MainVC* vc = new MainVC(&window);
    AppDelegate delegate{&window, vc};
    Shell()
    {
        window.setCentralWidget(vc);
        window.resize(1000, 700);
        window.show();
        spinEventLoop(20);
    }
};

QStringList checkedSideBarButtons(const MainVC& vc)
{
    QStringList out;
    for (qint64 tag = 1; tag <= 6; ++tag)
        if (QAbstractButton* b = vc.sideBarButton(tag); b && b->isChecked()) out << b->objectName();
    return out;
}

bool forcedCollapsed()
{
    return UserDefaults::standard().boolForKey("bottomViewForcedCollapsed");
}

} // namespace

TEST(MainVC, FirstStartShowsSearchWithTheQueuePageMadeAndConnectionsBelow)
{
    TempHome home;
    Shell shell;
    MainVC& vc = *shell.vc;
    EXPECT_EQ(vc.currentTopVCTag(), 4);
    ASSERT_NE(vc.topVC(), nullptr);
    EXPECT_EQ(vc.topVC()->objectName(), "DeepLookupVC");
    ASSERT_NE(vc.pageForTag(2), nullptr);
    EXPECT_FALSE(vc.pageForTag(2)->isVisible());
    EXPECT_EQ(checkedSideBarButtons(vc), QStringList({"lsbBtnSearch"}));
    ASSERT_NE(vc.bottomVC(), nullptr);
    EXPECT_EQ(vc.bottomVC()->objectName(), "ConnectionsVC");
    EXPECT_EQ(vc.currentBottomVCTag(), 1);
    EXPECT_FALSE(vc.bottomPaneIsCollapsed()); // nothing was force-collapsed yet
    EXPECT_NE(vc.dockIconController(), nullptr);
    EXPECT_TRUE(vc.secondTimer()->isActive());
    EXPECT_EQ(vc.secondTimer()->interval(), 1000);
}

TEST(MainVC, PagesMoveTheLowerPaneByTheirRules)
{
    TempHome home;
    Shell shell;
    MainVC& vc = *shell.vc;
    SplitViewMain* split = vc.splitViewMain();

    vc.changeTopViewController(3);
    EXPECT_NE(qobject_cast<LogVC*>(vc.topVC()), nullptr);
    EXPECT_TRUE(vc.bottomPaneIsCollapsed());
    EXPECT_TRUE(forcedCollapsed());
    EXPECT_TRUE(vc.btnCollapseBottom()->isChecked());
    QWidget* log = vc.topVC();
    const int divider = split->positionOfDividerAtIndex(0);
    vc.changeTopViewController(3); // the same page: nothing rebuilt or moved
    EXPECT_EQ(vc.topVC(), log);
    EXPECT_EQ(split->positionOfDividerAtIndex(0), divider);

    vc.changeTopViewController(2); // re-opens what the log page closed
    EXPECT_EQ(vc.topVC()->objectName(), "QueueVC");
    EXPECT_FALSE(vc.bottomPaneIsCollapsed());
    EXPECT_FALSE(forcedCollapsed());
    EXPECT_FALSE(vc.btnCollapseBottom()->isChecked());

    vc.toggleBottomPaneBtnClicked(); // closed by the user
    EXPECT_TRUE(vc.bottomPaneIsCollapsed());
    vc.changeTopViewController(1);
    EXPECT_EQ(vc.topVC()->objectName(), "StatisticsVC");
    EXPECT_FALSE(forcedCollapsed());
    vc.changeTopViewController(2); // stays closed
    EXPECT_TRUE(vc.bottomPaneIsCollapsed());

    vc.toggleBottomPaneBtnClicked();
    EXPECT_FALSE(vc.bottomPaneIsCollapsed());
    vc.changeTopViewController(6);
    EXPECT_EQ(vc.topVC()->objectName(), "WatchdogVC");
    EXPECT_TRUE(vc.bottomPaneIsCollapsed());
    vc.toggleBottomPaneBtnClicked(); // the button does nothing on this page
    EXPECT_TRUE(vc.bottomPaneIsCollapsed());
    vc.menuToggleConnectionsView(); // the menu item still does
    EXPECT_FALSE(vc.bottomPaneIsCollapsed());

    // The post button only lights; an unknown tag lights nothing.
    QWidget* watchdog = vc.topVC();
    vc.changeTopViewController(5);
    EXPECT_EQ(checkedSideBarButtons(vc), QStringList({"lsbBtnPost"}));
    EXPECT_EQ(vc.topVC(), watchdog);
    vc.changeTopViewController(7);
    EXPECT_TRUE(checkedSideBarButtons(vc).isEmpty());
    EXPECT_EQ(vc.topVC(), watchdog);
    vc.sideBarButton(5)->click();
    EXPECT_FALSE(vc.sideBarButton(5)->isChecked());
    vc.sideBarButton(1)->click();
    EXPECT_EQ(vc.currentTopVCTag(), 1);
}

TEST(MainVC, AnswersTheNotificationsItObserves)
{
    TempHome home;
    Shell shell;
    MainVC& vc = *shell.vc;
    NotificationHub& hub = NotificationHub::defaultCenter();

    hub.post(SplitViewMain::collapseStateChangedNotification(), nullptr, {{"state", true}});
    EXPECT_TRUE(vc.btnCollapseBottom()->isChecked());
    hub.post(SplitViewMain::collapseStateChangedNotification(), nullptr, {{"state", false}});
    EXPECT_FALSE(vc.btnCollapseBottom()->isChecked());

    UserDefaults::standard().setBool(false, "showMegaBytesPerSecond");
    hub.post("BandwidthDisplayTypeChanged", nullptr);
    EXPECT_EQ(vc.textFieldBandwidth()->toolTip(),
              "Current download speed in Mega bits per second (click to toggle)");
    EXPECT_EQ(vc.textFieldBandwidthUnit()->text(), "bps");

    hub.post("ShowHelpWindowForTopic", nullptr, {{"topic", 3}});
    ASSERT_NE(vc.helpWC(), nullptr);
    EXPECT_EQ(vc.helpWC()->topic(), 3);

    QObject owner;
    QList<QObject*> reopen;
    hub.addObserver("ReopenMainWindow", &owner, [&](const Notification& n) { reopen << n.object; });
    vc.menuShowMainWindow(); // visible: nothing to do
    EXPECT_TRUE(reopen.isEmpty());
    shell.window.hide();
    vc.menuShowMainWindow();
    EXPECT_EQ(reopen, QList<QObject*>({&vc}));
}

TEST(MainVC, AWebPageThatCannotBeOpenedIsLogged)
{
    TempHome home;
    Shell shell;
    UserDefaults::standard().setObject(QString(), "htmlLinkForum");
    shell.vc->openWebPageForKey("htmlLinkForum");
    LogFileReader log(home.logFilePath());
    EXPECT_EQ(log.linesWithMessage("Failed to open url: ").size(), 1);
    EXPECT_TRUE(log.lines().last().startsWith("[ERROR]"));
}

TEST(MainVC, ExpandingWithoutASavedPositionOpensTwentyEightAboveTheBottom)
{
    TempHome home;
    Shell shell;
    MainVC& vc = *shell.vc;
    vc.collapseBottomPane();
    UserDefaults::standard().removeObjectForKey(SplitViewMain::restorePositionKey());
    vc.expandBottomPane();
    SplitViewMain* split = vc.splitViewMain();
    EXPECT_EQ(split->positionOfDividerAtIndex(0), split->maxPossiblePositionOfDividerAtIndex(0) - 28);
    EXPECT_FALSE(vc.btnCollapseBottom()->isChecked());
}

TEST(MainVC, TheLastUpperPageIsShownAgainOnTheNextStart)
{
    TempHome home;
    {
        Shell shell;
        shell.vc->changeTopViewController(1);
        shell.vc->storeLastUsedMainView();
    }
    EXPECT_EQ(UserDefaults::standard().integerForKey("lastUsedMainView"), 1);
    Shell again;
    EXPECT_EQ(again.vc->currentTopVCTag(), 1);
    EXPECT_EQ(checkedSideBarButtons(*again.vc), QStringList({"lsbBtnStats"}));
}

TEST(MainVC, StatusFieldsFollowTheDisplayAndTheUnitToggles)
{
    TempHome home;
    UserDefaults::standard().setBool(true, "showMegaBytesPerSecond");
    Shell shell;
    MainVC& vc = *shell.vc;
    FakeMainQueue queue;
    queue.files = 3;
    queue.bytesPerSecond = 1500;
    queue.leftToDownload = 3000;
    vc.setQueueStatus(&queue);
    vc.engine().displayController()->calculateBandwidth();
    EXPECT_EQ(vc.textFieldFilesInQueue()->text(), "3");
    EXPECT_EQ(vc.textFieldTimeLeft()->text(), "00:00:02");
    EXPECT_EQ(vc.textFieldBandwidth()->text(), "1.5");
    EXPECT_EQ(vc.textFieldBandwidthUnit()->text(), "KBps");
    EXPECT_EQ(vc.textFieldBandwidthUnit()->toolTip(),
              "Current download speed in Mega Bytes per second (click to toggle)");

    // The speed graph takes the same second's figure in bits per second.
    ASSERT_NE(vc.viewBandwidth(), nullptr);
    EXPECT_EQ(vc.viewBandwidth()->ypoints().last(), 12000);
    EXPECT_EQ(vc.viewBandwidth()->peekBandwidth(), 12000);

    QTest::mouseClick(vc.textFieldBandwidthUnit(), Qt::LeftButton);
    EXPECT_FALSE(UserDefaults::standard().boolForKey("showMegaBytesPerSecond"));
    EXPECT_EQ(vc.textFieldBandwidth()->text(), "12.0");
    EXPECT_EQ(vc.textFieldBandwidthUnit()->text(), "Kbps");
    EXPECT_EQ(vc.textFieldBandwidth()->toolTip(),
              "Current download speed in Mega bits per second (click to toggle)");

    QTest::mouseClick(vc.textFieldFileMaxMemLimiter(), Qt::LeftButton);
    ASSERT_NE(vc.prefsWC(), nullptr);
    EXPECT_EQ(UserDefaults::standard().integerForKey("lastUsedPrefsDownloadView"), 5);
    // The Download page, once it is built; the servers until then.
    const PrefsPages::Entry* download = PrefsPages::entryFor(PrefsPages::kDownload);
    EXPECT_EQ(vc.prefsWC()->currentVCTag(), download->maker ? PrefsPages::kDownload : PrefsPages::kNewsServers);
    vc.prefsWC()->close();
}

TEST(MainVC, OneSecondTickPausesWhileAModalWindowRuns)
{
    TempHome home;
    UserDefaults::standard().setObject(home.makeFolder("dl"), "downloadPath");
    Shell shell;
    MainVC& vc = *shell.vc;
    FakeMainQueue queue;
    vc.setQueueStatus(&queue);

    // Called straight: a shown modal window holds the tick back.
    ASSERT_TRUE(waitUntil([&] { return !vc.freeSpaceGuard().measurementInFlight(); }, 3000));
    QDialog modal(&shell.window);
    modal.setModal(true);
    modal.show();
    vc.secondTimerSelector();
    EXPECT_FALSE(vc.freeSpaceGuard().measurementInFlight());
    modal.hide();
    vc.secondTimerSelector();
    EXPECT_TRUE(vc.freeSpaceGuard().measurementInFlight());
    ASSERT_TRUE(waitUntil([&] { return !vc.freeSpaceGuard().measurementInFlight(); }, 3000));

    // And from the timer itself, inside a modal run: the free-space figure
    // is not measured, while the speed display keeps counting.
    int ticks = 0;
    QObject::connect(&vc.freeSpaceGuard(), &FreeSpaceGuard::displayTextChanged,
                     [&](const QString&) { ++ticks; });
    const qsizetype recountsBefore = queue.calls.count("getTotalFilesInQueue");
    QDialog run(&shell.window);
    QTimer::singleShot(1600, &run, &QDialog::accept);
    run.exec();
    EXPECT_EQ(ticks, 0);
    EXPECT_GE(queue.calls.count("getTotalFilesInQueue") - recountsBefore, 1);
    EXPECT_TRUE(waitUntil([&] { return ticks > 0; }, 2500));
}

TEST(MainVC, DockIconSwitchesOnceAndShowsFilesAndProgress)
{
    TempHome home;
    Shell shell;
    MainVC& vc = *shell.vc;
    DockIconController* dock = vc.dockIconController();
    FakeMainQueue queue;
    vc.setQueueStatus(&queue);
    vc.updateDockIcon();
    EXPECT_FALSE(dock->showsDownloadPicture());

    queue.files = 2;
    queue.segments = 1000;
    queue.segmentsLeft = 999;
    vc.updateDockIcon();
    EXPECT_TRUE(dock->showsDownloadPicture());
    EXPECT_EQ(dock->badgeLabel(), "2");
    EXPECT_EQ(dock->textLabel(), "1%");
    EXPECT_EQ(dock->progressValue(), 1);
    const QImage downloading = dock->tileImage();
    EXPECT_FALSE(QApplication::windowIcon().isNull());

    queue.segmentsLeft = 0;
    vc.updateDockIcon();
    EXPECT_EQ(dock->textLabel(), "100");
    EXPECT_NE(dock->tileImage(), downloading);

    queue.files = 0;
    vc.updateDockIcon();
    EXPECT_FALSE(dock->showsDownloadPicture());
    EXPECT_TRUE(dock->badgeLabel().isEmpty());
}

TEST(MainVC, StatusBarFiguresAreDrawnReadably)
{
    TempHome home;
    UserDefaults& d = UserDefaults::standard();
    d.setBool(true, "showMegaBytesPerSecond");
    d.setBool(true, "enableMaxMemLimiter");
    Shell shell;
    MainVC& vc = *shell.vc;
    FakeMainQueue queue;
    queue.files = 12;
    queue.bytesPerSecond = 48.6e6;
    queue.leftToDownload = 7.3e9;
    queue.segments = 1000;
    queue.segmentsLeft = 620;
    vc.setQueueStatus(&queue);
    vc.changeTopViewController(2);
    vc.engine().displayController()->calculateBandwidth();
    vc.freeSpaceGuard().applyFreeSpace(312.4e9);
    vc.memoryLimiter().applyResidentSize(0.9e9);
    vc.updateDockIcon();
    spinEventLoop(50);
    const QImage shot = shell.window.grab().toImage();
    if (const QByteArray out = qgetenv("BINORAMA_SCREENSHOT"); !out.isEmpty())
        shot.save(QString::fromLocal8Bit(out));

    // Each figure differs clearly from the bar behind it.
    for (QLabel* field : {vc.textFieldBandwidth(), vc.textFieldTimeLeft(), vc.textFieldFilesInQueue(),
                          vc.textFieldDiskSpaceLeft(), vc.textFieldFileMaxMemLimiter()}) {
        ASSERT_FALSE(field->text().isEmpty()) << field->objectName().toStdString();
        const QRect r(field->mapTo(&shell.window, QPoint(0, 0)), field->size());
        const QColor background =
            shot.pixelColor(r.left() - 2 > 0 ? r.left() - 2 : r.right() + 2, r.center().y());
        double strongest = 0;
        for (int y = r.top(); y <= r.bottom(); ++y)
            for (int x = r.left(); x <= r.right(); ++x)
                strongest =
                    std::max(strongest,
                             double(std::abs(shot.pixelColor(x, y).lightnessF() - background.lightnessF())));
        EXPECT_GT(strongest, 0.4) << field->objectName().toStdString();
    }
}

TEST(DockIconController, PercentDoneFollowsTheCeilingFormula)
{
    struct Case
    {
        double max;
        double left;
        qint64 percent;
        const char* text;
    };
    const Case cases[] = {
        {1000, 999, 1, "1%"}, {1000, 0, 100, "100"}, {22, 11, 51, "51%"}, {1000, 1000, 0, "0%"},
        {100, 150, 0, "0%"},  {100, -5, 100, "100"}, {0, 0, 0, "0%"},
    };
    for (const Case& c : cases) {
        const qint64 p = DockIconController::percentDone(c.max, c.left);
        EXPECT_EQ(p, c.percent) << c.max << "/" << c.left;
        EXPECT_EQ(DockIconController::percentText(p), c.text);
    }
}

TEST(MainVC, StartUpRestoresTheQueueThenImportsTheFilesHeldMeanwhile)
{
    TempHome home;
    UserDefaults& d = UserDefaults::standard();
    d.setObject(home.makeFolder("dl"), "downloadPath");
    d.setBool(false, "showDialogMakeDefaultForNZB");
    d.setFloat(0.05f, "saveStateWindowDelay");
    ScriptedDialogAnswerer answers;
    answers.script({1000, 1000}); // configure servers: Yes; give up the restore: Yes
    Shell shell;
    MainVC& vc = *shell.vc;
    QSemaphore release;
    std::atomic<bool> loadedOffMain{false};
    int cancels = 0;
    vc.setSaveStateHooks(
        [&] {
            loadedOffMain = QThread::currentThread() != qApp->thread();
            release.acquire();
        },
        [&] { ++cancels; }, {});
    QList<QStringList> imports;
    QObject::connect(&vc, &MainVC::importOpenFiles, [&](const QStringList& f) { imports << f; });

    vc.addOpenFiles({"/tmp/first.nzb"});
    whenShown<LoadingSaveStateWC>([](LoadingSaveStateWC* w) { w->cancelButtonClicked(); }, &shell.window);
    vc.applicationDidStartGUI();
    // No server yet: the settings window opens on the news servers.
    ASSERT_NE(vc.prefsWC(), nullptr);
    EXPECT_EQ(vc.prefsWC()->currentVCTag(), 1);
    ASSERT_TRUE(waitUntil([&] { return cancels == 1; }, 5000));
    vc.addOpenFiles({"/tmp/second.nzb"});
    EXPECT_FALSE(vc.guiIsLoaded());
    EXPECT_TRUE(imports.isEmpty());

    release.release();
    ASSERT_TRUE(waitUntil([&] { return vc.guiIsLoaded(); }, 3000));
    EXPECT_TRUE(loadedOffMain);
    EXPECT_EQ(imports, QList<QStringList>({{"/tmp/first.nzb", "/tmp/second.nzb"}}));
    vc.addOpenFiles({"/tmp/third.nzb"});
    EXPECT_EQ(imports.last(), QStringList({"/tmp/third.nzb"}));
    EXPECT_EQ(answers.askedTitles().first(), "No active news servers configured");
    LogFileReader log(home.logFilePath());
    EXPECT_EQ(log.linesWithMessage("No active nntpservers configured.").size(), 1);
}

TEST(MainVC, FilesOpenedDuringTheRestoreBecomeQueuedJobsInOrder)
{
    TempHome home;
    UserDefaults::standard().setObject(home.makeFolder("dl"), "downloadPath");
    ScriptedDialogAnswerer answers;
    const QString b = home.path() + "/Second Job.nzb";
    const QString a = home.path() + "/First Job.nzb";
    ASSERT_TRUE(NzbFixture().addFile("b.bin").write(b));
    ASSERT_TRUE(NzbFixture().addFile("a.bin").write(a));
    Shell shell;
    shell.delegate.openFiles({a});
    shell.vc->applicationDidStartGUI();
    shell.delegate.openFiles({b}); // still held: the restore has not come back
    EXPECT_TRUE(shell.vc->engine().queueController()->queueArray().isEmpty());
    ASSERT_TRUE(waitUntil([&] { return shell.vc->guiIsLoaded(); }, 3000));
    QStringList titles;
    for (const QueuePtr& job : shell.vc->engine().queueController()->queueArray())
        titles << job->title();
    EXPECT_EQ(titles, QStringList({"First Job", "Second Job"}));
}

TEST(MainVC, GuardsStopAndReleaseTheQueueControllerItself)
{
    TempHome home;
    UserDefaults& d = UserDefaults::standard();
    d.setDouble(1e10, "minFreeSpace");
    d.setBool(true, "enableMaxMemLimiter");
    d.setFloat(1.0f, "maxMemLimit");
    d.setFloat(0.5f, "maxMemResume");
    Shell shell;
    QueueController* queue = shell.vc->engine().queueController();
    shell.vc->freeSpaceGuard().applyFreeSpace(9.9e9);
    EXPECT_TRUE(queue->noDiskSpace());
    shell.vc->freeSpaceGuard().applyFreeSpace(1e10);
    EXPECT_FALSE(queue->noDiskSpace());
    shell.vc->memoryLimiter().applyResidentSize(1.5 * 1073741824.0);
    EXPECT_TRUE(queue->pausedDueFullWriteQueue());
    shell.vc->memoryLimiter().applyResidentSize(0.5 * 1073741824.0);
    EXPECT_FALSE(queue->pausedDueFullWriteQueue());
}

TEST(MainVC, QuittingSavesTheQueueAndTheNextStartRestoresIt)
{
    TempHome home;
    UserDefaults::standard().setObject(home.makeFolder("dl"), "downloadPath");
    UserDefaults::standard().setBool(false, "closeConnectionsOnExit");
    ScriptedDialogAnswerer answers;
    const QString nzb = home.path() + "/Kept Job.nzb";
    ASSERT_TRUE(NzbFixture().addFile("kept.bin", 3).write(nzb));
    auto titles = [](MainVC& vc) {
        QStringList out;
        for (const QueuePtr& job : vc.engine().queueController()->queueArray())
            out << job->title();
        return out;
    };
    {
        Shell shell;
        shell.vc->applicationDidStartGUI();
        ASSERT_TRUE(waitUntil([&] { return shell.vc->guiIsLoaded(); }, 5000));
        shell.delegate.openFiles({nzb});
        ASSERT_EQ(titles(*shell.vc), QStringList({"Kept Job"}));
        // The import has read the file's parts.
        ASSERT_TRUE(waitUntil(
            [&] {
                return !shell.vc->engine().queueController()->queueArray().first()->fileparts().isEmpty();
            },
            5000));
        QSignalSpy quit(shell.vc, &MainVC::quitRequested);
        shell.vc->applicationShouldTerminate();
        ASSERT_TRUE(waitUntil([&] { return quit.size() == 1; }, 10000));
    }
    Shell again;
    EXPECT_TRUE(titles(*again.vc).isEmpty());
    again.vc->applicationDidStartGUI();
    ASSERT_TRUE(waitUntil([&] { return titles(*again.vc) == QStringList({"Kept Job"}); }, 10000));
    EXPECT_TRUE(waitUntil([&] { return again.vc->guiIsLoaded(); }, 5000));
}

TEST(MainVC, ClosingTheWindowQuitsThroughTheClosingWindowAndSavesTheView)
{
    TempHome home;
    ScriptedDialogAnswerer answers;
    Shell shell;
    MainVC& vc = *shell.vc;
    std::atomic<int> saves{0};
    vc.setSaveStateHooks({}, {}, [&] { ++saves; });
    vc.applicationDidStartGUI(); // answered: no server question shown as No
    ASSERT_TRUE(waitUntil([&] { return vc.guiIsLoaded(); }, 3000));
    answers.script({});
    const qsizetype askedAtStart = answers.asked().size();
    vc.changeTopViewController(3);
    QSignalSpy quit(&vc, &MainVC::quitRequested);
    QObject owner;
    QStringList announced;
    NotificationHub::defaultCenter().addObserver("ApplicationWillTerminate", &owner,
                                                 [&](const Notification&) { announced << "WillTerminate"; });
    bool closingShown = false;
    QSize hiddenSize;
    whenShown<ClosingAppWC>(
        [&](ClosingAppWC* w) {
            closingShown = w->windowIsShown();
            hiddenSize = w->size();
        },
        nullptr, 3000);

    shell.window.close(); // refused at first, then the sequence runs
    EXPECT_FALSE(shell.delegate.terminateNow());
    ASSERT_TRUE(waitUntil([&] { return quit.size() == 1; }, 5000));
    EXPECT_EQ(answers.asked().size(), askedAtStart);
    EXPECT_EQ(announced, QStringList({"WillTerminate"}));
    EXPECT_TRUE(shell.delegate.terminateNow());
    EXPECT_FALSE(shell.window.isVisible());
    EXPECT_TRUE(vc.appIsTerminating());
    EXPECT_EQ(UserDefaults::standard().integerForKey("lastUsedMainView"), 3);
    EXPECT_EQ(saves, 1);
    EXPECT_FALSE(closingShown); // a quick close never shows the window
    EXPECT_LE(hiddenSize.width(), 1);
    EXPECT_LE(hiddenSize.height(), 1);

    // Once quitting, another request is not asked about again.
    vc.applicationShouldTerminate();
    spinEventLoop(50);
    EXPECT_EQ(quit.size(), 1);
    EXPECT_TRUE(shell.delegate.applicationShouldTerminate());
}

TEST(MainVC, QuittingBeforeTheRestoreKeepsTheSavedQueue)
{
    TempHome home;
    UserDefaults::standard().setBool(false, "closeConnectionsOnExit");
    ScriptedDialogAnswerer answers;
    Shell shell;
    std::atomic<int> saves{0};
    shell.vc->setSaveStateHooks({}, {}, [&] { ++saves; });
    QSignalSpy quit(shell.vc, &MainVC::quitRequested);
    shell.vc->applicationShouldTerminate();
    ASSERT_TRUE(waitUntil([&] { return quit.size() == 1; }, 5000));
    EXPECT_EQ(saves, 0);
    EXPECT_FALSE(shell.vc->guiIsLoaded());
}

TEST(ClosingAppWC, ShowsItselfAfterTheDelayAndItsCancelButtonsMoveOn)
{
    TempHome home;
    UserDefaults::standard().setInteger(0, "closingWindowDelay");
    UserDefaults::standard().setBool(true, "closeConnectionsOnExit");
    FakeMainConnections connections; // they never close
    connections.open = 2;
    ClosingAppWC wc;
    wc.sequence().setConnectionsController(&connections);
    QStringList seen;
    QTimer::singleShot(800, &wc, [&] {
        seen << (wc.windowIsShown() ? "shown" : "hidden") << wc.connectionsProgressTextField()->text();
        EXPECT_TRUE(wc.btnCancelConnections()->isEnabled());
        EXPECT_FALSE(wc.btnCancelDbExport()->isEnabled());
        wc.btnCancelConnections()->click();
    });
    EXPECT_EQ(wc.runModal(), 1);
    EXPECT_EQ(seen, QStringList({"shown", "2"}));
    EXPECT_GT(wc.width(), 100);
    EXPECT_EQ(wc.connectionsProgressTextField()->text(), "Cancelled");
    EXPECT_EQ(wc.flushingProgressTextField()->text(), "Done");
    EXPECT_EQ(wc.saveStateProgressTextField()->text(), "Done");
    EXPECT_FALSE(wc.isVisible());
}

TEST(Program, ATerminationSignalQuitsThroughTheClosingPhases)
{
    TempHome home(false);
    const QString program = QStringLiteral(BINORAMA_BINARY_DIR "/src/binorama");
    LogFileReader log(home.path() + "/.local/share/Binorama/Binorama.log");
    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("QT_QPA_PLATFORM", "offscreen");
    p.setProcessEnvironment(env);
    p.start(program, {});
    ASSERT_TRUE(p.waitForStarted(10000));
    // The interface has started: the statistics load just before the first
    // start-up question comes up.
    ASSERT_TRUE(waitUntil(
        [&] { return !log.linesWithMessage("Statistics Database not found. Creating a new one.").isEmpty(); },
        20000));
    spinEventLoop(300);
    ::kill(pid_t(p.processId()), SIGTERM);
    const bool ended = p.waitForFinished(15000);
    if (!ended) p.kill();
    ASSERT_TRUE(ended);
    EXPECT_EQ(p.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(p.exitCode(), 0);
    EXPECT_EQ(log.linesWithMessage("Closing connections.").size(), 1);
    EXPECT_EQ(log.linesContaining(" * Connections are closed after\t: ").size(), 1);
    // The start-up asked nothing more once quitting began.
    EXPECT_TRUE(log.linesWithMessage("No active nntpservers configured.").isEmpty());
    EXPECT_TRUE(log.linesWithMessage("Download folder no longer exists or access is denied.").isEmpty());
}

TEST(MainVC, KeepsOneSettingsWindowAndAskedPagesGetAFreshOne)
{
    TempHome home;
    Shell shell;
    MainVC& vc = *shell.vc;
    shell.window.buildMenuBar(&vc);
    QAction* item = shell.window.menuBar()->findChild<QAction*>(QStringLiteral("mnuShowPreferences"));
    ASSERT_NE(item, nullptr);
    ASSERT_TRUE(item->isEnabled());
    item->trigger();
    QPointer<PrefsWC> first = vc.prefsWC();
    ASSERT_NE(first, nullptr);
    EXPECT_TRUE(first->isVisible());
    // Every window gets all the engine's references, whoever opens it.
    EXPECT_EQ(first->context().queueController, vc.engine().queueController());
    EXPECT_EQ(first->context().nntpServersController, vc.engine().nntpServersController());
    EXPECT_EQ(first->context().statsUsageController, vc.engine().statsUsageController());
    EXPECT_EQ(first->context().downloadHistoryController, vc.engine().downloadHistoryController());
    vc.showPrefsWindow();
    EXPECT_EQ(vc.prefsWC(), first) << "the open window is brought forward";

    vc.showPrefsWindowWithViewTag(1);
    ASSERT_NE(vc.prefsWC(), nullptr);
    EXPECT_NE(vc.prefsWC(), first.data());
    ASSERT_TRUE(waitUntil([&] { return first.isNull(); }, 3000)) << "the earlier window closed and went";
    EXPECT_EQ(vc.prefsWC()->currentVCTag(), 1);

    vc.prefsWC()->close();
    ASSERT_TRUE(waitUntil([&] { return vc.prefsWC() == nullptr; }, 3000));
    vc.showPrefsWindow();
    EXPECT_NE(vc.prefsWC(), nullptr);
    vc.prefsWC()->close();
}

TEST(MainVC, EachSideBarButtonShowsItsOwnGlyph)
{
    TempHome home;
    Shell shell;
    QList<qint64> glyphs;
    for (qint64 tag = 1; tag <= 6; ++tag) {
        SCOPED_TRACE(tag);
        auto* button = qobject_cast<ButtonCellLSB*>(shell.vc->sideBarButton(tag));
        ASSERT_NE(button, nullptr);
        ASSERT_FALSE(button->image().isNull());
        glyphs << button->image().cacheKey();
    }
    std::sort(glyphs.begin(), glyphs.end());
    EXPECT_EQ(std::unique(glyphs.begin(), glyphs.end()), glyphs.end());
}

TEST(MainVC, OpensComposeWindowsAndArticleViewersOnRequest)
{
    TempHome home;
    ScriptedDialogAnswerer dialogs; // "no posting server" is answered Cancel
    UserDefaults::standard().setBool(false, "showDialogDMCAWarning");
    Shell shell;
    MainVC& vc = *shell.vc;
    NotificationHub& hub = NotificationHub::defaultCenter();

    vc.sideBarButton(5)->click();
    ASSERT_EQ(vc.postWindows().size(), 1);
    EXPECT_FALSE(vc.postWindows()[0]->isReply());
    EXPECT_TRUE(vc.postWindows()[0]->isVisible());
    EXPECT_FALSE(vc.sideBarButton(5)->isChecked());

    // A reply request (the search page's, the viewer's) opens another one.
    const QueuePtr article = Queue::create();
    article->setTitle("hello");
    article->setTotalfiles(2);
    hub.post("OpenPostArticleWindow", nullptr, {{"queue", QVariant::fromValue(article)}});
    ASSERT_EQ(vc.postWindows().size(), 2);
    EXPECT_TRUE(vc.postWindows()[1]->isReply());
    EXPECT_EQ(vc.postWindows()[1]->titleTextField()->stringValue(), "Re: hello");
    vc.menuPostMessage();
    EXPECT_EQ(vc.postWindows().size(), 3);

    vc.postWindows()[0]->closeWindow();
    spinEventLoop(20);
    EXPECT_EQ(vc.postWindows().size(), 2) << "a closed window is let go";

    // "Download and Open" of a text file in a job's comments folder.
    const QString comments = home.makeFolder("Downloads/job/comments");
    QFile text(comments + "/note.txt");
    ASSERT_TRUE(text.open(QIODevice::WriteOnly));
    text.write("Hello reader");
    text.close();
    const QueuePtr part = Queue::create();
    part->setIsFilepart(true);
    part->setQueue(article);
    part->setTitle("note");
    Utils::executeFile(comments, "note.txt", QVariant::fromValue(part));
    ASSERT_EQ(vc.msgViewers().size(), 1);
    EXPECT_EQ(vc.msgViewers()[0]->textView()->toPlainText(), "Hello reader");
    EXPECT_EQ(vc.msgViewers()[0]->windowTitle(), "note");
    vc.msgViewers()[0]->replyButton()->click();
    EXPECT_EQ(vc.postWindows().size(), 3);

    hub.post("ApplicationWillTerminate", nullptr);
    spinEventLoop(20);
    EXPECT_TRUE(vc.postWindows().isEmpty());
    EXPECT_TRUE(vc.msgViewers().isEmpty());
}
