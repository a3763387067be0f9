#include "engine/EngineControllers.h"

#include "engine/ConnectionsControllerStatus.h"
#include "core/DisplayController.h"
#include "core/MemoryArenas.h"
#include "engine/QueueControllerFlags.h"
#include "nntp/ConnectionsController.h"
#include "nntp/BandwidthLimitController.h"
#include "nntp/NNTPServersController.h"
#include "postprocess/CleanupItemsController.h"
#include "postprocess/FileRepairExtractController.h"
#include "postprocess/ObfuscatedController.h"
#include "postprocess/RepairController.h"
#include "queue/DownloadHistoryController.h"
#include "queue/FODController.h"
#include "queue/NZBController.h"
#include "queue/QueueController.h"
#include "search/DeepLookupController.h"
#include "search/WatchdogController.h"
#include "queue/RenameTitleController.h"
#include "queue/WatchFolderController.h"
#include "stats/StatsUsageController.h"

EngineControllers::EngineControllers()
{
    // Before any connection's thread starts.
    MemoryArenas::limit();
}

EngineControllers::~EngineControllers()
{
    // The wiring holds plain pointers: undo the references that outlive a
    // controller before anything is destroyed.
    if (statsUsageController_) statsUsageController_->setNntpServersController(nullptr);
    if (displayController_) displayController_->setQueueController(nullptr);
    // Connections first: their threads call into the queue and statistics.
    if (queueController_) queueController_->neighbours() = {};
    connectionsController_.reset();
    // The writing threads report to the repair bookkeeping and the
    // files-on-disk index, destroyed next.
    if (queueController_) queueController_->fileWriteController().stop();
    fileRepairExtractController_.reset();
    renameTitleController_.reset();
    repairController_.reset();
    fodController_.reset();
    downloadHistoryController_.reset();
    cleanupItemsController_.reset();
    statsUsageController_.reset();
    watchFolderController_.reset();
    nzbController_.reset();
    displayController_.reset();
    nntpServersController_.reset();
    queueController_.reset();
}

void EngineControllers::setQueueStatus(MainQueueInterface* queueStatus)
{
    queueStatus_ = queueStatus;
    if (displayController_) displayController_->setQueueController(queueStatus);
}

void EngineControllers::initControllers(const Hooks& hooks)
{
    auto step = [this](const char* text) { steps_.append(QString::fromLatin1(text)); };

    // 1. Creation, in this order.
    queueController_ =
        hooks.makeQueueController ? hooks.makeQueueController() : std::make_unique<QueueController>();
    step("QueueController");
    nntpServersController_ = std::make_unique<NNTPServersController>();
    step("NNTPServersController");
    connectionsController_ = std::make_unique<ConnectionsController>();
    step("ConnectionsController");
    if (!connectionsStatus_) {
        ownConnectionsStatus_ = std::make_unique<ConnectionsControllerStatus>(connectionsController_.get());
        connectionsStatus_ = ownConnectionsStatus_.get();
    }
    if (!queueStatus_) {
        ownQueueStatus_ = std::make_unique<QueueControllerFlags>(queueController_.get());
        queueStatus_ = ownQueueStatus_.get();
    }
    displayController_ = std::make_unique<DisplayController>();
    step("DisplayController");
    nzbController_ = std::make_unique<NZBController>();
    step("NZBController");
    watchFolderController_ = std::make_unique<WatchFolderController>();
    step("WatchFolderController");
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
    renameTitleController_ = std::make_unique<RenameTitleController>();
    step("RenameTitleController");
    watchdogController_ = std::make_unique<WatchdogController>();
    step("WatchdogController");
    bandwidthLimitController_ = std::make_unique<BandwidthLimitController>();
    step("BandwidthLimitController");

    // 2. Wiring, in this order.
    repairController_->setFodController(fodController_.get());
    step("RepairController setFodController");
    statsUsageController_->setNntpServersController(nntpServersController_.get());
    step("StatsUsageController setNntpServersController");
    connectionsController_->setNntpServersController(nntpServersController_.get());
    step("ConnectionsController setNntpServersController");
    connectionsController_->setQueueController(queueController_.get());
    step("ConnectionsController setQueueController");
    connectionsController_->setStatsUsageController(statsUsageController_.get());
    step("ConnectionsController setStatsUsageController");
    displayController_->setQueueController(queueStatus_);
    step("DisplayController setQueueController");
    displayController_->setViewBandwidth(hooks.addBandwidthValue);
    step("DisplayController setViewBandwidth");
    nzbController_->setQueueController(queueController_.get());
    step("NZBController setQueueController");
    watchFolderController_->setQueueController(queueController_.get());
    step("WatchFolderController setQueueController");
    watchFolderController_->setNzbController(nzbController_.get());
    step("WatchFolderController setNzbController");
    deepLookupController_->setQueueController(queueController_.get());
    step("DeepLookupController setQueueController");
    repairController_->setQueuecontroller(queueController_.get());
    step("RepairController setQueuecontroller");
    renameTitleController_->setFodController(fodController_.get());
    step("RenameTitleController setFodController");
    queueController_->setConnectionsController(connectionsController_.get());
    step("QueueController setConnectionsController");
    queueController_->setCleanupItemsController(cleanupItemsController_.get());
    step("QueueController setCleanupItemsController");
    queueController_->setNzbController(nzbController_.get());
    step("QueueController setNzbController");
    queueController_->setDeepLookupController(deepLookupController_.get());
    step("QueueController setDeepLookupController");
    queueController_->setDownloadHistoryController(downloadHistoryController_.get());
    step("QueueController setDownloadHistoryController");
    queueController_->setRepairController(repairController_.get());
    step("QueueController setRepairController");
    queueController_->setFodController(fodController_.get());
    step("QueueController setFodController");
    queueController_->setRenameTitleController(renameTitleController_.get());
    step("QueueController setRenameTitleController");
    watchdogController_->setQueueController(queueController_.get());
    step("WatchdogController setQueueController");

    // 3. The scheduler's neighbours: the connections it opens, the history
    // it records into, the post-processing runner it wakes and the name
    // correction it queues.
    fileRepairExtractController_ = std::make_unique<FileRepairExtractController>();
    step("FileRepairExtractController");
    QueueController* queue = queueController_.get();
    ConnectionsController* connections = connectionsController_.get();
    FileRepairExtractController* runner = fileRepairExtractController_.get();
    DownloadHistoryController* history = downloadHistoryController_.get();
    RenameTitleController* renamer = renameTitleController_.get();
    runner->setJobSource([queue] { return queue->getFirstRepairOrExtractObject(); });
    runner->setJoinedPiecesGate([queue](const QueuePtr& job, std::function<void()> deletePieces) {
        queue->joinedPiecesMayGo(job, std::move(deletePieces));
    });
    QueueController::Neighbours& n = queue->neighbours();
    n.connectAll = [connections] { connections->connectAll(); };
    n.connectServerID = [connections](const QString& serverID) { connections->connectServerID(serverID); };
    n.openConnections = [connections](qint64 count, const QString& serverID) {
        connections->openConnections(count, serverID);
    };
    n.addRowObject = [history](const QueuePtr& part) { history->addRowObject(part); };
    n.rescan = [runner] { runner->rescan(); };
    n.renameTitleForQueue = [renamer](const QueuePtr& root) { renamer->renameTitleForQueue(root); };
    n.addObfuscatedControllerOperation = [queue](const QueuePtr& root) {
        ObfuscatedController::addOperation(queue->filenameControllerQueue(), root);
    };
    step("QueueController neighbours");
}
