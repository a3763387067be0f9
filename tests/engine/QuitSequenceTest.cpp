#include "engine/QuitSequence.h"

#include "platform/NotificationHub.h"
#include "platform/UserDefaults.h"
#include "support/ScriptedDialogAnswerer.h"
#include "support/TempHome.h"

#include <gtest/gtest.h>

namespace {

struct Recorder
{
    QStringList steps;
    QList<QueuePtr> jobs;
    qint64 watchdogEntries = 0;
    QObject owner;
    QuitSequence* sequence = nullptr;
    bool askAgainWhileClosing = false;

    explicit Recorder(QuitSequence& seq) : sequence(&seq)
    {
        NotificationHub::defaultCenter().addObserver(
            "ApplicationWillTerminate", &owner, [this](const Notification&) { steps << "WillTerminate"; });
        QuitSequence::Steps s;
        auto rec = [this](const char* name) { return [this, name] { steps << QString::fromLatin1(name); }; };
        s.queueArray = [this] { return jobs; };
        s.watchdogCount = [this] { return watchdogEntries; };
        s.refuseTermination = rec("refuseTermination");
        s.setTerminateNow = rec("setTerminateNow");
        s.closeMainWindowIfVisible = rec("closeMainWindowIfVisible");
        s.saveBottomPanePositionIfExpanded = rec("saveBottomPanePositionIfExpanded");
        s.saveStats = rec("saveStats");
        s.storeLastUsedMainView = rec("storeLastUsedMainView");
        s.showClosingAppWindow = [this] {
            steps << "showClosingAppWindow";
            if (askAgainWhileClosing) sequence->applicationShouldTerminate();
        };
        seq.setSteps(std::move(s));
    }
};

QueuePtr job(bool upload, qint64 status)
{
    QueuePtr q = Queue::createWhithoutStartingObservers();
    q->setIsUploadObject(upload);
    q->setStatus(status);
    return q;
}

const QStringList kQuitSteps = {
    "WillTerminate", "setTerminateNow",       "closeMainWindowIfVisible", "saveBottomPanePositionIfExpanded",
    "saveStats",     "storeLastUsedMainView", "showClosingAppWindow"};

const char kUploadTitle[] = "Still creating RAR and PAR2 files in upload queue.";
const char kWatchdogTitle[] = "Your are about to close Binorama";

} // namespace

TEST(QuitSequence, GoesOnInOrderAndIgnoresARequestWhileQuitting)
{
    TempHome home;
    ScriptedDialogAnswerer answers;
    QuitSequence seq;
    Recorder rec(seq);
    rec.jobs = {job(false, 220), job(true, 10)}; // neither is an upload still building
    rec.askAgainWhileClosing = true;
    seq.applicationShouldTerminate();
    EXPECT_TRUE(answers.asked().isEmpty());
    EXPECT_EQ(rec.steps, kQuitSteps);
    EXPECT_TRUE(seq.appIsTerminating());
}

TEST(QuitSequence, UploadStillBuildingAsksAndNoKeepsTheProgramRunning)
{
    TempHome home;
    ScriptedDialogAnswerer answers;
    answers.script({1001, 1000});
    QuitSequence seq;
    Recorder rec(seq);
    rec.jobs = {job(false, 1), job(true, 220), job(true, 224)};

    seq.applicationShouldTerminate();
    ASSERT_EQ(answers.asked().size(), 1); // asked once, for the first such job
    const DialogRequest q = answers.asked()[0];
    EXPECT_EQ(q.title, kUploadTitle);
    EXPECT_EQ(q.info,
              "Some objects in your upload queue are not finished creating RAR and PAR2 files. They will "
              "be deleted when you close the app.\r\rDo you want to delete them?");
    EXPECT_EQ(q.activeButton, 2); // No is the default
    EXPECT_EQ(rec.steps, QStringList({"refuseTermination"}));
    EXPECT_FALSE(seq.appIsTerminating());

    // A later request is taken again; Yes quits.
    rec.steps.clear();
    seq.applicationShouldTerminate();
    EXPECT_EQ(answers.asked().size(), 2);
    EXPECT_EQ(rec.steps, kQuitSteps);
}

TEST(QuitSequence, WatchdogNoteFollowsItsAnswerAndSetting)
{
    struct Case
    {
        bool setting;
        qint64 entries;
        long answer;
        bool asked;
        bool quits;
        bool settingAfter;
    };
    const Case cases[] = {
        {true, 2, 1000, true, true, true},   // Yes
        {true, 2, 1001, true, false, true},  // No
        {true, 2, 1002, true, true, false},  // Don't show again
        {true, 2, 0, true, false, true},     // no answer counts as No
        {true, 0, 1001, false, true, true},  // no entries
        {false, 2, 1001, false, true, false} // switched off
    };
    for (const Case& c : cases) {
        TempHome home;
        UserDefaults::standard().setBool(c.setting, "showDialogWatchogSuggestOpenApp");
        ScriptedDialogAnswerer answers;
        answers.script({c.answer});
        QuitSequence seq;
        Recorder rec(seq);
        rec.watchdogEntries = c.entries;
        seq.applicationShouldTerminate();
        ASSERT_EQ(answers.asked().size(), c.asked ? 1 : 0) << c.answer;
        if (c.asked) {
            EXPECT_EQ(answers.asked()[0].title, kWatchdogTitle);
            EXPECT_EQ(answers.asked()[0].info,
                      "Watchdog will not search for matches when the app is closed.\n\nAre "
                      "you sure to close Binorama?\n");
            EXPECT_EQ(answers.asked()[0].activeButton, 2);
        }
        EXPECT_EQ(rec.steps, c.quits ? kQuitSteps : QStringList({"refuseTermination"})) << c.answer;
        EXPECT_EQ(seq.appIsTerminating(), c.quits);
        EXPECT_EQ(UserDefaults::standard().boolForKey("showDialogWatchogSuggestOpenApp"), c.settingAfter);
    }
}

TEST(QuitSequence, NoToTheUploadQuestionSkipsTheWatchdogNote)
{
    TempHome home;
    UserDefaults::standard().setBool(true, "showDialogWatchogSuggestOpenApp");
    ScriptedDialogAnswerer answers;
    answers.script({1001});
    QuitSequence seq;
    Recorder rec(seq);
    rec.jobs = {job(true, 200)};
    rec.watchdogEntries = 3;
    seq.applicationShouldTerminate();
    EXPECT_EQ(answers.askedTitles(), QStringList({kUploadTitle}));
}
