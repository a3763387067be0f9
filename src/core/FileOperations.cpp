#include "core/FileOperations.h"

#include <QFile>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <string>
#include <sys/stat.h>
#include <sys/time.h>
#include <unistd.h>
#include <vector>

#ifndef RENAME_NOREPLACE
#define RENAME_NOREPLACE (1 << 0)
#endif

namespace {

// The parent folder of a path and its last component, for the *at calls.
struct PathParts
{
    std::string dir;
    std::string name;
};

PathParts splitPath(const QByteArray& path)
{
    std::string p = path.toStdString();
    while (p.size() > 1 && p.back() == '/')
        p.pop_back();
    const auto slash = p.rfind('/');
    if (slash == std::string::npos) return {".", p};
    return {slash == 0 ? "/" : p.substr(0, slash), p.substr(slash + 1)};
}

int removeBelow(int dirFd);

// Removes `name` inside the folder `parentFd` without following links.
int removeAt(int parentFd, const char* name)
{
    struct stat st;
    if (fstatat(parentFd, name, &st, AT_SYMLINK_NOFOLLOW) != 0) return errno;
    if (!S_ISDIR(st.st_mode)) return unlinkat(parentFd, name, 0) == 0 ? 0 : errno;
    // O_NOFOLLOW: should the folder be swapped for a link between the stat
    // and the open, the open fails instead of entering the link's target.
    const int fd = openat(parentFd, name, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0) return errno;
    const int err = removeBelow(fd); // closes fd
    if (err) return err;
    return unlinkat(parentFd, name, AT_REMOVEDIR) == 0 ? 0 : errno;
}

int removeBelow(int dirFd)
{
    DIR* dir = fdopendir(dirFd);
    if (!dir) {
        const int err = errno;
        close(dirFd);
        return err;
    }
    std::vector<std::string> names;
    errno = 0;
    while (dirent* e = readdir(dir)) {
        if (std::strcmp(e->d_name, ".") != 0 && std::strcmp(e->d_name, "..") != 0)
            names.emplace_back(e->d_name);
    }
    int err = errno;
    for (const std::string& n : names) {
        const int e = removeAt(dirfd(dir), n.c_str());
        if (e && !err) err = e;
    }
    closedir(dir);
    return err;
}

int copyFileData(int in, int out)
{
    std::vector<char> buffer(1 << 20);
    for (;;) {
        const ssize_t n = read(in, buffer.data(), buffer.size());
        if (n < 0) {
            if (errno == EINTR) continue;
            return errno;
        }
        if (n == 0) return 0;
        for (ssize_t done = 0; done < n;) {
            const ssize_t w = write(out, buffer.data() + done, size_t(n - done));
            if (w < 0) {
                if (errno == EINTR) continue;
                return errno;
            }
            done += w;
        }
    }
}

void copyTimes(int fd, const struct stat& st)
{
    const struct timespec times[2] = {st.st_atim, st.st_mtim};
    futimens(fd, times);
}

// Copies the entry `source` to `target`, which is made exclusively;
// `made` tells whether it was.
int copyEntry(const std::string& source, const std::string& target, bool& made)
{
    made = false;
    struct stat st;
    if (lstat(source.c_str(), &st) != 0) return errno;
    if (S_ISLNK(st.st_mode)) {
        std::vector<char> link(size_t(st.st_size > 0 ? st.st_size : 256) + 1);
        const ssize_t n = readlink(source.c_str(), link.data(), link.size() - 1);
        if (n < 0) return errno;
        link[size_t(n)] = '\0';
        if (symlink(link.data(), target.c_str()) != 0) return errno;
        made = true;
        return 0;
    }
    if (S_ISDIR(st.st_mode)) {
        if (mkdir(target.c_str(), 0700) != 0) return errno;
        made = true;
        DIR* dir = opendir(source.c_str());
        if (!dir) return errno;
        std::vector<std::string> names;
        errno = 0;
        while (dirent* e = readdir(dir)) {
            if (std::strcmp(e->d_name, ".") != 0 && std::strcmp(e->d_name, "..") != 0)
                names.emplace_back(e->d_name);
        }
        int err = errno;
        closedir(dir);
        bool child = false;
        for (size_t i = 0; !err && i < names.size(); ++i)
            err = copyEntry(source + "/" + names[i], target + "/" + names[i], child);
        if (err) return err;
        chmod(target.c_str(), st.st_mode & 07777);
        const int fd = open(target.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        if (fd >= 0) {
            copyTimes(fd, st);
            close(fd);
        }
        return 0;
    }
    if (!S_ISREG(st.st_mode)) return ENOTSUP; // devices, sockets and pipes are not moved between disks
    const int in = open(source.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW);
    if (in < 0) return errno;
    const int out = open(target.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, st.st_mode & 07777);
    if (out < 0) {
        const int err = errno;
        close(in);
        return err;
    }
    made = true;
    int err = copyFileData(in, out);
    // The source is removed afterwards, so the copy must be on the disk
    // first.
    if (!err && fsync(out) != 0) err = errno;
    if (!err) copyTimes(out, st);
    close(in);
    if (close(out) != 0 && !err) err = errno;
    return err;
}

bool noRenameat2(int err)
{
    return err == EINVAL || err == ENOSYS || err == ENOTSUP || err == EOPNOTSUPP;
}

} // namespace

int FileOperations::renameNoReplace(const QString& source, const QString& target)
{
    const QByteArray s = QFile::encodeName(source);
    const QByteArray t = QFile::encodeName(target);
    return renameat2(AT_FDCWD, s.constData(), AT_FDCWD, t.constData(), RENAME_NOREPLACE) == 0 ? 0 : errno;
}

int FileOperations::fallbackRenameNoReplace(const QString& source, const QString& target)
{
    const QByteArray s = QFile::encodeName(source);
    const QByteArray t = QFile::encodeName(target);
    struct stat st;
    if (lstat(s.constData(), &st) != 0) return errno;
    if (S_ISDIR(st.st_mode)) {
        // rename() replaces only an empty folder: making the target
        // exclusively first means it can only replace the one just made.
        if (mkdir(t.constData(), 0700) != 0) return errno;
        if (rename(s.constData(), t.constData()) == 0) return 0;
        const int err = errno;
        rmdir(t.constData());
        return err;
    }
    if (link(s.constData(), t.constData()) == 0) {
        if (unlink(s.constData()) == 0) return 0;
        const int err = errno;
        unlink(t.constData());
        return err;
    }
    const int linkErr = errno;
    if (linkErr != EPERM && linkErr != ENOTSUP && linkErr != EOPNOTSUPP && linkErr != EMLINK) return linkErr;
    // No hard links here (FAT, some network shares).
    const int fd = open(t.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    if (fd < 0) return errno;
    close(fd);
    if (rename(s.constData(), t.constData()) == 0) return 0;
    const int err = errno;
    unlink(t.constData());
    return err;
}

int FileOperations::copyThenRemove(const QString& source, const QString& target)
{
    const std::string s = QFile::encodeName(source).toStdString();
    const std::string t = QFile::encodeName(target).toStdString();
    struct stat st;
    if (lstat(s.c_str(), &st) != 0) return errno;
    if (lstat(t.c_str(), &st) == 0) return EEXIST;
    bool made = false;
    const int err = copyEntry(s, t, made);
    if (err) {
        // Everything at the target was made by this copy (it began
        // exclusively), so it can go whole.
        if (made) removeTree(target);
        return err;
    }
    removeTree(source);
    return 0;
}

int FileOperations::linkOrCopyNoReplace(const QString& source, const QString& target)
{
    const std::string s = QFile::encodeName(source).toStdString();
    const std::string t = QFile::encodeName(target).toStdString();
    struct stat st;
    if (lstat(s.c_str(), &st) != 0) return errno;
    if (!S_ISREG(st.st_mode)) return EINVAL;
    if (link(s.c_str(), t.c_str()) == 0) return 0;
    const int linkErr = errno;
    if (linkErr != EXDEV && linkErr != EPERM && linkErr != ENOTSUP && linkErr != EOPNOTSUPP &&
        linkErr != EMLINK)
        return linkErr;
    bool made = false;
    const int err = copyEntry(s, t, made);
    if (err && made) removeTree(target);
    return err;
}

int FileOperations::moveNoReplace(const QString& source, const QString& target)
{
    int err = renameNoReplace(source, target);
    if (noRenameat2(err)) err = fallbackRenameNoReplace(source, target);
    if (err == EXDEV) err = copyThenRemove(source, target);
    return err;
}

int FileOperations::removeTree(const QString& path)
{
    const PathParts parts = splitPath(QFile::encodeName(path));
    if (parts.name.empty() || parts.name == "." || parts.name == "..") return EINVAL;
    const int parent = open(parts.dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (parent < 0) return errno;
    const int err = removeAt(parent, parts.name.c_str());
    close(parent);
    return err;
}
