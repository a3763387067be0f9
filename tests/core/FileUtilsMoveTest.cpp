#include "core/FileOperations.h"
#include "core/FileUtils.h"

#include "support/TempHome.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <cerrno>
#include <sys/stat.h>
#include <unistd.h>

namespace {

void write(const QString& path, const QByteArray& data)
{
    QDir().mkpath(QFileInfo(path).path());
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(data);
}

QByteArray read(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
}

bool exists(const QString& path)
{
    struct stat st;
    return lstat(QFile::encodeName(path).constData(), &st) == 0;
}

dev_t deviceOf(const QString& path)
{
    struct stat st;
    return stat(QFile::encodeName(path).constData(), &st) == 0 ? st.st_dev : dev_t(0);
}

struct Moves : ::testing::Test
{
    TempHome home;
    QString root = home.makeFolder("moves");
    QString at(const QString& relative) const { return QDir(root).filePath(relative); }
};

// A folder on another file system than the temporary home, for the copy
// fallback (EXDEV); /dev/shm is a tmpfs on the machines this runs on.
struct OtherDisk
{
    QTemporaryDir dir{QStringLiteral("/dev/shm/binorama-test-XXXXXX")};
    bool usableFor(const QString& path) const
    {
        return dir.isValid() && deviceOf(dir.path()) != 0 && deviceOf(dir.path()) != deviceOf(path);
    }
    QString at(const QString& relative) const { return QDir(dir.path()).filePath(relative); }
};

} // namespace

TEST_F(Moves, WithoutOverwriteAnExistingTargetIsNeverReplaced)
{
    write(at("src.bin"), "new");
    write(at("dst.bin"), "old");
    EXPECT_FALSE(FileUtils::renameFilenameFromUrl(at("src.bin"), at("dst.bin"), false));
    EXPECT_EQ(read(at("dst.bin")), "old");
    EXPECT_EQ(read(at("src.bin")), "new");

    EXPECT_TRUE(FileUtils::renameFilenameFromUrl(at("src.bin"), at("dst.bin"), true));
    EXPECT_EQ(read(at("dst.bin")), "new");
    EXPECT_FALSE(exists(at("src.bin")));

    EXPECT_TRUE(FileUtils::renameFilenameFromString(at("dst.bin"), at("moved.bin"), false));
    EXPECT_EQ(read(at("moved.bin")), "new");
    EXPECT_FALSE(FileUtils::renameFilenameFromString(QString(), at("x"), false));
    EXPECT_FALSE(FileUtils::renameFilenameFromString(at("moved.bin"), QString(), false));
    EXPECT_FALSE(FileUtils::renameFilenameFromUrl(at("missing"), at("x"), false));
    EXPECT_FALSE(exists(at("x")));
}

TEST_F(Moves, EveryStrategyRefusesAnExistingTarget)
{
    // The plain system rename would replace both of these: a file, and an
    // empty folder under a folder.
    using Strategy = int (*)(const QString&, const QString&);
    const Strategy strategies[] = {&FileOperations::renameNoReplace, &FileOperations::fallbackRenameNoReplace,
                                   &FileOperations::copyThenRemove, &FileOperations::moveNoReplace};
    int n = 0;
    for (Strategy move : strategies) {
        SCOPED_TRACE(n);
        const QString dir = at(QString("s%1").arg(n++));
        write(dir + "/file.src", "new");
        write(dir + "/file.dst", "old");
        EXPECT_EQ(move(dir + "/file.src", dir + "/file.dst"), EEXIST);
        EXPECT_EQ(read(dir + "/file.dst"), "old");
        EXPECT_EQ(read(dir + "/file.src"), "new");

        write(dir + "/folder.src/inner", "x");
        QDir().mkpath(dir + "/folder.dst");
        EXPECT_EQ(move(dir + "/folder.src", dir + "/folder.dst"), EEXIST);
        EXPECT_TRUE(QDir(dir + "/folder.dst").isEmpty());
        EXPECT_EQ(read(dir + "/folder.src/inner"), "x");

        // And each moves when the target is free.
        EXPECT_EQ(move(dir + "/file.src", dir + "/file.free"), 0);
        EXPECT_EQ(read(dir + "/file.free"), "new");
        EXPECT_FALSE(exists(dir + "/file.src"));
        EXPECT_EQ(move(dir + "/folder.src", dir + "/folder.free"), 0);
        EXPECT_EQ(read(dir + "/folder.free/inner"), "x");
        EXPECT_FALSE(exists(dir + "/folder.src"));
    }
}

TEST_F(Moves, AcrossFileSystemsByCopyAndRemoval)
{
    OtherDisk other;
    if (!other.usableFor(root)) GTEST_SKIP() << "no second file system here";
    const QString outside = at("outside.txt");
    write(outside, "keep me");
    write(at("job/a.mkv"), QByteArray(3 * 1024 * 1024 + 17, 'v'));
    write(at("job/sub/b.nfo"), "info");
    ASSERT_EQ(
        ::symlink(QFile::encodeName(outside).constData(), QFile::encodeName(at("job/link")).constData()), 0);
    ASSERT_EQ(::chmod(QFile::encodeName(at("job/sub/b.nfo")).constData(), 0640), 0);

    EXPECT_TRUE(FileUtils::renameFilenameFromUrl(at("job"), other.at("job"), false));
    EXPECT_FALSE(exists(at("job")));
    EXPECT_EQ(read(other.at("job/a.mkv")).size(), 3 * 1024 * 1024 + 17);
    EXPECT_EQ(read(other.at("job/sub/b.nfo")), "info");
    struct stat st;
    ASSERT_EQ(stat(QFile::encodeName(other.at("job/sub/b.nfo")).constData(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0640u);
    // The link is copied as a link; what it points to is untouched.
    EXPECT_EQ(QFileInfo(other.at("job/link")).symLinkTarget(), outside);
    EXPECT_EQ(read(outside), "keep me");

    // Across file systems an existing target is refused as well.
    write(at("again.bin"), "new");
    write(other.at("again.bin"), "old");
    EXPECT_FALSE(FileUtils::renameFilenameFromUrl(at("again.bin"), other.at("again.bin"), false));
    EXPECT_EQ(read(other.at("again.bin")), "old");
    EXPECT_EQ(read(at("again.bin")), "new");

    // A copy that cannot be completed leaves the source and no half target.
    write(at("odd/first"), "1");
    ASSERT_EQ(::mkfifo(QFile::encodeName(at("odd/pipe")).constData(), 0600), 0);
    EXPECT_NE(FileOperations::moveNoReplace(at("odd"), other.at("odd")), 0);
    EXPECT_FALSE(exists(other.at("odd")));
    EXPECT_EQ(read(at("odd/first")), "1");
}

// A second name for a file another job keeps: a hard link on the same file
// system, a copy on another; the source stays as it was, an existing target
// is never replaced, and only a regular file is given one.
TEST_F(Moves, ASecondNameIsALinkOrACopyAndLeavesTheSourceAsItWas)
{
    write(at("A/film.mkv"), "the film");
    ASSERT_EQ(FileOperations::linkOrCopyNoReplace(at("A/film.mkv"), at("B/film.mkv")), ENOENT);
    QDir().mkpath(at("B"));
    ASSERT_EQ(FileOperations::linkOrCopyNoReplace(at("A/film.mkv"), at("B/film.mkv")), 0);
    struct stat a;
    struct stat b;
    ASSERT_EQ(stat(QFile::encodeName(at("A/film.mkv")).constData(), &a), 0);
    ASSERT_EQ(stat(QFile::encodeName(at("B/film.mkv")).constData(), &b), 0);
    EXPECT_EQ(a.st_ino, b.st_ino);
    EXPECT_EQ(read(at("A/film.mkv")), "the film");

    write(at("C/film.mkv"), "kept");
    EXPECT_EQ(FileOperations::linkOrCopyNoReplace(at("A/film.mkv"), at("C/film.mkv")), EEXIST);
    EXPECT_EQ(read(at("C/film.mkv")), "kept");
    EXPECT_EQ(FileOperations::linkOrCopyNoReplace(at("A"), at("D")), EINVAL);
    EXPECT_FALSE(exists(at("D")));

    OtherDisk other;
    if (!other.usableFor(root)) GTEST_SKIP() << "no second file system here";
    ASSERT_EQ(FileOperations::linkOrCopyNoReplace(at("A/film.mkv"), other.at("film.mkv")), 0);
    EXPECT_EQ(read(other.at("film.mkv")), "the film");
    EXPECT_EQ(read(at("A/film.mkv")), "the film");
}

TEST_F(Moves, FinishedJobDescendsSingleFoldersAndKeepsHiddenFilesVisible)
{
    write(at("job/x/y/a.mkv"), "a");
    write(at("job/x/y/.nfo"), "n");
    write(at("job/x/y/sub/c.txt"), "c");
    const QString dest = at("final/Show");
    ASSERT_TRUE(FileUtils::moveFilesFromSourceFolder(at("job"), dest));
    EXPECT_EQ(read(dest + "/a.mkv"), "a");
    EXPECT_EQ(read(dest + "/nfo"), "n"); // ".nfo" arrives as "nfo"
    EXPECT_EQ(read(dest + "/sub/c.txt"), "c");
    EXPECT_FALSE(exists(dest + "/x"));
    EXPECT_FALSE(exists(at("job/x/y/a.mkv")));

    // Taken names give alternatives; several folders are moved as they are.
    write(at("job2/a.mkv"), "second");
    write(at("job2/one/1"), "1");
    write(at("job2/two/2"), "2");
    ASSERT_TRUE(FileUtils::moveFilesFromSourceFolder(at("job2"), dest));
    EXPECT_EQ(read(dest + "/a.mkv"), "a");
    EXPECT_EQ(read(dest + "/a.1.mkv"), "second");
    EXPECT_EQ(read(dest + "/one/1"), "1");
    EXPECT_EQ(read(dest + "/two/2"), "2");

    // Nothing at the end of the chain: nothing to move, which is success.
    QDir().mkpath(at("job3/only/empty"));
    EXPECT_TRUE(FileUtils::moveFilesFromSourceFolder(at("job3"), at("final/Three")));
    EXPECT_TRUE(QFileInfo(at("final/Three")).isDir());

    EXPECT_FALSE(FileUtils::moveFilesFromSourceFolder(at("missing"), dest));
    EXPECT_FALSE(FileUtils::moveFilesFromSourceFolder(QString(), dest));
    // A destination that cannot be made: nothing moves.
    write(at("job4/f"), "f");
    write(at("blocker"), "");
    EXPECT_FALSE(FileUtils::moveFilesFromSourceFolder(at("job4"), at("blocker/dest")));
    EXPECT_EQ(read(at("job4/f")), "f");
}

TEST_F(Moves, FinishedJobToAnotherFileSystem)
{
    OtherDisk other;
    if (!other.usableFor(root)) GTEST_SKIP() << "no second file system here";
    write(at("job/only/a.mkv"), "a");
    write(at("job/only/b.mkv"), "b");
    ASSERT_TRUE(FileUtils::moveFilesFromSourceFolder(at("job"), other.at("Final")));
    EXPECT_EQ(read(other.at("Final/a.mkv")), "a");
    EXPECT_EQ(read(other.at("Final/b.mkv")), "b");
    EXPECT_TRUE(QDir(at("job/only")).isEmpty());
}
