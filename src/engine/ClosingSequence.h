#pragma once

#include <QElapsedTimer>
#include <QObject>
#include <QPointer>
#include <QTimer>

#include <functional>

class CleanupItemsController;
class FODController;
class MainConnectionsInterface;
class MainQueueFlags;

// The work of the closing window: the small stores are saved at once, then
// three phases run one after the other, each polled every 0.5 seconds and
// each cancellable: close the news-server connections, wait until every file
// part has been written, write the save state. Then the index of files on
// disk is written (unless the save state was cancelled) and the log flushed.
//
// Main thread only. Nothing here waits: the save state runs on the global
// pool and its completion is picked up by the poll.
class ClosingSequence : public QObject
{
    Q_OBJECT
public:
    enum Phase { Connections = 0, Flushing = 1, SaveState = 2 };

    // The saves of stores whose controllers are reached through callbacks.
    struct Services
    {
        std::function<void()> saveQueue;           // the save state; on the global pool
        std::function<void()> saveHistory;         // the download history
        std::function<void()> saveWatchdogEntries; // entries, then the history compacted
        std::function<qint64()> watchdogCount;
        // Called again once the connections are closed, so that the bytes
        // counted while they closed are stored too.
        std::function<void()> saveStats;
    };

    explicit ClosingSequence(QObject* parent = nullptr);
    ~ClosingSequence() override;

    void setQueueController(MainQueueFlags* q) { queueController_ = q; }
    void setConnectionsController(MainConnectionsInterface* c) { connectionsController_ = c; }
    void setCleanupItemsController(CleanupItemsController* c);
    void setFodController(FODController* c);
    void setServices(Services services) { services_ = std::move(services); }

    // What the window does when it has loaded: arms the timers, saves the
    // small stores, starts phase 1.
    void start();

    // The Cancel buttons.
    void cancelClosingConnections();
    void cancelFlushingFiles();
    void cancelSaveState();

    QString statusText(Phase phase) const { return status_[phase]; }
    bool cancelEnabled(Phase phase) const { return cancelEnabled_[phase]; }
    bool isFinished() const { return finished_; }
    bool fodListExported() const { return fodListExported_; }

    // Flushes the log and ends the sequence (once).
    void closeWindow();

    // The steps, public for the window and the tests.
    void closeConnections();
    void checkIfconnectionsAreClosed();
    void connectionsAreClosed();
    void flushFiles();
    void saveQueueToDB();
    void checkIfQueueIsWrittenToDatabase();
    void queueIsWritten();

Q_SIGNALS:
    void statusChanged(int phase, const QString& text);
    void cancelEnabledChanged(int phase, bool enabled);
    // closingWindowDelay seconds have passed: the window becomes visible.
    void showWindowRequested();
    void finished();

private:
    void setStatus(Phase phase, const QString& text);
    void setCancelEnabled(Phase phase, bool enabled);
    void exportCleanupItems();
    void exportDownloadHistory();
    void exportWatchdogEntries();
    void exportFodList();
    void stopConnectionsTimer();
    void stopFlushTimer();
    void stopQueueExportTimer();
    double secondsSinceStart() const;

    MainQueueFlags* queueController_ = nullptr;
    MainConnectionsInterface* connectionsController_ = nullptr;
    QPointer<CleanupItemsController> cleanupItemsController_;
    QPointer<FODController> fodController_;
    Services services_;

    QTimer windowDelayTimer_;
    QTimer connectionsTimer_;
    QTimer flushTimer_;
    QTimer queueExportTimer_;
    bool connectionsTimerStarted_ = false;
    bool flushTimerStarted_ = false;
    bool queueExportTimerStarted_ = false;
    bool closeConnectionsCancelled_ = false;
    bool flushingFilesCancelled_ = false;
    bool queueExportCancelled_ = false;
    bool queueExportDone_ = false;
    bool saveStarted_ = false;
    bool finished_ = false;
    bool fodListExported_ = false;
    QElapsedTimer startTime_;
    QString status_[3];
    bool cancelEnabled_[3] = {false, false, false};
};
