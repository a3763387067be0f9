#pragma once

#include "search/DeepLookupObject.h"
#include "search/SearchHistoryController.h"
#include "ui/search/panes/OutlineViewBookmarksDelegate.h"

#include <QPointer>
#include <QWidget>

class OutlineViewBookmarks;
class QAction;
class QMenu;
class QToolButton;
class SearchBookmarksModel;
class SearchHistoryController;

// The bookmarks pane on the left of the search page: saved searches in
// maps (folders). The user runs a bookmark, opens and closes maps (their
// open state is kept with them), creates, edits and deletes bookmarks and
// maps, moves bookmarks between maps by dragging and makes a Watchdog entry
// of one. The tree is the controller's; the search page saves it.
class SearchBookmarksVC : public QWidget, public OutlineViewBookmarksDelegate
{
    Q_OBJECT
public:
    explicit SearchBookmarksVC(QWidget* parent = nullptr);

    void setHistoryController(SearchHistoryController* controller);
    SearchHistoryController* historyController() const { return historyController_; }

    void enableTableview();
    void disableTableview();

    // ---- actions
    void sendSearchNotification();
    void deleteSelectedObjects();
    void makeWatchdogEntry();
    // The edit window for the first chosen bookmark (nothing for a map);
    // afterwards its map is opened.
    void editSelectedObject();
    // The windows, each run modally.
    void showWindowToCreateBookmark();
    void showWindowToEditBookmark(const DeepLookupObjectPtr& bookmark);
    void showWindowToCreateNewMap();
    // Opens every map whose open state is kept as open.
    void expandMaps();

    // ---- rows: the objects an action applies to, in row order (the
    // right-clicked row alone when it is outside the selection).
    QModelIndexList getSelectedIndexSet() const;
    DeepLookupObjectPtr getFirstSelectedObjectFromIndexSet(const QModelIndexList& rows) const;
    QList<DeepLookupObjectPtr> getAllSelectedObjectsFromIndexSet(const QModelIndexList& rows) const;
    // The map holding the bookmark (by its `mapid`), as a row, or invalid.
    QModelIndex getParentNodeForObject(const DeepLookupObject& bookmark) const;

    void menuWillOpen();
    void outlineViewSelectionDidChange();

    // ---- outlets
    OutlineViewBookmarks* outlineViewSearchBookmarks() const { return outline_; }
    SearchBookmarksModel* bookmarksModel() const { return model_; }
    QToolButton* btnCreateBookmark() const { return btnCreateBookmark_; }
    QToolButton* btnAddMap() const { return btnAddMap_; }
    QToolButton* btnEdit() const { return btnEdit_; }
    QToolButton* btnTrash() const { return btnTrash_; }
    QMenu* contextMenu() const { return menu_; }
    QAction* menuItemLaunch() const { return menuItemLaunch_; }
    QAction* menuItemEdit() const { return menuItemEdit_; }
    QAction* menuItemDelete() const { return menuItemDelete_; }
    QAction* menuItemMakeWatchdog() const { return menuItemMakeWatchdog_; }
    const QList<DeepLookupObjectPtr>& draggedObjects() const { return draggedNodes_; }
    const QList<DeepLookupObjectPtr>& itemsToDrop() const { return itemsToDrop_; }

    // OutlineViewBookmarksDelegate
    void deleteKeyPressedInBookmarks() override;
    void contextMenuRequested(const QPoint& globalPos) override;
    bool writeItems(const QModelIndexList& items) override;
    bool validateDrop(const QObject* source, const DropTarget& target) const override;
    bool acceptDrop(const QObject* source, const DropTarget& target) override;

private:
    void buildInterface();
    void rememberSelection();
    void restoreSelection();

    QPointer<SearchHistoryController> historyController_;
    SearchBookmarksModel* model_ = nullptr;
    OutlineViewBookmarks* outline_ = nullptr;
    QToolButton* btnCreateBookmark_ = nullptr;
    QToolButton* btnAddMap_ = nullptr;
    QToolButton* btnEdit_ = nullptr;
    QToolButton* btnTrash_ = nullptr;
    QMenu* menu_ = nullptr;
    QAction* menuItemLaunch_ = nullptr;
    QAction* menuItemEdit_ = nullptr;
    QAction* menuItemDelete_ = nullptr;
    QAction* menuItemMakeWatchdog_ = nullptr;
    QList<DeepLookupObjectPtr> draggedNodes_;
    // The dragged bookmarks that may be dropped: none when the drag holds a
    // map.
    QList<DeepLookupObjectPtr> itemsToDrop_;
    QList<DeepLookupObjectPtr> selectionDuringReset_;
};
