#pragma once

#include <QColor>
#include <QMutex>
#include <QString>
#include <QVariant>
#include <QVariantMap>

#include <memory>

class QSettings;

// The user's settings: values the user or the program has set, kept in an INI
// file in the XDG config folder, over an in-memory table of registered
// defaults. A stored value always wins; removing it brings the default back.
// Registered defaults are never written to the file. Thread-safe.
class UserDefaults
{
public:
    static UserDefaults& standard();

    // The settings file: $XDG_CONFIG_HOME/Binorama/Binorama.conf.
    static QString settingsFilePath();

    // Merges `defaults` into the registered table.
    void registerDefaults(const QVariantMap& defaults);
    QVariantMap registeredDefaults() const;

    QVariant objectForKey(const QString& key) const;
    bool hasStoredValue(const QString& key) const;

    QString stringForKey(const QString& key) const;
    bool boolForKey(const QString& key) const;
    qint64 integerForKey(const QString& key) const;
    double doubleForKey(const QString& key) const;
    float floatForKey(const QString& key) const;
    QVariantMap dictionaryForKey(const QString& key) const;
    // A colour of one of the colour dictionaries.
    QColor colorForKey(const QString& dictionaryKey, const QString& innerKey) const;

    void setObject(const QVariant& value, const QString& key);
    void setBool(bool value, const QString& key) { setObject(value, key); }
    void setInteger(qint64 value, const QString& key) { setObject(value, key); }
    void setDouble(double value, const QString& key) { setObject(value, key); }
    void setFloat(float value, const QString& key) { setObject(value, key); }
    void setString(const QString& value, const QString& key) { setObject(value, key); }
    void removeObjectForKey(const QString& key);

    // Writes pending changes to the file.
    void synchronize();

    // Forgets the registered table and reopens the settings file from the
    // current environment (tests give each case its own home).
    void resetForTesting();

private:
    UserDefaults();
    ~UserDefaults();
    QSettings& settings() const;

    mutable QMutex mutex_;
    mutable std::unique_ptr<QSettings> settings_;
    QVariantMap registered_;
};
