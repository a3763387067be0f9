// The indexed-newsgroup selector against a scripted search service on
// 127.0.0.1, the text its choice gives a newsgroups field, and the Watchdog
// editor opening it.

#include "ui/search/tools/IndexedNewsgroupSelectorVC.h"

#include "controls/Artwork.h"
#include "controls/TVLTextField.h"
#include "platform/UserDefaults.h"
#include "search/DeepLookupSocket.h"
#include "search/IndexedNewsgroupSocket.h"
#include "search/WatchdogController.h"
#include "ui/search/tools/IndexedNewsGroupsDelegate.h"
#include "ui/search/tools/IndexedNewsgroupQuery.h"
#include "ui/search/tools/RequestNewsgroupWC.h"
#include "ui/search/watchdog/WatchdogEditWC.h"

#include "../PopupShot.h"
#include "support/EventLoop.h"
#include "support/Screenshot.h"
#include "support/ScriptedDialogAnswerer.h"
#include "support/ScriptedHttpServer.h"
#include "support/TempHome.h"

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QAction>
#include <QComboBox>
#include <QCoreApplication>
#include <QProgressBar>
#include <QPushButton>
#include <QSortFilterProxyModel>
#include <QTableView>
#include <QTest>

namespace {

const QByteArray kList = IndexedNewsgroupSocket::kPath.toLatin1();

struct Group
{
    QByteArray name;
    bool ero;
};

// A list reply as the service sends it: the record kind's line, then one
// line per group (an id, the name, the erotica flag).
HttpReply listReply(const QList<Group>& groups)
{
    QList<QByteArrayList> rows{{"LIST"}};
    int id = 1;
    for (const Group& g : groups) rows << QByteArrayList{QByteArray::number(id++), g.name, g.ero ? "1" : "0"};
    return HttpReply::text(HttpReply::tabLines(rows));
}

QList<IndexedNG> groupsOf(const QList<Group>& list)
{
    QList<IndexedNG> groups;
    for (const Group& g : list) {
        IndexedNG group;
        group.setNewsgroup(QString::fromLatin1(g.name));
        group.setEro(g.ero);
        groups << group;
    }
    return groups;
}

QStringList namesOf(const QList<IndexedNG>& groups)
{
    QStringList names;
    for (const IndexedNG& g : groups) names << g.newsgroup();
    return names;
}

struct Receiver : IndexedNewsGroupsDelegate
{
    QList<QList<IndexedNG>> received;
    void addNewsgroups(const QList<IndexedNG>& groups) override { received << groups; }
};

TEST(IndexedNewsgroupQuery, TurnsChosenGroupsIntoTheNewsgroupsField)
{
    struct Case
    {
        QList<Group> groups;
        std::optional<QString> text; // nothing: the field is left alone
        bool ero;
    };
    const Case cases[] = {
        {{{"alt.binaries", false}}, "alt.binaries", false},
        {{{"alt.binaries.foo", true}}, "foo", true},
        {{{"alt.binaries.x", false}, {"alt.binaries.y", false}}, "((x) OR (y))", false},
        // The last group decides the content type, whatever came before.
        {{{"alt.binaries.x", true}, {"misc.test", false}, {"alt.binaries.y", true}},
         "((x) OR (misc.test) OR (y))", true},
        {{{"alt.binaries.x", false}, {"alt.binaries.erotica.y", true}}, "((x) OR (erotica.y))", true},
        // "alt.binaries." goes wherever it stands.
        {{{"alt.binaries.sounds.alt.binaries.mp3", false}}, "sounds.mp3", false},
        // Nameless entries count for the wrapping only and set nothing.
        {{{"", true}, {"alt.binaries.z", false}}, "((z))", false},
        {{{"", true}}, std::nullopt, false},
        {{}, std::nullopt, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text.value_or("<none>").toStdString());
        const auto result = IndexedNewsgroupQuery::fromNewsgroups(groupsOf(c.groups));
        ASSERT_EQ(result.has_value(), c.text.has_value());
        if (!result) continue;
        EXPECT_EQ(result->text, *c.text);
        EXPECT_EQ(result->ero, c.ero);
    }
}

TEST(IndexedNewsgroupSelector, ReadsLinesOfThreeFieldsSortedCaseSensitively)
{
    struct Case
    {
        const char* name;
        QString reply;
        QStringList names;
        QList<bool> ero;
    };
    const Case cases[] = {
        {"one of each", "LIST\n1\ta.b.gen\t0\n2\ta.b.ero\t1\n", {"a.b.ero", "a.b.gen"}, {true, false}},
        {"short lines skipped", "LIST\n1\ta.b.two-fields\n\n3\ta.b.kept\t0\textra\n", {"a.b.kept"}, {false}},
        {"upper case first", "LIST\n1\tb.lower\t0\n2\tZ.upper\t0\n3\ta.lower\t1\n4\tA.upper\t0\n",
         {"A.upper", "Z.upper", "a.lower", "b.lower"}, {false, false, true, false}},
        {"nothing usable", "LIST\nDATA\tnothing\n", {}, {}},
    };
    const QImage eroIcon = QIcon(Artwork::pixmap(QStringLiteral("img_searchhistory_id_ero"), QSize(16, 16)))
                               .pixmap(16, 16).toImage();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const QList<IndexedNG> groups = IndexedNewsgroupSelectorVC::sortedNewsgroupsFromList(c.reply);
        EXPECT_EQ(namesOf(groups), c.names);
        for (qsizetype i = 0; i < groups.size() && i < c.ero.size(); ++i) {
            EXPECT_EQ(groups[i].ero(), c.ero[i]) << i;
            EXPECT_EQ(groups[i].icon().pixmap(16, 16).toImage() == eroIcon, c.ero[i]) << i;
        }
    }
}

class Selector : public ::testing::Test
{
protected:
    TempHome home;
    ScriptedDialogAnswerer dialogs;
    ScriptedHttpServer service;
    Receiver receiver;
    std::unique_ptr<IndexedNewsgroupSelectorVC> selector;

    void SetUp() override
    {
        ASSERT_TRUE(service.start());
        ASSERT_TRUE(DeepLookupSocket::setServiceURLForTesting(service.baseUrl()));
        selector = std::make_unique<IndexedNewsgroupSelectorVC>();
        selector->setDelegate(&receiver);
    }
    void TearDown() override
    {
        selector.reset();
        spinEventLoop(20);
        DeepLookupSocket::setServiceURLForTesting(QUrl());
    }

    // Shows the selector and waits until no download runs.
    void showAndWait()
    {
        selector->show();
        ASSERT_TRUE(waitUntil([&] { return !selector->isDownloading(); }, 10000));
    }
    QStringList shown() const
    {
        QStringList names;
        const QAbstractItemModel* m = selector->tableView()->model();
        for (int r = 0; r < m->rowCount(); ++r) names << m->index(r, 0).data().toString();
        return names;
    }
    void chooseRows(int count)
    {
        QAbstractItemModel* m = selector->tableView()->model();
        // In reverse, to show the hand-over follows the list, not the clicks.
        for (int r = count - 1; r >= 0; --r)
            selector->tableView()->selectionModel()->select(m->index(r, 0),
                                                            QItemSelectionModel::Select | QItemSelectionModel::Rows);
    }
};

TEST_F(Selector, DownloadsOnFirstShowAndFiltersByContentAndText)
{
    service.route("POST", kList,
                    listReply({{"alt.binaries.sounds", false}, {"alt.binaries.erotica", true},
                               {"alt.binaries.movies", false}, {"alt.binaries.pictures.erotica", true}})
                        .withDelay(300));
    UserDefaults::standard().setInteger(0, QStringLiteral("indexedNGContentTypeFilter"));
    selector->show();
    // While the list is on its way nothing can be chosen.
    ASSERT_TRUE(selector->isDownloading());
    EXPECT_TRUE(selector->progressIndicator()->isVisible());
    for (QWidget* w : std::initializer_list<QWidget*>{selector->contentFilterPopupButton(), selector->searchField(),
                                                      selector->selectButton(), selector->requestNewsgroupButton()})
        EXPECT_FALSE(w->isEnabled()) << w->objectName().toStdString();
    EXPECT_FALSE(selector->mnuItemRefresh()->isEnabled());
    ASSERT_TRUE(waitUntil([&] { return !selector->isDownloading(); }, 10000));
    EXPECT_EQ(service.requestsFor(kList).size(), 1);
    EXPECT_FALSE(selector->progressIndicator()->isVisible());
    EXPECT_TRUE(selector->selectButton()->isEnabled());
    EXPECT_TRUE(selector->mnuItemRefresh()->isEnabled());
    EXPECT_EQ(selector->arrayNewsgroups().size(), 4);
    EXPECT_EQ(shown(), QStringList({"alt.binaries.movies", "alt.binaries.sounds"}));

    // The content pop-up keeps its choice as the setting.
    QComboBox* content = selector->contentFilterPopupButton();
    content->activated(content->findData(qint64(1)));
    EXPECT_EQ(UserDefaults::standard().integerForKey(QStringLiteral("indexedNGContentTypeFilter")), 1);
    EXPECT_EQ(shown(), QStringList({"alt.binaries.erotica", "alt.binaries.pictures.erotica"}));
    // The search field filters what the content filter left, in any case.
    selector->searchField()->setStringValue(QStringLiteral("PICT"));
    EXPECT_EQ(shown(), QStringList({"alt.binaries.pictures.erotica"}));
    selector->searchField()->setStringValue(QString());
    // An unknown content type shows nothing.
    UserDefaults::standard().setInteger(7, QStringLiteral("indexedNGContentTypeFilter"));
    selector->buildContentFilterArray();
    EXPECT_TRUE(shown().isEmpty());
    UserDefaults::standard().setInteger(0, QStringLiteral("indexedNGContentTypeFilter"));
    selector->buildContentFilterArray();

    // Shown again, the kept list is used, under the content filter the
    // other host's selector may have changed meanwhile.
    selector->hide();
    UserDefaults::standard().setInteger(1, QStringLiteral("indexedNGContentTypeFilter"));
    showAndWait();
    spinEventLoop(50);
    EXPECT_EQ(service.requestsFor(kList).size(), 1);
    EXPECT_EQ(shown(), QStringList({"alt.binaries.erotica", "alt.binaries.pictures.erotica"}));
    EXPECT_EQ(content->currentData().toLongLong(), 1);
    // The menu's refresh asks again.
    selector->mnuItemRefresh()->trigger();
    ASSERT_TRUE(waitUntil([&] { return !selector->isDownloading(); }, 10000));
    EXPECT_EQ(service.requestsFor(kList).size(), 2);
    EXPECT_TRUE(dialogs.asked().isEmpty());
}

TEST_F(Selector, AFailedDownloadIsShownKeepsTheListAndIsTriedAgainAtTheNextShowing)
{
    service.enqueue("*", kList, HttpReply::text("OK"));
    showAndWait();
    ASSERT_EQ(dialogs.asked().size(), 1);
    EXPECT_EQ(dialogs.askedTitles().join("|").toStdString(), "No valid response from server (104)");
    EXPECT_EQ(dialogs.asked()[0].info, "Please try again or contact support.");
    EXPECT_TRUE(selector->arrayNewsgroups().isEmpty());
    EXPECT_TRUE(selector->selectButton()->isEnabled());
    EXPECT_FALSE(selector->progressIndicator()->isVisible());

    selector->hide();
    service.enqueue("*", kList, listReply({{"alt.binaries.boneless", false}}));
    showAndWait();
    EXPECT_EQ(service.requestsFor(kList).size(), 2);
    EXPECT_EQ(shown(), QStringList({"alt.binaries.boneless"}));

    // A reply of an unknown kind is reported, and its lines are read all the same.
    service.enqueue("*", kList, HttpReply::text("GROUPS\n1\talt.binaries.y\t0\n"));
    selector->mnuRefreshClicked();
    ASSERT_TRUE(waitUntil([&] { return !selector->isDownloading(); }, 10000));
    ASSERT_EQ(dialogs.asked().size(), 2);
    EXPECT_EQ(dialogs.asked()[1].title, "No data received from server");
    EXPECT_EQ(shown(), QStringList({"alt.binaries.y"}));

    // A failed refresh leaves the list it had.
    service.enqueue("*", kList, HttpReply::text(HttpReply::envelope({"ERROR", "Service paused", "Back soon."})));
    selector->mnuRefreshClicked();
    ASSERT_TRUE(waitUntil([&] { return !selector->isDownloading(); }, 10000));
    ASSERT_EQ(dialogs.asked().size(), 3);
    EXPECT_EQ(dialogs.asked()[2].title, "Service paused");
    EXPECT_EQ(dialogs.asked()[2].info, "Back soon.");
    EXPECT_EQ(shown(), QStringList({"alt.binaries.y"}));
}

TEST_F(Selector, HandsOverAtMostTenChosenGroupsInListOrder)
{
    QList<Group> groups;
    for (int i = 0; i < 15; ++i) groups << Group{"alt.binaries.g" + QByteArray::number(10 + i), false};
    service.route("*", kList, listReply(groups));
    showAndWait();
    ASSERT_EQ(shown().size(), 15);

    struct Case
    {
        int chosen;
        int handedOver;
    };
    for (const Case& c : {Case{12, 10}, Case{10, 10}, Case{2, 2}, Case{0, 0}}) {
        SCOPED_TRACE(c.chosen);
        receiver.received.clear();
        chooseRows(c.chosen);
        selector->selectButton()->click();
        ASSERT_EQ(receiver.received.size(), 1);
        QStringList expected;
        for (int i = 0; i < c.handedOver; ++i) expected << QStringLiteral("alt.binaries.g%1").arg(10 + i);
        EXPECT_EQ(namesOf(receiver.received[0]), expected);
        // The rows are let go for the next choice.
        EXPECT_FALSE(selector->tableView()->selectionModel()->hasSelection());
    }

    // A double click on a row chooses the selection too; behind the search
    // field's filter the chosen rows are the shown ones.
    receiver.received.clear();
    selector->searchField()->setStringValue(QStringLiteral("g2"));
    ASSERT_EQ(shown(), QStringList({"alt.binaries.g20", "alt.binaries.g21", "alt.binaries.g22", "alt.binaries.g23",
                                    "alt.binaries.g24"}));
    chooseRows(2);
    selector->tableView()->doubleClicked(selector->tableView()->model()->index(0, 0));
    ASSERT_EQ(receiver.received.size(), 1);
    EXPECT_EQ(namesOf(receiver.received[0]), QStringList({"alt.binaries.g20", "alt.binaries.g21"}));

    // A delegate that does not take groups gets nothing, and nothing breaks.
    IndexedNewsGroupsDelegate deaf;
    selector->setDelegate(&deaf);
    chooseRows(1);
    selector->selectButton()->click();
    EXPECT_EQ(receiver.received.size(), 1);
}

TEST_F(Selector, TheRequestButtonOpensOneRequestWindowAtATime)
{
    service.route("*", kList, listReply({{"alt.binaries.x", false}}));
    showAndWait();
    ASSERT_TRUE(selector->requestNewsgroupButton()->isVisible());
    selector->requestNewsgroupButton()->click();
    QPointer<RequestNewsgroupWC> window = selector->requestNewsgroupWC();
    ASSERT_TRUE(window);
    EXPECT_TRUE(window->isVisible());
    EXPECT_FALSE(selector->isVisible()); // the popup gave way

    // Asked again while it is open: the same window comes forward.
    showAndWait();
    selector->requestNewsgroupButton()->click();
    EXPECT_EQ(selector->requestNewsgroupWC(), window.data());

    // Closed, it is dropped, and the next request makes a new one.
    window->buttonCancel()->click();
    EXPECT_FALSE(selector->requestNewsgroupWC());
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_FALSE(window);
    showAndWait();
    selector->requestNewsgroupButton()->click();
    ASSERT_TRUE(selector->requestNewsgroupWC());
    EXPECT_TRUE(selector->requestNewsgroupWC()->isVisible());
    // It goes with the selector.
    QPointer<RequestNewsgroupWC> second = selector->requestNewsgroupWC();
    selector.reset();
    EXPECT_FALSE(second);
    EXPECT_TRUE(dialogs.asked().isEmpty());
}

// The Watchdog editor's newsgroups field opens the same selector, and the
// groups chosen there become the entry's newsgroups.
TEST(WatchdogEditorNewsgroups, TheFieldsButtonOpensTheSelectorAndTwoGroupsBecomeOneAlternative)
{
    TempHome home;
    ScriptedDialogAnswerer dialogs;
    ScriptedHttpServer service;
    ASSERT_TRUE(service.start());
    ASSERT_TRUE(DeepLookupSocket::setServiceURLForTesting(service.baseUrl()));
    service.route("*", kList,
                  listReply({{"alt.binaries.foo", false}, {"alt.binaries.bar", true}, {"alt.binaries.baz", false}}));
    UserDefaults::standard().setInteger(0, QStringLiteral("indexedNGContentTypeFilter"));
    WatchdogController wc{[] { return qint64(1'800'000'000); }};
    wc.setEditWindowPresenter([&wc](const WatchdogPtr& e) { WatchdogEditWC::showWindow(e, &wc); });
    wc.showWatchdogEditWindow(nullptr);
    QPointer<WatchdogEditWC> editor = WatchdogEditWC::openEditor();
    ASSERT_TRUE(editor);
    editor->resize(560, 420);
    spinEventLoop(50);

    auto* button = editor->textFieldNewsgroups()->findChild<QAbstractButton*>(QStringLiteral("extraButton"));
    ASSERT_TRUE(button);
    EXPECT_TRUE(button->isVisibleTo(editor));
    EXPECT_EQ(editor->textFieldNewsgroups()->tf_id(), "Newsgroups");
    button->click();
    IndexedNewsgroupSelectorVC* selector = editor->indexedNewsgroupSelectorVC();
    ASSERT_TRUE(selector);
    EXPECT_TRUE(selector->isVisible());
    ASSERT_TRUE(waitUntil([&] { return !selector->isDownloading(); }, 10000));
    EXPECT_EQ(selector->tableView()->model()->rowCount(), 2); // the general ones

    // Both content types are offered: pick one of each.
    QAbstractItemModel* m = selector->tableView()->model();
    ASSERT_EQ(m->index(1, 0).data().toString(), "alt.binaries.foo");
    selector->tableView()->selectionModel()->select(m->index(1, 0),
                                                    QItemSelectionModel::Select | QItemSelectionModel::Rows);
    saveScreenshot(grabWithPopup(editor, selector), "watchdog-editor-newsgroups.png");
    selector->selectButton()->click();
    EXPECT_FALSE(selector->isVisible());
    EXPECT_EQ(editor->textFieldNewsgroups()->stringValue(), "foo");

    button->click();
    EXPECT_EQ(editor->indexedNewsgroupSelectorVC(), selector); // made once
    EXPECT_EQ(service.requestsFor(kList).size(), 1);           // and its list kept
    QComboBox* content = selector->contentFilterPopupButton();
    content->activated(content->findData(qint64(1)));
    m = selector->tableView()->model();
    ASSERT_EQ(m->index(0, 0).data().toString(), "alt.binaries.bar");
    // "foo" is general and "bar" erotica: the last one chosen sets the type.
    IndexedNG foo;
    foo.setNewsgroup(QStringLiteral("alt.binaries.foo"));
    QList<IndexedNG> chosen{foo};
    chosen << selector->arrayFilteredNewsgroups().first();
    editor->addNewsgroups(chosen);
    EXPECT_EQ(editor->textFieldNewsgroups()->stringValue(), "((foo) OR (bar))");
    EXPECT_EQ(editor->btnContentType()->currentData().toLongLong(), 1);
    EXPECT_FALSE(selector->isVisible());

    editor->cancelButton()->click();
    ASSERT_TRUE(waitUntil([&] { return !editor; }));
    DeepLookupSocket::setServiceURLForTesting(QUrl());
}

} // namespace
