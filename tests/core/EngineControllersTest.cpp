#include "core/EngineControllers.h"

#include "core/DisplayController.h"
#include "nntp/NNTPServersController.h"
#include "postprocess/RepairController.h"
#include "queue/NZBController.h"
#include "queue/QueueController.h"
#include "search/DeepLookupController.h"
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
    EXPECT_EQ(
        engine.steps(),
        QStringList({"QueueController", "NNTPServersController", "DisplayController", "NZBController",
                     "StatsUsageController", "DockIconController", "CleanupItemsController", "DeepLookupController",
                     "DownloadHistoryController", "FODController",
                     "RepairController", "BandwidthLimitController", "RepairController setFodController",
                     "StatsUsageController setNntpServersController", "DisplayController setQueueController",
                     "DisplayController setViewBandwidth", "NZBController setQueueController",
                     "DeepLookupController setQueueController", "RepairController setQueuecontroller",
                     "QueueController setNzbController", "QueueController setDeepLookupController",
                     "QueueController setDownloadHistoryController"}));

    EXPECT_EQ(engine.repairController()->fodController(), engine.fodController());
    EXPECT_EQ(engine.repairController()->queuecontroller(), engine.queueController());
    EXPECT_EQ(engine.statsUsageController()->nntpServersController(),
              static_cast<StatsServerList*>(engine.nntpServersController()));
    EXPECT_EQ(engine.nzbController()->queueController(), engine.queueController());
    EXPECT_EQ(engine.queueController()->nzbController(), engine.nzbController());
    EXPECT_EQ(engine.deepLookupController()->queueController(), engine.queueController());
    EXPECT_EQ(engine.queueController()->deepLookupController(), engine.deepLookupController());
    EXPECT_EQ(engine.queueController()->downloadHistoryController(), engine.downloadHistoryController());
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
    EXPECT_EQ(engine.queueStatus(), nullptr);
    FakeMainQueue queue;
    queue.files = 5;
    engine.setQueueStatus(&queue);
    engine.displayController()->calculateBandwidth();
    EXPECT_EQ(engine.displayController()->displayData().value("totalfiles").toString(), "5");
}
