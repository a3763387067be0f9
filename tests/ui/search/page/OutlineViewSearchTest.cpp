#include "ui/search/page/OutlineViewSearch.h"
#include "ui/search/page/OutlineViewSearchModel.h"
#include "ui/search/page/SearchKeywordHighlighter.h"
#include "ui/search/panes/SearchHistoryContentImage.h"

#include "controls/Artwork.h"
#include "platform/NotificationHub.h"
#include "platform/UserDefaults.h"
#include "search/DeepLookupController.h"

#include "support/EventLoop.h"
#include "support/TempHome.h"

#include <gtest/gtest.h>

#include <QHeaderView>
#include <QPainter>
#include <QTest>

namespace {

QueuePtr result(const QString& title, qint64 qidnr, qint64 files = 1)
{
    const QueuePtr q = Queue::create();
    q->setTitle(title);
    q->setQidnr(qidnr);
    q->setTotalfiles(files);
    return q;
}

QueuePtr part(const QueuePtr& root, qint64 qidnr, const QString& title = QString())
{
    const QueuePtr p = Queue::create();
    p->setIsFilepart(true);
    p->setQueue(root);
    p->setQidnr(qidnr);
    p->setTitle(title);
    root->appendFilepart(p);
    return p;
}

// The lookup as a walk over the results, each followed by its parts.
QueuePtr walk(const QList<QueuePtr>& results, qint64 qidnr)
{
    QueuePtr answer;
    for (const QueuePtr& r : results) {
        const bool rootHit = r->qidnr() == qidnr;
        if (rootHit) answer = r;
        for (const QueuePtr& p : r->fileparts())
            if (p->qidnr() == qidnr) {
                answer = p;
                break;
            }
        if (rootHit) break;
    }
    return answer;
}

TEST(SearchKeywordHighlighter, StoresTheWordsOfATitleAsALiteralPattern)
{
    const struct
    {
        const char* title;
        const char* pattern;
    } cases[] = {
        {"big  red car", "big|red|car"},
        {"  big\tred   car ", "big|red|car"},
        {"", ""},
        {"   ", ""},
        {"1.5", "1\\.5"},
        {"c++(", "c\\+\\+\\("},
    };
    for (const auto& c : cases)
        EXPECT_EQ(SearchKeywordHighlighter::patternForTitle(QString::fromUtf8(c.title)), QString::fromUtf8(c.pattern))
            << c.title;
}

TEST(SearchKeywordHighlighter, MarksTheWordsInAnyCaseAtMostAHundredTimes)
{
    SearchKeywordHighlighter h;
    using Ranges = QList<QPair<int, int>>;
    const auto pattern = [](const char* title) { return SearchKeywordHighlighter::patternForTitle(title); };
    EXPECT_EQ(h.matches("A BIG Red house", pattern("big red")), Ranges({{2, 3}, {6, 3}}));
    EXPECT_EQ(h.matches("version 1x5", pattern("1.5")), Ranges());
    EXPECT_EQ(h.matches("version 1.5", pattern("1.5")), Ranges({{8, 3}}));
    EXPECT_EQ(h.matches("learn c++( fast", pattern("c++(")), Ranges({{6, 4}}));
    EXPECT_EQ(h.matches(QString("ab ").repeated(150), pattern("ab")).size(), 100);
    EXPECT_EQ(h.matches("anything", QString()), Ranges());
    // A pattern stored by hand that does not compile marks nothing.
    EXPECT_EQ(h.matches("a (b", "(b"), Ranges());
}

TEST(SearchHistoryContentImage, GivesTheImageOfAContentType)
{
    const SearchHistoryContentImage t;
    EXPECT_EQ(t.transformedValue(QVariant()).toString(), "img_searchhistory_id_gen");
    EXPECT_FALSE(t.transformedValue(QString("map")).isValid());
    EXPECT_EQ(t.transformedValue(QString("1")).toString(), "img_searchhistory_id_ero");
    EXPECT_EQ(t.transformedValue(QString("0")).toString(), "img_searchhistory_id_gen");
    EXPECT_EQ(t.transformedValue(true).toString(), "img_searchhistory_id_ero");
    EXPECT_EQ(t.transformedValue(QString("other")).toString(), "img_searchhistory_id_gen");
}

class ResultTree : public ::testing::Test
{
protected:
    TempHome home;
    DeepLookupController client;
    OutlineViewSearch tree;
    OutlineViewSearchModel* model = tree.resultsModel();

    void SetUp() override { tree.setDeepLookupController(&client); }
};

TEST_F(ResultTree, ShowsResultsAndTheirFilesOnTwoLevels)
{
    const QueuePtr one = result("one file", 1, 1), many = result("many files", 2, 3);
    part(one, 10);
    const QueuePtr a = part(many, 20, "a"), b = part(many, 21, "b");
    tree.setResults({one, many});
    ASSERT_EQ(model->rowCount(), 2);
    EXPECT_EQ(model->columnCount(), 8);
    const QModelIndex oneIdx = model->indexOf(one), manyIdx = model->indexOf(many);
    // A one-file result has no children in the tree; from two files on it opens.
    EXPECT_FALSE(model->hasChildren(oneIdx));
    EXPECT_EQ(model->rowCount(oneIdx), 0);
    EXPECT_TRUE(model->hasChildren(manyIdx));
    ASSERT_EQ(model->rowCount(manyIdx), 2);
    EXPECT_EQ(model->itemAt(model->index(1, 0, manyIdx)), b);
    EXPECT_EQ(model->parent(model->indexOf(a)), manyIdx);
    // Parts show their result's poster and groups.
    many->setPoster("someone");
    many->setDpGroupsTextField("a.b.test");
    EXPECT_EQ(model->indexOf(a, OutlineViewSearchModel::PosterColumn).data().toString(), "someone");
    EXPECT_EQ(model->indexOf(a, OutlineViewSearchModel::GroupsColumn).data().toString(), "a.b.test");
    // The size text is made once and kept on the item.
    many->setBytes(2048);
    const QString shown = model->indexOf(many, OutlineViewSearchModel::SizeColumn).data().toString();
    EXPECT_EQ(shown, many->totalBytesTextField());
    EXPECT_FALSE(many->totalBytesTextField().isEmpty());
}

// Results with files open and close with the program's own disclosure
// buttons, as the other outlines do; a one-file result has none.
TEST_F(ResultTree, DisclosureButtonsAreTheProgramsRowImages)
{
    const QueuePtr one = result("one file", 1, 1), open = result("open", 2, 2), closed = result("closed", 3, 2);
    part(one, 10);
    part(open, 20, "a");
    part(open, 21, "b");
    part(closed, 30, "c");
    part(closed, 31, "d");
    tree.setResults({one, open, closed});
    tree.resize(700, 300);
    tree.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&tree));
    tree.expand(model->indexOf(open));
    tree.clearSelection();
    QTest::mouseMove(tree.viewport(), QPoint(690, 290)); // no row under the mouse
    spinEventLoop(50);
    const QImage shot = tree.viewport()->grab().toImage().convertToFormat(QImage::Format_ARGB32);
    // Whether the row of `item` shows `art` (its opaque pixels) centred in
    // the item's own disclosure column, before the tree column's text.
    const auto shows = [&](const QueuePtr& item, const char* art) {
        const QRect r = tree.visualRect(model->indexOf(item, tree.treePosition()));
        const QRect own(r.left() - tree.indentation(), r.top(), tree.indentation(), r.height());
        const QImage image = Artwork::pixmap(QLatin1String(art)).toImage().convertToFormat(QImage::Format_ARGB32);
        const QSize size = image.deviceIndependentSize().toSize();
        const QPoint origin = (own.center() - QPoint(size.width() / 2, size.height() / 2)) * shot.devicePixelRatio();
        int opaque = 0;
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x) {
                if (qAlpha(image.pixel(x, y)) != 255) continue;
                ++opaque;
                if (shot.pixel(origin + QPoint(x, y)) != image.pixel(x, y)) return false;
            }
        return opaque > 0;
    };
    EXPECT_TRUE(shows(open, "row_expanded"));
    EXPECT_TRUE(shows(closed, "row_collapsed"));
    EXPECT_FALSE(shows(closed, "row_expanded"));
    EXPECT_FALSE(shows(one, "row_collapsed")) << "a one-file result has no button";
    EXPECT_FALSE(shows(one, "row_expanded"));
}

TEST_F(ResultTree, MarksNewPasswordedAndJunkRows)
{
    const QueuePtr plain = result("plain", 1), fresh = result("new", 2), pwd = result("pwd", 3),
                   junk = result("junk", 4), both = result("both", 5);
    fresh->setIsNew(true);
    pwd->setHasPassword(true);
    junk->setIsJunk(true);
    both->setHasPassword(true);
    both->setIsJunk(true);
    tree.setResults({plain, fresh, pwd, junk, both});
    const auto tip = [&](const QueuePtr& q, int column) {
        return model->indexOf(q, column).data(Qt::ToolTipRole).toString();
    };
    EXPECT_EQ(tip(fresh, OutlineViewSearchModel::NewOldColumn), "New article");
    EXPECT_EQ(tip(plain, OutlineViewSearchModel::NewOldColumn), "");
    EXPECT_EQ(tip(pwd, OutlineViewSearchModel::PasswordColumn), "Password protected");
    EXPECT_EQ(tip(junk, OutlineViewSearchModel::PasswordColumn), "Marked as spam (or RAR-in-RAR)");
    EXPECT_EQ(tip(both, OutlineViewSearchModel::PasswordColumn), "Password protected");
    EXPECT_FALSE(model->indexOf(plain, OutlineViewSearchModel::PasswordColumn).data(Qt::DecorationRole).isValid());
}

TEST_F(ResultTree, FindsItemsByNumberAsTheWalkWould)
{
    // Numbers shared between results and parts, in every arrangement the
    // walk tells apart.
    const QueuePtr r1 = result("r1", 1, 3), r2 = result("r2", 2, 3), r3 = result("r3", 7, 3), r4 = result("r4", 2, 3);
    part(r1, 5);
    part(r1, 5);
    part(r1, 6);
    part(r2, 6);
    part(r2, 2);
    part(r3, 5);
    part(r3, 9);
    part(r4, 9);
    tree.setResults({r1, r2, r3, r4});
    for (qint64 n : {1, 2, 5, 6, 7, 9, 42})
        EXPECT_EQ(tree.getObjectForQidnr(n), walk(client.dpcontentArray(), n)) << n;
    // A part that arrives later is found once the row is shown again.
    const QueuePtr late = part(r4, 77);
    tree.reloadItem(r4);
    EXPECT_EQ(tree.getObjectForQidnr(77), late);
}

TEST_F(ResultTree, SortsResultsByAColumnKeepingTheirPartsInOrder)
{
    const QueuePtr b = result("beta", 1, 3), a = result("Alpha", 2, 2), c = result("charlie", 3, 1);
    b->setBytes(10);
    a->setBytes(30);
    c->setBytes(20);
    b->setStatus(3);
    a->setStatus(1);
    c->setStatus(2);
    const QueuePtr z = part(b, 11, "z"), y = part(b, 12, "y");
    tree.setResults({b, a, c});
    const auto titles = [&] {
        QStringList t;
        for (const QueuePtr& q : client.dpcontentArray()) t << q->title();
        return t;
    };
    const struct
    {
        int column;
        Qt::SortOrder order;
        QStringList expected;
        const char* stored;
    } cases[] = {
        {OutlineViewSearchModel::SubjectColumn, Qt::AscendingOrder, {"Alpha", "beta", "charlie"}, "title ascending"},
        {OutlineViewSearchModel::SizeColumn, Qt::DescendingOrder, {"Alpha", "charlie", "beta"}, "bytes descending"},
        {OutlineViewSearchModel::StatusColumn, Qt::AscendingOrder, {"Alpha", "charlie", "beta"}, "status ascending"},
    };
    for (const auto& c : cases) {
        tree.header()->setSortIndicator(c.column, c.order);
        tree.sortData(); // as the page does after filling the results
        EXPECT_EQ(titles(), c.expected) << c.stored;
        EXPECT_EQ(b->fileparts(), QList<QueuePtr>({z, y}));
        EXPECT_EQ(UserDefaults::standard().stringForKey("deeplookupSortDescriptor"), c.stored);
    }
    // A new tree starts with the sort last used; a stored text it cannot
    // read gives the sort by title.
    EXPECT_EQ(OutlineViewSearch().header()->sortIndicatorSection(), int(OutlineViewSearchModel::StatusColumn));
    UserDefaults::standard().setString("garbage", "deeplookupSortDescriptor");
    OutlineViewSearch fresh;
    EXPECT_EQ(fresh.header()->sortIndicatorSection(), int(OutlineViewSearchModel::SubjectColumn));
    EXPECT_EQ(fresh.header()->sortIndicatorOrder(), Qt::AscendingOrder);
}

TEST_F(ResultTree, KeepsItsColumnLayoutBetweenRuns)
{
    tree.header()->resizeSection(OutlineViewSearchModel::PosterColumn, 222);
    EXPECT_FALSE(UserDefaults::standard().stringForKey("OutlineViewDeepLookup_v2").isEmpty());
    OutlineViewSearch next;
    EXPECT_EQ(next.header()->sectionSize(OutlineViewSearchModel::PosterColumn), 222);
}

TEST_F(ResultTree, ShowsWhatTheEngineChangedWithinATenthOfASecond)
{
    const QueuePtr r = result("r", 1);
    tree.resize(800, 300);
    tree.show();
    tree.setResults({r});
    QList<int> changedRows;
    QObject::connect(model, &QAbstractItemModel::dataChanged, model,
                     [&](const QModelIndex& from) { changedRows << from.row(); });
    ASSERT_TRUE(waitUntil([&] { return model->poller().changedRowReports() > 0; }, 2000));
    changedRows.clear();
    r->setDpStatusTextField("Downloading");
    EXPECT_TRUE(waitUntil([&] { return !changedRows.isEmpty(); }, 2000));
}

} // namespace

namespace {

TEST_F(ResultTree, ControlDTicksEverySelectedRowAndThePasswordMarkerAsksForTheSheet)
{
    const QueuePtr a = result("a", 1, 3), b = result("b", 2, 1);
    const QueuePtr p = part(a, 3, "a part");
    b->setHasPassword(true);
    tree.setResults({a, b});
    tree.resize(900, 300);
    tree.show();
    tree.expand(model->indexOf(a));
    for (const QueuePtr& q : {p, b})
        tree.selectionModel()->select(model->indexOf(q), QItemSelectionModel::Select | QItemSelectionModel::Rows);
    QTest::keyClick(&tree, Qt::Key_D, Qt::ControlModifier | Qt::ShiftModifier);
    EXPECT_EQ(b->checkbox(), 0);
    QTest::keyClick(&tree, Qt::Key_D, Qt::ControlModifier);
    EXPECT_EQ(p->checkbox(), 1);
    EXPECT_EQ(b->checkbox(), 1);
    EXPECT_EQ(a->checkbox(), 0);

    QObject owner;
    QList<QueuePtr> asked;
    NotificationHub::defaultCenter().addObserver("ShowPasswordSheetForQueueArray", &owner, [&](const Notification& n) {
        asked = n.userInfo.value("queuearray").value<QList<QueuePtr>>();
    });
    const QRect marker = tree.visualRect(model->indexOf(b, OutlineViewSearchModel::PasswordColumn));
    QTest::mouseClick(tree.viewport(), Qt::LeftButton, {}, marker.center());
    EXPECT_EQ(asked, QList<QueuePtr>({b}));
    asked.clear();
    QTest::mouseClick(tree.viewport(), Qt::LeftButton, {},
                      tree.visualRect(model->indexOf(a, OutlineViewSearchModel::PasswordColumn)).center());
    EXPECT_TRUE(asked.isEmpty());
}

TEST_F(ResultTree, DarkensTheRowUnderTheMouseOnlyWhileHoveringIsOn)
{
    const QueuePtr a = result("a", 1), b = result("b", 2);
    tree.setResults({a, b});
    tree.resize(600, 200);
    tree.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&tree));
    // A point of the row where no text or image is drawn.
    const QPoint overA = tree.visualRect(model->indexOf(a, OutlineViewSearchModel::PasswordColumn)).center();
    const auto pixelA = [&] { return tree.viewport()->grab().toImage().pixelColor(overA); };
    QTest::mouseMove(tree.viewport(), overA);
    const QColor off = pixelA();
    UserDefaults::standard().setBool(true, "enableDPRowHover");
    NotificationHub::defaultCenter().post("EnableDPRowHoverChangeNotification", nullptr, {});
    QTest::mouseMove(tree.viewport(), overA + QPoint(1, 0));
    const QColor on = pixelA();
    EXPECT_LT(on.lightness(), off.lightness());
    QTest::mouseMove(tree.viewport(),
                     tree.visualRect(model->indexOf(b, OutlineViewSearchModel::PasswordColumn)).center());
    EXPECT_EQ(pixelA(), off);
}

} // namespace
