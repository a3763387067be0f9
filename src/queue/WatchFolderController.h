#pragma once

#include <QObject>
#include <QPointer>
#include <QString>

class FolderArrivalStream;
class NZBController;
class QueueController;

// Imports every NZB file that arrives in the folder of "watchFolderPath"
// while "enableWatchFolder" is on: the files there at each restart, then
// each file closed after writing or moved in. Files go to the NZB import
// with forced deletion, so an imported file leaves the folder; one refused
// as a duplicate stays and is offered again at the next restart. A file
// still being written is not touched until its writer closes it. Main
// thread.
class WatchFolderController : public QObject
{
    Q_OBJECT
public:
    // Observes "WatchFolderHasBeenChanged".
    explicit WatchFolderController(QObject* parent = nullptr);
    ~WatchFolderController() override;

    QueueController* queueController() const;
    void setQueueController(QueueController* controller);
    NZBController* nzbController() const;
    void setNzbController(NZBController* controller);

    bool streamIsActive() const;
    QString monitoringURL() const { return monitoringURL_; }

    void watchFolderHasBeenChanged();
    // Stopped, or watching afresh after one scan of the folder.
    void restart();
    // The "*.nzb" entries of the folder that are files, each to parseNZBFile().
    void importCurrentNZBFiles();
    // An existing file that is not locked goes to the import, forced to be
    // deleted afterwards. A locked (immutable) file is left where it is: its
    // deletion would fail, and it would be offered again and again.
    void parseNZBFile(const QString& path);
    // YES (and logged) when the file's immutable attribute is set.
    static bool checkIfFileIsLocked(const QString& path);

    void startFSEvents();
    void stopFSEvents();
    void restartFSEvents();

private:
    void handleArrivals(const QStringList& paths);

    QPointer<QueueController> queueController_;
    QPointer<NZBController> nzbController_;
    QString monitoringURL_;
    FolderArrivalStream* stream_ = nullptr;
};
