#include "ui/search/page/DeepLookupVC.h"

#include "controls/Artwork.h"
#include "controls/ButtonCollapseLeft.h"
#include "controls/ImageButton.h"
#include "controls/TVLComponentUtils.h"
#include "controls/ViewQueueRight.h"
#include "controls/TVLTextField.h"
#include "core/DialogBoxes.h"
#include "platform/NotificationHub.h"
#include "platform/UserDefaults.h"
#include "search/DeepLookupConsole.h"
#include "search/DeepLookupController.h"
#include "search/SearchHistoryController.h"
#include "ui/search/SearchPopUpItems.h"
#include "ui/search/page/BusySearchingWC.h"
#include "ui/search/page/ButtonExpandSearchFields.h"
#include "ui/search/page/DeepLookupFieldTools.h"
#include "ui/search/page/DeepLookupResultActions.h"
#include "ui/search/page/DeepLookupResultFilter.h"
#include "ui/search/page/OutlineViewSearch.h"
#include "ui/search/page/OutlineViewSearchModel.h"
#include "ui/search/page/SearchKeywordHighlighter.h"
#include "ui/search/page/SplitViewSearch.h"
#include "ui/search/page/ViewMainSearch.h"
#include "ui/search/panes/SearchBookmarksVC.h"
#include "ui/search/panes/SearchHistoryVC.h"
#include "ui/search/panes/SearchPaneNotifications.h"
#include "ui/search/panes/ViewSearchLeft.h"
#include "ui/search/tools/BytesConverterVC.h"
#include "ui/search/tools/IndexedNewsgroupSelectorVC.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDateTime>
#include <QHBoxLayout>
#include <QHideEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QSplitter>
#include <QVBoxLayout>

#include <functional>

namespace {

const QString kLeftRestorePositionKey = QStringLiteral("SplitViewSearchLeftRestorePosition");
constexpr int kDefaultLeftPaneWidth = 200;
constexpr int kHeaderHeightExpanded = 81;
constexpr int kHeaderHeightCollapsed = 41;
constexpr int kQueryRowHeight = 24;
// The service's index reaches back to 2008-07-24 11:37:00 UTC.
constexpr qint64 kServiceIndexStart = 1216899420;
// The help window's topic on the search service.
constexpr int kHelpTopicDeepLookup = 1;

// Shows a one-time hint while its setting is on; "Don't show again" turns
// the setting off for good.
void showOneTimeHint(const QString& key, const QString& title, const QString& info)
{
    UserDefaults& d = UserDefaults::standard();
    if (!d.boolForKey(key)) return;
    if (DialogBoxes::alertBoxDefaultWithNotShowAgain(title, info)) d.setBool(false, key);
}

} // namespace

DeepLookupVC::DeepLookupVC(QWidget* parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("DeepLookupVC"));
    buildInterface();
    buildSlogan();
    makeDeepLookupSlogan();
    searchHistoryController_ = new SearchHistoryController(this);
    searchHistoryController_->loadAllHistoryObjects();
    searchHistoryController_->loadAllBookmarkObjects();
    changeLeftPaneViewController(UserDefaults::standard().integerForKey(QStringLiteral("searchHistoryVCTag")));
    // A stored tag of neither pane still shows one.
    if (!leftPaneVC_) changeLeftPaneViewController(kLeftPaneHistory);
    filter_ = new DeepLookupResultFilter(outLineViewSearch_, [this] {
        const QSignalBlocker blocker(searchFieldPredicate_->textField());
        searchFieldPredicate_->setDelegate(nullptr);
        searchFieldPredicate_->clearTextField();
        searchFieldPredicate_->setDelegate(this);
    });
    actions_ = new DeepLookupResultActions(this);
    fieldTools_ = std::make_unique<DeepLookupFieldTools>(this);

    NotificationHub& hub = NotificationHub::defaultCenter();
    hub.addObserver(SearchPaneNotifications::requestForDeepLookup(), this, [this](const Notification& n) {
        const QVariant query = n.userInfo.value(SearchPaneNotifications::deepLookupObjectKey());
        requestForDeepLookup(query.value<DeepLookupObjectPtr>());
    });
    hub.addObserver(QStringLiteral("NewFilepartsReceived"), this, [this](const Notification& n) {
        newFilepartsReceived(n.userInfo.value(QStringLiteral("queue")).value<QueuePtr>());
    });
    hub.addObserver(QStringLiteral("SelectionDidChangeInOutlineViewSearch"), this,
                    [this](const Notification&) { actions_->selectionDidChangeInOutlineViewSearch(); });
    hub.addObserver(QStringLiteral("ReloadDeepLookupOutlineViewItemsInArray"), this, [this](const Notification& n) {
        reloadDeepLookupOutlineViewItemsInArray(
            n.userInfo.value(QStringLiteral("queuearray")).value<QList<QueuePtr>>());
    });
    hub.addObserver(SplitViewSearch::collapseStateChangedNotification(), this, [this](const Notification& n) {
        if (n.object == splitViewSearch_) splitViewSearchLeftCollapseStateChanged(n.userInfo.value("state").toBool());
    });
    initPagination();
}

DeepLookupVC::~DeepLookupVC()
{
    NotificationHub::defaultCenter().removeObserver(this);
    if (deepLookupController_ && deepLookupController_->delegate() == this) deepLookupController_->setDelegate(nullptr);
    if (busySearchingWC_) delete busySearchingWC_.data();
    delete actions_;
    delete filter_;
}

void DeepLookupVC::buildInterface()
{
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(buildHeader());

    splitViewSearch_ = new SplitViewSearch(this);
    viewLeftPane_ = new ViewSearchLeft(splitViewSearch_);
    viewLeftPane_->setObjectName(QStringLiteral("viewLeftPane"));
    auto* left = new QVBoxLayout(viewLeftPane_);
    left->setContentsMargins(0, 0, 0, 0);
    left->setSpacing(4);
    left->addWidget(buildLeftPaneHeader());
    splitViewSearch_->addWidget(viewLeftPane_);
    splitViewSearch_->addWidget(buildResultSide());
    splitViewSearch_->setStretchFactor(1, 1);
    const int stored = int(UserDefaults::standard().floatForKey(QStringLiteral("SplitViewSearchLeftRestorePosition")));
    splitViewSearch_->setSizes({stored > 1 ? stored : 200, 1000});
    layout->addWidget(splitViewSearch_, 1);
}

QWidget* DeepLookupVC::buildHeader()
{
    auto* header = new ViewMainSearch(this);
    header->setObjectName(QStringLiteral("searchHeader"));
    searchHeader_ = header;
    // The header has one of two fixed heights; its rows keep their own
    // height and sit in the middle.
    auto* column = new QVBoxLayout(header);
    column->setContentsMargins(10, 0, 10, 0);
    column->setSpacing(8);
    column->addStretch(1);

    // `configure` sets up the field's extra button, before its parts are built.
    const auto makeField = [this, header](const char* name, const char* placeholder, const char* history,
                                          bool numbers, const std::function<void(TVLTextField*)>& configure) {
        auto* field = new TVLTextField(header);
        field->setObjectName(QString::fromLatin1(name));
        field->setPlaceHolderString(QString::fromLatin1(placeholder));
        field->setSearchHistoryName(QString::fromLatin1(history));
        field->setNumbersOnly(numbers);
        if (configure) configure(field);
        field->setFixedHeight(kQueryRowHeight);
        field->awakeFromNib();
        field->setDelegate(this);
        // Return in a query field starts a new search; leaving it does not.
        connect(field->textField(), &QLineEdit::returnPressed, this, &DeepLookupVC::searchButtonClicked);
        return field;
    };
    searchFieldTitle_ = makeField("searchFieldTitle", "Search words", "deepLookupRecentTitle", false, {});
    searchFieldGroups_ = makeField("searchFieldGroups", "Newsgroups", "deepLookupRecentGroups", false,
                                   &IndexedNewsgroupSelectorVC::configureNewsgroupsField);
    searchFieldPoster_ = makeField("searchFieldPoster", "Poster", "deepLookupRecentPoster", false, {});
    searchFieldMinSize_ = makeField("searchFieldMinSize", "Min. size (bytes)", "deepLookupRecentMinSize", true,
                                    [](TVLTextField* f) {
                                        BytesConverterVC::configureSizeField(f, BytesConverterVC::minSizeIdentifier());
                                    });
    searchFieldMaxSize_ = makeField("searchFieldMaxSize", "Max. size (bytes)", "deepLookupRecentMaxSize", true,
                                    [](TVLTextField* f) {
                                        BytesConverterVC::configureSizeField(f, BytesConverterVC::maxSizeIdentifier());
                                    });

    const auto makePopUp = [header](const char* name, const QList<SearchPopUpItems::Item>& items, const char* key) {
        auto* box = new QComboBox(header);
        box->setObjectName(QString::fromLatin1(name));
        SearchPopUpItems::fill(box, items);
        const QString settingsKey = QString::fromLatin1(key);
        const int at = box->findData(UserDefaults::standard().integerForKey(settingsKey));
        box->setCurrentIndex(at >= 0 ? at : 0);
        connect(box, &QComboBox::currentIndexChanged, box, [box, settingsKey] {
            UserDefaults::standard().setInteger(box->currentData().toLongLong(), settingsKey);
        });
        return box;
    };
    buttonContent_ = makePopUp("buttonContent", SearchPopUpItems::content(), "contentTag");
    buttonDaysBack_ = makePopUp("buttonDaysBack", SearchPopUpItems::daysBack(), "dayTag");
    buttonSearch_ = new QPushButton(QStringLiteral("Search"), header);
    buttonSearch_->setObjectName(QStringLiteral("buttonSearch"));
    buttonSearch_->setDefault(true);
    connect(buttonSearch_, &QPushButton::clicked, this, &DeepLookupVC::searchButtonClicked);

    btnSearchFieldsExpand_ = new ButtonExpandSearchFields(header);
    connect(btnSearchFieldsExpand_, &QAbstractButton::clicked, this, &DeepLookupVC::toggleSearchFieldsView);
    helpButton_ = new QPushButton(QStringLiteral("?"), header);
    helpButton_->setObjectName(QStringLiteral("helpButton"));
    helpButton_->setToolTip(QStringLiteral("Help"));
    helpButton_->setFixedWidth(32);
    connect(helpButton_, &QPushButton::clicked, this, &DeepLookupVC::sendDeepLookupHelpNotification);

    auto* first = new QHBoxLayout;
    first->addWidget(btnSearchFieldsExpand_);
    first->addWidget(searchFieldTitle_, 1);
    first->addWidget(buttonContent_);
    first->addWidget(buttonDaysBack_);
    first->addWidget(buttonSearch_);
    first->addWidget(helpButton_);
    column->addLayout(first);

    expandedSearchWrapper_ = new QWidget(header);
    expandedSearchWrapper_->setObjectName(QStringLiteral("expandedSearchWrapper"));
    auto* second = new QHBoxLayout(expandedSearchWrapper_);
    second->setContentsMargins(0, 0, 0, 0);
    second->addWidget(searchFieldGroups_, 2);
    second->addWidget(searchFieldPoster_, 2);
    for (TVLTextField* size : {searchFieldMinSize_, searchFieldMaxSize_}) {
        size->setMinimumWidth(190);
        second->addWidget(size, 1);
    }
    const auto makeToggle = [this](const char* title, const char* key) {
        auto* box = new QCheckBox(QString::fromLatin1(title), expandedSearchWrapper_);
        box->setObjectName(QString::fromLatin1(key));
        const QString settingsKey = QString::fromLatin1(key);
        box->setChecked(UserDefaults::standard().boolForKey(settingsKey));
        connect(box, &QCheckBox::toggled, box,
                [settingsKey](bool on) { UserDefaults::standard().setBool(on, settingsKey); });
        connect(box, &QCheckBox::clicked, this, &DeepLookupVC::showDialogNewSearchesOnly);
        return box;
    };
    btnHidePwdEntries_ = makeToggle("Hide passworded", "dpHidePwdEntries");
    btnHideObfuscation_ = makeToggle("Hide obfuscated", "dpHideObfuscation");
    second->addWidget(btnHidePwdEntries_);
    second->addWidget(btnHideObfuscation_);
    column->addWidget(expandedSearchWrapper_);
    column->addStretch(1);
    updateSearchFieldsView();
    return header;
}

QWidget* DeepLookupVC::buildLeftPaneHeader()
{
    auto* header = new QWidget(viewLeftPane_);
    header->setObjectName(QStringLiteral("leftPaneHeader"));
    auto* row = new QHBoxLayout(header);
    row->setContentsMargins(8, 6, 6, 0);
    row->setSpacing(2);
    searchHistoryTitle_ = new QLabel(QStringLiteral("Search History"), header);
    searchHistoryTitle_->setObjectName(QStringLiteral("searchHistoryTitle"));
    QFont bold = searchHistoryTitle_->font();
    bold.setBold(true);
    searchHistoryTitle_->setFont(bold);
    row->addWidget(searchHistoryTitle_, 1);
    const auto makeButton = [header, row](const char* name, const char* tip) {
        auto* button = new ImageButton(header);
        button->setObjectName(QString::fromLatin1(name));
        button->setToolTip(QString::fromLatin1(tip));
        button->setCheckable(true);
        button->setFixedSize(22, 22);
        row->addWidget(button);
        return button;
    };
    btnSearchHistory_ = makeButton("btnSearchHistory", "Search history");
    btnSearchBookmarks_ = makeButton("btnSearchBookmarks", "Bookmarks");
    // A click shows the button's pane, whatever its state was.
    connect(btnSearchHistory_, &QAbstractButton::clicked, this, [this] {
        changeLeftPaneViewController(kLeftPaneHistory);
    });
    connect(btnSearchBookmarks_, &QAbstractButton::clicked, this, [this] {
        changeLeftPaneViewController(kLeftPaneBookmarks);
    });
    return header;
}

void DeepLookupVC::changeLeftPaneViewController(qint64 tag)
{
    auto* container = static_cast<QVBoxLayout*>(viewLeftPane_->layout());
    if (leftPaneVC_) {
        container->removeWidget(leftPaneVC_);
        leftPaneVC_->hide();
    }
    if (!searchHistoryVC_) {
        searchHistoryVC_ = new SearchHistoryVC(viewLeftPane_);
        searchHistoryVC_->hide();
        searchHistoryVC_->setHistoryController(searchHistoryController_);
    }
    if (!searchBookmarksVC_) {
        searchBookmarksVC_ = new SearchBookmarksVC(viewLeftPane_);
        searchBookmarksVC_->hide();
        searchBookmarksVC_->setHistoryController(searchHistoryController_);
    }
    btnSearchHistory_->setAlternateImage(Artwork::pixmap(QStringLiteral("btns_search_leftpane_header_history_hi")));
    btnSearchBookmarks_->setAlternateImage(
        Artwork::pixmap(QStringLiteral("btns_search_leftpane_header_bookmarks_hi")));
    // The shown pane's button is lit and off; the other one waits, on.
    const auto light = [](ImageButton* button, const char* image, bool on) {
        button->setImage(Artwork::pixmap(QString::fromLatin1(image)));
        button->setChecked(on);
    };
    if (tag == kLeftPaneHistory) {
        leftPaneVC_ = searchHistoryVC_;
        light(btnSearchHistory_, "btns_search_leftpane_header_history_hi", false);
        light(btnSearchBookmarks_, "btns_search_leftpane_header_bookmarks", true);
        searchHistoryTitle_->setText(QStringLiteral("Search History"));
    } else if (tag == kLeftPaneBookmarks) {
        leftPaneVC_ = searchBookmarksVC_;
        light(btnSearchHistory_, "btns_search_leftpane_header_history", true);
        light(btnSearchBookmarks_, "btns_search_leftpane_header_bookmarks_hi", false);
        searchHistoryTitle_->setText(QStringLiteral("Bookmarks"));
    } else {
        tag = currentLeftPaneVC_;
    }
    currentLeftPaneVC_ = tag;
    if (!leftPaneVC_) return;
    container->addWidget(leftPaneVC_, 1);
    leftPaneVC_->show();
}

QWidget* DeepLookupVC::buildResultSide()
{
    rightView_ = new QWidget(splitViewSearch_);
    rightView_->setObjectName(QStringLiteral("rightView"));
    auto* column = new QVBoxLayout(rightView_);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);
    outLineViewSearch_ = new OutlineViewSearch(rightView_);
    column->addWidget(outLineViewSearch_, 1);

    auto* footer = new ViewQueueRight(rightView_);
    auto* bar = new QHBoxLayout(footer);
    bar->setContentsMargins(0, 4, 8, 4);
    btnCollapseLeft_ = new ButtonCollapseLeft(footer);
    btnCollapseLeft_->setObjectName(QStringLiteral("btnCollapseLeft"));
    btnCollapseLeft_->setFixedSize(24, 24);
    btnCollapseLeft_->setToolTip(QStringLiteral("Show or hide the search history"));
    connect(btnCollapseLeft_, &QAbstractButton::clicked, this, &DeepLookupVC::toggleLeftPane);
    bar->addWidget(btnCollapseLeft_);
    labelResultsFound_ = new QLabel(rightView_);
    labelResultsFound_->setObjectName(QStringLiteral("labelResultsFound"));
    labelSelectedBytes_ = new QLabel(rightView_);
    labelSelectedBytes_->setObjectName(QStringLiteral("labelSelectedBytes"));
    searchFieldPredicate_ = new TVLTextField(rightView_);
    searchFieldPredicate_->setObjectName(QStringLiteral("searchFieldPredicate"));
    searchFieldPredicate_->setPlaceHolderString(QStringLiteral("Filter titles"));
    searchFieldPredicate_->awakeFromNib();
    searchFieldPredicate_->setDelegate(this);
    searchFieldPredicate_->setMinimumWidth(200);
    btnPreviousPage_ = new QPushButton(QStringLiteral("‹ Previous"), rightView_);
    btnPreviousPage_->setObjectName(QStringLiteral("btnPreviousPage"));
    btnNextPage_ = new QPushButton(QStringLiteral("Next ›"), rightView_);
    btnNextPage_->setObjectName(QStringLiteral("btnNextPage"));
    connect(btnPreviousPage_, &QPushButton::clicked, this, &DeepLookupVC::previousPageClicked);
    connect(btnNextPage_, &QPushButton::clicked, this, &DeepLookupVC::nextPageClicked);
    bar->addWidget(labelResultsFound_);
    bar->addWidget(labelSelectedBytes_);
    bar->addStretch(1);
    bar->addWidget(searchFieldPredicate_);
    bar->addWidget(btnPreviousPage_);
    bar->addWidget(btnNextPage_);
    column->addWidget(footer);
    return rightView_;
}

void DeepLookupVC::setQueueController(QueueController* controller)
{
    queueController_ = controller;
}

void DeepLookupVC::setDeepLookupController(DeepLookupController* controller)
{
    deepLookupController_ = controller;
    outLineViewSearch_->setDeepLookupController(controller);
    if (controller) controller->setDelegate(this);
}

void DeepLookupVC::setMnuItemExportNZB(QAction* item)
{
    mnuItemExportNZB_ = item;
    actions_->menuWillOpen();
}

// ---- paging

void DeepLookupVC::initPagination()
{
    pagination_.reset(
        quint64(std::max<qint64>(1, UserDefaults::standard().integerForKey(QStringLiteral("dpResultsPerPage")))));
    disablePagination();
}

void DeepLookupVC::storePageOffset()
{
    if (deepLookupController_ && !deepLookupController_->dpcontentArray().isEmpty())
        pagination_.storePageOffset(deepLookupController_->dpcontentArray().last()->date());
}

void DeepLookupVC::nextPageClicked()
{
    pagination_.nextPage();
    initSearch(false);
}

void DeepLookupVC::previousPageClicked()
{
    if (pagination_.previousPage()) initSearch(false);
}

void DeepLookupVC::enablePagination()
{
    if (pagination_.canGoNext()) btnNextPage_->setEnabled(true);
    if (pagination_.canGoPrevious()) btnPreviousPage_->setEnabled(true);
}

void DeepLookupVC::disablePagination()
{
    btnNextPage_->setEnabled(false);
    btnPreviousPage_->setEnabled(false);
}

// ---- the query

void DeepLookupVC::searchButtonClicked()
{
    currentDeepLookupObject_.reset();
    initSearch(true);
}

void DeepLookupVC::initSearch(bool isNewSearch)
{
    setHideDeepLookupSlogan(true);
    showDialogNewsgroupTypes();
    if (!buttonSearch_->isEnabled()) return;
    if (isNewSearch) initPagination();
    filter_->setOldArticlesAreHidden(false);
    filter_->clearPredicateResults();
    actions_->updateMenuItemHideOldArticles();

    auto query = DeepLookupObject::create();
    query->setTitle(searchFieldTitle_->stringValue());
    query->setGroup(searchFieldGroups_->stringValue());
    query->setPoster(searchFieldPoster_->stringValue());
    query->setMinsize(searchFieldMinSize_->stringValue());
    query->setMaxsize(searchFieldMaxSize_->stringValue());
    query->setEro(SearchPopUpItems::selectedTag(buttonContent_));
    query->setStartdate(SearchPopUpItems::selectedTag(buttonDaysBack_));
    query->setEnddate(pagination_.getPageOffset());
    query->setOffset(pagination_.offsetText());
    query->setLimit(pagination_.limitText());
    query->setSearchInFilenames(UserDefaults::standard().boolForKey(QStringLiteral("searchInFilenames")));
    if (const DeepLookupObjectPtr& current = currentDeepLookupObject_) {
        query->setIsBookmark(current->isBookmark());
        query->setLastAccessDate(current->lastAccessDate());
        query->setMapid(current->mapid());
        query->setAlias(current->alias());
        query->setPreviousAccessDate(isNewSearch ? current->lastAccessDate() : current->previousAccessDate());
    }
    startSearchFor(query);
}

void DeepLookupVC::startSearchFor(const DeepLookupObjectPtr& query)
{
    labelResultsFound_->setText(QStringLiteral("Waiting for search results."));
    labelSelectedBytes_->clear();
    updateSearchHistory();
    disableSearchField();
    showBusySearchingWindow();
    if (deepLookupController_) deepLookupController_->setDpcontentArray({});
    outLineViewSearch_->sortData();
    saveLastSearchString(query->title().value_or(QString()));
    currentDeepLookupObject_ = query;
    if (deepLookupController_) {
        deepLookupController_->setLastSearchDate(query->previousAccessDate());
        deepLookupController_->searchFor(*query);
    }
}

void DeepLookupVC::saveLastSearchString(const QString& title)
{
    UserDefaults& d = UserDefaults::standard();
    const QString pattern = d.boolForKey(QStringLiteral("enableSearchTextHighlighting"))
                                ? SearchKeywordHighlighter::patternForTitle(title)
                                : QString();
    d.setString(pattern, QStringLiteral("lastSearchString"));
}

void DeepLookupVC::updateSearchHistory()
{
    const std::pair<TVLTextField*, const char*> fields[] = {
        {searchFieldTitle_, "deepLookupRecentTitle"},     {searchFieldGroups_, "deepLookupRecentGroups"},
        {searchFieldPoster_, "deepLookupRecentPoster"},   {searchFieldMinSize_, "deepLookupRecentMinSize"},
        {searchFieldMaxSize_, "deepLookupRecentMaxSize"},
    };
    for (const auto& [field, key] : fields)
        if (!field->stringValue().isEmpty())
            TVLComponentUtils::updateSearchHistoryWithObject(field->stringValue(), QString::fromLatin1(key));
    UserDefaults::standard().synchronize();
}

void DeepLookupVC::setQueryControlsEnabled(bool enabled)
{
    for (QWidget* w : std::initializer_list<QWidget*>{buttonSearch_, searchFieldTitle_, searchFieldGroups_,
                                                      searchFieldPoster_, searchFieldMinSize_, searchFieldMaxSize_,
                                                      buttonContent_, buttonDaysBack_})
        w->setEnabled(enabled);
}

void DeepLookupVC::disableSearchField()
{
    setQueryControlsEnabled(false);
    searchHistoryVC_->disableTableview();
    disablePagination();
}

void DeepLookupVC::enableSearchField()
{
    setQueryControlsEnabled(true);
    searchHistoryVC_->enableTableview();
    enablePagination();
}

void DeepLookupVC::requestForDeepLookup(const DeepLookupObjectPtr& query)
{
    if (!query) return;
    currentDeepLookupObject_ = query;
    initPagination();
    updateSearchFieldsWithObject(*query);
    initSearch(true);
}

void DeepLookupVC::updateSearchFieldsWithObject(const DeepLookupObject& query)
{
    searchFieldTitle_->setStringValue(query.title().value_or(QString()));
    searchFieldGroups_->setStringValue(query.group().value_or(QString()));
    searchFieldPoster_->setStringValue(query.poster().value_or(QString()));
    searchFieldMinSize_->setStringValue(query.minsize().value_or(QString()));
    searchFieldMaxSize_->setStringValue(query.maxsize().value_or(QString()));
    SearchPopUpItems::selectTag(buttonContent_, query.ero().value_or(QString()).toLongLong());
    SearchPopUpItems::selectTag(buttonDaysBack_, query.startdate().value_or(QString()).toLongLong());
}

// ---- the reply

void DeepLookupVC::updateSearchResultsInfoLabel(const QStringList& info)
{
    // The service promises seven elements but may send fewer (three is the
    // least the client accepts): show what is there, read nothing beyond.
    const auto at = [&info](int i) { return i < info.size() ? info[i] : QString(); };
    const qint64 count = at(0).toLongLong();
    pagination_.setTotalMatchedFound(quint64(std::max<qint64>(0, at(1).toLongLong())));
    const QString duration = at(2);
    const qint64 first = at(5).toLongLong();
    labelResultsFound_->setText(info.size() > 5
                                    ? QStringLiteral("Range: %1 - %2 (%3)").arg(first).arg(first + count).arg(duration)
                                    : QStringLiteral("Range: %1 - %2 (%3)").arg(0).arg(count).arg(duration));
    if (info.size() > 6 && at(6).toLongLong() != 0)
        deepLookupConsole(u"Search timeout occured after %@", duration);
}

void DeepLookupVC::searchResults(const DeepLookupContentParser::Result& result)
{
    if (result.info) updateSearchResultsInfoLabel(*result.info);
    if (result.error) deepLookupConsole(u"%s ERROR: %@", "searchResults", *result.error);
    if (deepLookupController_) deepLookupController_->setDpcontentArray(result.contentArray.value_or(QList<QueuePtr>()));
    storePageOffset();
    outLineViewSearch_->sortData();
    if (currentDeepLookupObject_ && result.newestTimestamp > 0 &&
        result.newestTimestamp > currentDeepLookupObject_->lastAccessDate())
        currentDeepLookupObject_->setLastAccessDate(result.newestTimestamp);
    const bool cancelled = searchIsCancelled_;
    searchIsFinished();
    const bool empty = !deepLookupController_ || deepLookupController_->dpcontentArray().isEmpty();
    if (empty && !cancelled)
        DialogBoxes::alertBoxDefault(QStringLiteral("No matches were found."),
                                     QStringLiteral("Search is finished and no matches were found."));
}

void DeepLookupVC::searchFailed(const QString& title, const QString& subtitle)
{
    labelResultsFound_->setText(title);
    DialogBoxes::alertBoxDefault(title, subtitle);
    searchIsFinished();
}

void DeepLookupVC::searchCancelled()
{
    labelResultsFound_->setText(QStringLiteral("Search was cancelled."));
    searchIsFinished();
}

void DeepLookupVC::searchIsFinished()
{
    addSearchToSearchHistory(currentDeepLookupObject_);
    enableSearchField();
    hideBusySearchingWindow();
    searchIsCancelled_ = false;
}

void DeepLookupVC::addSearchToSearchHistory(const DeepLookupObjectPtr& query)
{
    if (!query) return;
    if (query->isBookmark()) {
        // Only the first page tells the bookmark what was seen last.
        if (query->offset().value_or(QString()) == QLatin1String("0"))
            searchHistoryController_->updateBookmarkObject(*query);
        return;
    }
    searchHistoryVC_->addSearchToHistory(query);
}

// ---- busy window

void DeepLookupVC::showBusySearchingWindow()
{
    if (!busySearchingWC_) {
        const QRect frame(rightView_->mapTo(window(), QPoint(0, 0)), rightView_->size());
        busySearchingWC_ = new BusySearchingWC(QRectF(frame), window());
        connect(busySearchingWC_, &BusySearchingWC::closing, this, &DeepLookupVC::hideBusySearchingWindow);
    }
    busySearchingWC_->showWindow();
}

void DeepLookupVC::hideBusySearchingWindow()
{
    if (!busySearchingWC_) return;
    BusySearchingWC* busy = busySearchingWC_;
    busySearchingWC_ = nullptr;
    disconnect(busy, nullptr, this, nullptr);
    const bool cancelled = busy->isCancelled();
    busy->closeWindow();
    busy->deleteLater();
    if (cancelled) cancelSearch();
}

void DeepLookupVC::cancelSearch()
{
    searchIsCancelled_ = true;
    hideBusySearchingWindow();
    if (deepLookupController_) deepLookupController_->cancelSearch();
}

// ---- fields and tree

void DeepLookupVC::controlTextDidChange(TVLTextField* field)
{
    if (field != searchFieldPredicate_) return;
    filter_->controlTextDidChange(field->stringValue());
    actions_->updateMenuItemHideOldArticles();
}

void DeepLookupVC::reloadDeepLookupOutlineViewItemsInArray(const QList<QueuePtr>& items)
{
    for (const QueuePtr& item : items) outLineViewSearch_->reloadItem(item);
}

void DeepLookupVC::newFilepartsReceived(const QueuePtr& result)
{
    if (result) outLineViewSearch_->reloadItem(result);
}

void DeepLookupVC::openPostMsgWindowAndReplyTo(const QueuePtr& result)
{
    QVariantMap info;
    if (result) info.insert(QStringLiteral("queue"), QVariant::fromValue(result));
    NotificationHub::defaultCenter().post(QStringLiteral("OpenPostArticleWindow"), this, info);
}

void DeepLookupVC::saveAsNZB()
{
    actions_->saveAsNZB();
}

void DeepLookupVC::viewWillDisappear()
{
    searchHistoryController_->saveAllHistoryObjects();
    searchHistoryController_->saveAllBookmarkObjects();
    UserDefaults& d = UserDefaults::standard();
    d.setInteger(currentLeftPaneVC_, QStringLiteral("searchHistoryVCTag"));
    d.setBool(searchViewExpanded_, QStringLiteral("searchFieldsViewState"));
    if (!splitViewSearch_->isSubviewCollapsed(0)) saveXPositionForLeftDivider();
    d.synchronize();
}

void DeepLookupVC::splitViewSearchLeftCollapseStateChanged(bool collapsed)
{
    btnCollapseLeft_->setState(collapsed ? 1 : 0);
}

void DeepLookupVC::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    if (!event->spontaneous()) viewDidAppear();
}

void DeepLookupVC::viewDidAppear()
{
    btnCollapseLeft_->setState(splitViewSearch_->isSubviewCollapsed(0) ? 1 : 0);
    updateSearchFieldsView();
}

void DeepLookupVC::hideEvent(QHideEvent* event)
{
    QWidget::hideEvent(event);
    if (!event->spontaneous()) viewWillDisappear();
}

// ---- panes, extra fields, slogan and hints

void DeepLookupVC::toggleLeftPane()
{
    if (splitViewSearch_->isSubviewCollapsed(0))
        expandLeftPane();
    else
        collapseLeftPane();
}

void DeepLookupVC::collapseLeftPane()
{
    saveXPositionForLeftDivider();
    splitViewSearch_->setLeftPaneCollapsed(true);
}

void DeepLookupVC::expandLeftPane()
{
    const float stored = UserDefaults::standard().floatForKey(kLeftRestorePositionKey);
    // A width stored in a wider window may no longer fit.
    const bool fits = stored >= 1 && stored <= float(splitViewSearch_->maxPossibleLeftWidth() - 1);
    splitViewSearch_->setLeftPaneCollapsed(false, fits ? int(stored) : kDefaultLeftPaneWidth);
}

void DeepLookupVC::saveXPositionForLeftDivider()
{
    const int width = splitViewSearch_->sizes().value(0);
    if (width >= splitViewSearch_->maxPossibleLeftWidth()) return;
    UserDefaults& d = UserDefaults::standard();
    d.setFloat(float(width), kLeftRestorePositionKey);
    d.synchronize();
}

void DeepLookupVC::updateSearchFieldsView()
{
    searchViewExpanded_ = UserDefaults::standard().boolForKey(QStringLiteral("searchFieldsViewState"));
    changeSearchFieldsView();
}

void DeepLookupVC::toggleSearchFieldsView()
{
    searchViewExpanded_ = !searchViewExpanded_;
    changeSearchFieldsView();
}

void DeepLookupVC::changeSearchFieldsView()
{
    btnSearchFieldsExpand_->setChecked(searchViewExpanded_);
    btnSearchFieldsExpand_->setToolTip(searchViewExpanded_ ? QStringLiteral("Less search options")
                                                           : QStringLiteral("More search options"));
    expandedSearchWrapper_->setVisible(searchViewExpanded_);
    searchHeader_->setFixedHeight(searchViewExpanded_ ? kHeaderHeightExpanded : kHeaderHeightCollapsed);
}

qint64 DeepLookupVC::deepLookupSloganDays(qint64 now)
{
    return (now - kServiceIndexStart) / 86400;
}

void DeepLookupVC::makeDeepLookupSlogan()
{
    labelDeepLookupSlogan_->setText(QStringLiteral("Search and browse usenet up to %1 days back in time.")
                                        .arg(deepLookupSloganDays(QDateTime::currentSecsSinceEpoch())));
}

void DeepLookupVC::buildSlogan()
{
    // Over the empty result list until the first search.
    auto* over = new QVBoxLayout(outLineViewSearch_->viewport());
    labelDeepLookupSlogan_ = new QLabel(outLineViewSearch_->viewport());
    labelDeepLookupSlogan_->setObjectName(QStringLiteral("labelDeepLookupSlogan"));
    labelDeepLookupSlogan_->setAlignment(Qt::AlignCenter);
    labelDeepLookupSlogan_->setAttribute(Qt::WA_TransparentForMouseEvents);
    QFont font = labelDeepLookupSlogan_->font();
    font.setPointSizeF(font.pointSizeF() * 1.3);
    labelDeepLookupSlogan_->setFont(font);
    QPalette palette = labelDeepLookupSlogan_->palette();
    palette.setColor(QPalette::WindowText, QColor(128, 134, 140));
    labelDeepLookupSlogan_->setPalette(palette);
    over->addWidget(labelDeepLookupSlogan_, 0, Qt::AlignCenter);
}

void DeepLookupVC::setHideDeepLookupSlogan(bool hide)
{
    hideDeepLookupSlogan_ = hide;
    labelDeepLookupSlogan_->setVisible(!hide);
}

void DeepLookupVC::showDialogNewsgroupTypes()
{
    showOneTimeHint(QStringLiteral("showDialogNewsgroupTypes"), QStringLiteral("General and Erotica newsgroups"),
                    QStringLiteral("To speed up the search results, the General and Erotica newsgroups are indexed "
                                   "in different clusters. For that reason you must select 'General Newsgroups' or "
                                   "'Erotica Newsgroups' depending on the content you search for."));
}

void DeepLookupVC::showDialogNewSearchesOnly()
{
    showOneTimeHint(QStringLiteral("showDialogNextSearchesOnly"), QStringLiteral("Applied for new searches"),
                    QStringLiteral("The chosen feature affects new searches only."));
}

void DeepLookupVC::sendDeepLookupHelpNotification()
{
    NotificationHub::defaultCenter().post(QStringLiteral("ShowHelpWindowForTopic"), this,
                                          {{QStringLiteral("topic"), kHelpTopicDeepLookup}});
}

// ---- tools of the query fields

void DeepLookupVC::extraButtonClicked(QAbstractButton* button, const QString& identifier)
{
    fieldTools_->extraButtonClicked(button, identifier);
}
