#include "platform/FileSystemEventStream.h"

#include "core/Logger.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>

#include <cerrno>
#include <sys/inotify.h>

namespace {

// What a watch reports: items going away, and folders coming in (which need
// watches of their own).
constexpr uint32_t kWatchMask =
    IN_DELETE | IN_MOVED_FROM | IN_MOVED_TO | IN_CREATE | IN_ONLYDIR | IN_DONT_FOLLOW | IN_EXCL_UNLINK;

} // namespace

FileSystemEventStream::FileSystemEventStream(const QString& folder, int latencyMs, Handler handler,
                                             QObject* parent)
    : QObject(parent), folder_(QDir::cleanPath(folder)), latencyMs_(latencyMs), handler_(std::move(handler))
{
    latency_.setSingleShot(true);
    connect(&latency_, &QTimer::timeout, this, &FileSystemEventStream::deliver);
}

FileSystemEventStream::~FileSystemEventStream()
{
    stop();
}

bool FileSystemEventStream::start()
{
    if (inotify_.isOpen()) return true;
    if (!inotify_.open(folder_, this, [this] { readEvents(); })) return false;
    addWatchesBelow(folder_);
    return true;
}

void FileSystemEventStream::stop()
{
    latency_.stop();
    pending_.clear();
    lost_ = false;
    inotify_.close();
    paths_.clear();
}

void FileSystemEventStream::addWatch(const QString& folder)
{
    const int wd = inotify_add_watch(inotify_.fd(), QFile::encodeName(folder).constData(), kWatchMask);
    if (wd < 0) {
        // ENOENT: the folder went away again before it could be watched.
        if (errno != ENOENT && errno != ENOTDIR)
            BLOG(3, "Cannot watch folder %@ :: %@", folder, InotifyInstance::errorText(errno));
        return;
    }
    paths_.insert(wd, folder);
}

void FileSystemEventStream::addWatchesBelow(const QString& folder)
{
    addWatch(folder);
    QDirIterator it(folder, QDir::Dirs | QDir::NoDotAndDotDot | QDir::Hidden | QDir::NoSymLinks,
                    QDirIterator::Subdirectories);
    while (it.hasNext())
        addWatch(it.next());
}

void FileSystemEventStream::dropWatchesBelow(const QString& folder)
{
    const QString below = folder + QLatin1Char('/');
    for (auto it = paths_.begin(); it != paths_.end();) {
        if (it.value() == folder || it.value().startsWith(below)) {
            inotify_rm_watch(inotify_.fd(), it.key());
            it = paths_.erase(it);
        } else {
            ++it;
        }
    }
}

void FileSystemEventStream::readEvents()
{
    bool queued = false;
    inotify_.readEvents([&](const inotify_event& ev) {
        if (ev.mask & IN_Q_OVERFLOW) {
            lost_ = queued = true;
            return;
        }
        if (ev.mask & IN_IGNORED) {
            paths_.remove(ev.wd);
            return;
        }
        const auto folder = paths_.constFind(ev.wd);
        if (folder == paths_.constEnd() || ev.len == 0) return;
        const QString path = *folder + QLatin1Char('/') + QFile::decodeName(ev.name);
        const bool isFolder = ev.mask & IN_ISDIR;
        if (ev.mask & (IN_DELETE | IN_MOVED_FROM)) {
            if (isFolder) dropWatchesBelow(path);
            pending_.append({path, isFolder});
            queued = true;
        } else if (isFolder && (ev.mask & (IN_CREATE | IN_MOVED_TO))) {
            addWatchesBelow(path);
        }
    });
    if (queued && !latency_.isActive()) latency_.start(latencyMs_);
}

void FileSystemEventStream::deliver()
{
    const QList<Removal> removals = std::move(pending_);
    pending_.clear();
    const bool lost = lost_;
    lost_ = false;
    if (handler_ && (!removals.isEmpty() || lost)) handler_(removals, lost);
}
