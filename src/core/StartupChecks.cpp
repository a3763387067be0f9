#include "core/StartupChecks.h"

#include "core/DialogBoxes.h"
#include "core/FileUtils.h"
#include "core/Logger.h"
#include "core/MainConnectionsInterface.h"
#include "platform/Dispatch.h"
#include "platform/UserDefaults.h"

void StartupChecks::applicationDidStartGUI()
{
    call(steps_.statsStartUp);
    call(steps_.updateCollapseButtonBottom);
    makeAsDefaultAppForNZBExtension();
    checkFolders();
    checkForActiveNNTPServers();
    call(steps_.checkFreeSpaceOnDisk);
    call(steps_.startWatchFolderController);
    call(steps_.startLoadingSaveStateTimer);
    call(steps_.loadCleanupItems);
    call(steps_.disableExportMenuItem);

    std::function<void()> load = steps_.loadSaveStateFromDB;
    std::function<void()> loaded = steps_.saveStateLoaded;
    Dispatch::global([load, loaded] {
        if (load)
            load();
        Dispatch::onMain([loaded] {
            if (loaded)
                loaded();
        });
    });
    call(steps_.resetWatchdogQueue);
}

void StartupChecks::makeAsDefaultAppForNZBExtension()
{
    UserDefaults& d = UserDefaults::standard();
    if (!d.boolForKey(QStringLiteral("showDialogMakeDefaultForNZB")))
        return;
    if (!steps_.isDefaultAppForNZB || steps_.isDefaultAppForNZB())
        return;
    const int answer = DialogBoxes::alertBoxYesNoWithNotShowAgain(
        QStringLiteral("Make Binorama the default app to open NZB files?"),
        QStringLiteral("You can always change this setting in the Preferences."), true);
    if (answer == 0)
        call(steps_.makeDefaultAppForNZB);
    else if (answer == 2)
        d.setBool(false, QStringLiteral("showDialogMakeDefaultForNZB"));
}

void StartupChecks::checkFolders()
{
    checkDownloadFolder();
    checkMoveAfterDownloadFolder();
    checkWatchFolder();
}

void StartupChecks::checkDownloadFolder()
{
    if (FileUtils::enableFileAccessForKey(QStringLiteral("downloadPath")))
        return;
    BLOG(4, "Download folder no longer exists or access is denied.");
    DialogBoxes::alertBoxOpenPreferences(QStringLiteral("Download folder no longer exists"),
                                         QStringLiteral("You must set the folder before continuing."), true);
    if (steps_.showPrefsWindowWithViewTag)
        steps_.showPrefsWindowWithViewTag(2);
}

void StartupChecks::checkMoveAfterDownloadFolder()
{
    UserDefaults& d = UserDefaults::standard();
    if (!d.boolForKey(QStringLiteral("moveAfterDownload")) ||
        FileUtils::enableFileAccessForKey(QStringLiteral("moveAfterDownloadPath")))
        return;
    BLOG(4, "'Move After Download' folder no longer exists or access is denied. This feature is now disabled.");
    DialogBoxes::alertBoxDefault(QStringLiteral("Move after download folder no longer exists"),
                                 QStringLiteral("This feature is now disabled."));
    d.setBool(false, QStringLiteral("moveAfterDownload"));
}

void StartupChecks::checkWatchFolder()
{
    UserDefaults& d = UserDefaults::standard();
    if (!d.boolForKey(QStringLiteral("enableWatchFolder")) ||
        FileUtils::enableFileAccessForKey(QStringLiteral("watchFolderPath")))
        return;
    BLOG(4, "'Watchfolder' no longer exists or access is denied. This feature is now disabled.");
    DialogBoxes::alertBoxDefault(QStringLiteral("Your configured Watchfolder no longer exists"),
                                 QStringLiteral("This feature is now disabled."));
    d.setBool(false, QStringLiteral("enableWatchFolder"));
}

void StartupChecks::checkForActiveNNTPServers()
{
    if (connectionsController_ && (connectionsController_->checkForNormalActiveNNTPServers() ||
                                   connectionsController_->checkForBackupActiveNNTPServers()))
        return;
    BLOG(4, "No active nntpservers configured.");
    if (DialogBoxes::alertBoxYesNo(QStringLiteral("No active news servers configured"),
                                   QStringLiteral("Would you like to configure them now?"), true) &&
        steps_.showPrefsWindowWithViewTag)
        steps_.showPrefsWindowWithViewTag(1);
}
