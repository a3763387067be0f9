#include "platform/FileSystemEventStream.h"

#include "core/Logger.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QSocketNotifier>

#include <cerrno>
#include <cstring>
#include <sys/inotify.h>
#include <unistd.h>

namespace {

// What a watch reports: items going away, and folders coming in (which need
// watches of their own).
constexpr uint32_t kWatchMask =
    IN_DELETE | IN_MOVED_FROM | IN_MOVED_TO | IN_CREATE | IN_ONLYDIR | IN_DONT_FOLLOW | IN_EXCL_UNLINK;

QString errnoText(int err)
{
    return QString::fromLocal8Bit(std::strerror(err));
}

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
    if (fd_ >= 0) return true;
    if (folder_.isEmpty() || !QFileInfo(folder_).isDir()) {
        BLOG(3, "Cannot watch folder (not a folder): %@", folder_);
        return false;
    }
    fd_ = inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    if (fd_ < 0) {
        BLOG(3, "Cannot watch folder %@ :: %@", folder_, errnoText(errno));
        return false;
    }
    addWatchesBelow(folder_);
    notifier_ = new QSocketNotifier(fd_, QSocketNotifier::Read, this);
    connect(notifier_, &QSocketNotifier::activated, this, &FileSystemEventStream::readEvents);
    return true;
}

void FileSystemEventStream::stop()
{
    latency_.stop();
    pending_.clear();
    lost_ = false;
    delete notifier_;
    notifier_ = nullptr;
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
    paths_.clear();
}

void FileSystemEventStream::addWatch(const QString& folder)
{
    const int wd = inotify_add_watch(fd_, QFile::encodeName(folder).constData(), kWatchMask);
    if (wd < 0) {
        // ENOENT: the folder went away again before it could be watched.
        if (errno != ENOENT && errno != ENOTDIR)
            BLOG(3, "Cannot watch folder %@ :: %@", folder, errnoText(errno));
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
            inotify_rm_watch(fd_, it.key());
            it = paths_.erase(it);
        } else {
            ++it;
        }
    }
}

void FileSystemEventStream::readEvents()
{
    alignas(struct inotify_event) char buffer[64 * 1024];
    bool queued = false;
    for (;;) {
        const ssize_t n = ::read(fd_, buffer, sizeof buffer);
        if (n <= 0) break;
        for (ssize_t at = 0; at < n;) {
            const auto* ev = reinterpret_cast<const struct inotify_event*>(buffer + at);
            at += ssize_t(sizeof(struct inotify_event) + ev->len);
            if (ev->mask & IN_Q_OVERFLOW) {
                lost_ = queued = true;
                continue;
            }
            if (ev->mask & IN_IGNORED) {
                paths_.remove(ev->wd);
                continue;
            }
            const auto folder = paths_.constFind(ev->wd);
            if (folder == paths_.constEnd() || ev->len == 0) continue;
            const QString path = *folder + QLatin1Char('/') + QFile::decodeName(ev->name);
            const bool isFolder = ev->mask & IN_ISDIR;
            if (ev->mask & (IN_DELETE | IN_MOVED_FROM)) {
                if (isFolder) dropWatchesBelow(path);
                pending_.append({path, isFolder});
                queued = true;
            } else if (isFolder && (ev->mask & (IN_CREATE | IN_MOVED_TO))) {
                addWatchesBelow(path);
            }
        }
    }
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
