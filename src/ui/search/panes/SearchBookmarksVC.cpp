#include "ui/search/panes/SearchBookmarksVC.h"

#include "controls/SRGB.h"
#include "core/DialogBoxes.h"
#include "search/SearchHistoryController.h"
#include "ui/search/panes/OutlineViewBookmarks.h"
#include "ui/search/panes/SearchAddMapWC.h"
#include "ui/search/panes/SearchBookmarksModel.h"
#include "ui/search/panes/SearchEditBookmarkWC.h"
#include "ui/search/panes/SearchPaneButtonBar.h"
#include "ui/search/panes/SearchPaneNotifications.h"

#include <QAction>
#include <QApplication>
#include <QPainter>
#include <QMenu>
#include <QStyle>
#include <QToolButton>
#include <QVBoxLayout>

#include <algorithm>

namespace {

// Rows in the order the outline shows them: a map, then its bookmarks.
bool shownBefore(const QModelIndex& a, const QModelIndex& b)
{
    const auto key = [](const QModelIndex& i) {
        return i.parent().isValid() ? std::pair(i.parent().row(), i.row()) : std::pair(i.row(), -1);
    };
    return key(a) < key(b);
}

// The map rows' folder with a plus: too little room for "New Map" in words.
QIcon newMapIcon()
{
    QPixmap icon = QApplication::style()->standardIcon(QStyle::SP_DirIcon).pixmap(QSize(16, 16));
    QPainter p(&icon);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(Qt::NoPen);
    p.setBrush(srgb(0.271, 0.443, 0.647));
    const QRectF badge(7.5, 7.5, 8.5, 8.5);
    p.drawEllipse(badge);
    p.setPen(QPen(Qt::white, 1.5));
    const QPointF c = badge.center();
    p.drawLine(QPointF(c.x() - 2.5, c.y()), QPointF(c.x() + 2.5, c.y()));
    p.drawLine(QPointF(c.x(), c.y() - 2.5), QPointF(c.x(), c.y() + 2.5));
    return QIcon(icon);
}

} // namespace

SearchBookmarksVC::SearchBookmarksVC(QWidget* parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("SearchBookmarksVC"));
    buildInterface();
}

void SearchBookmarksVC::buildInterface()
{
    model_ = new SearchBookmarksModel(this);
    outline_ = new OutlineViewBookmarks(this);
    outline_->setModel(model_);
    outline_->setBookmarksDelegate(this);
    connect(outline_, &QAbstractItemView::doubleClicked, this, [this] { sendSearchNotification(); });
    connect(outline_->selectionModel(), &QItemSelectionModel::selectionChanged, this,
            &SearchBookmarksVC::outlineViewSelectionDidChange);
    // The open state lives with the map, so that it survives a restart.
    connect(outline_, &QTreeView::expanded, this, [this](const QModelIndex& i) {
        if (const DeepLookupObjectPtr map = model_->objectAt(i); map && map->ismap()) map->setIsExpanded(true);
    });
    connect(outline_, &QTreeView::collapsed, this, [this](const QModelIndex& i) {
        if (const DeepLookupObjectPtr map = model_->objectAt(i); map && map->ismap()) map->setIsExpanded(false);
    });
    // Every change of the tree resets the model: the open maps and the
    // chosen rows come back afterwards.
    connect(model_, &QAbstractItemModel::modelAboutToBeReset, this, &SearchBookmarksVC::rememberSelection);
    connect(model_, &QAbstractItemModel::modelReset, this, [this] {
        expandMaps();
        restoreSelection();
    });

    auto* bar = new SearchPaneButtonBar(this);
    btnCreateBookmark_ = bar->addButton(QStringLiteral("btn_createbookmark"), QStringLiteral("New"),
                                        QStringLiteral("Create a new bookmark"));
    btnAddMap_ = bar->addButton(QStringLiteral("btn_addmap"), QStringLiteral("New Map"),
                                QStringLiteral("Create a new bookmark map"), newMapIcon());
    btnEdit_ = bar->addButton(QStringLiteral("btn_edit"), QStringLiteral("Edit"),
                              QStringLiteral("Edit the selected bookmark"));
    btnTrash_ = bar->addButton(QStringLiteral("btn_trash"), QStringLiteral("Delete"),
                               QStringLiteral("Delete the selected bookmarks and maps"));
    connect(btnCreateBookmark_, &QToolButton::clicked, this, &SearchBookmarksVC::showWindowToCreateBookmark);
    connect(btnAddMap_, &QToolButton::clicked, this, &SearchBookmarksVC::showWindowToCreateNewMap);
    connect(btnEdit_, &QToolButton::clicked, this, &SearchBookmarksVC::editSelectedObject);
    connect(btnTrash_, &QToolButton::clicked, this, &SearchBookmarksVC::deleteSelectedObjects);

    menu_ = new QMenu(this);
    menu_->setObjectName(QStringLiteral("menuSearchBookmarks"));
    menuItemLaunch_ = menu_->addAction(QStringLiteral("Search"), this, &SearchBookmarksVC::sendSearchNotification);
    menuItemEdit_ = menu_->addAction(QStringLiteral("Edit…"), this, &SearchBookmarksVC::editSelectedObject);
    menuItemDelete_ = menu_->addAction(QStringLiteral("Delete"), this, &SearchBookmarksVC::deleteSelectedObjects);
    menu_->addSeparator();
    menuItemMakeWatchdog_ =
        menu_->addAction(QStringLiteral("Make Watchdog Entry…"), this, &SearchBookmarksVC::makeWatchdogEntry);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(outline_, 1);
    layout->addWidget(bar);
    outlineViewSelectionDidChange();
}

void SearchBookmarksVC::setHistoryController(SearchHistoryController* controller)
{
    historyController_ = controller;
    model_->setHistoryController(controller);
}

void SearchBookmarksVC::enableTableview()
{
    outline_->setEnabled(true);
}

void SearchBookmarksVC::disableTableview()
{
    outline_->setEnabled(false);
}

void SearchBookmarksVC::expandMaps()
{
    // Each map's bookmarks are a level below it: only the top rows are maps.
    for (int row = 0; row < model_->rowCount(); ++row) {
        const QModelIndex index = model_->index(row, 0);
        if (const DeepLookupObjectPtr map = model_->objectAt(index); map && map->ismap() && map->isExpanded())
            outline_->expand(index);
    }
}

void SearchBookmarksVC::rememberSelection()
{
    selectionDuringReset_.clear();
    for (const QModelIndex& i : outline_->selectionModel()->selectedRows())
        if (const DeepLookupObjectPtr o = model_->objectAt(i)) selectionDuringReset_ << o;
}

void SearchBookmarksVC::restoreSelection()
{
    QItemSelection selection;
    for (const DeepLookupObjectPtr& o : std::exchange(selectionDuringReset_, {}))
        if (const QModelIndex i = model_->indexOf(o); i.isValid()) selection.select(i, i);
    outline_->selectionModel()->select(selection, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    outlineViewSelectionDidChange();
}

// ---- rows

QModelIndexList SearchBookmarksVC::getSelectedIndexSet() const
{
    QModelIndexList rows = outline_->selectionModel()->selectedRows();
    std::sort(rows.begin(), rows.end(), shownBefore);
    const QModelIndex clicked = outline_->clickedIndex();
    if (clicked.isValid() && !rows.contains(clicked.siblingAtColumn(0))) return {clicked.siblingAtColumn(0)};
    return rows;
}

DeepLookupObjectPtr SearchBookmarksVC::getFirstSelectedObjectFromIndexSet(const QModelIndexList& rows) const
{
    return rows.isEmpty() ? nullptr : model_->objectAt(*std::min_element(rows.begin(), rows.end(), shownBefore));
}

QList<DeepLookupObjectPtr> SearchBookmarksVC::getAllSelectedObjectsFromIndexSet(const QModelIndexList& rows) const
{
    QModelIndexList sorted = rows;
    std::sort(sorted.begin(), sorted.end(), shownBefore);
    QList<DeepLookupObjectPtr> objects;
    for (const QModelIndex& i : sorted)
        if (const DeepLookupObjectPtr o = model_->objectAt(i)) objects << o;
    return objects;
}

QModelIndex SearchBookmarksVC::getParentNodeForObject(const DeepLookupObject& bookmark) const
{
    return historyController_ ? model_->indexOf(historyController_->getMapObjectWithID(bookmark.mapid()))
                              : QModelIndex();
}

// ---- actions

void SearchBookmarksVC::sendSearchNotification()
{
    const QModelIndexList rows = getSelectedIndexSet();
    const DeepLookupObjectPtr object = getFirstSelectedObjectFromIndexSet(rows);
    if (!object) return;
    if (object->ismap()) {
        const QModelIndex index = model_->indexOf(object);
        outline_->setExpanded(index, !object->isExpanded());
        return;
    }
    SearchPaneNotifications::post(SearchPaneNotifications::requestForDeepLookup(), this, object);
}

void SearchBookmarksVC::deleteSelectedObjects()
{
    const QList<DeepLookupObjectPtr> objects = getAllSelectedObjectsFromIndexSet(getSelectedIndexSet());
    if (objects.isEmpty() || !historyController_) return;
    if (DialogBoxes::alertBoxYesNo(QStringLiteral("Delete selected bookmarks?"),
                                   QStringLiteral("Are you sure to delete these bookmarks?"), true))
        historyController_->deleteBookmarkObjectsInArray(objects);
}

void SearchBookmarksVC::makeWatchdogEntry()
{
    if (const DeepLookupObjectPtr object = getFirstSelectedObjectFromIndexSet(getSelectedIndexSet()))
        SearchPaneNotifications::post(SearchPaneNotifications::makeWatchdogFromDeepLookupObject(), this, object);
}

void SearchBookmarksVC::editSelectedObject()
{
    const DeepLookupObjectPtr object = getFirstSelectedObjectFromIndexSet(getSelectedIndexSet());
    if (!object || object->ismap()) return;
    showWindowToEditBookmark(object);
    // The bookmark may have moved to another map: show it there.
    if (const QModelIndex map = getParentNodeForObject(*object); map.isValid()) outline_->expand(map);
}

void SearchBookmarksVC::showWindowToCreateBookmark()
{
    SearchEditBookmarkWC window(nullptr, historyController_, this);
    window.runModal();
}

void SearchBookmarksVC::showWindowToEditBookmark(const DeepLookupObjectPtr& bookmark)
{
    SearchEditBookmarkWC window(bookmark, historyController_, this);
    window.runModal();
}

void SearchBookmarksVC::showWindowToCreateNewMap()
{
    SearchAddMapWC window(historyController_, this);
    window.runModal();
}

void SearchBookmarksVC::deleteKeyPressedInBookmarks()
{
    deleteSelectedObjects();
}

// ---- states

void SearchBookmarksVC::outlineViewSelectionDidChange()
{
    const QModelIndexList rows = getSelectedIndexSet();
    const DeepLookupObjectPtr first = getFirstSelectedObjectFromIndexSet(rows);
    btnEdit_->setEnabled(rows.size() == 1 && first && !first->ismap());
    btnTrash_->setEnabled(!rows.isEmpty());
    btnCreateBookmark_->setEnabled(true);
    btnAddMap_->setEnabled(true);
}

void SearchBookmarksVC::menuWillOpen()
{
    const QModelIndexList rows = getSelectedIndexSet();
    const DeepLookupObjectPtr first = getFirstSelectedObjectFromIndexSet(rows);
    const bool oneBookmark = rows.size() == 1 && first && !first->ismap();
    menuItemLaunch_->setEnabled(oneBookmark);
    menuItemEdit_->setEnabled(oneBookmark);
    menuItemDelete_->setEnabled(!rows.isEmpty());
    menuItemMakeWatchdog_->setEnabled(oneBookmark);
}

void SearchBookmarksVC::contextMenuRequested(const QPoint& globalPos)
{
    menuWillOpen();
    menu_->exec(globalPos);
}

// ---- moving bookmarks by drag

bool SearchBookmarksVC::writeItems(const QModelIndexList& items)
{
    QModelIndexList sorted = items;
    std::sort(sorted.begin(), sorted.end(), shownBefore);
    draggedNodes_.clear();
    itemsToDrop_.clear();
    bool holdsMap = false;
    for (const QModelIndex& i : sorted) {
        const DeepLookupObjectPtr o = model_->objectAt(i);
        if (!o) continue;
        draggedNodes_ << o;
        holdsMap = holdsMap || o->ismap();
    }
    // A drag holding a map may start, but can never be dropped.
    if (!holdsMap) itemsToDrop_ = draggedNodes_;
    return true;
}

bool SearchBookmarksVC::validateDrop(const QObject* source, const DropTarget& target) const
{
    if (source != outline_ || itemsToDrop_.isEmpty() || !target.item.isValid()) return false;
    const DeepLookupObjectPtr item = model_->objectAt(target.item);
    return item && (item->ismap() || target.childIndex != DropTarget::kOnItem);
}

bool SearchBookmarksVC::acceptDrop(const QObject* source, const DropTarget& target)
{
    if (!validateDrop(source, target) || !historyController_) return false;
    const DeepLookupObjectPtr map = model_->objectAt(target.item);
    if (!map || !map->ismap()) return false;
    // On the map itself: first in it.
    const qsizetype at = target.childIndex < 0 ? 0 : target.childIndex;
    if (!historyController_->moveBookmarkObjectsToMap(itemsToDrop_, map->mapid(), at)) return false;
    outline_->expand(model_->indexOf(map));
    outline_->clearSelection();
    return true;
}
