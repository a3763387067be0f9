#include "platform/FolderArrivalStream.h"

#include "core/Logger.h"

#include <QDir>
#include <QFile>

#include <cerrno>
#include <sys/inotify.h>

FolderArrivalStream::FolderArrivalStream(const QString& folder, int latencyMs, Handler handler,
                                         QObject* parent)
    : QObject(parent), folder_(QDir::cleanPath(folder)), latencyMs_(latencyMs), handler_(std::move(handler))
{
    latency_.setSingleShot(true);
    connect(&latency_, &QTimer::timeout, this, &FolderArrivalStream::deliver);
}

FolderArrivalStream::~FolderArrivalStream()
{
    stop();
}

bool FolderArrivalStream::start()
{
    if (inotify_.isOpen()) return true;
    if (!inotify_.open(folder_, this, [this] { readEvents(); })) return false;
    if (inotify_add_watch(inotify_.fd(), QFile::encodeName(folder_).constData(),
                          IN_CLOSE_WRITE | IN_MOVED_TO | IN_ONLYDIR) < 0) {
        BLOG(3, "Cannot watch folder %@ :: %@", folder_, InotifyInstance::errorText(errno));
        inotify_.close();
        return false;
    }
    return true;
}

void FolderArrivalStream::stop()
{
    latency_.stop();
    pending_.clear();
    inotify_.close();
}

void FolderArrivalStream::readEvents()
{
    bool queued = false;
    inotify_.readEvents([&](const inotify_event& ev) {
        if (ev.len == 0 || (ev.mask & IN_ISDIR)) return;
        if (!(ev.mask & (IN_CLOSE_WRITE | IN_MOVED_TO))) return;
        const QString path = folder_ + QLatin1Char('/') + QFile::decodeName(ev.name);
        if (!pending_.contains(path)) pending_.append(path);
        queued = true;
    });
    if (queued && !latency_.isActive()) latency_.start(latencyMs_);
}

void FolderArrivalStream::deliver()
{
    const QStringList paths = std::move(pending_);
    pending_.clear();
    if (handler_ && !paths.isEmpty()) handler_(paths);
}
