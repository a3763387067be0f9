#include "core/FileUtils.h"

#include "core/FileOperations.h"
#include "core/Logger.h"
#include "core/PropertyListFile.h"
#include "core/WildcardPattern.h"
#include "platform/UserDefaults.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMimeDatabase>
#include <QRegularExpression>
#include <QTextBoundaryFinder>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <dirent.h>
#include <filesystem>
#include <functional>
#include <sys/stat.h>
#include <system_error>
#include <unistd.h>

namespace {

UserDefaults& defaults()
{
    return UserDefaults::standard();
}

QString setting(const char* key)
{
    return defaults().stringForKey(QString::fromLatin1(key));
}

QByteArray nativePath(const QString& path)
{
    return QFile::encodeName(path);
}

QString errnoText(int err)
{
    return QString::fromLocal8Bit(std::strerror(err));
}

// Whether anything (a dangling link too) is at `path`.
bool entryExists(const QString& path)
{
    struct stat st;
    return !path.isEmpty() && lstat(nativePath(path).constData(), &st) == 0;
}

bool isRealFolder(const QString& path)
{
    struct stat st;
    return lstat(nativePath(path).constData(), &st) == 0 && S_ISDIR(st.st_mode);
}

QString joinPath(const QString& folder, const QString& name)
{
    if (folder.endsWith(QLatin1Char('/'))) return folder + name;
    return folder + QLatin1Char('/') + name;
}

QString lastComponent(const QString& path)
{
    QString p = path;
    while (p.size() > 1 && p.endsWith(QLatin1Char('/')))
        p.chop(1);
    return p.mid(p.lastIndexOf(QLatin1Char('/')) + 1);
}

QString parentFolder(const QString& path)
{
    QString p = path;
    while (p.size() > 1 && p.endsWith(QLatin1Char('/')))
        p.chop(1);
    const qsizetype slash = p.lastIndexOf(QLatin1Char('/'));
    if (slash < 0) return QStringLiteral(".");
    return slash == 0 ? QStringLiteral("/") : p.left(slash);
}

// The folders above resolved by the system, the last component as it is:
// the place an operation on `path` would really act on.
QString resolvedLocation(const QString& path)
{
    if (path.isEmpty()) return QString();
    const QString name = lastComponent(path);
    if (name.isEmpty() || name == QLatin1String(".") || name == QLatin1String("..")) return QString();
    const QString parent = QFileInfo(parentFolder(path)).canonicalFilePath();
    if (parent.isEmpty()) return QString();
    return joinPath(parent, name);
}

QString canonicalFolder(const QString& path)
{
    return path.isEmpty() ? QString() : QFileInfo(path).canonicalFilePath();
}

// A name split as its extension is: "a.tar.gz" is "a.tar" + "gz"; a leading
// dot does not start an extension (".nfo" has none).
struct NameParts
{
    QString stem;
    QString extension;
};

NameParts splitExtension(const QString& name)
{
    const qsizetype dot = name.lastIndexOf(QLatin1Char('.'));
    if (dot <= 0 || dot == name.size() - 1) return {name, QString()};
    return {name.left(dot), name.mid(dot + 1)};
}

// "stem.N.ext" within the component limit (the stem gives way).
QString numberedName(const NameParts& parts, long number)
{
    const QString tail = sformat(u".%ld.%@", number, parts.extension);
    const QString stem =
        FileUtils::truncateToUtf8Bytes(parts.stem, FileUtils::kMaxComponentBytes - int(tail.toUtf8().size()));
    return stem + tail;
}

// The entries of `folder` (names sorted), or the errno of the failure.
int listNames(const QString& folder, bool includeHidden, QStringList& names)
{
    names.clear();
    DIR* dir = opendir(nativePath(folder).constData());
    if (!dir) return errno;
    errno = 0;
    while (dirent* e = readdir(dir)) {
        if (std::strcmp(e->d_name, ".") == 0 || std::strcmp(e->d_name, "..") == 0) continue;
        if (!includeHidden && e->d_name[0] == '.') continue;
        names.append(QFile::decodeName(e->d_name));
    }
    const int err = errno;
    closedir(dir);
    std::sort(names.begin(), names.end());
    return err;
}

std::optional<QStringList> listEntries(const QString& folder, bool includeHidden)
{
    QStringList names;
    if (const int err = listNames(folder, includeHidden, names)) {
        BLOG(3, "%@ :: %@", errnoText(err), folder);
        return std::nullopt;
    }
    QStringList out;
    out.reserve(names.size());
    for (const QString& n : names)
        out.append(joinPath(folder, n));
    return out;
}

void scanTree(const QString& folder, bool wantFolders, QStringList& out)
{
    QStringList names;
    if (const int err = listNames(folder, true, names)) {
        BLOG(3, "%@ :: %@", errnoText(err), folder);
        return;
    }
    for (const QString& n : names) {
        const QString path = joinPath(folder, n);
        struct stat st;
        if (lstat(nativePath(path).constData(), &st) != 0) {
            BLOG(3, "%@ :: %@", errnoText(errno), path);
            continue;
        }
        if (S_ISDIR(st.st_mode)) {
            if (wantFolders) out.append(path);
            scanTree(path, wantFolders, out);
        } else if (!wantFolders) {
            out.append(path);
        }
    }
}

bool folderIsEmpty(const QString& folder)
{
    QStringList names;
    return listNames(folder, true, names) == 0 && names.isEmpty();
}

} // namespace

// ---------------------------------------------------------------------------
// User-chosen folders

bool FileUtils::enableFileAccessForKey(const QString& key)
{
    const QString folder = defaults().stringForKey(key);
    return !folder.isEmpty() && QFileInfo(folder).isDir() &&
           ::access(nativePath(folder).constData(), W_OK | X_OK) == 0;
}

void FileUtils::disableFileAccessForKey(const QString&)
{}

void FileUtils::saveBookMark(const QString& key)
{
    if (key.isEmpty()) {
        BLOG(3, "Filekey is empty.");
        return;
    }
    const QString folder = defaults().stringForKey(key);
    if (folder.isEmpty()) {
        BLOG(3, "FolderString is empty");
        return;
    }
    if (!QDir::isAbsolutePath(folder)) {
        BLOG(3, "FolderUrl is empty");
        return;
    }
    const QString file = setting("bookMarksFilePath");
    if (file.isEmpty()) {
        BLOG(3, "bookMarksFilePath is empty");
        return;
    }
    BLOG(2, "Adding %@ to bookmarks", folder);
    QMap<QString, QString> bookmarks = PropertyListFile::readDictionary(file);
    bookmarks.insert(key, folder);
    QString error;
    if (!PropertyListFile::writeDictionary(file, bookmarks, &error)) BLOG(3, "%@ :: %@", error, file);
}

QString FileUtils::loadBookMark(const QString& key)
{
    if (key.isEmpty()) {
        BLOG(4, "Filekey is empty");
        return QString();
    }
    const QString file = setting("bookMarksFilePath");
    if (file.isEmpty()) {
        BLOG(3, "bookMarksFilePath is empty");
        return QString();
    }
    return PropertyListFile::readDictionary(file).value(key);
}

// ---------------------------------------------------------------------------
// The folders of a job

QString FileUtils::safePathComponent(const QString& name, const QString& fallback)
{
    QString out;
    out.reserve(name.size());
    for (const QChar c : name) {
        if (c == QLatin1Char('/') || c.category() == QChar::Other_Control)
            out += QLatin1Char('_');
        else
            out += c;
    }
    out = truncateToUtf8Bytes(out, kMaxComponentBytes);
    if (out.isEmpty() || out == QLatin1String(".") || out == QLatin1String("..")) return fallback;
    return out;
}

QString FileUtils::safeForeignFileName(const QString& name)
{
    QString clean;
    clean.reserve(name.size());
    for (const QChar c : name) {
        const char16_t u = c.unicode();
        if (u < 0x20 || u == 0x7F || (u >= 0x80 && u <= 0x9F))
            continue;
        clean.append(c == QLatin1Char('\\') ? QLatin1Char('/') : c);
    }
    // A name ending in a separator names a folder, not a file: nothing.
    QString component = clean.mid(clean.lastIndexOf(QLatin1Char('/')) + 1);
    if (component == QLatin1String(".") || component == QLatin1String(".."))
        return QString();
    if (component.toUtf8().size() <= kMaxComponentBytes)
        return component;
    // Too long for the file system: shorten the stem and keep a short
    // extension, so that the file still opens as what it is.
    constexpr int kMaxKeptExtensionBytes = 32;
    const qsizetype dot = component.lastIndexOf(QLatin1Char('.'));
    if (dot > 0) {
        const QString extension = component.mid(dot);
        const int extensionBytes = int(extension.toUtf8().size());
        if (extensionBytes <= kMaxKeptExtensionBytes)
            return truncateToUtf8Bytes(component.left(dot), kMaxComponentBytes - extensionBytes) + extension;
    }
    return truncateToUtf8Bytes(component, kMaxComponentBytes);
}

QString FileUtils::formatNewsGroups(const QString& newsgroups)
{
    QString first = newsgroups.section(QLatin1Char(','), 0, 0).trimmed();
    first.replace(QLatin1String("alt.binaries."), QLatin1String("a.b."));
    if (first.isEmpty()) return QStringLiteral("newsgroup");
    return safePathComponent(first, QStringLiteral("newsgroup"));
}

QString FileUtils::formatFolder(const QString& title)
{
    static const QRegularExpression quoted(QStringLiteral("\"(.*?)\""));
    QString folder = title;
    QString candidate;
    for (auto it = quoted.globalMatch(title); it.hasNext();) {
        const QString inner = it.next().captured(1);
        const bool blanksOnly =
            std::all_of(inner.cbegin(), inner.cend(), [](QChar c) { return c == QLatin1Char(' '); });
        if (!blanksOnly) candidate = inner;
    }
    if (!candidate.isNull()) folder = candidate;
    folder.remove(QLatin1Char('"'));
    qsizetype start = 0;
    qsizetype end = folder.size();
    auto blank = [](QChar c) { return c == QLatin1Char(' ') || c == QLatin1Char('\t'); };
    while (start < end && blank(folder[start]))
        ++start;
    while (end > start && blank(folder[end - 1]))
        --end;
    folder = folder.mid(start, end - start);
    if (folder.isEmpty()) {
        BLOG(4, "Folder name is empty.");
        return QStringLiteral("no_name");
    }
    return safePathComponent(folder, QStringLiteral("no_name"));
}

QString FileUtils::getDownloadFolder(const QString& title, const QString& newsgroups)
{
    const QString downloadPath = setting("downloadPath");
    if (downloadPath.isEmpty()) return QString();
    if (!enableFileAccessForKey(QStringLiteral("downloadPath"))) {
        BLOG(4, "No write permission in path:%@", downloadPath);
        return QString();
    }
    if (!doesFolderExists(downloadPath)) return QString();
    QString folder = downloadPath;
    if (defaults().integerForKey(QStringLiteral("subFolderTypeTag")) == 1)
        folder = joinPath(folder, formatNewsGroups(newsgroups));
    QString name = title;
    if (name.size() >= 2 && name.startsWith(QLatin1Char('.'))) name.remove(0, 1);
    if (!name.isEmpty()) folder = joinPath(folder, formatFolder(name));
    return createFolder(folder, false);
}

QString FileUtils::getMoveAfterDownloadFolder(const QString& name, const QString& newsgroups)
{
    QString folder = setting("moveAfterDownloadPath");
    if (folder.isEmpty()) return QString();
    if (defaults().integerForKey(QStringLiteral("subFolderTypeTag")) == 1)
        folder = joinPath(folder, formatNewsGroups(newsgroups));
    folder = joinPath(folder, safePathComponent(name, QStringLiteral("no_name")));
    return createFolder(folder, true);
}

QString FileUtils::getTextDownloadFolder(const QString& folder)
{
    const QString textFolder = safePathComponent(setting("textFolder"), QString());
    if (textFolder.isEmpty() || folder.isEmpty()) return QString();
    return createFolder(joinPath(folder, textFolder), false);
}

bool FileUtils::doesFolderExists(const QString& path)
{
    return !path.isEmpty() && QFileInfo(path).isDir();
}

bool FileUtils::doesFileExists(const QString& path)
{
    const QFileInfo info(path);
    return !path.isEmpty() && (info.exists() || info.isSymLink()) && !info.isDir();
}

QString FileUtils::truncateToUtf8Bytes(const QString& name, int maxBytes)
{
    if (name.toUtf8().size() <= maxBytes) return name;
    QString out;
    int bytes = 0;
    for (qsizetype i = 0; i < name.size();) {
        const bool pair = name[i].isHighSurrogate() && i + 1 < name.size() && name[i + 1].isLowSurrogate();
        const QString ch = name.mid(i, pair ? 2 : 1);
        const int n = int(ch.toUtf8().size());
        if (bytes + n > maxBytes) break;
        out += ch;
        bytes += n;
        i += pair ? 2 : 1;
    }
    return out;
}

QString FileUtils::createFolder(const QString& folder, bool allowAlternative)
{
    if (folder.isEmpty()) return QString();
    const QString parent = parentFolder(folder);
    const QString original = lastComponent(folder);
    QString name = original;
    if (name.toUtf8().size() > kMaxComponentBytes) {
        name = truncateToUtf8Bytes(name, kMaxComponentBytes);
        BLOG(1, "Folder truncated to:%@", joinPath(parent, name));
    }
    QString path = name == original ? folder : joinPath(parent, name);
    const bool existed = entryExists(path);
    if (existed && !allowAlternative && QFileInfo(path).isDir()) return path;
    if (existed && allowAlternative) {
        const NameParts whole{name, QString()};
        for (long n = 1; entryExists(path); ++n) {
            const QString suffix = sformat(u".%ld", n);
            path = joinPath(
                parent,
                truncateToUtf8Bytes(whole.stem, kMaxComponentBytes - int(suffix.toUtf8().size())) + suffix);
        }
    }
    std::error_code ec;
    std::filesystem::create_directories(std::filesystem::path(nativePath(path).toStdString()), ec);
    if (ec || !QFileInfo(path).isDir()) {
        BLOG(3, "Error creating folder:%@",
             QString::fromLocal8Bit(ec ? ec.message().c_str() : "not a folder"));
        BLOG(3, "Error code:%ld", long(ec ? ec.value() : EEXIST));
        return QString();
    }
    return path;
}

// ---------------------------------------------------------------------------
// Free and safe names

QString FileUtils::checkIfFilenameExists(const QString& name, const QString& folder)
{
    const QString original = safePathComponent(name, QStringLiteral("filename"));
    const NameParts parts = splitExtension(original);
    QString free = original;
    // Anything of that name (a folder too) makes the name taken: the caller
    // is going to create a file there.
    for (long n = 1; entryExists(joinPath(folder, free)); ++n)
        free = numberedName(parts, n);
    if (free != original) BLOG(1, "Filename:%@ => %@", original, free);
    return free;
}

QString FileUtils::createAlternativeFilenameFor(const QString& file)
{
    if (file.isEmpty()) return QString();
    if (!entryExists(file)) return file;
    const QString folder = parentFolder(file);
    const QString name = lastComponent(file);
    const NameParts parts = splitExtension(name);
    for (long n = 1; n <= 100; ++n) {
        const QString candidate = joinPath(folder, numberedName(parts, n));
        if (!entryExists(candidate)) {
            BLOG(1, "Renamed:%@ => %@", name, lastComponent(candidate));
            return candidate;
        }
    }
    BLOG(3, "No free name for %@ among 100 alternatives.", file);
    return QString();
}

namespace {

QString replaceOutside(const QString& text, const std::function<bool(char32_t)>& keep)
{
    QString out;
    out.reserve(text.size());
    for (const char32_t c : text.toUcs4()) {
        if (keep(c))
            out += QChar(char16_t(c)); // every kept character is ASCII
        else
            out += QLatin1Char('_');
    }
    return out;
}

QString collapseAndCut(QString text)
{
    static const QRegularExpression runs(QStringLiteral("_{2,}+"));
    text.replace(runs, QStringLiteral("_"));
    return text.left(250);
}

bool asciiAlnum(char32_t c)
{
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9');
}

} // namespace

QString FileUtils::makeSafeFilename(const QString& text)
{
    static const QString extra = QStringLiteral("._-!\"' \\[]()@");
    QString out = replaceOutside(
        text, [](char32_t c) { return asciiAlnum(c) || (c < 128 && extra.contains(QChar(char16_t(c)))); });
    if (out.isEmpty()) return QString();
    static const QRegularExpression leading(QStringLiteral("^[\\.\\s-]*"));
    out.remove(leading);
    if (out.isEmpty()) return QString();
    return collapseAndCut(out);
}

QString FileUtils::makeUTF8Filename(const QString& text)
{
    static const QString extra = QStringLiteral("._-!");
    QString out = replaceOutside(
        text, [](char32_t c) { return asciiAlnum(c) || (c < 128 && extra.contains(QChar(char16_t(c)))); });
    if (out.isEmpty()) return QString();
    return collapseAndCut(out);
}

qint64 FileUtils::getFileSizeForFile(const QString& file)
{
    struct stat st;
    if (file.isEmpty() || lstat(nativePath(file).constData(), &st) != 0) return 0;
    return qint64(st.st_size);
}

QIcon FileUtils::getIconForFileExtension(const QString& extension)
{
    if (extension == QLatin1String("map")) return QIcon::fromTheme(QStringLiteral("folder"));
    const QMimeType type =
        QMimeDatabase().mimeTypeForFile(QStringLiteral("file.") + extension, QMimeDatabase::MatchExtension);
    return QIcon::fromTheme(type.iconName(), QIcon::fromTheme(type.genericIconName()));
}

// ---------------------------------------------------------------------------
// Listings

std::optional<QStringList> FileUtils::getFilteredFolderContentFor(const QString& folder,
                                                                  const QString& pattern, bool recursive)
{
    if (folder.isEmpty()) return std::nullopt;
    const QString resolved = canonicalFolder(folder);
    if (resolved.isEmpty() || !QFileInfo(resolved).isDir()) {
        BLOG(3, "%@ :: %@", errnoText(ENOENT), folder);
        return std::nullopt;
    }
    QStringList entries;
    if (recursive) {
        entries = recursiveFileScanForUrl(resolved);
    } else {
        std::optional<QStringList> listed = listEntries(resolved, false);
        if (!listed) return std::nullopt;
        entries = std::move(*listed);
    }
    const WildcardPattern matcher(pattern, WildcardPattern::CaseInsensitive);
    QStringList out;
    for (const QString& e : entries) {
        if (matcher.matches(lastComponent(e))) out.append(e);
    }
    return out;
}

std::optional<QStringList> FileUtils::getFolderContentFor(const QString& folder)
{
    if (folder.isEmpty()) return std::nullopt;
    return listEntries(folder, false);
}

QStringList FileUtils::recursiveFileScanForUrl(const QString& folder)
{
    QStringList out;
    if (!folder.isEmpty()) scanTree(folder, false, out);
    return out;
}

QStringList FileUtils::recursiveFolderScanForUrl(const QString& folder)
{
    QStringList out;
    if (!folder.isEmpty()) scanTree(folder, true, out);
    return out;
}

FileUtils::FileCounts FileUtils::analizeFileList(const QStringList& list)
{
    FileCounts counts;
    for (const QString& path : list) {
        if (isRealFolder(path))
            ++counts.dirs;
        else
            ++counts.files;
    }
    return counts;
}

// ---------------------------------------------------------------------------
// Moves

bool FileUtils::renameFilenameFromUrl(const QString& source, const QString& target, bool overwrite)
{
    if (source.isEmpty() || target.isEmpty()) return false;
    if (entryExists(target)) {
        if (!overwrite) return false;
        if (FileOperations::removeTree(target) != 0) {
            BLOG(2, "Destination file already exists and cannot be overwritten: %@", target);
            return false;
        }
    }
    if (const int err = FileOperations::moveNoReplace(source, target)) {
        BLOG(2, "%@ :: %@ -> %@", errnoText(err), source, target);
        return false;
    }
    return true;
}

bool FileUtils::renameFilenameFromString(const QString& source, const QString& target, bool overwrite)
{
    return renameFilenameFromUrl(source, target, overwrite);
}

bool FileUtils::moveFilesFromSourceFolder(const QString& source, const QString& destination)
{
    if (source.isEmpty() || !doesFolderExists(source)) return false;
    QString from = source;
    std::optional<QStringList> entries = listEntries(from, true);
    if (!entries) return false;
    for (;;) {
        const FileCounts counts = analizeFileList(*entries);
        if (counts.files != 0 || counts.dirs != 1) break;
        from = entries->first();
        entries = listEntries(from, true);
        if (!entries) return false;
    }
    if (createFolder(destination, false).isEmpty()) {
        BLOG(3, "Error creating destination folder:%@", destination);
        return false;
    }
    for (const QString& entry : *entries) {
        QString name = lastComponent(entry);
        if (name.size() >= 2 && name.startsWith(QLatin1Char('.'))) name.remove(0, 1);
        QString target = joinPath(destination, name);
        int err = 0;
        // A name taken meanwhile by someone else gives the next alternative.
        for (int attempt = 0; attempt < 3; ++attempt) {
            if (entryExists(target)) target = createAlternativeFilenameFor(target);
            err = target.isEmpty() ? EEXIST : FileOperations::moveNoReplace(entry, target);
            if (err != EEXIST || target.isEmpty()) break;
        }
        if (err) {
            Logger::shared()->writeToConsole(
                sformat(u"%s result:%hhd - error:%@\n",
                        "+[FileUtils moveFilesFromSourceFolder:toDestinationFolder:]", 0, errnoText(err)));
            BLOG(3, "%@ :: %@", errnoText(err), entry);
            return false;
        }
    }
    return true;
}

// ---------------------------------------------------------------------------
// Deletions

bool FileUtils::isStrictlyInsideDownloadFolder(const QString& path)
{
    const QString base = canonicalFolder(setting("downloadPath"));
    const QString location = resolvedLocation(path);
    if (base.isEmpty() || location.isEmpty()) return false;
    const QString prefix = base.endsWith(QLatin1Char('/')) ? base : base + QLatin1Char('/');
    return location.startsWith(prefix) && location.size() > prefix.size();
}

void FileUtils::deleteFolderAndContents(const QString& folder)
{
    if (folder.isEmpty()) return;
    if (!isStrictlyInsideDownloadFolder(folder)) {
        if (resolvedLocation(folder) != canonicalFolder(setting("downloadPath")))
            BLOG(4, "Not deleting %@: it is not inside the download folder.", folder);
        return;
    }
    FileOperations::removeTree(resolvedLocation(folder));
}

void FileUtils::deleteFolderAndContents(const QString& folder, const QString& newsgroups)
{
    QString target = folder;
    if (defaults().integerForKey(QStringLiteral("subFolderTypeTag")) == 1 &&
        lastComponent(target) == formatNewsGroups(newsgroups))
        target = parentFolder(target);
    deleteFolderAndContents(target);
}

void FileUtils::deleteUserDefinedFiles(const QStringList& patterns, const QString& jobFolder)
{
    const QString folder = canonicalFolder(jobFolder);
    if (folder.isEmpty() || folder == canonicalFolder(setting("downloadPath"))) return;
    if (!isStrictlyInsideDownloadFolder(folder)) {
        BLOG(4, "Not cleaning %@: it is not inside the download folder.", jobFolder);
        return;
    }
    const bool parsInUse = defaults().boolForKey(QStringLiteral("enableFileRepair")) ||
                           defaults().boolForKey(QStringLiteral("enableFileExtract"));
    // One listing for all patterns; links are entries of their own.
    QStringList files = recursiveFileScanForUrl(folder);
    for (const QString& pattern : patterns) {
        if (pattern.isEmpty()) continue;
        if (pattern.contains(QLatin1String("par2")) && !parsInUse) continue;
        const WildcardPattern matcher(pattern, WildcardPattern::CaseInsensitive);
        for (qsizetype i = 0; i < files.size();) {
            const QString& file = files[i];
            if (!matcher.matches(lastComponent(file))) {
                ++i;
                continue;
            }
            if (::unlink(nativePath(file).constData()) == 0)
                BLOG(2, "Cleanup item found and deleted :: %@", lastComponent(file));
            else
                BLOG(3, "%@ :: %@", errnoText(errno), file);
            files.removeAt(i);
        }
    }
}

void FileUtils::deleteNZBFile(const QString& file, bool forced)
{
    if (file.isEmpty()) return;
    const QString location = resolvedLocation(file);
    if (location.isEmpty() || location == canonicalFolder(setting("downloadPath"))) return;
    if (!defaults().boolForKey(QStringLiteral("enableDeleteNZB")) && !forced) return;
    struct stat st;
    if (lstat(nativePath(location).constData(), &st) != 0 || S_ISDIR(st.st_mode)) return;
    if (defaults().boolForKey(QStringLiteral("enableDeleteNZBToTrash")) || forced)
        QFile::moveToTrash(location);
    else
        ::unlink(nativePath(location).constData());
}

void FileUtils::deleteEmptyFolderUrl(const QString& folder)
{
    if (folder.isEmpty() || !isStrictlyInsideDownloadFolder(folder)) return;
    const QString top = resolvedLocation(folder);
    if (!isRealFolder(top)) return;
    QStringList folders = recursiveFolderScanForUrl(top);
    std::reverse(folders.begin(), folders.end());
    folders.append(top);
    for (const QString& f : folders) {
        if (!folderIsEmpty(f)) continue;
        BLOG(1, "Removing empty folder :: %@", f);
        if (::rmdir(nativePath(f).constData()) != 0) BLOG(3, "%@ :: %@", errnoText(errno), f);
    }
}

void FileUtils::deleteEmptyFolderPath(const QString& path)
{
    if (!path.isEmpty()) deleteEmptyFolderUrl(path);
}

// ---------------------------------------------------------------------------
// Archive typing

QByteArray FileUtils::loadFileData(const QString& file)
{
    QFile f(file);
    if (file.isEmpty() || !f.open(QIODevice::ReadOnly)) {
        BLOG(4, "Error reading file:%@", file);
        return QByteArray();
    }
    return f.read(64);
}

bool FileUtils::checkZipForMicrosoftSignature(const QByteArray& data)
{
    return data.size() >= 48 && data.contains(QByteArrayLiteral("[Content_Types].xml"));
}

bool FileUtils::checkZipForEpubSignature(const QByteArray& data)
{
    return data.size() >= 120 && data.contains(QByteArrayLiteral("application/epub+zip"));
}

QString FileUtils::getArchiveTypeFor(const QByteArray& data)
{
    struct Signature
    {
        const char* type;
        QByteArray bytes;
    };
    static const Signature signatures[] = {
        {"zip", QByteArray("\x50\x4B\x03\x04", 4)},
        {"rar4", QByteArray("\x52\x61\x72\x21\x1A\x07\x00", 7)},
        {"rar5", QByteArray("\x52\x61\x72\x21\x1A\x07\x01\x00", 8)},
        {"7z", QByteArray("\x37\x7A\xBC\xAF", 4)},
    };
    if (data.size() < 4) return QString();
    for (const Signature& s : signatures) {
        if (data.size() < s.bytes.size()) {
            BLOG(3, "Too few bytes (%ld) to compare the %s signature.", long(data.size()), s.type);
            return QString();
        }
        if (!data.startsWith(s.bytes)) continue;
        const QString type = QString::fromLatin1(s.type);
        if (type == QLatin1String("zip")) {
            if (checkZipForMicrosoftSignature(data)) {
                BLOG(1, "Skipped extracting zip file with Microsoft signature (like .docx)");
                return QString();
            }
            if (checkZipForEpubSignature(data)) {
                BLOG(1, "Skipped extracting zip file with Epub signature.");
                return QString();
            }
        }
        return type;
    }
    return QString();
}

qint64 FileUtils::getRepairBlocks(const QString& filename)
{
    if (filename.isEmpty()) return 0;
    static const QRegularExpression volume(QStringLiteral("\\.vol\\d+[\\+_\\-](\\d+)\\.par2"),
                                           QRegularExpression::CaseInsensitiveOption);
    qint64 blocks = 0;
    for (auto it = volume.globalMatch(filename); it.hasNext();)
        blocks = it.next().captured(1).toLongLong();
    return blocks;
}

// ---------------------------------------------------------------------------
// The files of one job

namespace {

// Formats that are zip, RAR or 7z inside but are the payload themselves: a
// user who downloads a comic book, a package or a document wants that file,
// not its parts, and must not lose it to the archive clean-up.
bool isContainerFormat(const QString& name)
{
    static const QStringList extensions = {
        QStringLiteral("epub"), QStringLiteral("cbz"),   QStringLiteral("cbr"), QStringLiteral("cb7"),
        QStringLiteral("jar"),  QStringLiteral("war"),   QStringLiteral("ear"), QStringLiteral("apk"),
        QStringLiteral("aab"),  QStringLiteral("ipa"),   QStringLiteral("xpi"), QStringLiteral("crx"),
        QStringLiteral("whl"),  QStringLiteral("nupkg"), QStringLiteral("kmz"), QStringLiteral("odt"),
        QStringLiteral("ods"),  QStringLiteral("odp"),   QStringLiteral("odg"), QStringLiteral("docx"),
        QStringLiteral("xlsx"), QStringLiteral("pptx"),
    };
    return extensions.contains(splitExtension(name).extension.toLower());
}

// The folder when deletions may act in it: strictly inside the
// download folder (never the download folder itself); else empty.
QString folderForDeletions(const QString& folder)
{
    if (folder.isEmpty() || !FileUtils::isStrictlyInsideDownloadFolder(folder)) return QString();
    return folder;
}

// Removes one file (a link as a link); folders are left alone.
void deleteFile(const QString& path)
{
    if (isRealFolder(path) || !FileUtils::isStrictlyInsideDownloadFolder(path)) return;
    if (::unlink(nativePath(path).constData()) != 0) BLOG(3, "%@ :: %@", errnoText(errno), path);
}

// Deletes the direct files of `jobFolder` whose names match `pattern`
// and satisfy `accept`.
void deleteMatchingFiles(const QString& jobFolder, const QString& pattern,
                         const std::function<bool(const QString&)>& accept)
{
    const QString folder = folderForDeletions(jobFolder);
    if (folder.isEmpty()) return;
    const std::optional<QStringList> files = FileUtils::getFilteredFolderContentFor(folder, pattern, false);
    if (!files) return;
    for (const QString& file : *files) {
        if (accept(lastComponent(file))) deleteFile(file);
    }
}

// The archive type of a candidate file, or empty when it is none.
QString archiveTypeOfFile(const QString& path)
{
    if (!FileUtils::doesFileExists(path) || isContainerFormat(lastComponent(path))) return QString();
    return FileUtils::getArchiveTypeFor(FileUtils::loadFileData(path));
}

// Lower is better as the file extraction starts on: "x.rar" or the lowest
// "x.partN.rar" before old-style volumes ("x.r00") and numbered pieces
// ("x.7z.001"), which the tools cannot always open first.
qint64 firstVolumeRank(const QString& name)
{
    static const QRegularExpression partRar(QStringLiteral("\\.part(\\d+)\\.rar$"),
                                            QRegularExpression::CaseInsensitiveOption);
    static const QRegularExpression numbered(QStringLiteral("\\.r?(\\d+)$"),
                                             QRegularExpression::CaseInsensitiveOption);
    constexpr qint64 kLater = 1'000'000'000;
    if (const QRegularExpressionMatch m = partRar.match(name); m.hasMatch())
        return std::min(m.captured(1).toLongLong(), kLater - 1);
    if (name.endsWith(QLatin1String(".rar"), Qt::CaseInsensitive)) return 0;
    if (const QRegularExpressionMatch m = numbered.match(name); m.hasMatch())
        return kLater + std::min(m.captured(1).toLongLong(), kLater);
    return kLater - 1;
}

// The files extraction starts on, one per archive set, from `candidates`
// (file names in the job's folder) in candidate order.
FileUtils::ArchiveStarts archiveStartsIn(const QString& folder, const QStringList& candidates)
{
    static const QRegularExpression partSuffix(QStringLiteral("\\.part\\d+$"),
                                               QRegularExpression::CaseInsensitiveOption);
    struct Entry
    {
        QString family; // "zip", "rar" (RAR 4 and 5) or "7z"
        QString key;
        QString name;
        qint64 rank;
    };
    QList<Entry> sets;
    for (const QString& name : candidates) {
        // Names come from NZB subjects and PAR2 descriptions: only a single
        // component may be looked up in the folder.
        if (name.isEmpty() || name.contains(QLatin1Char('/')) || name == QLatin1String(".") ||
            name == QLatin1String(".."))
            continue;
        const QString type = archiveTypeOfFile(joinPath(folder, name));
        if (type.isEmpty()) continue;
        const QString family = type.startsWith(QLatin1String("rar")) ? QStringLiteral("rar") : type;
        QString key = splitExtension(name).stem;
        key.remove(partSuffix);
        const qint64 rank = firstVolumeRank(name);
        auto it = std::find_if(sets.begin(), sets.end(),
                               [&](const Entry& e) { return e.family == family && e.key == key; });
        if (it == sets.end())
            sets.append({family, key, name, rank});
        else if (rank < it->rank)
            *it = {family, key, name, rank};
    }
    FileUtils::ArchiveStarts starts;
    for (const Entry& e : sets) {
        if (e.family == QLatin1String("zip"))
            starts.zipfiles.append(e.name);
        else if (e.family == QLatin1String("rar"))
            starts.rarfiles.append(e.name);
        else
            starts.z7files.append(e.name);
    }
    return starts;
}

// `text` reversed by user-perceived characters, so that a letter with its
// accents, or a character outside the basic plane, stays whole.
QString reversedByCharacters(const QString& text)
{
    QStringList characters;
    QTextBoundaryFinder finder(QTextBoundaryFinder::Grapheme, text);
    qsizetype start = 0;
    while (finder.toNextBoundary() != -1) {
        const qsizetype end = finder.position();
        characters.prepend(text.mid(start, end - start));
        start = end;
    }
    return characters.join(QString());
}

} // namespace

FileUtils::ArchiveStarts FileUtils::archiveStartsFor(const QString& folder, const QStringList& candidates)
{
    return archiveStartsIn(folder, candidates);
}

FileUtils::ArchiveStarts FileUtils::archiveStartsInFolder(const QString& folder)
{
    QStringList candidates;
    if (const std::optional<QStringList> entries =
            getFilteredFolderContentFor(folder, QStringLiteral("*"), false)) {
        for (const QString& entry : *entries)
            candidates.append(lastComponent(entry));
    }
    return archiveStartsIn(folder, candidates);
}

void FileUtils::deleteArchiveFilesInFolder(const QString& jobFolder)
{
    const QString folder = folderForDeletions(jobFolder);
    if (folder.isEmpty()) return;
    const std::optional<QStringList> entries = getFolderContentFor(folder);
    if (!entries) return;
    for (const QString& entry : *entries) {
        if (!archiveTypeOfFile(entry).isEmpty()) deleteFile(entry);
    }
}

void FileUtils::deleteTempRepairFilesInFolder(const QString& jobFolder)
{
    // The repair tool sets damaged originals aside as "name.1", "name.2";
    // a payload with a one-letter extension (".c", ".h", ".Z") is not one.
    deleteMatchingFiles(jobFolder, QStringLiteral("*.?"),
                        [](const QString& name) { return name.back().isDigit(); });
}

void FileUtils::deleteRepairFilesInFolder(const QString& jobFolder)
{
    deleteMatchingFiles(jobFolder, QStringLiteral("*.par2"), [](const QString&) { return true; });
}

void FileUtils::reverseFilenamesInFolder(const QString& jobFolder)
{
    if (jobFolder.isEmpty()) return;
    for (const QString& file : recursiveFileScanForUrl(jobFolder))
        reverseFilename(file);
}

QString FileUtils::reverseFilename(const QString& file)
{
    // Reversed forms of an episode tag, 1080p, 720p, x264, DD5.1 and nlsubs.
    static const QRegularExpression reversedTag(
        QStringLiteral("\\d{2}e\\d{2}s|p0801|p027|462x|1\\.5DD|sbusln"),
        QRegularExpression::CaseInsensitiveOption);
    if (file.isEmpty()) return file;
    // Only the file's own name counts: a folder named after the reversed
    // name (a job titled by it) must neither make a correct name reversed
    // nor be renamed itself.
    const QString name = lastComponent(file);
    if (!reversedTag.match(name).hasMatch()) return file;
    const NameParts parts = splitExtension(name);
    const QString reversed = reversedByCharacters(parts.stem);
    const QString newName =
        parts.extension.isEmpty() ? reversed : reversed + QLatin1Char('.') + parts.extension;
    const QString target = joinPath(parentFolder(file), newName);
    BLOG(2, "Original filename:%@", file);
    BLOG(2, "%@ (%@) %@", target, reversed, target);
    if (target == file) return file;
    if (const int err = entryExists(target) ? EEXIST : FileOperations::moveNoReplace(file, target)) {
        BLOG(3, "%@ :: %@ -> %@", errnoText(err), file, target);
        return file;
    }
    return target;
}

bool FileUtils::checkIfRepairVolumeFile(const QString& filename)
{
    static const QRegularExpression volume(QStringLiteral("\\.vol\\d+[+_-]\\d+\\.par2$"),
                                           QRegularExpression::CaseInsensitiveOption);
    return volume.match(filename).hasMatch();
}

bool FileUtils::checkIfPar2File(const QString& filename)
{
    return filename.contains(QLatin1String(".par2"), Qt::CaseInsensitive);
}

bool FileUtils::checkIfSampleFile(const QString& filename)
{
    return filename.contains(QLatin1String("sample"), Qt::CaseInsensitive);
}
