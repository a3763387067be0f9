// The history and bookmark windows, on a real history controller over
// stores in a temporary home.

#include "ui/search/panes/SearchAddBookmarksWC.h"
#include "ui/search/panes/SearchAddMapWC.h"
#include "ui/search/panes/SearchBookmarkMapChooser.h"
#include "ui/search/panes/SearchEditBookmarkWC.h"
#include "ui/search/panes/SearchEditHistoryEntryWC.h"
#include "ui/search/panes/SearchQueryFields.h"

#include "controls/TVLTextField.h"
#include "platform/NotificationHub.h"
#include "search/SearchHistoryController.h"
#include "support/EventLoop.h"
#include "support/ModalDriver.h"
#include "support/Screenshot.h"
#include "support/ScriptedDialogAnswerer.h"
#include "support/TempHome.h"

#include <gtest/gtest.h>

#include <QComboBox>
#include <QLineEdit>
#include <QMainWindow>
#include <QPushButton>

namespace {

DeepLookupObjectPtr entry(const QString& alias, std::optional<QString> startdate = QStringLiteral("30"),
                          const QString& ero = QStringLiteral("1"))
{
    DeepLookupObjectPtr q = DeepLookupObject::create();
    q->setAlias(alias);
    q->setTitle(alias + QStringLiteral(" words"));
    q->setGroup(QStringLiteral("alt.binaries.test"));
    q->setPoster(QStringLiteral("poster@example.invalid"));
    q->setMinsize(QStringLiteral("1000"));
    q->setMaxsize(QStringLiteral("2000000"));
    q->setStartdate(startdate);
    q->setEro(ero);
    q->setIcontype(ero);
    return q;
}

QStringList aliases(const QList<DeepLookupObjectPtr>& list)
{
    QStringList out;
    for (const DeepLookupObjectPtr& q : list)
        out.append(q->alias().value_or(QStringLiteral("<none>")));
    return out;
}

qint64 shownTag(const QComboBox* box)
{
    return box->currentData().toLongLong();
}

void type(TVLTextField* field, const QString& text)
{
    field->setStringValue(text);
}

struct PaneWindows : ::testing::Test
{
    TempHome home;
    ScriptedDialogAnswerer answers;
    SearchHistoryController history;

    // A map named `alias` holding bookmarks of these names, in order.
    DeepLookupObjectPtr map(const QString& alias, const QStringList& bookmarks = {})
    {
        const qint64 id = history.createMap(alias);
        QList<DeepLookupObjectPtr> children;
        for (const QString& b : bookmarks) {
            DeepLookupObjectPtr q = entry(b);
            q->setMapid(id);
            q->setIsBookmark(true);
            children.append(q);
        }
        history.insertBookmarkObjectsFromArray(children, id);
        return history.getMapObjectWithID(id);
    }
};

TEST_F(PaneWindows, TheHistoryEntryIsShownAndSavedInPlace)
{
    const DeepLookupObjectPtr a = entry("a"), b = entry("b", QStringLiteral("30"), QStringLiteral("1")), c = entry("c");
    history.replaceHistoryArrayWithArray({a, b, c});
    QList<qsizetype> replaced;
    QObject::connect(&history, &SearchHistoryController::historyReplaced, [&](qsizetype i) { replaced << i; });

    SearchEditHistoryEntryWC window(b, &history);
    whenShown<SearchEditHistoryEntryWC>([](SearchEditHistoryEntryWC* w) {
        SearchQueryFields* f = w->fields();
        EXPECT_EQ(f->sfAlias()->stringValue(), "b");
        EXPECT_EQ(f->sfTitle()->stringValue(), "b words");
        EXPECT_EQ(f->sfNewsgroup()->stringValue(), "alt.binaries.test");
        EXPECT_EQ(f->sfPoster()->stringValue(), "poster@example.invalid");
        EXPECT_EQ(f->sfMinSize()->stringValue(), "1000");
        EXPECT_EQ(f->sfMaxSize()->stringValue(), "2000000");
        EXPECT_EQ(shownTag(f->popupDays()), 30);
        EXPECT_EQ(shownTag(f->popupContent()), 1);
        type(f->sfAlias(), "renamed");
        type(f->sfTitle(), "other words");
        type(f->sfMaxSize(), "");
        f->popupDays()->setCurrentIndex(f->popupDays()->findData(qint64(7)));
        f->popupContent()->setCurrentIndex(f->popupContent()->findData(qint64(0)));
        w->btnSave()->click();
    });
    EXPECT_EQ(window.runModal(), 1);
    EXPECT_FALSE(window.isVisible());
    EXPECT_EQ(b->alias(), "renamed");
    EXPECT_EQ(b->title(), "other words");
    EXPECT_EQ(b->maxsize(), QString("")) << "an emptied field is stored as an empty text";
    EXPECT_EQ(b->startdate(), "7");
    EXPECT_EQ(b->ero(), "0");
    EXPECT_EQ(b->icontype(), "0");
    EXPECT_EQ(history.arraySearchHistory(), (QList<DeepLookupObjectPtr>{a, b, c})) << "changed in place";
    EXPECT_EQ(replaced, QList<qsizetype>{1}) << "the table is told which row changed";
    EXPECT_TRUE(answers.asked().isEmpty());
}

// Each window with an empty name: its message, the window stays open with
// its input, and a cancel afterwards changes nothing.
TEST_F(PaneWindows, EmptyNamesAreRefusedWithTheirMessages)
{
    const DeepLookupObjectPtr m = map("Films", {"kept"});
    const DeepLookupObjectPtr bookmark = m->childs()->first();
    const DeepLookupObjectPtr single = entry("single");
    history.replaceHistoryArrayWithArray({single});
    const QString bookmarkTitle = "Bookmark name cannot be empty", bookmarkInfo = "Please enter a valid bookmark name.";
    struct Case
    {
        const char* name;
        std::function<SearchPaneWindow*()> make;
        std::function<TVLTextField*(SearchPaneWindow*)> nameField;
        std::function<QPushButton*(SearchPaneWindow*)> save;
        qint64 cancelled;
        QString title, info;
    };
    const Case cases[] = {
        {"history entry", [&] { return new SearchEditHistoryEntryWC(single, &history); },
         [](SearchPaneWindow* w) { return static_cast<SearchEditHistoryEntryWC*>(w)->fields()->sfAlias(); },
         [](SearchPaneWindow* w) { return static_cast<SearchEditHistoryEntryWC*>(w)->btnSave(); }, 0, bookmarkTitle,
         bookmarkInfo},
        {"bookmark", [&] { return new SearchEditBookmarkWC(bookmark, &history); },
         [](SearchPaneWindow* w) { return static_cast<SearchEditBookmarkWC*>(w)->fields()->sfAlias(); },
         [](SearchPaneWindow* w) { return static_cast<SearchEditBookmarkWC*>(w)->btnSave(); }, 0, bookmarkTitle,
         bookmarkInfo},
        {"make bookmark", [&] { return new SearchAddBookmarksWC({single}, &history); },
         [](SearchPaneWindow* w) { return static_cast<SearchAddBookmarksWC*>(w)->sfAlias(); },
         [](SearchPaneWindow* w) { return static_cast<SearchAddBookmarksWC*>(w)->btnSubmit(); }, 0, bookmarkTitle,
         bookmarkInfo},
        {"new map", [&] { return new SearchAddMapWC(&history); },
         [](SearchPaneWindow* w) { return static_cast<SearchAddMapWC*>(w)->sfNewMap(); },
         [](SearchPaneWindow* w) { return static_cast<SearchAddMapWC*>(w)->btnSubmit(); }, -1,
         "Map name cannot be empty", "Please enter a valid map name."},
    };
    for (const Case& c : cases) {
        ScriptedDialogAnswerer caseAnswers;
        std::unique_ptr<SearchPaneWindow> window(c.make());
        whenShown<SearchPaneWindow>([&](SearchPaneWindow* w) {
            type(c.nameField(w), "");
            c.save(w)->click();
            EXPECT_TRUE(w->isVisible()) << c.name << ": the window stays open";
            type(c.nameField(w), "typed after the message");
            w->reject();
        });
        EXPECT_EQ(window->runModal(), c.cancelled) << c.name;
        ASSERT_EQ(caseAnswers.asked().size(), 1) << c.name;
        EXPECT_EQ(caseAnswers.asked()[0].title, c.title) << c.name;
        EXPECT_EQ(caseAnswers.asked()[0].info, c.info) << c.name;
    }
    EXPECT_EQ(single->alias(), "single");
    EXPECT_EQ(bookmark->alias(), "kept");
    EXPECT_EQ(aliases(history.arraySearchHistory()), QStringList{"single"});
    EXPECT_EQ(aliases(history.arraySearchBookmarks()), QStringList{"Films"});
    EXPECT_EQ(aliases(*m->childs()), QStringList{"kept"});
}

TEST_F(PaneWindows, ABookmarkWithoutUsableDaysShowsAnyAgeAndACancelKeepsIt)
{
    const DeepLookupObjectPtr m = map("Films");
    struct Case
    {
        std::optional<QString> startdate;
        qint64 shown;
    };
    const Case cases[] = {
        {QStringLiteral("0"), 10000}, {std::nullopt, 10000}, {QStringLiteral("-3"), 10000},
        {QStringLiteral("abc"), 10000}, {QStringLiteral("7"), 7}, {QStringLiteral("365"), 365},
    };
    for (const Case& c : cases) {
        DeepLookupObjectPtr b = entry("b", c.startdate);
        b->setTitle(std::nullopt);
        b->setMapid(m->mapid());
        history.insertBookmarkObjectsFromArray({b}, m->mapid());
        SearchEditBookmarkWC window(b, &history);
        whenShown<SearchEditBookmarkWC>([&](SearchEditBookmarkWC* w) {
            EXPECT_EQ(shownTag(w->fields()->popupDays()), c.shown) << c.startdate.value_or("<none>").toStdString();
            EXPECT_EQ(w->fields()->sfTitle()->stringValue(), "");
            w->btnCancel()->click();
        });
        EXPECT_EQ(window.runModal(), 0);
        EXPECT_EQ(b->startdate(), c.startdate) << "a cancel leaves the bookmark as it was";
        EXPECT_FALSE(b->title().has_value());
    }
    // Saved: the shown value is stored.
    DeepLookupObjectPtr b = entry("zero", QStringLiteral("0"));
    b->setMapid(m->mapid());
    history.insertBookmarkObjectsFromArray({b}, m->mapid());
    SearchEditBookmarkWC window(b, &history);
    whenShown<SearchEditBookmarkWC>([](SearchEditBookmarkWC* w) { w->btnSave()->click(); });
    EXPECT_EQ(window.runModal(), 1);
    EXPECT_EQ(b->startdate(), "10000");
}

TEST_F(PaneWindows, ABookmarkMadeWithNoMapGoesIntoDefaultMap)
{
    ASSERT_TRUE(history.arraySearchBookmarks().isEmpty());
    SearchEditBookmarkWC window(nullptr, &history);
    whenShown<SearchEditBookmarkWC>([](SearchEditBookmarkWC* w) {
        EXPECT_EQ(w->windowTitle(), "Create new bookmark");
        EXPECT_TRUE(w->newBookmark());
        EXPECT_EQ(w->mapChooser()->popupBookmarkMap()->currentText(), "Default map");
        EXPECT_EQ(shownTag(w->fields()->popupDays()), 10000);
        type(w->fields()->sfAlias(), "New one");
        type(w->fields()->sfTitle(), "linux iso");
        w->btnSave()->click();
    });
    EXPECT_EQ(window.runModal(), 1);
    ASSERT_EQ(aliases(history.arraySearchBookmarks()), QStringList{"Default map"});
    const DeepLookupObjectPtr defaultMap = history.arraySearchBookmarks().first();
    ASSERT_EQ(defaultMap->childs()->size(), 1);
    const DeepLookupObjectPtr made = defaultMap->childs()->first();
    EXPECT_EQ(made, window.searchObject());
    EXPECT_TRUE(made->isBookmark());
    EXPECT_FALSE(made->ismap());
    EXPECT_EQ(made->mapid(), defaultMap->mapid());
    EXPECT_EQ(made->alias(), "New one");
    EXPECT_EQ(made->title(), "linux iso");
    EXPECT_EQ(made->group(), QString(""));
    EXPECT_EQ(made->startdate(), "10000");
    EXPECT_EQ(made->ero(), "0");
    EXPECT_EQ(made->icontype(), "0");

    // With maps present none is added, and a cancelled new bookmark is
    // nowhere.
    SearchEditBookmarkWC cancelled(nullptr, &history);
    whenShown<SearchEditBookmarkWC>([](SearchEditBookmarkWC* w) {
        type(w->fields()->sfAlias(), "dropped");
        w->btnCancel()->click();
    });
    EXPECT_EQ(cancelled.runModal(), 0);
    EXPECT_EQ(aliases(history.arraySearchBookmarks()), QStringList{"Default map"});
    EXPECT_EQ(defaultMap->childs()->size(), 1);
}

TEST_F(PaneWindows, ABookmarkMovesToTheEndOfAnotherMapAndStaysInPlaceOtherwise)
{
    const DeepLookupObjectPtr films = map("Films", {"b1", "b2", "b3"}), music = map("Music", {"x"});
    const DeepLookupObjectPtr b1 = films->childs()->at(0);
    const auto edit = [&](const QString& alias, const QString& mapName) {
        SearchEditBookmarkWC window(b1, &history);
        whenShown<SearchEditBookmarkWC>([&](SearchEditBookmarkWC* w) {
            EXPECT_FALSE(w->newBookmark());
            EXPECT_EQ(w->windowTitle(), "Edit bookmark");
            type(w->fields()->sfAlias(), alias);
            QComboBox* maps = w->mapChooser()->popupBookmarkMap();
            maps->setCurrentIndex(maps->findText(mapName));
            w->btnSave()->click();
        });
        return window.runModal();
    };
    // The window opens on the bookmark's own map.
    {
        SearchEditBookmarkWC window(music->childs()->first(), &history);
        whenShown<SearchEditBookmarkWC>([](SearchEditBookmarkWC* w) {
            EXPECT_EQ(w->mapChooser()->popupBookmarkMap()->currentText(), "Music");
            w->btnCancel()->click();
        });
        window.runModal();
    }
    EXPECT_EQ(edit("first", "Films"), 1);
    EXPECT_EQ(aliases(*films->childs()), (QStringList{"first", "b2", "b3"}));
    EXPECT_EQ(edit("moved", "Music"), 1);
    EXPECT_EQ(aliases(*films->childs()), (QStringList{"b2", "b3"}));
    EXPECT_EQ(aliases(*music->childs()), (QStringList{"x", "moved"}));
    EXPECT_EQ(b1->mapid(), music->mapid());
}

TEST_F(PaneWindows, ThreeEntriesBecomeBookmarksWithTheirNamesInTheirOrder)
{
    const DeepLookupObjectPtr films = map("Films", {"old"}), music = map("Music", {"x"});
    const DeepLookupObjectPtr h1 = entry("h1"), h2 = entry("h2"), h3 = entry("h3"), h4 = entry("h4");
    history.replaceHistoryArrayWithArray({h1, h2, h3, h4});
    SearchAddBookmarksWC window({h1, h3, h4}, &history);
    whenShown<SearchAddBookmarksWC>([](SearchAddBookmarksWC* w) {
        EXPECT_FALSE(w->sfAlias()->isEnabled());
        EXPECT_EQ(w->sfAlias()->stringValue(), "");
        EXPECT_EQ(w->sfAlias()->textField()->placeholderText(), "<multiple values>");
        EXPECT_EQ(w->mapChooser()->popupBookmarkMap()->currentText(), "Films") << "the first map is chosen";
        QComboBox* maps = w->mapChooser()->popupBookmarkMap();
        maps->setCurrentIndex(maps->findText("Music"));
        w->btnSubmit()->click();
    });
    EXPECT_EQ(window.runModal(), 1);
    EXPECT_EQ(aliases(*music->childs()), (QStringList{"x", "h1", "h3", "h4"}));
    EXPECT_EQ(aliases(*films->childs()), QStringList{"old"});
    for (const DeepLookupObjectPtr& q : {h1, h3, h4}) {
        EXPECT_TRUE(q->isBookmark());
        EXPECT_EQ(q->mapid(), music->mapid());
    }
    EXPECT_EQ(history.arraySearchHistory(), QList<DeepLookupObjectPtr>{h2});
    EXPECT_TRUE(answers.asked().isEmpty());
}

// Without any map the entries used to leave the history and land nowhere.
TEST_F(PaneWindows, MakingABookmarkWithNoMapCreatesDefaultMapAndKeepsTheEntry)
{
    const DeepLookupObjectPtr h1 = entry("h1"), h2 = entry("h2");
    history.replaceHistoryArrayWithArray({h1, h2});
    {
        SearchAddBookmarksWC cancelled({h2}, &history);
        whenShown<SearchAddBookmarksWC>([](SearchAddBookmarksWC* w) { w->btnCancel()->click(); });
        EXPECT_EQ(cancelled.runModal(), 0);
        EXPECT_EQ(history.arraySearchHistory(), (QList<DeepLookupObjectPtr>{h1, h2}));
        EXPECT_FALSE(h2->isBookmark());
    }
    history.deleteBookmarkObjectsInArray(history.arraySearchBookmarks());
    ASSERT_TRUE(history.arraySearchBookmarks().isEmpty());

    SearchAddBookmarksWC window({h2}, &history);
    whenShown<SearchAddBookmarksWC>([](SearchAddBookmarksWC* w) {
        EXPECT_TRUE(w->sfAlias()->isEnabled());
        EXPECT_EQ(w->sfAlias()->stringValue(), "h2");
        EXPECT_EQ(w->mapChooser()->popupBookmarkMap()->currentText(), "Default map");
        type(w->sfAlias(), "renamed");
        w->btnSubmit()->click();
    });
    EXPECT_EQ(window.runModal(), 1);
    ASSERT_EQ(aliases(history.arraySearchBookmarks()), QStringList{"Default map"});
    const DeepLookupObjectPtr defaultMap = history.arraySearchBookmarks().first();
    EXPECT_EQ(*defaultMap->childs(), QList<DeepLookupObjectPtr>{h2});
    EXPECT_EQ(h2->alias(), "renamed");
    EXPECT_EQ(h2->mapid(), defaultMap->mapid());
    EXPECT_EQ(history.arraySearchHistory(), QList<DeepLookupObjectPtr>{h1});

    // Both lists reach the stores as they are now.
    ASSERT_TRUE(history.saveAllHistoryObjects());
    ASSERT_TRUE(history.saveAllBookmarkObjects());
    SearchHistoryController reloaded;
    EXPECT_EQ(aliases(reloaded.arraySearchHistory()), QStringList{"h1"});
    ASSERT_EQ(aliases(reloaded.arraySearchBookmarks()), QStringList{"Default map"});
    EXPECT_EQ(aliases(*reloaded.arraySearchBookmarks().first()->childs()), QStringList{"renamed"});
}

TEST_F(PaneWindows, TheNewMapWindowAnswersItsIdOrMinusOneOnEveryRun)
{
    SearchAddMapWC window(&history);
    whenShown<SearchAddMapWC>([](SearchAddMapWC* w) {
        EXPECT_EQ(w->newMapId(), -1);
        type(w->sfNewMap(), "Movies");
        w->btnSubmit()->click();
    });
    const qint64 made = window.runModal();
    ASSERT_NE(made, -1);
    EXPECT_EQ(window.newMapId(), made);
    const DeepLookupObjectPtr movies = history.getMapObjectWithID(made);
    ASSERT_TRUE(movies);
    EXPECT_EQ(movies->alias(), "Movies");
    EXPECT_TRUE(movies->ismap());

    // The same window again: it starts empty and a cancel answers -1.
    whenShown<SearchAddMapWC>([](SearchAddMapWC* w) {
        EXPECT_EQ(w->sfNewMap()->stringValue(), "");
        EXPECT_EQ(w->newMapId(), -1);
        type(w->sfNewMap(), "Not made");
        w->btnCancel()->click();
    });
    EXPECT_EQ(window.runModal(), -1);
    EXPECT_EQ(window.newMapId(), -1);
    // Quitting ends a run like a cancel.
    whenShown<SearchAddMapWC>([](SearchAddMapWC* w) {
        type(w->sfNewMap(), "Not made either");
        NotificationHub::defaultCenter().post(QStringLiteral("ApplicationWillTerminate"), nullptr);
    });
    EXPECT_EQ(window.runModal(), -1);
    EXPECT_EQ(aliases(history.arraySearchBookmarks()), QStringList{"Movies"});
}

TEST_F(PaneWindows, ANewMapMadeInTheSheetBecomesTheBookmarksMap)
{
    const DeepLookupObjectPtr films = map("Films", {"b"}), music = map("Music");
    const DeepLookupObjectPtr b = films->childs()->first();
    SearchEditBookmarkWC window(b, &history);
    whenShown<SearchEditBookmarkWC>([&](SearchEditBookmarkWC* w) {
        SearchBookmarkMapChooser* chooser = w->mapChooser();
        // A cancelled sheet keeps the choice.
        whenShown<SearchAddMapWC>([&](SearchAddMapWC* sheet) {
            EXPECT_EQ(sheet->windowModality(), Qt::WindowModal);
            EXPECT_EQ(sheet->parentWidget(), w);
            sheet->btnCancel()->click();
        });
        chooser->btnNewBookmarkMap()->click();
        EXPECT_EQ(chooser->popupBookmarkMap()->currentText(), "Films");
        SearchAddMapWC* first = chooser->searchAddMapWC();
        whenShown<SearchAddMapWC>([](SearchAddMapWC* sheet) {
            type(sheet->sfNewMap(), "Series");
            sheet->btnSubmit()->click();
        });
        chooser->btnNewBookmarkMap()->click();
        EXPECT_EQ(chooser->searchAddMapWC(), first) << "one new-map window per bookmark window";
        EXPECT_EQ(chooser->popupBookmarkMap()->count(), 3);
        EXPECT_EQ(chooser->popupBookmarkMap()->currentText(), "Series");
        EXPECT_TRUE(w->isVisible());
        w->btnSave()->click();
    });
    EXPECT_EQ(window.runModal(), 1);
    ASSERT_EQ(aliases(history.arraySearchBookmarks()), (QStringList{"Films", "Music", "Series"}));
    EXPECT_TRUE(films->childs()->isEmpty());
    EXPECT_EQ(*history.arraySearchBookmarks()[2]->childs(), QList<DeepLookupObjectPtr>{b});
}

TEST_F(PaneWindows, QuittingClosesEachWindowWithoutAChange)
{
    const DeepLookupObjectPtr films = map("Films", {"b"});
    const DeepLookupObjectPtr b = films->childs()->first(), h = entry("h");
    history.replaceHistoryArrayWithArray({h});
    const std::function<SearchPaneWindow*()> makers[] = {
        [&] { return new SearchEditHistoryEntryWC(h, &history); },
        [&] { return new SearchEditBookmarkWC(b, &history); },
        [&] { return new SearchAddBookmarksWC({h}, &history); },
    };
    for (const auto& make : makers) {
        std::unique_ptr<SearchPaneWindow> window(make());
        whenShown<SearchPaneWindow>([](SearchPaneWindow* w) {
            const QList<TVLTextField*> fields = w->findChildren<TVLTextField*>(QStringLiteral("sfAlias"));
            ASSERT_EQ(fields.size(), 1);
            type(fields.first(), "changed");
            NotificationHub::defaultCenter().post(QStringLiteral("ApplicationWillTerminate"), nullptr);
        });
        EXPECT_EQ(window->runModal(), 0) << window->objectName().toStdString();
        EXPECT_FALSE(window->isVisible());
    }
    // Quitting while the new-map sheet is open ends both runs.
    SearchEditBookmarkWC window(b, &history);
    whenShown<SearchEditBookmarkWC>([](SearchEditBookmarkWC* w) {
        whenShown<SearchAddMapWC>([](SearchAddMapWC* sheet) {
            type(sheet->sfNewMap(), "Never made");
            NotificationHub::defaultCenter().post(QStringLiteral("ApplicationWillTerminate"), nullptr);
        });
        w->mapChooser()->btnNewBookmarkMap()->click();
        EXPECT_FALSE(w->mapChooser()->searchAddMapWC()->isVisible());
    });
    EXPECT_EQ(window.runModal(), 0);
    EXPECT_FALSE(window.isVisible());

    EXPECT_EQ(h->alias(), "h");
    EXPECT_EQ(b->alias(), "b");
    EXPECT_EQ(history.arraySearchHistory(), QList<DeepLookupObjectPtr>{h});
    EXPECT_EQ(aliases(history.arraySearchBookmarks()), QStringList{"Films"});
}

TEST_F(PaneWindows, AWindowHangsAHundredPointsBelowTheMainWindowsTop)
{
    QMainWindow main;
    main.setGeometry(60, 50, 640, 480); // inside the 800 x 600 test screen
    main.show();
    SearchAddMapWC window(&history);
    whenShown<SearchAddMapWC>([&](SearchAddMapWC* w) {
        const QRect frame = w->frameGeometry(), reference = main.frameGeometry();
        EXPECT_EQ(frame.top(), reference.top() + 100);
        EXPECT_NEAR(frame.center().x(), reference.center().x(), 2);
        w->btnCancel()->click();
    });
    window.runModal();
}

// The four windows as a user sees them. BINORAMA_SCREENSHOT_DIR names a
// folder to keep the pictures in.
TEST_F(PaneWindows, LookFinished)
{
    const auto save = [](QWidget* w, const char* name) {
        spinEventLoop(50);
        const QImage shot = w->grab().toImage();
        EXPECT_FALSE(shot.isNull()) << name;
        EXPECT_GE(shot.width(), 340) << name;
        saveScreenshot(shot, name);
    };
    map("Linux images", {"Debian netinst"});
    map("Films");
    const DeepLookupObjectPtr h1 = entry("ubuntu 24.04 desktop iso"), h2 = entry("debian 12 netinst"),
                              h3 = entry("fedora workstation");
    history.replaceHistoryArrayWithArray({h1, h2, h3});

    SearchEditHistoryEntryWC edit(h1, &history);
    whenShown<SearchEditHistoryEntryWC>([&](SearchEditHistoryEntryWC* w) {
        save(w, "search-edit-history-entry.png");
        w->btnCancel()->click();
    });
    edit.runModal();

    SearchEditBookmarkWC bookmark(history.arraySearchBookmarks().first()->childs()->first(), &history);
    whenShown<SearchEditBookmarkWC>([&](SearchEditBookmarkWC* w) {
        save(w, "search-edit-bookmark.png");
        whenShown<SearchAddMapWC>([&](SearchAddMapWC* sheet) {
            type(sheet->sfNewMap(), "Distributions");
            save(sheet, "search-add-map.png");
            sheet->btnCancel()->click();
        });
        w->mapChooser()->btnNewBookmarkMap()->click();
        w->btnCancel()->click();
    });
    bookmark.runModal();

    SearchAddBookmarksWC add({h2, h3}, &history);
    whenShown<SearchAddBookmarksWC>([&](SearchAddBookmarksWC* w) {
        save(w, "search-add-bookmarks.png");
        w->btnCancel()->click();
    });
    add.runModal();
}

} // namespace
