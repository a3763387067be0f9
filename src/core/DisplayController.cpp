#include "core/DisplayController.h"

#include "core/MainQueueInterface.h"
#include "core/StringFormat.h"
#include "core/Utils.h"
#include "platform/UserDefaults.h"

#include <cmath>

DisplayController::DisplayController(QObject* parent) : QObject(parent)
{
    for (const char* key : {"bandwidth", "bandwidthUnit", "totalfiles", "timeleft"})
        displayData_.insert(QString::fromLatin1(key), QString());
    oneSecondTimer_.setInterval(1000);
    connect(&oneSecondTimer_, &QTimer::timeout, this, [this] { calculateBandwidth(); });
    oneSecondTimer_.start();
}

DisplayController::~DisplayController() = default;

void DisplayController::calculateBandwidth()
{
    if (!queueController_)
        return;
    bytesPS_ = queueController_->getAverageBandwidthUsedPerSecond();
    bitsPS_ = bytesPS_ * 8;
    // Read before the recount below: the figures of the previous second.
    const double left = queueController_->bytesLeftToDownload() + queueController_->bytesLeftToUpload();
    const qint64 files = queueController_->getTotalFilesInQueue();

    QString totalFiles;
    QString timeLeft;
    if (files >= 1) {
        totalFiles = sformat(u"%ld", files);
        // No speed means no estimate; a huge estimate is clamped rather than
        // converted out of range, and then shows as the 999-hour cap.
        if (bytesPS_ > 0 && std::isfinite(bytesPS_))
            timeLeft = secondsToTime(Utils::clampToInt32(std::trunc(left / bytesPS_)));
    }
    updateBandwidthTextField();
    setDisplayValue(QStringLiteral("totalfiles"), totalFiles);
    setDisplayValue(QStringLiteral("timeleft"), timeLeft);
    if (addBandwidthValue_)
        addBandwidthValue_(Utils::clampToInt64(std::trunc(bitsPS_)));
}

void DisplayController::updateBandwidthTextField()
{
    if (UserDefaults::standard().boolForKey(QStringLiteral("showMegaBytesPerSecond")))
        makeBytesPerSecondString();
    else
        makeBitsPerSecondString();
}

DisplayController::SpeedText DisplayController::speedText(double v, bool bytes)
{
    double shown = v;
    QString unit;
    if (v > 1e9) {
        shown = v / 1e9;
        unit = bytes ? QStringLiteral("GBps") : QStringLiteral("Gbps");
    } else if (v > 1e6) {
        shown = v / 1e6;
        unit = bytes ? QStringLiteral("MBps") : QStringLiteral("Mbps");
    } else if (v > 1000) {
        shown = v / 1000;
        unit = bytes ? QStringLiteral("KBps") : QStringLiteral("Kbps");
    } else {
        unit = bytes ? QStringLiteral("Bps") : QStringLiteral("bps");
    }
    return {shown > 0 ? sformat(u"%.1f", shown) : QString(), unit};
}

void DisplayController::makeBytesPerSecondString()
{
    const SpeedText t = speedText(bytesPS_, true);
    setDisplayValue(QStringLiteral("bandwidth"), t.number);
    setDisplayValue(QStringLiteral("bandwidthUnit"), t.unit);
}

void DisplayController::makeBitsPerSecondString()
{
    const SpeedText t = speedText(bitsPS_, false);
    setDisplayValue(QStringLiteral("bandwidth"), t.number);
    setDisplayValue(QStringLiteral("bandwidthUnit"), t.unit);
}

QString DisplayController::secondsToTime(qint32 s)
{
    if (s < 1)
        return QString();
    const qint64 hours = s / 3600;
    if (hours > 999)
        return QStringLiteral("99:59:59");
    return sformat(u"%02lu:%02lu:%02lu", quint64(hours), quint64((s / 60) % 60), quint64(s % 60));
}

void DisplayController::setDisplayValue(const QString& key, const QString& value)
{
    if (displayData_.value(key).toString() == value && displayData_.contains(key))
        return;
    displayData_.insert(key, value);
    Q_EMIT displayDataChanged(key, value);
}
