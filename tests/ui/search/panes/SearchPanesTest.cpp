#include "ui/search/page/DeepLookupVC.h"
#include "ui/search/panes/OutlineViewBookmarks.h"
#include "ui/search/panes/SearchAddBookmarksWC.h"
#include "ui/search/panes/SearchAddMapWC.h"
#include "ui/search/panes/SearchBookmarkMapChooser.h"
#include "ui/search/panes/SearchBookmarksModel.h"
#include "ui/search/panes/SearchBookmarksVC.h"
#include "ui/search/panes/SearchEditBookmarkWC.h"
#include "ui/search/panes/SearchEditHistoryEntryWC.h"
#include "ui/search/panes/SearchFieldCellSearchHistory.h"
#include "ui/search/panes/SearchHistoryTableModel.h"
#include "ui/search/panes/SearchHistoryVC.h"
#include "ui/search/panes/SearchQueryFields.h"
#include "ui/search/panes/TableViewSearchHistory.h"

#include "controls/Artwork.h"
#include "controls/ImageButton.h"
#include "controls/TVLTextField.h"
#include "engine/EngineControllers.h"
#include "platform/NotificationHub.h"
#include "platform/UserDefaults.h"
#include "search/DeepLookupController.h"
#include "search/DeepLookupSocket.h"
#include "search/SearchHistoryController.h"

#include "../SearchPageFixture.h"
#include "support/DeepLookupReplyBuilder.h"
#include "support/EventLoop.h"
#include "support/ModalDriver.h"
#include "support/Screenshot.h"
#include "support/ScriptedDialogAnswerer.h"
#include "support/ScriptedHttpServer.h"
#include "support/TempHome.h"

#include <gtest/gtest.h>

#include <QAbstractItemModelTester>
#include <QComboBox>
#include <QAction>
#include <QLabel>
#include <QMimeData>
#include <QPushButton>
#include <QLineEdit>
#include <QSignalSpy>
#include <QSortFilterProxyModel>
#include <QTest>
#include <QToolButton>

namespace {

DeepLookupObjectPtr search(const QString& title, const QString& ero = QStringLiteral("0"),
                           const QString& poster = {}, const QString& group = {})
{
    DeepLookupObjectPtr q = DeepLookupObject::create();
    q->setTitle(title);
    q->setPoster(poster);
    q->setGroup(group);
    q->setEro(ero);
    return q;
}

QStringList aliases(const QList<DeepLookupObjectPtr>& list)
{
    QStringList out;
    for (const DeepLookupObjectPtr& q : list) out << q->alias().value_or(QStringLiteral("<none>"));
    return out;
}

// A double-click as a user makes it: the press that selects, then the
// second click.
void doubleClick(QAbstractItemView* view, const QModelIndex& index)
{
    const QPoint at = view->visualRect(index).center();
    QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, at);
    QTest::mouseDClick(view->viewport(), Qt::LeftButton, {}, at);
}

// What a view shows, top to bottom.
QStringList shownRows(const QAbstractItemModel* model, const QModelIndex& parent = {})
{
    QStringList out;
    for (int r = 0; r < model->rowCount(parent); ++r) out << model->index(r, 0, parent).data().toString();
    return out;
}

// Every notification of one name, with its search.
class PostedSearches
{
public:
    explicit PostedSearches(const QString& name)
    {
        NotificationHub::defaultCenter().addObserver(name, &owner_, [this](const Notification& n) {
            posted.append(n.userInfo.value(QStringLiteral("deeplookupobject")).value<DeepLookupObjectPtr>());
        });
    }
    QList<DeepLookupObjectPtr> posted;

private:
    QObject owner_;
};

// The history pane over a real controller whose stores lie in a temporary
// home.
class HistoryPane : public ::testing::Test
{
protected:
    TempHome home;
    ScriptedDialogAnswerer dialogs;
    SearchHistoryController controller;
    SearchHistoryVC pane;

    void SetUp() override
    {
        pane.setHistoryController(&controller);
        pane.resize(220, 400);
        pane.show();
    }
    // Entries named by their titles, the first on top.
    void fill(const QStringList& titles)
    {
        for (auto it = titles.crbegin(); it != titles.crend(); ++it) pane.addSearchToHistory(search(*it));
    }
    QStringList history() const { return aliases(controller.arraySearchHistory()); }
    TableViewSearchHistory* table() const { return pane.tableViewSearchHistory(); }
    void selectShown(const QList<int>& rows)
    {
        table()->clearSelection();
        for (int r : rows)
            table()->selectionModel()->select(table()->model()->index(r, 0),
                                              QItemSelectionModel::Select | QItemSelectionModel::Rows);
    }
};

TEST_F(HistoryPane, ARepeatReplacesInPlaceOtherContentAddsAndTheAliasFallsBack)
{
    fill({"red car", "boat", "plane"});
    // The same title and content type: the new search takes the old one's
    // place, and its row is selected alone.
    const DeepLookupObjectPtr again = search("boat");
    pane.addSearchToHistory(again);
    EXPECT_EQ(history(), (QStringList{"red car", "boat", "plane"}));
    EXPECT_EQ(controller.arraySearchHistory()[1], again);
    EXPECT_EQ(again->icontype(), "0");
    EXPECT_EQ(table()->selectionModel()->selectedRows().size(), 1);
    EXPECT_EQ(table()->selectionModel()->selectedRows().value(0).row(), 1);

    struct Case
    {
        const char* what;
        DeepLookupObjectPtr query;
        QStringList after;
    } cases[] = {
        {"other content type adds", search("boat", "1"), {"boat", "red car", "boat", "plane"}},
        {"poster only", search("", "0", "someone@example.invalid"),
         {"someone@example.invalid", "boat", "red car", "boat", "plane"}},
        {"newsgroup only", search("", "0", "", "alt.binaries.boats"),
         {"alt.binaries.boats", "someone@example.invalid", "boat", "red car", "boat", "plane"}},
        {"nothing to name it by", search("", "0"),
         {"alt.binaries.boats", "someone@example.invalid", "boat", "red car", "boat", "plane"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        pane.addSearchToHistory(c.query);
        EXPECT_EQ(history(), c.after);
        EXPECT_EQ(shownRows(table()->model()), c.after);
    }
    EXPECT_EQ(controller.arraySearchHistory()[2]->icontype(), "1");
}

TEST_F(HistoryPane, TheHundredAndFirstSearchPushesOutTheLastRowByRow)
{
    UserDefaults::standard().setInteger(100, QStringLiteral("maxSearchHistoryDatabase"));
    QStringList titles;
    for (int i = 0; i < 100; ++i) titles << QStringLiteral("entry %1").arg(i);
    fill(titles);
    ASSERT_EQ(controller.arraySearchHistory().size(), 100);
    QAbstractItemModelTester tester(table()->model(), QAbstractItemModelTester::FailureReportingMode::Fatal);
    QSignalSpy resets(table()->model(), &QAbstractItemModel::modelReset);
    selectShown({3});
    const DeepLookupObjectPtr selected = controller.arraySearchHistory()[3];

    pane.addSearchToHistory(search("newest"));
    EXPECT_EQ(controller.arraySearchHistory().size(), 100);
    EXPECT_EQ(history().first(), "newest");
    EXPECT_EQ(history().last(), "entry 98");
    // Rows came and went one by one: the selection stayed on its entry.
    EXPECT_EQ(resets.count(), 0);
    ASSERT_EQ(table()->selectionModel()->selectedRows().size(), 1);
    EXPECT_EQ(table()->selectionModel()->selectedRows()[0].row(), 4);
    EXPECT_EQ(controller.arraySearchHistory()[4], selected);

    // A repeat is replaced in place and removes nothing.
    pane.addSearchToHistory(search("entry 50"));
    EXPECT_EQ(controller.arraySearchHistory().size(), 100);
    EXPECT_EQ(history().last(), "entry 98");
}

TEST_F(HistoryPane, DraggedRowsLandAsOneBlockAboveTheDropRow)
{
    struct Case
    {
        const char* what;
        QList<int> dragged;
        int dropRow;
        QStringList after;
    } cases[] = {
        {"rows 2 and 5 above row 0", {2, 5}, 0, {"2", "5", "0", "1", "3", "4"}},
        {"row 0 below the last row", {0}, 6, {"1", "2", "3", "4", "5", "0"}},
        {"rows 0 and 1 above row 4", {0, 1}, 4, {"2", "3", "0", "1", "4", "5"}},
        {"rows 1 and 4 above row 3", {1, 4}, 3, {"0", "2", "1", "4", "3", "5"}},
        {"a row onto its own place", {3}, 3, {"0", "1", "2", "3", "4", "5"}},
    };
    // Every move announced as a move the views can follow.
    QAbstractItemModelTester tester(table()->model(), QAbstractItemModelTester::FailureReportingMode::Fatal);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        controller.replaceHistoryArrayWithArray({});
        fill({"0", "1", "2", "3", "4", "5"});
        ASSERT_TRUE(pane.writeRowsWithIndexes(c.dragged));
        EXPECT_TRUE(pane.acceptDrop(table(), c.dropRow));
        pane.draggingSessionEnded();
        EXPECT_EQ(history(), c.after);
        EXPECT_EQ(shownRows(table()->model()), c.after);
        EXPECT_TRUE(pane.draggedObjects().isEmpty());
    }

    // Only a drag of this very table is taken.
    QObject elsewhere;
    ASSERT_TRUE(pane.writeRowsWithIndexes({0}));
    EXPECT_FALSE(pane.acceptDrop(&elsewhere, 3));
    EXPECT_FALSE(pane.acceptDrop(nullptr, 3));
    pane.draggingSessionEnded();
    EXPECT_FALSE(pane.acceptDrop(table(), 3));
    EXPECT_EQ(history(), (QStringList{"0", "1", "2", "3", "4", "5"}));
}

// A drop of our own type that did not start in this table (another window
// of the program, another program) is refused at the table itself, and the
// list stays as it was.
TEST_F(HistoryPane, ADropFromOutsideIsRefusedByTheTable)
{
    fill({"0", "1", "2"});
    ASSERT_TRUE(pane.writeRowsWithIndexes({2}));
    QMimeData data;
    data.setData(QString::fromLatin1(SearchHistoryTableModel::kDragType), QByteArray());
    const QPoint at = table()->visualRect(table()->model()->index(0, 0)).center();
    QDragEnterEvent enter(at, Qt::MoveAction, &data, Qt::LeftButton, {});
    QCoreApplication::sendEvent(table()->viewport(), &enter);
    EXPECT_FALSE(enter.isAccepted());
    QDropEvent drop(at, Qt::MoveAction, &data, Qt::LeftButton, {});
    QCoreApplication::sendEvent(table()->viewport(), &drop);
    EXPECT_FALSE(drop.isAccepted());
    EXPECT_EQ(history(), (QStringList{"0", "1", "2"}));
}

// While the filter narrows the list, a drop above a shown row lands above
// that entry, and below the last shown row right after it.
TEST_F(HistoryPane, AFilteredDropLandsNextToTheShownEntries)
{
    fill({"car 0", "boat 1", "car 2", "boat 3", "car 4"});
    pane.searchField()->setText(QStringLiteral("car"));
    ASSERT_EQ(shownRows(table()->model()), (QStringList{"car 0", "car 2", "car 4"}));
    ASSERT_TRUE(pane.writeRowsWithIndexes({2}));
    EXPECT_TRUE(pane.acceptDrop(table(), 1));
    EXPECT_EQ(history(), (QStringList{"car 0", "boat 1", "car 4", "car 2", "boat 3"}));
    ASSERT_TRUE(pane.writeRowsWithIndexes({0}));
    EXPECT_TRUE(pane.acceptDrop(table(), 3));
    EXPECT_EQ(history(), (QStringList{"boat 1", "car 4", "car 2", "car 0", "boat 3"}));
}

TEST_F(HistoryPane, LaunchingMovesTheEntryToTheTopAndAsksForItsSearch)
{
    PostedSearches requests(QStringLiteral("RequestForDeepLookup"));
    fill({"0", "1", "2", "3", "4", "5"});
    selectShown({4});
    const DeepLookupObjectPtr fifth = controller.arraySearchHistory()[4];
    doubleClick(table(), table()->model()->index(4, 0));
    EXPECT_EQ(history(), (QStringList{"4", "0", "1", "2", "3", "5"}));
    ASSERT_EQ(requests.posted.size(), 1);
    EXPECT_EQ(requests.posted[0], fifth);

    // With nothing chosen nothing happens.
    table()->clearSelection();
    pane.sendSearchNotification();
    EXPECT_EQ(requests.posted.size(), 1);
}

TEST_F(HistoryPane, AFilteredDeleteRemovesTheShownEntryAfterAYes)
{
    fill({"boat 0", "car 1", "boat 2", "car 3"});
    pane.searchField()->setText(QStringLiteral("car"));
    selectShown({0});
    dialogs.script({1001});
    pane.deleteSelectedObjects();
    EXPECT_EQ(history(), (QStringList{"boat 0", "car 1", "boat 2", "car 3"}));
    ASSERT_EQ(dialogs.askedTitles(), QStringList{"Delete selected search entries?"});
    EXPECT_EQ(dialogs.asked()[0].info, "Are you sure to delete these search entries?");
    EXPECT_EQ(dialogs.asked()[0].activeButton, 1);

    dialogs.script({1000});
    QTest::keyClick(table(), Qt::Key_Delete);
    EXPECT_EQ(history(), (QStringList{"boat 0", "boat 2", "car 3"}));
    EXPECT_EQ(shownRows(table()->model()), QStringList{"car 3"});

    // Keys without a chosen row, and Enter, ask nothing.
    table()->clearSelection();
    QTest::keyClick(table(), Qt::Key_Delete);
    selectShown({0});
    QTest::keyClick(table(), Qt::Key_Return);
    EXPECT_EQ(dialogs.asked().size(), 2);
}

TEST_F(HistoryPane, ButtonsAndMenuItemsFollowTheRowsTheyActOn)
{
    fill({"0", "1", "2", "3", "4", "5"});
    struct Case
    {
        const char* what;
        QList<int> selected;
        int clicked;
        // bookmark, edit, delete buttons; launch, bookmark, edit, delete, watchdog items
        QList<bool> buttons, items;
    } cases[] = {
        {"nothing", {}, -1, {false, false, false}, {false, false, false, false, false}},
        {"one", {2}, -1, {true, true, true}, {true, true, true, true, true}},
        {"two", {1, 3}, -1, {true, false, true}, {false, true, false, true, false}},
        {"right-click inside the selection", {1, 3}, 3, {true, false, true}, {false, true, false, true, false}},
        {"right-click outside three chosen", {0, 1, 2}, 4, {true, false, true}, {true, true, true, true, true}},
        {"right-click with nothing chosen", {}, 5, {false, false, false}, {true, true, true, true, true}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        selectShown(c.selected);
        table()->setClickedRow(c.clicked);
        pane.menuWillOpen();
        EXPECT_EQ((QList<bool>{pane.btnBookmark()->isEnabled(), pane.btnEdit()->isEnabled(),
                               pane.btnTrash()->isEnabled()}),
                  c.buttons);
        EXPECT_EQ((QList<bool>{pane.menuItemLaunch()->isEnabled(), pane.menuItemMakeBookmark()->isEnabled(),
                               pane.menuItemEdit()->isEnabled(), pane.menuItemDelete()->isEnabled(),
                               pane.menuItemMakeWatchdog()->isEnabled()}),
                  c.items);
        table()->setClickedRow(-1);
    }
}

TEST_F(HistoryPane, MakeWatchdogHandsOverTheClickedEntry)
{
    PostedSearches made(QStringLiteral("MakeWatchdogFromDeepLookupObjectNotification"));
    fill({"0", "1", "2"});
    selectShown({0, 1});
    table()->setClickedRow(2);
    pane.menuWillOpen();
    pane.menuItemMakeWatchdog()->trigger();
    table()->setClickedRow(-1);
    ASSERT_EQ(made.posted.size(), 1);
    EXPECT_EQ(made.posted[0], controller.arraySearchHistory()[2]);
}

// Making bookmarks with no map at all: the window makes "Default map" and
// chooses it, and the entries leave the history only once they are in it.
TEST_F(HistoryPane, MakingBookmarksWithNoMapMovesTheEntriesIntoADefaultMap)
{
    fill({"0", "1", "2", "3", "4"});
    ASSERT_TRUE(controller.arraySearchBookmarks().isEmpty());
    selectShown({1, 3});
    whenShown<SearchAddBookmarksWC>([](SearchAddBookmarksWC* w) {
        EXPECT_EQ(w->arrayDeepLookupObjects().size(), 2);
        EXPECT_EQ(w->mapChooser()->popupBookmarkMap()->currentText(), SearchBookmarkMapChooser::kDefaultMapName);
        w->btnSubmit()->click();
    });
    pane.btnBookmark()->click();
    EXPECT_EQ(history(), (QStringList{"0", "2", "4"}));
    ASSERT_EQ(controller.arraySearchBookmarks().size(), 1);
    const DeepLookupObjectPtr map = controller.arraySearchBookmarks()[0];
    EXPECT_EQ(map->alias(), SearchBookmarkMapChooser::kDefaultMapName);
    EXPECT_EQ(aliases(*map->childs()), (QStringList{"1", "3"}));
    for (const DeepLookupObjectPtr& b : *map->childs()) {
        EXPECT_TRUE(b->isBookmark());
        EXPECT_EQ(b->mapid(), map->mapid());
    }

    // A cancelled window moves nothing.
    selectShown({0});
    whenShown<SearchAddBookmarksWC>([](SearchAddBookmarksWC* w) { w->btnCancel()->click(); });
    pane.menuWillOpen();
    pane.menuItemMakeBookmark()->trigger();
    EXPECT_EQ(history(), (QStringList{"0", "2", "4"}));
    EXPECT_EQ(aliases(*map->childs()), (QStringList{"1", "3"}));
}

TEST_F(HistoryPane, AnEditedEntryShowsItsNewNameInItsRowAtOnce)
{
    fill({"0", "1", "2"});
    selectShown({1});
    whenShown<SearchEditHistoryEntryWC>([](SearchEditHistoryEntryWC* w) {
        EXPECT_EQ(w->fields()->sfAlias()->stringValue(), "1");
        w->fields()->sfAlias()->setStringValue(QStringLiteral("renamed"));
        w->btnSave()->click();
    });
    pane.btnEdit()->click();
    EXPECT_EQ(history(), (QStringList{"0", "renamed", "2"}));
    EXPECT_EQ(shownRows(table()->model()), (QStringList{"0", "renamed", "2"}));
    EXPECT_EQ(table()->selectionModel()->selectedRows().value(0).row(), 1);
}

// ---- bookmarks

class BookmarksPane : public ::testing::Test
{
protected:
    TempHome home;
    ScriptedDialogAnswerer dialogs;
    std::unique_ptr<SearchHistoryController> controller = std::make_unique<SearchHistoryController>();
    std::unique_ptr<SearchBookmarksVC> pane;
    qint64 holiday = 0, work = 0;

    void SetUp() override { rebuild(); }
    // Two maps with their bookmarks, in a fresh controller and pane.
    void rebuild()
    {
        pane.reset();
        controller = std::make_unique<SearchHistoryController>();
        holiday = controller->createMap(QStringLiteral("Holiday"));
        work = controller->createMap(QStringLiteral("Work"));
        ASSERT_TRUE(controller->insertBookmarkObjectsFromArray(bookmarks({"beach", "boat", "hotel"}, holiday), holiday));
        ASSERT_TRUE(controller->insertBookmarkObjectsFromArray(bookmarks({"report", "slides"}, work), work));
        makePane();
    }
    void makePane()
    {
        pane = std::make_unique<SearchBookmarksVC>();
        pane->setHistoryController(controller.get());
        pane->resize(220, 400);
        pane->show();
    }
    static QList<DeepLookupObjectPtr> bookmarks(const QStringList& names, qint64 mapid)
    {
        QList<DeepLookupObjectPtr> out;
        for (const QString& n : names) {
            DeepLookupObjectPtr b = search(n);
            b->setAlias(n);
            b->setIcontype(QStringLiteral("0"));
            b->setIsBookmark(true);
            b->setMapid(mapid);
            out << b;
        }
        return out;
    }
    OutlineViewBookmarks* outline() const { return pane->outlineViewSearchBookmarks(); }
    SearchBookmarksModel* model() const { return pane->bookmarksModel(); }
    QModelIndex at(const QString& alias) const
    {
        const QModelIndexList found =
            model()->match(model()->index(0, 0), Qt::DisplayRole, alias, 1, Qt::MatchExactly | Qt::MatchRecursive);
        return found.value(0);
    }
    QStringList inMap(const QString& map) const { return shownRows(model(), at(map)); }
    void choose(const QStringList& names)
    {
        outline()->clearSelection();
        for (const QString& n : names)
            outline()->selectionModel()->select(at(n), QItemSelectionModel::Select | QItemSelectionModel::Rows);
    }
    // The drag of the chosen rows dropped at a point of a row.
    bool dragTo(const QStringList& names, const QString& row, double fraction)
    {
        choose(names);
        const QRect r = outline()->visualRect(at(row));
        const QPoint point(r.center().x(), r.top() + int(r.height() * fraction));
        pane->writeItems(outline()->selectionModel()->selectedRows());
        const auto target = outline()->dropTargetAt(point);
        const bool valid = pane->validateDrop(outline(), target);
        const bool accepted = pane->acceptDrop(outline(), target);
        EXPECT_EQ(valid, accepted);
        return accepted;
    }
};

TEST_F(BookmarksPane, ShowsTheMapsOpenAsKeptWithTheirBookmarks)
{
    QAbstractItemModelTester tester(model(), QAbstractItemModelTester::FailureReportingMode::Fatal);
    EXPECT_EQ(shownRows(model()), (QStringList{"Holiday", "Work"}));
    EXPECT_EQ(inMap("Holiday"), (QStringList{"beach", "boat", "hotel"}));
    EXPECT_TRUE(outline()->isExpanded(at("Holiday")));
    EXPECT_TRUE(outline()->isExpanded(at("Work")));
}

TEST_F(BookmarksPane, ADropOnAMapPutsTheBookmarksFirstAndBetweenRowsExactlyThere)
{
    struct Case
    {
        const char* what;
        QStringList dragged;
        const char* row;
        double fraction;
        QStringList holidayAfter, workAfter;
    } cases[] = {
        {"onto the other map", {"hotel"}, "Work", 0.5, {"beach", "boat"}, {"hotel", "report", "slides"}},
        {"onto its own map", {"hotel"}, "Holiday", 0.5, {"hotel", "beach", "boat"}, {"report", "slides"}},
        {"one place down in its own map", {"beach"}, "hotel", 0.2, {"boat", "beach", "hotel"}, {"report", "slides"}},
        {"below another map's last", {"beach", "hotel"}, "slides", 0.8, {"boat"},
         {"report", "slides", "beach", "hotel"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        rebuild();
        ASSERT_TRUE(dragTo(c.dragged, QString::fromLatin1(c.row), c.fraction));
        EXPECT_EQ(inMap("Holiday"), c.holidayAfter);
        EXPECT_EQ(inMap("Work"), c.workAfter);
        EXPECT_TRUE(outline()->selectionModel()->selectedRows().isEmpty());
        for (const QString& name : c.dragged)
            EXPECT_EQ(model()->objectAt(at(name))->mapid(), model()->objectAt(at(name).parent())->mapid());
    }
}

TEST_F(BookmarksPane, ADragHoldingAMapIsRefusedEverywhere)
{
    for (const auto& [row, fraction] : {std::pair("Work", 0.5), std::pair("report", 0.2), std::pair("Holiday", 0.5)}) {
        SCOPED_TRACE(row);
        EXPECT_FALSE(dragTo({"Holiday", "beach", "boat"}, QString::fromLatin1(row), fraction));
        EXPECT_TRUE(pane->itemsToDrop().isEmpty());
        EXPECT_EQ(pane->draggedObjects().size(), 3);
    }
    // Below the rows (the top level) and from another source: refused too.
    choose({"boat"});
    pane->writeItems(outline()->selectionModel()->selectedRows());
    OutlineViewBookmarksDelegate::DropTarget topLevel;
    EXPECT_FALSE(pane->validateDrop(outline(), topLevel));
    QObject elsewhere;
    OutlineViewBookmarksDelegate::DropTarget onWork{at("Work"), OutlineViewBookmarksDelegate::DropTarget::kOnItem};
    EXPECT_FALSE(pane->acceptDrop(&elsewhere, onWork));
    EXPECT_EQ(inMap("Work"), (QStringList{"report", "slides"}));
}

TEST_F(BookmarksPane, ADropFromOutsideIsRefusedByTheOutline)
{
    choose({"beach"});
    ASSERT_TRUE(pane->writeItems(outline()->selectionModel()->selectedRows()));
    QMimeData data;
    data.setData(QString::fromLatin1(SearchBookmarksModel::kDragType), QByteArray());
    const QPoint onWork = outline()->visualRect(at("Work")).center();
    QDragMoveEvent move(onWork, Qt::MoveAction, &data, Qt::LeftButton, {});
    QCoreApplication::sendEvent(outline()->viewport(), &move);
    EXPECT_FALSE(move.isAccepted());
    QDropEvent drop(onWork, Qt::MoveAction, &data, Qt::LeftButton, {});
    QCoreApplication::sendEvent(outline()->viewport(), &drop);
    EXPECT_FALSE(drop.isAccepted());
    EXPECT_EQ(inMap("Work"), (QStringList{"report", "slides"}));
}

TEST_F(BookmarksPane, DeletingAMapAndOneOfItsBookmarksRemovesBothAfterAYes)
{
    choose({"Holiday", "boat", "slides"});
    dialogs.script({1001, 1000});
    pane->deleteSelectedObjects();
    EXPECT_EQ(shownRows(model()), (QStringList{"Holiday", "Work"}));
    QTest::keyClick(outline(), Qt::Key_Delete);
    EXPECT_EQ(dialogs.askedTitles(), (QStringList{"Delete selected bookmarks?", "Delete selected bookmarks?"}));
    EXPECT_EQ(dialogs.asked()[0].info, "Are you sure to delete these bookmarks?");
    EXPECT_EQ(shownRows(model()), QStringList{"Work"});
    EXPECT_EQ(inMap("Work"), QStringList{"report"});
}

TEST_F(BookmarksPane, DoubleClickRunsABookmarkAndOpensOrClosesAMapWhoseStateSurvivesARestart)
{
    PostedSearches requests(QStringLiteral("RequestForDeepLookup"));
    const auto open = [this](const QString& name) { doubleClick(outline(), at(name)); };
    open("Holiday");
    EXPECT_FALSE(outline()->isExpanded(at("Holiday")));
    open("Work");
    EXPECT_FALSE(outline()->isExpanded(at("Work")));
    open("Work");
    EXPECT_TRUE(outline()->isExpanded(at("Work")));
    open("slides");
    ASSERT_EQ(requests.posted.size(), 1);
    EXPECT_EQ(requests.posted[0]->alias(), "slides");
    EXPECT_EQ(inMap("Work"), (QStringList{"report", "slides"}));

    ASSERT_TRUE(controller->saveAllBookmarkObjects());
    pane.reset();
    controller = std::make_unique<SearchHistoryController>();
    makePane();
    ASSERT_EQ(shownRows(model()), (QStringList{"Holiday", "Work"}));
    EXPECT_FALSE(outline()->isExpanded(at("Holiday")));
    EXPECT_TRUE(outline()->isExpanded(at("Work")));
    EXPECT_EQ(inMap("Holiday"), (QStringList{"beach", "boat", "hotel"}));
}

TEST_F(BookmarksPane, ABookmarkDraggedIntoAnotherMapHasThatMapChosenInItsWindow)
{
    ASSERT_TRUE(dragTo({"hotel"}, "Work", 0.5));
    choose({"hotel"});
    whenShown<SearchEditBookmarkWC>([](SearchEditBookmarkWC* w) {
        EXPECT_EQ(w->mapChooser()->popupBookmarkMap()->currentText(), "Work");
        w->btnSave()->click();
    });
    pane->menuWillOpen();
    pane->menuItemEdit()->trigger();
    EXPECT_EQ(inMap("Work"), (QStringList{"hotel", "report", "slides"}));
}

TEST_F(BookmarksPane, TheWindowsMakeMapsAndBookmarksAndAnEditedBookmarkShowsInItsNewMap)
{
    whenShown<SearchAddMapWC>([](SearchAddMapWC* w) {
        w->sfNewMap()->setStringValue(QStringLiteral("Films"));
        w->btnSubmit()->click();
    });
    pane->btnAddMap()->click();
    ASSERT_EQ(shownRows(model()), (QStringList{"Holiday", "Work", "Films"}));

    whenShown<SearchEditBookmarkWC>([](SearchEditBookmarkWC* w) {
        EXPECT_TRUE(w->newBookmark());
        w->fields()->sfAlias()->setStringValue(QStringLiteral("nature"));
        w->fields()->sfTitle()->setStringValue(QStringLiteral("nature documentary"));
        QComboBox* maps = w->mapChooser()->popupBookmarkMap();
        maps->setCurrentIndex(maps->findText(QStringLiteral("Films")));
        w->btnSave()->click();
    });
    pane->btnCreateBookmark()->click();
    EXPECT_EQ(inMap("Films"), QStringList{"nature"});

    // The edited bookmark moves to another, closed map, which opens.
    outline()->collapse(at("Work"));
    choose({"hotel"});
    whenShown<SearchEditBookmarkWC>([](SearchEditBookmarkWC* w) {
        EXPECT_EQ(w->fields()->sfAlias()->stringValue(), "hotel");
        QComboBox* maps = w->mapChooser()->popupBookmarkMap();
        EXPECT_EQ(maps->currentText(), "Holiday");
        maps->setCurrentIndex(maps->findText(QStringLiteral("Work")));
        w->btnSave()->click();
    });
    pane->btnEdit()->click();
    EXPECT_EQ(inMap("Holiday"), (QStringList{"beach", "boat"}));
    EXPECT_EQ(inMap("Work"), (QStringList{"report", "slides", "hotel"}));
    EXPECT_TRUE(outline()->isExpanded(at("Work")));

    // A map has no edit window.
    choose({"Work"});
    pane->editSelectedObject();
    EXPECT_EQ(inMap("Work"), (QStringList{"report", "slides", "hotel"}));
}

TEST_F(BookmarksPane, ButtonsAndMenuItemsFollowTheRowsTheyActOn)
{
    struct Case
    {
        const char* what;
        QStringList chosen;
        const char* clicked;
        // edit, delete buttons; launch, edit, delete, watchdog items
        QList<bool> buttons, items;
    } cases[] = {
        {"nothing", {}, nullptr, {false, false}, {false, false, false, false}},
        {"a map", {"Work"}, nullptr, {false, true}, {false, false, true, false}},
        {"a bookmark", {"boat"}, nullptr, {true, true}, {true, true, true, true}},
        {"two", {"boat", "report"}, nullptr, {false, true}, {false, false, true, false}},
        {"right-click outside two", {"boat", "report"}, "slides", {false, true}, {true, true, true, true}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        choose(c.chosen);
        pane->outlineViewSelectionDidChange();
        outline()->setClickedIndex(c.clicked ? at(QString::fromLatin1(c.clicked)) : QModelIndex());
        pane->menuWillOpen();
        EXPECT_EQ((QList<bool>{pane->btnEdit()->isEnabled(), pane->btnTrash()->isEnabled()}), c.buttons);
        EXPECT_TRUE(pane->btnCreateBookmark()->isEnabled());
        EXPECT_TRUE(pane->btnAddMap()->isEnabled());
        EXPECT_EQ((QList<bool>{pane->menuItemLaunch()->isEnabled(), pane->menuItemEdit()->isEnabled(),
                               pane->menuItemDelete()->isEnabled(), pane->menuItemMakeWatchdog()->isEnabled()}),
                  c.items);
        outline()->setClickedIndex({});
    }
}

// ---- the two panes on the search page

class SearchPageLeftPane : public SearchPageFixture
{
protected:
    void SetUp() override
    {
        ASSERT_NO_FATAL_FAILURE(SearchPageFixture::SetUp());
        makePage();
    }
    void makePage() { createPage(1300, 620); }
    SearchHistoryController* history() const { return page->searchHistoryController(); }
    void answerSearches(const QList<QByteArray>& titles)
    {
        QList<QByteArrayList> rows{{"INFO", QByteArray::number(titles.size()) + "|" +
                                                QByteArray::number(titles.size()) + "|0.14s|x|x|0|0"}};
        const qint64 now = QDateTime::currentSecsSinceEpoch();
        for (int i = 0; i < titles.size(); ++i) {
            DeepLookupSearchRecord r;
            r.qid = "Q" + QByteArray::number(i);
            r.fid = "F" + QByteArray::number(i);
            r.title = titles[i];
            r.totalfiles = "1";
            r.date = QByteArray::number(now - 3600 * (i + 1));
            r.bytes = QByteArray::number(350000000 + 12345678 * i);
            r.poster = "poster" + QByteArray::number(i) + "@example.invalid";
            r.groups = "alt.binaries.pictures.cars";
            rows << r.fields();
        }
        service.route("POST", DeepLookupSocket::kSearchPath.toLatin1(), HttpReply::text(HttpReply::tabLines(rows)));
    }
};

TEST_F(SearchPageLeftPane, ShowsHistoryOrBookmarksAndKeepsTheChoiceWhenHidden)
{
    const auto historyPane = [](const DeepLookupVC* p) -> QWidget* { return p->searchHistoryVC(); };
    const auto bookmarksPane = [](const DeepLookupVC* p) -> QWidget* { return p->searchBookmarksVC(); };
    const struct
    {
        qint64 tag;
        const char* title;
        std::function<QWidget*(const DeepLookupVC*)> pane;
        const char* historyImage;
        const char* bookmarksImage;
        qint64 current;
    } cases[] = {
        {1, "Search History", historyPane, "btns_search_leftpane_header_history_hi", "btns_search_leftpane_header_bookmarks", 1},
        {2, "Bookmarks", bookmarksPane, "btns_search_leftpane_header_history", "btns_search_leftpane_header_bookmarks_hi", 2},
        {7, "Bookmarks", bookmarksPane, "btns_search_leftpane_header_history", "btns_search_leftpane_header_bookmarks_hi", 2},
        {1, "Search History", historyPane, "btns_search_leftpane_header_history_hi", "btns_search_leftpane_header_bookmarks", 1},
    };
    const auto sameImage = [](const QPixmap& shown, const char* name) {
        return shown.toImage() == Artwork::pixmap(QString::fromLatin1(name)).toImage();
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.tag);
        page->changeLeftPaneViewController(c.tag);
        EXPECT_EQ(page->searchHistoryTitle()->text(), c.title);
        EXPECT_EQ(page->leftPaneVC(), c.pane(page.get()));
        EXPECT_TRUE(page->leftPaneVC()->isVisible());
        EXPECT_FALSE((c.current == 1 ? static_cast<QWidget*>(page->searchBookmarksVC())
                                     : static_cast<QWidget*>(page->searchHistoryVC()))->isVisible());
        EXPECT_EQ(page->currentLeftPaneVC(), c.current);
        EXPECT_TRUE(sameImage(page->btnSearchHistory()->image(), c.historyImage));
        EXPECT_TRUE(sameImage(page->btnSearchBookmarks()->image(), c.bookmarksImage));
        EXPECT_TRUE(sameImage(page->btnSearchHistory()->alternateImage(), "btns_search_leftpane_header_history_hi"));
        EXPECT_TRUE(sameImage(page->btnSearchBookmarks()->alternateImage(), "btns_search_leftpane_header_bookmarks_hi"));
        // Both panes use the page's one list owner.
        EXPECT_EQ(page->searchHistoryVC()->historyController(), history());
        EXPECT_EQ(page->searchBookmarksVC()->historyController(), history());
    }

    // The header button shows its pane; hiding the page keeps the choice for
    // the next page.
    QTest::mouseClick(page->btnSearchBookmarks(), Qt::LeftButton);
    EXPECT_EQ(page->currentLeftPaneVC(), 2);
    page->hide();
    makePage();
    EXPECT_EQ(page->currentLeftPaneVC(), 2);
    EXPECT_EQ(page->searchHistoryTitle()->text(), "Bookmarks");
    QTest::mouseClick(page->btnSearchHistory(), Qt::LeftButton);
    EXPECT_EQ(page->searchHistoryTitle()->text(), "Search History");
}

// Launching the fifth entry puts it on top at once; the finished search
// replaces it there.
TEST_F(SearchPageLeftPane, ALaunchedEntryStaysOnTopAsTheFinishedSearch)
{
    answerSearches({"Red Car [1/1] - \"red.car.rar\" yEnc"});
    SearchHistoryVC* pane = page->searchHistoryVC();
    for (const char* title : {"5", "4", "3", "2", "1", "0"}) pane->addSearchToHistory(search(QString::fromLatin1(title)));
    const DeepLookupObjectPtr fifth = history()->arraySearchHistory()[4];
    TableViewSearchHistory* table = pane->tableViewSearchHistory();
    table->selectRow(4);
    pane->menuWillOpen();
    pane->menuItemLaunch()->trigger();
    EXPECT_EQ(aliases(history()->arraySearchHistory()), (QStringList{"4", "0", "1", "2", "3", "5"}));
    EXPECT_EQ(page->searchFieldTitle()->stringValue(), "4");
    ASSERT_TRUE(waitUntil([&] { return idle(); }, 10000));
    ASSERT_EQ(service.requestsFor(DeepLookupSocket::kSearchPath.toLatin1()).size(), 1);
    EXPECT_EQ(aliases(history()->arraySearchHistory()), (QStringList{"4", "0", "1", "2", "3", "5"}));
    EXPECT_EQ(history()->arraySearchHistory()[0], page->currentDeepLookupObject());
    EXPECT_NE(history()->arraySearchHistory()[0], fifth);
    EXPECT_EQ(engine->deepLookupController()->dpcontentArray().size(), 1);
}

TEST_F(SearchPageLeftPane, LooksFinishedWithHistoryAndWithBookmarks)
{
    answerSearches({"Red Car Show 2024 [1/3] - \"show.part1.rar\" yEnc",
                    "Classic red cars - \"classics.zip\" yEnc",
                    "Red car wallpapers 4K - \"walls.7z\" yEnc",
                    "Car restoration guide - \"guide.pdf\" yEnc"});
    SearchHistoryVC* pane = page->searchHistoryVC();
    const auto add = [pane](const char* title, const char* ero, const char* poster, const char* group) {
        pane->addSearchToHistory(search(QString::fromUtf8(title), QString::fromLatin1(ero),
                                        QString::fromUtf8(poster), QString::fromUtf8(group)));
    };
    add("", "0", "", "alt.binaries.pictures.cars");
    add("vintage motorbikes", "0", "", "");
    add("", "0", "carfan@example.invalid", "");
    add("beach holiday 2023", "1", "", "");
    add("sports car wallpapers", "0", "", "");
    add("classic cars magazine", "0", "", "");
    page->searchFieldTitle()->setStringValue(QStringLiteral("red car"));
    page->searchButtonClicked();
    ASSERT_TRUE(waitUntil([&] { return idle(); }, 10000));
    pane->tableViewSearchHistory()->selectRow(2);
    page->activateWindow();
    pane->tableViewSearchHistory()->setFocus();
    spinEventLoop(200);
    saveScreenshot(page->grab().toImage(), "search-history-pane.png");

    // Two maps with a few bookmarks, one of them chosen.
    SearchHistoryController* c = history();
    const auto bookmark = [](const char* alias, const char* ero) {
        DeepLookupObjectPtr b = search(QString::fromUtf8(alias), QString::fromLatin1(ero));
        b->setAlias(QString::fromUtf8(alias));
        b->setIcontype(QString::fromLatin1(ero));
        b->setIsBookmark(true);
        return b;
    };
    const qint64 cars = c->createMap(QStringLiteral("Cars"));
    ASSERT_TRUE(c->insertBookmarkObjectsFromArray(
        {bookmark("red car", "0"), bookmark("vintage cars", "0"), bookmark("car manuals", "0")}, cars));
    const qint64 trips = c->createMap(QStringLiteral("Holidays"));
    ASSERT_TRUE(c->insertBookmarkObjectsFromArray({bookmark("beach 2023", "1"), bookmark("alps hiking", "0")}, trips));
    page->changeLeftPaneViewController(DeepLookupVC::kLeftPaneBookmarks);
    SearchBookmarksVC* bookmarks = page->searchBookmarksVC();
    bookmarks->outlineViewSearchBookmarks()->setCurrentIndex(
        bookmarks->bookmarksModel()->index(1, 0, bookmarks->bookmarksModel()->index(0, 0)));
    bookmarks->outlineViewSearchBookmarks()->setFocus();
    spinEventLoop(200);
    EXPECT_EQ(shownRows(bookmarks->bookmarksModel()), (QStringList{"Cars", "Holidays"}));
    saveScreenshot(page->grab().toImage(), "search-bookmarks-pane.png");
}

} // namespace
