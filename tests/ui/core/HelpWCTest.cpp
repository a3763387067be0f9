#include "ui/core/HelpWC.h"

#include "controls/Artwork.h"
#include "platform/NotificationHub.h"
#include "platform/UserDefaults.h"
#include "support/EventLoop.h"
#include "support/ScriptedDialogAnswerer.h"
#include "support/Screenshot.h"
#include "support/ScriptedHttpServer.h"
#include "support/TempHome.h"
#include "ui/core/WebViewHelp.h"
#include "ui/core/WindowPlacement.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QLineEdit>
#include <QMainWindow>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <QSignalSpy>
#include <QTest>
#include <QTextCursor>

namespace {

const char* const kContactUs = "https://example.org/contact/";

class HelpWindow : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(docs.start());
        // Every page names its own path, so the test sees what was shown.
        docs.route("GET", "/docs/*", [](const HttpRequestRecord& r) {
            return HttpReply::html("<html><body><p>page " + r.path + "</p></body></html>");
        });
        setRoot(docs.url("/docs/").toString());
        UserDefaults::standard().setString(QString::fromLatin1(kContactUs),
                                           QStringLiteral("htmlLinkContactus"));
        main.setGeometry(60, 40, 700, 500);
        main.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&main));
    }

    static void setRoot(const QString& root)
    {
        UserDefaults::standard().setString(root, QStringLiteral("htmlLinkDocumentRootFolder"));
    }

    static bool loaded(const HelpWC& wc) { return !wc.webView()->isLoading(); }

    TempHome home;
    ScriptedHttpServer docs;
    ScriptedDialogAnswerer answers;
    QMainWindow main;
};

} // namespace

TEST_F(HelpWindow, TopicsNameTheirPagesUnderTheDocumentRoot)
{
    const QList<QPair<qint64, QString>> cases = {
        {1, "deeplookup"}, {2, "queue"}, {3, "watchdog"}, {4, "posting"}, {5, "preferences"},
        {0, ""},           {6, ""},      {7, ""},         {-1, ""}};
    const QString root = docs.url("/docs/").toString();
    for (const auto& [topic, name] : cases) {
        EXPECT_EQ(HelpWC::pageNameForTopic(topic), name) << topic;
        EXPECT_EQ(HelpWC::helpPageUrl(topic).toString(), root + "appdocs_" + name + ".html#") << topic;
    }
    // Resolved, not glued: a root without its final slash names the folder's
    // parent.
    setRoot(docs.url("/docs/en/index.html").toString());
    EXPECT_EQ(HelpWC::helpPageUrl(2).toString(), root + "en/appdocs_queue.html#");
}

TEST_F(HelpWindow, ShowsTheTopicPageAndFollowsTopicChanges)
{
    HelpWC wc;
    // Smaller than the test screen, so that the placement is not clamped.
    wc.resize(500, 400);
    QSignalSpy willClose(&wc, &HelpWC::windowWillClose);
    wc.setTopic(7);
    spinEventLoop(50);
    // Nothing loads before the window is shown.
    EXPECT_EQ(docs.requestCount(), 0);
    EXPECT_FALSE(wc.observersRunning());

    wc.showWindow();
    EXPECT_TRUE(wc.isVisible());
    EXPECT_TRUE(wc.observersRunning());
    EXPECT_EQ(wc.webView()->mainFrameURL().toString(), docs.url("/docs/").toString() + "appdocs_.html#");
    ASSERT_TRUE(waitUntil([&] { return loaded(wc); }));
    ASSERT_EQ(docs.requests().size(), 1);
    EXPECT_EQ(docs.requests()[0].path, "/docs/appdocs_.html");
    EXPECT_TRUE(wc.webView()->toPlainText().contains("page /docs/appdocs_.html"));
    EXPECT_TRUE(answers.asked().isEmpty());

    const QRect visible = QGuiApplication::primaryScreen()->availableGeometry();
    EXPECT_EQ(wc.pos(), WindowPlacement::centeredOrigin(main.frameGeometry(), wc.frameGeometry().size(),
                                                        visible, WindowPlacement::kHelpWindowDistance));
    EXPECT_EQ(wc.y(), main.frameGeometry().top() + 90);

    // A new topic while the window is open loads its page, later on the main
    // thread.
    wc.setTopic(2);
    EXPECT_EQ(docs.requestCount(), 1);
    ASSERT_TRUE(docs.waitForRequests(2));
    EXPECT_EQ(docs.requests()[1].path, "/docs/appdocs_queue.html");
    ASSERT_TRUE(waitUntil(
        [&] { return loaded(wc) && wc.webView()->toPlainText().contains("page /docs/appdocs_queue.html"); }));

    // Closing hides it; the next request shows it with the new topic.
    wc.closeWindow();
    EXPECT_FALSE(wc.isVisible());
    EXPECT_EQ(willClose.size(), 1);
    wc.setTopic(1);
    wc.showWindow();
    EXPECT_TRUE(wc.isVisible());
    EXPECT_FALSE(wc.windowIsClosing());
    ASSERT_TRUE(waitUntil([&] {
        return loaded(wc) && wc.webView()->toPlainText().contains("page /docs/appdocs_deeplookup.html");
    }));
    // The user's own close goes the same way.
    wc.close();
    EXPECT_EQ(willClose.size(), 2);
}

TEST_F(HelpWindow, SpinnerTurnsWhileAPageLoads)
{
    docs.route("GET", "/docs/appdocs_watchdog.html", HttpReply::html("<p>watchdog help</p>").withDelay(300));
    HelpWC wc;
    wc.setTopic(3);
    wc.showWindow();
    EXPECT_TRUE(wc.spinner()->isVisible());
    EXPECT_EQ(wc.spinner()->maximum(), 0);
    ASSERT_TRUE(waitUntil([&] { return loaded(wc); }));
    EXPECT_FALSE(wc.spinner()->isVisible());
    EXPECT_TRUE(wc.webView()->toPlainText().contains("watchdog help"));
}

TEST_F(HelpWindow, AFailedLoadShowsTheDialogWithTheContactLink)
{
    ASSERT_TRUE(Artwork::contains("NSCaution"));
    struct Case
    {
        const char* name;
        std::function<void()> arrange;
        const char* errorText;
    };
    quint16 closedPort = 0;
    {
        ScriptedHttpServer gone;
        ASSERT_TRUE(gone.start());
        closedPort = gone.port();
    }
    const QList<Case> cases = {
        {"closed port", [&] { setRoot(QStringLiteral("http://127.0.0.1:%1/docs/").arg(closedPort)); },
         "refused"},
        {"HTTP 500",
         [&] {
             setRoot(docs.url("/docs/").toString());
             docs.route("GET", "/docs/appdocs_posting.html", HttpReply::errorPage(500));
         },
         "Internal Server Error"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ScriptedDialogAnswerer dialogs;
        c.arrange();
        HelpWC wc;
        wc.setTopic(4);
        wc.showWindow();
        ASSERT_TRUE(waitUntil([&] { return dialogs.asked().size() == 1; }));
        const DialogRequest asked = dialogs.asked().first();
        EXPECT_EQ(asked.title, "Unable to load help page !");
        EXPECT_TRUE(asked.info.contains(c.errorText, Qt::CaseInsensitive)) << asked.info.toStdString();
        ASSERT_EQ(asked.buttons.size(), 2);
        EXPECT_EQ(asked.buttons[0].title, "OK");
        EXPECT_FALSE(asked.buttons[0].isLink);
        EXPECT_EQ(asked.buttons[1].title, "Contact us");
        EXPECT_TRUE(asked.buttons[1].isLink);
        EXPECT_EQ(asked.link, kContactUs);
        EXPECT_EQ(asked.imageName, "NSCaution");
        EXPECT_TRUE(dialogs.askedOnMainThread().first());
        // The spinner stops; the window stays open, showing what went wrong.
        EXPECT_FALSE(wc.spinner()->isVisible());
        EXPECT_TRUE(wc.isVisible());
        const QString shown = wc.webView()->toPlainText();
        EXPECT_TRUE(shown.startsWith("Unable to load help page !")) << shown.toStdString();
        EXPECT_TRUE(shown.contains(asked.info)) << shown.toStdString();
        EXPECT_TRUE(shown.contains("appdocs_posting.html")) << shown.toStdString();
        if (c.name == std::string("closed port")) saveScreenshot(wc.grab().toImage(), "help-window-offline.png");
    }
}

TEST_F(HelpWindow, FindGoesForwardAndBackwardWithoutWrapping)
{
    docs.route("GET", "/docs/appdocs_queue.html",
               HttpReply::html("<html><body><p>First Needle here.</p><p>Some text between.</p>"
                               "<p>A second needle there.</p><p>The end.</p></body></html>"));
    HelpWC wc;
    wc.setTopic(2);
    wc.showWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&wc));
    ASSERT_TRUE(
        waitUntil([&] { return loaded(wc) && wc.webView()->toPlainText().contains("second needle"); }));
    const QString text = wc.webView()->toPlainText();
    const int first = int(text.indexOf("Needle"));
    const int second = int(text.indexOf("needle"));
    ASSERT_GE(first, 0);
    ASSERT_GT(second, first);

    EXPECT_FALSE(wc.searchView()->isVisible());
    QTest::keyClick(&wc, Qt::Key_F, Qt::ControlModifier);
    EXPECT_TRUE(wc.searchView()->isVisible());
    EXPECT_TRUE(wc.searchField()->hasFocus());
    // Nothing to find yet.
    EXPECT_FALSE(wc.btnSearchNext()->isEnabled());
    EXPECT_FALSE(wc.btnSearchPrevious()->isEnabled());
    EXPECT_FALSE(wc.searchForward(true));

    QTest::keyClicks(wc.searchField(), "NEEDLE");
    EXPECT_TRUE(wc.btnSearchNext()->isEnabled());
    EXPECT_TRUE(wc.btnSearchPrevious()->isEnabled());
    auto selectionStart = [&] { return wc.webView()->textCursor().selectionStart(); };

    QTest::keyClick(wc.searchField(), Qt::Key_Return);
    EXPECT_EQ(selectionStart(), first);
    EXPECT_EQ(wc.webView()->textCursor().selectedText(), "Needle");
    EXPECT_TRUE(wc.searchField()->hasFocus());
    QTest::keyClick(wc.searchField(), Qt::Key_Return);
    EXPECT_EQ(selectionStart(), second);
    // At the end a further search finds nothing and keeps the last match.
    EXPECT_FALSE(wc.searchForward(true));
    EXPECT_EQ(selectionStart(), second);
    EXPECT_TRUE(wc.webView()->textCursor().hasSelection());

    QTest::mouseClick(wc.btnSearchPrevious(), Qt::LeftButton);
    EXPECT_EQ(selectionStart(), first);
    EXPECT_TRUE(wc.searchField()->hasFocus());
    // Backward does not wrap either.
    EXPECT_FALSE(wc.searchForward(false));
    EXPECT_EQ(selectionStart(), first);
    // The found text keeps its marking while the focus is in the field.
    const QPalette p = wc.webView()->palette();
    EXPECT_EQ(p.color(QPalette::Inactive, QPalette::Highlight),
              p.color(QPalette::Active, QPalette::Highlight));

    // Ctrl+F with the bar open only moves the focus to the field.
    wc.webView()->setFocus();
    QTest::keyClick(&wc, Qt::Key_F, Qt::ControlModifier);
    EXPECT_TRUE(wc.searchView()->isVisible());
    EXPECT_TRUE(wc.searchField()->hasFocus());
    EXPECT_EQ(wc.searchField()->text(), "NEEDLE");

    QTest::mouseClick(wc.btnCancelSearch(), Qt::LeftButton);
    EXPECT_FALSE(wc.searchView()->isVisible());
    EXPECT_TRUE(wc.searchField()->text().isEmpty());
    EXPECT_FALSE(wc.btnSearchNext()->isEnabled());
}

TEST_F(HelpWindow, LinksOfAHelpPageLoadInTheWindow)
{
    docs.route("GET", "/docs/appdocs_deeplookup.html",
               HttpReply::html("<p><a href=\"appdocs_watchdog.html#schedule\">Watchdog</a></p>"));
    HelpWC wc;
    wc.setTopic(1);
    wc.showWindow();
    ASSERT_TRUE(waitUntil([&] { return loaded(wc) && docs.requestCount() == 1; }));
    Q_EMIT wc.webView()->anchorClicked(QUrl("appdocs_watchdog.html#schedule"));
    ASSERT_TRUE(docs.waitForRequests(2));
    EXPECT_EQ(docs.requests()[1].path, "/docs/appdocs_watchdog.html");
    ASSERT_TRUE(waitUntil([&] { return loaded(wc); }));
    EXPECT_EQ(wc.webView()->currentUrl(), docs.url("/docs/appdocs_watchdog.html#schedule"));
    EXPECT_TRUE(wc.webView()->toPlainText().contains("page /docs/appdocs_watchdog.html"));
}

TEST_F(HelpWindow, TheEndOfTheProgramClosesIt)
{
    HelpWC wc;
    QSignalSpy willClose(&wc, &HelpWC::windowWillClose);
    wc.showWindow();
    NotificationHub::defaultCenter().post(QStringLiteral("ApplicationWillTerminate"));
    EXPECT_FALSE(wc.isVisible());
    EXPECT_EQ(willClose.size(), 1);
    // Shown again after an earlier close, it still closes at the end.
    wc.showWindow();
    NotificationHub::defaultCenter().post(QStringLiteral("ApplicationWillTerminate"));
    EXPECT_FALSE(wc.isVisible());
    EXPECT_EQ(willClose.size(), 2);
}
