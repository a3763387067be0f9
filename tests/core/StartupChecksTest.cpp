#include "core/StartupChecks.h"

#include "platform/UserDefaults.h"
#include "support/EventLoop.h"
#include "support/FakeMainConnections.h"
#include "support/LogFileReader.h"
#include "support/ScriptedDialogAnswerer.h"
#include "support/TempHome.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QThread>

#include <atomic>

namespace {

// Every step the checks call, by name, in order; the background restore also
// says whether it ran off the main thread.
struct Recorder
{
    QStringList steps;
    QList<int> prefsTags;
    std::atomic<bool> loadedOffMain{false};
    bool isDefault = false;

    StartupChecks::Steps make()
    {
        StartupChecks::Steps s;
        auto rec = [this](const char* name) { return [this, name] { steps << QString::fromLatin1(name); }; };
        s.statsStartUp = rec("statsStartUp");
        s.updateCollapseButtonBottom = rec("updateCollapseButtonBottom");
        s.isDefaultAppForNZB = [this] { return isDefault; };
        s.makeDefaultAppForNZB = rec("makeDefaultAppForNZB");
        s.showPrefsWindowWithViewTag = [this](int tag) { prefsTags << tag; };
        s.checkFreeSpaceOnDisk = rec("checkFreeSpaceOnDisk");
        s.startWatchFolderController = rec("startWatchFolderController");
        s.startLoadingSaveStateTimer = rec("startLoadingSaveStateTimer");
        s.loadCleanupItems = rec("loadCleanupItems");
        s.disableExportMenuItem = rec("disableExportMenuItem");
        s.loadSaveStateFromDB = [this] { loadedOffMain = QThread::currentThread() != qApp->thread(); };
        s.saveStateLoaded = rec("saveStateLoaded");
        s.resetWatchdogQueue = rec("resetWatchdogQueue");
        return s;
    }
};

// The message part of each warning line of the log, in order.
QStringList warnings(const TempHome& home)
{
    QStringList out;
    for (const QString& line : LogFileReader(home.logFilePath()).lines()) {
        if (!line.startsWith(QLatin1String("[WARN]"))) continue;
        const qsizetype bar = line.indexOf(QLatin1String(" | ["));
        out << line.mid(line.indexOf(QLatin1Char(']'), bar) + 1);
    }
    return out;
}

void setFolder(const char* key, const QString& path)
{
    UserDefaults::standard().setObject(path, QString::fromLatin1(key));
}

} // namespace

TEST(StartupChecks, AsksEveryQuestionInOrderLogsEachProblemAndSwitchesBrokenFeaturesOff)
{
    TempHome home;
    UserDefaults& d = UserDefaults::standard();
    setFolder("downloadPath", home.path() + "/gone/downloads");
    d.setBool(true, "moveAfterDownload");
    setFolder("moveAfterDownloadPath", home.path() + "/gone/final");
    d.setBool(true, "enableWatchFolder");
    setFolder("watchFolderPath", home.path() + "/gone/watch");
    d.setBool(true, "showDialogMakeDefaultForNZB");

    ScriptedDialogAnswerer answers;
    // Default app: "Don't show again"; then the alerts; servers: Yes.
    answers.script({1002, 1000, 1000, 1000, 1000});
    FakeMainConnections connections;
    Recorder rec;
    StartupChecks checks;
    checks.setSteps(rec.make());
    checks.setConnectionsController(&connections);
    checks.applicationDidStartGUI();

    EXPECT_EQ(
        answers.askedTitles(),
        QStringList({"Make Binorama the default app to open NZB files?", "Download folder no longer exists",
                     "Move after download folder no longer exists",
                     "Your configured Watchfolder no longer exists", "No active news servers configured"}));
    const QList<DialogRequest> asked = answers.asked();
    EXPECT_EQ(asked[0].info, "You can always change this setting in the Preferences.");
    EXPECT_EQ(asked[0].activeButton, 1);
    EXPECT_EQ(asked[1].info, "You must set the folder before continuing.");
    ASSERT_EQ(asked[1].buttons.size(), 1); // forced: no Cancel
    EXPECT_EQ(asked[2].info, "This feature is now disabled.");
    EXPECT_EQ(asked[3].info, "This feature is now disabled.");
    EXPECT_EQ(asked[4].info, "Would you like to configure them now?");
    EXPECT_EQ(asked[4].activeButton, 1);

    EXPECT_EQ(
        warnings(home),
        QStringList({"Download folder no longer exists or access is denied.",
                     "'Move After Download' folder no longer exists or access is denied. This feature is "
                     "now disabled.",
                     "'Watchfolder' no longer exists or access is denied. This feature is now disabled.",
                     "No active nntpservers configured."}));
    EXPECT_EQ(rec.prefsTags, QList<int>({2, 1}));
    EXPECT_FALSE(d.boolForKey("showDialogMakeDefaultForNZB"));
    EXPECT_FALSE(d.boolForKey("moveAfterDownload"));
    EXPECT_FALSE(d.boolForKey("enableWatchFolder"));

    // The Watchdog reset does not wait for the restore; the restore's
    // continuation comes back to the main thread afterwards.
    const QStringList before = {"statsStartUp",
                                "updateCollapseButtonBottom",
                                "checkFreeSpaceOnDisk",
                                "startWatchFolderController",
                                "startLoadingSaveStateTimer",
                                "loadCleanupItems",
                                "disableExportMenuItem",
                                "resetWatchdogQueue"};
    EXPECT_EQ(rec.steps, before);
    ASSERT_TRUE(waitUntil([&] { return rec.steps.size() == before.size() + 1; }, 3000));
    EXPECT_EQ(rec.steps.last(), "saveStateLoaded");
    EXPECT_TRUE(rec.loadedOffMain);
}

TEST(StartupChecks, AsksNothingWhenFoldersAndAServerOfEitherKindAreThere)
{
    for (const bool backupOnly : {false, true}) {
        TempHome home;
        UserDefaults& d = UserDefaults::standard();
        setFolder("downloadPath", home.makeFolder("dl"));
        d.setBool(true, "moveAfterDownload");
        setFolder("moveAfterDownloadPath", home.makeFolder("final"));
        d.setBool(true, "enableWatchFolder");
        setFolder("watchFolderPath", home.makeFolder("watch"));
        ScriptedDialogAnswerer answers;
        FakeMainConnections connections;
        connections.normalServers = !backupOnly;
        connections.backupServers = backupOnly;
        Recorder rec;
        rec.isDefault = true;
        StartupChecks checks;
        checks.setSteps(rec.make());
        checks.setConnectionsController(&connections);
        checks.applicationDidStartGUI();
        EXPECT_TRUE(answers.asked().isEmpty()) << backupOnly;
        EXPECT_TRUE(warnings(home).isEmpty()) << backupOnly;
        EXPECT_TRUE(d.boolForKey("moveAfterDownload"));
        EXPECT_TRUE(d.boolForKey("enableWatchFolder"));
        EXPECT_TRUE(waitUntil([&] { return rec.steps.contains("saveStateLoaded"); }, 3000));
    }
}

TEST(StartupChecks, DefaultAppQuestionFollowsItsAnswerAndItsSetting)
{
    struct Case
    {
        bool showDialog;
        bool alreadyDefault;
        long answer;
        bool asked;
        bool madeDefault;
        bool settingAfter;
    };
    const Case cases[] = {
        {true, false, 1000, true, true, true},    // Yes
        {true, false, 1001, true, false, true},   // No
        {true, false, 1002, true, false, false},  // Don't show again
        {true, false, 0, true, false, true},      // no answer counts as No
        {true, true, 1000, false, false, true},   // already the handler
        {false, false, 1000, false, false, false} // switched off
    };
    for (const Case& c : cases) {
        TempHome home;
        UserDefaults::standard().setBool(c.showDialog, "showDialogMakeDefaultForNZB");
        ScriptedDialogAnswerer answers;
        answers.script({c.answer});
        Recorder rec;
        rec.isDefault = c.alreadyDefault;
        StartupChecks checks;
        checks.setSteps(rec.make());
        checks.makeAsDefaultAppForNZBExtension();
        EXPECT_EQ(answers.asked().size(), c.asked ? 1 : 0) << c.answer;
        EXPECT_EQ(rec.steps.contains("makeDefaultAppForNZB"), c.madeDefault) << c.answer;
        EXPECT_EQ(UserDefaults::standard().boolForKey("showDialogMakeDefaultForNZB"), c.settingAfter)
            << c.answer;
    }
}

TEST(StartupChecks, NoToTheServerQuestionOpensNoSettings)
{
    TempHome home;
    ScriptedDialogAnswerer answers;
    answers.script({1001});
    Recorder rec;
    StartupChecks checks;
    checks.setSteps(rec.make());
    checks.checkForActiveNNTPServers();
    EXPECT_EQ(answers.askedTitles(), QStringList({"No active news servers configured"}));
    EXPECT_TRUE(rec.prefsTags.isEmpty());
}
