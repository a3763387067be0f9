#pragma once

#include <QString>

// File-system helpers shared by every part of the program. Paths are
// absolute; an empty string stands for "absent". No state; any thread.
class FileUtils
{
public:
    // Linux allows 255 bytes per path component.
    static constexpr int kMaxComponentBytes = 255;

    // The folder created (or existing) at `folder`, or an empty string. With
    // `allowAlternative`, an existing folder gives "folder.1", "folder.2", ...
    // A last component longer than the file system allows is cut.
    static QString createFolder(const QString& folder, bool allowAlternative);

    static bool doesFolderExists(const QString& path);
    static bool doesFileExists(const QString& path);

    // `name` cut to at most `maxBytes` bytes of UTF-8, never inside a
    // character.
    static QString truncateToUtf8Bytes(const QString& name, int maxBytes);
};
