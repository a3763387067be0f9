// The settings window, offscreen, with the engine behind it: which page it
// opens on, what it remembers, and what closing it saves and announces.

#include "ui/prefs/PrefsWC.h"
#include "ui/prefs/PrefsPages.h"
#include "ui/prefs/PrefsServersVC.h"
#include "ui/prefs/TableViewNewsServers.h"

#include "engine/EngineControllers.h"
#include "nntp/DBNNTPServers.h"
#include "nntp/NNTPServersController.h"
#include "platform/NotificationHub.h"
#include "platform/UserDefaults.h"
#include "ui/core/WindowPlacement.h"

#include "support/EventLoop.h"
#include "support/ScriptedDialogAnswerer.h"
#include "support/TempHome.h"

#include <gtest/gtest.h>

#include <QGuiApplication>
#include <QMainWindow>
#include <QPropertyAnimation>
#include <QScreen>
#include <QToolButton>

#include <functional>
#include <optional>

namespace {

class SettingsWindow : public ::testing::Test
{
protected:
    TempHome home;
    ScriptedDialogAnswerer dialogs;
    EngineControllers engine;
    QStringList posted;
    QObject listener; // its observations end with it

    void SetUp() override
    {
        engine.initControllers();
        for (const char* name : {"NNTPServerListChanged", "RebuildStatsUsageGraph"}) {
            const QString n = QString::fromLatin1(name);
            NotificationHub::defaultCenter().addObserver(n, &listener,
                                                         [this, n](const Notification&) { posted << n; });
        }
    }

    NNTPServersController& servers() { return *engine.nntpServersController(); }

    std::unique_ptr<PrefsWC> open(std::optional<int> forced = std::nullopt)
    {
        auto wc = std::make_unique<PrefsWC>(PrefsContext::fromEngine(engine), forced);
        wc->show();
        return wc;
    }

    // One stored server, as the list is on an ordinary start.
    NNTPServerObjectPtr storedServer()
    {
        const NNTPServerObjectPtr s = servers().createNewNNTPServer();
        s->setAlias("Stored");
        s->setAddress("news.example.org");
        EXPECT_TRUE(servers().saveNNTPServers());
        return s;
    }
};

} // namespace

TEST_F(SettingsWindow, EveryPageHasItsButtonAndTitle)
{
    const auto wc = open();
    const QStringList titles{"NewsServers", "Download", "Post", "Statistics", "Interface", "DeepLookup", "Updates"};
    for (int n = 1; n <= PrefsPages::kCount; ++n) {
        QToolButton* button = wc->pageButton(n);
        ASSERT_NE(button, nullptr) << n;
        EXPECT_EQ(button->text(), titles[n - 1]);
        EXPECT_EQ(button->objectName(), "tbButton" + titles[n - 1]);
        // A page that cannot be shown yet is not offered.
        EXPECT_EQ(button->isEnabled(), PrefsPages::entryFor(n)->maker != nullptr) << n;
    }
    EXPECT_TRUE(wc->pageButton(PrefsPages::kNewsServers)->isEnabled());
}

TEST_F(SettingsWindow, OpensOnTheRememberedOrTheAskedPage)
{
    const struct
    {
        qint64 remembered;
        std::optional<int> forced;
        int shown;
        const char* title;
        qint64 downloadSubPage; // -1: not written
    } cases[] = {
        {0, std::nullopt, 1, "NewsServers", -1}, // nothing remembered yet
        {1, std::nullopt, 1, "NewsServers", -1},
        {3, 0, 1, "NewsServers", -1},
        {1, 8, 2, "Download", 5},
        {3, 2, 2, "Download", -1},
        {42, std::nullopt, 42, "", -1}, // a number of no page
    };
    for (const auto& c : cases) {
        UserDefaults::standard().setInteger(c.remembered, "lastUsedPrefView");
        UserDefaults::standard().removeObjectForKey("lastUsedPrefsDownloadView");
        const auto wc = open(c.forced);
        // A page that cannot be shown (not built, or no page at all) never
        // leaves the window empty: the news servers are shown instead.
        const PrefsPages::Entry* entry = PrefsPages::entryFor(c.shown);
        const bool shownHere = entry && entry->maker;
        const int shown = shownHere ? c.shown : PrefsPages::kNewsServers;
        EXPECT_EQ(wc->currentVCTag(), shown) << c.remembered;
        EXPECT_EQ(wc->titleBarText(), shownHere ? QString::fromLatin1(c.title) : "NewsServers");
        ASSERT_NE(wc->topVC(), nullptr);
        EXPECT_TRUE(wc->pageButton(shown)->isChecked());
        if (c.downloadSubPage >= 0)
            EXPECT_EQ(UserDefaults::standard().integerForKey("lastUsedPrefsDownloadView"), c.downloadSubPage);
        else
            EXPECT_FALSE(UserDefaults::standard().hasStoredValue("lastUsedPrefsDownloadView"));
        wc->close();
        EXPECT_EQ(UserDefaults::standard().integerForKey("lastUsedPrefView"), shown);
    }
}

TEST_F(SettingsWindow, TheServersPageIsMadeOnceAndItsButtonStaysOn)
{
    const auto wc = open();
    QWidget* page = wc->topVC();
    ASSERT_NE(qobject_cast<PrefsServersVC*>(page), nullptr);
    EXPECT_EQ(wc->page(PrefsPages::kNewsServers), page);
    EXPECT_EQ(page->parentWidget(), wc->topContainer());
    wc->pageButton(PrefsPages::kNewsServers)->click();
    EXPECT_TRUE(wc->pageButton(PrefsPages::kNewsServers)->isChecked());
    EXPECT_EQ(wc->topVC(), page);
    // The first page is shown without an animation; the window fits it.
    EXPECT_EQ(wc->frameAnimation(), nullptr);
    EXPECT_GE(wc->height(), page->sizeHint().height() + PrefsWC::kToolbarHeight);
}

TEST_F(SettingsWindow, IsPlacedBelowTheMainWindowsTop)
{
    QMainWindow main;
    main.setGeometry(60, 40, 1000, 700);
    main.show();
    const auto wc = open();
    const QRect visible = QGuiApplication::primaryScreen()->availableGeometry();
    EXPECT_EQ(wc->pos(), WindowPlacement::centeredOrigin(main.frameGeometry(), wc->frameGeometry().size(), visible,
                                                         PrefsWC::kWindowDistance));
}

TEST_F(SettingsWindow, LaterSwitchesAnimateWithTheTopEdgeKept)
{
    int other = 0;
    for (const PrefsPages::Entry& entry : PrefsPages::entries())
        if (entry.number != PrefsPages::kNewsServers && entry.maker && !other) other = entry.number;
    if (!other) GTEST_SKIP() << "only the news-server page is built";
    const auto wc = open(PrefsPages::kNewsServers);
    const QRect before = wc->geometry();
    wc->pageButton(other)->click();
    QPropertyAnimation* animation = wc->frameAnimation();
    ASSERT_NE(animation, nullptr);
    EXPECT_EQ(animation->duration(), PrefsWC::kAnimationMs);
    const QRect target = animation->endValue().toRect();
    EXPECT_EQ(target.top(), before.top());
    EXPECT_EQ(target, PrefsWC::newFrameForContent(before, target.size() - QSize(0, PrefsWC::kToolbarHeight)));
    ASSERT_TRUE(waitUntil([&] { return wc->frameAnimation() == nullptr; }, 3000));
    EXPECT_EQ(wc->geometry(), target);
    EXPECT_EQ(wc->currentVCTag(), other);
}

TEST_F(SettingsWindow, ANewPageFrameKeepsTheTopEdgeAndTheCentre)
{
    const struct
    {
        QRect current;
        QSize content;
        QRect expected;
    } cases[] = {
        {{100, 50, 600, 400}, {800, 500}, {0, 50, 800, 552}},
        {{100, 50, 600, 400}, {401, 300}, {199, 50, 401, 352}}, // shift rounded up
        {{100, 50, 600, 400}, {601, 300}, {99, 50, 601, 352}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(PrefsWC::newFrameForContent(c.current, c.content), c.expected);
}

TEST_F(SettingsWindow, ClosingSavesOnlyWhatChangedAndSaysWhat)
{
    const struct
    {
        const char* what;
        std::function<void(const NNTPServerObjectPtr&, PrefsServersVC&)> change;
        QStringList posted;
        bool saved;
    } cases[] = {
        {"nothing", [](const NNTPServerObjectPtr&, PrefsServersVC&) {}, {}, false},
        {"a colour",
         [](const NNTPServerObjectPtr&, PrefsServersVC& page) { page.setSelectedServerColor(QColor(1, 2, 3)); },
         {"RebuildStatsUsageGraph"},
         true},
        {"an address", [](const NNTPServerObjectPtr& s, PrefsServersVC&) { s->setAddress("news2.example.org"); },
         {"NNTPServerListChanged"},
         true},
        {"a new server", [](const NNTPServerObjectPtr&, PrefsServersVC& page) { page.addNewNNTPServer(); },
         {"NNTPServerListChanged"},
         true},
    };
    for (const auto& c : cases) {
        servers().mutableArrayNNTPServers().clear();
        const NNTPServerObjectPtr s = storedServer();
        const QColor storedColor = s->color();
        posted.clear();
        const auto wc = open();
        auto* page = qobject_cast<PrefsServersVC*>(wc->topVC());
        ASSERT_NE(page, nullptr);
        c.change(s, *page);
        wc->close();
        EXPECT_EQ(posted, c.posted) << c.what;
        EXPECT_EQ(servers().shouldSaveNNTPServers(), c.saved) << c.what;
        const QList<NNTPServerObjectPtr> stored = DBNNTPServers().loadAllNNTPServers();
        EXPECT_EQ(stored.size(), servers().arrayNNTPServers().size()) << c.what;
        ASSERT_FALSE(stored.isEmpty());
        // Colours are stored as text with three decimals: compared so.
        EXPECT_EQ(DBNNTPServers::convertColorToString(stored.first()->color()),
                  DBNNTPServers::convertColorToString(c.saved ? s->color() : storedColor))
            << c.what;
        EXPECT_EQ(stored.first()->address(), s->address()) << c.what;
        // Closed once is closed: a second close compares nothing again.
        posted.clear();
        wc->closeWindow();
        EXPECT_TRUE(posted.isEmpty());
    }
}

TEST_F(SettingsWindow, TheProgramsEndClosesTheWindowAndSaves)
{
    const NNTPServerObjectPtr s = storedServer();
    const auto wc = open();
    s->setAlias("Renamed");
    // Saved before the post returns: the closing phases that follow may end
    // the event loop before anything queued runs.
    NotificationHub::defaultCenter().post(QStringLiteral("ApplicationWillTerminate"));
    EXPECT_FALSE(wc->isVisible());
    EXPECT_EQ(posted, QStringList({"NNTPServerListChanged"}));
    EXPECT_EQ(DBNNTPServers().loadAllNNTPServers().first()->alias(), "Renamed");
}

TEST_F(SettingsWindow, ScreenshotOfTheServersPageWithThreeServers)
{
    const struct
    {
        const char* alias;
        const char* address;
        int port;
        bool ssl;
        int connections;
        bool backup;
        QColor color;
    } rows[] = {
        {"Fast News", "news.fastnews.example", 563, true, 20, false, QColor(47, 117, 189)},
        {"Block Account", "ssl.blocknews.example", 563, true, 8, true, QColor(226, 132, 44)},
        {"Old Provider", "news.oldprovider.example", 119, false, 4, false, QColor(96, 168, 80)},
    };
    for (const auto& r : rows) {
        const NNTPServerObjectPtr s = servers().createNewNNTPServer();
        s->setAlias(r.alias);
        s->setAddress(r.address);
        s->setPort(r.port);
        s->setSsl(r.ssl);
        s->setMaxConnections(r.connections);
        s->setIsbackupServerOnly(r.backup);
        s->setUsername("ann.example");
        s->setPassword("password");
        s->setColor(r.color);
    }
    servers().arrayNNTPServers().at(2)->setEnabled(false);
    const auto wc = open();
    auto* page = qobject_cast<PrefsServersVC*>(wc->topVC());
    ASSERT_NE(page, nullptr);
    page->tableviewNewsServers()->selectRow(1);
    spinEventLoop(50);
    const QImage shot = wc->grab().toImage();
    // The whole page is in the window: nothing cut at its edges.
    EXPECT_GE(wc->width(), page->minimumSizeHint().width());
    EXPECT_GE(wc->height(), page->minimumSizeHint().height() + PrefsWC::kToolbarHeight);
    if (const QByteArray out = qgetenv("BINORAMA_SCREENSHOT"); !out.isEmpty()) {
        EXPECT_TRUE(shot.save(QString::fromLocal8Bit(out)));
    }
    wc->close();
}
