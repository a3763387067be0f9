#include "core/EngineControllers.h"

#include "core/DisplayController.h"
#include "nntp/BandwidthLimitController.h"
#include "nntp/NNTPServersController.h"
#include "postprocess/CleanupItemsController.h"
#include "postprocess/RepairController.h"
#include "queue/DownloadHistoryController.h"
#include "queue/FODController.h"
#include "queue/NZBController.h"
#include "queue/QueueController.h"
#include "search/DeepLookupController.h"
#include "stats/StatsUsageController.h"

EngineControllers::EngineControllers() = default;

EngineControllers::~EngineControllers()
{
    // The wiring holds plain pointers: undo the references that outlive a
    // controller before anything is destroyed.
    if (statsUsageController_)
        statsUsageController_->setNntpServersController(nullptr);
    if (displayController_)
        displayController_->setQueueController(nullptr);
    repairController_.reset();
    fodController_.reset();
    cleanupItemsController_.reset();
    statsUsageController_.reset();
    nzbController_.reset();
    displayController_.reset();
    nntpServersController_.reset();
    queueController_.reset();
}

void EngineControllers::setQueueStatus(MainQueueInterface* queueStatus)
{
    queueStatus_ = queueStatus;
    if (displayController_)
        displayController_->setQueueController(queueStatus);
}

void EngineControllers::initControllers(const Hooks& hooks)
{
    auto step = [this](const char* text) { steps_.append(QString::fromLatin1(text)); };

    // 1. Creation, in this order.
    queueController_ = std::make_unique<QueueController>();
    step("QueueController");
    nntpServersController_ = std::make_unique<NNTPServersController>();
    step("NNTPServersController");
    // ConnectionsController: created here, before DisplayController, once
    // the connection manager exists; it also answers connectionsStatus_.
    displayController_ = std::make_unique<DisplayController>();
    step("DisplayController");
    nzbController_ = std::make_unique<NZBController>();
    step("NZBController");
    // WatchFolderController: created here, after NZBController.
    statsUsageController_ = std::make_unique<StatsUsageController>();
    step("StatsUsageController");
    if (hooks.createDockIconController) {
        hooks.createDockIconController();
        step("DockIconController");
    }
    cleanupItemsController_ = std::make_unique<CleanupItemsController>();
    step("CleanupItemsController");
    deepLookupController_ = std::make_unique<DeepLookupController>();
    step("DeepLookupController");
    downloadHistoryController_ = std::make_unique<DownloadHistoryController>();
    step("DownloadHistoryController");
    fodController_ = std::make_unique<FODController>();
    step("FODController");
    repairController_ = std::make_unique<RepairController>();
    step("RepairController");
    // RenameTitleController, then WatchdogController: created here.
    bandwidthLimitController_ = std::make_unique<BandwidthLimitController>();
    step("BandwidthLimitController");

    // 2. Wiring, in this order.
    repairController_->setFodController(fodController_.get());
    step("RepairController setFodController");
    statsUsageController_->setNntpServersController(nntpServersController_.get());
    step("StatsUsageController setNntpServersController");
    // ConnectionsController setNntpServersController, setQueueController,
    // setStatsUsageController: here.
    // The queue controller answers the display's questions once its totals
    // exist (MainQueueInterface); until then queueStatus_ stays null.
    displayController_->setQueueController(queueStatus_);
    step("DisplayController setQueueController");
    displayController_->setViewBandwidth(hooks.addBandwidthValue);
    step("DisplayController setViewBandwidth");
    nzbController_->setQueueController(queueController_.get());
    step("NZBController setQueueController");
    // WatchFolderController setQueueController, setNzbController: here.
    deepLookupController_->setQueueController(queueController_.get());
    step("DeepLookupController setQueueController");
    repairController_->setQueuecontroller(queueController_.get());
    step("RepairController setQueuecontroller");
    // RenameTitleController setFodController: here.
    // QueueController setConnectionsController, setCleanupItemsController: here.
    queueController_->setNzbController(nzbController_.get());
    step("QueueController setNzbController");
    queueController_->setDeepLookupController(deepLookupController_.get());
    step("QueueController setDeepLookupController");
    queueController_->setDownloadHistoryController(downloadHistoryController_.get());
    step("QueueController setDownloadHistoryController");
    // QueueController setRepairController, setFodController,
    // setRenameTitleController: here.
    // WatchdogController setQueueController: here.
}
