#include "ui/search/tools/RequestNewsgroupWC.h"

#include "platform/NotificationHub.h"
#include "search/DeepLookupSocket.h"
#include "search/RequestNewsgroupSocket.h"

#include "support/EventLoop.h"
#include "support/Screenshot.h"
#include "support/ScriptedDialogAnswerer.h"
#include "support/ScriptedHttpServer.h"
#include "support/TempHome.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QClipboard>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QKeyEvent>
#include <QLabel>
#include <QTcpServer>
#include <QTest>

#include <memory>

namespace {

const QByteArray kRequest = RequestNewsgroupSocket::kPath.toLatin1();

// The request window over a real RequestNewsgroupSocket, talking to a
// scripted search service on 127.0.0.1.
class RequestWindow : public ::testing::Test
{
protected:
    TempHome home;
    ScriptedDialogAnswerer dialogs;
    ScriptedHttpServer service;
    std::unique_ptr<RequestNewsgroupWC> window;
    std::unique_ptr<QSignalSpy> closing;

    void SetUp() override
    {
        ASSERT_TRUE(service.start());
        ASSERT_TRUE(DeepLookupSocket::setServiceURLForTesting(service.baseUrl()));
        service.setDefaultReply(HttpReply::text("INFO\tRequest received\tThe newsgroup will be looked at.\n"));
        window = std::make_unique<RequestNewsgroupWC>();
        closing = std::make_unique<QSignalSpy>(window.get(), &RequestNewsgroupWC::windowWillClose);
        window->showWindow();
    }
    void TearDown() override
    {
        closing.reset();
        window.reset();
        spinEventLoop(20);
        DeepLookupSocket::setServiceURLForTesting(QUrl());
    }

    QLineEdit* field() const { return window->textfieldNewsgroup(); }
    // Types `text` key by key, letters beyond ASCII too.
    void type(const QString& text)
    {
        field()->clear();
        for (const QChar c : text) {
            QKeyEvent press(QEvent::KeyPress, 0, Qt::NoModifier, QString(c));
            QKeyEvent release(QEvent::KeyRelease, 0, Qt::NoModifier, QString(c));
            QApplication::sendEvent(field(), &press);
            QApplication::sendEvent(field(), &release);
        }
    }
    // Sends what the field holds and waits until the request ended (or,
    // when nothing is sent, a moment).
    void send()
    {
        QTest::mouseClick(window->buttonSend(), Qt::LeftButton);
        waitUntil([&] { return !window->socket() || !window->socket()->isRunning(); }, 10000);
        spinEventLoop(50);
    }
};

TEST_F(RequestWindow, KeepsOnlyTheCharactersOfANewsgroupNameInLowerCaseAsTyped)
{
    const QList<QPair<QString, QString>> cases = {
        {"Alt.Binaries.TEST", "alt.binaries.test"},
        {"alt binaries,test;x!", "altbinariestestx"},
        {"a_b-c.d1", "a_b-c.d1"},
        {"Grüße.de", "gre.de"},
    };
    for (const auto& [typed, shown] : cases) {
        type(typed);
        EXPECT_EQ(field()->text(), shown) << typed.toStdString();
    }
    // Pasted text is filtered the same way, where the caret is.
    type("alt.");
    QApplication::clipboard()->setText("Binaries Pictures!");
    QTest::keyClick(field(), Qt::Key_V, Qt::ControlModifier);
    EXPECT_EQ(field()->text(), "alt.binariespictures");
}

TEST_F(RequestWindow, RefusesWhatIsNotANewsgroupNameAndSendsTheRest)
{
    struct Case
    {
        QString name;
        bool sent;
    };
    for (const Case& c : {Case{"", false}, Case{"a.bcd", false}, Case{"abcdefg", false}, Case{"abcdef", false},
                          Case{"a.bcde", true}, Case{"alt.bin", true}}) {
        SCOPED_TRACE(c.name.toStdString());
        service.clearRequests();
        type(c.name);
        const qsizetype asked = dialogs.asked().size();
        if (c.sent) {
            QTest::mouseClick(window->buttonSend(), Qt::LeftButton);
            ASSERT_TRUE(service.waitForRequests(1, 10000));
            EXPECT_EQ(service.requests().first().path, kRequest);
            EXPECT_EQ(service.requests().first().body, c.name.toLatin1());
            // The answer closes the window; open a new one for the next case.
            ASSERT_TRUE(waitUntil([&] { return closing->size() == 1; }, 10000));
            window = std::make_unique<RequestNewsgroupWC>();
            closing = std::make_unique<QSignalSpy>(window.get(), &RequestNewsgroupWC::windowWillClose);
            window->showWindow();
        } else {
            send();
            EXPECT_EQ(service.requestCount(), 0);
            ASSERT_EQ(dialogs.asked().size(), asked + 1);
            const DialogRequest alert = dialogs.asked().last();
            EXPECT_EQ(alert.title, "Not a valid newsgroup name");
            EXPECT_EQ(alert.info, "The newsgroup you requested hasn't a valid newsgroup name.\n"
                                  "A newsgroup name is something like: alt.binaries.test");
            EXPECT_EQ(alert.imageName, "NSCaution");
            EXPECT_TRUE(window->isVisible());
            EXPECT_EQ(closing->size(), 0);
        }
    }
}

TEST_F(RequestWindow, ShowsTheServicesAnswerAndCloses)
{
    struct Case
    {
        QByteArray reply;
        QStringList alert; // title and text, or nothing
    };
    for (const Case& c : {Case{"INFO\tRequest received\tThe newsgroup will be looked at.\n",
                               {"Request received", "The newsgroup will be looked at."}},
                          Case{"INFO\tonly two fields", {}}}) {
        SCOPED_TRACE(c.reply.toStdString());
        service.setDefaultReply(HttpReply::text(c.reply));
        const qsizetype asked = dialogs.asked().size();
        type("alt.binaries.new");
        send();
        ASSERT_TRUE(waitUntil([&] { return closing->size() == 1; }, 10000));
        EXPECT_FALSE(window->isVisible());
        if (c.alert.isEmpty()) {
            EXPECT_EQ(dialogs.asked().size(), asked);
        } else {
            ASSERT_EQ(dialogs.asked().size(), asked + 1);
            EXPECT_EQ(dialogs.asked().last().title, c.alert[0]);
            EXPECT_EQ(dialogs.asked().last().info, c.alert[1]);
        }
        window = std::make_unique<RequestNewsgroupWC>();
        closing = std::make_unique<QSignalSpy>(window.get(), &RequestNewsgroupWC::windowWillClose);
        window->showWindow();
    }
}

TEST_F(RequestWindow, StaysOpenAfterAConnectionErrorAndSendsAgain)
{
    QTcpServer closed;
    ASSERT_TRUE(closed.listen(QHostAddress::LocalHost));
    const quint16 port = closed.serverPort();
    closed.close();
    ASSERT_TRUE(DeepLookupSocket::setServiceURLForTesting(QUrl(QStringLiteral("http://127.0.0.1:%1").arg(port))));
    type("alt.binaries.new");
    QTest::mouseClick(window->buttonSend(), Qt::LeftButton);
    RequestNewsgroupSocket* first = window->socket();
    ASSERT_TRUE(first);
    ASSERT_TRUE(waitUntil([&] { return !dialogs.asked().isEmpty(); }, 10000));
    EXPECT_EQ(dialogs.asked().first().title, "Could not connect to server.");
    EXPECT_EQ(dialogs.asked().first().info, "Please try again or contact support.");
    EXPECT_FALSE(window->socket());
    EXPECT_TRUE(window->isVisible());
    EXPECT_EQ(closing->size(), 0);
    EXPECT_EQ(field()->text(), "alt.binaries.new");

    ASSERT_TRUE(DeepLookupSocket::setServiceURLForTesting(service.baseUrl()));
    QTest::mouseClick(window->buttonSend(), Qt::LeftButton);
    EXPECT_TRUE(window->socket());
    ASSERT_TRUE(waitUntil([&] { return closing->size() == 1; }, 10000));
    EXPECT_EQ(service.requestsFor(kRequest).size(), 1);
    EXPECT_EQ(dialogs.askedTitles().last(), "Request received");
}

TEST_F(RequestWindow, CancelAndQuittingCloseTheWindowOnce)
{
    QTest::mouseClick(window->buttonCancel(), Qt::LeftButton);
    EXPECT_FALSE(window->isVisible());
    EXPECT_EQ(closing->size(), 1);
    window->closeWindow();
    EXPECT_EQ(closing->size(), 1);

    RequestNewsgroupWC other;
    QSignalSpy otherClosing(&other, &RequestNewsgroupWC::windowWillClose);
    other.showWindow();
    NotificationHub::defaultCenter().post("ApplicationWillTerminate");
    EXPECT_FALSE(other.isVisible());
    EXPECT_EQ(otherClosing.size(), 1);
    EXPECT_EQ(service.requestCount(), 0);
}

// What the window shows, laid out whole: every text readable in full, the
// buttons in their order below the field, nothing on top of anything else.
TEST_F(RequestWindow, LooksFinished)
{
    type("alt.binaries.example");
    spinEventLoop(100);

    EXPECT_EQ(window->windowTitle(), "Request Newsgroup");
    EXPECT_GE(window->width(), 440);
    EXPECT_GE(window->height(), 170);
    const QRect inside = window->rect();

    QList<QWidget*> shown;
    QStringList texts;
    for (QLabel* label : window->findChildren<QLabel*>()) {
        ASSERT_TRUE(label->isVisible());
        texts << label->text();
        // A wrapped text needs its whole height, a single line its width.
        if (label->wordWrap())
            EXPECT_GE(label->height(), label->heightForWidth(label->width())) << label->text().toStdString();
        else
            EXPECT_GE(label->width(), label->sizeHint().width()) << label->text().toStdString();
        shown << label;
    }
    EXPECT_EQ(texts, (QStringList{"Request a newsgroup",
                                  "Missing a newsgroup? Enter its name and DeepLookup will be asked to add it to "
                                  "the indexed newsgroups."}));
    EXPECT_TRUE(window->findChildren<QLabel*>().first()->font().bold());

    EXPECT_TRUE(field()->isVisible());
    EXPECT_TRUE(field()->hasFocus());
    EXPECT_EQ(field()->text(), "alt.binaries.example");
    EXPECT_EQ(field()->placeholderText(), "alt.binaries.example");
    EXPECT_GE(field()->width(), field()->fontMetrics().horizontalAdvance(field()->text()));
    shown << field();

    QPushButton* cancel = window->buttonCancel();
    QPushButton* send = window->buttonSend();
    for (QPushButton* button : {cancel, send}) {
        EXPECT_TRUE(button->isVisible());
        EXPECT_GE(button->width(), button->sizeHint().width()) << button->text().toStdString();
        shown << button;
    }
    EXPECT_EQ(cancel->text(), "Cancel");
    EXPECT_EQ(send->text(), "Send Request");
    EXPECT_TRUE(send->isDefault());
    EXPECT_LT(cancel->geometry().right(), send->geometry().left());
    EXPECT_GT(cancel->geometry().top(), field()->geometry().bottom());

    for (qsizetype i = 0; i < shown.size(); ++i) {
        EXPECT_TRUE(inside.contains(shown[i]->geometry())) << shown[i]->metaObject()->className();
        for (qsizetype j = i + 1; j < shown.size(); ++j)
            EXPECT_FALSE(shown[i]->geometry().intersects(shown[j]->geometry()))
                << shown[i]->metaObject()->className() << " over " << shown[j]->metaObject()->className();
    }

    const QImage shot = window->grab().toImage();
    ASSERT_FALSE(shot.isNull());
    EXPECT_EQ(shot.size(), window->size() * shot.devicePixelRatio());
    // Drawn, not a blank sheet: the texts leave pixels of another colour.
    const QRgb background = shot.pixel(0, 0);
    bool drawn = false;
    for (int y = 0; y < shot.height() && !drawn; y += 2)
        for (int x = 0; x < shot.width() && !drawn; x += 2)
            drawn = shot.pixel(x, y) != background;
    EXPECT_TRUE(drawn);
    saveScreenshot(shot, "request-newsgroup.png");
}

} // namespace
