#pragma once

#include "controls/TVLTextFieldDelegate.h"
#include "queue/Queue.h"
#include "queue/QueueController.h"
#include "search/DeepLookupController.h"
#include "search/DeepLookupControllerDelegate.h"
#include "ui/search/page/BusySearchingWC.h"
#include "ui/search/page/DeepLookupPagination.h"
#include "search/DeepLookupObject.h"

#include <QHash>
#include <QList>
#include <QPointer>
#include <QWidget>

#include <memory>

class BusySearchingWC;
class DeepLookupFieldTools;
class DeepLookupController;
class DeepLookupResultActions;
class DeepLookupResultFilter;
class NNTPServersController;
class OutlineViewSearch;
class QAction;
class QCheckBox;
class QComboBox;
class QLabel;
class QPushButton;
class ButtonCollapseLeft;
class ButtonExpandSearchFields;
class SplitViewSearch;
class QueueController;
class SearchHistoryController;
class SearchBookmarksVC;
class SearchHistoryVC;
class ImageButton;
class TVLTextField;

// The search page: the user queries the indexed search service, pages
// through the results and works with them. It builds one request per search
// from its fields, shows the busy window while it runs, fills the result
// tree from the reply and records the search in the history (or updates the
// bookmark it came from).
class DeepLookupVC : public QWidget, public DeepLookupControllerDelegate, public TVLTextFieldDelegate
{
    Q_OBJECT
public:
    explicit DeepLookupVC(QWidget* parent = nullptr);
    ~DeepLookupVC() override;

    // Set by the main window before the page is shown; weak.
    void setQueueController(QueueController* controller);
    void setDeepLookupController(DeepLookupController* controller);
    void setNntpServersController(NNTPServersController* controller) { nntpServersController_ = controller; }
    // The main menu's "export as NZB" item; enabled while rows are chosen.
    void setMnuItemExportNZB(QAction* item);
    QAction* mnuItemExportNZB() const { return mnuItemExportNZB_; }
    QueueController* queueController() const { return queueController_; }
    DeepLookupController* deepLookupController() const { return deepLookupController_; }

    // --- outlets
    OutlineViewSearch* outLineViewSearch() const { return outLineViewSearch_; }
    TVLTextField* searchFieldTitle() const { return searchFieldTitle_; }
    TVLTextField* searchFieldGroups() const { return searchFieldGroups_; }
    TVLTextField* searchFieldPoster() const { return searchFieldPoster_; }
    TVLTextField* searchFieldMinSize() const { return searchFieldMinSize_; }
    TVLTextField* searchFieldMaxSize() const { return searchFieldMaxSize_; }
    TVLTextField* searchFieldPredicate() const { return searchFieldPredicate_; }
    QComboBox* buttonDaysBack() const { return buttonDaysBack_; }
    QComboBox* buttonContent() const { return buttonContent_; }
    QPushButton* buttonSearch() const { return buttonSearch_; }
    QPushButton* btnNextPage() const { return btnNextPage_; }
    QPushButton* btnPreviousPage() const { return btnPreviousPage_; }
    QLabel* labelResultsFound() const { return labelResultsFound_; }
    QLabel* labelSelectedBytes() const { return labelSelectedBytes_; }
    QWidget* rightView() const { return rightView_; }
    SplitViewSearch* splitViewSearch() const { return splitViewSearch_; }
    ButtonCollapseLeft* btnCollapseLeft() const { return btnCollapseLeft_; }
    ButtonExpandSearchFields* btnSearchFieldsExpand() const { return btnSearchFieldsExpand_; }
    QWidget* expandedSearchWrapper() const { return expandedSearchWrapper_; }
    QWidget* searchHeader() const { return searchHeader_; }
    QLabel* labelDeepLookupSlogan() const { return labelDeepLookupSlogan_; }
    QPushButton* helpButton() const { return helpButton_; }
    QCheckBox* btnHidePwdEntries() const { return btnHidePwdEntries_; }
    QCheckBox* btnHideObfuscation() const { return btnHideObfuscation_; }
    // The newsgroup selector and the size converter of the query fields.
    DeepLookupFieldTools& fieldTools() const { return *fieldTools_; }
    SearchHistoryVC* searchHistoryVC() const { return searchHistoryVC_; }
    SearchBookmarksVC* searchBookmarksVC() const { return searchBookmarksVC_; }
    QWidget* leftPaneVC() const { return leftPaneVC_; }
    qint64 currentLeftPaneVC() const { return currentLeftPaneVC_; }
    ImageButton* btnSearchHistory() const { return btnSearchHistory_; }
    ImageButton* btnSearchBookmarks() const { return btnSearchBookmarks_; }
    QLabel* searchHistoryTitle() const { return searchHistoryTitle_; }
    SearchHistoryController* searchHistoryController() const { return searchHistoryController_; }
    BusySearchingWC* busySearchingWC() const { return busySearchingWC_; }
    DeepLookupResultFilter& resultFilter() const { return *filter_; }
    DeepLookupResultActions& resultActions() const { return *actions_; }

    // --- state
    const DeepLookupObjectPtr& currentDeepLookupObject() const { return currentDeepLookupObject_; }
    const DeepLookupPagination& pagination() const { return pagination_; }
    quint64 paginationOffset() const { return pagination_.paginationOffset(); }
    quint64 totalMatchedFound() const { return pagination_.totalMatchedFound(); }
    bool hideDeepLookupSlogan() const { return hideDeepLookupSlogan_; }
    bool searchIsCancelled() const { return searchIsCancelled_; }

    // --- the query
    void searchButtonClicked();
    void initSearch(bool isNewSearch);
    void startSearchFor(const DeepLookupObjectPtr& query);
    void requestForDeepLookup(const DeepLookupObjectPtr& query);
    void updateSearchFieldsWithObject(const DeepLookupObject& query);
    static void saveLastSearchString(const QString& title);
    void initPagination();
    void nextPageClicked();
    void previousPageClicked();
    void enablePagination();
    void disablePagination();
    void storePageOffset();
    void cancelSearch();

    // DeepLookupControllerDelegate
    void searchResults(const DeepLookupContentParser::Result& result) override;
    void searchFailed(const QString& title, const QString& subtitle) override;
    void searchCancelled() override;
    // TVLTextFieldDelegate
    void controlTextDidChange(TVLTextField* field) override;

    void reloadDeepLookupOutlineViewItemsInArray(const QList<QueuePtr>& items);
    void newFilepartsReceived(const QueuePtr& result);
    // Asks for a compose window ("OpenPostArticleWindow"): a reply to
    // `result`, or a new post when it is null.
    void openPostMsgWindowAndReplyTo(const QueuePtr& result);
    // Exports the chosen results as NZB files.
    void saveAsNZB();

    // Saves history and bookmarks and the page's settings.
    void viewWillDisappear();
    // The left pane: collapsed, or shown again at its stored width (200
    // when none is stored or it no longer fits).
    void splitViewSearchLeftCollapseStateChanged(bool collapsed);
    void toggleLeftPane();
    void collapseLeftPane();
    void expandLeftPane();
    void saveXPositionForLeftDivider();

    // The row of extra query fields, shown or hidden as last left.
    bool searchViewExpanded() const { return searchViewExpanded_; }
    // Shows the history (1) or the bookmarks (2) in the left pane, making
    // both panes the first time; any other tag keeps the pane shown.
    static constexpr qint64 kLeftPaneHistory = 1;
    static constexpr qint64 kLeftPaneBookmarks = 2;
    void changeLeftPaneViewController(qint64 tag);
    void updateSearchFieldsView();
    void toggleSearchFieldsView();

    // The line under the query: how many days back the service searches.
    static qint64 deepLookupSloganDays(qint64 now);
    void makeDeepLookupSlogan();

    // One-time hints: on content types before a search, and on the exclude
    // toggles applying from the next search. "Don't show again" ends them.
    void showDialogNewsgroupTypes();
    void showDialogNewSearchesOnly();
    // Asks for the help window on the search service.
    void sendDeepLookupHelpNotification();

    // TVLTextFieldDelegate: the extra buttons of the query fields open
    // their tools.
    void extraButtonClicked(QAbstractButton* button, const QString& identifier) override;

protected:
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    void buildInterface();
    void buildSlogan();
    void viewDidAppear();
    void changeSearchFieldsView();
    void setHideDeepLookupSlogan(bool hide);
    QWidget* buildHeader();
    QWidget* buildResultSide();
    QWidget* buildLeftPaneHeader();
    void updateSearchHistory();
    void disableSearchField();
    void enableSearchField();
    void setQueryControlsEnabled(bool enabled);
    void updateSearchResultsInfoLabel(const QStringList& info);
    void searchIsFinished();
    void addSearchToSearchHistory(const DeepLookupObjectPtr& query);
    void showBusySearchingWindow();
    void hideBusySearchingWindow();

    QPointer<QueueController> queueController_;
    QPointer<DeepLookupController> deepLookupController_;
    NNTPServersController* nntpServersController_ = nullptr;
    QPointer<QAction> mnuItemExportNZB_;

    SplitViewSearch* splitViewSearch_ = nullptr;
    ButtonCollapseLeft* btnCollapseLeft_ = nullptr;
    ButtonExpandSearchFields* btnSearchFieldsExpand_ = nullptr;
    QWidget* viewLeftPane_ = nullptr;
    QWidget* expandedSearchWrapper_ = nullptr;
    QWidget* rightView_ = nullptr;
    QWidget* searchHeader_ = nullptr;
    QLabel* labelDeepLookupSlogan_ = nullptr;
    QPushButton* helpButton_ = nullptr;
    TVLTextField* searchFieldTitle_ = nullptr;
    TVLTextField* searchFieldGroups_ = nullptr;
    TVLTextField* searchFieldPoster_ = nullptr;
    TVLTextField* searchFieldMinSize_ = nullptr;
    TVLTextField* searchFieldMaxSize_ = nullptr;
    TVLTextField* searchFieldPredicate_ = nullptr;
    QComboBox* buttonDaysBack_ = nullptr;
    QComboBox* buttonContent_ = nullptr;
    QPushButton* buttonSearch_ = nullptr;
    QPushButton* btnNextPage_ = nullptr;
    QPushButton* btnPreviousPage_ = nullptr;
    QCheckBox* btnHidePwdEntries_ = nullptr;
    QCheckBox* btnHideObfuscation_ = nullptr;
    QLabel* searchHistoryTitle_ = nullptr;
    ImageButton* btnSearchHistory_ = nullptr;
    ImageButton* btnSearchBookmarks_ = nullptr;
    QLabel* labelResultsFound_ = nullptr;
    QLabel* labelSelectedBytes_ = nullptr;
    OutlineViewSearch* outLineViewSearch_ = nullptr;

    SearchHistoryController* searchHistoryController_ = nullptr;
    SearchHistoryVC* searchHistoryVC_ = nullptr;
    SearchBookmarksVC* searchBookmarksVC_ = nullptr;
    QWidget* leftPaneVC_ = nullptr;
    qint64 currentLeftPaneVC_ = 0;
    QPointer<BusySearchingWC> busySearchingWC_;
    DeepLookupResultFilter* filter_ = nullptr;
    DeepLookupResultActions* actions_ = nullptr;
    std::unique_ptr<DeepLookupFieldTools> fieldTools_;

    DeepLookupObjectPtr currentDeepLookupObject_;
    DeepLookupPagination pagination_;
    bool searchIsCancelled_ = false;
    bool hideDeepLookupSlogan_ = false;
    bool searchViewExpanded_ = true;
};
