#include "ui/search/SearchEditHistoryEntryWC.h"

#include "controls/TVLTextField.h"
#include "core/DialogBoxes.h"
#include "search/SearchHistoryController.h"
#include "ui/search/SearchQueryFields.h"
#include "ui/search/SearchWindowButtons.h"

#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

SearchEditHistoryEntryWC::SearchEditHistoryEntryWC(const DeepLookupObjectPtr& searchObject,
                                                   SearchHistoryController* historyController, QWidget* parent)
    : SearchPaneWindow(parent), searchObject_(searchObject), historyController_(historyController),
      fields_(new SearchQueryFields(this))
{
    setObjectName(QStringLiteral("SearchEditHistoryEntryWC"));
    setWindowTitle(QStringLiteral("Edit search history entry"));
    const SearchWindowButtons buttons = SearchWindowButtons::build(this, QStringLiteral("Save"));
    btnSave_ = buttons.btnSave;
    btnCancel_ = buttons.btnCancel;
    connect(btnSave_, &QPushButton::clicked, this, &SearchEditHistoryEntryWC::btnSaveClicked);
    connect(btnCancel_, &QPushButton::clicked, this, &SearchEditHistoryEntryWC::btnCancelClicked);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(20, 18, 20, 14);
    layout->addWidget(fields_);
    layout->addSpacing(12);
    layout->addLayout(buttons.row);
}

void SearchEditHistoryEntryWC::windowDidLoad()
{
    fields_->sfAlias()->textField()->setFocus();
    if (searchObject_) fields_->updateSearchFields(*searchObject_);
}

void SearchEditHistoryEntryWC::btnSaveClicked()
{
    if (fields_->sfAlias()->stringValue().isEmpty()) {
        DialogBoxes::alertBoxDefault(QStringLiteral("Bookmark name cannot be empty"),
                                     QStringLiteral("Please enter a valid bookmark name."));
        return;
    }
    saveChanges();
    closeWindow();
}

void SearchEditHistoryEntryWC::btnCancelClicked()
{
    closeWindow();
}

void SearchEditHistoryEntryWC::saveChanges()
{
    if (!searchObject_) return;
    fields_->saveChanges(*searchObject_);
    setResponseCode(1);
    // The entry stays the same object at the same place; replacing it by
    // itself announces the change to the table.
    if (!historyController_) return;
    const qsizetype at = historyController_->arraySearchHistory().indexOf(searchObject_);
    if (at >= 0) historyController_->replaceHistoryObjectAtIndex(at, searchObject_);
}
