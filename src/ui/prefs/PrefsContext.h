#pragma once

class DownloadHistoryController;
class EngineControllers;
class NNTPServersController;
class QueueController;
class StatsUsageController;

// The engine objects a settings page may act on, handed to every page of the
// settings window whoever opened it (none owned). A page that needs one of
// them must still cope with null: tests build pages with only some set.
struct PrefsContext
{
    QueueController* queueController = nullptr;
    NNTPServersController* nntpServersController = nullptr;
    StatsUsageController* statsUsageController = nullptr;
    DownloadHistoryController* downloadHistoryController = nullptr;

    // Every reference taken from the running engine.
    static PrefsContext fromEngine(const EngineControllers& engine);
};
