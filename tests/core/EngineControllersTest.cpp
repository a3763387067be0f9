#include "core/EngineControllers.h"

#include "core/DisplayController.h"
#include "nntp/NNTPServersController.h"
#include "nntp/ConnectionsController.h"
#include "postprocess/RepairController.h"
#include "queue/NZBController.h"
#include "queue/QueueController.h"
#include "queue/RenameTitleController.h"
#include "queue/WatchFolderController.h"
#include "search/DeepLookupController.h"
#include "search/WatchdogController.h"
#include "stats/StatsUsageController.h"
#include "support/FakeMainQueue.h"
#include "support/TempHome.h"

#include <gtest/gtest.h>

TEST(EngineControllers, CreatesAndWiresTheControllersInTheirOrder)
{
    TempHome home;
    FakeMainQueue queue;
    queue.files = 2;
    EngineControllers engine;
    engine.setQueueStatus(&queue);
    QStringList made;
    QList<qint64> graph;
    EngineControllers::Hooks hooks;
    hooks.createDockIconController = [&] { made << engine.steps().last(); };
    hooks.addBandwidthValue = [&](qint64 v) { graph << v; };
    engine.initControllers(hooks);

    // The launcher controller is made by the caller between the statistics
    // and the clean-up patterns.
    EXPECT_EQ(made, QStringList({"StatsUsageController"}));
    EXPECT_EQ(engine.steps(), QStringList({"QueueController",
                                           "NNTPServersController",
                                           "ConnectionsController",
                                           "DisplayController",
                                           "NZBController",
                                           "WatchFolderController",
                                           "StatsUsageController",
                                           "DockIconController",
                                           "CleanupItemsController",
                                           "DeepLookupController",
                                           "DownloadHistoryController",
                                           "FODController",
                                           "RepairController",
                                           "RenameTitleController",
                                           "WatchdogController",
                                           "BandwidthLimitController",
                                           "RepairController setFodController",
                                           "StatsUsageController setNntpServersController",
                                           "ConnectionsController setNntpServersController",
                                           "ConnectionsController setQueueController",
                                           "ConnectionsController setStatsUsageController",
                                           "DisplayController setQueueController",
                                           "DisplayController setViewBandwidth",
                                           "NZBController setQueueController",
                                           "WatchFolderController setQueueController",
                                           "WatchFolderController setNzbController",
                                           "DeepLookupController setQueueController",
                                           "RepairController setQueuecontroller",
                                           "RenameTitleController setFodController",
                                           "QueueController setConnectionsController",
                                           "QueueController setCleanupItemsController",
                                           "QueueController setNzbController",
                                           "QueueController setDeepLookupController",
                                           "QueueController setDownloadHistoryController",
                                           "QueueController setRepairController",
                                           "QueueController setFodController",
                                           "QueueController setRenameTitleController",
                                           "WatchdogController setQueueController",
                                           "FileRepairExtractController",
                                           "QueueController neighbours"}));

    // The engine answers the core's questions itself when nobody set others.
    EXPECT_TRUE(engine.queueStatus());
    EXPECT_TRUE(engine.connectionsStatus());
    EXPECT_EQ(engine.queueController()->connectionsController(), engine.connectionsController());
    EXPECT_EQ(engine.connectionsController()->queueController(), engine.queueController());
    EXPECT_EQ(engine.watchdogController()->queueController(), engine.queueController());
    EXPECT_TRUE(engine.queueController()->neighbours().rescan);
    EXPECT_TRUE(engine.queueController()->neighbours().connectAll);

    EXPECT_EQ(engine.repairController()->fodController(), engine.fodController());
    EXPECT_EQ(engine.repairController()->queuecontroller(), engine.queueController());
    EXPECT_EQ(engine.statsUsageController()->nntpServersController(),
              static_cast<StatsServerList*>(engine.nntpServersController()));
    EXPECT_EQ(engine.nzbController()->queueController(), engine.queueController());
    EXPECT_EQ(engine.queueController()->nzbController(), engine.nzbController());
    EXPECT_EQ(engine.deepLookupController()->queueController(), engine.queueController());
    EXPECT_EQ(engine.queueController()->deepLookupController(), engine.deepLookupController());
    EXPECT_EQ(engine.queueController()->downloadHistoryController(), engine.downloadHistoryController());
    EXPECT_EQ(engine.queueController()->repairController(), engine.repairController());
    EXPECT_EQ(engine.queueController()->cleanupItemsController(), engine.cleanupItemsController());
    EXPECT_EQ(engine.queueController()->fodController(), engine.fodController());
    EXPECT_EQ(engine.watchFolderController()->queueController(), engine.queueController());
    EXPECT_EQ(engine.watchFolderController()->nzbController(), engine.nzbController());
    EXPECT_EQ(engine.renameTitleController()->fodController(), engine.fodController());
    ASSERT_NE(engine.downloadHistoryController(), nullptr);
    ASSERT_NE(engine.bandwidthLimitController(), nullptr);
    ASSERT_NE(engine.cleanupItemsController(), nullptr);

    // The display reads the queue it was wired to and feeds the graph.
    engine.displayController()->oneSecondTimer()->stop();
    engine.displayController()->calculateBandwidth();
    EXPECT_EQ(engine.displayController()->displayData().value("totalfiles").toString(), "2");
    EXPECT_EQ(graph, QList<qint64>({0}));
}

TEST(EngineControllers, AQueueStatusSetLaterReachesTheDisplay)
{
    TempHome home;
    EngineControllers engine;
    engine.initControllers();
    // Until then the queue controller answers for itself.
    ASSERT_NE(engine.queueStatus(), nullptr);
    EXPECT_EQ(engine.queueStatus()->getTotalFilesInQueue(), 0);
    FakeMainQueue queue;
    queue.files = 5;
    engine.setQueueStatus(&queue);
    engine.displayController()->calculateBandwidth();
    EXPECT_EQ(engine.displayController()->displayData().value("totalfiles").toString(), "5");
}
