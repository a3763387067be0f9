#pragma once

#include <QString>
#include <QVariantMap>

#include <cstdint>

// Every setting of the program with its default. Registered once per start,
// before anything reads a setting; registered values are never written to the
// user's file.
class SettingsRegistration
{
public:
    struct Environment
    {
        QString appSupportPath;   // without a trailing separator
        QString documentsPath;
        QString downloadsPath;
        QString desktopPath;
        QString applicationsPath;
        std::uint64_t physicalMemoryBytes = 0;
    };

    // The environment of this machine and user.
    static Environment currentEnvironment(const QString& appSupportPath);

    // The full table of defaults for an environment (pure).
    static QVariantMap registeredDefaults(const Environment& environment);

    // Writes the fixed values and registers the defaults for this machine.
    static void registerDefaults(const QString& appSupportPath);

    static constexpr const char* kWebHost = "https://binorama.example";
};
