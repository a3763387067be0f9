#pragma once

#include "platform/InotifyInstance.h"

#include <QObject>
#include <QString>
#include <QStringList>
#include <QTimer>

#include <functional>

// Reports the files that arrive in one folder (not below it): a file that
// was closed after being written there, or that was moved or renamed into
// it. A file still being written is reported only once its writer closes
// it, never on each write. Events are coalesced for `latencyMs` and then
// delivered in arrival order, each path once per batch, on the thread that
// started the stream. Whether the file is still there by then is for the
// receiver to test.
//
// One inotify instance with one watch, read through a QSocketNotifier.
class FolderArrivalStream : public QObject
{
    Q_OBJECT
public:
    using Handler = std::function<void(const QStringList& paths)>;

    FolderArrivalStream(const QString& folder, int latencyMs, Handler handler, QObject* parent = nullptr);
    ~FolderArrivalStream() override;

    // False when the folder cannot be watched (logged).
    bool start();
    // Stops and drops what has not been delivered yet.
    void stop();
    bool isRunning() const { return inotify_.isOpen(); }
    QString folder() const { return folder_; }

private:
    void readEvents();
    void deliver();

    QString folder_;
    int latencyMs_;
    Handler handler_;
    InotifyInstance inotify_;
    QStringList pending_;
    QTimer latency_;
};
