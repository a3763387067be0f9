#include "ui/search/panes/SearchBookmarkMapChooser.h"

#include "search/SearchHistoryController.h"
#include "ui/search/panes/SearchAddMapWC.h"

#include <QComboBox>
#include <QHBoxLayout>
#include <QPushButton>

SearchBookmarkMapChooser::SearchBookmarkMapChooser(SearchHistoryController* historyController, QWidget* parent)
    : QWidget(parent), historyController_(historyController), popupBookmarkMap_(new QComboBox(this)),
      btnNewBookmarkMap_(new QPushButton(QStringLiteral("New Map…"), this))
{
    setObjectName(QStringLiteral("SearchBookmarkMapChooser"));
    popupBookmarkMap_->setObjectName(QStringLiteral("popupBookmarkMap"));
    popupBookmarkMap_->setMinimumWidth(180);
    btnNewBookmarkMap_->setObjectName(QStringLiteral("btnNewBookmarkMap"));
    btnNewBookmarkMap_->setAutoDefault(false);
    connect(btnNewBookmarkMap_, &QPushButton::clicked, this, &SearchBookmarkMapChooser::openCreateNewMapModalWindow);
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(0, 0, 0, 0);
    row->addWidget(popupBookmarkMap_, 1);
    row->addWidget(btnNewBookmarkMap_);
    if (historyController_)
        connect(historyController_, &SearchHistoryController::bookmarksReset, this, &SearchBookmarkMapChooser::reloadMaps);
    reloadMaps();
}

void SearchBookmarkMapChooser::reloadMaps()
{
    const std::optional<qint64> chosen = selectedMapID();
    popupBookmarkMap_->clear();
    if (!historyController_) return;
    for (const DeepLookupObjectPtr& map : historyController_->arraySearchBookmarks())
        popupBookmarkMap_->addItem(map->alias().value_or(QString()), map->mapid());
    selectRow(chosen ? getRowForMapID(*chosen) : 0);
}

std::optional<qint64> SearchBookmarkMapChooser::createDefaultMapIfNone()
{
    if (!historyController_ || !historyController_->arraySearchBookmarks().isEmpty()) return std::nullopt;
    const qint64 mapid = historyController_->createMap(kDefaultMapName);
    selectRow(getRowForMapID(mapid));
    return mapid;
}

std::optional<qint64> SearchBookmarkMapChooser::selectedMapID() const
{
    if (popupBookmarkMap_->currentIndex() < 0) return std::nullopt;
    return popupBookmarkMap_->currentData().toLongLong();
}

int SearchBookmarkMapChooser::getRowForMapID(qint64 mapid) const
{
    const int at = popupBookmarkMap_->findData(mapid);
    return at < 0 ? 0 : at;
}

void SearchBookmarkMapChooser::selectRow(int row)
{
    if (row >= 0 && row < popupBookmarkMap_->count()) popupBookmarkMap_->setCurrentIndex(row);
}

void SearchBookmarkMapChooser::openCreateNewMapModalWindow()
{
    if (!searchAddMapWC_) searchAddMapWC_ = new SearchAddMapWC(historyController_, window());
    const qint64 mapid = searchAddMapWC_->runAsSheet();
    if (mapid != -1) selectRow(getRowForMapID(mapid));
}
