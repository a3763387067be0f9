#pragma once

#include <functional>

class MainConnectionsInterface;

// What runs once the user interface has started ("ApplicationDidStartGUI"):
// the statistics start, the questions about the NZB handler, the folders and
// the news servers (each modal, one after the other), the free-space check,
// the watch folder, and the restore of the saved queue on the global pool,
// whose continuation comes back to the main thread.
//
// Main thread only. The steps that touch windows or other controllers are
// callbacks; the checks themselves (texts, logs, settings) are here.
class StartupChecks
{
public:
    struct Steps
    {
        std::function<void()> statsStartUp;
        std::function<void()> updateCollapseButtonBottom;
        std::function<bool()> isDefaultAppForNZB;
        std::function<void()> makeDefaultAppForNZB;
        std::function<void(int)> showPrefsWindowWithViewTag;
        std::function<void()> checkFreeSpaceOnDisk;
        std::function<void()> startWatchFolderController;
        std::function<void()> startLoadingSaveStateTimer;
        std::function<void()> loadCleanupItems;
        std::function<void()> disableExportMenuItem;
        // Runs on the global pool.
        std::function<void()> loadSaveStateFromDB;
        // Back on the main thread after the restore.
        std::function<void()> saveStateLoaded;
        std::function<void()> resetWatchdogQueue;
    };

    void setSteps(Steps steps) { steps_ = std::move(steps); }
    void setConnectionsController(MainConnectionsInterface* c) { connectionsController_ = c; }

    void applicationDidStartGUI();

    void makeAsDefaultAppForNZBExtension();
    void checkFolders();
    void checkDownloadFolder();
    void checkMoveAfterDownloadFolder();
    void checkWatchFolder();
    void checkForActiveNNTPServers();

private:
    static void call(const std::function<void()>& step)
    {
        if (step)
            step();
    }

    Steps steps_;
    MainConnectionsInterface* connectionsController_ = nullptr;
};
