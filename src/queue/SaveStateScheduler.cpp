#include "queue/SaveStateScheduler.h"

#include "queue/QueueController.h"
#include "queue/StatusCodes.h"

#include <QElapsedTimer>
#include <QMutexLocker>

#include <utility>

namespace {

qint64 monotonicSeconds()
{
    static const QElapsedTimer since = [] {
        QElapsedTimer t;
        t.start();
        return t;
    }();
    return since.elapsed() / 1000;
}

} // namespace

SaveStateScheduler::SaveStateScheduler(std::function<qint64()> clock, QObject* parent)
    : QObject(parent), clock_(clock ? std::move(clock) : std::function<qint64()>(monotonicSeconds))
{
    timer_.setInterval(1000);
    connect(&timer_, &QTimer::timeout, this, &SaveStateScheduler::tick);
}

SaveStateScheduler::~SaveStateScheduler()
{
    stop();
}

void SaveStateScheduler::setSaveFunction(std::function<void()> save)
{
    QMutexLocker locker(&saveLock_);
    save_ = std::move(save);
}

bool SaveStateScheduler::isFinishingStatus(qint64 status)
{
    return status == JobStatus::NZBParsed || status == JobStatus::AllFilesWritten ||
           status == JobStatus::Finished ||
           status == JobStatus::PartialFinished || status == UploadStatus::Finished;
}

void SaveStateScheduler::observe(QueueController* controller)
{
    controller_ = controller;
    if (!controller) return;
    jobCount_ = controller->queueArray().size();
    connect(controller, &QueueController::queueArrayDidChange, this, &SaveStateScheduler::queueArrayChanged);
    connect(controller, &QueueController::jobStatusChanged, this, [this](qint64 status) {
        if (isFinishingStatus(status))
            saveNow();
        else
            noteChange();
    });
    connect(controller, &QueueController::queueItemChanged, this, &SaveStateScheduler::noteChange);
}

// Told with the queue's lock held: only the number of jobs is read here.
void SaveStateScheduler::queueArrayChanged()
{
    const qsizetype count = controller_ ? controller_->queueArray().size() : 0;
    const bool admittedOrRemoved = count != jobCount_;
    jobCount_ = count;
    if (admittedOrRemoved)
        saveNow();
    else
        noteChange(); // a job moved
}

void SaveStateScheduler::start()
{
    if (started_ || stopped_.load()) return;
    started_ = true;
    lastSaveAt_ = clock_();
    timer_.start();
    if (saveAsked_) queueSave();
    for (std::function<void()>& then : std::exchange(thenAfterFirstSave_, {}))
        afterQueuedSaves(std::move(then));
}

void SaveStateScheduler::stop()
{
    stopped_.store(true);
    saveQueue_.waitUntilAllOperationsAreFinished();
}

void SaveStateScheduler::saveNow()
{
    if (!started_) {
        saveAsked_ = true;
        return;
    }
    queueSave();
}

void SaveStateScheduler::saveNowThen(std::function<void()> then)
{
    if (!then || stopped_.load()) return;
    if (!started_) {
        saveAsked_ = true;
        thenAfterFirstSave_.append(std::move(then));
        return;
    }
    queueSave();
    afterQueuedSaves(std::move(then));
}

void SaveStateScheduler::afterQueuedSaves(std::function<void()> then)
{
    // The save queue runs one operation at a time: this one follows the save
    // just asked for (or the one waiting, whose snapshot is yet to be taken).
    saveQueue_.addOperation([this, then = std::move(then)] {
        if (stopped_.load()) return;
        QMetaObject::invokeMethod(
            this,
            [this, then] {
                if (!stopped_.load()) then();
            },
            Qt::QueuedConnection);
    });
}

void SaveStateScheduler::noteChange()
{
    changed_ = true;
}

void SaveStateScheduler::tick()
{
    if (started_ && changed_ && clock_() - lastSaveAt_ >= kSaveIntervalSeconds) queueSave();
}

void SaveStateScheduler::queueSave()
{
    if (stopped_.load()) return;
    changed_ = false;
    saveAsked_ = false;
    lastSaveAt_ = clock_();
    // The save already waiting will see this change too: its snapshot is
    // taken when it begins.
    if (saveWaiting_->exchange(true)) return;
    ++savesQueued_;
    saveQueue_.addOperation([this, waiting = saveWaiting_] {
        waiting->store(false);
        if (stopped_.load()) return;
        std::function<void()> save;
        {
            QMutexLocker locker(&saveLock_);
            save = save_;
        }
        if (save) save();
    });
}

void SaveStateScheduler::waitForSaves()
{
    saveQueue_.waitUntilAllOperationsAreFinished();
}
