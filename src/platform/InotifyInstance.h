#pragma once

#include <QString>

#include <functional>

class QObject;
class QSocketNotifier;
struct inotify_event;

// One non-blocking inotify instance for a folder, read through a
// QSocketNotifier on the thread that opened it. The watches themselves are
// the caller's: what to watch and which events to keep differ per stream.
class InotifyInstance
{
public:
    InotifyInstance() = default;
    ~InotifyInstance();
    InotifyInstance(const InotifyInstance&) = delete;
    InotifyInstance& operator=(const InotifyInstance&) = delete;

    // False (logged) when `folder` is not a folder or no instance can be made;
    // `readable` runs whenever events wait, with `owner` as the notifier's
    // parent.
    bool open(const QString& folder, QObject* owner, std::function<void()> readable);
    void close();
    bool isOpen() const { return fd_ >= 0; }
    int fd() const { return fd_; }

    // Every event waiting now, in order.
    void readEvents(const std::function<void(const inotify_event& event)>& each);

    // The text of `err` for the log.
    static QString errorText(int err);

private:
    int fd_ = -1;
    QSocketNotifier* notifier_ = nullptr;
};
