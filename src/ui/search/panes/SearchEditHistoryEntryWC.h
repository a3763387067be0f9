#pragma once

#include "search/DeepLookupObject.h"
#include "ui/search/panes/SearchEntryWindow.h"

class SearchHistoryController;
class SearchQueryFields;

// The window that edits one search history entry: its name, the search
// fields and the two pop-ups. Save changes the entry in place and tells the
// history controller, so that the table shows the change at once; an empty
// name is refused with a message and the window stays open. runModal()
// answers 1 after a save, 0 otherwise.
class SearchEditHistoryEntryWC : public SearchEntryWindow
{
    Q_OBJECT
public:
    SearchEditHistoryEntryWC(const DeepLookupObjectPtr& searchObject,
                             SearchHistoryController* historyController, QWidget* parent = nullptr);

    const DeepLookupObjectPtr& searchObject() const { return searchObject_; }
    SearchQueryFields* fields() const { return fields_; }

protected:
    void windowDidLoad() override;
    bool nameIsMissing() const override;
    void saveChanges() override;

private:
    DeepLookupObjectPtr searchObject_;
    SearchQueryFields* fields_;
};
