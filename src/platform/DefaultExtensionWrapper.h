#pragma once

#include <QString>
#include <QStringList>

// Which application opens a kind of file, and making this program the one
// for NZB files. A file-name extension maps to its MIME type (the type
// identifier here); an application is named by its desktop file id
// ("binorama.desktop"), its bundle identifier here. The desktop's own tool
// (xdg-mime) reads and sets the defaults, so every desktop sees the change.
// No state; every operation may run a short child process and so belongs
// where a brief wait is acceptable (start-up, the settings pages).
class DefaultExtensionWrapper
{
public:
    // This program's desktop file id.
    static QString applicationBundleIdentifier();

    // The MIME type for a file-name extension, or empty when none is known.
    static QString UTIforFileExtension(const QString& fileExtension);
    // The default application's desktop file id, or empty when there is none.
    static QString getDefaultBundleIdentifierForFileExtension(const QString& fileExtension);
    static bool isBundleIdentifier(const QString& bundleIdentifier, const QString& fileExtension);
    // Makes the application the default for the extension's type and checks
    // that the desktop now reports it. For this program its desktop file
    // (and, where the system lacks it, the NZB type) is installed first. On
    // failure prints "%s Unable to set %@ as default for file extension %@"
    // to standard error and returns false.
    static bool makeBundleIdentifier(const QString& bundleIdentifier, const QString& fileExtension);
    // Every installed application that declares the extension's type.
    static QStringList getSupportedBundleIdentifiersForExtension(const QString& fileExtension);
    static QString getDefaultBundleIdentifierForUti(const QString& uti);
    // As getSupportedBundleIdentifiersForExtension, for a type; also prints
    // "%s %@" (the operation, the list) to standard error.
    static QStringList getSupportedBundleIdentifiersForUti(const QString& uti);

    // Writes this program's desktop file into the user's applications
    // folder, starting `executable` for the files it is given.
    static bool installDesktopEntry(const QString& executable);
    // Adds the NZB type to the user's MIME database when no MIME database
    // of the system or the user defines it. True when the type is known
    // afterwards.
    static bool installNZBMimeTypeIfMissing();
    // Whether a compiled MIME database in the data folders defines `uti`.
    static bool isMimeTypeInstalled(const QString& uti);
};
