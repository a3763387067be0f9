#pragma once

#include "search/DeepLookupObject.h"
#include "search/SearchHistoryController.h"
#include "ui/search/panes/TableViewSearchHistoryDelegate.h"

#include <QPointer>
#include <QWidget>

#include <optional>

class QAction;
class QMenu;
class QSortFilterProxyModel;
class QToolButton;
class SearchFieldCellSearchHistory;
class SearchHistoryController;
class SearchHistoryTableModel;
class TableViewSearchHistory;

// The search history pane on the left of the search page: the finished
// searches, newest first, each with the image of its content type. The
// user filters them, runs one again (it moves to the top), edits one,
// deletes them, turns them into bookmarks or a Watchdog entry, and reorders
// them by dragging. The list is the controller's; the pane changes it only
// through the controller and never saves it (the search page does).
class SearchHistoryVC : public QWidget, public TableViewSearchHistoryDelegate
{
    Q_OBJECT
public:
    explicit SearchHistoryVC(QWidget* parent = nullptr);

    void setHistoryController(SearchHistoryController* controller);
    SearchHistoryController* historyController() const { return historyController_; }

    // Records a finished search: an entry of the same alias and content type
    // takes its place, otherwise it goes first; the list keeps at most
    // `maxSearchHistoryDatabase` entries. A search without title, poster and
    // newsgroup is not recorded. Lifts the filter first.
    void addSearchToHistory(const DeepLookupObjectPtr& query);
    static std::optional<QString> makeSearchAlias(const DeepLookupObject& query);
    qsizetype getRowNumberForObject(const DeepLookupObject& query) const;

    void enableTableview();
    void disableTableview();

    // ---- actions (buttons, menu items, keys, double-click)
    void sendSearchNotification();
    void deleteSelectedObjects();
    void makeWatchdogEntry();
    // The make-bookmark window for the entries, and the edit window for the
    // first; each runs modally.
    void createNewBookmark();
    void editSelectedObject();

    // ---- rows: what an action applies to, as indexes of the history list
    // (the right-clicked row alone when it is outside the selection).
    QList<int> getSelectedIndexSet() const;
    DeepLookupObjectPtr getFirstSelectedObjectFromIndexSet(const QList<int>& rows) const;
    QList<DeepLookupObjectPtr> getAllSelectedObjectsFromIndexSet(const QList<int>& rows) const;
    // Moves the entry so that it stands above the entry now at `row` of the
    // history list (at the end for the list's length).
    void moveRowObject(const DeepLookupObjectPtr& entry, qsizetype row);

    // Sets the items of the context menu for the rows it would act on.
    void menuWillOpen();
    void tableViewSelectionDidChange();

    // ---- outlets
    TableViewSearchHistory* tableViewSearchHistory() const { return table_; }
    SearchFieldCellSearchHistory* searchField() const { return searchField_; }
    QToolButton* btnBookmark() const { return btnBookmark_; }
    QToolButton* btnEdit() const { return btnEdit_; }
    QToolButton* btnTrash() const { return btnTrash_; }
    QMenu* contextMenu() const { return menu_; }
    QAction* menuItemLaunch() const { return menuItemLaunch_; }
    QAction* menuItemMakeBookmark() const { return menuItemMakeBookmark_; }
    QAction* menuItemEdit() const { return menuItemEdit_; }
    QAction* menuItemDelete() const { return menuItemDelete_; }
    QAction* menuItemMakeWatchdog() const { return menuItemMakeWatchdog_; }
    const QList<DeepLookupObjectPtr>& draggedObjects() const { return draggedObjectsArray_; }

    // TableViewSearchHistoryDelegate
    void deleteKeyPressedInHistory() override;
    void contextMenuRequested(const QPoint& globalPos) override;
    bool writeRowsWithIndexes(const QList<int>& rows) override;
    bool acceptDrop(const QObject* source, int row) override;
    void draggingSessionEnded() override;

private:
    void buildInterface();
    void limitSearchHistoryEntries();
    void filterTextChanged(const QString& text);
    int historyRowForShownRow(int shownRow) const;
    int shownRowForHistoryRow(int historyRow) const;

    QPointer<SearchHistoryController> historyController_;
    SearchHistoryTableModel* model_ = nullptr;
    QSortFilterProxyModel* filter_ = nullptr;
    TableViewSearchHistory* table_ = nullptr;
    SearchFieldCellSearchHistory* searchField_ = nullptr;
    QToolButton* btnBookmark_ = nullptr;
    QToolButton* btnEdit_ = nullptr;
    QToolButton* btnTrash_ = nullptr;
    QMenu* menu_ = nullptr;
    QAction* menuItemLaunch_ = nullptr;
    QAction* menuItemMakeBookmark_ = nullptr;
    QAction* menuItemEdit_ = nullptr;
    QAction* menuItemDelete_ = nullptr;
    QAction* menuItemMakeWatchdog_ = nullptr;
    QList<DeepLookupObjectPtr> draggedObjectsArray_;
};
