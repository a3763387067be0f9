#include "ui/core/DialogBox.h"
#include "ui/core/DialogBoxWidgetPresenter.h"
#include "ui/core/WindowPlacement.h"

#include "controls/Artwork.h"
#include "core/DialogBoxes.h"
#include "platform/NotificationHub.h"
#include "support/EventLoop.h"
#include "support/ModalDriver.h"
#include "support/TempHome.h"

#include <gtest/gtest.h>

#include <QDesktopServices>
#include <QLabel>
#include <QMainWindow>
#include <QPushButton>
#include <QScreen>
#include <QTest>
#include <QThread>

#include <memory>

namespace {

int rightEdge(const QWidget* w)
{
    return w->x() + w->width();
}

// The widget presenter registered for one test.
struct WidgetDialogs
{
    DialogBoxWidgetPresenter presenter;
    DialogPresenter* previous = DialogBoxes::presenter();
    WidgetDialogs() { DialogBoxes::setPresenter(&presenter); }
    ~WidgetDialogs() { DialogBoxes::setPresenter(previous); }
};

// A visible main window to place dialogs against.
struct MainWindowAt
{
    QMainWindow window;
    explicit MainWindowAt(const QRect& frame)
    {
        window.setGeometry(frame);
        window.show();
        window.activateWindow();
        waitUntil([&] { return window.isActiveWindow(); }, 2000);
    }
};

void clickButton(DialogBox* box, int index)
{
    box->buttonsArray().at(index)->click();
}

void postTermination()
{
    NotificationHub::defaultCenter().post(QStringLiteral("ApplicationWillTerminate"));
}

// Receives what the dialogs hand to the browser.
class UrlCatcher : public QObject
{
    Q_OBJECT
public:
    QList<QUrl> opened;
public Q_SLOTS:
    void open(const QUrl& url) { opened.append(url); }
};

} // namespace

TEST(DialogBox, ButtonsRunLeftwardsFromTheRightEdge)
{
    DialogBox box("Make Binorama the default app to open NZB files?",
                  "You can always change this setting in the Preferences.");
    QPushButton* yes = box.addButtonWithTitle("Yes");
    QPushButton* no = box.addButtonWithTitle("No");
    QPushButton* never = box.addButtonWithTitle("Don't show again");
    ASSERT_EQ(box.buttonsArray(), QList<QPushButton*>({yes, no, never}));

    EXPECT_EQ(rightEdge(yes), box.width() - 10);
    EXPECT_EQ(rightEdge(no), yes->x());
    EXPECT_EQ(rightEdge(never), no->x());
    EXPECT_LT(never->x(), no->x());
    EXPECT_LT(no->x(), yes->x());
    for (QPushButton* b : box.buttonsArray()) {
        EXPECT_GE(b->width(), 81);
        EXPECT_EQ(b->width(), std::max(81, b->sizeHint().width()));
        EXPECT_EQ(b->height(), 32);
        EXPECT_EQ(b->y() + b->height(), box.height() - 13);
        EXPECT_EQ(DialogBox::fullTitle(b), b->text());
    }
    EXPECT_EQ(yes->width(), 81); // a short title keeps the minimum width
}

TEST(DialogBox, EachButtonEndsTheRunWithItsOwnCode)
{
    for (int index = 0; index < 3; ++index) {
        DialogBox box("t", "i");
        box.addButtonWithTitle("No");
        box.addButtonWithTitle("Yes");
        box.addButtonWithTitle("Yes and remove all related files");
        whenShown<DialogBox>([index](DialogBox* b) { clickButton(b, index); });
        EXPECT_EQ(box.runModal(), 1000 + index);
        EXPECT_EQ(box.clickedButton(), index + 1);
        EXPECT_FALSE(box.isVisible());
    }
}

TEST(DialogBox, ATooWideTitleStartsAtTenKeepsItsRightEdgeAndIsCutAtTheEnd)
{
    const QString wide = QString("Yes and remove all related files ").repeated(4).trimmed();

    DialogBox first("t", "i");
    QPushButton* only = first.addButtonWithTitle(wide);
    EXPECT_EQ(only->x(), 10);
    EXPECT_EQ(rightEdge(only), first.width() - 10);

    DialogBox second("t", "i");
    QPushButton* yes = second.addButtonWithTitle("Yes");
    QPushButton* squeezed = second.addButtonWithTitle(wide);
    EXPECT_EQ(squeezed->x(), 10);
    EXPECT_EQ(rightEdge(squeezed), yes->x());

    for (QPushButton* b : {only, squeezed}) {
        EXPECT_GE(b->width(), b->sizeHint().width()) << "the cut title fits its button";
        EXPECT_TRUE(b->text().endsWith(QChar(0x2026))) << b->text().toStdString();
        EXPECT_TRUE(wide.startsWith(b->text().chopped(1)));
        EXPECT_EQ(DialogBox::fullTitle(b), wide);
    }
}

TEST(DialogBox, AmpersandsInTitlesAreShownAsTheyStand)
{
    DialogBox box("t", "i");
    QPushButton* b = box.addButtonWithTitle("Save & Quit");
    EXPECT_EQ(b->text(), "Save && Quit");
    EXPECT_EQ(DialogBox::fullTitle(b), "Save & Quit");
}

TEST(DialogBox, ReturnPressesTheActiveButtonOnly)
{
    struct Case
    {
        int active;
        long expected; // 0: Return does nothing, the test then presses button 1
    };
    for (const Case c : {Case{1, 1000}, Case{2, 1001}, Case{0, 0}, Case{3, 0}}) {
        DialogBox box("t", "i");
        box.addButtonWithTitle("Yes");
        box.addButtonWithTitle("No");
        box.activeButton(c.active);
        EXPECT_EQ(box.activeButtonNumber(), c.active);
        whenShown<DialogBox>([](DialogBox* b) {
            QTest::keyClick(b, Qt::Key_Escape); // no answer: nothing happens
            QTest::keyClick(b, Qt::Key_Return);
            if (b->isVisible()) {
                b->setProperty("returnIgnored", true);
                clickButton(b, 0);
            }
        });
        const long code = box.runModal();
        if (c.expected) {
            EXPECT_EQ(code, c.expected) << c.active;
        } else {
            EXPECT_TRUE(box.property("returnIgnored").toBool()) << c.active;
            EXPECT_EQ(code, 1000);
        }
    }
}

TEST(DialogBox, ALongInformationTextGrowsTheWindowDownward)
{
    MainWindowAt main(QRect(40, 30, 700, 500));
    DialogBox shortBox("Auth required", "news.example.org requires a username and password");
    shortBox.addButtonWithTitle("OK");
    const QRect designInfo = shortBox.infoTextfield()->geometry();
    const QRect designTitle = shortBox.titleTextfield()->geometry();
    EXPECT_EQ(shortBox.size(), QSize(DialogBox::kDesignWidth, DialogBox::kDesignHeight));

    QString info;
    for (int i = 1; i <= 12; ++i)
        info += QString("Line %1 of an information text that needs far more room than the design gives.\r")
                    .arg(i);
    DialogBox longBox("Posting denied", info);
    longBox.addButtonWithTitle("OK");
    const QRect grownInfo = longBox.infoTextfield()->geometry();

    EXPECT_GT(longBox.height(), DialogBox::kDesignHeight);
    EXPECT_EQ(longBox.width(), DialogBox::kDesignWidth);
    EXPECT_EQ(grownInfo.top(), designInfo.top());
    EXPECT_GE(grownInfo.height(), longBox.infoTextfield()->heightForWidth(grownInfo.width()));
    EXPECT_EQ(grownInfo.height() - designInfo.height(), longBox.height() - DialogBox::kDesignHeight);
    EXPECT_EQ(longBox.titleTextfield()->geometry(), designTitle);
    QPushButton* ok = longBox.buttonsArray().first();
    EXPECT_EQ(ok->y() + ok->height(), longBox.height() - 13);
    EXPECT_GT(ok->y(), grownInfo.bottom());
    // The top edge stays where the placement puts it; only the bottom moved.
    EXPECT_EQ(longBox.y(), shortBox.y());
    EXPECT_EQ(longBox.y(), main.window.frameGeometry().top() + 60);
    EXPECT_TRUE(longBox.infoTextfield()->text().contains("design gives.\nLine 2"));
}

TEST(DialogBox, TextsAreShownAsPlainText)
{
    DialogBox box("<b>Unable to save !</b>", "No access to:\n/home/u/<i>x</i>");
    box.addButtonWithTitle("OK");
    EXPECT_EQ(box.titleTextfield()->text(), "<b>Unable to save !</b>");
    EXPECT_EQ(box.titleTextfield()->textFormat(), Qt::PlainText);
    EXPECT_EQ(box.infoTextfield()->textFormat(), Qt::PlainText);
    DialogBox empty;
    empty.addButtonWithTitle("OK");
    EXPECT_EQ(empty.titleTextfield()->text(), "");
    EXPECT_EQ(empty.infoTextfield()->text(), "");
}

TEST(DialogBox, PlacementStaysInsideTheVisibleScreenArea)
{
    const QRect visible = QGuiApplication::primaryScreen()->availableGeometry();
    const QRect frames[] = {
        QRect(visible.x() + 50, visible.y() + 40, 500, 400),           // plain case
        QRect(visible.x() + 20, visible.y() - 300, 500, 400),          // main window above the top
        QRect(visible.right() - 100, visible.bottom() - 30, 600, 400), // near the bottom right
        QRect(visible.x() - 450, visible.y() + 20, 500, 300),          // off the left edge
    };
    for (const QRect& frame : frames) {
        MainWindowAt main(frame);
        DialogBox box("t", "i");
        box.addButtonWithTitle("OK");
        const QRect placed(box.pos(), box.frameGeometry().size());
        EXPECT_TRUE(visible.contains(placed)) << frame.x() << "," << frame.y();
        const QPoint expected = WindowPlacement::centeredOrigin(main.window.frameGeometry(),
                                                                box.frameGeometry().size(), visible, 60);
        EXPECT_EQ(box.pos(), expected);
    }
}

TEST(DialogBox, SelfClosingEndsWithNoAnswerWhenAnotherWindowTakesFocus)
{
    MainWindowAt main(QRect(50, 50, 500, 400));
    for (const bool selfClosing : {true, false}) {
        DialogBox box("Cancel loading the SaveState", "i");
        box.addButtonWithTitle("Yes");
        box.addButtonWithTitle("No");
        box.setSelfClosing(selfClosing);
        whenShown<DialogBox>([&main](DialogBox* b) {
            ASSERT_TRUE(waitUntil([b] { return b->isActiveWindow(); }, 2000));
            main.window.activateWindow();
            ASSERT_TRUE(waitUntil([&] { return main.window.isActiveWindow(); }, 2000));
            spinEventLoop(50);
            b->setProperty("stayedOpen", b->isVisible());
            if (b->isVisible()) clickButton(b, 1);
        });
        const long code = box.runModal();
        EXPECT_EQ(box.property("stayedOpen").toBool(), !selfClosing);
        EXPECT_EQ(code, selfClosing ? 0 : 1001);
    }
}

TEST(DialogBox, TerminationEndsEveryOpenDialogWithNoAnswer)
{
    WidgetDialogs dialogs;
    int inner = -1;
    bool outerRemoveAnswer = true;
    DialogBox* outerBox = nullptr;
    whenShown<DialogBox>([&](DialogBox* outer) {
        outerBox = outer;
        // A second question on top of the first, ended with it.
        whenShown<DialogBox>([](DialogBox*) { postTermination(); }, outer);
        inner = DialogBoxes::alertBoxYesNoWithNotShowAgain(
            "Make Binorama the default app to open NZB files?",
            "You can always change this setting in the Preferences.", true);
        outerRemoveAnswer = outer->isVisible();
    });
    const bool answer = DialogBoxes::alertBoxDefaultWithNotShowAgain(
        "Applied for new searches", "The chosen feature affects new searches only.");
    ASSERT_NE(outerBox, nullptr);
    EXPECT_EQ(inner, 1) << "no answer is No, never Yes";
    EXPECT_FALSE(answer) << "no answer leaves the switch alone";
    EXPECT_FALSE(outerRemoveAnswer) << "the outer dialog ended with the inner one";
}

TEST(DialogBox, EveryVariantEndedByTerminationAnswersNo)
{
    WidgetDialogs dialogs;
    auto terminateNext = [] { whenShown<DialogBox>([](DialogBox*) { postTermination(); }); };
    terminateNext();
    EXPECT_FALSE(DialogBoxes::alertBoxYesNo("No active news servers configured",
                                            "Would you like to configure them now?", true));
    terminateNext();
    EXPECT_FALSE(DialogBoxes::alertBoxYesNo("t", "i", true, true));
    terminateNext();
    EXPECT_EQ(DialogBoxes::alertBoxRemoveFiles("The selected file is not completed yet.",
                                               "Are you sure you want to cancel it?"),
              0);
    terminateNext();
    EXPECT_FALSE(DialogBoxes::alertBoxOpenPreferences("Download folder no longer exists",
                                                      "You must set the folder before continuing.", true));
    terminateNext();
    EXPECT_FALSE(DialogBoxes::alertBoxRetry("t", "i"));
    terminateNext();
    DialogBoxes::alertBoxDefault("Auth failed", "Incorrect username and/or password for news.example.org");
}

TEST(DialogBox, EndedBeforeItRunsItDoesNotRunAtAll)
{
    DialogBox box("t", "i");
    box.addButtonWithTitle("OK");
    postTermination();
    EXPECT_EQ(box.runModal(), 0);
    EXPECT_FALSE(box.isVisible());
}

TEST(DialogBox, ClosingTheWindowIsNoAnswer)
{
    DialogBox box("t", "i");
    box.addButtonWithTitle("Yes");
    whenShown<DialogBox>([](DialogBox* b) { b->close(); });
    EXPECT_EQ(box.runModal(), 0);
}

TEST(DialogBox, TheLinkButtonOpensItsAddressAndEndsWithNoCode)
{
    UrlCatcher catcher;
    QDesktopServices::setUrlHandler("https", &catcher, "open");
    WidgetDialogs dialogs;
    whenShown<DialogBox>([](DialogBox* b) {
        EXPECT_EQ(b->buttonsArray().size(), 2);
        EXPECT_EQ(b->htmlLink(), QUrl("https://example.org/contact"));
        clickButton(b, 1);
    });
    EXPECT_TRUE(DialogBoxes::alertBoxDefaultWithInfoLink("Unable to load help page !", "Connection refused",
                                                         "https://example.org/contact", "Contact us",
                                                         "NSCaution"));
    EXPECT_EQ(catcher.opened, QList<QUrl>({QUrl("https://example.org/contact")}));

    whenShown<DialogBox>([](DialogBox* b) { clickButton(b, 0); });
    EXPECT_FALSE(
        DialogBoxes::alertBoxDefaultWithInfoLink("t", "i", "https://example.org/contact", "Contact us"));

    // Without an address the link button does nothing and the dialog stays.
    DialogBox box("t", "i");
    box.addButtonWithTitle("OK");
    box.addInfoButtonWithUrl(QUrl(), "Contact us");
    whenShown<DialogBox>([](DialogBox* b) {
        clickButton(b, 1);
        b->setProperty("stayedOpen", b->isVisible());
        clickButton(b, 0);
    });
    EXPECT_EQ(box.runModal(), 1000);
    EXPECT_TRUE(box.property("stayedOpen").toBool());
    EXPECT_EQ(catcher.opened.size(), 1);
    QDesktopServices::unsetUrlHandler("https");
}

TEST(DialogBoxWidgetPresenter, ShowsTheRequestWithItsNamedImage)
{
    TempHome home; // an unknown image name is logged
    WidgetDialogs dialogs;
    const QSize imageSize(56, 56);
    struct Case
    {
        QString imageName;
        QString shown;
    };
    for (const Case& c : {Case{"NSCaution", "NSCaution"}, Case{"", "NSApplicationIcon"},
                          Case{"no-such-image", "NSApplicationIcon"}}) {
        DialogRequest r;
        r.title = "Unable to load help page !";
        r.info = "Host not found";
        r.buttons = {{"OK", false}, {"Contact us", true}};
        r.link = "https://example.org";
        r.imageName = c.imageName;
        QImage shown;
        QStringList titles;
        whenShown<DialogBox>([&](DialogBox* b) {
            shown = b->imageView()->pixmap().toImage();
            EXPECT_EQ(b->title(), r.title);
            EXPECT_EQ(b->info(), r.info);
            for (QPushButton* button : b->buttonsArray())
                titles << DialogBox::fullTitle(button);
            clickButton(b, 0);
        });
        EXPECT_EQ(dialogs.presenter.runModal(r), 1000);
        EXPECT_EQ(titles, QStringList({"OK", "Contact us"}));
        const QImage expected = Artwork::pixmap(c.shown, imageSize).toImage();
        EXPECT_EQ(shown.convertToFormat(QImage::Format_ARGB32),
                  expected.convertToFormat(QImage::Format_ARGB32))
            << c.imageName.toStdString();
    }
}

TEST(DialogBoxWidgetPresenter, AQuestionFromAnotherThreadIsShownLaterWithoutWaiting)
{
    TempHome home; // the misplaced question is logged
    WidgetDialogs dialogs;
    long answer = -1;
    std::unique_ptr<QThread> worker(QThread::create([&] {
        answer = DialogBoxes::alertBoxYesNo("Auth required", "from a connection thread", true) ? 1 : 0;
    }));
    worker->start();
    ASSERT_TRUE(worker->wait(5000)) << "the worker waited for the user";
    EXPECT_EQ(answer, 0);
    QString shownTitle;
    whenShown<DialogBox>([&](DialogBox* b) {
        shownTitle = b->title();
        clickButton(b, 0);
    });
    ASSERT_TRUE(waitUntil([&] { return !shownTitle.isEmpty(); }, 5000));
    EXPECT_EQ(shownTitle, "Auth required");
}

TEST(DialogBoxes, AsyncFormPostsToTheMainThreadAndNeverWaits)
{
    WidgetDialogs dialogs;
    std::unique_ptr<QThread> worker(QThread::create([] {
        DialogBoxes::alertBoxDefaultAsync("Auth failed", "Incorrect username and/or password for x");
    }));
    worker->start();
    ASSERT_TRUE(worker->wait(5000));
    QString shownTitle;
    whenShown<DialogBox>([&](DialogBox* b) {
        shownTitle = b->title();
        clickButton(b, 0);
    });
    ASSERT_TRUE(waitUntil([&] { return !shownTitle.isEmpty(); }, 5000));
    EXPECT_EQ(shownTitle, "Auth failed");
}

#include "DialogBoxTest.moc"
