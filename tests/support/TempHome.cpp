#include "support/TempHome.h"

#include "core/Logger.h"
#include "core/SettingsRegistration.h"
#include "platform/UserDefaults.h"

#include <QDir>

#include <cstdlib>

namespace {
const char* const kVars[6] = {"HOME", "XDG_CONFIG_HOME", "XDG_DATA_HOME", "XDG_CACHE_HOME", "XDG_STATE_HOME",
                              "XDG_RUNTIME_DIR"};
}

TempHome::TempHome(bool registerDefaults)
{
    for (int i = 0; i < 6; ++i)
        saved_[i] = qgetenv(kVars[i]);
    const QString home = dir_.path();
    QDir(home).mkpath(QStringLiteral(".config"));
    QDir(home).mkpath(QStringLiteral(".local/share"));
    QDir(home).mkpath(QStringLiteral(".cache"));
    QDir(home).mkpath(QStringLiteral(".local/state"));
    QDir(home).mkpath(QStringLiteral("runtime"));
    QDir(home).mkpath(QStringLiteral("Downloads"));
    QDir(home).mkpath(QStringLiteral("Documents"));
    QDir(home).mkpath(QStringLiteral("Desktop"));
    QFile::setPermissions(home + QStringLiteral("/runtime"), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    qputenv("HOME", home.toUtf8());
    qputenv("XDG_CONFIG_HOME", (home + QStringLiteral("/.config")).toUtf8());
    qputenv("XDG_DATA_HOME", (home + QStringLiteral("/.local/share")).toUtf8());
    qputenv("XDG_CACHE_HOME", (home + QStringLiteral("/.cache")).toUtf8());
    qputenv("XDG_STATE_HOME", (home + QStringLiteral("/.local/state")).toUtf8());
    qputenv("XDG_RUNTIME_DIR", (home + QStringLiteral("/runtime")).toUtf8());

    Logger::shared()->resetForTesting();
    UserDefaults::standard().resetForTesting();
    if (registerDefaults) {
        QDir().mkpath(appSupportPath());
        QDir().mkpath(appSupportPath() + QStringLiteral("/db"));
        SettingsRegistration::registerDefaults(appSupportPath());
    }
}

TempHome::~TempHome()
{
    Logger::shared()->resetForTesting();
    UserDefaults::standard().resetForTesting();
    for (int i = 0; i < 6; ++i) {
        if (saved_[i].isNull())
            qunsetenv(kVars[i]);
        else
            qputenv(kVars[i], saved_[i]);
    }
}

QString TempHome::appSupportPath() const
{
    return dir_.path() + QStringLiteral("/.local/share/Binorama");
}

QString TempHome::downloadsPath() const
{
    return dir_.path() + QStringLiteral("/Downloads");
}

QString TempHome::logFilePath() const
{
    return appSupportPath() + QStringLiteral("/Binorama.log");
}

QString TempHome::makeFolder(const QString& relative) const
{
    const QString p = QDir(dir_.path()).filePath(relative);
    QDir().mkpath(p);
    return p;
}
