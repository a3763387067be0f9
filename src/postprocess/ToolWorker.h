#pragma once

#include "postprocess/FileRepairExtractDelegate.h"

#include <QElapsedTimer>
#include <QMutex>
#include <QProcessEnvironment>
#include <QString>
#include <QStringList>

#include <atomic>
#include <functional>
#include <memory>

class Queue;
using QueuePtr = std::shared_ptr<Queue>;
class QProcess;

// The frame every external-tool worker shares (the PAR2 repair and the three
// extractors): one run of one tool for one job on a thread of its own. The
// tool's standard output and standard error arrive on one pipe; each chunk is
// added to completeOutput() and handed to updatePercentage() on the main
// thread; when the output has ended the whole of it is judged by the worker's
// result table, and the runner is told the result on the main thread.
//
// Every run reports exactly once: a run that cannot start, a failed or
// cancelled run and a run whose body failed unexpectedly included.
//
// The worker keeps itself alive while it runs and until its report has been
// made: the runner may drop its reference as soon as start() returns.
// Everything that touches the job's observed properties or the runner happens
// on the main thread.
//
// A job that is cancelled or paused while the tool runs, and a run cancelled
// through cancelTask() or the application's termination, ends the tool within
// a fraction of a second, silent tools included: the tool runs in a process
// group of its own, which is sent SIGTERM, and SIGKILL if it lingers.
class ToolWorker : public std::enable_shared_from_this<ToolWorker>
{
public:
    virtual ~ToolWorker();
    ToolWorker(const ToolWorker&) = delete;
    ToolWorker& operator=(const ToolWorker&) = delete;

    void setFileRepairExtractController(FileRepairExtractDelegate* controller);
    // The job, held weakly.
    void setQueue(const QueuePtr& queue);
    QueuePtr queue() const;

    // Starts the thread body. Call once, on the main thread.
    void start();

    // Ends the tool if it runs (the run still reports). Any thread.
    void cancelTask();
    // "ApplicationWillTerminate": the run is cancelled.
    void applicationWillTerminate();

    bool isCancelled() const { return isCancelled_.load(); }
    bool result() const { return result_.load(); }
    QString resultString() const;
    // Everything the tool printed (complete once the run has reported).
    QString completeOutput() const;

protected:
    explicit ToolWorker(QString toolDisplayName);

    // What to start: the program, its arguments and, when `ownEnvironment`,
    // exactly `environment` in place of the program's own.
    struct Launch
    {
        QString program;
        QStringList arguments;
        bool ownEnvironment = false;
        QProcessEnvironment environment;
        QString workingDirectory;
    };

    enum class Start {
        Run,              // launch() holds the tool to run
        ReportNow,        // report at once without running anything
        ReportNowAndWait, // the same, waiting for the report on the main thread
    };

    // --- The steps of a worker ---
    // Worker thread: determines the files and the tool and gives the first
    // comment. With Start::Run, launch() is run.
    virtual Start prepare() = 0;
    // Main thread: progress and phase comments from one chunk of output.
    virtual void updatePercentage(const QString& chunk) = 0;
    // Worker thread, after the output has ended: maps completeOutput().
    virtual void handleFinalResult() = 0;
    // Worker thread, after handleFinalResult(): anything the result asks for
    // on disk.
    virtual void afterResult() {}
    // Main thread: the result block in the log.
    virtual void logResult() = 0;
    // Main thread: the one report to the runner.
    virtual void report(FileRepairExtractDelegate& controller) = 0;
    // cancelTask(): the worker's own part (flags, progress), on the calling thread.
    virtual void onCancel() {}

    // --- Helpers for the steps ---
    Launch& launch() { return launch_; }
    // Stores `text` as resultString() and sends it to the runner's
    // sendComment() on the main thread without waiting.
    void comment(const QString& text);
    void setResultString(const QString& text);
    void setResult(bool result) { result_.store(result); }
    void setCancelled() { isCancelled_.store(true); }
    // Marks the job disk-not-ready and paused on the main thread, waiting for
    // it, then cancelTask().
    void diskNOK();
    // Runs `fn` on the main thread, later, keeping the worker alive for it.
    void onMain(std::function<void(ToolWorker& self)> fn);
    // Runs `fn` on the main thread and waits for it.
    static void onMainAndWait(const std::function<void()>& fn);
    // Seconds since the run started.
    double elapsedSeconds() const;
    QString jobTitle() const;

private:
    void main();
    void runTool();
    void handleChunk(const QByteArray& bytes);
    // Whether the job or the run asks the tool to end.
    bool shouldEndTool() const;
    void terminateTask();
    void finish(bool wait);

    QString toolDisplayName_;
    FileRepairExtractDelegateRef controller_;
    mutable QMutex lock_;
    std::weak_ptr<Queue> queue_;
    QString resultString_;
    QString completeOutput_;
    Launch launch_;
    QElapsedTimer startTime_;
    int terminateObserver_ = 0;

    std::atomic<bool> isCancelled_{false};
    std::atomic<bool> result_{false};
    std::atomic<bool> cancelRequested_{false};
    std::atomic<bool> finishPosted_{false};
    std::atomic<bool> started_{false};
};
