#pragma once

#include "search/DeepLookupObject.h"
#include "ui/search/panes/SearchEntryWindow.h"

class SearchBookmarkMapChooser;
class SearchHistoryController;
class SearchQueryFields;

// The bookmark window: creates a bookmark (no search object given) or edits
// one, including the map it belongs to. When no map exists it first makes
// "Default map". A bookmark without a days value, or with one below 1,
// shows "any age". Save writes the fields into the bookmark; a new one is
// appended to the chosen map, an edited one moves to the end of another
// chosen map and otherwise stays where it is. An empty name is refused with
// a message and the window stays open. runModal() answers 1 after a save,
// 0 otherwise.
class SearchEditBookmarkWC : public SearchEntryWindow
{
    Q_OBJECT
public:
    SearchEditBookmarkWC(const DeepLookupObjectPtr& searchObject, SearchHistoryController* historyController,
                         QWidget* parent = nullptr);

    // The bookmark in hand; in create mode the new one, made when the window
    // loads.
    const DeepLookupObjectPtr& searchObject() const { return searchObject_; }
    bool newBookmark() const { return newBookmark_; }
    SearchQueryFields* fields() const { return fields_; }
    SearchBookmarkMapChooser* mapChooser() const { return mapChooser_; }

protected:
    void windowDidLoad() override;
    bool nameIsMissing() const override;
    void saveChanges() override;

private:
    void updateSearchFields();

    DeepLookupObjectPtr searchObject_;
    bool newBookmark_ = false;
    SearchQueryFields* fields_;
    SearchBookmarkMapChooser* mapChooser_;
};
