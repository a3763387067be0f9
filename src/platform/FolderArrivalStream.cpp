#include "platform/FolderArrivalStream.h"

#include "core/Logger.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSocketNotifier>

#include <cerrno>
#include <cstring>
#include <sys/inotify.h>
#include <unistd.h>

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
    if (fd_ >= 0) return true;
    if (folder_.isEmpty() || !QFileInfo(folder_).isDir()) {
        BLOG(3, "Cannot watch folder (not a folder): %@", folder_);
        return false;
    }
    fd_ = inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    if (fd_ < 0) {
        BLOG(3, "Cannot watch folder %@ :: %@", folder_, QString::fromLocal8Bit(std::strerror(errno)));
        return false;
    }
    if (inotify_add_watch(fd_, QFile::encodeName(folder_).constData(),
                          IN_CLOSE_WRITE | IN_MOVED_TO | IN_ONLYDIR) < 0) {
        BLOG(3, "Cannot watch folder %@ :: %@", folder_, QString::fromLocal8Bit(std::strerror(errno)));
        ::close(fd_);
        fd_ = -1;
        return false;
    }
    notifier_ = new QSocketNotifier(fd_, QSocketNotifier::Read, this);
    connect(notifier_, &QSocketNotifier::activated, this, &FolderArrivalStream::readEvents);
    return true;
}

void FolderArrivalStream::stop()
{
    latency_.stop();
    pending_.clear();
    delete notifier_;
    notifier_ = nullptr;
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
}

void FolderArrivalStream::readEvents()
{
    alignas(struct inotify_event) char buffer[16 * 1024];
    bool queued = false;
    for (;;) {
        const ssize_t n = ::read(fd_, buffer, sizeof buffer);
        if (n <= 0) break;
        for (ssize_t at = 0; at < n;) {
            const auto* ev = reinterpret_cast<const struct inotify_event*>(buffer + at);
            at += ssize_t(sizeof(struct inotify_event) + ev->len);
            if (ev->len == 0 || (ev->mask & IN_ISDIR)) continue;
            if (!(ev->mask & (IN_CLOSE_WRITE | IN_MOVED_TO))) continue;
            const QString path = folder_ + QLatin1Char('/') + QFile::decodeName(ev->name);
            if (!pending_.contains(path)) pending_.append(path);
            queued = true;
        }
    }
    if (queued && !latency_.isActive()) latency_.start(latencyMs_);
}

void FolderArrivalStream::deliver()
{
    const QStringList paths = std::move(pending_);
    pending_.clear();
    if (handler_ && !paths.isEmpty()) handler_(paths);
}
