// Downloads from two scripted news servers, counted by the engine as the
// program wires it, shown on the statistics page as today's bar.
#include "EngineEndToEnd.h"

#include "core/Utils.h"
#include "nntp/NNTPServersController.h"
#include "platform/UserDefaults.h"
#include "queue/QueueController.h"
#include "queue/StatusCodes.h"
#include "stats/DBStatsUsage.h"
#include "stats/StatsUsageController.h"
#include "support/EventLoop.h"
#include "support/NntpRule.h"
#include "ui/stats/StatsUsageVC.h"
#include "ui/stats/ViewStatsUsage.h"

#include <gtest/gtest.h>

#include <QLabel>

namespace {

using StatsEndToEnd = EngineEndToEnd;

TEST_F(StatsEndToEnd, DownloadsFromTwoServersShowAsTodaysBar)
{
    ScriptedNntpServer& main = addServer(QStringLiteral("Main"), 2);
    ScriptedNntpServer& fill = addServer(QStringLiteral("Fill"), 1, true);
    const PostedFile photos = PostedFile::make(QStringLiteral("photos.bin"), 250000, 40000, 31);
    serve(main, photos);
    serve(fill, photos);
    const QByteArray missing = "<" + photos.mids[2] + ">";
    main.addRule(NntpRule::on("BODY").withArgument(missing).reply(430, "No such article"));

    StatsUsageController* stats = engine->statsUsageController();
    stats->startUp();
    const QueuePtr job = import(writeNzb({photos}, QStringLiteral("Photos")));
    ASSERT_TRUE(job);
    ASSERT_TRUE(waitForCode(job, JobStatus::Finished, 60000));

    const qint64 today = stats->getCurrentDay();
    UserDefaults::standard().setBool(false, QStringLiteral("statsUseLastWeekWhenStarting"));
    UserDefaults::standard().setInteger(today, QStringLiteral("statsUsageStartDay"));
    UserDefaults::standard().setInteger(today, QStringLiteral("statsUsageEndDay"));
    StatsUsageVC page(stats, engine->nntpServersController());
    page.resize(900, 600);
    page.setDisplayType(1);

    const QList<NNTPServerObjectPtr> list = engine->nntpServersController()->arrayNNTPServers();
    ASSERT_EQ(list.size(), 2);
    const QList<StatsUsageObject>& bars = page.viewStatsUsage()->parentsArray();
    ASSERT_EQ(bars.size(), 1);
    ASSERT_EQ(bars[0].children.size(), 2);
    // Smallest first, as the column stacks them: the one article of the
    // backup server, then the rest from the main server.
    EXPECT_EQ(bars[0].children[0].serverID, list[1]->serverID());
    EXPECT_EQ(bars[0].children[1].serverID, list[0]->serverID());
    EXPECT_GT(bars[0].children[0].bytes, 40000);
    EXPECT_GT(bars[0].children[1].bytes, 4 * bars[0].children[0].bytes);
    EXPECT_GE(bars[0].bytes, 250000);

    ASSERT_EQ(page.usagePerServerArray().size(), 2);
    EXPECT_EQ(page.usagePerServerArray()[0].alias, "Main");
    EXPECT_EQ(page.totalBytesTextField()->text(), Utils::formatBytes(bars[0].bytes) + " transfered");

    // Stored at shut-down as today's rows of both servers.
    ASSERT_TRUE(stats->saveStats());
    DBStatsUsage store;
    EXPECT_EQ(store.collectDataForPeriod(today, today).size(), 2);
}

} // namespace
