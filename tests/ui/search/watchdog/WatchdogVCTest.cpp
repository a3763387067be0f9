// The Watchdog page on a real scheduler over temporary stores.

#include "ui/search/watchdog/WatchdogVC.h"

#include "controls/SplitViewQueueHandle.h"
#include "platform/NotificationHub.h"
#include "platform/UserDefaults.h"
#include "search/DeepLookupSocket.h"
#include "search/WatchdogController.h"
#include "support/EventLoop.h"
#include "support/ScriptedDialogAnswerer.h"
#include "support/ScriptedHttpServer.h"
#include "support/Screenshot.h"
#include "support/TempHome.h"
#include "ui/search/watchdog/SplitViewWatchdogHistory.h"
#include "ui/search/watchdog/SplitViewWatchdogLog.h"
#include "ui/search/watchdog/TableCVWatchdogDesc.h"
#include "ui/search/watchdog/TableViewWatchdog.h"
#include "ui/search/watchdog/WatchdogTableModel.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QItemSelectionModel>
#include <QMenu>
#include <QMimeData>
#include <QPushButton>
#include <QSignalSpy>
#include <QTableView>
#include <QTest>

#include <memory>

namespace {

struct WatchdogPage : ::testing::Test
{
    TempHome home;
    ScriptedDialogAnswerer answers;
    qint64 clockNow = 1'800'000'000;
    WatchdogController wc{[this] { return clockNow; }};
    std::unique_ptr<WatchdogVC> page;
    QList<WatchdogPtr> edited;

    void SetUp() override
    {
        wc.setEditWindowPresenter([this](const WatchdogPtr& e) { edited.append(e); });
        page = std::make_unique<WatchdogVC>(&wc);
        page->resize(1000, 700);
        page->show();
    }

    WatchdogPtr add(const QString& alias)
    {
        WatchdogPtr e = wc.createObject();
        e->setAlias(alias);
        e->setIsNewObject(false);
        e->setActive(true);
        e->setInterval(15);
        e->dpobject()->setTitle(alias);
        wc.addEntry(e);
        return e;
    }
    QList<WatchdogPtr> addMany(int n)
    {
        QList<WatchdogPtr> all;
        for (int i = 0; i < n; ++i)
            all.append(add(QStringLiteral("entry %1").arg(i)));
        return all;
    }
    void select(const QList<int>& rows)
    {
        QTableView* t = page->tableViewWatchdog();
        t->clearSelection();
        for (int r : rows)
            t->selectionModel()->select(t->model()->index(r, 0),
                                        QItemSelectionModel::Select | QItemSelectionModel::Rows);
    }
    QPushButton* button(const char* name) const
    {
        return page->findChild<QPushButton*>(QString::fromLatin1(name));
    }
    QAction* item(const char* name) const { return page->findChild<QAction*>(QString::fromLatin1(name)); }
    QStringList aliases() const
    {
        QStringList out;
        for (const WatchdogPtr& e : wc.watchdogArray())
            out.append(e->alias());
        return out;
    }
};

TEST_F(WatchdogPage, RemovingAsksWithTheCountAndTheRightWord)
{
    struct Case
    {
        int selected;
        long answer;
        QString question;
        qsizetype left;
        bool stillAsks;
    };
    const Case cases[] = {
        {1, DialogBoxes::kFirstButton, "Are you sure to remove 1 entry?", 3, true},
        {3, DialogBoxes::kFirstButton, "Are you sure to remove 3 entries?", 1, true},
        {3, DialogBoxes::kSecondButton, "Are you sure to remove 3 entries?", 4, true},
        {1, DialogBoxes::kThirdButton, "Are you sure to remove 1 entry?", 3, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.question.toStdString() + " answer " + std::to_string(c.answer));
        const QList<WatchdogPtr> old = wc.watchdogArray();
        wc.removeEntries(old);
        UserDefaults::standard().setBool(true, QStringLiteral("showDialogRemoveWatchdogEntries"));
        addMany(4);
        QList<int> rows;
        for (int i = 0; i < c.selected; ++i)
            rows.append(i);
        select(rows);
        ScriptedDialogAnswerer asked;
        asked.script({c.answer});
        button("btnRemove")->click();
        ASSERT_EQ(asked.asked().size(), 1);
        EXPECT_EQ(asked.asked().first().title, c.question);
        EXPECT_EQ(asked.asked().first().info, "This action can not be undone.");
        EXPECT_EQ(asked.asked().first().activeButton, 2); // Return answers No
        EXPECT_EQ(wc.watchdogArray().size(), c.left);
        EXPECT_EQ(UserDefaults::standard().boolForKey(QStringLiteral("showDialogRemoveWatchdogEntries")),
                  c.stillAsks);
    }
}

TEST_F(WatchdogPage, RightClickOutsideTheSelectionActsOnThatRowAlone)
{
    const QList<WatchdogPtr> all = addMany(3);
    select({0});
    page->tableViewWatchdog()->setClickedRow(2);
    EXPECT_EQ(page->selectedEntries(), QList<WatchdogPtr>({all[2]}));
    page->menuWillOpenWatchdog();
    EXPECT_TRUE(item("mnuItemEdit")->isEnabled());
    page->tableViewWatchdog()->setClickedRow(-1);

    // With nothing selected, the right-clicked row enables the buttons for
    // the menu, and closing it disables them again.
    select({});
    page->tableViewWatchdog()->setClickedRow(1);
    page->menuWillOpenWatchdog();
    EXPECT_TRUE(button("btnPause")->isEnabled());
    page->tableViewWatchdog()->setClickedRow(-1);
    page->menuDidCloseWatchdog();
    for (const char* name : {"btnPause", "btnResume", "btnRemove", "btnEdit", "btnSearchNow"})
        EXPECT_FALSE(button(name)->isEnabled()) << name;
}

TEST_F(WatchdogPage, TwoSelectedEditTheFirstByButtonButNotByMenu)
{
    const QList<WatchdogPtr> all = addMany(3);
    select({2, 1});
    page->menuWillOpenWatchdog();
    EXPECT_FALSE(item("mnuItemEdit")->isEnabled());
    EXPECT_TRUE(item("mnuItemAdd")->isEnabled());
    EXPECT_TRUE(item("mnuItemRemove")->isEnabled());
    ASSERT_TRUE(button("btnEdit")->isEnabled());
    button("btnEdit")->click();
    EXPECT_EQ(edited, QList<WatchdogPtr>({all[1]}));

    select({});
    for (const char* name : {"btnPause", "btnResume", "btnRemove", "btnEdit", "btnSearchNow"})
        EXPECT_FALSE(button(name)->isEnabled()) << name;
    page->menuWillOpenWatchdog();
    EXPECT_FALSE(item("mnuItemRemove")->isEnabled());
    EXPECT_TRUE(item("mnuItemAdd")->isEnabled());
}

TEST_F(WatchdogPage, PauseResumeAndSearchNowReachTheEngine)
{
    const QList<WatchdogPtr> all = addMany(3);
    select({0, 2});
    button("btnPause")->click();
    EXPECT_FALSE(all[0]->active());
    EXPECT_TRUE(all[1]->active());
    EXPECT_FALSE(all[2]->active());
    select({0});
    button("btnResume")->click();
    EXPECT_TRUE(all[0]->active());

    // The check box of the first column is the entry's active switch; a
    // click on it neither selects the row nor opens the editor.
    TableViewWatchdog* table = page->tableViewWatchdog();
    QAbstractItemModel* model = table->model();
    select({});
    EXPECT_EQ(model->data(model->index(2, 0), Qt::CheckStateRole).toInt(), Qt::Unchecked);
    const QPoint box = TableCVWatchdogDesc::checkboxRect(table->visualRect(model->index(2, 0))).center();
    QTest::mouseClick(table->viewport(), Qt::LeftButton, {}, box);
    EXPECT_TRUE(all[2]->active());
    EXPECT_FALSE(table->selectionModel()->hasSelection());
    QTest::mouseDClick(table->viewport(), Qt::LeftButton, {}, box);
    EXPECT_TRUE(edited.isEmpty());
    QTest::mouseClick(table->viewport(), Qt::LeftButton, {}, box);
    EXPECT_FALSE(all[2]->active());
    all[2]->setActive(true);
    EXPECT_EQ(table->getObjectForTag(all[1]->tag()), all[1]);
    EXPECT_EQ(table->getObjectForTag(-5), nullptr);

    all[1]->setNextsearch(clockNow + 900);
    select({1});
    button("btnSearchNow")->click();
    EXPECT_EQ(all[1]->nextsearch(), clockNow);
    EXPECT_FALSE(page->tableViewWatchdog()->selectionModel()->hasSelection());

    button("btnAdd")->click();
    ASSERT_EQ(edited.size(), 1);
    EXPECT_TRUE(edited.first()->isNewObject());
    EXPECT_FALSE(all.contains(edited.first()));
}

TEST_F(WatchdogPage, SearchNowRunsTheEntrysSearchAtTheService)
{
    ScriptedHttpServer service;
    ASSERT_TRUE(service.start());
    ASSERT_TRUE(DeepLookupSocket::setServiceURLForTesting(service.baseUrl()));
    const std::unique_ptr<void, void (*)(void*)> forgetService(
        &service, [](void*) { DeepLookupSocket::setServiceURLForTesting(QUrl()); });
    const QByteArray path = DeepLookupSocket::kWatchdogSearchPath.toLatin1();
    service.route("POST", path, HttpReply::text(HttpReply::tabLines({{"INFO", "1|2|3"}})));
    const QList<WatchdogPtr> all = addMany(2);
    for (const WatchdogPtr& e : all)
        e->setLastsearch(clockNow); // next search in 15 minutes
    wc.applicationDidStartGUI();
    spinEventLoop(20);
    EXPECT_TRUE(service.requestsFor(path).isEmpty());

    QAbstractItemModel* log = page->tableViewWatchdogLog()->model();
    const int linesBefore = log->rowCount();
    select({1});
    button("btnSearchNow")->click();
    ASSERT_TRUE(service.waitForRequests(1));
    EXPECT_EQ(service.requestsFor(path).first().formValue(QStringLiteral("query")), "entry 1");
    // The search's log line shows on top of the page's log.
    ASSERT_TRUE(waitUntil([&] { return log->rowCount() == linesBefore + 1; }));
    EXPECT_EQ(log->data(log->index(0, 1)).toString(), "entry 1");
    EXPECT_EQ(log->data(log->index(0, 4)).toString(), "No matches found");
    spinEventLoop(20);
    EXPECT_EQ(service.requestsFor(path).size(), 1); // the other entry still waits
}

// The service cannot be reached: the log line says why, after "* FAILED *",
// and the entry's row says that its last search failed.
TEST_F(WatchdogPage, AFailedSearchShowsWhyInTheLogAndOnTheEntrysRow)
{
    ScriptedHttpServer gone;
    ASSERT_TRUE(gone.start());
    const QUrl url = gone.baseUrl();
    gone.stop(); // nothing answers on its port any more
    ASSERT_TRUE(DeepLookupSocket::setServiceURLForTesting(url));
    const std::unique_ptr<void, void (*)(void*)> forgetService(
        &gone, [](void*) { DeepLookupSocket::setServiceURLForTesting(QUrl()); });
    const QList<WatchdogPtr> all = {add(QStringLiteral("Ubuntu images")), add(QStringLiteral("Nightly show"))};
    for (const WatchdogPtr& e : all)
        e->setLastsearch(clockNow);
    wc.applicationDidStartGUI();
    spinEventLoop(20);

    QAbstractItemModel* log = page->tableViewWatchdogLog()->model();
    QAbstractItemModel* rows = page->tableViewWatchdog()->model();
    select({0});
    ASSERT_TRUE(button("btnSearchNow")->isEnabled());
    button("btnSearchNow")->click();
    ASSERT_TRUE(waitUntil([&] { return log->data(log->index(0, 4)).toString().startsWith("* FAILED *"); }, 20000))
        << log->data(log->index(0, 4)).toString().toStdString();
    EXPECT_EQ(log->data(log->index(0, 1)).toString(), "Ubuntu images");
    EXPECT_EQ(log->data(log->index(0, 4)).toString(), "* FAILED * Could not connect to DeepLookup server.");
    EXPECT_TRUE(waitUntil([&] {
        return rows->data(rows->index(0, WatchdogTableModel::ColumnWDStatus)).toString() == "Last search failed";
    }));
    EXPECT_EQ(rows->data(rows->index(1, WatchdogTableModel::ColumnWDStatus)).toString(), "Idle");

    page->tableViewWatchdog()->clearSelection();
    page->resize(1200, 700);
    page->toggleSplitViewLog();
    spinEventLoop(100);
    saveScreenshot(page->grab().toImage(), "watchdog-page-failed-search.png");
}

TEST_F(WatchdogPage, TheHelpButtonAsksForTheWatchdogTopic)
{
    QObject owner;
    QList<Notification> asked;
    NotificationHub::defaultCenter().addObserver(QStringLiteral("ShowHelpWindowForTopic"), &owner,
                                                 [&](const Notification& n) { asked.append(n); });
    button("btnHelp")->click();
    ASSERT_EQ(asked.size(), 1);
    EXPECT_EQ(asked.first().object, page.get());
    EXPECT_EQ(asked.first().userInfo.value(QStringLiteral("topic")).toLongLong(), 3);
    NotificationHub::defaultCenter().removeObserver(&owner);
}

TEST_F(WatchdogPage, HistoryFollowsTheFirstSelectedEntryOnly)
{
    const QList<WatchdogPtr> all = addMany(2);
    WatchdogHistoryObj h;
    h.title = QStringLiteral("match a");
    all[0]->setHistory({h, h, h});
    h.title = QStringLiteral("match b");
    all[1]->setHistory({h});
    select({0});
    ASSERT_EQ(page->watchdogHistoryArray().size(), 3);
    // The narrow pane shortens a long name; its tip holds the whole.
    QAbstractItemModel* rows = page->tableViewWatchdogHistory()->model();
    EXPECT_EQ(rows->data(rows->index(0, 0), Qt::ToolTipRole).toString(), "match a");

    // A notice about the other entry changes nothing.
    all[1]->setHistory({h, h});
    NotificationHub::defaultCenter().post(QStringLiteral("UpdateHistoryTableviewForWatchdogNotification"),
                                          &wc, {{QStringLiteral("watchdog"), QVariant::fromValue(all[1])}});
    EXPECT_EQ(page->watchdogHistoryArray().size(), 3);
    EXPECT_EQ(page->watchdogHistoryArray().first().title, "match a");

    // Removing selected rows goes through the engine and comes back.
    QTableView* history = page->tableViewWatchdogHistory();
    history->selectionModel()->select(history->model()->index(1, 0),
                                      QItemSelectionModel::Select | QItemSelectionModel::Rows);
    page->menuWillOpenHistory();
    EXPECT_TRUE(item("mnuItemRemoveHistorySelection")->isEnabled());
    item("mnuItemRemoveHistorySelection")->trigger();
    EXPECT_EQ(all[0]->history().size(), 2);
    EXPECT_EQ(page->watchdogHistoryArray().size(), 2);
    item("mnuItemRemoveHistoryAll")->trigger();
    EXPECT_TRUE(all[0]->history().isEmpty());
    EXPECT_TRUE(page->watchdogHistoryArray().isEmpty());

    select({});
    EXPECT_TRUE(page->watchdogHistoryArray().isEmpty());
}

TEST_F(WatchdogPage, PanesOpenAtTheirMinimumAndRememberTheirSize)
{
    SplitViewWatchdogHistory* history = page->splitViewWatchdogHistory();
    SplitViewWatchdogLog* log = page->splitViewWatchdogLog();
    ASSERT_TRUE(page->historyPaneIsCollapsed());
    ASSERT_TRUE(page->logPaneIsCollapsed());
    EXPECT_TRUE(history->viewIsCollapsed());
    EXPECT_TRUE(log->bottomViewIsCollapsed());
    page->toggleSplitViewHistory();
    EXPECT_EQ(history->sizes().value(1), WatchdogVC::kHistoryMinWidth);
    EXPECT_FALSE(history->viewIsCollapsed());
    // A log pane with no remembered height still opens.
    page->toggleSplitViewLog();
    EXPECT_EQ(log->sizes().value(1), WatchdogVC::kLogMinHeight);
    EXPECT_FALSE(log->bottomViewIsCollapsed());

    log->setSizes({300, 260});
    const int height = log->sizes().value(1);
    ASSERT_GT(height, WatchdogVC::kLogMinHeight);
    page->toggleSplitViewLog();
    EXPECT_TRUE(page->logPaneIsCollapsed());
    EXPECT_EQ(UserDefaults::standard().floatForKey(SplitViewWatchdogLog::restorePositionKey()),
              float(height));
    page->toggleSplitViewLog();
    EXPECT_EQ(log->sizes().value(1), height);

    // A history width under the minimum opens at the minimum, a wider one
    // as it was.
    struct Case
    {
        int width;
        int reopened;
    };
    for (const Case& c : {Case{120, WatchdogVC::kHistoryMinWidth}, Case{420, 420}}) {
        SCOPED_TRACE(c.width);
        history->setPositionOfDividerAtIndex(history->maxPossiblePositionOfDividerAtIndex(0) - c.width, 0);
        ASSERT_EQ(history->sizes().value(1), c.width);
        page->toggleSplitViewHistory();
        EXPECT_TRUE(page->historyPaneIsCollapsed());
        EXPECT_EQ(UserDefaults::standard().floatForKey(SplitViewWatchdogHistory::restorePositionKey()),
                  float(c.width));
        page->toggleSplitViewHistory();
        EXPECT_EQ(history->sizes().value(1), c.reopened);
    }
}

TEST_F(WatchdogPage, TheHistoryDividerIsOneGreyPointAndADoubleClickClosesThePane)
{
    SplitViewWatchdogHistory* history = page->splitViewWatchdogHistory();
    page->toggleSplitViewHistory();
    spinEventLoop(10);
    auto* divider = qobject_cast<SplitViewQueueHandle*>(history->handle(1));
    ASSERT_TRUE(divider);
    ASSERT_TRUE(divider->isVisible());
    EXPECT_EQ(history->handleWidth(), 1);
    EXPECT_EQ(divider->contentsRect().width(), 1);
    const QImage image = divider->grab().toImage();
    EXPECT_EQ(QColor(image.pixel(image.width() / 2, image.height() / 2)).rgb(),
              SplitViewQueueHandle::dividerColor().rgb());
    // Only the history and the log can close: the entries always stay.
    EXPECT_FALSE(history->isCollapsible(0));
    EXPECT_TRUE(history->isCollapsible(1));
    EXPECT_FALSE(page->splitViewWatchdogLog()->isCollapsible(0));

    history->setPositionOfDividerAtIndex(history->maxPossiblePositionOfDividerAtIndex(0) - 350, 0);
    QTest::mouseDClick(divider, Qt::LeftButton, {}, divider->rect().center());
    EXPECT_TRUE(page->historyPaneIsCollapsed());
    EXPECT_FALSE(divider->isVisible()) << "no divider next to a closed pane";
    EXPECT_EQ(UserDefaults::standard().floatForKey(SplitViewWatchdogHistory::restorePositionKey()), 350.0f);
    page->toggleSplitViewHistory();
    EXPECT_EQ(history->sizes().value(1), 350);
    EXPECT_TRUE(divider->isVisible());
}

TEST_F(WatchdogPage, DraggingReordersWithinTheTableOnly)
{
    struct Case
    {
        QList<int> rows;
        int dropRow;
        QStringList order;
    };
    const Case cases[] = {
        {{0, 1}, 3, {"entry 2", "entry 0", "entry 1", "entry 3", "entry 4"}},
        {{3, 4}, 0, {"entry 3", "entry 4", "entry 0", "entry 1", "entry 2"}},
        {{1, 3}, 5, {"entry 0", "entry 2", "entry 4", "entry 1", "entry 3"}},
        {{2}, 2, {"entry 0", "entry 1", "entry 2", "entry 3", "entry 4"}},
    };
    TableViewWatchdog* table = page->tableViewWatchdog();
    for (const Case& c : cases) {
        const QList<WatchdogPtr> old = wc.watchdogArray();
        wc.removeEntries(old);
        addMany(5);
        QModelIndexList indexes;
        for (int r : c.rows)
            indexes.append(table->model()->index(r, 0));
        std::unique_ptr<QMimeData> data(table->model()->mimeData(indexes));
        // Only the private type travels.
        EXPECT_EQ(data->formats(), QStringList({WatchdogTableModel::kDragType}));

        EXPECT_FALSE(table->acceptDrop(page.get(), data.get(), c.dropRow)); // another source
        EXPECT_EQ(aliases().first(), "entry 0");
        EXPECT_TRUE(table->acceptDrop(table, data.get(), c.dropRow));
        EXPECT_EQ(aliases(), c.order);
        // The table shows the controller's order.
        for (int r = 0; r < 5; ++r)
            EXPECT_EQ(table->model()->data(table->model()->index(r, 0)).toString(), c.order[r]);
    }
    QMimeData foreign;
    foreign.setText(QStringLiteral("0 1"));
    EXPECT_FALSE(table->acceptDrop(table, &foreign, 0));
}

TEST_F(WatchdogPage, EachLogLineInsertsOneRow)
{
    addMany(2);
    QAbstractItemModel* log = page->tableViewWatchdogLog()->model();
    ASSERT_EQ(log->rowCount(), 2); // two "added" lines
    QSignalSpy inserted(log, &QAbstractItemModel::rowsInserted);
    QSignalSpy reset(log, &QAbstractItemModel::modelReset);
    wc.createLogObjectForWatchdog(wc.watchdogArray().first(), 3, 1000, 0);
    EXPECT_EQ(log->rowCount(), 3);
    EXPECT_EQ(inserted.size(), 1);
    EXPECT_EQ(reset.size(), 0);
    EXPECT_EQ(log->data(log->index(0, 1)).toString(), "entry 0");

    page->clearWatchdogLog();
    EXPECT_EQ(log->rowCount(), 0);
    EXPECT_EQ(reset.size(), 1);
    // The first line into an empty log is an inserted row, too.
    wc.createLogObjectForWatchdog(wc.watchdogArray().last(), 0, 0, 4);
    EXPECT_EQ(log->rowCount(), 1);
    EXPECT_EQ(inserted.size(), 2);
    EXPECT_EQ(reset.size(), 1);
    EXPECT_EQ(log->data(log->index(0, 4)).toString(), "No matches found");
    // Nothing in the log can be selected.
    EXPECT_EQ(page->tableViewWatchdogLog()->selectionMode(), QAbstractItemView::NoSelection);
}

TEST_F(WatchdogPage, RowsFollowTheControllerAndKeepTheSelection)
{
    const QList<WatchdogPtr> all = addMany(3);
    select({2});
    wc.removeEntries({all[0]});
    QTableView* t = page->tableViewWatchdog();
    ASSERT_EQ(t->model()->rowCount(), 2);
    const QModelIndexList sel = t->selectionModel()->selectedRows();
    ASSERT_EQ(sel.size(), 1);
    EXPECT_EQ(sel.first().row(), 1);
    EXPECT_EQ(page->firstSelectedEntry(), all[2]);

    QSignalSpy changed(t->model(), &QAbstractItemModel::dataChanged);
    all[2]->setStatus(Watchdog::Searching);
    // The entry's own row repaints.
    ASSERT_TRUE(waitUntil([&] {
        return std::any_of(changed.begin(), changed.end(),
                           [](const QList<QVariant>& args) { return args.at(0).toModelIndex().row() == 1; });
    }));
    EXPECT_EQ(t->model()->data(t->model()->index(1, WatchdogTableModel::ColumnWDStatus)).toString(),
              all[2]->statusString());
}

} // namespace

namespace {

TEST_F(WatchdogPage, LooksFinished)
{
    const QList<WatchdogPtr> all = {add(QStringLiteral("Ubuntu images")), add(QStringLiteral("Nightly show")),
                                    add(QStringLiteral("Conference talks"))};
    all[1]->setActive(false);
    all[2]->setInterval(0);
    all[0]->setLastmatch(clockNow - 3600);
    WatchdogHistoryObj h;
    h.date = clockNow - 3600;
    h.bytesString = QStringLiteral("4.2 GB");
    for (const char* t : {"ubuntu-24.04-desktop-amd64.iso", "ubuntu-24.04-live-server-amd64.iso"}) {
        h.title = QString::fromLatin1(t);
        all[0]->history().append(h);
    }
    wc.createLogObjectForWatchdog(all[0], 2, 9'000'000'000, 4); // searched, two matches
    select({0});
    page->resize(1200, 700);
    page->toggleSplitViewHistory();
    page->toggleSplitViewLog();
    spinEventLoop(100);
    const QImage shot = page->grab().toImage();
    ASSERT_FALSE(shot.isNull());
    EXPECT_EQ(page->watchdogHistoryArray().size(), 2);
    const QByteArray path = qgetenv("BINORAMA_SCREENSHOT");
    shot.save(path.isEmpty() ? QStringLiteral(BINORAMA_BINARY_DIR "/watchdog-page.png")
                             : QString::fromLocal8Bit(path));
}

} // namespace

namespace {

TEST_F(WatchdogPage, RowsTakeTheQueueSelectionColours)
{
    const QColor selected(20, 120, 40);
    QVariantMap colours =
        UserDefaults::standard().dictionaryForKey(QStringLiteral("QueueRowColorProperties"));
    colours.insert(QStringLiteral("selectedRowColor"), selected);
    colours.insert(QStringLiteral("selectedInactiveRowColor"), selected);
    UserDefaults::standard().setObject(colours, QStringLiteral("QueueRowColorProperties"));
    page = std::make_unique<WatchdogVC>(&wc); // rows read the colours when made
    page->resize(900, 500);
    page->show();
    addMany(2);
    select({1});
    spinEventLoop(20);
    QTableView* t = page->tableViewWatchdog();
    const QImage shot = t->viewport()->grab().toImage();
    const QRect row0 = t->visualRect(t->model()->index(0, WatchdogTableModel::ColumnWDNextSearch));
    const QRect row1 = t->visualRect(t->model()->index(1, WatchdogTableModel::ColumnWDNextSearch));
    // Far right of the last column: no text there.
    EXPECT_EQ(shot.pixel(row1.right() - 3, row1.center().y()), selected.rgb());
    EXPECT_EQ(shot.pixel(row0.right() - 3, row0.center().y()),
              QColor::fromRgbF(0.945f, 0.941f, 0.941f).rgb());
}

} // namespace

namespace {

TEST_F(WatchdogPage, KeysEditAndRemoveLikeTheButtons)
{
    const QList<WatchdogPtr> all = addMany(2);
    UserDefaults::standard().setBool(true, QStringLiteral("showDialogRemoveWatchdogEntries"));
    QTableView* t = page->tableViewWatchdog();
    page->activateWindow();
    t->setFocus();
    select({1});
    QTest::keyClick(t, Qt::Key_Return);
    EXPECT_EQ(edited, QList<WatchdogPtr>({all[1]}));
    answers.script({DialogBoxes::kFirstButton});
    QTest::keyClick(t, Qt::Key_Delete);
    EXPECT_EQ(answers.askedTitles(), QStringList({"Are you sure to remove 1 entry?"}));
    EXPECT_EQ(wc.watchdogArray(), QList<WatchdogPtr>({all[0]}));
}

} // namespace
