#include "queue/WatchFolderController.h"

#include "core/FileUtils.h"
#include "core/Logger.h"
#include "platform/FolderArrivalStream.h"
#include "platform/NotificationHub.h"
#include "platform/UserDefaults.h"
#include "queue/NZBController.h"
#include "queue/QueueController.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <fcntl.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <unistd.h>

WatchFolderController::WatchFolderController(QObject* parent) : QObject(parent)
{
    NotificationHub::defaultCenter().addObserver(QStringLiteral("WatchFolderHasBeenChanged"), this,
                                                 [this](const auto&...) { watchFolderHasBeenChanged(); });
}

WatchFolderController::~WatchFolderController()
{
    stopFSEvents();
}

QueueController* WatchFolderController::queueController() const
{
    return queueController_;
}

void WatchFolderController::setQueueController(QueueController* controller)
{
    queueController_ = controller;
}

NZBController* WatchFolderController::nzbController() const
{
    return nzbController_;
}

void WatchFolderController::setNzbController(NZBController* controller)
{
    nzbController_ = controller;
}

bool WatchFolderController::streamIsActive() const
{
    return stream_ && stream_->isRunning();
}

void WatchFolderController::watchFolderHasBeenChanged()
{
    FileUtils::saveBookMark(QStringLiteral("watchFolderPath"));
    restart();
}

void WatchFolderController::restart()
{
    UserDefaults& defaults = UserDefaults::standard();
    if (!defaults.boolForKey(QStringLiteral("enableWatchFolder"))) {
        stopFSEvents();
        return;
    }
    const QString path = defaults.stringForKey(QStringLiteral("watchFolderPath"));
    if (path.isEmpty()) {
        stopFSEvents();
        return;
    }
    monitoringURL_ = QDir::cleanPath(path);
    if (!FileUtils::enableFileAccessForKey(QStringLiteral("watchFolderPath")))
        BLOG(4, "No write permission in path: %@", monitoringURL_);
    importCurrentNZBFiles();
    restartFSEvents();
}

void WatchFolderController::importCurrentNZBFiles()
{
    const std::optional<QStringList> entries =
        FileUtils::getFilteredFolderContentFor(monitoringURL_, QStringLiteral("*.nzb"), false);
    if (!entries) return;
    for (const QString& entry : *entries) {
        const QFileInfo info(entry);
        if (info.exists() && !info.isDir()) parseNZBFile(entry);
    }
}

bool WatchFolderController::checkIfFileIsLocked(const QString& path)
{
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) return false;
    int flags = 0;
    const bool locked = ::ioctl(fd, FS_IOC_GETFLAGS, &flags) == 0 && (flags & FS_IMMUTABLE_FL);
    ::close(fd);
    if (locked) BLOG(4, "File is locked: %@", path);
    return locked;
}

void WatchFolderController::parseNZBFile(const QString& path)
{
    if (path.isEmpty() || !QFileInfo::exists(path)) return;
    if (checkIfFileIsLocked(path)) return;
    if (nzbController_) nzbController_->parseFileUrl(path, true);
}

void WatchFolderController::handleArrivals(const QStringList& paths)
{
    for (const QString& path : paths) {
        const QFileInfo info(path);
        // The extension test is exact: "x.NZB" is imported by the scan at
        // the next restart only.
        if (info.isFile() && info.suffix() == QStringLiteral("nzb")) parseNZBFile(path);
    }
}

void WatchFolderController::startFSEvents()
{
    if (streamIsActive()) return;
    delete stream_;
    stream_ = new FolderArrivalStream(
        monitoringURL_, 1000, [this](const QStringList& paths) { handleArrivals(paths); }, this);
    if (!stream_->start()) {
        delete stream_;
        stream_ = nullptr;
    }
}

void WatchFolderController::stopFSEvents()
{
    if (!stream_) return;
    stream_->stop();
    delete stream_;
    stream_ = nullptr;
}

void WatchFolderController::restartFSEvents()
{
    stopFSEvents();
    startFSEvents();
}
