#pragma once

#include <QString>

// The file-system primitives under FileUtils' moves and deletions, on the
// system calls themselves, because the convenient ones do the wrong thing
// here: POSIX rename() silently replaces an existing target, and a
// recursive delete that follows symbolic links reaches outside the folder
// it was given (extracted archives may contain such links).
//
// Each operation answers 0 on success or the errno of the failure.
class FileOperations
{
public:
    // Moves `source` (a file, link or folder) to `target`, which must not
    // exist: an existing target is never replaced (EEXIST). Uses an atomic
    // no-replace rename; where the file system lacks it, a hard link or an
    // exclusively made placeholder; across file systems (EXDEV), a copy
    // followed by removal of the source.
    static int moveNoReplace(const QString& source, const QString& target);

    // The strategies of moveNoReplace(), one by one.
    static int renameNoReplace(const QString& source, const QString& target);
    // Without renameat2: a folder by renaming onto an empty folder made
    // exclusively; anything else by link() and unlink(), or, where the file
    // system has no hard links, by renaming onto an exclusively made
    // placeholder.
    static int fallbackRenameNoReplace(const QString& source, const QString& target);
    // Copies the tree at `source` to `target` (made exclusively; links
    // copied as links, never followed; file data synced), then removes the
    // source. A failed copy removes what it made and leaves the source.
    static int copyThenRemove(const QString& source, const QString& target);

    // Gives the regular file `source` a second name `target`, which must not
    // exist (EEXIST): a hard link, or where the file system has none or the
    // target lies on another, a copy. The source is left as it is.
    static int linkOrCopyNoReplace(const QString& source, const QString& target);

    // Removes `path` and, if it is a real folder, everything below it. A
    // symbolic link is removed as a link; nothing it points to is touched.
    static int removeTree(const QString& path);
};
