#pragma once

#include <QObject>
#include <QString>

#include <optional>

class MainQueueFlags;

// Stops the queue while the download folder's file system has less free space
// than the setting minFreeSpace, and lifts the stop once when space is back
// (the jobs it paused then go on by themselves). Each change is logged once.
//
// The free space is measured on the global pool: a stalled file system (a
// dead network mount) must never freeze the window, so the main thread only
// applies the answer. At most one measurement is outstanding.
class FreeSpaceGuard : public QObject
{
    Q_OBJECT
public:
    explicit FreeSpaceGuard(QObject* parent = nullptr);
    ~FreeSpaceGuard() override;

    void setQueueController(MainQueueFlags* queueController) { queueController_ = queueController; }

    // Once a second: starts a measurement of the folder in downloadPath
    // unless one is still running; its answer goes to applyFreeSpace.
    void checkFreeSpaceOnDisk();
    bool measurementInFlight() const { return inFlight_; }

    // Main thread: shows the figure ("~" when unknown), stops the queue when
    // free space falls below the minimum, lifts the stop when it is back.
    void applyFreeSpace(std::optional<double> freeBytes);

    // The free bytes of the file system holding `path`, or none.
    static std::optional<double> freeSpaceAtPath(const QString& path);

    QString displayText() const { return displayText_; }

Q_SIGNALS:
    void displayTextChanged(const QString& text);

private:
    MainQueueFlags* queueController_ = nullptr;
    QString displayText_;
    bool inFlight_ = false;
};
