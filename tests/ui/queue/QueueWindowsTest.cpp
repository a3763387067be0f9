#include "platform/NotificationHub.h"
#include "queue/QueueController.h"
#include "ui/queue/EditTitleWC.h"
#include "ui/queue/QueuePasswordWC.h"

#include "support/LogFileReader.h"
#include "support/ModalDriver.h"
#include "support/TempHome.h"

#include <gtest/gtest.h>

#include <QLineEdit>
#include <QPushButton>

namespace {

// Runs the rename window for `title`, types `typed` and confirms.
std::pair<qint64, QString> rename(const QString& title, const QString& typed)
{
    EditTitleWC window;
    window.setTitle(title);
    whenShown<EditTitleWC>([&](EditTitleWC* w) {
        EXPECT_EQ(w->titleTextField()->text(), title);
        w->titleTextField()->setText(typed);
        w->submitButton()->click();
    });
    const qint64 code = window.runModal();
    return {code, window.newtitle()};
}

} // namespace

TEST(EditTitleWC, TitlesAreTrimmedAndRefusedSilently)
{
    TempHome home;
    struct Case
    {
        const char* typed;
        qint64 code;
        const char* newtitle;
    };
    const Case cases[] = {
        {"  New name\t ", 1, "New name"},
        {"\tin  side  ", 1, "in  side"},
        {"Old", 0, "Old"},     // unchanged
        {"  Old  ", 0, "Old"}, // unchanged once trimmed
        {"old", 1, "old"},     // the comparison is case-sensitive
        {"", 0, ""},
        {"   ", 0, ""},
        {"./: /..", 0, "./: /.."}, // only dots, slashes, colons and spaces
        {"a.b", 1, "a.b"},
        {"line\n", 1, "line\n"}, // line breaks are not trimmed
    };
    for (const Case& c : cases) {
        const auto [code, newtitle] = rename(QStringLiteral("Old"), QString::fromUtf8(c.typed));
        EXPECT_EQ(code, c.code) << c.typed;
        EXPECT_EQ(newtitle, QString::fromUtf8(c.newtitle)) << c.typed;
    }
}

TEST(EditTitleWC, NoTitleEndsAtOnceAndQuittingEndsTheRun)
{
    TempHome home;
    {
        EditTitleWC window;
        EXPECT_EQ(window.runModal(), 0);
        EXPECT_FALSE(window.isVisible());
    }
    EditTitleWC window;
    window.setTitle("T");
    whenShown<EditTitleWC>([](EditTitleWC* w) {
        w->titleTextField()->setText("Other");
        NotificationHub::defaultCenter().post("ApplicationWillTerminate", nullptr);
    });
    EXPECT_EQ(window.runModal(), 0);
}

TEST(QueuePasswordWC, TheFieldShowsTheFirstPasswordAndEveryJobGetsTheText)
{
    TempHome home;
    QueuePtr a = Queue::create(), b = Queue::create();
    a->setPassword("first");
    b->setPassword("second");
    QueuePasswordWC window({a, b});
    whenShown<QueuePasswordWC>([](QueuePasswordWC* w) {
        EXPECT_EQ(w->passwordTextField()->text(), "first");
        w->passwordTextField()->setText("secret");
        w->submitButton()->click();
    });
    EXPECT_EQ(window.runModal(), 1);
    EXPECT_EQ(a->password(), "secret");
    EXPECT_EQ(b->password(), "secret");
    EXPECT_TRUE(window.passwordTextField()->text().isEmpty());
}

TEST(QueuePasswordWC, AnEmptyPasswordIsAppliedToAllAndTheSchedulerIsTold)
{
    TempHome home;
    QueueController controller;
    QueuePtr a = Queue::create(), b = Queue::create();
    a->setTitle("A");
    b->setTitle("B");
    a->setPassword("x");
    b->setIsPaused(true);
    whenShown<QueuePasswordWC>([](QueuePasswordWC* w) {
        w->passwordTextField()->clear();
        w->submitButton()->click();
    });
    EXPECT_EQ(QueuePasswordWC::showPasswordSheetForQueueArray({a, b}, &controller), 1);
    EXPECT_EQ(a->password(), "");
    EXPECT_EQ(b->password(), "");
    EXPECT_TRUE(a->hasPassword());
    EXPECT_TRUE(b->hasPassword());
    EXPECT_FALSE(b->isPaused()) << "a paused job resumes";
    EXPECT_EQ(LogFileReader(home.logFilePath()).linesContaining("Password set for: B").size(), 1);

    // Cancelled: nothing changes and nobody is told.
    QueuePtr c = Queue::create();
    c->setPassword("keep");
    whenShown<QueuePasswordWC>([](QueuePasswordWC* w) {
        w->passwordTextField()->setText("other");
        w->cancelButton()->click();
    });
    EXPECT_EQ(QueuePasswordWC::showPasswordSheetForQueueArray({c}, &controller), 0);
    EXPECT_EQ(c->password(), "keep");
    EXPECT_FALSE(c->hasPassword());
    EXPECT_EQ(QueuePasswordWC::showPasswordSheetForQueueArray({}, &controller), 0);
    QueuePasswordWC none({});
    EXPECT_EQ(none.runModal(), 0);
}
