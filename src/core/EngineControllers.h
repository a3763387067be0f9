#pragma once

#include <QStringList>

#include <functional>
#include <memory>

class BandwidthLimitController;
class ConnectionsController;
class ConnectionsControllerStatus;
class FileRepairExtractController;
class QueueControllerFlags;
class CleanupItemsController;
class DeepLookupController;
class DisplayController;
class DownloadHistoryController;
class FODController;
class MainConnectionsInterface;
class MainQueueInterface;
class NNTPServersController;
class NZBController;
class QueueController;
class RenameTitleController;
class RepairController;
class StatsUsageController;
class WatchFolderController;
class WatchdogController;

// The engine controllers of one run, created once in a fixed order and wired
// to each other; the main window holds them for the whole run, and tests can
// run the engine whole without a window. Created on the main thread.
// No connection is opened here; that happens when the first job is queued.
class EngineControllers
{
public:
    // Controllers that are not engine classes (the launcher badge) are made
    // by the caller at their place in the order.
    struct Hooks
    {
        std::function<void()> createDockIconController;
        // The speed graph of the main window (bits per second).
        std::function<void(qint64)> addBandwidthValue;
        // The scheduler, when the caller makes its own (one that also records
        // what it is told); otherwise a plain QueueController.
        std::function<std::unique_ptr<QueueController>()> makeQueueController;
    };

    EngineControllers();
    ~EngineControllers();
    EngineControllers(const EngineControllers&) = delete;
    EngineControllers& operator=(const EngineControllers&) = delete;

    void initControllers(const Hooks& hooks = {});

    // Each creation and wiring step as "Class" or "Class setter", in the
    // order run.
    const QStringList& steps() const { return steps_; }

    QueueController* queueController() const { return queueController_.get(); }
    NNTPServersController* nntpServersController() const { return nntpServersController_.get(); }
    ConnectionsController* connectionsController() const { return connectionsController_.get(); }
    FileRepairExtractController* fileRepairExtractController() const { return fileRepairExtractController_.get(); }
    DisplayController* displayController() const { return displayController_.get(); }
    NZBController* nzbController() const { return nzbController_.get(); }
    StatsUsageController* statsUsageController() const { return statsUsageController_.get(); }
    CleanupItemsController* cleanupItemsController() const { return cleanupItemsController_.get(); }
    DeepLookupController* deepLookupController() const { return deepLookupController_.get(); }
    DownloadHistoryController* downloadHistoryController() const { return downloadHistoryController_.get(); }
    FODController* fodController() const { return fodController_.get(); }
    RepairController* repairController() const { return repairController_.get(); }
    BandwidthLimitController* bandwidthLimitController() const { return bandwidthLimitController_.get(); }
    WatchFolderController* watchFolderController() const { return watchFolderController_.get(); }
    RenameTitleController* renameTitleController() const { return renameTitleController_.get(); }
    WatchdogController* watchdogController() const { return watchdogController_.get(); }

    // What the application core asks of the queue and the connections;
    // null until those controllers answer it. Set before initControllers
    // they are wired at their place in the order; set later they are handed
    // to the controllers made by then.
    MainQueueInterface* queueStatus() const { return queueStatus_; }
    MainConnectionsInterface* connectionsStatus() const { return connectionsStatus_; }
    void setQueueStatus(MainQueueInterface* queueStatus);
    void setConnectionsStatus(MainConnectionsInterface* connectionsStatus)
    {
        connectionsStatus_ = connectionsStatus;
    }

private:
    QStringList steps_;
    // Destroyed in reverse order of creation.
    std::unique_ptr<QueueController> queueController_;
    std::unique_ptr<NNTPServersController> nntpServersController_;
    std::unique_ptr<ConnectionsController> connectionsController_;
    std::unique_ptr<DisplayController> displayController_;
    std::unique_ptr<NZBController> nzbController_;
    std::unique_ptr<WatchFolderController> watchFolderController_;
    std::unique_ptr<StatsUsageController> statsUsageController_;
    std::unique_ptr<CleanupItemsController> cleanupItemsController_;
    std::unique_ptr<DeepLookupController> deepLookupController_;
    std::unique_ptr<DownloadHistoryController> downloadHistoryController_;
    std::unique_ptr<FODController> fodController_;
    std::unique_ptr<RepairController> repairController_;
    std::unique_ptr<RenameTitleController> renameTitleController_;
    std::unique_ptr<WatchdogController> watchdogController_;
    std::unique_ptr<BandwidthLimitController> bandwidthLimitController_;
    std::unique_ptr<FileRepairExtractController> fileRepairExtractController_;
    // The answers the engine gives itself when nobody set others.
    std::unique_ptr<QueueControllerFlags> ownQueueStatus_;
    std::unique_ptr<ConnectionsControllerStatus> ownConnectionsStatus_;
    MainQueueInterface* queueStatus_ = nullptr;
    MainConnectionsInterface* connectionsStatus_ = nullptr;
};
