// The cost of counting one segment (StatsUsageController::addBytes) alone
// and with 20 connection threads counting at once on one lock, the stall
// of the day roll-over on the thread that counts first after midnight (a
// swap; goal: under 50 µs, no disk work), and the main thread's store of
// the finished day that follows.
#include "stats/StatsUsageController.h"

#include "support/FakeStatsServerList.h"
#include "support/ManualClock.h"
#include "support/TempHome.h"

#include <QCoreApplication>
#include <QTimeZone>

#include <algorithm>
#include <barrier>
#include <chrono>
#include <cstdio>
#include <thread>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

double nanosecondsSince(Clock::time_point start)
{
    return std::chrono::duration<double, std::nano>(Clock::now() - start).count();
}

double percentile(std::vector<double>& v, double p)
{
    if (v.empty()) return 0;
    std::sort(v.begin(), v.end());
    return v[std::min(v.size() - 1, size_t(p * double(v.size())))];
}

struct Run
{
    double wallNs = 0;
    std::vector<double> samples; // single calls, ns
};

// `threads` threads, each counting `calls` segments for its own server
// (servers shared in turn, as connections of 8 servers would).
Run countOn(StatsUsageController& engine, int threads, int calls)
{
    Run run;
    std::vector<std::vector<double>> samples(threads);
    std::barrier start(threads + 1);
    std::vector<std::thread> pool;
    for (int t = 0; t < threads; ++t) {
        pool.emplace_back([&, t] {
            const QString server = QString::number(t % 8 + 1);
            samples[t].reserve(calls / 64 + 1);
            start.arrive_and_wait();
            for (int i = 0; i < calls; ++i) {
                if (i % 64 == 0) {
                    const Clock::time_point s = Clock::now();
                    engine.addBytes(384000.0, server);
                    samples[t].push_back(nanosecondsSince(s));
                } else {
                    engine.addBytes(384000.0, server);
                }
            }
        });
    }
    start.arrive_and_wait();
    const Clock::time_point begin = Clock::now();
    for (std::thread& th : pool)
        th.join();
    run.wallNs = nanosecondsSince(begin);
    for (auto& s : samples)
        run.samples.insert(run.samples.end(), s.begin(), s.end());
    return run;
}

void report(const char* name, int threads, int calls, Run run)
{
    const double total = double(threads) * calls;
    std::printf("%-28s threads %2d  calls %9.0f  wall %8.1f ms  %7.1f ns/call (wall/calls)  "
                "%6.2f M calls/s  latency p50 %6.0f ns  p99 %7.0f ns  max %9.0f ns\n",
                name, threads, total, run.wallNs / 1e6, run.wallNs / total, total / run.wallNs * 1e3,
                percentile(run.samples, 0.5), percentile(run.samples, 0.99), percentile(run.samples, 1.0));
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    TempHome home;
    FakeStatsServerList servers;
    for (int s = 1; s <= 8; ++s)
        servers.add(QString::number(s), QStringLiteral("Server %1").arg(s));

    // Noon of 5 March 2024 in Berlin; the clock stands still while counting.
    ManualClock clock(1709636400);
    StatsUsageController engine(StatsCalendar(clock.clock(), QTimeZone(QByteArray("Europe/Berlin"))));
    engine.setNntpServersController(&servers);
    engine.startUp();

    constexpr int kCalls = 2'000'000;
    countOn(engine, 1, 100'000); // warm-up
    report("addBytes, one thread", 1, kCalls, countOn(engine, 1, kCalls));
    report("addBytes, 20 threads", 20, kCalls / 4, countOn(engine, 20, kCalls / 4));

    // The system clock instead of the test clock (one clock read per call).
    StatsUsageController systemEngine;
    systemEngine.setNntpServersController(&servers);
    systemEngine.startUp();
    report("addBytes, 20 threads, sys", 20, kCalls / 4, countOn(systemEngine, 20, kCalls / 4));

    // Day roll-over: the first count after midnight moves 8 servers' totals
    // aside; the main thread then stores them.
    std::vector<double> rollovers, stores;
    for (int day = 0; day < 30; ++day) {
        for (int s = 1; s <= 8; ++s)
            engine.addBytes(1e9, QString::number(s));
        clock.advance(86400);
        Clock::time_point s = Clock::now();
        engine.addBytes(1.0, QStringLiteral("1"));
        rollovers.push_back(nanosecondsSince(s));
        s = Clock::now();
        QCoreApplication::processEvents();
        stores.push_back(nanosecondsSince(s));
    }
    std::printf("day roll-over stall on the counting thread (8 servers): p50 %.2f us  max %.2f us over %zu days\n",
                percentile(rollovers, 0.5) / 1e3, percentile(rollovers, 1.0) / 1e3, rollovers.size());
    std::printf("store of the finished day on the main thread: p50 %.2f ms  max %.2f ms\n",
                percentile(stores, 0.5) / 1e6, percentile(stores, 1.0) / 1e6);
    return 0;
}
