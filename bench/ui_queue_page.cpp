// The queue page under load: 5,000 jobs in the queue and 100 of them changing
// progress ten times a second. Prints the main thread's CPU time per second
// of wall time, the time of one full repaint of the table, and the time to
// admit the 5,000 jobs. With "--screenshot FILE" it instead writes a picture
// of the page with a few jobs in typical states.

#include "platform/UserDefaults.h"
#include "queue/QueueController.h"
#include "ui/queue/QueueTableModel.h"
#include "ui/queue/QueueVC.h"
#include "ui/queue/TableViewQueue.h"

#include "support/EventLoop.h"
#include "support/TempHome.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QTimer>

#include <cstdio>
#include <ctime>

namespace {

double threadCpuMs()
{
    timespec ts{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
    return double(ts.tv_sec) * 1000.0 + double(ts.tv_nsec) / 1e6;
}

QueuePtr makeJob(const QString& title, qint64 status)
{
    QueuePtr job = Queue::create();
    job->setTitle(title);
    job->setQidnr(Queue::makeQidnr());
    job->setIsNZB(true);
    job->setStatus(status);
    job->setRowheight(84);
    return job;
}

int screenshot(const QString& path)
{
    TempHome home;
    QueueController controller;
    QueueVC page;
    page.setQueueController(&controller);
    page.resize(1100, 560);
    page.loadView();

    struct Sample
    {
        const char* title;
        qint64 status;
        bool paused;
        qint64 percent;
        const char* comment;
        const char* size;
        const char* color;
        double bytesLeft;
    };
    const Sample samples[] = {
        {"Ubuntu.24.04.Desktop.amd64", 1, false, 42, "Downloading - 38 of 90 files", "4.02 GB", "#3478c8",
         1.71e9},
        {"Holiday.Photos.2026", 1, true, 67, "Paused", "1.53 GB", "#e28c28", 1.02e9},
        {"Project.Gutenberg.Collection", 10, false, 100, "Finished - all files are complete", "815.40 MB",
         "#40a050", 0},
        {"Open.Movie.Sintel.1080p", 105, false, 0, "Queued", "1.20 GB", "#969ca2", 1.2e9},
    };
    for (const Sample& s : samples) {
        QueuePtr job = makeJob(QString::fromLatin1(s.title), s.status);
        controller.addRootQueueObjectToQueueArray(job);
        job->setIsPaused(s.paused);
        job->setTotalBytesLeft(s.bytesLeft);
        job->setProgressBarValue(s.percent);
        job->setProgressBarVisible(s.status == 1);
        job->setColorProgressBar(QColor(QString::fromLatin1(s.color)));
        job->setColorStatsButton(QColor(QString::fromLatin1(s.color)));
        job->setCommentTextField(QString::fromLatin1(s.comment));
        job->setTotalBytesTextField(QString::fromLatin1(s.size));
        job->setProgressBarValueTextField(QStringLiteral("%1%").arg(s.percent));
        if (s.status == 1 && !s.paused) job->setTimeLeftTextField(QStringLiteral("00:12:40"));
    }
    controller.getTotalFilesInQueue();
    page.show();
    spinEventLoop(300);
    UserDefaults::standard().setFloat(300.0f, QStringLiteral("SplitViewQueueRestorePosition"));
    page.expandRightPane();
    spinEventLoop(300);
    page.tableviewQueue()->selectionModel()->select(page.tableviewQueue()->queueModel()->index(0),
                                                    QItemSelectionModel::ClearAndSelect);
    page.observeTotals();
    spinEventLoop(300);
    const bool ok = page.grab().save(path);
    std::printf("%s %s\n", ok ? "wrote" : "could not write", qPrintable(path));
    return ok ? 0 : 1;
}

} // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    const QStringList args = app.arguments();
    const qsizetype shot = args.indexOf(QStringLiteral("--screenshot"));
    if (shot >= 0 && shot + 1 < args.size()) return screenshot(args[shot + 1]);

    TempHome home;
    QueueController controller;
    QueueVC page;
    page.setQueueController(&controller);
    page.resize(1280, 800);
    page.loadView();
    page.show();
    spinEventLoop(200);

    constexpr int kJobs = 5000;
    constexpr int kActive = 100;
    QList<QueuePtr> jobs;
    for (int i = 0; i < kJobs; ++i)
        jobs << makeJob(QStringLiteral("Job number %1 with a long enough title").arg(i),
                        i < kActive ? 1 : 105);
    QElapsedTimer admit;
    admit.start();
    for (const QueuePtr& j : jobs)
        controller.addRootQueueObjectToQueueArray(j);
    const double admitMs = double(admit.nsecsElapsed()) / 1e6;
    for (int i = 0; i < kActive; ++i) {
        jobs[i]->setProgressBarVisible(true);
        jobs[i]->setColorProgressBar(QColor(52, 120, 200));
    }
    spinEventLoop(300);

    // The engine's writes: every 100 ms each active job moves on.
    qint64 tick = 0;
    QTimer engine;
    engine.setInterval(100);
    QObject::connect(&engine, &QTimer::timeout, [&] {
        ++tick;
        for (int i = 0; i < kActive; ++i) {
            jobs[i]->setProgressBarValue((tick + i) % 101);
            jobs[i]->setProgressBarValueTextField(QStringLiteral("%1%").arg((tick + i) % 101));
        }
    });
    engine.start();
    const qint64 reportsBefore = page.tableviewQueue()->queueModel()->changedRowReports();
    const double cpuStart = threadCpuMs();
    QElapsedTimer wall;
    wall.start();
    spinEventLoop(5000);
    const double cpuMs = threadCpuMs() - cpuStart;
    const double wallS = double(wall.elapsed()) / 1000.0;
    engine.stop();
    const qint64 reports = page.tableviewQueue()->queueModel()->changedRowReports() - reportsBefore;

    // One full repaint of the visible table, averaged.
    QWidget* viewport = page.tableviewQueue()->viewport();
    constexpr int kFrames = 50;
    QElapsedTimer frames;
    frames.start();
    for (int i = 0; i < kFrames; ++i)
        viewport->repaint();
    const double frameMs = double(frames.nsecsElapsed()) / 1e6 / kFrames;

    std::printf("platform: %s\n", qPrintable(QGuiApplication::platformName()));
    std::printf("admitting %d jobs: %.1f ms (%.1f us per job)\n", kJobs, admitMs, admitMs * 1000.0 / kJobs);
    std::printf("main thread with %d of %d jobs changing 10x/s: %.1f ms CPU per second\n", kActive, kJobs,
                cpuMs / wallS);
    std::printf("row change reports: %.1f per second (visible rows only)\n", double(reports) / wallS);
    std::printf("full repaint of the table viewport (%dx%d): %.2f ms\n", viewport->width(),
                viewport->height(), frameMs);
    return 0;
}
