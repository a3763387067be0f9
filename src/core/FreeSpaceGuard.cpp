#include "core/FreeSpaceGuard.h"

#include "core/Logger.h"
#include "core/MainQueueFlags.h"
#include "core/Utils.h"
#include "platform/Dispatch.h"
#include "platform/UserDefaults.h"

#include <QPointer>
#include <QStorageInfo>

FreeSpaceGuard::FreeSpaceGuard(QObject* parent) : QObject(parent) {}

FreeSpaceGuard::~FreeSpaceGuard() = default;

std::optional<double> FreeSpaceGuard::freeSpaceAtPath(const QString& path)
{
    if (path.isEmpty())
        return std::nullopt;
    QStorageInfo info(path);
    if (!info.isValid() || !info.isReady())
        return std::nullopt;
    return double(info.bytesAvailable());
}

void FreeSpaceGuard::checkFreeSpaceOnDisk()
{
    if (inFlight_)
        return;
    inFlight_ = true;
    const QString path = UserDefaults::standard().stringForKey(QStringLiteral("downloadPath"));
    QPointer<FreeSpaceGuard> guard(this);
    Dispatch::global([guard, path] {
        const std::optional<double> free = freeSpaceAtPath(path);
        Dispatch::onMain([guard, free] {
            if (!guard)
                return;
            guard->inFlight_ = false;
            guard->applyFreeSpace(free);
        });
    });
}

void FreeSpaceGuard::applyFreeSpace(std::optional<double> freeBytes)
{
    if (!freeBytes) {
        displayText_ = QStringLiteral("~");
        Q_EMIT displayTextChanged(displayText_);
        return;
    }
    const double free = *freeBytes;
    displayText_ = Utils::formatBytes(free);
    Q_EMIT displayTextChanged(displayText_);
    if (!queueController_)
        return;
    const double minFreeSpace = UserDefaults::standard().doubleForKey(QStringLiteral("minFreeSpace"));
    // Only the changes are logged and passed on: a disk that stays full for
    // a day would otherwise write a warning every second.
    if (minFreeSpace > free) {
        if (queueController_->noDiskSpace()) return;
        BLOG(4, "Out of free space: %f - need: %f", free, minFreeSpace);
        queueController_->outOfDiskSpace(true);
    } else if (queueController_->noDiskSpace()) {
        BLOG(4, "Free space is back: %f - need: %f", free, minFreeSpace);
        queueController_->outOfDiskSpace(false);
    }
}
