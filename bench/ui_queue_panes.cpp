// The queue page's files pane and the connections page under load. Prints:
// - the time of showFilesFor for a job of 10,000 parts;
// - with 200 of its parts changing progress ten times a second (from another
//   thread, as the engine does), the main thread's CPU ms per second of wall
//   time and the repaints per shown row per second;
// - for 50 connection rows whose last response changes 2,000 times a second
//   in all, the same two figures.
// Goals: 50 ms for showFilesFor, 50 ms of main thread per second, at most 10
// repaints per row per second.

#include "nntp/NNTPServersController.h"
#include "nntp/TVConnectionsObject.h"
#include "platform/UserDefaults.h"
#include "queue/QueueController.h"
#include "ui/nntp/ConnectionsTableModel.h"
#include "ui/nntp/TableRowViewConnections.h"
#include "ui/queue/QueueFilesTableModel.h"
#include "ui/queue/QueueFilesVC.h"
#include "ui/queue/TableViewQueueFiles.h"

#include "support/EventLoop.h"
#include "support/ScriptedNntpServer.h"
#include "support/ScriptedServerEntry.h"
#include "support/TempHome.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QHeaderView>
#include <QTableView>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <ctime>
#include <thread>

namespace {

double threadCpuMs()
{
    timespec ts{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
    return double(ts.tv_sec) * 1000.0 + double(ts.tv_nsec) / 1e6;
}

struct Load
{
    double cpuMsPerSecond;
    double seconds; // of wall time
};

// Runs `change` from a worker `perSecond` times a second for `seconds`
// while the main loop runs.
Load underLoad(int perSecond, int seconds, const std::function<void(int step)>& change)
{
    std::atomic<bool> stop{false};
    std::thread worker([&] {
        const auto period = std::chrono::microseconds(1000000 / perSecond);
        auto next = std::chrono::steady_clock::now();
        for (int step = 0; !stop.load(); ++step) {
            change(step);
            next += period;
            std::this_thread::sleep_until(next);
        }
    });
    const double cpu0 = threadCpuMs();
    QElapsedTimer wall;
    wall.start();
    spinEventLoop(seconds * 1000);
    const double cpu = threadCpuMs() - cpu0;
    const double elapsed = double(wall.elapsed()) / 1000.0;
    stop = true;
    worker.join();
    return {cpu / elapsed, elapsed};
}

void filesPane()
{
    QueueController controller;
    QueuePtr job = Queue::create();
    job->setTitle(QStringLiteral("Large job"));
    QList<QueuePtr> parts;
    for (int i = 0; i < 10000; ++i) {
        QueuePtr part = Queue::create();
        part->setIsFilepart(true);
        part->setQueue(job);
        part->setQidnr(Queue::makeQidnr());
        part->setFilename(QStringLiteral("large.part%1.rar").arg(i, 5, 10, QLatin1Char('0')));
        part->setBytes(50e6);
        part->setCheckbox(1);
        parts << part;
    }
    job->setFileparts(parts);

    QueueFilesVC pane;
    pane.setQueueController(&controller);
    pane.loadView();
    pane.resize(320, 800);
    pane.show();
    spinEventLoop(50);
    QElapsedTimer t;
    t.start();
    pane.showFilesFor(job);
    const double showMs = double(t.nsecsElapsed()) / 1e6;
    t.restart();
    pane.tableView()->viewport()->repaint();
    const double paintMs = double(t.nsecsElapsed()) / 1e6;
    spinEventLoop(200);
    std::printf("files pane: showFilesFor of 10,000 parts: %.2f ms (goal 50), then the first paint %.2f ms\n",
                showMs, paintMs);

    QueueFilesTableModel* model = pane.tableView()->filesModel();
    const qint64 reports0 = model->poller().changedRowReports();
    const Load load = underLoad(10, 3, [&](int step) {
        for (int i = 0; i < 200; ++i)
            parts[i]->setProgressBarValue((step + i) % 100 + 1);
    });
    // The rows the refresh looked at: those on screen, a partly shown one
    // included.
    const QPair<int, int> shown = model->poller().range();
    const int rows = shown.second - shown.first + 1;
    const double perRow = double(model->poller().changedRowReports() - reports0) / rows / load.seconds;
    std::printf("files pane: 200 parts changing 10x/s, %d rows shown: main thread %.2f ms/s (goal 50), "
                "%.2f repaints per row per second (at most 10)\n",
                rows, load.cpuMsPerSecond, perRow);
}

void connectionsPage()
{
    ScriptedNntpServer server; // only its address; it is not started
    NNTPServersController servers;
    addScriptedServerEntry(servers, server, QStringLiteral("Main"), 50);
    servers.buildLocalArrays();
    const QList<TVConnectionsObjectPtr> rows = servers.arrayTableViewConnections();

    ConnectionsTableModel model;
    model.setNntpServersController(&servers);
    QTableView table;
    table.setModel(&model);
    table.setItemDelegate(new TableRowViewConnections(&table));
    table.verticalHeader()->setDefaultSectionSize(20);
    table.resize(900, 50 * 20 + 40);
    table.show();
    spinEventLoop(50);
    model.poller().setRange(0, model.rowCount() - 1);
    const qint64 reports0 = model.poller().changedRowReports();
    // 2,000 changes a second in all: 40 per row.
    const Load load = underLoad(200, 3, [&](int step) {
        for (int k = 0; k < 10; ++k) {
            const int i = (step * 10 + k) % int(rows.size());
            rows[i]->setLastresponse(QStringLiteral("222 0 <article-%1@example>").arg(step * 10 + k));
        }
    });
    const double perRow =
        double(model.poller().changedRowReports() - reports0) / double(rows.size()) / load.seconds;
    std::printf("connections: %lld rows, 2,000 response changes/s: main thread %.2f ms/s (goal 50), "
                "%.2f repaints per row per second (at most 10)\n",
                static_cast<long long>(rows.size()), load.cpuMsPerSecond, perRow);
}

} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    TempHome home;
    filesPane();
    connectionsPage();
    return 0;
}
