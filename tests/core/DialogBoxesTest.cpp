#include "core/DialogBoxes.h"

#include "support/EventLoop.h"
#include "support/ScriptedDialogAnswerer.h"
#include "support/TempHome.h"

#include <gtest/gtest.h>

#include <QThread>

#include <functional>
#include <memory>

namespace {

constexpr long kNone = 0, kFirst = 1000, kSecond = 1001, kThird = 1002;

QStringList buttonTitles(const DialogRequest& r)
{
    QStringList t;
    for (const auto& b : r.buttons)
        t << b.title;
    return t;
}

// One variant: how to ask it (the answer as a number), what it shows, and
// what each response code becomes.
struct Variant
{
    const char* name;
    std::function<int()> ask;
    QStringList buttons;
    int activeButton;
    QList<std::pair<long, int>> answers; // response code -> answer
    bool selfClosing = false;
};

int none(std::function<void()> f)
{
    f();
    return -1;
}

} // namespace

TEST(DialogBoxes, EachVariantShowsItsButtonsAndMapsEveryResponseCode)
{
    const QString t = "title", i = "info";
    const QList<Variant> variants = {
        {"alertBoxDefault",
         [&] { return none([&] { DialogBoxes::alertBoxDefault(t, i); }); },
         {"OK"},
         1,
         {{kFirst, -1}, {kNone, -1}}},
        {"alertBoxDefaultWithButtonTitle",
         [&] { return none([&] { DialogBoxes::alertBoxDefaultWithButtonTitle(t, i, "Quit"); }); },
         {"Quit"},
         1,
         {{kFirst, -1}}},
        {"alertBoxDefaultWithButtonTitle without a title",
         [&] { return none([&] { DialogBoxes::alertBoxDefaultWithButtonTitle(t, i, ""); }); },
         {"OK"},
         1,
         {{kFirst, -1}}},
        {"alertBoxDefaultWithInfoLink",
         [&] { return int(DialogBoxes::alertBoxDefaultWithInfoLink(t, i, "https://x", "Contact us")); },
         {"OK", "Contact us"},
         1,
         {{kFirst, 0}, {kNone, 1}}},
        {"alertBoxDefaultWithNotShowAgain",
         [&] { return int(DialogBoxes::alertBoxDefaultWithNotShowAgain(t, i)); },
         {"OK", "Don't show again"},
         1,
         {{kFirst, 0}, {kSecond, 1}, {kNone, 0}}},
        {"alertBoxYesNoWithNotShowAgain, Yes active",
         [&] { return DialogBoxes::alertBoxYesNoWithNotShowAgain(t, i, true); },
         {"Yes", "No", "Don't show again"},
         1,
         {{kFirst, 0}, {kSecond, 1}, {kThird, 2}, {kNone, 1}}},
        {"alertBoxYesNoWithNotShowAgain, No active",
         [&] { return DialogBoxes::alertBoxYesNoWithNotShowAgain(t, i, false); },
         {"Yes", "No", "Don't show again"},
         2,
         {{kFirst, 0}, {kSecond, 1}, {kThird, 2}, {kNone, 1}}},
        {"alertBoxOpenPreferences",
         [&] { return int(DialogBoxes::alertBoxOpenPreferences(t, i, false)); },
         {"Open Preferences", "Cancel"},
         1,
         {{kFirst, 1}, {kSecond, 0}, {kNone, 0}}},
        {"alertBoxOpenPreferences, forced",
         [&] { return int(DialogBoxes::alertBoxOpenPreferences(t, i, true)); },
         {"Open Preferences"},
         1,
         {{kFirst, 1}, {kNone, 0}}},
        {"alertBoxRetry",
         [&] { return int(DialogBoxes::alertBoxRetry(t, i)); },
         {"Retry", "Cancel"},
         1,
         {{kFirst, 1}, {kSecond, 0}, {kNone, 0}}},
        {"alertBoxYesNo, Yes active",
         [&] { return int(DialogBoxes::alertBoxYesNo(t, i, true)); },
         {"Yes", "No"},
         1,
         {{kFirst, 1}, {kSecond, 0}, {kNone, 0}}},
        {"alertBoxYesNo, No active",
         [&] { return int(DialogBoxes::alertBoxYesNo(t, i, false)); },
         {"Yes", "No"},
         2,
         {{kFirst, 1}, {kSecond, 0}, {kNone, 0}}},
        {"alertBoxYesNo, self-closing",
         [&] { return int(DialogBoxes::alertBoxYesNo(t, i, false, true)); },
         {"Yes", "No"},
         2,
         {{kFirst, 1}, {kSecond, 0}, {kNone, 0}},
         true},
        {"alertBoxRemoveFiles",
         [&] { return DialogBoxes::alertBoxRemoveFiles(t, i); },
         {"No", "Yes", "Yes and remove all related files"},
         1,
         {{kFirst, 0}, {kSecond, 1}, {kThird, 2}, {kNone, 0}}},
    };
    for (const Variant& v : variants) {
        for (const auto& [code, expected] : v.answers) {
            ScriptedDialogAnswerer answers;
            answers.script({code});
            EXPECT_EQ(v.ask(), expected) << v.name << " answered " << code;
            ASSERT_EQ(answers.asked().size(), 1) << v.name;
            const DialogRequest r = answers.asked().first();
            EXPECT_EQ(r.title, t);
            EXPECT_EQ(r.info, i);
            EXPECT_EQ(buttonTitles(r), v.buttons) << v.name;
            EXPECT_EQ(r.activeButton, v.activeButton) << v.name;
            EXPECT_EQ(r.selfClosing, v.selfClosing) << v.name;
        }
    }
}

TEST(DialogBoxes, ImagesAndLinksTravelWithTheQuestion)
{
    ScriptedDialogAnswerer answers;
    DialogBoxes::alertBoxDefault("Unable to save !", "disk full", "NSCaution");
    DialogBoxes::alertBoxDefaultWithInfoLink("Unable to load help page !", "refused",
                                             "https://example.org/contact", "Contact us", "NSCaution");
    DialogBoxes::alertBoxDefault("plain", "no image");
    const QList<DialogRequest> asked = answers.asked();
    ASSERT_EQ(asked.size(), 3);
    EXPECT_EQ(asked[0].imageName, "NSCaution");
    EXPECT_EQ(asked[1].imageName, "NSCaution");
    EXPECT_EQ(asked[1].link, "https://example.org/contact");
    EXPECT_FALSE(asked[1].buttons[0].isLink);
    EXPECT_TRUE(asked[1].buttons[1].isLink);
    EXPECT_EQ(asked[2].imageName, "");
}

TEST(DialogBoxes, WithoutAPresenterEveryQuestionIsUnanswered)
{
    TempHome home; // the unanswered questions are logged
    ASSERT_EQ(DialogBoxes::presenter(), nullptr);
    EXPECT_EQ(DialogBoxes::alertBoxYesNoWithNotShowAgain("t", "i", true), 1);
    EXPECT_FALSE(DialogBoxes::alertBoxDefaultWithNotShowAgain("t", "i"));
    EXPECT_FALSE(DialogBoxes::alertBoxYesNo("t", "i", true));
    EXPECT_EQ(DialogBoxes::alertBoxRemoveFiles("t", "i"), 0);
}

TEST(DialogBoxes, AsyncFormAsksOnTheMainThreadWithoutWaiting)
{
    ScriptedDialogAnswerer answers;
    std::unique_ptr<QThread> worker(
        QThread::create([] { DialogBoxes::alertBoxDefaultAsync("Auth required", "x requires a username"); }));
    worker->start();
    ASSERT_TRUE(worker->wait(5000));
    ASSERT_TRUE(waitUntil([&] { return !answers.asked().isEmpty(); }, 5000));
    EXPECT_EQ(answers.askedTitles(), QStringList{"Auth required"});
    EXPECT_EQ(answers.askedOnMainThread(), QList<bool>{true});
}
