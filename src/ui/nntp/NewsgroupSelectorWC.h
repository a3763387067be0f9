#pragma once

#include "nntp/NewsgroupSelectorItem.h"
#include "ui/nntp/RefreshGroupsWCDelegate.h"

#include <QList>
#include <QPointer>
#include <QWidget>

class NewsGroupSelectorDelegate;
class NewsgroupListQueueInterface;
class NewsgroupTableModel;
class QPushButton;
class QSortFilterProxyModel;
class QTableView;
class RefreshGroupsWC;
class TVLTextField;

// The window from which the user picks newsgroups for a post: the stored
// newsgroup list in a table with a name filter, a refresh from the server
// through the download sheet, a copy of the selected rows to the clipboard
// and a hand-over of the selected groups to the compose window, which stays
// possible as often as the user likes. Main thread.
class NewsgroupSelectorWC : public QWidget, public RefreshGroupsWCDelegate
{
    Q_OBJECT
public:
    static constexpr int kWindowDistance = 100;

    explicit NewsgroupSelectorWC(QWidget* parent = nullptr);
    ~NewsgroupSelectorWC() override;

    // Set before the window is shown; held weakly.
    void setDelegate(NewsGroupSelectorDelegate* delegate) { delegate_ = delegate; }
    void setQueueController(NewsgroupListQueueInterface* queueController)
    {
        queueController_ = queueController;
    }
    // The server whose list is shown and refreshed.
    void setServerID(const QString& serverID) { serverID_ = serverID; }
    QString serverID() const { return serverID_; }

    // The stored list; an empty one offers a refresh.
    void loadNewsGroupsFromDB();
    // Replaces the stored list by the window's, on the global pool.
    void saveNewsGroupsToDB();
    void refreshNewsGroups();
    void openRefreshGroupsWindow();
    // From the download sheet: the new list replaces the shown and the
    // stored one.
    void newsgroupsReceived(const QList<NewsgroupSelectorItem>& items) override;
    // The selected rows that pass the filter, in selection order, checked.
    QList<NewsgroupSelectorItem> getSelectedObjects();
    void btnAddClicked();
    void copySelectionToClipboard();
    // Once only: closes an open download sheet first.
    void closeWindow();

    const QList<NewsgroupSelectorItem>& arrayNewsgroups() const;
    const QList<NewsgroupSelectorItem>& selectedGroups() const { return selectedGroups_; }
    RefreshGroupsWC* refreshGroupsWC() const { return refreshGroupsWC_; }
    QTableView* tableViewNewsgroups() const { return tableViewNewsgroups_; }
    QSortFilterProxyModel* arrayControllerNewsGroups() const { return arrayControllerNewsGroups_; }
    TVLTextField* filterField() const { return filterField_; }
    QPushButton* buttonAdd() const { return buttonAdd_; }
    QPushButton* buttonRefresh() const { return buttonRefresh_; }

Q_SIGNALS:
    // The stored list was written (true) or the write failed (false).
    void newsgroupsSaved(bool saved);

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void windowDidLoad();
    void addNewsgroupsDelegate(const QList<NewsgroupSelectorItem>& items);

    NewsgroupTableModel* model_;
    QSortFilterProxyModel* arrayControllerNewsGroups_;
    QTableView* tableViewNewsgroups_;
    TVLTextField* filterField_;
    QPushButton* buttonRefresh_;
    QPushButton* buttonAdd_;
    QPushButton* buttonClose_;
    QList<NewsgroupSelectorItem> selectedGroups_;
    QPointer<RefreshGroupsWC> refreshGroupsWC_;
    bool windowIsClosing_ = false;
    bool loaded_ = false;
    NewsGroupSelectorDelegate* delegate_ = nullptr;
    NewsgroupListQueueInterface* queueController_ = nullptr;
    QString serverID_;
};
