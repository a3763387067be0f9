// The queue page's right pane with a real scheduler and files-on-disk index
// behind it: the files of the chosen job, the PAR2 state of its recovery
// set, and the split view that holds the pane.

#include "controls/RowRefreshPoller.h"
#include "controls/SplitViewQueue.h"
#include "controls/SplitViewQueueHandle.h"
#include "core/Utils.h"
#include "platform/NotificationHub.h"
#include "platform/UserDefaults.h"
#include "postprocess/RepairObject.h"
#include "queue/FODController.h"
#include "queue/QueueController.h"
#include "ui/queue/QueueFilesTableModel.h"
#include "ui/queue/QueueFilesVC.h"
#include "ui/queue/QueueParInfoTableModel.h"
#include "ui/queue/QueueParInfoVC.h"
#include "ui/queue/QueueTableModel.h"
#include "ui/queue/QueueVC.h"
#include "ui/queue/TableViewQueue.h"
#include "ui/queue/TableCellViewQueueFiles.h"
#include "ui/queue/TableViewQueueFiles.h"

#include "support/EventLoop.h"
#include "support/QueueJobFixture.h"
#include "support/TempHome.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QTimer>
#include <QContextMenuEvent>
#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QLabel>
#include <QMenu>
#include <QTableView>
#include <QTest>

namespace {

struct PartSpec
{
    const char* name;
    qint64 checkbox;
    bool disabled;
};

struct PaneFixture
{
    TempHome home;
    QString downloads = home.makeFolder(QStringLiteral("downloads"));
    FODController* fod = nullptr;
    QueueController controller;
    QueueVC page;
    QStringList opened;

    PaneFixture()
    {
        UserDefaults::standard().setString(downloads, QStringLiteral("downloadPath"));
        fod = new FODController(&controller);
        controller.setFodController(fod);
        Utils::setFileOpener([this](const QString& path) {
            opened << path;
            return true;
        });
        page.resize(1000, 500);
        page.setQueueController(&controller);
        page.loadView();
        page.show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(&page));
        page.expandRightPane();
    }
    ~PaneFixture() { Utils::setFileOpener({}); }

    // A download job (or upload) whose parts are listed and whose articles
    // are known, in its own folder.
    QueuePtr addJob(const QString& title, const QList<PartSpec>& specs, bool upload = false)
    {
        QueuePtr job = makeListedJob(title, 0, upload);
        job->setQid(QStringLiteral("qid-") + title);
        job->setDownloadUrl(QDir(downloads).filePath(title));
        job->setFilelistReceived(true);
        job->setSegmentsReceived(true);
        QDir().mkpath(job->downloadUrl());
        QList<QueuePtr> parts;
        for (const PartSpec& s : specs) {
            QueuePtr part = Queue::create();
            part->setIsFilepart(true);
            part->setQueue(job);
            part->setQidnr(Queue::makeQidnr());
            part->setFid(QStringLiteral("fid-") + QLatin1String(s.name));
            part->setFilename(QLatin1String(s.name));
            part->setIspar(QString::fromLatin1(s.name).endsWith(QLatin1String(".par2")));
            part->setBytes(1000);
            part->setCheckbox(s.checkbox);
            part->setCheckboxDisabled(s.disabled);
            parts << part;
        }
        job->setFileparts(parts);
        controller.addRootQueueObjectToQueueArray(job);
        return job;
    }
    void chooseJob(int row)
    {
        QueueTableModel* model = page.tableviewQueue()->queueModel();
        page.tableviewQueue()->selectionModel()->select(model->index(row),
                                                        QItemSelectionModel::ClearAndSelect);
    }
    QueueFilesVC* files() const { return page.queueFilesVC(); }
    TableViewQueueFiles* filesTable() const { return files()->tableView(); }
    void selectParts(const QList<int>& rows)
    {
        QItemSelection selection;
        for (int r : rows)
            selection.select(filesTable()->model()->index(r, 0), filesTable()->model()->index(r, 0));
        filesTable()->selectionModel()->select(selection, QItemSelectionModel::ClearAndSelect);
    }
    static QList<qint64> checkboxes(const QueuePtr& job)
    {
        QList<qint64> out;
        for (const QueuePtr& p : job->fileparts())
            out << p->checkbox();
        return out;
    }
    bool enabled(const char* item) const { return files()->menuItem(QLatin1String(item))->isEnabled(); }
};

} // namespace

TEST(QueueFilesPane, ShowsTheChosenJobsFilesAndEmptiesBothPanesWhenTheJobLeaves)
{
    PaneFixture f;
    ASSERT_NE(f.files(), nullptr) << "the files pane is the first pane shown";
    EXPECT_EQ(f.page.titleRightPane()->text(), "Files in package");
    const QueuePtr a = f.addJob("A", {{"a.rar", 1, false}, {"a.r00", 1, false}, {"a.par2", 0, false}});
    const QueuePtr b = f.addJob("B", {{"b.mkv", 1, false}});
    f.chooseJob(0);
    EXPECT_EQ(f.files()->currentQueueObject(), a);
    ASSERT_EQ(f.filesTable()->model()->rowCount(), 3);
    EXPECT_EQ(f.filesTable()->filesModel()->rowView(2).filename, "a.par2");
    f.chooseJob(1);
    EXPECT_EQ(f.filesTable()->model()->rowCount(), 1);

    f.page.changeRightPaneViewController(2);
    ASSERT_NE(f.page.queueParInfoVC(), nullptr);
    EXPECT_EQ(f.page.queueParInfoVC()->currentQueueObject(), b) << "made with the chosen job";
    EXPECT_EQ(f.page.titleRightPane()->text(), "Par2 repair status");
    EXPECT_FALSE(f.files()->isVisible());

    // The scheduler drops the job: the selection moves off it and the
    // panes list nothing.
    f.controller.removeObjectFromQueue(b);
    spinEventLoop(20);
    EXPECT_EQ(f.filesTable()->model()->rowCount(), 0);
    EXPECT_EQ(f.page.queueParInfoVC()->model()->rowCount(), 0);

    // The removal of the job the page holds as chosen empties both panes.
    f.chooseJob(0);
    ASSERT_EQ(f.page.selectedObjectInTableViewQueue(), a);
    NotificationHub::defaultCenter().post(QStringLiteral("ObjectInTableViewQueueRemoved"), &f.controller,
                                          {{QStringLiteral("queueobject"), QVariant::fromValue(a)}});
    EXPECT_EQ(f.files()->currentQueueObject(), nullptr);
    EXPECT_EQ(f.filesTable()->model()->rowCount(), 0);
    EXPECT_EQ(f.page.queueParInfoVC()->currentQueueObject(), nullptr);
    EXPECT_EQ(f.page.selectedObjectInTableViewQueue(), nullptr);
}

TEST(QueueFilesPane, TakesTheListAgainWhenTheShownJobsFilesArrive)
{
    PaneFixture f;
    const QueuePtr job = f.addJob("Search result", {});
    const QueuePtr other = f.addJob("Other", {});
    f.chooseJob(0);
    ASSERT_EQ(f.filesTable()->model()->rowCount(), 0);

    QueuePtr part = Queue::create();
    part->setIsFilepart(true);
    part->setQueue(job);
    part->setFilename(QStringLiteral("late.rar"));
    job->appendFilepart(part);
    NotificationHub& hub = NotificationHub::defaultCenter();
    hub.post(QStringLiteral("NewFilepartsReceived"), &f.controller,
             {{QStringLiteral("queue"), QVariant::fromValue(other)}});
    EXPECT_EQ(f.filesTable()->model()->rowCount(), 0) << "another job's list changes nothing";
    hub.post(QStringLiteral("NewFilepartsReceived"), &f.controller,
             {{QStringLiteral("queue"), QVariant::fromValue(job)}});
    ASSERT_EQ(f.filesTable()->model()->rowCount(), 1);
    EXPECT_EQ(f.filesTable()->filesModel()->rowView(0).filename, "late.rar");

    // An import adds a job's parts after listing it, without a word: the
    // shown list follows the job's parts all the same.
    QueuePtr another = Queue::create();
    another->setIsFilepart(true);
    another->setQueue(job);
    another->setFilename(QStringLiteral("later.rar"));
    job->appendFilepart(another);
    EXPECT_TRUE(waitUntil([&] { return f.filesTable()->model()->rowCount() == 2; }, 2000));
    EXPECT_EQ(f.files()->currentQueueObject(), job);
}

TEST(QueueFilesPane, CommandsActOnTheRightClickedRowWhenItIsOutsideTheSelection)
{
    struct Case
    {
        int clickedRow;
        QList<qint64> after;
    } cases[] = {
        {-1, {0, 0, 1, 1}}, // the selection
        {1, {0, 0, 1, 1}},  // a right-click inside the selection: the selection
        {3, {1, 1, 1, 0}},  // outside: that row alone
    };
    for (const Case& c : cases) {
        PaneFixture f;
        const QueuePtr job =
            f.addJob("J", {{"1.rar", 1, false}, {"2.rar", 1, false}, {"3.rar", 1, false}, {"4.rar", 1, false}});
        f.chooseJob(0);
        f.selectParts({0, 1});
        f.filesTable()->setClickedRow(c.clickedRow);
        f.files()->deSelectSelectedCheckBoxes();
        EXPECT_EQ(PaneFixture::checkboxes(job), c.after) << "clicked row " << c.clickedRow;
        f.files()->copyFilenameToClipboard();
        EXPECT_EQ(QGuiApplication::clipboard()->text(), c.clickedRow == 3 ? "4.rar" : "1.rar");
    }
}

TEST(QueueFilesPane, TheMenuKeyActsOnTheSelectionAndARightClickOnItsRow)
{
    PaneFixture f;
    f.addJob("J", {{"1.rar", 1, false}, {"2.rar", 1, false}, {"3.rar", 1, false}});
    f.chooseJob(0);
    f.selectParts({0});
    TableViewQueueFiles* table = f.filesTable();
    QList<int> targeted;
    QObject watcher;
    QObject::connect(table, &TableViewQueueFiles::contextMenuWillOpen, &watcher,
                     [&] { targeted = table->getSelectedIndexSet(); });
    const QPoint onThird = table->visualRect(table->model()->index(2, 0)).center();
    // The menu runs its own loop; it is closed once it shows.
    auto openMenu = [&](QContextMenuEvent::Reason reason) {
        QTimer::singleShot(50, [] {
            if (QWidget* popup = QApplication::activePopupWidget()) popup->close();
        });
        QContextMenuEvent event(reason, onThird, table->viewport()->mapToGlobal(onThird));
        QCoreApplication::sendEvent(table->viewport(), &event);
    };
    openMenu(QContextMenuEvent::Keyboard);
    EXPECT_EQ(targeted, QList<int>({0}));
    openMenu(QContextMenuEvent::Mouse);
    EXPECT_EQ(targeted, QList<int>({2}));
    EXPECT_EQ(table->clickedRow(), -1) << "forgotten when the menu closes";
}

TEST(QueueFilesPane, EnterReturnAndCtrlDDoNothingWithoutASelection)
{
    PaneFixture f;
    const QueuePtr job = f.addJob("J", {{"1.rar", 0, false}, {"2.rar", 0, false}, {"3.rar", 0, false}});
    f.chooseJob(0);
    f.filesTable()->setFocus();
    for (auto [key, mods] : {std::pair{Qt::Key_Return, Qt::NoModifier}, std::pair{Qt::Key_Enter, Qt::KeypadModifier},
                             std::pair{Qt::Key_D, Qt::ControlModifier}})
        QTest::keyClick(f.filesTable(), key, mods);
    EXPECT_EQ(PaneFixture::checkboxes(job), QList<qint64>({0, 0, 0}));
    for (const QueuePtr& p : job->fileparts())
        EXPECT_FALSE(p->execute());

    // With a selection, Return downloads and opens, Ctrl+D only downloads.
    f.selectParts({1});
    QTest::keyClick(f.filesTable(), Qt::Key_Return);
    EXPECT_EQ(PaneFixture::checkboxes(job), QList<qint64>({0, 1, 0}));
    EXPECT_TRUE(job->fileparts()[1]->execute());
    f.selectParts({2});
    QTest::keyClick(f.filesTable(), Qt::Key_D, Qt::ControlModifier);
    EXPECT_EQ(PaneFixture::checkboxes(job), QList<qint64>({0, 1, 1}));
    EXPECT_FALSE(job->fileparts()[2]->execute());
    EXPECT_TRUE(f.opened.isEmpty());
}

TEST(QueueFilesPane, DownloadAndOpenOpensAFileAlreadyOnDiskInsteadOfQueueingIt)
{
    PaneFixture f;
    const QueuePtr job = f.addJob("Photos", {{"on-disk.jpg", 0, false}, {"missing.jpg", 0, false}});
    const QueuePtr onDisk = job->fileparts()[0];
    QFile file(QDir(job->downloadUrl()).filePath("on-disk.jpg"));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("jpeg");
    file.close();
    ASSERT_TRUE(f.fod->createFodForFilePart(onDisk));
    f.chooseJob(0);

    f.selectParts({0, 1});
    f.files()->downloadAndExecute(true);
    EXPECT_EQ(f.opened, QStringList({QDir(job->downloadUrl()).filePath("on-disk.jpg")}));
    EXPECT_EQ(onDisk->checkbox(), 0) << "opened, not queued";
    EXPECT_FALSE(onDisk->execute());
    const QueuePtr missing = job->fileparts()[1];
    EXPECT_EQ(missing->checkbox(), 1) << "queued, to be opened when written";
    EXPECT_TRUE(missing->execute());

    // A plain download never opens, even what is on disk.
    f.opened.clear();
    f.selectParts({0});
    f.files()->downloadAndExecute(false);
    EXPECT_TRUE(f.opened.isEmpty());
    EXPECT_EQ(onDisk->checkbox(), 1);
}

TEST(QueueFilesPane, SelectAndDeselectAllLeaveDisabledBoxesAsTheyAre)
{
    struct Case
    {
        const char* command;
        void (QueueFilesVC::*run)();
        QList<qint64> after;
    } cases[] = {
        {"select all", &QueueFilesVC::selectAllCheckBoxes, {1, 1, 0, 1, 1}},
        {"deselect all", &QueueFilesVC::deSelectAllCheckBoxes, {0, 1, 0, 0, 0}},
        {"select PAR2 files", &QueueFilesVC::selectPar2FileCheckBoxes, {0, 1, 0, 1, 1}},
    };
    for (const Case& c : cases) {
        PaneFixture f;
        // 1: disabled and checked, 2: disabled PAR2 file unchecked, 3: a
        // PAR2 file, 4: checked.
        const QueuePtr job = f.addJob("J", {{"a.rar", 0, false},
                                            {"b.rar", 1, true},
                                            {"c.vol0.par2", 0, true},
                                            {"d.par2", 0, false},
                                            {"e.rar", 1, false}});
        f.chooseJob(0);
        (f.files()->*c.run)();
        EXPECT_EQ(PaneFixture::checkboxes(job), c.after) << c.command;
    }
}

TEST(QueueFilesPane, MenuFollowsTheJobOfTheTargetedFiles)
{
    PaneFixture f;
    f.addJob("Upload", {{"up1.bin", 1, false}, {"up2.bin", 1, false}}, true);
    f.addJob("Download", {{"d1.bin", 0, false}, {"d2.bin", 0, false}});

    struct Case
    {
        int job;
        QList<int> rows;
        bool download, select, copy;
    } cases[] = {
        {0, {0}, false, false, true},   // an upload's file: only its name can be copied
        {0, {0, 1}, false, false, false},
        {1, {0}, true, true, true},     // a download's file afterwards: all back
        {1, {0, 1}, true, true, false},
        {1, {}, false, true, false},
    };
    for (const Case& c : cases) {
        f.chooseJob(c.job);
        f.selectParts(c.rows);
        f.files()->menuWillOpen();
        const std::string what = "job " + std::to_string(c.job) + " rows " + std::to_string(c.rows.size());
        EXPECT_EQ(f.enabled("mnuItemDownload"), c.download) << what;
        EXPECT_EQ(f.enabled("mnuItemDownloadLaunch"), c.download) << what;
        EXPECT_EQ(f.enabled("menuItemSelectAllCheckBoxes"), c.select) << what;
        EXPECT_EQ(f.enabled("menuItemDeselectAllCheckBoxes"), c.select) << what;
        EXPECT_EQ(f.enabled("menuItemDownloadAllPar2Files"), c.select) << what;
        EXPECT_EQ(f.enabled("menuItemCopyFilename"), c.copy) << what;
    }
}

TEST(QueueFilesPane, ACheckBoxClickQueuesOrCancelsThePartUnlessItIsDisabled)
{
    PaneFixture f;
    const QueuePtr job = f.addJob("J", {{"a.rar", 0, false}, {"b.rar", 0, true}});
    f.chooseJob(0);
    TableViewQueueFiles* table = f.filesTable();
    spinEventLoop(20);
    for (int row : {0, 1}) {
        const QRect box = TableCellViewQueueFiles::checkBoxRect(table->visualRect(table->model()->index(row, 0)));
        QTest::mouseClick(table->viewport(), Qt::LeftButton, {}, box.center());
    }
    EXPECT_EQ(PaneFixture::checkboxes(job), QList<qint64>({1, 0}));
    EXPECT_TRUE(table->selectionModel()->selectedRows().isEmpty()) << "a box click does not select";
}

TEST(QueueParInfoPane, ListsTheSetsFilesWithTheirStateAndNeverSelects)
{
    PaneFixture f;
    const QueuePtr job = f.addJob("J", {{"a.rar", 1, false}});
    auto set = RepairObject::create();
    for (const char* name : {"a.rar", "a.vol00+01.par2"}) {
        auto child = RepairObject::create();
        child->setFilename(QLatin1String(name));
        set->appendChild(child);
    }
    set->childs()[0]->setStatusTextField(QStringLiteral("Missing"));
    set->childs()[1]->setStatusTextField(QStringLiteral("Repair Blocks"));
    job->setRepairObject(set);
    f.chooseJob(0);
    f.page.changeRightPaneViewController(2);
    QueueParInfoVC* pane = f.page.queueParInfoVC();
    QueueParInfoTableModel* model = pane->model();
    ASSERT_EQ(model->rowCount(), 2);
    EXPECT_EQ(model->index(0, QueueParInfoTableModel::StatusColumn).data().toString(), "Missing");
    spinEventLoop(50);

    // The repair bookkeeping writes without telling: the shown row follows.
    set->childs()[0]->setStatusTextField(QStringLiteral("Complete"));
    EXPECT_TRUE(waitUntil(
        [&] { return model->index(0, QueueParInfoTableModel::StatusColumn).data().toString() == "Complete"; }, 2000));
    // A PAR2 file found later adds its row.
    auto later = RepairObject::create();
    later->setFilename(QStringLiteral("a.vol01+02.par2"));
    set->appendChild(later);
    EXPECT_TRUE(waitUntil([&] { return model->rowCount() == 3; }, 2000));

    QAbstractItemView* table = pane->tableView();
    QTest::mouseClick(table->viewport(), Qt::LeftButton, {}, table->visualRect(model->index(1, 0)).center());
    table->selectAll();
    EXPECT_FALSE(table->selectionModel()->hasSelection());
}

// Files written before their set was read are counted by the set's check;
// while it is pending they read "Processing". Its end changes no count of
// an intact file, and the row must still come to its final state.
TEST(QueueParInfoPane, RowsShowTheirFinalStateOnceTheSetsCheckHasEnded)
{
    PaneFixture f;
    const QueuePtr job = f.addJob("J", {{"film.part1.rar", 1, false}, {"film.part2.rar", 1, false}});
    auto set = RepairObject::create();
    set->setNeedsCRC32Check(true);
    const struct
    {
        const char* name;
        qint64 available;
        const char* after;
    } files[] = {{"film.part1.rar", 44, "Complete | 44 of 44"}, {"film.part2.rar", 38, "Broken | 38 of 44"}};
    for (const auto& file : files) {
        auto child = RepairObject::create();
        child->setFilename(QLatin1String(file.name));
        set->appendChild(child);
        child->setTotalBlocks(44);
        child->setAvailableBlocks(file.available);
        child->setIsDownloaded(true);
    }
    job->setRepairObject(set);
    f.chooseJob(0);
    f.page.changeRightPaneViewController(2);
    QueueParInfoTableModel* model = f.page.queueParInfoVC()->model();
    auto row = [&](int r) {
        return model->index(r, QueueParInfoTableModel::StatusColumn).data().toString() + QStringLiteral(" | ") +
               model->index(r, QueueParInfoTableModel::BlocksColumn).data().toString();
    };
    ASSERT_EQ(model->rowCount(), 2);
    EXPECT_TRUE(waitUntil([&] { return row(0) == "Processing | 44 of 44"; }, 2000)) << row(0).toStdString();
    EXPECT_EQ(row(1), "Processing | 38 of 44");

    set->setNeedsCRC32Check(false);
    for (int r = 0; r < 2; ++r)
        EXPECT_TRUE(waitUntil([&] { return row(r) == QLatin1String(files[r].after); }, 2000)) << row(r).toStdString();
    EXPECT_EQ(set->childs()[0]->colorRow(), set->childs()[0]->getRowColorForKey("completeRowColor"));
    EXPECT_EQ(set->childs()[1]->colorRow(), set->childs()[1]->getRowColorForKey("brokenRowColor"));
}

TEST(QueueFilesPane, RowsReportAChangeOncePerLookHoweverOftenThePartChanges)
{
    PaneFixture f;
    const QueuePtr job = f.addJob("J", {{"a.rar", 1, false}, {"b.rar", 1, false}});
    f.chooseJob(0);
    QueueFilesTableModel* model = f.filesTable()->filesModel();
    model->rowView(0);
    model->rowView(1);
    RowRefreshPoller& poller = model->poller();
    const qint64 before = poller.changedRowReports();
    const QueuePtr part = job->fileparts()[0];
    for (int i = 1; i <= 500; ++i)
        part->setProgressBarValue(i % 100 + 1);
    poller.refreshRows(0, 1, model->rowCount());
    EXPECT_EQ(poller.changedRowReports() - before, 1) << "500 changes, one look, one repaint of one row";
    poller.refreshRows(0, 1, model->rowCount());
    EXPECT_EQ(poller.changedRowReports() - before, 1) << "nothing new, nothing reported";
    EXPECT_EQ(RowRefreshPoller::kIntervalMs, 100);
}

TEST(SplitViewQueue, OnlyAPaneWiderThanOnePointIsSavedAndEachCollapseChangePostsOnce)
{
    TempHome home;
    SplitViewQueue split;
    split.addWidget(new QWidget);
    split.addWidget(new QWidget);
    split.resize(600, 300);
    split.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&split));
    QStringList states;
    QObject watcher;
    NotificationHub::defaultCenter().addObserver(SplitViewQueue::collapseStateChangedNotification(), &watcher,
                                                 [&](const Notification& n) {
                                                     states << n.userInfo.value("state").toString();
                                                 });
    UserDefaults& d = UserDefaults::standard();
    d.setFloat(150.0f, SplitViewQueue::restorePositionKey());

    split.setPositionOfDividerAtIndex(598, 0);
    ASSERT_EQ(split.sizes().value(1), 1);
    split.saveDividerPosition();
    EXPECT_FLOAT_EQ(d.floatForKey(SplitViewQueue::restorePositionKey()), 150.0f) << "1 point is not saved";
    split.setPositionOfDividerAtIndex(599, 0);
    ASSERT_EQ(split.sizes().value(1), 0);
    split.saveDividerPosition();
    EXPECT_FLOAT_EQ(d.floatForKey(SplitViewQueue::restorePositionKey()), 150.0f) << "collapsed is not saved";

    split.setPositionOfDividerAtIndex(400, 0);
    split.setPositionOfDividerAtIndex(410, 0);
    EXPECT_EQ(states, QStringList({"1", "0"})) << "no post while the state holds";
    const int width = split.sizes().value(1);
    // A double-click on the divider saves the width, then collapses.
    auto* handle = qobject_cast<SplitViewQueueHandle*>(split.handle(1));
    ASSERT_NE(handle, nullptr);
    QTest::mouseDClick(handle, Qt::LeftButton, {}, handle->rect().center());
    EXPECT_FLOAT_EQ(d.floatForKey(SplitViewQueue::restorePositionKey()), float(width));
    EXPECT_TRUE(split.isSubviewCollapsed(1));
    EXPECT_TRUE(split.viewIsCollapsed());
    EXPECT_FALSE(handle->isVisible()) << "the divider is hidden while the pane is collapsed";
    EXPECT_EQ(states, QStringList({"1", "0", "1"}));
    NotificationHub::defaultCenter().removeObserver(&watcher);
}

TEST(SplitViewQueue, TheDividerIsOneGreyPointWithAWiderGrabArea)
{
    SplitViewQueue split;
    split.addWidget(new QWidget);
    split.addWidget(new QWidget);
    split.resize(300, 100);
    split.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&split));
    EXPECT_EQ(split.handleWidth(), 1);
    QSplitterHandle* handle = split.handle(1);
    EXPECT_EQ(handle->contentsRect().width(), 1);
    EXPECT_EQ(handle->width(), 5) << "2 points of grab area on each side";
    const QImage image = handle->grab().toImage();
    EXPECT_EQ(QColor(image.pixel(image.width() / 2, 50)).rgb(), SplitViewQueueHandle::dividerColor().rgb());
}
