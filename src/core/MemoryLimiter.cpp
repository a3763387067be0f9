#include "core/MemoryLimiter.h"

#include "core/Logger.h"
#include "core/MainQueueInterface.h"
#include "core/StringFormat.h"
#include "core/Utils.h"
#include "platform/UserDefaults.h"

#include <QFile>

#include <cerrno>
#include <cmath>
#include <cstring>
#include <unistd.h>

MemoryLimiter::MemoryLimiter(QObject* parent) : QObject(parent) {}

std::optional<double> MemoryLimiter::residentSize()
{
    QFile statm(QStringLiteral("/proc/self/statm"));
    if (!statm.open(QIODevice::ReadOnly)) {
        Logger::shared()->writeToConsole(sformat(u"Error with task_info(): %@", statm.errorString()));
        return std::nullopt;
    }
    const QList<QByteArray> fields = statm.readAll().simplified().split(' ');
    bool ok = false;
    const qint64 pages = fields.size() > 1 ? fields.at(1).toLongLong(&ok) : 0;
    const long pageSize = sysconf(_SC_PAGESIZE);
    if (!ok || pageSize <= 0) {
        Logger::shared()->writeToConsole(sformat(u"Error with task_info(): %@", std::strerror(EINVAL)));
        return std::nullopt;
    }
    return double(pages) * double(pageSize);
}

void MemoryLimiter::report_memory()
{
    if (!UserDefaults::standard().boolForKey(QStringLiteral("enableMaxMemLimiter")))
        return;
    applyResidentSize(residentSize());
}

void MemoryLimiter::applyResidentSize(std::optional<double> residentBytes)
{
    UserDefaults& d = UserDefaults::standard();
    if (!d.boolForKey(QStringLiteral("enableMaxMemLimiter")) || !residentBytes)
        return;
    const double limit = double(d.floatForKey(QStringLiteral("maxMemLimit"))) * 1073741824.0;
    const double resume = double(d.floatForKey(QStringLiteral("maxMemResume"))) * 1073741824.0;
    const double resident = *residentBytes;

    const double ratio = resident > 0 ? limit / resident : 0;
    const double percent = ratio > 0 && std::isfinite(ratio) ? std::round(100.0 / ratio) : 0;
    displayText_ = sformat(u"%1.0f %%", percent);
    Q_EMIT displayTextChanged(displayText_);

    if (!queueController_)
        return;
    if (!queueController_->pausedDueFullWriteQueue() && resident > limit) {
        BLOG(4, "Max allowed memory exceeded (%@). Download paused.", Utils::formatMiBytes(limit));
        queueController_->setPausedDueFullWriteQueue(true);
    } else if (queueController_->pausedDueFullWriteQueue() && resume >= resident) {
        BLOG(4, "Acceptable memory usage. Resuming operations.");
        queueController_->setPausedDueFullWriteQueue(false);
    }
}
