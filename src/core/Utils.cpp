#include "core/Utils.h"

#include "core/StringFormat.h"
#include "platform/NotificationHub.h"
#include "platform/UserDefaults.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDesktopServices>
#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QUrl>
#include <QStringDecoder>

#include <cmath>
#include <limits>
#include <mutex>

namespace {

struct SizeFamily
{
    std::initializer_list<const char*> units;
    double divisor;
    bool strict; // next unit while value > limit (else >=)
    double limit;
    const char16_t* scaledFormat;
};

QString formatWithFamily(double value, const SizeFamily& family)
{
    if (std::isnan(value) || value > 3.4028234663852886e38)
        value = 0;
    const auto* units = family.units.begin();
    const size_t count = family.units.size();
    size_t index = 0;
    while (index + 1 < count && (family.strict ? value > family.limit : value >= family.limit)) {
        value /= family.divisor;
        ++index;
    }
    if (index == 0)
        return sformat(u"%d %@", Utils::clampToInt64(value), units[0]);
    return sformat(QStringView(family.scaledFormat), value, units[index]);
}

const SizeFamily kBytes{{"B", "KB", "MB", "GB", "TB", "PB", "EB", "ZB", "YB"}, 1000.0, true, 1000.0, u"%4.2f %@"};
const SizeFamily kMiBytes{{"B", "KB", "MB", "GB", "TB", "PB", "EB", "ZB", "YB"}, 1024.0, true, 1024.0, u"%.1f %@"};
const SizeFamily kBits{{"bps", "Kb/s", "Mb/s", "Gb/s"}, 1000.0, false, 1000.0, u"%4.2f %@"};
const SizeFamily kBytesPerSecond{{"Bps", "KB/s", "MB/s", "GB/s"}, 1000.0, false, 1000.0, u"%4.2f %@"};

std::mutex openerMutex;
Utils::FileOpener& fileOpener()
{
    static Utils::FileOpener opener = [](const QString& path) {
        return QDesktopServices::openUrl(QUrl::fromLocalFile(path));
    };
    return opener;
}

} // namespace

std::int32_t Utils::clampToInt32(double value)
{
    if (std::isnan(value))
        return 0;
    if (value >= 2147483647.0)
        return std::numeric_limits<std::int32_t>::max();
    if (value <= -2147483648.0)
        return std::numeric_limits<std::int32_t>::min();
    return static_cast<std::int32_t>(value);
}

std::int64_t Utils::clampToInt64(double value)
{
    if (std::isnan(value))
        return 0;
    if (value >= 9.2233720368547758e18)
        return std::numeric_limits<std::int64_t>::max();
    if (value <= -9.2233720368547758e18)
        return std::numeric_limits<std::int64_t>::min();
    return static_cast<std::int64_t>(value);
}

QString Utils::formatBytes(double bytes)
{
    return formatWithFamily(bytes, kBytes);
}

QString Utils::formatMiBytes(double bytes)
{
    return formatWithFamily(bytes, kMiBytes);
}

QString Utils::formatBitsPerSecond(double bitsPerSecond)
{
    return formatWithFamily(bitsPerSecond, kBits);
}

QString Utils::formatBytesPerSecond(double bytesPerSecond)
{
    return formatWithFamily(bytesPerSecond, kBytesPerSecond);
}

QString Utils::timeFormatter(std::int64_t unixTime)
{
    return timeFormatter(unixTime, QDateTime::currentSecsSinceEpoch());
}

QString Utils::timeFormatter(std::int64_t unixTime, std::int64_t now)
{
    float age = float(double(now) - double(unixTime));
    if (!(age > 0.0f))
        age = 0.0f;
    if (age > 2678400.0f)
        return QDateTime::fromSecsSinceEpoch(unixTime).toString(QStringLiteral("yyyy-MM-dd"));
    struct Step
    {
        float below;
        float step;
        const char16_t* one;
        const char16_t* many;
    };
    static const Step steps[] = {
        {60.0f, 1.0f, u"%d second", u"%d seconds"},
        {3600.0f, 60.0f, u"%d minute", u"%d minutes"},
        {86400.0f, 3600.0f, u"%d hour", u"%d hours"},
        {2678400.5f, 86400.0f, u"%d day", u"%d days"},
    };
    for (const Step& s : steps) {
        if (age < s.below) {
            const int n = clampToInt32(std::floor(age / s.step));
            return sformat(QStringView(n == 1 ? s.one : s.many), n);
        }
    }
    return QString();
}

QString Utils::unixTimeToDate(std::int64_t unixTime, bool includeSeconds)
{
    return QDateTime::fromSecsSinceEpoch(unixTime).toString(
        includeSeconds ? QStringLiteral("yyyy-MM-dd HH:mm:ss") : QStringLiteral("yyyy-MM-dd HH:mm"));
}

void Utils::setFileOpener(FileOpener opener)
{
    std::lock_guard<std::mutex> guard(openerMutex);
    fileOpener() = std::move(opener);
}

void Utils::executeFile(const QString& folder, const QString& filename, const QVariant& filepart)
{
    if (folder.isEmpty() || filename.isEmpty())
        return;
    const QString path = QDir(folder).filePath(filename);
    const QString extension = QFileInfo(filename).suffix().toLower();
    UserDefaults& defaults = UserDefaults::standard();
    if (QFileInfo(folder).fileName() == defaults.stringForKey(QStringLiteral("textFolder")) &&
        extension == QLatin1String("txt")) {
        QVariantMap dict;
        dict.insert(QStringLiteral("filepart"),
                    filepart.isValid() ? filepart : QVariant(QString()));
        dict.insert(QStringLiteral("filepath"), path);
        NotificationHub::defaultCenter().post(QStringLiteral("OpenMessagesViewer"), nullptr,
                                              {{QStringLiteral("dict"), dict}});
        return;
    }
    FileOpener opener;
    {
        std::lock_guard<std::mutex> guard(openerMutex);
        opener = fileOpener();
    }
    // The desktop has no fixed image viewer; images open with the handler
    // the desktop names for their type, like every other file.
    opener(path);
}

void Utils::shutdownAppAndRelaunchAfterDelay(float delay)
{
    // The program's path goes in as an argument of the shell, never inside
    // the command text, so no path can change what the shell runs.
    const QString program = QCoreApplication::applicationFilePath();
    QProcess::startDetached(QStringLiteral("/bin/sh"),
                            {QStringLiteral("-c"), QStringLiteral("sleep \"$1\"; exec \"$2\""),
                             QStringLiteral("sh"), sformat(u"%f", double(delay)), program});
    if (QCoreApplication* app = QCoreApplication::instance())
        QMetaObject::invokeMethod(app, &QCoreApplication::quit, Qt::QueuedConnection);
}

QString Utils::textFromUtf8OrLatin1(QByteArrayView bytes)
{
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString text = utf8.decode(bytes);
    if (!utf8.hasError()) return text;
    return QString::fromLatin1(bytes.data(), bytes.size());
}
