#include "ui/core/AboutWC.h"
#include "ui/core/AppDelegate.h"
#include "ui/core/HelpWC.h"
#include "ui/core/MainVC.h"
#include "ui/core/MainWindow.h"
#include "ui/queue/QueueTableModel.h"
#include "ui/queue/QueueVC.h"
#include "ui/queue/TableViewQueue.h"
#include "ui/search/page/DeepLookupResultActions.h"
#include "ui/search/page/DeepLookupVC.h"
#include "ui/search/page/OutlineViewSearch.h"
#include "ui/search/page/OutlineViewSearchModel.h"
#include "ui/search/tools/NZBExportWC.h"

#include "controls/SplitViewQueue.h"
#include "platform/NotificationHub.h"
#include "platform/UserDefaults.h"
#include "queue/QueueController.h"
#include "search/DeepLookupController.h"
#include "queue/StatusCodes.h"
#include "support/EventLoop.h"
#include "support/QueueJobFixture.h"
#include "support/LogFileReader.h"
#include "support/ModalDriver.h"
#include "support/ScriptedDialogAnswerer.h"
#include "support/TempHome.h"

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QAction>
#include <QMenu>
#include <QMenuBar>
#include <QSignalSpy>

namespace {

// The main window as the program builds it, on screen.
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
    QAction* item(const char* name) const
    {
        for (const QMenu* menu : window.menuBar()->findChildren<QMenu*>())
            for (QAction* a : menu->actions())
                if (a->objectName() == QLatin1String(name)) return a;
        return nullptr;
    }
    // What a click on the item does; a disabled item must not be clicked.
    void click(const char* name) const
    {
        QAction* action = item(name);
        ASSERT_NE(action, nullptr) << name;
        ASSERT_TRUE(action->isEnabled()) << name;
        action->trigger();
    }
};

QStringList itemNames(const QMenu* menu)
{
    QStringList names;
    for (const QAction* a : menu->actions())
        if (!a->isSeparator()) names << a->objectName();
    return names;
}

QStringList titles(QueueController* controller)
{
    QStringList t;
    for (const QueuePtr& q : controller->queueArray())
        t << q->title();
    return t;
}

} // namespace

TEST(MainMenu, TheWindowCarriesEveryMenuAndItem)
{
    TempHome home;
    Shell shell;
    QMenuBar* bar = shell.window.menuBar();
    struct Menu
    {
        const char* name;
        QString title;
        QStringList items;
    };
    const QList<Menu> menus = {
        {"menuFile",
         "&File",
         {"menuOpenNZBFile", "menuExportAsNZBFile", "menuPostMessage", "mnuShowPreferences", "menuQuit"}},
        {"menuQueue",
         "&Queue",
         {"menuPauseSelectedQueueObjects", "menuResumeSelectedQueueObjects", "menuCancelSelectedQueueObjects",
          "menuPauseAllQueueObjects", "menuResumeAllQueueObjects", "menuCancelAllQueueObjects",
          "menuCleanupQueue", "menuToggleFilesPanel"}},
        {"menuView",
         "&View",
         {"menuShowDeepLookup", "menuShowQueue", "menuShowLog", "menuShowWatchdog", "menuShowStatistics",
          "menuToggleConnectionsView"}},
        {"menuWindow", "&Window", {"menuShowMainWindow", "menuShowBandwidthLimiterWindow"}},
        {"menuHelp",
         "&Help",
         {"menuShowDocumentation", "menuOpenForumWebpage", "menuOpenSupportWebpage",
          "menuOpenAgreementWebpage", "menuOpenPrivacyPolicyWebpage", "showAboutWindow"}},
    };
    QStringList inBar;
    for (const QAction* a : bar->actions())
        inBar << a->menu()->objectName();
    EXPECT_EQ(inBar, QStringList({"menuFile", "menuQueue", "menuView", "menuWindow", "menuHelp"}));
    for (const Menu& m : menus) {
        auto* menu = bar->findChild<QMenu*>(QString::fromLatin1(m.name));
        ASSERT_NE(menu, nullptr) << m.name;
        EXPECT_EQ(menu->title(), m.title);
        EXPECT_EQ(itemNames(menu), m.items) << m.name;
        for (const QAction* a : menu->actions()) {
            if (!a->isSeparator()) {
                EXPECT_FALSE(a->text().isEmpty()) << a->objectName().toStdString();
            }
        }
    }

    EXPECT_EQ(shell.item("menuOpenNZBFile")->shortcut(), QKeySequence(QKeySequence::Open));
    EXPECT_EQ(shell.item("menuQuit")->shortcut(), QKeySequence(QKeySequence::Quit));
    EXPECT_EQ(shell.item("menuShowDocumentation")->shortcut(), QKeySequence(QKeySequence::HelpContents));
    EXPECT_EQ(shell.vc->mnuItemExportNZB(), shell.item("menuExportAsNZBFile"));

    // What has no window or result list to act on yet is not offered.
    EXPECT_FALSE(shell.item("menuExportAsNZBFile")->isEnabled());
    EXPECT_TRUE(shell.item("mnuShowPreferences")->isEnabled());
    EXPECT_TRUE(shell.item("menuShowBandwidthLimiterWindow")->isEnabled());

    // A second build leaves the one menu bar as it is.
    shell.window.buildMenuBar(shell.vc);
    EXPECT_EQ(bar->actions().size(), 5);
}

TEST(MainMenu, ViewItemsShowTheirPages)
{
    TempHome home;
    Shell shell;
    MainVC& vc = *shell.vc;
    struct Row
    {
        const char* item;
        qint64 tag;
        const char* page;
        const char* button;
    };
    const Row rows[] = {
        {"menuShowQueue", 2, "QueueVC", "lsbBtnQueue"},
        {"menuShowLog", 3, "LogVC", "lsbBtnLog"},
        {"menuShowWatchdog", 6, "WatchdogVC", "lsbBtnWatchdog"},
        {"menuShowStatistics", 1, "StatisticsVC", "lsbBtnStats"},
        {"menuShowDeepLookup", 4, "DeepLookupVC", "lsbBtnSearch"},
    };
    for (const Row& r : rows) {
        shell.click(r.item);
        EXPECT_EQ(vc.currentTopVCTag(), r.tag) << r.item;
        ASSERT_NE(vc.topVC(), nullptr) << r.item;
        EXPECT_EQ(vc.topVC()->objectName(), r.page) << r.item;
        EXPECT_TRUE(vc.topVC()->isVisible()) << r.item;
        EXPECT_TRUE(vc.sideBarButton(r.tag)->isChecked()) << r.item;
    }
    EXPECT_NE(qobject_cast<DeepLookupVC*>(vc.pageForTag(4)), nullptr);

    const bool collapsed = vc.bottomPaneIsCollapsed();
    shell.click("menuToggleConnectionsView");
    EXPECT_EQ(vc.bottomPaneIsCollapsed(), !collapsed);
    shell.click("menuToggleConnectionsView");
    EXPECT_EQ(vc.bottomPaneIsCollapsed(), collapsed);
}

TEST(MainMenu, QueueItemsActOnTheQueuePage)
{
    TempHome home;
    UserDefaults::standard().setInteger(2, "queueCleaningTag"); // finished jobs are removed
    Shell shell;
    MainVC& vc = *shell.vc;
    shell.click("menuShowQueue");
    QueueVC* page = vc.queueVC();
    ASSERT_NE(page, nullptr);
    QueueController* controller = vc.engine().queueController();
    for (int i = 0; i < 4; ++i)
        controller->addRootQueueObjectToQueueArray(makeListedJob(QStringLiteral("J%1").arg(i)));
    const QList<QueuePtr> jobs = controller->queueArray();
    ASSERT_EQ(jobs.size(), 4);
    TableViewQueue* table = page->tableviewQueue();
    ASSERT_TRUE(waitUntil([&] { return table->queueModel()->rowCount() == 4; }));
    auto select = [&](const QList<int>& rows) {
        QItemSelection selection;
        for (int r : rows)
            selection.select(table->queueModel()->index(r), table->queueModel()->index(r));
        table->selectionModel()->select(selection, QItemSelectionModel::ClearAndSelect);
    };

    select({1, 3});
    shell.click("menuPauseSelectedQueueObjects");
    EXPECT_FALSE(jobs[0]->shouldPause());
    EXPECT_TRUE(jobs[1]->shouldPause());
    EXPECT_FALSE(jobs[2]->shouldPause());
    EXPECT_TRUE(jobs[3]->shouldPause());

    jobs[1]->setIsPaused(true);
    jobs[2]->setIsPaused(true);
    shell.click("menuResumeSelectedQueueObjects");
    EXPECT_FALSE(jobs[1]->isPaused());
    EXPECT_TRUE(jobs[2]->isPaused()) << "not selected";

    shell.click("menuCancelSelectedQueueObjects");
    EXPECT_TRUE(waitUntil([&] { return titles(controller) == QStringList({"J0", "J2"}); }));

    shell.click("menuPauseAllQueueObjects");
    EXPECT_TRUE(jobs[0]->shouldPause());
    EXPECT_TRUE(jobs[2]->shouldPause());
    shell.click("menuResumeAllQueueObjects");
    EXPECT_FALSE(jobs[2]->isPaused());

    jobs[0]->setStatus(JobStatus::Finished);
    shell.click("menuCleanupQueue");
    EXPECT_TRUE(waitUntil([&] { return titles(controller) == QStringList({"J2"}); }));

    shell.click("menuCancelAllQueueObjects");
    EXPECT_TRUE(waitUntil([&] { return titles(controller).isEmpty(); }));

    SplitViewQueue* split = page->splitViewQueue();
    const bool filesPanelCollapsed = split->isSubviewCollapsed(1);
    shell.click("menuToggleFilesPanel");
    EXPECT_EQ(split->isSubviewCollapsed(1), !filesPanelCollapsed);

    UserDefaults::standard().setString(home.downloadsPath(), "downloadPath");
    QStringList asked;
    page->setOpenPanelHandler([&](const QString& folder) { asked << folder; });
    shell.click("menuOpenNZBFile");
    EXPECT_EQ(asked, QStringList({home.downloadsPath()}));
}

TEST(MainMenu, WebPagesThatCannotBeOpenedAreLoggedWithTheirAddress)
{
    TempHome home;
    Shell shell;
    struct Row
    {
        const char* item;
        const char* setting;
        QString address;
    };
    // Addresses no desktop can open, so that no browser starts.
    const Row rows[] = {
        {"menuOpenForumWebpage", "htmlLinkForum", "http://[forum"},
        {"menuOpenSupportWebpage", "htmlLinkContactus", "http://[support"},
        {"menuOpenAgreementWebpage", "htmlLinkAgreement", "http://[agreement"},
        {"menuOpenPrivacyPolicyWebpage", "htmlLinkPrivacyPolicy", "http://[privacy"},
    };
    for (const Row& r : rows)
        UserDefaults::standard().setString(r.address, QString::fromLatin1(r.setting));
    for (const Row& r : rows) {
        shell.click(r.item);
        LogFileReader log(home.logFilePath());
        EXPECT_EQ(log.linesWithMessage("Failed to open url: " + r.address).size(), 1) << r.item;
        EXPECT_TRUE(log.lines().last().startsWith("[ERROR]")) << r.item;
    }
    EXPECT_EQ(LogFileReader(home.logFilePath()).linesContaining("Failed to open url: ").size(), 4);
}

TEST(MainMenu, HelpAboutAndMainWindowItems)
{
    TempHome home;
    Shell shell;
    MainVC& vc = *shell.vc;

    shell.click("menuShowDocumentation");
    ASSERT_NE(vc.helpWC(), nullptr);
    EXPECT_EQ(vc.helpWC()->topic(), 1);
    EXPECT_TRUE(waitUntil([&] { return vc.helpWC()->isVisible(); }));

    bool aboutShown = false;
    whenShown<AboutWC>([&](AboutWC* w) {
        aboutShown = true;
        w->closeWindow();
    });
    shell.click("showAboutWindow");
    EXPECT_TRUE(aboutShown);

    QObject owner;
    QList<QObject*> reopen;
    NotificationHub::defaultCenter().addObserver("ReopenMainWindow", &owner,
                                                 [&](const Notification& n) { reopen << n.object; });
    shell.click("menuShowMainWindow"); // visible: nothing to do
    EXPECT_TRUE(reopen.isEmpty());
    shell.window.hide();
    shell.click("menuShowMainWindow");
    EXPECT_EQ(reopen, QList<QObject*>({&vc}));
}

TEST(MainMenu, PostMessageMakesTheSearchPageAskForANewPost)
{
    TempHome home;
    UserDefaults::standard().setInteger(2, "lastUsedMainView");
    Shell shell;
    MainVC& vc = *shell.vc;
    ASSERT_EQ(vc.pageForTag(4), nullptr);

    QObject owner;
    QList<Notification> asked;
    NotificationHub::defaultCenter().addObserver("OpenPostArticleWindow", &owner,
                                                 [&](const Notification& n) { asked << n; });
    shell.click("menuPostMessage");
    auto* search = qobject_cast<DeepLookupVC*>(vc.pageForTag(4));
    ASSERT_NE(search, nullptr);
    ASSERT_EQ(asked.size(), 1);
    EXPECT_EQ(asked[0].object, search);
    EXPECT_TRUE(asked[0].userInfo.isEmpty()) << "a new post answers nothing";
    EXPECT_EQ(vc.currentTopVCTag(), 2) << "the page shown stays";

    shell.click("menuPostMessage"); // the page is made once
    EXPECT_EQ(vc.pageForTag(4), search);
    EXPECT_EQ(asked.size(), 2);
}

TEST(MainMenu, StartUpLeavesTheExportItemToTheSearchPage)
{
    TempHome home;
    ScriptedDialogAnswerer answers;
    Shell shell;
    QAction* exportNZB = shell.vc->mnuItemExportNZB();
    ASSERT_NE(exportNZB, nullptr);
    exportNZB->setEnabled(true); // as the search page would with a chosen result
    shell.vc->applicationDidStartGUI();
    ASSERT_TRUE(waitUntil([&] { return shell.vc->guiIsLoaded(); }, 3000));
    EXPECT_FALSE(exportNZB->isEnabled());
}

// The search page gets the engine's controllers and the export item, which
// follows its selection and exports the chosen result.
TEST(MainMenu, TheSearchPageDrivesTheExportItem)
{
    TempHome home;
    ScriptedDialogAnswerer answers;
    Shell shell;
    MainVC& vc = *shell.vc;
    shell.click("menuShowDeepLookup");
    auto* search = qobject_cast<DeepLookupVC*>(vc.pageForTag(4));
    ASSERT_NE(search, nullptr);
    EXPECT_EQ(search->queueController(), vc.engine().queueController());
    EXPECT_EQ(search->deepLookupController(), vc.engine().deepLookupController());
    EXPECT_EQ(vc.engine().deepLookupController()->delegate(), search);
    QAction* exportNZB = shell.item("menuExportAsNZBFile");
    EXPECT_EQ(search->mnuItemExportNZB(), exportNZB);
    EXPECT_FALSE(exportNZB->isEnabled());

    const QueuePtr result = Queue::create();
    result->setTitle("a result");
    search->outLineViewSearch()->setResults({result});
    OutlineViewSearchModel* model = search->outLineViewSearch()->resultsModel();
    search->outLineViewSearch()->selectionModel()->select(model->indexOf(result),
                                                         QItemSelectionModel::Select | QItemSelectionModel::Rows);
    EXPECT_TRUE(exportNZB->isEnabled());
    shell.click("menuExportAsNZBFile");
    NZBExportWC* exporter = search->resultActions().nzbExportWC();
    ASSERT_NE(exporter, nullptr);
    EXPECT_EQ(exporter->queuearray(), QList<QueuePtr>({result}));
    exporter->close();
    search->outLineViewSearch()->selectionModel()->clearSelection();
    EXPECT_FALSE(exportNZB->isEnabled());
}

TEST(MainMenu, QuitTakesTheProgramsQuitPath)
{
    TempHome home;
    UserDefaults::standard().setBool(false, "closeConnectionsOnExit");
    ScriptedDialogAnswerer answers;
    Shell shell;
    QSignalSpy quit(shell.vc, &MainVC::quitRequested);
    shell.click("menuQuit");
    EXPECT_FALSE(shell.delegate.terminateNow()) << "asked first, never ended inside the click";
    ASSERT_TRUE(waitUntil([&] { return quit.size() == 1; }, 5000));
    EXPECT_TRUE(shell.vc->appIsTerminating());
    EXPECT_TRUE(shell.delegate.terminateNow());
    EXPECT_FALSE(shell.window.isVisible());
}
