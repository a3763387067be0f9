#pragma once

#include <QByteArray>
#include <QString>
#include <QTemporaryDir>

#include <vector>

// A desktop of the test's own, to be used inside a TempHome: the system's
// data and configuration folders are replaced by empty folders (so no
// installed application or MIME database shows through) and the desktop is
// the generic one. Everything is restored afterwards.
class IsolatedDesktop
{
public:
    IsolatedDesktop();
    ~IsolatedDesktop();

    IsolatedDesktop(const IsolatedDesktop&) = delete;
    IsolatedDesktop& operator=(const IsolatedDesktop&) = delete;

    // The folder standing for /usr/share.
    QString systemDataPath() const { return dir_.filePath(QStringLiteral("share")); }
    QString systemConfigPath() const { return dir_.filePath(QStringLiteral("xdg")); }

    // Installs a desktop file `id` into the system folder that declares
    // `mimeTypes` (";"-separated) and runs `executable`.
    void installSystemApplication(const QString& id, const QString& mimeTypes,
                                  const QString& executable = QStringLiteral("/bin/true")) const;

private:
    QTemporaryDir dir_;
    std::vector<std::pair<const char*, QByteArray>> saved_;
};
