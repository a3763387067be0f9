#include "ui/search/panes/SearchEditHistoryEntryWC.h"

#include "controls/TVLTextField.h"
#include "search/SearchHistoryController.h"
#include "ui/search/panes/SearchQueryFields.h"

#include <QLineEdit>

SearchEditHistoryEntryWC::SearchEditHistoryEntryWC(const DeepLookupObjectPtr& searchObject,
                                                   SearchHistoryController* historyController,
                                                   QWidget* parent)
    : SearchEntryWindow(historyController, parent), searchObject_(searchObject),
      fields_(new SearchQueryFields(this))
{
    setObjectName(QStringLiteral("SearchEditHistoryEntryWC"));
    setWindowTitle(QStringLiteral("Edit search history entry"));
    layOutWindow(fields_, QStringLiteral("Save"));
}

void SearchEditHistoryEntryWC::windowDidLoad()
{
    fields_->sfAlias()->textField()->setFocus();
    if (searchObject_) fields_->updateSearchFields(*searchObject_);
}

bool SearchEditHistoryEntryWC::nameIsMissing() const
{
    return fields_->sfAlias()->stringValue().isEmpty();
}

void SearchEditHistoryEntryWC::saveChanges()
{
    if (!searchObject_) return;
    fields_->saveChanges(*searchObject_);
    setResponseCode(1);
    // The entry stays the same object at the same place; replacing it by
    // itself announces the change to the table.
    SearchHistoryController* history = historyController();
    if (!history) return;
    const qsizetype at = history->arraySearchHistory().indexOf(searchObject_);
    if (at >= 0) history->replaceHistoryObjectAtIndex(at, searchObject_);
}
