#include "core/FileUtils.h"

#include "platform/UserDefaults.h"
#include "support/LogFileReader.h"
#include "support/TempHome.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>

#include <sys/stat.h>
#include <unistd.h>

namespace {

struct Deletions : ::testing::Test
{
    TempHome home;
    QString downloads = home.downloadsPath();
    QString outside = home.makeFolder("Outside");

    void SetUp() override
    {
        write(QDir(outside).filePath("precious.txt"), "keep");
        write(QDir(outside).filePath("deeper/also.txt"), "keep");
    }
    static void write(const QString& path, const QByteArray& data)
    {
        QDir().mkpath(QFileInfo(path).path());
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(data);
    }
    static bool exists(const QString& path)
    {
        struct stat st;
        return lstat(QFile::encodeName(path).constData(), &st) == 0;
    }
    static void link(const QString& target, const QString& at)
    {
        ASSERT_EQ(::symlink(QFile::encodeName(target).constData(), QFile::encodeName(at).constData()), 0);
    }
    QString in(const QString& relative) const { return QDir(downloads).filePath(relative); }
    bool outsideIntact() const
    {
        return exists(QDir(outside).filePath("precious.txt")) &&
               exists(QDir(outside).filePath("deeper/also.txt"));
    }
};

} // namespace

TEST_F(Deletions, TheDownloadFolderAndWhatLiesOutsideAreNeverDeleted)
{
    write(in("job/file.bin"), "x");
    const QString forms[] = {
        downloads,
        downloads + "/",
        downloads + "/.",
        in("job/.."),
        in("job/../"),
        in("job/../.."),
        QDir(downloads).filePath("../Outside"),
        outside,
        home.path(),
        "/",
        "",
    };
    for (const QString& f : forms) {
        FileUtils::deleteFolderAndContents(f);
        EXPECT_TRUE(exists(in("job/file.bin"))) << f.toStdString();
        EXPECT_TRUE(outsideIntact()) << f.toStdString();
    }
    EXPECT_FALSE(FileUtils::isStrictlyInsideDownloadFolder(downloads));
    EXPECT_FALSE(FileUtils::isStrictlyInsideDownloadFolder(in("job/..")));
    EXPECT_TRUE(FileUtils::isStrictlyInsideDownloadFolder(in("job")));
    EXPECT_TRUE(FileUtils::isStrictlyInsideDownloadFolder(in("job/..hidden")));

    // A download folder reached through a link is the same folder.
    const QString alias = QDir(home.path()).filePath("alias");
    link(downloads, alias);
    FileUtils::deleteFolderAndContents(alias + "/job/..");
    EXPECT_TRUE(exists(in("job/file.bin")));
    UserDefaults::standard().setString(alias, "downloadPath");
    FileUtils::deleteFolderAndContents(downloads);
    EXPECT_TRUE(exists(in("job/file.bin")));
    FileUtils::deleteFolderAndContents(in("job"));
    EXPECT_FALSE(exists(in("job")));
}

TEST_F(Deletions, LinksAreRemovedNeverFollowed)
{
    write(in("job/a.mkv"), "a");
    link(outside, in("job/folder-link"));
    link(QDir(outside).filePath("precious.txt"), in("job/file-link"));
    write(in("job/sub/b.mkv"), "b");
    link(QDir(outside).filePath("deeper"), in("job/sub/deep-link"));
    FileUtils::deleteFolderAndContents(in("job"));
    EXPECT_FALSE(exists(in("job")));
    EXPECT_TRUE(outsideIntact());

    // A link in the download folder is itself inside: the link goes, not
    // its target. A path through the link is outside.
    link(outside, in("escape"));
    FileUtils::deleteFolderAndContents(in("escape/deeper"));
    EXPECT_TRUE(outsideIntact());
    FileUtils::deleteFolderAndContents(in("escape"));
    EXPECT_FALSE(exists(in("escape")));
    EXPECT_TRUE(outsideIntact());
}

TEST_F(Deletions, NewsgroupFolderIsReplacedByItsParent)
{
    UserDefaults::standard().setInteger(1, "subFolderTypeTag");
    write(in("a.b.teevee/Show/x"), "x");
    write(in("a.b.teevee/Other/y"), "y");
    FileUtils::deleteFolderAndContents(in("a.b.teevee/Show"), "alt.binaries.teevee");
    EXPECT_FALSE(exists(in("a.b.teevee/Show")));
    EXPECT_TRUE(exists(in("a.b.teevee/Other/y")));
    // The group folder's parent is the download folder itself: kept.
    FileUtils::deleteFolderAndContents(in("a.b.teevee"), "alt.binaries.teevee");
    EXPECT_TRUE(exists(in("a.b.teevee/Other/y")));
}

TEST_F(Deletions, EmptyFoldersGoBottomUp)
{
    QDir().mkpath(in("job/a/b/c"));
    QDir().mkpath(in("job/a/b2"));
    write(in("job/d/.hidden"), "");
    write(in("job/e/file"), "f");
    link(QDir(outside).filePath("deeper"), in("job/e/link"));
    QDir().mkpath(QDir(outside).filePath("empty"));
    link(QDir(outside).filePath("empty"), in("job/empty-link"));
    FileUtils::deleteEmptyFolderUrl(in("job"));
    EXPECT_FALSE(exists(in("job/a")));
    EXPECT_TRUE(exists(in("job/d/.hidden"))); // a hidden file counts
    EXPECT_TRUE(exists(in("job/e/file")));
    EXPECT_TRUE(exists(in("job")));
    EXPECT_TRUE(QFileInfo(QDir(outside).filePath("empty")).isDir()); // behind a link: untouched
    EXPECT_TRUE(outsideIntact());

    const QStringList removed =
        LogFileReader(home.logFilePath()).linesContaining("Removing empty folder :: ");
    ASSERT_EQ(removed.size(), 4);
    EXPECT_TRUE(removed[0].endsWith(":: " + in("job/a/b2")));
    EXPECT_TRUE(removed[1].endsWith(":: " + in("job/a/b/c")));
    EXPECT_TRUE(removed[2].endsWith(":: " + in("job/a/b")));
    EXPECT_TRUE(removed[3].endsWith(":: " + in("job/a")));

    // A job of empty folders only disappears whole; the download folder
    // itself is never removed, even when empty.
    QDir().mkpath(in("job2/x/y"));
    FileUtils::deleteEmptyFolderPath(in("job2"));
    EXPECT_FALSE(exists(in("job2")));
    QDir().mkpath(in("lone"));
    QDir(in("job")).removeRecursively();
    FileUtils::deleteEmptyFolderUrl(downloads);
    EXPECT_TRUE(exists(in("lone")));
    EXPECT_TRUE(QFileInfo(downloads).isDir());
    FileUtils::deleteEmptyFolderUrl(outside + "/empty");
    EXPECT_TRUE(QFileInfo(QDir(outside).filePath("empty")).isDir());
}

TEST_F(Deletions, ImportedNzbFiles)
{
    const QString nzb = QDir(home.path()).filePath("Desktop/set.nzb");
    write(nzb, "<nzb/>");
    FileUtils::deleteNZBFile(nzb, false); // enableDeleteNZB is off by default
    EXPECT_TRUE(exists(nzb));

    UserDefaults::standard().setBool(true, "enableDeleteNZB");
    UserDefaults::standard().setBool(false, "enableDeleteNZBToTrash");
    FileUtils::deleteNZBFile(nzb, false);
    EXPECT_FALSE(exists(nzb));
    const QString trash = QDir(home.path()).filePath(".local/share/Trash/files");
    EXPECT_FALSE(exists(trash + "/set.nzb"));

    write(nzb, "<nzb/>");
    UserDefaults::standard().setBool(false, "enableDeleteNZB");
    FileUtils::deleteNZBFile(nzb, true); // forced: to the Trash
    EXPECT_FALSE(exists(nzb));
    EXPECT_TRUE(exists(trash + "/set.nzb"));

    // Never a folder, never the download folder.
    QDir().mkpath(in("folder.nzb"));
    FileUtils::deleteNZBFile(in("folder.nzb"), true);
    EXPECT_TRUE(QFileInfo(in("folder.nzb")).isDir());
    FileUtils::deleteNZBFile(downloads, true);
    EXPECT_TRUE(QFileInfo(downloads).isDir());
}
