// The search page's field tools and panes: the newsgroup selector and the
// size converter behind the query fields' extra buttons, the left pane's
// width, the row of extra fields, the slogan, the one-time hints and help;
// on the engine as the program wires it and a scripted search service on
// 127.0.0.1.

#include "ui/search/page/DeepLookupVC.h"

#include "controls/ButtonCollapseLeft.h"
#include "controls/TVLTextField.h"
#include "engine/EngineControllers.h"
#include "platform/NotificationHub.h"
#include "platform/UserDefaults.h"
#include "search/DeepLookupController.h"
#include "search/DeepLookupSocket.h"
#include "search/IndexedNewsgroupSocket.h"
#include "ui/search/page/ButtonExpandSearchFields.h"
#include "ui/search/page/DeepLookupFieldTools.h"
#include "ui/search/page/SplitViewSearch.h"
#include "ui/search/tools/BytesConverterVC.h"
#include "ui/search/tools/IndexedNewsgroupSelectorVC.h"

#include "../SearchPageFixture.h"
#include "support/DeepLookupReplyBuilder.h"
#include "../PopupShot.h"
#include "support/EventLoop.h"
#include "support/Screenshot.h"
#include "support/ScriptedDialogAnswerer.h"
#include "support/ScriptedHttpServer.h"
#include "support/TempHome.h"

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QCheckBox>
#include <QComboBox>
#include <QDateTime>
#include <QLabel>
#include <QPushButton>
#include <QTableView>
#include <QTest>

namespace {

const QByteArray kSearch = DeepLookupSocket::kSearchPath.toLatin1();
const QByteArray kList = IndexedNewsgroupSocket::kPath.toLatin1();

HttpReply oneResult()
{
    DeepLookupSearchRecord r;
    r.qid = "Q1";
    r.fid = "F1";
    r.title = "Holiday photos [1/1] - \"photos.rar\" yEnc";
    r.date = QByteArray::number(QDateTime::currentSecsSinceEpoch() - 3600);
    r.totalfiles = "1";
    return HttpReply::text(HttpReply::tabLines({{"INFO", "1|1|0.05s|x|x|0|0"}, r.fields()}));
}

HttpReply groupList()
{
    return HttpReply::text(HttpReply::tabLines({{"LIST"},
                                                {"1", "alt.binaries.boneless", "0"},
                                                {"2", "alt.binaries.erotica.pictures", "1"},
                                                {"3", "alt.binaries.movies", "0"},
                                                {"4", "alt.binaries.multimedia", "0"},
                                                {"5", "alt.binaries.erotica.movies", "1"},
                                                {"6", "alt.binaries", "0"},
                                                {"7", "alt.binaries.sounds.mp3", "0"},
                                                {"8", "alt.binaries.teevee", "0"},
                                                {"9", "alt.binaries.pictures", "0"}}));
}

class SearchPageTools : public SearchPageFixture
{
public:
    void beforeEngineStarts() override
    {
        service.route("POST", kSearch, oneResult());
        service.route("POST", kList, groupList());
    }
    // The page as the main window makes it, after the settings a test chose.
    void openPage(int width = 1200)
    {
        createPage(width, 700);
        spinEventLoop(20);
    }
    void search()
    {
        page->searchFieldTitle()->setStringValue(QStringLiteral("holiday"));
        page->searchButtonClicked();
        ASSERT_TRUE(waitUntil([&] { return idle(); }, 10000));
    }
    static QAbstractButton* extraButtonOf(TVLTextField* field)
    {
        return field->findChild<QAbstractButton*>(QStringLiteral("extraButton"));
    }
    int leftWidth() const { return page->splitViewSearch()->sizes().value(0); }
};

TEST_F(SearchPageTools, ChosenNewsgroupsFillTheFieldAndTheContentTypeFollows)
{
    UserDefaults::standard().setInteger(1, QStringLiteral("indexedNGContentTypeFilter"));
    UserDefaults::standard().setInteger(0, QStringLiteral("contentTag"));
    openPage();
    QAbstractButton* button = extraButtonOf(page->searchFieldGroups());
    ASSERT_TRUE(button);
    EXPECT_TRUE(button->isVisibleTo(page.get()));
    button->click();
    IndexedNewsgroupSelectorVC* selector = page->fieldTools().indexedNewsgroupSelectorVC();
    ASSERT_TRUE(selector);
    EXPECT_TRUE(selector->isVisible());
    ASSERT_TRUE(waitUntil([&] { return !selector->isDownloading(); }, 10000));
    QAbstractItemModel* rows = selector->tableView()->model();
    ASSERT_EQ(rows->rowCount(), 2); // the erotica groups, by name
    for (int r : {0, 1})
        selector->tableView()->selectionModel()->select(rows->index(r, 0),
                                                        QItemSelectionModel::Select | QItemSelectionModel::Rows);
    selector->selectButton()->click();
    EXPECT_FALSE(selector->isVisible());
    EXPECT_EQ(page->searchFieldGroups()->stringValue(), "((erotica.movies) OR (erotica.pictures))");
    EXPECT_EQ(UserDefaults::standard().integerForKey(QStringLiteral("contentTag")), 1);
    EXPECT_EQ(page->buttonContent()->currentData().toLongLong(), 1);

    // Then straight from the selector's side, one case at a time.
    struct Case
    {
        QList<std::pair<QString, bool>> groups;
        QString field;
        qint64 contentTag;
    };
    const Case cases[] = {
        {{{"alt.binaries", false}}, "alt.binaries", 0},
        {{{"alt.binaries.foo", false}}, "foo", 0},
        {{{"alt.binaries.x", false}, {"alt.binaries.y", false}}, "((x) OR (y))", 0},
        {{{"alt.binaries.x", false}, {"alt.binaries.erotica.y", true}}, "((x) OR (erotica.y))", 1},
        {{{"alt.binaries.erotica.y", true}, {"alt.binaries.x", false}}, "((erotica.y) OR (x))", 0},
        {{}, "kept", 1}, // only closes the selector
    };
    button->click();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.field.toStdString());
        page->searchFieldGroups()->setStringValue(QStringLiteral("kept"));
        UserDefaults::standard().setInteger(1, QStringLiteral("contentTag"));
        page->buttonContent()->setCurrentIndex(page->buttonContent()->findData(qint64(1)));
        QList<IndexedNG> groups;
        for (const auto& [name, ero] : c.groups) {
            IndexedNG g;
            g.setNewsgroup(name);
            g.setEro(ero);
            groups << g;
        }
        selector->show();
        page->fieldTools().addNewsgroups(groups);
        EXPECT_FALSE(selector->isVisible());
        EXPECT_EQ(page->searchFieldGroups()->stringValue(), c.field);
        EXPECT_EQ(UserDefaults::standard().integerForKey(QStringLiteral("contentTag")), c.contentTag);
        EXPECT_EQ(page->buttonContent()->currentData().toLongLong(), c.contentTag);
    }
    // One selector for the page's life, its list fetched once.
    button->click();
    EXPECT_EQ(page->fieldTools().indexedNewsgroupSelectorVC(), selector);
    EXPECT_EQ(service.requestsFor(kList).size(), 1);
    EXPECT_TRUE(dialogs.asked().isEmpty());
}

TEST_F(SearchPageTools, SizeFieldsTakeTheConvertersResult)
{
    struct Case
    {
        const char* field;
        qint64 unit;
        QString typed;
        QString minField;
        QString maxField;
    };
    const Case cases[] = {
        {"searchFieldMinSize", 2, "1,5", "1500000", "77"},
        {"searchFieldMaxSize", 1, "1.2345", "55", "1234"}, // whole bytes only
        {"searchFieldMaxSize", 4, "123456789", "55", "9999999999999999"},
        {"searchFieldMinSize", 3, "2", "2000000000", "77"},
        {"searchFieldMinSize", 1, "0.5", "55", "77"}, // no result keeps the field
        {"searchFieldMaxSize", 1, "", "55", "77"},
    };
    openPage();
    BytesConverterVC* first = nullptr;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.field + (" " + c.typed.toStdString()));
        page->searchFieldMinSize()->setStringValue(QStringLiteral("55"));
        page->searchFieldMaxSize()->setStringValue(QStringLiteral("77"));
        UserDefaults::standard().setInteger(c.unit, QStringLiteral("convertBytesUnit"));
        auto* field = page->findChild<TVLTextField*>(QString::fromLatin1(c.field));
        ASSERT_TRUE(field);
        QAbstractButton* button = extraButtonOf(field);
        ASSERT_TRUE(button);
        EXPECT_TRUE(button->isVisibleTo(page.get()));
        button->click();
        BytesConverterVC* vc = page->fieldTools().bytesConverterVC();
        ASSERT_TRUE(vc);
        if (!first) first = vc;
        EXPECT_EQ(vc, first); // made once
        EXPECT_TRUE(vc->isVisible());
        EXPECT_EQ(vc->textField(), field);
        vc->valueTextField()->setStringValue(c.typed);
        vc->convertToBytes();
        EXPECT_FALSE(vc->isVisible());
        EXPECT_EQ(page->searchFieldMinSize()->stringValue(), c.minField);
        EXPECT_EQ(page->searchFieldMaxSize()->stringValue(), c.maxField);
    }
    // Other identifiers open nothing.
    page->fieldTools().bytesConverterVC()->hide();
    page->extraButtonClicked(nullptr, QStringLiteral("Poster"));
    EXPECT_FALSE(page->fieldTools().bytesConverterVC()->isVisible());
    EXPECT_FALSE(page->fieldTools().indexedNewsgroupSelectorVC());
    page->fieldTools().bytesConversionFinishedWithValue(QStringLiteral("42"), nullptr);
    EXPECT_EQ(page->searchFieldMaxSize()->stringValue(), "77");
}

TEST_F(SearchPageTools, TheLeftPaneReopensAtItsStoredWidthOrAt200)
{
    struct Case
    {
        const char* name;
        std::optional<float> stored;
        int reopened;
    };
    const Case cases[] = {
        {"none stored", std::nullopt, 200}, {"zero", 0.0f, 200},     {"below one", 0.5f, 200},
        {"negative", -40.0f, 200},          {"too wide", 5000.0f, 200}, {"fits", 260.0f, 260},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        UserDefaults& d = UserDefaults::standard();
        if (c.stored)
            d.setFloat(*c.stored, QStringLiteral("SplitViewSearchLeftRestorePosition"));
        else
            d.removeObjectForKey(QStringLiteral("SplitViewSearchLeftRestorePosition"));
        openPage();
        page->splitViewSearch()->setLeftPaneCollapsed(true);
        ASSERT_EQ(leftWidth(), 0);
        EXPECT_EQ(page->btnCollapseLeft()->state(), 1);
        page->btnCollapseLeft()->click();
        EXPECT_EQ(leftWidth(), c.reopened);
        EXPECT_EQ(page->btnCollapseLeft()->state(), 0);
        page.reset();
    }

    // Collapsing stores the width the pane had; reopening brings it back.
    UserDefaults::standard().removeObjectForKey(QStringLiteral("SplitViewSearchLeftRestorePosition"));
    openPage();
    page->splitViewSearch()->setSizes({310, 890});
    page->btnCollapseLeft()->click();
    EXPECT_EQ(leftWidth(), 0);
    EXPECT_EQ(UserDefaults::standard().floatForKey(QStringLiteral("SplitViewSearchLeftRestorePosition")), 310.0f);
    page->toggleLeftPane();
    EXPECT_EQ(leftWidth(), 310);
    // A pane as wide as it can be is not stored: it would not fit again.
    const int widest = page->splitViewSearch()->maxPossibleLeftWidth();
    page->splitViewSearch()->setSizes({widest, 1200 - widest});
    ASSERT_EQ(leftWidth(), widest);
    page->saveXPositionForLeftDivider();
    EXPECT_EQ(UserDefaults::standard().floatForKey(QStringLiteral("SplitViewSearchLeftRestorePosition")), 310.0f);
}

TEST_F(SearchPageTools, TheExtraFieldsRowSwitchesTheHeaderBetweenTwoHeights)
{
    UserDefaults::standard().setBool(false, QStringLiteral("searchFieldsViewState"));
    openPage();
    ButtonExpandSearchFields* expand = page->btnSearchFieldsExpand();
    EXPECT_FALSE(page->searchViewExpanded());
    EXPECT_FALSE(expand->isChecked());
    EXPECT_FALSE(page->expandedSearchWrapper()->isVisible());
    EXPECT_EQ(page->searchHeader()->height(), 41);
    EXPECT_EQ(expand->toolTip(), "More search options");

    expand->click();
    spinEventLoop(20);
    EXPECT_TRUE(page->searchViewExpanded());
    EXPECT_TRUE(expand->isChecked());
    EXPECT_TRUE(page->expandedSearchWrapper()->isVisible());
    EXPECT_EQ(page->searchHeader()->height(), 81);
    EXPECT_EQ(expand->toolTip(), "Less search options");
    // Every field of both rows is whole inside the header.
    for (QWidget* w : std::initializer_list<QWidget*>{page->searchFieldTitle(), page->searchFieldGroups(),
                                                      page->searchFieldMaxSize(), page->buttonSearch()}) {
        const QRect r(w->mapTo(page->searchHeader(), QPoint(0, 0)), w->size());
        EXPECT_TRUE(page->searchHeader()->rect().contains(r)) << w->objectName().toStdString();
    }

    // Kept when the page goes, and shown so when it comes back.
    page->hide();
    EXPECT_TRUE(UserDefaults::standard().boolForKey(QStringLiteral("searchFieldsViewState")));
    page.reset();
    openPage();
    EXPECT_TRUE(page->expandedSearchWrapper()->isVisible());
    EXPECT_EQ(page->searchHeader()->height(), 81);
    page->toggleSearchFieldsView();
    EXPECT_EQ(page->searchHeader()->height(), 41);
}

TEST_F(SearchPageTools, OneTimeHintsStopOnlyAfterDontShowAgain)
{
    struct Hint
    {
        const char* key;
        QString title;
        std::function<void(SearchPageTools&)> trigger;
    };
    const Hint hints[] = {
        {"showDialogNewsgroupTypes", "General and Erotica newsgroups", [](SearchPageTools& t) { t.search(); }},
        {"showDialogNextSearchesOnly", "Applied for new searches",
         [](SearchPageTools& t) { t.page->btnHidePwdEntries()->click(); }},
        {"showDialogNextSearchesOnly", "Applied for new searches",
         [](SearchPageTools& t) { t.page->btnHideObfuscation()->click(); }},
    };
    UserDefaults::standard().setBool(true, QStringLiteral("searchFieldsViewState"));
    openPage();
    for (const Hint& h : hints) {
        SCOPED_TRACE(h.key);
        const QString key = QString::fromLatin1(h.key);
        UserDefaults::standard().setBool(true, key);
        ScriptedDialogAnswerer answers;
        // "OK" twice, then "Don't show again".
        answers.script({DialogBoxes::kFirstButton, DialogBoxes::kFirstButton, DialogBoxes::kSecondButton});
        for (int i = 0; i < 4; ++i) h.trigger(*this);
        ASSERT_EQ(answers.asked().size(), 3);
        for (const DialogRequest& asked : answers.asked()) EXPECT_EQ(asked.title, h.title);
        EXPECT_FALSE(UserDefaults::standard().boolForKey(key));
    }
    EXPECT_EQ(dialogs.asked().size(), 0);
    EXPECT_EQ(service.requestsFor(kSearch).size(), 4);
}

TEST_F(SearchPageTools, TheSloganCountsWholeDaysSinceTheIndexBegan)
{
    struct Case
    {
        qint64 now;
        qint64 days;
    };
    const Case cases[] = {
        {1216899420, 0},
        {1216899420 + 86399, 0},
        {1216899420 + 86400, 1},
        {1765324800, 6347}, // 2025-12-10 00:00 UTC
        {1216899420 - 86399, 0}, // a clock set before the start counts toward zero
    };
    for (const Case& c : cases) EXPECT_EQ(DeepLookupVC::deepLookupSloganDays(c.now), c.days) << c.now;

    openPage();
    const qint64 before = DeepLookupVC::deepLookupSloganDays(QDateTime::currentSecsSinceEpoch());
    const QString text = page->labelDeepLookupSlogan()->text();
    const qint64 after = DeepLookupVC::deepLookupSloganDays(QDateTime::currentSecsSinceEpoch());
    EXPECT_TRUE(text == QStringLiteral("Search and browse usenet up to %1 days back in time.").arg(before) ||
                text == QStringLiteral("Search and browse usenet up to %1 days back in time.").arg(after))
        << text.toStdString();
    EXPECT_TRUE(page->labelDeepLookupSlogan()->isVisible());
    EXPECT_FALSE(page->hideDeepLookupSlogan());
    UserDefaults::standard().setBool(false, QStringLiteral("showDialogNewsgroupTypes"));
    search();
    EXPECT_TRUE(page->hideDeepLookupSlogan());
    EXPECT_FALSE(page->labelDeepLookupSlogan()->isVisible());
}

TEST_F(SearchPageTools, HelpAsksForTheSearchServiceTopic)
{
    openPage();
    QList<Notification> heard;
    QObject owner;
    NotificationHub::defaultCenter().addObserver(QStringLiteral("ShowHelpWindowForTopic"), &owner,
                                                 [&](const Notification& n) { heard << n; });
    page->helpButton()->click();
    ASSERT_EQ(heard.size(), 1);
    EXPECT_EQ(heard[0].object, page.get());
    EXPECT_EQ(heard[0].userInfo.value(QStringLiteral("topic")).toInt(), 1);
    NotificationHub::defaultCenter().removeObserver(&owner);
}

// What a user sees: the page before its first search (the slogan, both rows
// of fields), the newsgroup selector open with the service's groups, and the
// converter at a size field.
TEST_F(SearchPageTools, LooksFinished)
{
    UserDefaults::standard().setBool(true, QStringLiteral("searchFieldsViewState"));
    UserDefaults::standard().setInteger(0, QStringLiteral("indexedNGContentTypeFilter"));
    openPage(1300);
    page->window()->setWindowTitle("Binorama — Search");
    spinEventLoop(200);
    EXPECT_TRUE(page->labelDeepLookupSlogan()->isVisible());
    saveScreenshot(page->grab().toImage(), "search-page-slogan.png");

    extraButtonOf(page->searchFieldGroups())->click();
    IndexedNewsgroupSelectorVC* selector = page->fieldTools().indexedNewsgroupSelectorVC();
    ASSERT_TRUE(waitUntil([&] { return !selector->isDownloading(); }, 10000));
    selector->tableView()->selectRow(2);
    spinEventLoop(200);
    // The popup lies below the field's button, inside the page's width.
    const QRect popup(selector->pos() - page->mapToGlobal(QPoint(0, 0)), selector->size());
    EXPECT_GE(popup.top(), page->searchFieldGroups()->mapTo(page.get(), QPoint(0, 0)).y());
    saveScreenshot(grabWithPopup(page.get(), selector), "newsgroup-selector.png");
    selector->hide();

    UserDefaults::standard().setInteger(2, QStringLiteral("convertBytesUnit"));
    extraButtonOf(page->searchFieldMinSize())->click();
    page->fieldTools().bytesConverterVC()->valueTextField()->setStringValue(QStringLiteral("700"));
    spinEventLoop(200);
    saveScreenshot(grabWithPopup(page.get(), page->fieldTools().bytesConverterVC()), "search-page-converter.png");
    page->fieldTools().bytesConverterVC()->hide();

    page->btnSearchFieldsExpand()->click();
    spinEventLoop(100);
    saveScreenshot(page->grab().toImage(), "search-page-fields-collapsed.png");
}

} // namespace
