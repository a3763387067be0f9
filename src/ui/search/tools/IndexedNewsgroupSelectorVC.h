#pragma once

#include "search/IndexedNG.h"
#include "search/IndexedNewsGroupsSocketDelegate.h"
#include "search/IndexedNewsgroupSocket.h"
#include "ui/search/tools/RequestNewsgroupWC.h"

#include <QList>
#include <QPointer>
#include <QWidget>

class IndexedNewsGroupsDelegate;
class IndexedNewsgroupListModel;
class QAction;
class QComboBox;
class QProgressBar;
class QPushButton;
class QSortFilterProxyModel;
class QTableView;
class QToolButton;
class TVLTextField;

// A popup listing the newsgroups the search service indexes, filtered by
// content type (the setting "indexedNGContentTypeFilter": 0 general, 1
// erotica) and by the text typed in its search field, that hands the groups
// the user picks to its delegate (the search page or the Watchdog editor).
// The list is downloaded the first time the popup is shown and kept; a
// failed download is tried again at the next showing, and the menu offers a
// refresh, and a group that is missing can be asked for in the newsgroup
// request window. Its host makes it once and reuses it. Main thread only.
class IndexedNewsgroupSelectorVC : public QWidget, public IndexedNewsGroupsSocketDelegate
{
    Q_OBJECT
public:
    static constexpr int kMaxNewsgroupsHandedOver = 10;

    explicit IndexedNewsgroupSelectorVC(QWidget* parent = nullptr);
    ~IndexedNewsgroupSelectorVC() override;

    // Held weakly: the host outlives its selector (it is the parent).
    void setDelegate(IndexedNewsGroupsDelegate* delegate) { delegate_ = delegate; }
    IndexedNewsGroupsDelegate* delegate() const { return delegate_; }

    // Gives a newsgroups field the extra button that opens the selector:
    // its art, tool tip and the identifier "Newsgroups" its delegate hears.
    // Before the field is first shown.
    static void configureNewsgroupsField(TVLTextField* field);
    static QString newsgroupsIdentifier() { return QStringLiteral("Newsgroups"); }

    // The groups of a list reply, sorted by name with the plain
    // (case-sensitive) comparison, each with its content icon.
    static QList<IndexedNG> sortedNewsgroupsFromList(const QString& text);

    // Shows the popup below `anchor` (a field's extra button).
    void showRelativeTo(QWidget* anchor);

    // --- outlets
    QTableView* tableView() const { return tableView_; }
    QProgressBar* progressIndicator() const { return progressIndicator_; }
    QComboBox* contentFilterPopupButton() const { return contentFilterPopupButton_; }
    TVLTextField* searchField() const { return searchField_; }
    QPushButton* requestNewsgroupButton() const { return requestNewsgroupButton_; }
    QPushButton* selectButton() const { return selectButton_; }
    QAction* mnuItemRefresh() const { return mnuItemRefresh_; }
    // What the table shows: the content-filtered groups behind the search
    // field's filter.
    QSortFilterProxyModel* arrayController() const { return arrayController_; }

    // --- state
    const QList<IndexedNG>& arrayNewsgroups() const { return arrayNewsgroups_; }
    const QList<IndexedNG>& arrayFilteredNewsgroups() const;
    bool isDownloading() const { return socket_ != nullptr; }
    // The request window while it is open, null otherwise.
    RequestNewsgroupWC* requestNewsgroupWC() const { return requestNewsgroupWC_; }

    // --- actions
    void contentFilterChanged();
    void btnSelectClicked();
    void btnRequestNewsgroupClicked();
    void mnuRefreshClicked();
    void refreshNewsgroups();
    void buildContentFilterArray();

    // IndexedNewsGroupsSocketDelegate
    void newsgroupsDownloaded(const QString& text) override;
    void downloadFailed(const QString& title, const QString& subtitle) override;

protected:
    void showEvent(QShowEvent* event) override;
    // A popup has no window frame of its own: an edge sets it off the window below.
    void paintEvent(QPaintEvent* event) override;

private:
    void downloadNewsgroups();
    void releaseSocket();
    void setComponentsEnabled(bool enabled);
    void addNewsgroupsDelegate(QList<IndexedNG> groups);
    void openRequestNewsgroupWindow();

    IndexedNewsGroupsDelegate* delegate_ = nullptr;
    QList<IndexedNG> arrayNewsgroups_;
    QPointer<IndexedNewsgroupSocket> socket_;
    QPointer<RequestNewsgroupWC> requestNewsgroupWC_;

    IndexedNewsgroupListModel* model_;
    QSortFilterProxyModel* arrayController_;
    QComboBox* contentFilterPopupButton_;
    QToolButton* actionButton_;
    QAction* mnuItemRefresh_;
    TVLTextField* searchField_;
    QProgressBar* progressIndicator_;
    QTableView* tableView_;
    QPushButton* requestNewsgroupButton_;
    QPushButton* selectButton_;
};
