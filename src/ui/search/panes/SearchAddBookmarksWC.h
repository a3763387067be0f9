#pragma once

#include "search/DeepLookupObject.h"
#include "ui/search/panes/SearchEntryWindow.h"

#include <QList>

class SearchBookmarkMapChooser;
class SearchHistoryController;
class TVLTextField;

// The make-bookmark window: turns one or more search history entries into
// bookmarks of a chosen map. One entry can be renamed here (an empty name is
// refused with a message); with several, the name field shows
// "<multiple values>", is disabled and every entry keeps its own name. Save
// appends the entries, in their order, to the end of the map and only then
// takes them out of the history. When no map exists the window first makes
// "Default map" and chooses it, so entries are never dropped. runModal()
// answers 1 after a save, 0 otherwise.
class SearchAddBookmarksWC : public SearchEntryWindow
{
    Q_OBJECT
public:
    SearchAddBookmarksWC(const QList<DeepLookupObjectPtr>& arrayDeepLookupObjects,
                         SearchHistoryController* historyController, QWidget* parent = nullptr);

    const QList<DeepLookupObjectPtr>& arrayDeepLookupObjects() const { return arrayDeepLookupObjects_; }
    TVLTextField* sfAlias() const { return sfAlias_; }
    SearchBookmarkMapChooser* mapChooser() const { return mapChooser_; }
    QPushButton* btnSubmit() const { return btnSave(); }

protected:
    void windowDidLoad() override;
    bool nameIsMissing() const override;
    void saveChanges() override;

private:
    QList<DeepLookupObjectPtr> arrayDeepLookupObjects_;
    TVLTextField* sfAlias_;
    SearchBookmarkMapChooser* mapChooser_;
};
