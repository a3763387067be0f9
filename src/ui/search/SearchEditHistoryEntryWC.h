#pragma once

#include "search/DeepLookupObject.h"
#include "ui/search/SearchPaneWindow.h"

#include <QPointer>

class QPushButton;
class SearchHistoryController;
class SearchQueryFields;

// The window that edits one search history entry: its name, the search
// fields and the two pop-ups. Save changes the entry in place and tells the
// history controller, so that the table shows the change at once; an empty
// name is refused with a message and the window stays open. runModal()
// answers 1 after a save, 0 otherwise.
class SearchEditHistoryEntryWC : public SearchPaneWindow
{
    Q_OBJECT
public:
    SearchEditHistoryEntryWC(const DeepLookupObjectPtr& searchObject, SearchHistoryController* historyController,
                             QWidget* parent = nullptr);

    const DeepLookupObjectPtr& searchObject() const { return searchObject_; }
    SearchQueryFields* fields() const { return fields_; }
    QPushButton* btnSave() const { return btnSave_; }
    QPushButton* btnCancel() const { return btnCancel_; }

    void btnSaveClicked();
    void btnCancelClicked();

protected:
    void windowDidLoad() override;

private:
    void saveChanges();

    DeepLookupObjectPtr searchObject_;
    QPointer<SearchHistoryController> historyController_;
    SearchQueryFields* fields_;
    QPushButton* btnSave_;
    QPushButton* btnCancel_;
};
