#include "ui/search/panes/SearchEditBookmarkWC.h"

#include "controls/TVLTextField.h"
#include "search/SearchHistoryController.h"
#include "ui/search/panes/SearchBookmarkMapChooser.h"
#include "ui/search/panes/SearchQueryFields.h"

#include <QFormLayout>
#include <QLineEdit>

SearchEditBookmarkWC::SearchEditBookmarkWC(const DeepLookupObjectPtr& searchObject,
                                           SearchHistoryController* historyController, QWidget* parent)
    : SearchEntryWindow(historyController, parent), searchObject_(searchObject),
      fields_(new SearchQueryFields(this)), mapChooser_(new SearchBookmarkMapChooser(historyController, this))
{
    setObjectName(QStringLiteral("SearchEditBookmarkWC"));
    setWindowTitle(QStringLiteral("Edit bookmark"));
    fields_->form()->addRow(QStringLiteral("Map:"), mapChooser_);
    layOutWindow(fields_, QStringLiteral("Save"));
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

bool SearchEditBookmarkWC::nameIsMissing() const
{
    return fields_->sfAlias()->stringValue().isEmpty();
}

void SearchEditBookmarkWC::saveChanges()
{
    const std::optional<qint64> chosen = mapChooser_->selectedMapID();
    SearchHistoryController* history = historyController();
    if (!searchObject_ || !history || !chosen) return;
    DeepLookupObject& b = *searchObject_;
    const qint64 oldMap = b.mapid();
    fields_->saveChanges(b);
    b.setMapid(*chosen);
    if (newBookmark_) {
        b.setIsBookmark(true);
        history->insertBookmarkObjectsFromArray({searchObject_}, *chosen);
    } else if (oldMap != *chosen) {
        history->moveBookmarkObject(searchObject_, oldMap, *chosen);
    }
    setResponseCode(1);
}
