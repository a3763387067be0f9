#pragma once

#include "platform/SerialQueue.h"

#include <QList>
#include <QMutex>
#include <QObject>
#include <QTimer>

#include <atomic>
#include <functional>

class QueueController;

// Keeps the save state current while the program runs, so that a crash, a
// kill or a power cut loses at most the last half minute of the queue: the
// queue is saved at once when a job is admitted (once its import is whole),
// removed or finished (its download complete, or the job done), and
// otherwise at most every kSaveIntervalSeconds while something changed (a
// job's or a part's status, a pause).
//
// Saves run one after the other on a thread of their own; the save itself
// (SaveRestoreController::saveQueue) takes its snapshot under the queue's
// lock and writes it without. A save asked for while one is waiting to run
// is the same save.
//
// Nothing is saved before start(): until the saved queue has been restored
// whole, a save would replace it with the few jobs that reached the queue so
// far. What was asked for before start() is done then.
//
// Main thread, except stop(), which any thread may call.
class SaveStateScheduler : public QObject
{
    Q_OBJECT
public:
    static constexpr qint64 kSaveIntervalSeconds = 30;

    // `clock` gives seconds (any origin); the system's monotonic clock when
    // empty.
    explicit SaveStateScheduler(std::function<qint64()> clock = {}, QObject* parent = nullptr);
    // Waits for a save that is running.
    ~SaveStateScheduler() override;

    // The save to run; called on the save thread. May be replaced at any time.
    void setSaveFunction(std::function<void()> save);

    // Follows the job list and the status changes of `controller`.
    void observe(QueueController* controller);

    // The saved queue is restored: saves may begin.
    void start();
    // No save starts after this; returns once a running save has ended.
    // For the save at quit, which follows it.
    void stop();

    // A job was admitted, removed or finished: a save at once.
    void saveNow();
    // A save at once, and `then` on the main thread once it has been written:
    // for a step that deletes files an earlier save state still relies on
    // (the pieces of a joined file, the archives once extracted), which must
    // not go before the store knows where the job now goes on. After stop()
    // `then` never runs: nothing may change on disk behind the last save.
    void saveNowThen(std::function<void()> then);
    // Something else changed: a save once kSaveIntervalSeconds have passed
    // since the last one.
    void noteChange();
    // The periodic check (the timer calls it every second).
    void tick();

    bool isStarted() const { return started_; }
    // Saves handed to the save thread so far.
    int savesQueued() const { return savesQueued_; }
    // Blocks until the saves queued so far have run (tests, quit).
    void waitForSaves();

    // Whether a job that reaches `status` has finished something worth
    // saving at once: its import, its download, the job (whole or partly) or
    // an upload.
    static bool isFinishingStatus(qint64 status);

private:
    void queueSave();
    // `then` on the main thread after the saves queued so far.
    void afterQueuedSaves(std::function<void()> then);
    void queueArrayChanged();

    std::function<qint64()> clock_;
    mutable QMutex saveLock_;
    std::function<void()> save_;
    SerialQueue saveQueue_{QStringLiteral("saveStateQueue")};
    QTimer timer_;
    QueueController* controller_ = nullptr;
    qsizetype jobCount_ = 0;
    bool started_ = false;
    std::atomic<bool> stopped_{false};
    // A save waits on the save thread and has not begun yet.
    std::shared_ptr<std::atomic<bool>> saveWaiting_ = std::make_shared<std::atomic<bool>>(false);
    bool saveAsked_ = false; // before start()
    QList<std::function<void()>> thenAfterFirstSave_; // before start()
    bool changed_ = false;   // since the last save was queued
    qint64 lastSaveAt_ = 0;
    int savesQueued_ = 0;
};
