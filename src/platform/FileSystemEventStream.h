#pragma once

#include "platform/InotifyInstance.h"

#include <QHash>
#include <QList>
#include <QObject>
#include <QString>
#include <QTimer>

#include <functional>

// Reports the items that disappear below one folder: deleted, or renamed or
// moved away. It is the stand-in for a recursive file-system event stream on
// the folder: events of the whole tree, coalesced for `latencyMs` before
// they are delivered, from the moment the stream starts.
//
// One inotify instance per stream, read through a QSocketNotifier on the
// thread that starts it, with one watch per folder of the tree (inotify does
// not watch recursively); folders created or moved in later get their
// watches as they appear, and folders moved away lose theirs. The watches
// are the kernel's per-user resource; nothing else is opened per folder.
//
// Delivery happens on the stream's thread. A removal names the item's path
// as it was and whether it was a folder; whether anything lies at the path
// by the time of delivery is for the receiver to test. When the kernel's
// queue overflowed, events were lost: the batch then says so, and the
// receiver has to compare its own state with the disk.
class FileSystemEventStream : public QObject
{
    Q_OBJECT
public:
    struct Removal
    {
        QString path;
        bool isFolder = false;
    };
    using Handler = std::function<void(const QList<Removal>& removals, bool eventsWereLost)>;

    FileSystemEventStream(const QString& folder, int latencyMs, Handler handler, QObject* parent = nullptr);
    ~FileSystemEventStream() override;

    // Starts watching; false when the folder cannot be watched (it does not
    // exist, or inotify is not available), which is logged.
    bool start();
    // Stops and drops what has not been delivered yet.
    void stop();
    bool isRunning() const { return inotify_.isOpen(); }

    QString folder() const { return folder_; }
    // Folders watched at the moment (for tests and diagnostics).
    int watchCount() const { return int(paths_.size()); }

private:
    void readEvents();
    void addWatchesBelow(const QString& folder);
    void addWatch(const QString& folder);
    void dropWatchesBelow(const QString& folder);
    void deliver();

    QString folder_;
    int latencyMs_;
    Handler handler_;
    InotifyInstance inotify_;
    QHash<int, QString> paths_; // watch descriptor -> folder path
    QList<Removal> pending_;
    bool lost_ = false;
    QTimer latency_;
};
