#pragma once

#include <QList>
#include <QMetaType>
#include <QString>

#include <memory>
#include <optional>

class DeepLookupObject;
using DeepLookupObjectPtr = std::shared_ptr<DeepLookupObject>;

// One search of the DeepLookup service: the query the search page sends, a
// search-history entry, a bookmark, a bookmark folder (a "map" holding
// bookmarks) or the saved query of a Watchdog entry. A plain record, used on
// the main thread.
//
// The query values are kept as the texts the user typed and are sent as they
// stand, never converted to numbers here. A text is either absent (nothing is
// sent for it) or present, possibly empty (an empty field is still sent).
class DeepLookupObject
{
public:
    DeepLookupObject() = default;

    static DeepLookupObjectPtr create() { return std::make_shared<DeepLookupObject>(); }

    // ---- The query as sent
    // The search words ("query").
    const std::optional<QString>& title() const { return title_; }
    void setTitle(const std::optional<QString>& value) { title_ = value; }
    const std::optional<QString>& group() const { return group_; }
    void setGroup(const std::optional<QString>& value) { group_ = value; }
    const std::optional<QString>& poster() const { return poster_; }
    void setPoster(const std::optional<QString>& value) { poster_ = value; }
    const std::optional<QString>& minsize() const { return minsize_; }
    void setMinsize(const std::optional<QString>& value) { minsize_ = value; }
    const std::optional<QString>& maxsize() const { return maxsize_; }
    void setMaxsize(const std::optional<QString>& value) { maxsize_ = value; }
    // The tag of the content entry chosen on the search page, as decimal text.
    const std::optional<QString>& ero() const { return ero_; }
    void setEro(const std::optional<QString>& value) { ero_ = value; }
    // The tag of the days-back entry, as decimal text.
    const std::optional<QString>& startdate() const { return startdate_; }
    void setStartdate(const std::optional<QString>& value) { startdate_ = value; }
    // The page marker of the previous page's reply; absent on the first page.
    const std::optional<QString>& enddate() const { return enddate_; }
    void setEnddate(const std::optional<QString>& value) { enddate_ = value; }
    // Page number times results per page, and results per page.
    const std::optional<QString>& offset() const { return offset_; }
    void setOffset(const std::optional<QString>& value) { offset_ = value; }
    const std::optional<QString>& limit() const { return limit_; }
    void setLimit(const std::optional<QString>& value) { limit_ = value; }
    bool searchInFilenames() const { return searchInFilenames_; }
    void setSearchInFilenames(bool value) { searchInFilenames_ = value; }

    // ---- History, bookmarks and folders
    // The user's name for the entry.
    const std::optional<QString>& alias() const { return alias_; }
    void setAlias(const std::optional<QString>& value) { alias_ = value; }
    // The entry's `ero` text, or "map" for a bookmark folder.
    const std::optional<QString>& icontype() const { return icontype_; }
    void setIcontype(const std::optional<QString>& value) { icontype_ = value; }
    // The newest result date this query has shown, seconds since 1970.
    qint64 lastAccessDate() const { return lastAccessDate_; }
    void setLastAccessDate(qint64 value) { lastAccessDate_ = value; }
    // The `lastAccessDate` before the current search: later results are new.
    qint64 previousAccessDate() const { return previousAccessDate_; }
    void setPreviousAccessDate(qint64 value) { previousAccessDate_ = value; }
    // The bookmark folder the entry belongs to.
    qint64 mapid() const { return mapid_; }
    void setMapid(qint64 value) { mapid_ = value; }
    bool ismap() const { return ismap_; }
    void setIsmap(bool value) { ismap_ = value; }
    bool isBookmark() const { return isBookmark_; }
    void setIsBookmark(bool value) { isBookmark_ = value; }
    bool isWatchdog() const { return isWatchdog_; }
    void setIsWatchdog(bool value) { isWatchdog_ = value; }
    bool isExpanded() const { return isExpanded_; }
    void setIsExpanded(bool value) { isExpanded_ = value; }
    // A folder's bookmarks; absent on every other entry.
    const std::optional<QList<DeepLookupObjectPtr>>& childs() const { return childs_; }
    std::optional<QList<DeepLookupObjectPtr>>& childs() { return childs_; }
    void setChilds(const std::optional<QList<DeepLookupObjectPtr>>& value) { childs_ = value; }

private:
    std::optional<QString> title_;
    std::optional<QString> group_;
    std::optional<QString> poster_;
    std::optional<QString> minsize_;
    std::optional<QString> maxsize_;
    std::optional<QString> ero_;
    std::optional<QString> startdate_;
    std::optional<QString> enddate_;
    std::optional<QString> offset_;
    std::optional<QString> limit_;
    bool searchInFilenames_ = false;
    std::optional<QString> alias_;
    std::optional<QString> icontype_;
    qint64 lastAccessDate_ = 0;
    qint64 previousAccessDate_ = 0;
    qint64 mapid_ = 0;
    bool ismap_ = false;
    bool isBookmark_ = false;
    bool isWatchdog_ = false;
    bool isExpanded_ = false;
    std::optional<QList<DeepLookupObjectPtr>> childs_;
};

// Carried in notifications ("RequestForDeepLookup").
Q_DECLARE_METATYPE(DeepLookupObjectPtr)
