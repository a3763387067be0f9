#pragma once

#include "search/Watchdog.h"

#include <QPointer>
#include <QWidget>

class QAction;
class QMenu;
class QPushButton;
class QTableView;
class SplitViewCollapsible;
class SplitViewWatchdogHistory;
class SplitViewWatchdogLog;
class TableViewWatchdog;
class WatchdogController;
class WatchdogHistoryTableModel;
class WatchdogLogTableModel;

// The Watchdog page: the saved searches with their state, the matches of
// the selected one (right pane) and the Watchdog log (bottom pane). Holds no
// Watchdog logic: every change goes to the controller, and the tables follow
// its notifications.
class WatchdogVC : public QWidget
{
    Q_OBJECT
public:
    // A history pane never opens narrower than this.
    static constexpr int kHistoryMinWidth = 300;
    // A log pane opened without a remembered height gets this much.
    static constexpr int kLogMinHeight = 150;

    explicit WatchdogVC(WatchdogController* controller, QWidget* parent = nullptr);
    ~WatchdogVC() override;

    TableViewWatchdog* tableViewWatchdog() const { return tableViewWatchdog_; }
    QTableView* tableViewWatchdogHistory() const { return tableViewWatchdogHistory_; }
    QTableView* tableViewWatchdogLog() const { return tableViewWatchdogLog_; }
    SplitViewWatchdogHistory* splitViewWatchdogHistory() const { return splitViewWatchdogHistory_; }
    SplitViewWatchdogLog* splitViewWatchdogLog() const { return splitViewWatchdogLog_; }
    const QList<WatchdogHistoryObj>& watchdogHistoryArray() const;
    QMenu* menuWatchdog() const { return menuWatchdog_; }
    QMenu* menuHistory() const { return menuHistory_; }

    // The entries the commands act on (the right-click rule).
    QList<WatchdogPtr> selectedEntries() const;
    WatchdogPtr firstSelectedEntry() const;

    // Commands of the buttons and menus.
    void addEntry();
    void removeEntry();
    void deactivateEntries();
    void activateEntries();
    void editFirstSelected();
    void searchNowRequest();
    void removeSelectedHistoryEntries();
    void removeAllHistoryEntries();
    void clearWatchdogLog();
    void helpButtonClicked();

    // Panes.
    bool historyPaneIsCollapsed() const;
    bool logPaneIsCollapsed() const;
    void toggleSplitViewHistory();
    void toggleSplitViewLog();

    // The enabled state of the entries menu and buttons, and of the history
    // menu; what opening and closing the menus run.
    void menuWillOpenWatchdog();
    void menuDidCloseWatchdog();
    void menuWillOpenHistory();

    void updateHistoryTableviewForWatchdog(const WatchdogPtr& entry);

private:
    void buildInterface();
    QPushButton* makeButton(const QString& name, const QString& title, const QString& tip);
    void changeTitleBarButtonsStateTo(bool enabled);
    void entrySelectionChanged();
    void logNotified();
    // Stores the pane's size under `key`, then moves the divider to the end.
    void collapsePane(SplitViewCollapsible* split, const QString& key);
    // Opens the pane at the stored size, and at least at `minimum`.
    void expandPane(SplitViewCollapsible* split, const QString& key, int minimum);

    QPointer<WatchdogController> controller_;
    TableViewWatchdog* tableViewWatchdog_ = nullptr;
    QTableView* tableViewWatchdogHistory_ = nullptr;
    QTableView* tableViewWatchdogLog_ = nullptr;
    WatchdogHistoryTableModel* historyModel_ = nullptr;
    WatchdogLogTableModel* logModel_ = nullptr;
    SplitViewWatchdogHistory* splitViewWatchdogHistory_ = nullptr;
    SplitViewWatchdogLog* splitViewWatchdogLog_ = nullptr;
    QMenu* menuWatchdog_ = nullptr;
    QMenu* menuHistory_ = nullptr;
    QMenu* menuLog_ = nullptr;
    QAction* mnuItemAdd_ = nullptr;
    QAction* mnuItemEdit_ = nullptr;
    QAction* mnuItemRemove_ = nullptr;
    QAction* mnuItemPause_ = nullptr;
    QAction* mnuItemResume_ = nullptr;
    QAction* mnuItemSearchNow_ = nullptr;
    QAction* mnuItemRemoveHistorySelection_ = nullptr;
    QAction* mnuItemRemoveHistoryAll_ = nullptr;
    QPushButton* btnPause_ = nullptr;
    QPushButton* btnResume_ = nullptr;
    QPushButton* btnRemove_ = nullptr;
    QPushButton* btnEdit_ = nullptr;
    QPushButton* btnSearchNow_ = nullptr;
};
