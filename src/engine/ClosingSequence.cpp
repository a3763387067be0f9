#include "engine/ClosingSequence.h"

#include "core/Logger.h"
#include "core/MainConnectionsInterface.h"
#include "core/MainQueueFlags.h"
#include "core/StringFormat.h"
#include "platform/Dispatch.h"
#include "platform/UserDefaults.h"
#include "postprocess/CleanupItemsController.h"
#include "queue/FODController.h"


ClosingSequence::ClosingSequence(QObject* parent) : QObject(parent)
{
    windowDelayTimer_.setSingleShot(true);
    connect(&windowDelayTimer_, &QTimer::timeout, this, &ClosingSequence::showWindowRequested);
    for (QTimer* t : {&connectionsTimer_, &flushTimer_, &queueExportTimer_})
        t->setInterval(500);
    connect(&connectionsTimer_, &QTimer::timeout, this, &ClosingSequence::checkIfconnectionsAreClosed);
    connect(&flushTimer_, &QTimer::timeout, this, &ClosingSequence::flushFiles);
    connect(&queueExportTimer_, &QTimer::timeout, this, &ClosingSequence::checkIfQueueIsWrittenToDatabase);
}

ClosingSequence::~ClosingSequence() = default;

void ClosingSequence::setCleanupItemsController(CleanupItemsController* c)
{
    cleanupItemsController_ = c;
}

void ClosingSequence::setFodController(FODController* c)
{
    fodController_ = c;
}

void ClosingSequence::start()
{
    windowDelayTimer_.start(int(UserDefaults::standard().integerForKey(QStringLiteral("closingWindowDelay")) * 1000));
    exportCleanupItems();
    exportDownloadHistory();
    exportWatchdogEntries();
    closeConnections();
}

double ClosingSequence::secondsSinceStart() const
{
    return startTime_.isValid() ? double(startTime_.nsecsElapsed()) / 1e9 : 0.0;
}

void ClosingSequence::setStatus(Phase phase, const QString& text)
{
    status_[phase] = text;
    Q_EMIT statusChanged(phase, text);
}

void ClosingSequence::setCancelEnabled(Phase phase, bool enabled)
{
    cancelEnabled_[phase] = enabled;
    Q_EMIT cancelEnabledChanged(phase, enabled);
}

void ClosingSequence::exportCleanupItems()
{
    if (cleanupItemsController_ && cleanupItemsController_->shouldSave())
        cleanupItemsController_->saveItems();
}

void ClosingSequence::exportDownloadHistory()
{
    if (services_.saveHistory)
        services_.saveHistory();
}

void ClosingSequence::exportWatchdogEntries()
{
    if (services_.saveWatchdogEntries)
        services_.saveWatchdogEntries();
}

void ClosingSequence::exportFodList()
{
    if (fodController_)
        fodController_->saveAllEntries();
    fodListExported_ = true;
}

// --- phase 1: connections ---

void ClosingSequence::closeConnections()
{
    startTime_.start();
    if (!UserDefaults::standard().boolForKey(QStringLiteral("closeConnectionsOnExit"))) {
        connectionsAreClosed();
        return;
    }
    BLOG(0, "Closing connections.");
    setCancelEnabled(Connections, true);
    setStatus(Connections, QStringLiteral("Working"));
    if (connectionsController_ && connectionsController_->openConnectionsNr() > 0) {
        connectionsController_->disconnectAll();
        if (!connectionsTimerStarted_) {
            connectionsTimerStarted_ = true;
            connectionsTimer_.start();
        }
    } else {
        connectionsAreClosed();
    }
}

void ClosingSequence::checkIfconnectionsAreClosed()
{
    const qint64 open = connectionsController_ ? connectionsController_->openConnectionsNr() : 0;
    setStatus(Connections, sformat(u"%ld", open));
    if (open < 1)
        connectionsAreClosed();
}

void ClosingSequence::stopConnectionsTimer()
{
    if (connectionsTimerStarted_) {
        connectionsTimer_.stop();
        connectionsTimerStarted_ = false;
    }
}

void ClosingSequence::connectionsAreClosed()
{
    BLOG(2, " * Connections are closed after\t: %.02f seconds.", secondsSinceStart());
    stopConnectionsTimer();
    setStatus(Connections, closeConnectionsCancelled_ ? QStringLiteral("Cancelled") : QStringLiteral("Done"));
    setCancelEnabled(Connections, false);
    if (services_.saveStats)
        services_.saveStats();
    flushFiles();
}

void ClosingSequence::cancelClosingConnections()
{
    if (!cancelEnabled_[Connections])
        return;
    BLOG(2, " * Cancelled closing connections after\t: %.02f seconds.", secondsSinceStart());
    closeConnectionsCancelled_ = true;
    setCancelEnabled(Connections, false);
    setStatus(Connections, QStringLiteral("Cancelled"));
    connectionsAreClosed();
}

// --- phase 2: the write queue ---

void ClosingSequence::flushFiles()
{
    // The phase starts at its first call; the later ones are its polls. Once
    // cancelled the button stays off, so the save cannot be started twice.
    if (!flushTimerStarted_ && !flushingFilesCancelled_)
        startTime_.start();
    if (!flushingFilesCancelled_)
        setCancelEnabled(Flushing, true);

    const qint64 waiting = queueController_ ? queueController_->filesInWriteQueue() : 0;
    if (waiting < 1) {
        setStatus(Flushing, flushingFilesCancelled_ ? QStringLiteral("Cancelled") : QStringLiteral("Done"));
        stopFlushTimer();
        setCancelEnabled(Flushing, false);
        if (!flushingFilesCancelled_)
            saveQueueToDB();
        return;
    }
    BLOG(1, "Waiting for remaining files to be written (%ld)", waiting);
    Logger::shared()->writeToConsole(
        sformat(u"%s Waiting for remaining files to be written (%ld)\n", __func__, waiting));
    setStatus(Flushing, sformat(u"%ld files", waiting));
    if (!flushTimerStarted_) {
        flushTimerStarted_ = true;
        flushTimer_.start();
    }
}

void ClosingSequence::stopFlushTimer()
{
    flushTimer_.stop();
    flushTimerStarted_ = false;
}

void ClosingSequence::cancelFlushingFiles()
{
    if (!cancelEnabled_[Flushing])
        return;
    BLOG(2, " * Cancelled flushing files after\t: %.02f seconds.", secondsSinceStart());
    flushingFilesCancelled_ = true;
    setCancelEnabled(Flushing, false);
    setStatus(Flushing, QStringLiteral("Cancelled"));
    saveQueueToDB();
}

// --- phase 3: the save state ---

void ClosingSequence::saveQueueToDB()
{
    if (saveStarted_)
        return;
    saveStarted_ = true;
    startTime_.start();
    setCancelEnabled(SaveState, true);
    setStatus(SaveState, QStringLiteral("Saving"));
    if (!queueExportTimerStarted_) {
        queueExportTimerStarted_ = true;
        queueExportTimer_.start();
    }
    QPointer<ClosingSequence> self(this);
    std::function<void()> save = services_.saveQueue;
    Dispatch::global([self, save] {
        if (save)
            save();
        Dispatch::onMain([self] {
            if (self)
                self->queueExportDone_ = true;
        });
    });
}

void ClosingSequence::checkIfQueueIsWrittenToDatabase()
{
    if (queueExportDone_)
        queueIsWritten();
}

void ClosingSequence::stopQueueExportTimer()
{
    if (queueExportTimerStarted_) {
        queueExportTimer_.stop();
        queueExportTimerStarted_ = false;
    }
}

void ClosingSequence::queueIsWritten()
{
    stopQueueExportTimer();
    setStatus(SaveState, queueExportCancelled_ ? QStringLiteral("Cancelled") : QStringLiteral("Done"));
    setCancelEnabled(SaveState, false);
    exportFodList();
    closeWindow();
}

void ClosingSequence::cancelSaveState()
{
    if (!cancelEnabled_[SaveState])
        return;
    BLOG(2, " * Cancelled exporting SaveState after\t: %.02f seconds.", secondsSinceStart());
    queueExportCancelled_ = true;
    setCancelEnabled(SaveState, false);
    setStatus(SaveState, QStringLiteral("Cancelled"));
    stopQueueExportTimer();
    closeWindow();
}

void ClosingSequence::closeWindow()
{
    if (finished_)
        return;
    finished_ = true;
    windowDelayTimer_.stop();
    stopConnectionsTimer();
    stopFlushTimer();
    stopQueueExportTimer();
    Logger::shared()->flush();
    Q_EMIT finished();
}
