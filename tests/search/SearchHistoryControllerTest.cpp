#include "search/SearchHistoryController.h"

#include "support/TempHome.h"

#include <gtest/gtest.h>

#include <QHash>

#include <deque>
#include <utility>

namespace {

DeepLookupObjectPtr query(const QString& alias, const QString& ero = QStringLiteral("0"))
{
    DeepLookupObjectPtr q = DeepLookupObject::create();
    q->setAlias(alias);
    q->setTitle(alias);
    q->setEro(ero);
    return q;
}

QStringList aliases(const QList<DeepLookupObjectPtr>& list)
{
    QStringList out;
    for (const DeepLookupObjectPtr& q : list)
        out.append(q->alias().value_or(QString()));
    return out;
}

// Every signal of the controller, in order, as "kind index".
class ChangeLog
{
public:
    explicit ChangeLog(SearchHistoryController& c)
    {
        QObject::connect(&c, &SearchHistoryController::historyInserted,
                         [this](qsizetype i) { add("insert", i); });
        QObject::connect(&c, &SearchHistoryController::historyRemoved,
                         [this](qsizetype i) { add("remove", i); });
        QObject::connect(&c, &SearchHistoryController::historyReplaced,
                         [this](qsizetype i) { add("replace", i); });
        QObject::connect(&c, &SearchHistoryController::historyMoved, [this](qsizetype from, qsizetype to) {
            events_.append(QStringLiteral("move %1 %2").arg(from).arg(to));
        });
        QObject::connect(&c, &SearchHistoryController::historyReset, [this] { add("reset", -1); });
        QObject::connect(&c, &SearchHistoryController::bookmarksReset, [this] { add("bookmarks", -1); });
    }
    QStringList take() { return std::exchange(events_, {}); }

private:
    void add(const char* kind, qsizetype i)
    {
        events_.append(i < 0 ? QString::fromLatin1(kind) : QStringLiteral("%1 %2").arg(kind).arg(i));
    }
    QStringList events_;
};

struct HistoryController : ::testing::Test
{
    TempHome home;
};

} // namespace

TEST_F(HistoryController, HistoryEditsAnnounceWhereTheListChanged)
{
    SearchHistoryController c;
    ChangeLog changes(c);
    const DeepLookupObjectPtr a = query("a"), b = query("b"), d = query("d");
    c.insertHistoryObject(a);
    c.insertHistoryObject(b);
    c.insertHistoryObject(query("c"));
    EXPECT_EQ(aliases(c.arraySearchHistory()), (QStringList{"c", "b", "a"}));
    EXPECT_EQ(changes.take(), (QStringList{"insert 0", "insert 0", "insert 0"}));

    c.replaceHistoryObjectAtIndex(1, d);
    c.replaceHistoryObjectAtIndex(3, query("out of range"));
    EXPECT_EQ(aliases(c.arraySearchHistory()), (QStringList{"c", "d", "a"}));
    EXPECT_EQ(changes.take(), QStringList{"replace 1"});

    // The very objects go, not equal ones.
    c.deleteHistoryObjectsInArray({a, query("c"), d});
    EXPECT_EQ(aliases(c.arraySearchHistory()), QStringList{"c"});
    EXPECT_EQ(changes.take(), (QStringList{"remove 2", "remove 1"}));

    c.replaceHistoryArrayWithArray({a, b});
    EXPECT_EQ(aliases(c.arraySearchHistory()), (QStringList{"a", "b"}));
    EXPECT_EQ(changes.take(), QStringList{"reset"});

    c.moveHistoryObject(0, 1);
    c.moveHistoryObject(1, 2);
    c.moveHistoryObject(-1, 0);
    EXPECT_EQ(aliases(c.arraySearchHistory()), (QStringList{"b", "a"}));
    EXPECT_EQ(changes.take(), QStringList{"move 0 1"});
    c.moveHistoryObject(1, 0);

    ASSERT_TRUE(c.saveAllHistoryObjects());
    SearchHistoryController reloaded;
    EXPECT_EQ(aliases(reloaded.arraySearchHistory()), (QStringList{"a", "b"}));
}

TEST_F(HistoryController, MapsAndBookmarksSurviveARestart)
{
    {
        SearchHistoryController c;
        const qint64 movies = c.createMap(QStringLiteral("Movies"));
        const qint64 books = c.createMap(QStringLiteral("Books"));
        EXPECT_NE(movies, books);
        EXPECT_TRUE(c.insertBookmarkObjectsFromArray({query("m1"), query("m2", "1")}, movies));
        EXPECT_TRUE(c.insertBookmarkObjectsFromArray({query("b1")}, books));
        ASSERT_TRUE(c.saveAllBookmarkObjects());
    }
    SearchHistoryController c;
    ASSERT_EQ(aliases(c.arraySearchBookmarks()), (QStringList{"Movies", "Books"}));
    EXPECT_EQ(c.getMapObjectWithID(1), c.arraySearchBookmarks()[0]);
    EXPECT_EQ(aliases(*c.getMapObjectWithID(1)->childs()), (QStringList{"m1", "m2"}));
    EXPECT_EQ(aliases(*c.getMapObjectWithID(2)->childs()), QStringList{"b1"});

    // A query that is another object with the same alias and content type
    // finds its bookmark, and gives it its last access date.
    DeepLookupObject asked;
    asked.setAlias(QStringLiteral("m2"));
    asked.setEro(QStringLiteral("1"));
    asked.setMapid(1);
    asked.setLastAccessDate(1700009999);
    const DeepLookupObjectPtr found = c.getBookmarkObjectForObject(asked);
    ASSERT_TRUE(found);
    EXPECT_EQ(found, c.getMapObjectWithID(1)->childs()->at(1));
    c.updateBookmarkObject(asked);
    EXPECT_EQ(found->lastAccessDate(), 1700009999);
    asked.setEro(QStringLiteral("0"));
    EXPECT_FALSE(c.getBookmarkObjectForObject(asked));
    asked.setEro(QStringLiteral("1"));
    asked.setMapid(2);
    EXPECT_FALSE(c.getBookmarkObjectForObject(asked));
}

// Reloaded maps carry 1, 2, ...: a new map never takes an id a map holds,
// whatever the random source draws.
TEST_F(HistoryController, ANewMapGetsAnIdNoMapHolds)
{
    {
        SearchHistoryController c;
        c.createMap(QStringLiteral("one"));
        c.createMap(QStringLiteral("two"));
        ASSERT_TRUE(c.saveAllBookmarkObjects());
    }
    SearchHistoryController c;
    auto draws = std::make_shared<std::deque<qint64>>(std::deque<qint64>{2, 1, 2, 77});
    c.setMapIDSource([draws] {
        const qint64 id = draws->front();
        draws->pop_front();
        return id;
    });
    const DeepLookupObjectPtr map = c.createMapObject(QStringLiteral("three"));
    EXPECT_EQ(map->mapid(), 77);
    EXPECT_TRUE(map->ismap());
    EXPECT_TRUE(map->isExpanded());
    EXPECT_EQ(map->icontype(), QStringLiteral("map"));
    ASSERT_TRUE(map->childs());
    EXPECT_TRUE(map->childs()->isEmpty());
    EXPECT_EQ(c.arraySearchBookmarks().size(), 2); // made, not added

    SearchHistoryController random;
    for (int i = 0; i < 50; ++i) {
        const qint64 id = random.createMap(QStringLiteral("m"));
        EXPECT_GE(id, 0);
        EXPECT_LE(id, SearchHistoryController::kMaxRandomMapID);
    }
}

// Turning history entries into bookmarks: they leave the history only once
// they are in a map.
TEST_F(HistoryController, EntriesLeaveOnlyOnceTheyLanded)
{
    SearchHistoryController c;
    ChangeLog changes(c);
    const DeepLookupObjectPtr h = query("h");
    c.insertHistoryObject(h);
    changes.take();

    EXPECT_FALSE(c.insertBookmarkObjectsFromArray({h}, 4242));
    EXPECT_TRUE(changes.take().isEmpty());
    EXPECT_TRUE(c.arraySearchBookmarks().isEmpty());

    const qint64 id = c.createMap(QStringLiteral("M"));
    EXPECT_EQ(changes.take(), QStringList{"bookmarks"});
    h->setMapid(id);
    h->setIsBookmark(true);
    if (c.insertBookmarkObjectsFromArray({h}, id)) c.deleteHistoryObjectsInArray({h});
    EXPECT_EQ(changes.take(), (QStringList{"bookmarks", "remove 0"}));
    EXPECT_EQ(aliases(*c.getMapObjectWithID(id)->childs()), QStringList{"h"});
    EXPECT_TRUE(c.arraySearchHistory().isEmpty());
}

TEST_F(HistoryController, MovingABookmarkNeverDropsIt)
{
    SearchHistoryController c;
    const qint64 from = c.createMap(QStringLiteral("from"));
    const qint64 to = c.createMap(QStringLiteral("to"));
    const DeepLookupObjectPtr a = query("a"), b = query("b");
    ASSERT_TRUE(c.insertBookmarkObjectsFromArray({a, b}, from));
    ChangeLog changes(c);

    EXPECT_TRUE(c.moveBookmarkObject(a, from, to));
    EXPECT_EQ(aliases(*c.getMapObjectWithID(from)->childs()), QStringList{"b"});
    EXPECT_EQ(aliases(*c.getMapObjectWithID(to)->childs()), QStringList{"a"});
    EXPECT_EQ(changes.take(), QStringList{"bookmarks"});

    // A target that does not exist, or a source that does not: nothing moves.
    EXPECT_FALSE(c.moveBookmarkObject(b, from, 4242));
    EXPECT_FALSE(c.moveBookmarkObject(b, 4242, to));
    EXPECT_EQ(aliases(*c.getMapObjectWithID(from)->childs()), QStringList{"b"});
    EXPECT_TRUE(changes.take().isEmpty());

    // Within its own map it goes to the end, once.
    ASSERT_TRUE(c.insertBookmarkObjectsFromArray({query("c")}, to));
    EXPECT_TRUE(c.moveBookmarkObject(a, to, to));
    EXPECT_EQ(aliases(*c.getMapObjectWithID(to)->childs()), (QStringList{"c", "a"}));

    // Maps removed as the objects they are.
    c.deleteBookmarkObjectsInArray({c.getMapObjectWithID(from)});
    EXPECT_EQ(aliases(c.arraySearchBookmarks()), QStringList{"to"});
}

// Bookmarks dragged into a map land there as one block in their order; the
// index counts the map's bookmarks as they stood before the move.
TEST_F(HistoryController, DraggedBookmarksLandAsOneBlockWhereTheyWereDropped)
{
    struct Case
    {
        const char* what;
        QStringList dragged;
        const char* target;
        qsizetype index;
        QStringList first, second;
    } cases[] = {
        {"onto the other map: first", {"a"}, "second", -1, {"b", "c", "d"}, {"a", "x", "y"}},
        {"one place down in its own map", {"a"}, "first", 2, {"b", "a", "c", "d"}, {"x", "y"}},
        {"to the end of its own map", {"b"}, "first", 4, {"a", "c", "d", "b"}, {"x", "y"}},
        {"two, kept in order, between others", {"a", "c"}, "second", 1, {"b", "d"}, {"x", "a", "c", "y"}},
        {"from both maps to the top of one", {"x", "d"}, "first", 0, {"x", "d", "a", "b", "c"}, {"y"}},
    };
    for (const Case& t : cases) {
        SCOPED_TRACE(t.what);
        SearchHistoryController c;
        const qint64 first = c.createMap(QStringLiteral("first"));
        const qint64 second = c.createMap(QStringLiteral("second"));
        QHash<QString, DeepLookupObjectPtr> byName;
        for (const char* name : {"a", "b", "c", "d", "x", "y"}) byName.insert(name, query(name));
        ASSERT_TRUE(c.insertBookmarkObjectsFromArray({byName["a"], byName["b"], byName["c"], byName["d"]}, first));
        ASSERT_TRUE(c.insertBookmarkObjectsFromArray({byName["x"], byName["y"]}, second));
        QList<DeepLookupObjectPtr> dragged;
        for (const QString& name : t.dragged) dragged << byName[name];
        const qint64 target = QLatin1String(t.target) == QLatin1String("first") ? first : second;
        ChangeLog changes(c);

        EXPECT_TRUE(c.moveBookmarkObjectsToMap(dragged, target, t.index));
        EXPECT_EQ(aliases(*c.getMapObjectWithID(first)->childs()), t.first);
        EXPECT_EQ(aliases(*c.getMapObjectWithID(second)->childs()), t.second);
        for (const DeepLookupObjectPtr& b : dragged) EXPECT_EQ(b->mapid(), target);
        EXPECT_EQ(changes.take(), QStringList{"bookmarks"});
    }
}

TEST_F(HistoryController, AMapOrAMissingMapStopsADragBeforeAnythingMoves)
{
    SearchHistoryController c;
    const qint64 first = c.createMap(QStringLiteral("first"));
    const qint64 second = c.createMap(QStringLiteral("second"));
    const DeepLookupObjectPtr a = query("a"), loose = query("loose");
    ASSERT_TRUE(c.insertBookmarkObjectsFromArray({a}, first));
    ChangeLog changes(c);

    EXPECT_FALSE(c.moveBookmarkObjectsToMap({a, c.getMapObjectWithID(second)}, first, 0));
    EXPECT_FALSE(c.moveBookmarkObjectsToMap({a}, 4242, 0));
    EXPECT_FALSE(c.moveBookmarkObjectsToMap({a, loose}, second, 0));
    EXPECT_FALSE(c.moveBookmarkObjectsToMap({}, second, 0));
    EXPECT_EQ(aliases(*c.getMapObjectWithID(first)->childs()), QStringList{"a"});
    EXPECT_TRUE(c.getMapObjectWithID(second)->childs()->isEmpty());
    EXPECT_EQ(a->mapid(), 0);
    EXPECT_TRUE(changes.take().isEmpty());
}

// A selection of a map and one of its bookmarks, plus a bookmark of another
// map: all go, the other map's remaining bookmark stays.
TEST_F(HistoryController, DeletingAMapWithOneOfItsBookmarksRemovesBoth)
{
    SearchHistoryController c;
    const qint64 first = c.createMap(QStringLiteral("first"));
    const qint64 second = c.createMap(QStringLiteral("second"));
    const DeepLookupObjectPtr a = query("a"), b = query("b"), x = query("x"), y = query("y");
    ASSERT_TRUE(c.insertBookmarkObjectsFromArray({a, b}, first));
    ASSERT_TRUE(c.insertBookmarkObjectsFromArray({x, y}, second));
    ChangeLog changes(c);

    c.deleteBookmarkObjectsInArray({c.getMapObjectWithID(first), a, x});
    EXPECT_EQ(aliases(c.arraySearchBookmarks()), QStringList{"second"});
    EXPECT_EQ(aliases(*c.getMapObjectWithID(second)->childs()), QStringList{"y"});
    EXPECT_EQ(changes.take(), QStringList{"bookmarks"});
    c.deleteBookmarkObjectsInArray({a});
    EXPECT_TRUE(changes.take().isEmpty());
}
