#include "support/IsolatedDesktop.h"

#include <QDir>
#include <QFile>

namespace {
const char* const kVars[] = {"XDG_DATA_DIRS",   "XDG_CONFIG_DIRS",         "XDG_CURRENT_DESKTOP",
                             "DESKTOP_SESSION", "KDE_FULL_SESSION",        "GNOME_DESKTOP_SESSION_ID",
                             "XDG_MENU_PREFIX", "MATE_DESKTOP_SESSION_ID", "KDE_SESSION_VERSION"};
}

IsolatedDesktop::IsolatedDesktop()
{
    for (const char* v : kVars)
        saved_.emplace_back(v, qgetenv(v));
    for (const char* v : kVars)
        qunsetenv(v);
    QDir().mkpath(systemDataPath() + QStringLiteral("/applications"));
    QDir().mkpath(systemConfigPath());
    qputenv("XDG_DATA_DIRS", systemDataPath().toUtf8());
    qputenv("XDG_CONFIG_DIRS", systemConfigPath().toUtf8());
    qputenv("XDG_CURRENT_DESKTOP", "X-Generic");
}

IsolatedDesktop::~IsolatedDesktop()
{
    for (const auto& [name, value] : saved_) {
        if (value.isNull())
            qunsetenv(name);
        else
            qputenv(name, value);
    }
}

void IsolatedDesktop::installSystemApplication(const QString& id, const QString& mimeTypes,
                                               const QString& executable) const
{
    QFile f(systemDataPath() + QStringLiteral("/applications/") + id);
    if (!f.open(QIODevice::WriteOnly)) return;
    f.write(QStringLiteral("[Desktop Entry]\nType=Application\nName=%1\nExec=%2 %F\nMimeType=%3\n")
                .arg(id, executable, mimeTypes)
                .toUtf8());
}
