#include "platform/InotifyInstance.h"

#include "core/Logger.h"

#include <QFileInfo>
#include <QObject>
#include <QSocketNotifier>

#include <cerrno>
#include <cstring>
#include <sys/inotify.h>
#include <unistd.h>

InotifyInstance::~InotifyInstance()
{
    close();
}

QString InotifyInstance::errorText(int err)
{
    return QString::fromLocal8Bit(std::strerror(err));
}

bool InotifyInstance::open(const QString& folder, QObject* owner, std::function<void()> readable)
{
    if (fd_ >= 0) return true;
    if (folder.isEmpty() || !QFileInfo(folder).isDir()) {
        BLOG(3, "Cannot watch folder (not a folder): %@", folder);
        return false;
    }
    fd_ = inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    if (fd_ < 0) {
        BLOG(3, "Cannot watch folder %@ :: %@", folder, errorText(errno));
        return false;
    }
    notifier_ = new QSocketNotifier(fd_, QSocketNotifier::Read, owner);
    QObject::connect(notifier_, &QSocketNotifier::activated, owner, [readable = std::move(readable)] {
        if (readable) readable();
    });
    return true;
}

void InotifyInstance::close()
{
    delete notifier_;
    notifier_ = nullptr;
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
}

void InotifyInstance::readEvents(const std::function<void(const inotify_event& event)>& each)
{
    alignas(struct inotify_event) char buffer[64 * 1024];
    for (;;) {
        const ssize_t n = ::read(fd_, buffer, sizeof buffer);
        if (n <= 0) break;
        for (ssize_t at = 0; at < n;) {
            const auto* ev = reinterpret_cast<const struct inotify_event*>(buffer + at);
            at += ssize_t(sizeof(struct inotify_event) + ev->len);
            each(*ev);
        }
    }
}
