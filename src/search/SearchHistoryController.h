#pragma once

#include "search/DBDeepLookupBookmarks.h"
#include "search/DBDeepLookupHistory.h"
#include "search/DeepLookupObject.h"

#include <QList>
#include <QObject>
#include <QString>

#include <functional>
#include <memory>
#include <optional>

// The search page's two lists of queries: the search history, newest first,
// and the bookmarks, a list of maps (bookmark folders) that each hold their
// bookmarks in `childs`. Loads both from their stores when made, saves them
// when told, and offers the edits of the panes and windows.
//
// Every change of a list is announced after it happened, by a signal the
// panes' models follow: an insertion, a removal or a replacement at one
// index, or a reset when more than one place changed.
//
// Main thread.
class SearchHistoryController : public QObject
{
    Q_OBJECT
public:
    explicit SearchHistoryController(QObject* parent = nullptr);
    ~SearchHistoryController() override;

    const QList<DeepLookupObjectPtr>& arraySearchHistory() const { return arraySearchHistory_; }
    const QList<DeepLookupObjectPtr>& arraySearchBookmarks() const { return arraySearchBookmarks_; }
    DBDeepLookupHistory& dbHistory() { return *dbHistory_; }
    DBDeepLookupBookmarks& dbBookmarks() { return *dbBookmarks_; }

    // ---- Stores
    void loadAllHistoryObjects();
    void loadAllBookmarkObjects();
    // False when the store could not be written; it then keeps what it had.
    bool saveAllHistoryObjects();
    bool saveAllBookmarkObjects();

    // ---- History
    void insertHistoryObject(const DeepLookupObjectPtr& query);
    // Nothing for an index outside the list.
    void replaceHistoryObjectAtIndex(qsizetype index, const DeepLookupObjectPtr& query);
    void replaceHistoryArrayWithArray(const QList<DeepLookupObjectPtr>& list);
    // Removes these very objects (not equal ones).
    void deleteHistoryObjectsInArray(const QList<DeepLookupObjectPtr>& list);
    // Takes the entry at `from` out and puts it at `to` (an index of the
    // list without it). Nothing for an index outside the list.
    void moveHistoryObject(qsizetype from, qsizetype to);

    // ---- Bookmarks
    // The bookmark found by getBookmarkObjectForObject() takes the query's
    // last access date; nothing when there is none.
    void updateBookmarkObject(const DeepLookupObject& query);
    // In the map of the query's `mapid`, the first bookmark with the query's
    // alias and content type (compared as texts).
    DeepLookupObjectPtr getBookmarkObjectForObject(const DeepLookupObject& query) const;
    DeepLookupObjectPtr getMapObjectWithID(qint64 mapid) const;
    // A new map (not yet in the list) whose id no map of the list holds.
    DeepLookupObjectPtr createMapObject(const QString& alias) const;
    // createMapObject() appended to the list; answers its id.
    qint64 createMap(const QString& alias);
    void addObjectToBookmarkArray(const DeepLookupObjectPtr& map);
    // Removes these very objects: maps from the list (with their
    // bookmarks), bookmarks from their maps. A selection holding a map and
    // one of its bookmarks removes both.
    void deleteBookmarkObjectsInArray(const QList<DeepLookupObjectPtr>& list);
    // Appends the bookmarks to the map with that id (their own `mapid` is
    // the caller's). Answers whether the map exists; without it nothing
    // changes, so a caller moving entries here removes them from where they
    // were only when this answered true.
    bool insertBookmarkObjectsFromArray(const QList<DeepLookupObjectPtr>& list, qint64 mapid);
    // Moves the bookmark from one map to another. Nothing changes unless
    // both maps exist (a bookmark is never dropped on the way); answers
    // whether it moved.
    bool moveBookmarkObject(const DeepLookupObjectPtr& bookmark, qint64 fromMap, qint64 toMap);
    // Moves the bookmarks, as one block in their order, into the map with
    // that id at `index` of its bookmarks as they stand before the move
    // (negative: first; beyond the end: last), each taking the map's id.
    // Nothing changes when the map is missing or the list holds a map or
    // an object that is in no map; answers whether they moved.
    bool moveBookmarkObjectsToMap(const QList<DeepLookupObjectPtr>& bookmarks, qint64 mapid, qsizetype index);
    // The map holding this very bookmark, or null.
    DeepLookupObjectPtr getMapObjectHolding(const DeepLookupObjectPtr& bookmark) const;

    // Where new map ids come from: uniformly from 0 to 9999998 unless a test
    // sets its own source.
    static constexpr qint64 kMaxRandomMapID = 9999998;
    void setMapIDSource(std::function<qint64()> source) { mapIDSource_ = std::move(source); }

signals:
    void historyInserted(qsizetype index);
    void historyRemoved(qsizetype index);
    void historyReplaced(qsizetype index);
    void historyMoved(qsizetype from, qsizetype to);
    void historyReset();
    void bookmarksReset();

private:
    std::unique_ptr<DBDeepLookupHistory> dbHistory_;
    std::unique_ptr<DBDeepLookupBookmarks> dbBookmarks_;
    QList<DeepLookupObjectPtr> arraySearchHistory_;
    QList<DeepLookupObjectPtr> arraySearchBookmarks_;
    std::function<qint64()> mapIDSource_;
};
