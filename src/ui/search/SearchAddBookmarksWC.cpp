#include "ui/search/SearchAddBookmarksWC.h"

#include "controls/TVLTextField.h"
#include "core/DialogBoxes.h"
#include "search/SearchHistoryController.h"
#include "ui/search/SearchBookmarkMapChooser.h"
#include "ui/search/SearchWindowButtons.h"

#include <QFormLayout>
#include <QLineEdit>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

SearchAddBookmarksWC::SearchAddBookmarksWC(const QList<DeepLookupObjectPtr>& arrayDeepLookupObjects,
                                           SearchHistoryController* historyController, QWidget* parent)
    : SearchPaneWindow(parent), arrayDeepLookupObjects_(arrayDeepLookupObjects),
      historyController_(historyController), sfAlias_(new TVLTextField(this)),
      mapChooser_(new SearchBookmarkMapChooser(historyController, this))
{
    arrayDeepLookupObjects_.removeAll(nullptr);
    setObjectName(QStringLiteral("SearchAddBookmarksWC"));
    setWindowTitle(QStringLiteral("Add to bookmarks"));
    sfAlias_->setObjectName(QStringLiteral("sfAlias"));
    sfAlias_->setPlaceHolderString(QStringLiteral("Name of the bookmark"));
    sfAlias_->setMinimumSize(280, 24);
    sfAlias_->awakeFromNib();
    const SearchWindowButtons buttons = SearchWindowButtons::build(this, QStringLiteral("Add Bookmark"));
    btnSubmit_ = buttons.btnSave;
    btnSubmit_->setObjectName(QStringLiteral("btnSubmit"));
    btnCancel_ = buttons.btnCancel;
    connect(btnSubmit_, &QPushButton::clicked, this, &SearchAddBookmarksWC::btnSaveClicked);
    connect(btnCancel_, &QPushButton::clicked, this, &SearchAddBookmarksWC::btnCancelClicked);

    auto* form = new QFormLayout;
    form->setLabelAlignment(Qt::AlignRight | Qt::AlignVCenter);
    form->setFieldGrowthPolicy(QFormLayout::AllNonFixedFieldsGrow);
    form->addRow(QStringLiteral("Name:"), sfAlias_);
    form->addRow(QStringLiteral("Map:"), mapChooser_);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(20, 18, 20, 14);
    layout->addLayout(form);
    layout->addSpacing(12);
    layout->addLayout(buttons.row);
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

void SearchAddBookmarksWC::btnSaveClicked()
{
    if (arrayDeepLookupObjects_.size() == 1 && sfAlias_->stringValue().isEmpty()) {
        DialogBoxes::alertBoxDefault(QStringLiteral("Bookmark name cannot be empty"),
                                     QStringLiteral("Please enter a valid bookmark name."));
        return;
    }
    saveChanges();
    closeWindow();
}

void SearchAddBookmarksWC::btnCancelClicked()
{
    closeWindow();
}

void SearchAddBookmarksWC::saveChanges()
{
    const std::optional<qint64> mapid = mapChooser_->selectedMapID();
    const bool rename = sfAlias_->isEnabled();
    if (!historyController_ || !mapid || (rename && sfAlias_->stringValue().isEmpty())) return;
    if (!historyController_->getMapObjectWithID(*mapid)) return;
    for (const DeepLookupObjectPtr& entry : arrayDeepLookupObjects_) {
        entry->setMapid(*mapid);
        entry->setIsBookmark(true);
        if (rename) entry->setAlias(sfAlias_->stringValue());
    }
    // Out of the history only once they are in the map: an entry never ends
    // up in neither list.
    if (!historyController_->insertBookmarkObjectsFromArray(arrayDeepLookupObjects_, *mapid)) return;
    historyController_->deleteHistoryObjectsInArray(arrayDeepLookupObjects_);
    setResponseCode(1);
}
