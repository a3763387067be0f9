#pragma once

#include <QByteArray>
#include <QIcon>
#include <QList>
#include <QString>
#include <QStringList>

#include <optional>

// File-system helpers shared by every part of the program: user-chosen
// folders, the folders of a job, safe and free file names, listings, moves,
// guarded deletions and archive typing. Paths are absolute; an empty string
// stands for "absent". No state; any thread. Failures are logged and
// answered with an empty result or false, never raised.
//
// Two rules hold everywhere here:
// - A name that comes from outside (a title, a subject, a newsgroup, a file
//   name from an NZB) becomes exactly one path component before it is used,
//   so that nothing made from it lies outside the folder it is put in.
// - Nothing is deleted unless its real location is strictly inside the
//   download folder, and deletions never follow symbolic links.
class FileUtils
{
public:
    // Linux allows 255 bytes per path component.
    static constexpr int kMaxComponentBytes = 255;

    // --- User-chosen folders ("bookmarks.plist" keeps them per settings key)

    // Whether the folder in the setting `key` can be written to.
    static bool enableFileAccessForKey(const QString& key);
    // Nothing to end here: access does not need to be started.
    static void disableFileAccessForKey(const QString& key);
    // Stores the folder of the setting `key` in the bookmark file.
    static void saveBookMark(const QString& key);
    // The folder stored for `key`, or an empty string.
    static QString loadBookMark(const QString& key);

    // --- The folders of a job

    // downloadPath / [short newsgroup] / folder name from the title, created
    // (an existing one is reused); empty on failure.
    static QString getDownloadFolder(const QString& title, const QString& newsgroups);
    // moveAfterDownloadPath / [short newsgroup] / name, created with a
    // numbered alternative when it exists; empty when unset.
    static QString getMoveAfterDownloadFolder(const QString& name, const QString& newsgroups);
    // `folder` / textFolder, created if missing; empty when unset.
    static QString getTextDownloadFolder(const QString& folder);
    // The first newsgroup of a comma-separated list, "alt.binaries." as
    // "a.b."; "newsgroup" when there is none.
    static QString formatNewsGroups(const QString& newsgroups);
    // The last quoted stretch of a title (or the title), unquoted, trimmed;
    // "no_name" when nothing is left.
    static QString formatFolder(const QString& title);
    // `name` as one path component: "/" and control characters become "_",
    // the result is cut to kMaxComponentBytes on a character boundary, and
    // an empty name, "." or ".." gives `fallback`.
    static QString safePathComponent(const QString& name, const QString& fallback);
    // A file name chosen by someone else (article data, a PAR2 description,
    // a search reply) as one component: only what follows the last "/" or
    // "\\", without control characters, never "." or "..", at most 255 bytes
    // with a short extension kept when cut. Empty when nothing usable remains.
    static QString safeForeignFileName(const QString& name);

    static bool doesFolderExists(const QString& path);
    static bool doesFileExists(const QString& path);

    // The folder created (or existing) at `folder`, or an empty string. With
    // `allowAlternative`, an existing folder gives "folder.1", "folder.2", ...
    // A last component longer than the file system allows is cut.
    static QString createFolder(const QString& folder, bool allowAlternative);

    // `name` cut to at most `maxBytes` bytes of UTF-8, never inside a
    // character.
    static QString truncateToUtf8Bytes(const QString& name, int maxBytes);

    // --- Free and safe names

    // A name that is free in `folder`: `name` (made one component; "filename"
    // when empty), else "stem.N.ext" with N from 1 upward.
    static QString checkIfFilenameExists(const QString& name, const QString& folder);
    // `file` itself when nothing is there, else the first free "stem.N.ext"
    // beside it for N from 1 to 100; empty when all of them are taken.
    static QString createAlternativeFilenameFor(const QString& file);
    // Only letters, digits and . _ - ! " ' blank \ [ ] ( ) @ kept (others
    // become "_"), no leading dots, blanks or minus signs, runs of "_" made
    // one, at most 250 characters.
    static QString makeSafeFilename(const QString& text);
    // The same with only letters, digits and . _ - ! kept.
    static QString makeUTF8Filename(const QString& text);
    // Size in bytes; 0 when it cannot be read.
    static qint64 getFileSizeForFile(const QString& file);
    // The icon for files with `extension`; "map" gives the folder icon.
    static QIcon getIconForFileExtension(const QString& extension);

    // --- Listings (entries as full paths, sorted by name within a folder)

    // Entries of `folder` (links in its path resolved first) whose name
    // matches the wildcard `pattern` case-insensitively. Not recursive: the
    // direct entries, hidden ones skipped, folders included. Recursive:
    // recursiveFileScanForUrl(). None on a listing error.
    static std::optional<QStringList> getFilteredFolderContentFor(const QString& folder,
                                                                  const QString& pattern, bool recursive);
    // The direct entries without hidden ones; none on error.
    static std::optional<QStringList> getFolderContentFor(const QString& folder);
    // Every non-folder / every folder below `folder`, at any depth, hidden
    // ones included, a folder before its contents. Links are entries of
    // their own and never followed.
    static QStringList recursiveFileScanForUrl(const QString& folder);
    static QStringList recursiveFolderScanForUrl(const QString& folder);
    struct FileCounts
    {
        qint64 dirs = 0;
        qint64 files = 0; // everything that is not a real folder
    };
    static FileCounts analizeFileList(const QStringList& list);

    // --- Moves. Without `overwrite` an existing target is never replaced;
    // with it, the target is removed first. Moves work across file systems.

    static bool renameFilenameFromUrl(const QString& source, const QString& target, bool overwrite);
    static bool renameFilenameFromString(const QString& source, const QString& target, bool overwrite);
    // Moves the contents of `source` into `destination` (created). A chain of
    // folders that each hold exactly one folder and no file is descended
    // first. A hidden name ".nfo" arrives as "nfo", and a taken
    // name as a numbered alternative. True when everything was moved.
    static bool moveFilesFromSourceFolder(const QString& source, const QString& destination);

    // --- Deletions: only strictly inside the download folder.

    static void deleteFolderAndContents(const QString& folder);
    // With subFolderTypeTag 1, a folder named after the short newsgroup is
    // replaced by its parent first.
    static void deleteFolderAndContents(const QString& folder, const QString& newsgroups);
    // An imported NZB file, when enableDeleteNZB is set or `forced`: to the
    // Trash with enableDeleteNZBToTrash or `forced`, else removed. Never a
    // folder, never the download folder.
    static void deleteNZBFile(const QString& file, bool forced);
    // Removes every empty folder at and below `folder`, deepest first.
    static void deleteEmptyFolderUrl(const QString& folder);
    static void deleteEmptyFolderPath(const QString& path);
    // A job's cleanup: every file in `jobFolder` and its subfolders whose
    // name matches one of `patterns` (in list order; a pattern containing
    // "par2" only while repair or extraction is on) is deleted. Nothing when
    // the folder is the download folder itself or not inside it. Links are
    // removed as links and never followed, so nothing outside the folder is
    // touched.
    static void deleteUserDefinedFiles(const QStringList& patterns, const QString& jobFolder);
    // Whether `path` (its last component taken as it is, the folders above it
    // resolved) lies strictly inside the download folder.
    static bool isStrictlyInsideDownloadFolder(const QString& path);

    // --- Archive typing

    // The first 64 bytes of `file` (fewer if shorter); empty when it cannot
    // be read or is empty.
    static QByteArray loadFileData(const QString& file);
    // "zip", "rar4", "rar5", "7z" by the leading bytes, or an empty string.
    // Office documents and electronic books packed as zip give none.
    static QString getArchiveTypeFor(const QByteArray& data);
    static bool checkZipForMicrosoftSignature(const QByteArray& data);
    static bool checkZipForEpubSignature(const QByteArray& data);
    // The recovery blocks named in a PAR2 volume name ("x.vol007+08.par2"
    // gives 8); 0 without one.
    static qint64 getRepairBlocks(const QString& filename);
    // Whether a name contains "sample" in any letter case.
    static bool checkIfSampleFile(const QString& filename);

    // --- The files in one job's folder (its `downloadUrl`)

    // The one file per archive set that extraction starts on, taken from
    // `candidates` (names of files in `folder`, in that order). Files that
    // are archives only by their container format (comic books, office
    // documents, packages, electronic books) are not taken.
    struct ArchiveStarts
    {
        QStringList rarfiles;
        QStringList zipfiles;
        QStringList z7files;
    };
    static ArchiveStarts archiveStartsFor(const QString& folder, const QStringList& candidates);
    // The same from the files now in `folder`, after an extraction.
    static ArchiveStarts archiveStartsInFolder(const QString& folder);

    // After a successful extraction: deletes the files of `jobFolder` that
    // carry an archive signature (container formats excepted).
    static void deleteArchiveFilesInFolder(const QString& jobFolder);
    // After a repair: deletes the originals the repair tool set aside
    // ("name.1", "name.2", ...) from `jobFolder`.
    static void deleteTempRepairFilesInFolder(const QString& jobFolder);
    // Deletes the "*.par2" files of `jobFolder`.
    static void deleteRepairFilesInFolder(const QString& jobFolder);
    // None of the deletions above acts unless `jobFolder` lies strictly
    // inside the download folder.

    // Gives every file below `jobFolder` whose name is written backwards
    // ("20E10S.wohs.mkv") its proper name ("show.S01E02.mkv").
    static void reverseFilenamesInFolder(const QString& jobFolder);
    // One file: only its last path component is tested and renamed. The
    // path after the rename, or `file` when nothing was (or could be) done.
    static QString reverseFilename(const QString& file);

    // --- PAR2 names. A recovery volume is a name ending in ".volN+M.par2"
    // (also "-" or "_" for "+"), any case; every other name containing
    // ".par2" is an index file.

    static bool checkIfRepairVolumeFile(const QString& filename);
    // The name contains ".par2", any case.
    static bool checkIfPar2File(const QString& filename);
};
