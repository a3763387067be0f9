#include "controls/ButtonCollapseRight.h"
#include "controls/SplitViewQueue.h"
#include "platform/NotificationHub.h"
#include "platform/UserDefaults.h"
#include "queue/QueueController.h"
#include "queue/StatusCodes.h"
#include "ui/queue/EditTitleWC.h"
#include "ui/queue/QueueTableModel.h"
#include "ui/queue/QueueVC.h"
#include "ui/queue/TableViewQueue.h"

#include "support/EventLoop.h"
#include "support/QueueJobFixture.h"
#include "support/ModalDriver.h"
#include "support/TempHome.h"

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QAction>
#include <QClipboard>
#include <QComboBox>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

namespace {

struct PageFixture
{
    TempHome home;
    QueueController controller;
    QueueVC page;

    explicit PageFixture(int jobs = 0)
    {
        page.resize(1000, 600);
        page.setQueueController(&controller);
        page.loadView();
        for (int i = 0; i < jobs; ++i)
            add(makeListedJob(QStringLiteral("J%1").arg(i)));
    }
    QueuePtr add(const QueuePtr& job)
    {
        controller.addRootQueueObjectToQueueArray(job);
        return job;
    }
    TableViewQueue* table() const { return page.tableviewQueue(); }
    // One selection change, as a click makes it.
    void select(const QList<int>& rows)
    {
        QItemSelection selection;
        for (int r : rows)
            selection.select(table()->queueModel()->index(r), table()->queueModel()->index(r));
        table()->selectionModel()->select(selection, QItemSelectionModel::ClearAndSelect);
    }
    QStringList titles() const
    {
        QStringList t;
        for (const QueuePtr& q : controller.queueArray())
            t << q->title();
        return t;
    }
    bool on(const char* item) const { return page.menuItem(QLatin1String(item))->isEnabled(); }
    bool titleBar() const { return page.button("btnPause")->isEnabled(); }
};

} // namespace

TEST(QueuePage, TotalsShowFilesAndBytesOfBothQueues)
{
    PageFixture f;
    EXPECT_EQ(f.page.bytesFilesInDownloadQueueTextField()->text(), "0 Files, 0 B");
    EXPECT_EQ(f.page.bytesFilesInUploadQueueTextField()->text(), "0 Files, 0 B");

    QueuePtr d = f.add(makeListedJob("d", 1));
    d->setTotalBytesLeft(1500000);
    QueuePtr u1 = f.add(makeListedJob("u1", 203, true));
    QueuePtr u2 = f.add(makeListedJob("u2", 201, true));
    u1->setTotalBytesLeft(2000);
    u2->setTotalBytesLeft(500);
    f.add(makeListedJob("done", 10)); // finished jobs count for nothing
    f.controller.getTotalFilesInQueue();
    f.page.observeTotals();
    EXPECT_EQ(f.page.bytesFilesInDownloadQueueTextField()->text(), "1 File, 1.50 MB");
    EXPECT_EQ(f.page.bytesFilesInUploadQueueTextField()->text(), "2 Files, 2.50 KB");
    EXPECT_EQ(QueueVC::totalText(2.9, 0), "2 Files, 0 B") << "counts are truncated";
    EXPECT_EQ(QueueVC::totalText(1.0, 999), "1 File, 999 B");

    // The labels follow the scheduler's totals on their own.
    d->setStatus(JobStatus::Finished);
    f.controller.getTotalFilesInQueue();
    EXPECT_TRUE(
        waitUntil([&] { return f.page.bytesFilesInDownloadQueueTextField()->text() == "0 Files, 0 B"; }));
}

TEST(QueuePage, EnablingFollowsTheRowsCommandsActOn)
{
    PageFixture f;
    f.add(makeListedJob("nzb"));
    QueuePtr plain = f.add(makeListedJob("search result"));
    plain->setIsNZB(false);
    f.add(makeListedJob("upload", 201, true));

    struct Row
    {
        QList<int> selection;
        bool pwd, edit, del, pause, resume, finder, copy, cleanup, bar;
    };
    const Row table[] = {
        {{}, false, false, false, false, false, false, false, true, false},
        {{0}, true, true, true, true, true, true, true, true, true},
        {{1}, true, false, true, true, true, true, true, true, true},
        {{0, 1}, true, false, true, true, true, false, false, true, true},
        {{0, 2}, true, false, true, true, true, false, false, true, true},
    };
    for (const Row& r : table) {
        f.select(r.selection);
        f.page.menuWillOpen();
        const std::string at = QString::number(r.selection.size()).toStdString();
        EXPECT_EQ(f.on("mnuItemSetPassword"), r.pwd) << at;
        EXPECT_EQ(f.on("mnuItemEditTitle"), r.edit) << at;
        EXPECT_EQ(f.on("mnuItemDelete"), r.del) << at;
        EXPECT_EQ(f.on("mnuItemPause"), r.pause) << at;
        EXPECT_EQ(f.on("mnuItemResume"), r.resume) << at;
        EXPECT_EQ(f.on("mnuItemShowInFinder"), r.finder) << at;
        EXPECT_EQ(f.on("mnuItemCopyTitleToClipboard"), r.copy) << at;
        EXPECT_EQ(f.on("mnuItemCopyPosterToClipboard"), r.copy) << at;
        EXPECT_EQ(f.on("mnuItemCleanup"), r.cleanup) << at;
        for (const char* b : {"btnPause", "btnResume", "btnCancel", "btnMoveUp", "btnMoveDown",
                              "btnMoveToTop", "btnMoveToBottom"})
            EXPECT_EQ(f.page.button(b)->isEnabled(), r.bar) << b << " " << at;
        EXPECT_TRUE(f.page.button("btnCleanup")->isEnabled());
        EXPECT_TRUE(f.page.button("btnAddFiles")->isEnabled());
    }

    // One upload job: no password, rename or file manager; the copy items
    // stay as the last opening left them.
    f.select({0});
    f.page.menuWillOpen();
    f.select({2});
    f.page.menuWillOpen();
    EXPECT_FALSE(f.on("mnuItemSetPassword"));
    EXPECT_FALSE(f.on("mnuItemEditTitle"));
    EXPECT_FALSE(f.on("mnuItemShowInFinder"));
    EXPECT_TRUE(f.on("mnuItemDelete"));
    EXPECT_TRUE(f.on("mnuItemCopyTitleToClipboard"));
    EXPECT_TRUE(f.titleBar());

    // A right-click on an unselected row enables the bar; closing the menu
    // with nothing selected disables it again.
    f.select({});
    f.table()->setClickedRow(1);
    f.page.menuWillOpen(f.page.contextMenu());
    EXPECT_TRUE(f.titleBar());
    EXPECT_FALSE(f.on("mnuItemEditTitle")) << "the clicked row alone counts";
    f.table()->setClickedRow(-1);
    f.page.menuDidClose(f.page.contextMenu());
    EXPECT_FALSE(f.titleBar());
}

TEST(QueuePage, PauseResumeAndCancelActOnTheSelection)
{
    PageFixture f(4);
    const QList<QueuePtr> jobs = f.controller.queueArray();
    f.select({1, 3});
    f.page.pauseSelection();
    EXPECT_FALSE(jobs[0]->shouldPause());
    EXPECT_TRUE(jobs[1]->shouldPause());
    EXPECT_FALSE(jobs[2]->shouldPause());
    EXPECT_TRUE(jobs[3]->shouldPause());
    jobs[1]->setIsPaused(true);
    jobs[2]->setIsPaused(true);
    f.page.resumeSelection();
    EXPECT_FALSE(jobs[1]->isPaused());
    EXPECT_TRUE(jobs[2]->isPaused()) << "not selected";

    // The right-clicked row alone when it is not selected.
    f.table()->setClickedRow(0);
    f.page.pauseSelection();
    EXPECT_TRUE(jobs[0]->shouldPause());
    f.table()->setClickedRow(-1);

    f.page.cancelSelection();
    EXPECT_TRUE(waitUntil([&] { return f.titles() == QStringList({"J0", "J2"}); }));
    EXPECT_EQ(f.table()->queueModel()->rowCount(), 2);

    f.page.pauseAllObjects();
    EXPECT_TRUE(jobs[2]->shouldPause());
    f.page.resumeAllObjects();
    EXPECT_FALSE(jobs[2]->isPaused());
    f.page.cancelAllObjects();
    EXPECT_TRUE(waitUntil([&] { return f.titles().isEmpty(); }));
}

TEST(QueuePage, MoveButtonsAndTheirEnds)
{
    PageFixture f(5);
    f.select({0});
    f.page.moveSelectedObjectsUp();
    EXPECT_EQ(f.titles(), QStringList({"J0", "J1", "J2", "J3", "J4"}));
    f.select({4});
    f.page.moveSelectedObjectsDown();
    EXPECT_EQ(f.titles(), QStringList({"J0", "J1", "J2", "J3", "J4"}));
    f.select({1, 2});
    f.page.moveSelectedObjectsDown();
    EXPECT_EQ(f.titles(), QStringList({"J0", "J3", "J1", "J2", "J4"}));
    f.page.moveSelectedObjectsUp();
    EXPECT_EQ(f.titles(), QStringList({"J0", "J1", "J2", "J3", "J4"}));
    f.select({0, 3});
    f.page.moveSelectedObjectsToBottom();
    EXPECT_EQ(f.titles(), QStringList({"J1", "J2", "J4", "J0", "J3"}));
    f.page.moveSelectedObjectsToTop();
    EXPECT_EQ(f.titles(), QStringList({"J0", "J3", "J1", "J2", "J4"}));
    QList<int> selected;
    for (const QModelIndex& i : f.table()->selectionModel()->selectedRows())
        selected << i.row();
    std::sort(selected.begin(), selected.end());
    EXPECT_EQ(selected, QList<int>({0, 1})) << "the selection moves with its jobs";
}

TEST(QueuePage, PasswordRequestsLeaveUploadJobsOut)
{
    PageFixture f;
    QueuePtr d = f.add(makeListedJob("d"));
    f.add(makeListedJob("u", 201, true));
    QList<QList<QueuePtr>> requests;
    QObject owner;
    NotificationHub::defaultCenter().addObserver(
        "ShowPasswordSheetForQueueArray", &owner,
        [&](const Notification& n) { requests << n.userInfo.value("queuearray").value<QList<QueuePtr>>(); });
    f.select({1});
    f.page.setPasswordForSelection();
    EXPECT_TRUE(requests.isEmpty());
    f.select({0, 1});
    f.page.setPasswordForSelection();
    ASSERT_EQ(requests.size(), 1);
    EXPECT_EQ(requests[0], QList<QueuePtr>({d}));
}

TEST(QueuePage, RenameRunsTheWindowForDownloadJobsOnly)
{
    PageFixture f;
    QueuePtr d = f.add(makeListedJob("Old title"));
    QueuePtr u = f.add(makeListedJob("Upload", 201, true));
    whenShown<EditTitleWC>([](EditTitleWC* w) {
        EXPECT_EQ(w->titleTextField()->text(), "Old title");
        w->titleTextField()->setText("  New title ");
        w->submitButton()->click();
    });
    f.select({0});
    f.page.editTitle();
    EXPECT_EQ(d->newtitle(), "New title");

    // A pending rename is what the window starts from; the edit button's
    // notification runs the same window.
    d->setTitleWillChange(true);
    whenShown<EditTitleWC>([](EditTitleWC* w) {
        EXPECT_EQ(w->titleTextField()->text(), "New title");
        w->cancelButton()->click();
    });
    NotificationHub::defaultCenter().post("EditQueueTitleClicked", f.table(),
                                          {{"queue", QVariant::fromValue(d)}});
    EXPECT_EQ(d->newtitle(), "New title");

    f.page.showEditTitleWindowForQueue(u);
    EXPECT_TRUE(u->newtitle().isEmpty());
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
}

TEST(QueuePage, OpenPanelFolderRevealAndClipboard)
{
    PageFixture f;
    UserDefaults::standard().setString(f.home.downloadsPath(), "downloadPath");
    QStringList folders;
    f.page.setOpenPanelHandler([&](const QString& folder) { folders << folder; });
    f.page.addNZBFiles();
    const QString nzbFolder = f.home.makeFolder("nzbs");
    f.page.nzbFilesChosen({nzbFolder + "/a.nzb", nzbFolder + "/b.nzb"});
    f.page.addNZBFiles();
    EXPECT_EQ(folders, QStringList({f.home.downloadsPath(), nzbFolder}));

    QueuePtr a = f.add(makeListedJob("Title A"));
    a->setPoster("poster@example.org");
    a->setDownloadUrl(f.home.downloadsPath() + "/Title A");
    f.add(makeListedJob("B"));
    QStringList revealed;
    f.page.setRevealHandler([&](const QString& path) { revealed << path; });
    f.select({1});
    f.page.showSelectionInFinder();
    EXPECT_TRUE(revealed.isEmpty()) << "no download folder";
    f.select({0});
    f.page.showSelectionInFinder();
    EXPECT_EQ(revealed, QStringList({a->downloadUrl()}));

    QClipboard* clipboard = QGuiApplication::clipboard();
    f.page.copyTitleToClipboard();
    EXPECT_EQ(clipboard->text(), "Title A");
    f.page.copyPosterToClipboard();
    EXPECT_EQ(clipboard->text(), "poster@example.org");
    f.select({1});
    f.page.copyPosterToClipboard();
    EXPECT_TRUE(clipboard->text().isEmpty()) << "cleared, and nothing to copy";
}

TEST(QueuePage, RightPaneRestoresAtLeastTwoHundredPoints)
{
    PageFixture f;
    f.page.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&f.page));
    SplitViewQueue* split = f.page.splitViewQueue();
    const int max = split->maxPossiblePositionOfDividerAtIndex(0);
    split->setPositionOfDividerAtIndex(max - 120, 0);
    f.page.collapseRightPane();
    EXPECT_TRUE(split->isSubviewCollapsed(1));
    EXPECT_FLOAT_EQ(UserDefaults::standard().floatForKey("SplitViewQueueRestorePosition"), 120.0f);
    EXPECT_EQ(f.page.btnCollapseRight()->state(), 1);
    f.page.toggleRightPane();
    EXPECT_FALSE(split->isSubviewCollapsed(1));
    EXPECT_EQ(split->sizes()[1], 200);
    EXPECT_EQ(f.page.btnCollapseRight()->state(), 0);

    f.page.changeRightPaneViewController(2);
    EXPECT_EQ(f.page.titleRightPane()->text(), "Par2 repair status");
    EXPECT_TRUE(f.page.button("btnRightPaneParInfo")->isChecked());
    EXPECT_FALSE(f.page.button("btnRightPaneFiles")->isChecked());
    f.page.hide();
    EXPECT_EQ(UserDefaults::standard().integerForKey("queueRightPanelVCTag"), 2);
}

TEST(QueuePage, TheCleanupMethodIsStoredAndApplied)
{
    PageFixture f;
    f.add(makeListedJob("running", 1));
    f.add(makeListedJob("done", 10));
    f.add(makeListedJob("later", 0));
    QComboBox* method = f.page.cleanupMethodControl();
    const int bottom = method->findData(3);
    method->setCurrentIndex(bottom);
    Q_EMIT method->activated(bottom);
    EXPECT_EQ(UserDefaults::standard().integerForKey("queueCleaningTag"), 3);
    EXPECT_EQ(f.titles(), QStringList({"running", "later", "done"}));
    const int remove = method->findData(2);
    method->setCurrentIndex(remove);
    Q_EMIT method->activated(remove);
    EXPECT_TRUE(waitUntil([&] { return f.titles() == QStringList({"running", "later"}); }));
    EXPECT_EQ(f.table()->queueModel()->rowCount(), 2);
}

TEST(QueuePage, AnIdlePageDoesNotRepaint)
{
    PageFixture f(3);
    f.page.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&f.page));
    spinEventLoop(200);
    struct PaintCounter : QObject
    {
        int paints = 0;
        bool eventFilter(QObject*, QEvent* e) override
        {
            paints += e->type() == QEvent::Paint;
            return false;
        }
    } counter;
    f.page.btnCollapseRight()->installEventFilter(&counter);
    f.page.button("btnPause")->installEventFilter(&counter);
    spinEventLoop(400);
    EXPECT_LE(counter.paints, 1) << "a control that repaints itself keeps the whole window busy";
}
