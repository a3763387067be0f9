#include "platform/UserDefaults.h"

#include <QSettings>
#include <QStandardPaths>

#include <cmath>
#include <limits>

UserDefaults& UserDefaults::standard()
{
    static UserDefaults instance;
    return instance;
}

UserDefaults::UserDefaults() = default;
UserDefaults::~UserDefaults() = default;

QString UserDefaults::settingsFilePath()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) +
           QStringLiteral("/Binorama/Binorama.conf");
}

QSettings& UserDefaults::settings() const
{
    if (!settings_)
        settings_ = std::make_unique<QSettings>(settingsFilePath(), QSettings::IniFormat);
    return *settings_;
}

void UserDefaults::registerDefaults(const QVariantMap& defaults)
{
    QMutexLocker locker(&mutex_);
    for (auto it = defaults.cbegin(); it != defaults.cend(); ++it)
        registered_.insert(it.key(), it.value());
}

QVariantMap UserDefaults::registeredDefaults() const
{
    QMutexLocker locker(&mutex_);
    return registered_;
}

QVariant UserDefaults::objectForKey(const QString& key) const
{
    QMutexLocker locker(&mutex_);
    QSettings& s = settings();
    if (s.contains(key))
        return s.value(key);
    return registered_.value(key);
}

bool UserDefaults::hasStoredValue(const QString& key) const
{
    QMutexLocker locker(&mutex_);
    return settings().contains(key);
}

QString UserDefaults::stringForKey(const QString& key) const
{
    return objectForKey(key).toString();
}

bool UserDefaults::boolForKey(const QString& key) const
{
    const QVariant v = objectForKey(key);
    // The INI file hands every scalar back as text.
    if (v.typeId() == QMetaType::QString) {
        const QString s = v.toString().trimmed().toLower();
        if (s == QLatin1String("true") || s == QLatin1String("yes"))
            return true;
        bool ok = false;
        const double d = s.toDouble(&ok);
        return ok && d != 0.0;
    }
    return v.toBool();
}

qint64 UserDefaults::integerForKey(const QString& key) const
{
    const QVariant v = objectForKey(key);
    bool ok = false;
    const qint64 i = v.toLongLong(&ok);
    if (ok)
        return i;
    const double d = v.toDouble(&ok);
    if (!ok || !std::isfinite(d))
        return 0;
    if (d >= 9.2e18)
        return std::numeric_limits<qint64>::max();
    if (d <= -9.2e18)
        return std::numeric_limits<qint64>::min();
    return qint64(d);
}

double UserDefaults::doubleForKey(const QString& key) const
{
    const QVariant v = objectForKey(key);
    if (v.typeId() == QMetaType::QString) {
        const QString s = v.toString().trimmed().toLower();
        if (s == QLatin1String("true"))
            return 1.0;
        if (s == QLatin1String("false"))
            return 0.0;
    }
    bool ok = false;
    const double d = v.toDouble(&ok);
    return ok ? d : 0.0;
}

float UserDefaults::floatForKey(const QString& key) const
{
    return float(doubleForKey(key));
}

QVariantMap UserDefaults::dictionaryForKey(const QString& key) const
{
    return objectForKey(key).toMap();
}

QColor UserDefaults::colorForKey(const QString& dictionaryKey, const QString& innerKey) const
{
    return dictionaryForKey(dictionaryKey).value(innerKey).value<QColor>();
}

void UserDefaults::setObject(const QVariant& value, const QString& key)
{
    QMutexLocker locker(&mutex_);
    if (!value.isValid())
        settings().remove(key);
    else
        settings().setValue(key, value);
}

void UserDefaults::removeObjectForKey(const QString& key)
{
    QMutexLocker locker(&mutex_);
    settings().remove(key);
}

void UserDefaults::synchronize()
{
    QMutexLocker locker(&mutex_);
    settings().sync();
}

void UserDefaults::resetForTesting()
{
    QMutexLocker locker(&mutex_);
    if (settings_)
        settings_->sync();
    settings_.reset();
    registered_.clear();
}
