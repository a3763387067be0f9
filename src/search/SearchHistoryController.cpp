#include "search/SearchHistoryController.h"

#include <QRandomGenerator>

#include <algorithm>

SearchHistoryController::SearchHistoryController(QObject* parent)
    : QObject(parent), dbHistory_(std::make_unique<DBDeepLookupHistory>()),
      dbBookmarks_(std::make_unique<DBDeepLookupBookmarks>()),
      mapIDSource_([] { return QRandomGenerator::global()->bounded(qint64(0), kMaxRandomMapID + 1); })
{
    loadAllHistoryObjects();
    loadAllBookmarkObjects();
}

SearchHistoryController::~SearchHistoryController() = default;

// ---- Stores

void SearchHistoryController::loadAllHistoryObjects()
{
    arraySearchHistory_ = dbHistory_->loadAllObjects();
    emit historyReset();
}

void SearchHistoryController::loadAllBookmarkObjects()
{
    arraySearchBookmarks_ = dbBookmarks_->loadAllObjects();
    emit bookmarksReset();
}

bool SearchHistoryController::saveAllHistoryObjects()
{
    return dbHistory_->saveAllObjects(arraySearchHistory_);
}

bool SearchHistoryController::saveAllBookmarkObjects()
{
    return dbBookmarks_->saveAllObjects(arraySearchBookmarks_);
}

// ---- History

void SearchHistoryController::insertHistoryObject(const DeepLookupObjectPtr& query)
{
    if (!query) return;
    arraySearchHistory_.prepend(query);
    emit historyInserted(0);
}

void SearchHistoryController::replaceHistoryObjectAtIndex(qsizetype index, const DeepLookupObjectPtr& query)
{
    if (!query || index < 0 || index >= arraySearchHistory_.size()) return;
    arraySearchHistory_[index] = query;
    emit historyReplaced(index);
}

void SearchHistoryController::replaceHistoryArrayWithArray(const QList<DeepLookupObjectPtr>& list)
{
    arraySearchHistory_ = list;
    arraySearchHistory_.removeAll(nullptr);
    emit historyReset();
}

void SearchHistoryController::deleteHistoryObjectsInArray(const QList<DeepLookupObjectPtr>& list)
{
    // From the end, so that every announced index is still the entry's own.
    for (qsizetype i = arraySearchHistory_.size() - 1; i >= 0; --i) {
        if (!list.contains(arraySearchHistory_[i])) continue;
        arraySearchHistory_.removeAt(i);
        emit historyRemoved(i);
    }
}

void SearchHistoryController::moveHistoryObject(qsizetype from, qsizetype to)
{
    const qsizetype n = arraySearchHistory_.size();
    if (from < 0 || from >= n || to < 0 || to >= n || from == to) return;
    arraySearchHistory_.move(from, to);
    emit historyMoved(from, to);
}

// ---- Bookmarks

void SearchHistoryController::updateBookmarkObject(const DeepLookupObject& query)
{
    if (const DeepLookupObjectPtr bookmark = getBookmarkObjectForObject(query))
        bookmark->setLastAccessDate(query.lastAccessDate());
}

DeepLookupObjectPtr SearchHistoryController::getBookmarkObjectForObject(const DeepLookupObject& query) const
{
    const DeepLookupObjectPtr map = getMapObjectWithID(query.mapid());
    if (!map || !map->childs()) return nullptr;
    for (const DeepLookupObjectPtr& bookmark : *map->childs()) {
        if (bookmark && bookmark->alias() == query.alias() && bookmark->ero() == query.ero()) return bookmark;
    }
    return nullptr;
}

DeepLookupObjectPtr SearchHistoryController::getMapObjectWithID(qint64 mapid) const
{
    for (const DeepLookupObjectPtr& map : arraySearchBookmarks_) {
        if (map && map->mapid() == mapid) return map;
    }
    return nullptr;
}

DeepLookupObjectPtr SearchHistoryController::createMapObject(const QString& alias) const
{
    DeepLookupObjectPtr map = DeepLookupObject::create();
    map->setIsmap(true);
    map->setIsExpanded(true);
    map->setIcontype(QStringLiteral("map"));
    // Reloaded maps are numbered 1, 2, 3, ...: a drawn id may be one of
    // them, and two maps of one id would share their bookmarks.
    qint64 id = mapIDSource_();
    while (getMapObjectWithID(id))
        id = mapIDSource_();
    map->setMapid(id);
    map->setAlias(alias.isNull() ? QStringLiteral("") : alias);
    map->setChilds(QList<DeepLookupObjectPtr>());
    return map;
}

qint64 SearchHistoryController::createMap(const QString& alias)
{
    const DeepLookupObjectPtr map = createMapObject(alias);
    addObjectToBookmarkArray(map);
    return map->mapid();
}

void SearchHistoryController::addObjectToBookmarkArray(const DeepLookupObjectPtr& map)
{
    if (!map) return;
    arraySearchBookmarks_.append(map);
    emit bookmarksReset();
}

void SearchHistoryController::deleteBookmarkObjectsInArray(const QList<DeepLookupObjectPtr>& list)
{
    qsizetype removed =
        arraySearchBookmarks_.removeIf([&](const DeepLookupObjectPtr& map) { return list.contains(map); });
    for (const DeepLookupObjectPtr& map : arraySearchBookmarks_)
        if (map && map->childs())
            removed += map->childs()->removeIf([&](const DeepLookupObjectPtr& b) { return list.contains(b); });
    if (removed > 0) emit bookmarksReset();
}

bool SearchHistoryController::insertBookmarkObjectsFromArray(const QList<DeepLookupObjectPtr>& list,
                                                             qint64 mapid)
{
    const DeepLookupObjectPtr map = getMapObjectWithID(mapid);
    if (!map) return false;
    if (!map->childs()) map->setChilds(QList<DeepLookupObjectPtr>());
    for (const DeepLookupObjectPtr& bookmark : list) {
        if (bookmark) map->childs()->append(bookmark);
    }
    emit bookmarksReset();
    return true;
}

bool SearchHistoryController::moveBookmarkObject(const DeepLookupObjectPtr& bookmark, qint64 fromMap,
                                                 qint64 toMap)
{
    const DeepLookupObjectPtr source = getMapObjectWithID(fromMap);
    const DeepLookupObjectPtr target = getMapObjectWithID(toMap);
    if (!bookmark || !source || !target) return false;
    // Taken out first: a move within one map puts the bookmark at the end
    // instead of removing both of its places.
    if (source->childs()) source->childs()->removeAll(bookmark);
    if (!target->childs()) target->setChilds(QList<DeepLookupObjectPtr>());
    target->childs()->append(bookmark);
    emit bookmarksReset();
    return true;
}

DeepLookupObjectPtr SearchHistoryController::getMapObjectHolding(const DeepLookupObjectPtr& bookmark) const
{
    if (!bookmark) return nullptr;
    for (const DeepLookupObjectPtr& map : arraySearchBookmarks_)
        if (map && map->childs() && map->childs()->contains(bookmark)) return map;
    return nullptr;
}

bool SearchHistoryController::moveBookmarkObjectsToMap(const QList<DeepLookupObjectPtr>& bookmarks, qint64 mapid,
                                                       qsizetype index)
{
    const DeepLookupObjectPtr target = getMapObjectWithID(mapid);
    if (!target || bookmarks.isEmpty()) return false;
    QList<DeepLookupObjectPtr> sources;
    for (const DeepLookupObjectPtr& bookmark : bookmarks) {
        const DeepLookupObjectPtr source = bookmark && !bookmark->ismap() ? getMapObjectHolding(bookmark) : nullptr;
        if (!source) return false;
        sources.append(source);
    }
    if (!target->childs()) target->setChilds(QList<DeepLookupObjectPtr>());
    QList<DeepLookupObjectPtr>& childs = *target->childs();
    qsizetype at = std::clamp<qsizetype>(index, 0, childs.size());
    // From the last to the first, each inserted at the same place, so the
    // block keeps its order; one taken from above that place moves it up.
    for (qsizetype k = bookmarks.size() - 1; k >= 0; --k) {
        const DeepLookupObjectPtr& bookmark = bookmarks[k];
        QList<DeepLookupObjectPtr>& from = *sources[k]->childs();
        const qsizetype j = from.indexOf(bookmark);
        if (j < 0) continue; // named twice in the list
        if (sources[k] == target && at > j) --at;
        from.removeAt(j);
        childs.insert(std::min(at, childs.size()), bookmark);
        bookmark->setMapid(target->mapid());
    }
    emit bookmarksReset();
    return true;
}
