#include "ui/search/SearchEditBookmarkWC.h"

#include "controls/TVLTextField.h"
#include "core/DialogBoxes.h"
#include "search/SearchHistoryController.h"
#include "ui/search/SearchBookmarkMapChooser.h"
#include "ui/search/SearchQueryFields.h"
#include "ui/search/SearchWindowButtons.h"

#include <QFormLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

SearchEditBookmarkWC::SearchEditBookmarkWC(const DeepLookupObjectPtr& searchObject,
                                           SearchHistoryController* historyController, QWidget* parent)
    : SearchPaneWindow(parent), searchObject_(searchObject), historyController_(historyController),
      fields_(new SearchQueryFields(this)), mapChooser_(new SearchBookmarkMapChooser(historyController, this))
{
    setObjectName(QStringLiteral("SearchEditBookmarkWC"));
    setWindowTitle(QStringLiteral("Edit bookmark"));
    fields_->form()->addRow(QStringLiteral("Map:"), mapChooser_);
    const SearchWindowButtons buttons = SearchWindowButtons::build(this, QStringLiteral("Save"));
    btnSave_ = buttons.btnSave;
    btnCancel_ = buttons.btnCancel;
    connect(btnSave_, &QPushButton::clicked, this, &SearchEditBookmarkWC::btnSaveClicked);
    connect(btnCancel_, &QPushButton::clicked, this, &SearchEditBookmarkWC::btnCancelClicked);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(20, 18, 20, 14);
    layout->addWidget(fields_);
    layout->addSpacing(12);
    layout->addLayout(buttons.row);
}

void SearchEditBookmarkWC::windowDidLoad()
{
    fields_->sfAlias()->textField()->setFocus();
    if (const std::optional<qint64> made = mapChooser_->createDefaultMapIfNone(); made && searchObject_)
        searchObject_->setMapid(*made);
    updateSearchFields();
}

void SearchEditBookmarkWC::updateSearchFields()
{
    if (!searchObject_) {
        searchObject_ = DeepLookupObject::create();
        newBookmark_ = true;
        setWindowTitle(QStringLiteral("Create new bookmark"));
    }
    // Missing texts show as empty fields and a days value below 1 (or
    // none) as "any age"; the bookmark takes them only when saved, so a
    // cancel leaves it exactly as it was.
    fields_->updateSearchFields(*searchObject_);
    mapChooser_->selectRow(mapChooser_->getRowForMapID(searchObject_->mapid()));
}

void SearchEditBookmarkWC::btnSaveClicked()
{
    if (fields_->sfAlias()->stringValue().isEmpty()) {
        DialogBoxes::alertBoxDefault(QStringLiteral("Bookmark name cannot be empty"),
                                     QStringLiteral("Please enter a valid bookmark name."));
        return;
    }
    saveChanges();
    closeWindow();
}

void SearchEditBookmarkWC::btnCancelClicked()
{
    closeWindow();
}

void SearchEditBookmarkWC::saveChanges()
{
    const std::optional<qint64> chosen = mapChooser_->selectedMapID();
    if (!searchObject_ || !historyController_ || !chosen) return;
    DeepLookupObject& b = *searchObject_;
    const qint64 oldMap = b.mapid();
    fields_->saveChanges(b);
    b.setMapid(*chosen);
    if (newBookmark_) {
        b.setIsBookmark(true);
        historyController_->insertBookmarkObjectsFromArray({searchObject_}, *chosen);
    } else if (oldMap != *chosen) {
        historyController_->moveBookmarkObject(searchObject_, oldMap, *chosen);
    }
    setResponseCode(1);
}
