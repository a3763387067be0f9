#include "ui/search/panes/SearchAddBookmarksWC.h"

#include "controls/TVLTextField.h"
#include "search/SearchHistoryController.h"
#include "ui/search/panes/SearchBookmarkMapChooser.h"

#include <QFormLayout>
#include <QLineEdit>
#include <QPushButton>

SearchAddBookmarksWC::SearchAddBookmarksWC(const QList<DeepLookupObjectPtr>& arrayDeepLookupObjects,
                                           SearchHistoryController* historyController, QWidget* parent)
    : SearchEntryWindow(historyController, parent), arrayDeepLookupObjects_(arrayDeepLookupObjects),
      sfAlias_(new TVLTextField(this)), mapChooser_(new SearchBookmarkMapChooser(historyController, this))
{
    arrayDeepLookupObjects_.removeAll(nullptr);
    setObjectName(QStringLiteral("SearchAddBookmarksWC"));
    setWindowTitle(QStringLiteral("Add to bookmarks"));
    sfAlias_->setObjectName(QStringLiteral("sfAlias"));
    sfAlias_->setPlaceHolderString(QStringLiteral("Name of the bookmark"));
    sfAlias_->setMinimumSize(280, 24);
    sfAlias_->awakeFromNib();
    auto* form = new QFormLayout;
    form->setLabelAlignment(Qt::AlignRight | Qt::AlignVCenter);
    form->setFieldGrowthPolicy(QFormLayout::AllNonFixedFieldsGrow);
    form->addRow(QStringLiteral("Name:"), sfAlias_);
    form->addRow(QStringLiteral("Map:"), mapChooser_);
    layOutWindow(form, QStringLiteral("Add Bookmark"));
    btnSave()->setObjectName(QStringLiteral("btnSubmit"));
}

void SearchAddBookmarksWC::windowDidLoad()
{
    sfAlias_->textField()->setFocus();
    mapChooser_->createDefaultMapIfNone();
    if (arrayDeepLookupObjects_.size() < 2) {
        sfAlias_->setEnabled(true);
        sfAlias_->setStringValue(arrayDeepLookupObjects_.isEmpty()
                                     ? QString()
                                     : arrayDeepLookupObjects_.first()->alias().value_or(QString()));
    } else {
        sfAlias_->setStringValue(QString());
        sfAlias_->setPlaceHolderString(QStringLiteral("<multiple values>"));
        sfAlias_->setEnabled(false);
    }
}

bool SearchAddBookmarksWC::nameIsMissing() const
{
    return arrayDeepLookupObjects_.size() == 1 && sfAlias_->stringValue().isEmpty();
}

void SearchAddBookmarksWC::saveChanges()
{
    const std::optional<qint64> mapid = mapChooser_->selectedMapID();
    const bool rename = sfAlias_->isEnabled();
    SearchHistoryController* history = historyController();
    if (!history || !mapid || (rename && sfAlias_->stringValue().isEmpty())) return;
    if (!history->getMapObjectWithID(*mapid)) return;
    for (const DeepLookupObjectPtr& entry : arrayDeepLookupObjects_) {
        entry->setMapid(*mapid);
        entry->setIsBookmark(true);
        if (rename) entry->setAlias(sfAlias_->stringValue());
    }
    // Out of the history only once they are in the map: an entry never ends
    // up in neither list.
    if (!history->insertBookmarkObjectsFromArray(arrayDeepLookupObjects_, *mapid)) return;
    history->deleteHistoryObjectsInArray(arrayDeepLookupObjects_);
    setResponseCode(1);
}
