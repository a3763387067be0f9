// The statistics page's periodic refresh with a long range: 160 day bars of
// 20 servers, finished days cached by the engine. Prints the time of the
// engine query, of handing the bars to the graph, of rebuilding the
// per-server table and of one paint of the page at 1280 × 800 (goal: each
// under 10 ms).

#include "nntp/NNTPServersController.h"
#include "platform/UserDefaults.h"
#include "stats/DBStatsUsage.h"
#include "stats/StatsUsageController.h"
#include "ui/stats/StatsUsageVC.h"
#include "ui/stats/ViewStatsUsage.h"

#include "support/EventLoop.h"
#include "support/TempHome.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QImage>
#include <QPainter>

#include <algorithm>
#include <cstdio>
#include <ctime>
#include <functional>
#include <vector>

namespace {

double threadCpuMs()
{
    timespec ts{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
    return double(ts.tv_sec) * 1000.0 + double(ts.tv_nsec) / 1e6;
}

double medianMs(int runs, const std::function<void()>& body)
{
    std::vector<double> ms;
    for (int i = 0; i < runs; ++i) {
        QElapsedTimer t;
        t.start();
        body();
        ms.push_back(double(t.nsecsElapsed()) / 1e6);
    }
    std::sort(ms.begin(), ms.end());
    return ms[ms.size() / 2];
}

} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    TempHome home;
    NNTPServersController servers;
    StatsUsageController engine;
    engine.setNntpServersController(&servers);
    QList<NNTPServerObjectPtr> list;
    for (int s = 0; s < 20; ++s) {
        NNTPServerObjectPtr server = servers.createNewNNTPServer();
        server->setAlias(QStringLiteral("Server %1").arg(s + 1));
        list.append(server);
    }
    engine.startUp();
    const qint64 today = engine.getCurrentDay();
    QList<StatsUsageObject> rows;
    for (qint64 d = today - 159; d < today; ++d) {
        for (int s = 0; s < 20; ++s) {
            StatsUsageObject r;
            r.serverID = list[s]->serverID();
            r.date = d;
            r.bytes = double((d * 7 + s * 13) % 97 + 1) * 1e8;
            rows.append(r);
        }
    }
    DBStatsUsage().writeStatsToDB(rows);
    for (int s = 0; s < 20; ++s)
        engine.addBytes(1e9 + s, list[s]->serverID());

    UserDefaults& d = UserDefaults::standard();
    d.setBool(false, QStringLiteral("statsUseLastWeekWhenStarting"));
    d.setInteger(today - 159, QStringLiteral("statsUsageStartDay"));
    d.setInteger(today, QStringLiteral("statsUsageEndDay"));
    d.setInteger(1, QStringLiteral("statsUsageDisplayType"));
    StatsUsageVC page(&engine, &servers);
    page.resize(1280, 800);
    page.show();
    spinEventLoop(50);

    QList<StatsUsageObject> bars = engine.collectDataForPeriod(today - 159, today); // fills the cache
    const double query = medianMs(50, [&] { bars = engine.collectDataForPeriod(today - 159, today); });
    const double graph = medianMs(50, [&] { page.viewStatsUsage()->updateContent(bars); });
    const double table = medianMs(50, [&] { page.buildUsagePerServerArray(bars); });
    const double refresh = medianMs(50, [&] { page.queryNewData(); });
    QImage image(page.size(), QImage::Format_ARGB32_Premultiplied);
    const double paint = medianMs(20, [&] {
        QPainter p(&image);
        page.render(&p);
    });
    QImage graphImage(page.viewStatsUsage()->size(), QImage::Format_ARGB32_Premultiplied);
    const double graphPaint = medianMs(20, [&] {
        QPainter p(&graphImage);
        page.viewStatsUsage()->render(&p);
    });
    const double cpuStart = threadCpuMs();
    for (int i = 0; i < 20; ++i) {
        QPainter p(&graphImage);
        page.viewStatsUsage()->render(&p);
    }
    const double graphCpu = (threadCpuMs() - cpuStart) / 20;
    std::printf("%lld bars x %d servers, cached range (median of runs)\n", qlonglong(bars.size()), 20);
    std::printf("engine query   %7.2f ms\n", query);
    std::printf("graph update   %7.2f ms\n", graph);
    std::printf("table rebuild  %7.2f ms\n", table);
    std::printf("whole refresh  %7.2f ms (query, graph, table)\n", refresh);
    std::printf("paint 1280x800 %7.2f ms (the whole page; the graph alone %.2f ms wall, %.2f ms CPU of the main thread)\n",
                paint, graphPaint, graphCpu);
    return 0;
}
